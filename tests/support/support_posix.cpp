#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cfenv>
#include <stdexcept>

#include "support/support.h"

namespace test_support {

void make_hidden(const fs::path& file) {
    if (file.filename().string().front() != '.')
        throw std::logic_error("a hidden fixture must be a dot name: " + file.string());
}

void make_system_entry(const fs::path& file) {
    if (mkfifo(file.c_str(), 0644) != 0) throw std::runtime_error("mkfifo " + file.string());
}

fs::path native_name(const std::u16string& name) { return fs::path(utf8(name)); }
std::string report_form(const std::u16string& name) { return utf8(name); }
bool names_are_bytes() { return true; }

void enable_float_traps() {
#if defined(__GLIBC__)
    feenableexcept(FE_DIVBYZERO | FE_INVALID);
#endif
}

run_result run_headtrim(const std::u16string& tail, const fs::path& dir) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    const std::string argument = utf8(tail);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        if (chdir(dir.c_str()) != 0) _exit(120);
        const char* program = HEADTRIM_PATH;
        if (tail.empty())
            execl(program, program, static_cast<char*>(nullptr));
        else
            execl(program, program, argument.c_str(), static_cast<char*>(nullptr));
        _exit(121);
    }
    close(out[1]);
    run_result result{{}, -1};
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n > 0) {
            result.out.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(out[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace test_support
