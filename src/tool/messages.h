// Every text the tool prints.
#pragma once

namespace messages {

inline constexpr const char* usage_lines[] = {
    "HEADTRIM: Removes the first word from a set of files.",
    "Usage is:",
    " Headtrim [separator] filespec",
    " Filespec must be specific (*.* is OK) just to avoid accidental use.",
    " Optional separator defines a wordbreak character other than a space.",
};

inline constexpr const char* no_files_before = "Error: no files found matching '";
inline constexpr const char* no_files_after = "'";
inline constexpr const char* limit_before = "Error: Program can only handle ";
inline constexpr const char* limit_after = " files at once. Aborting.";
inline constexpr const char* skipped = " <== SKIPPED (Can't shorten)";
inline constexpr const char* arrow = " ==> ";
inline constexpr const char* failed_before = " <== FAILED (";
inline constexpr const char* failed_after = ")";

}  // namespace messages
