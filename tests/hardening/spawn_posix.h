// Starts the built program with a chosen standard output, signals and user,
// for the tests of a hostile console and of bad input.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace hardening {

enum class output {
    pipe,         // read to the end (or to read_limit) by the test
    closed,       // standard output closed, as by ">&-"
    full_device,  // /dev/full: every write fails with "no space"
};

struct spawn_request {
    std::vector<std::string> arguments;  // after the program name
    std::filesystem::path dir;           // the working directory
    output out = output::pipe;
    std::size_t read_limit =
        static_cast<std::size_t>(-1);  // the reader closes after this many bytes
    bool as_nobody = false;            // drop root for the user "nobody" (no change when not root)
    std::filesystem::path program;     // the built program unless given
    // Called with the child's id after each piece of output that is read.
    std::function<void(pid_t)> on_output;
};

struct spawn_result {
    int status;       // as waitpid gives it
    std::string out;  // what was read from a pipe
};

spawn_result spawn(const spawn_request& request);

// The built program.
std::filesystem::path program_path();

// The user and group ids of "nobody", for running without root's rights.
bool nobody_ids(uid_t& uid, gid_t& gid);

// A readable description of a wait status, for failure messages.
std::string describe(int status);

}  // namespace hardening
