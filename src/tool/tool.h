// headtrim's own logic: removes the first word from the names of a set of
// files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The most names one run will rename.
constexpr std::int32_t MAX_MATCHES = 10000;

// What the command tail asks for, once it is no help request.
struct arguments {
    bool usage;                   // no file pattern given: show the usage screen
    std::string separator;        // one byte; a space unless the tail names one
    std::u16string wide_separator;
    std::string filespec;         // narrow, quotes trimmed: shown in messages
    std::u16string search_spec;   // as typed, quotes trimmed: handed to the search
};

// True when the tail is one of the help words.
bool is_help_request();
// The separator and the file pattern of a command tail.
arguments interpret_arguments(const std::u16string& tail);

// The tool itself: 0 when every rename succeeded, 1 when one failed.
int tool_main();
