// The whole program, start-up included, with each of its storage requests
// failing in turn, in a child process.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "hardening/failing_new.h"
#include "host/host.h"
#include "support/support.h"

namespace {

using namespace test_support;
using files = std::map<std::string, std::string>;

struct run_outcome {
    int status;
    std::string out;
    std::size_t requests;  // storage requests the run made
};

int request_report = -1;

void report_requests() {
    const std::size_t requests = failing_new::stop();
    [[maybe_unused]] const ssize_t n = write(request_report, &requests, sizeof requests);
}

std::string read_all(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            return text;
    }
}

// The program's main: an exception that escapes ends it with std::terminate,
// as it would end the real program.
[[noreturn]] void run_program(int argc, char** argv) noexcept {
    platform_start(argc, argv);
    host_run();
}

// Runs headtrim with one argument in dir, as a child of this process, with
// request n failing (0: none).
run_outcome run_failing(const std::string& argument, std::size_t n, const fs::path& dir) {
    int out[2], report[2];
    if (pipe(out) != 0 || pipe(report) != 0) throw std::runtime_error("pipe");
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        close(report[0]);
        request_report = report[1];
        if (chdir(dir.c_str()) != 0) _exit(120);
        std::atexit(report_requests);
        std::string program = "headtrim", copy = argument;
        char* argv[] = {program.data(), copy.data(), nullptr};
        failing_new::fail_request(n);
        run_program(2, argv);
    }
    close(out[1]);
    close(report[1]);
    run_outcome outcome{-1, read_all(out[0]), 0};
    const std::string requests = read_all(report[0]);
    close(out[0]);
    close(report[0]);
    if (requests.size() == sizeof outcome.requests)
        std::memcpy(&outcome.requests, requests.data(), sizeof outcome.requests);
    while (waitpid(child, &outcome.status, 0) < 0 && errno == EINTR) {
    }
    return outcome;
}

struct planned {
    std::string name, new_name, contents;
};

// Every planned file is there once, with its contents, under its old name or
// its new one; nothing else is there.
::testing::AssertionResult nothing_lost(const files& found, const std::vector<planned>& plan) {
    if (found.size() != plan.size())
        return ::testing::AssertionFailure() << found.size() << " files instead of " << plan.size();
    for (const auto& file : plan) {
        const auto as_old = found.find(file.name), as_new = found.find(file.new_name);
        if (!(as_old != found.end() && as_old->second == file.contents) &&
            !(as_new != found.end() && as_new->second == file.contents))
            return ::testing::AssertionFailure() << "lost " << file.name;
    }
    return ::testing::AssertionSuccess();
}

struct run_case {
    const char* what;
    std::string argument;
    std::vector<planned> plan;
    int exit_code;  // without a failing request
};

// Each run must end normally whichever request fails: with 255 when match_list
// cannot be created (the fatal rule, before any output), otherwise with 0 or 1
// after a complete report; and no file is lost or changed beyond its rename.
TEST(StorageFailure, AWholeRunEndsNormallyWhicheverRequestFails) {
    const run_case cases[] = {
        {"usage screen", "/HELP", {{"01 first long name.mp3", "01 first long name.mp3", "1"}}, 0},
        {"no files",
         "_ \"*.a-long-extension\"",
         {{"01 first long name.mp3", "01 first long name.mp3", "1"}},
         0},
        {"renames and a skip",
         "*.mp3",
         {{"01 first long name.mp3", "first long name.mp3", "1"},
          {"02 second long name.mp3", "second long name.mp3", "2"},
          {"03_no_separator_here.mp3", "03_no_separator_here.mp3", "3"}},
         0},
        {"a failed rename",
         "_ *.txt",
         {{"1_the same long name.txt", "the same long name.txt", "1"},
          {"2_the same long name.txt", "the same long name.txt", "2"}},
         1},
    };
    for (const auto& c : cases) {
        files before;
        for (const auto& file : c.plan) before[file.name] = file.contents;
        const auto fresh_dir = [&](scratch_dir& dir) {
            for (const auto& file : c.plan) write_file(dir / file.name, file.contents);
        };

        scratch_dir normal_dir;
        fresh_dir(normal_dir);
        const run_outcome normal = run_failing(c.argument, 0, normal_dir.path());
        ASSERT_TRUE(WIFEXITED(normal.status) && WEXITSTATUS(normal.status) == c.exit_code)
            << c.what << "\n"
            << normal.out;
        ASSERT_GT(normal.requests, 0u) << c.what;

        int fatal_runs = 0;
        for (std::size_t n = 1; n <= normal.requests; ++n) {
            scratch_dir dir;
            fresh_dir(dir);
            const run_outcome run = run_failing(c.argument, n, dir.path());
            const std::string where = std::string(c.what) + ", request " + std::to_string(n) +
                                      " of " + std::to_string(normal.requests);
            if (!WIFEXITED(run.status)) {
                ADD_FAILURE() << where << ": ended by signal " << WTERMSIG(run.status) << "\n"
                              << run.out;
                continue;
            }
            const int code = WEXITSTATUS(run.status);
            if (code == 255) {
                ++fatal_runs;
                EXPECT_EQ(run.out, "") << where;
                EXPECT_EQ(snapshot(dir.path()), before) << where;
                continue;
            }
            EXPECT_TRUE(code == 0 || code == 1) << where << ": exit code " << code;
            EXPECT_TRUE(run.out.size() >= 4 && run.out.substr(run.out.size() - 4) == "\r\n\r\n")
                << where << "\n"
                << run.out;
            EXPECT_TRUE(nothing_lost(snapshot(dir.path()), c.plan)) << where;
        }
        EXPECT_EQ(fatal_runs, 1) << c.what;
    }
}

}  // namespace
