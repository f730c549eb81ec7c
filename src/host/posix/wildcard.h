// The Windows rules for matching a file name against the name part of a
// search pattern, as used by FindFirstFileW.
#pragma once

#include <string_view>

namespace posix_layer {

// True if name matches pattern: "*" matches any run of units (also none), "?"
// exactly one unit, every other unit itself regardless of case. A pattern
// ending in ".*" also matches the names that match the part before ".*", so
// "*.*" matches every name. Time is bounded by pattern size times name size.
bool wildcard_match(std::u16string_view pattern, std::u16string_view name);

}  // namespace posix_layer
