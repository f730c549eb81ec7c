// Directory matching and renaming.
#pragma once

#include <cstdint>
#include <string>

#include "host/error_state.h"
#include "host/platform.h"

// The most UTF-16 units of a pattern or a name handed to the system.
constexpr std::int32_t MAX_NAME_UNITS = 256;

// Starts a directory search for the pattern and returns the first entry that
// is neither hidden, nor a system entry, nor a directory, nor "." or "..": its
// bare name, without any directory part. The empty text when there is none.
// An empty pattern starts nothing; a pattern longer than MAX_NAME_UNITS
// matches nothing rather than being searched in a cut form.
std::u16string first_match(const std::u16string& pattern);
// The next such entry of the open search; the empty text at the end.
std::u16string next_match();
// Ends the open search, if any.
void close_search();

struct rename_outcome {
    bool ok;
    std::uint8_t code;   // the code recorded in last_error on failure
    DWORD system_error;  // the system's reason (ERROR_INVALID_NAME when refused here)
};

namespace fs_detail {

// False when the name is too long or holds a wildcard before its first NUL
// unit, where the system would end it. The NUL, "*" and "?" are the only
// units below 64 that stop the scan, so most units take a single test.
inline bool acceptable(const std::u16string& name) {
    if (name.size() > std::size_t(MAX_NAME_UNITS)) return false;
    constexpr std::uint64_t stops = 1u | (std::uint64_t{1} << u'*') | (std::uint64_t{1} << u'?');
    for (const char16_t* p = name.c_str();; ++p)
        if (*p < 64 && ((stops >> *p) & 1) != 0) return *p == 0;
}

}  // namespace fs_detail

// Renames a file without ever replacing an existing name. A name that holds a
// wildcard or is longer than MAX_NAME_UNITS is refused with code 64 before the
// system sees it. Failures are recorded; a fatal code ends the process.
// Inline, so that the caller's own frame makes the system's rename call.
inline rename_outcome rename_file(const std::u16string& old_name,
                                  const std::u16string& new_name) {
    if (!fs_detail::acceptable(new_name) || !fs_detail::acceptable(old_name)) {
        record_error(64);
        return {false, 64, ERROR_INVALID_NAME};
    }
    // The texts end in a NUL unit already, so the system reads them in place.
    const auto call =
        guarded_call(MoveFileW, wide_ptr(old_name.c_str()), wide_ptr(new_name.c_str()));
    if (call.outcome.ok) return {true, 0, 0};
    const std::uint8_t code = call.outcome.code == 75 ? 58 : call.outcome.code;
    record_error(code);
    return {false, code, call.outcome.system_error};
}
