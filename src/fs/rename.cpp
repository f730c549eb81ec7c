#include <cstdint>

#include "fs/fs.h"
#include "host/error_state.h"

namespace {

// False when the name is too long or holds a wildcard before its first NUL
// unit, where the system would end it. The NUL, "*" and "?" are the only
// units below 64 that stop the scan, so most units take a single test.
bool acceptable(const std::u16string& name) {
    if (name.size() > std::size_t(MAX_NAME_UNITS)) return false;
    constexpr std::uint64_t stops = 1u | (std::uint64_t{1} << u'*') | (std::uint64_t{1} << u'?');
    for (const char16_t* p = name.c_str();; ++p)
        if (*p < 64 && ((stops >> *p) & 1) != 0) return *p == 0;
}

}  // namespace

rename_outcome rename_file(const std::u16string& old_name, const std::u16string& new_name) {
    if (!acceptable(new_name) || !acceptable(old_name)) {
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
