// One row of bad input: the files before, the command tail, and the exact
// output, exit code and files after. Shared by the per-platform tables.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/support.h"

namespace hardening {

using files = std::map<std::string, std::string>;

struct bad_input_case {
    const char* what;
    files before;  // "<dir>" makes a directory; a name with "." first is hidden
    std::u16string tail;
    std::string out;
    int exit_code;
    files after;
    const char* run_in = "";  // a subdirectory to run in, or the directory itself
};

// The directory most rows start from and leave alone.
inline const files one_file = {{"1_a.txt", "a"}};

// The output of a run whose pattern matches nothing.
inline std::string no_files(const std::string& pattern) {
    return "Error: no files found matching '" + pattern + "'\r\n\r\n";
}

inline void check_bad_input(const bad_input_case& c) {
    using namespace test_support;
    scratch_dir dir;
    for (const auto& [name, contents] : c.before) {
        if (contents == "<dir>") {
            fs::create_directory(dir / name);
        } else {
            write_file(dir / name, contents);
            if (name[0] == '.') make_hidden(dir / name);
        }
    }
    const run_result run = run_headtrim(c.tail, dir / c.run_in);
    EXPECT_EQ(run.out, c.out) << c.what;
    EXPECT_EQ(run.exit_code, c.exit_code) << c.what;
    EXPECT_EQ(snapshot(dir.path()), c.after) << c.what;
}

}  // namespace hardening
