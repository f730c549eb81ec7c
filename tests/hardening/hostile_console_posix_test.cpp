// A console that fails every write, a reader that goes away, and signals
// during the rename pass: the run still renames every file and ends as a
// normal run does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "hardening/spawn_posix.h"
#include "host/error_state.h"
#include "host/host.h"
#include "support/support.h"

namespace {

using namespace test_support;
using hardening::output;

// count files "NNNN word.txt" (name and contents alike); gives the report a
// normal run prints for them.
std::string make_files(const scratch_dir& dir, int count) {
    std::string report;
    for (int i = 0; i < count; ++i) {
        const std::string word = "track" + std::to_string(10000 + i) + ".txt";
        const std::string name = std::to_string(10000 + i) + " " + word;
        write_file(dir / name, name);
        report += name + " ==> " + word + "\r\n";
    }
    return report + "\r\n";
}

::testing::AssertionResult all_renamed(const scratch_dir& dir, int count) {
    const auto found = snapshot(dir.path());
    if (found.size() != static_cast<std::size_t>(count))
        return ::testing::AssertionFailure() << found.size() << " files instead of " << count;
    for (int i = 0; i < count; ++i) {
        const std::string name =
            std::to_string(10000 + i) + " track" + std::to_string(10000 + i) + ".txt";
        const auto it = found.find("track" + std::to_string(10000 + i) + ".txt");
        if (it == found.end() || it->second != name)
            return ::testing::AssertionFailure() << name << " was not renamed";
    }
    return ::testing::AssertionSuccess();
}

// Output that cannot be written: every write fails, yet every rename is done
// and the exit code is that of a normal run. The report is over 64 KiB, so
// that the early-closed pipe is full and the program meets the closed reader.
TEST(HostileConsole, FailingOutputStopsNoRename) {
    struct sink_case {
        const char* what;
        output out;
        std::size_t read_limit;
    };
    const sink_case cases[] = {
        {"standard output closed", output::closed, 0},
        {"a reader that stops after 20 bytes", output::pipe, 20},
        {"a full device", output::full_device, 0},
    };
    constexpr int count = 2000;
    for (const auto& c : cases) {
        scratch_dir dir;
        const std::string report = make_files(dir, count);
        ASSERT_GT(report.size(), 65536u);
        hardening::spawn_request request;
        request.arguments = {"*.txt"};
        request.dir = dir.path();
        request.out = c.out;
        request.read_limit = c.read_limit;
        const hardening::spawn_result run = hardening::spawn(request);
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0)
            << c.what << ": " << hardening::describe(run.status);
        EXPECT_EQ(run.out, report.substr(0, c.read_limit)) << c.what;
        EXPECT_TRUE(all_renamed(dir, count)) << c.what;
    }
}

// The code that each kind of failed write records, for the text and for the
// line end alike.
TEST(HostileConsole, EveryFailedWriteIsRecorded) {
    struct record_case {
        const char* what;
        output out;
        std::uint8_t code;
    };
    const record_case cases[] = {
        {"standard output closed (invalid handle)", output::closed, 51},
        {"a reader that has gone (broken pipe)", output::pipe, 75},
        {"a full device (disk full)", output::full_device, 61},
    };
    for (const auto& c : cases) {
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            close(report[0]);
            if (c.out == output::closed) {
                close(STDOUT_FILENO);
            } else if (c.out == output::pipe) {
                // A pipe made here, so that no other process holds its read
                // end: the reader is gone before the first write.
                int reader[2];
                if (pipe(reader) != 0) _exit(2);
                close(reader[0]);
                dup2(reader[1], STDOUT_FILENO);
            } else {
                const int full = open("/dev/full", O_WRONLY);
                dup2(full, STDOUT_FILENO);
            }
            signal(SIGPIPE, SIG_DFL);
            char program[] = "headtrim";
            char* argv[] = {program, nullptr};
            platform_start(1, argv);  // as at start-up: SIGPIPE ignored, closed descriptors held
            host.std_output = GetStdHandle(STD_OUTPUT_HANDLE);
            std::uint8_t codes[2];
            last_error = 0;
            print_text("01 Intro.mp3 ==> Intro.mp3");
            codes[0] = last_error;
            last_error = 0;
            print_newline();
            codes[1] = last_error;
            _exit(write(report[1], codes, sizeof codes) == sizeof codes ? 0 : 1);
        }
        close(report[1]);
        std::uint8_t codes[2] = {0, 0};
        const ssize_t got = read(report[0], codes, sizeof codes);
        close(report[0]);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << c.what << ": " << hardening::describe(status);
        ASSERT_EQ(got, 2) << c.what;
        EXPECT_EQ(codes[0], c.code) << c.what << ": print_text";
        EXPECT_EQ(codes[1], c.code) << c.what << ": print_newline";
    }
}

// Ctrl+C, Ctrl+Break and the closed terminal, again and again during a rename
// pass over several thousand files: the run goes on to its end.
TEST(Interruption, SignalsDuringTheRenamePassChangeNothing) {
    struct signal_case {
        const char* what;
        int sig;
    };
    const signal_case cases[] = {
        {"SIGINT", SIGINT},
        {"SIGQUIT", SIGQUIT},
        {"SIGHUP", SIGHUP},
    };
    constexpr int count = 4000;
    for (const auto& c : cases) {
        scratch_dir dir;
        const std::string report = make_files(dir, count);
        int sent = 0;
        hardening::spawn_request request;
        request.arguments = {"*.txt"};
        request.dir = dir.path();
        // The first output comes from the rename pass; from then on each piece
        // read brings another signal.
        request.on_output = [&](pid_t child) {
            if (kill(child, c.sig) == 0) ++sent;
        };
        const hardening::spawn_result run = hardening::spawn(request);
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0)
            << c.what << ": " << hardening::describe(run.status) << " after " << sent << " signals";
        EXPECT_GT(sent, 10) << c.what;
        EXPECT_EQ(run.out, report) << c.what;
        EXPECT_TRUE(all_renamed(dir, count)) << c.what;
    }
}

}  // namespace
