// Directory matching and renaming.
#pragma once

#include <cstdint>
#include <string>

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

// Renames a file without ever replacing an existing name. A name that holds a
// wildcard or is longer than MAX_NAME_UNITS is refused with code 64 before the
// system sees it. Failures are recorded; a fatal code ends the process.
rename_outcome rename_file(const std::u16string& old_name, const std::u16string& new_name);
