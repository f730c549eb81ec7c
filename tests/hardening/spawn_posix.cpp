#include "hardening/spawn_posix.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace hardening {

std::filesystem::path program_path() {
    return HEADTRIM_PATH;
}

bool nobody_ids(uid_t& uid, gid_t& gid) {
    const passwd* user = getpwnam("nobody");
    if (user == nullptr) return false;
    uid = user->pw_uid;
    gid = user->pw_gid;
    if (const group* nogroup = getgrnam("nogroup")) gid = nogroup->gr_gid;
    return true;
}

std::string describe(int status) {
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

namespace {

// In the child: the signal state a shell would give, so that only the
// program's own handling can keep a signal from ending it.
void default_signals() {
    for (int sig : {SIGINT, SIGQUIT, SIGHUP, SIGPIPE, SIGTERM}) signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
}

[[noreturn]] void run_child(const spawn_request& request, int out_write) {
    default_signals();
    if (request.out == output::pipe) {
        dup2(out_write, STDOUT_FILENO);
    } else if (request.out == output::closed) {
        close(STDOUT_FILENO);
    } else {
        const int full = open("/dev/full", O_WRONLY);
        if (full < 0) _exit(122);
        dup2(full, STDOUT_FILENO);
        close(full);
    }
    if (out_write >= 0 && out_write != STDOUT_FILENO) close(out_write);
    if (request.as_nobody && getuid() == 0) {
        uid_t uid;
        gid_t gid;
        if (!nobody_ids(uid, gid) || setgroups(0, nullptr) != 0 || setgid(gid) != 0 ||
            setuid(uid) != 0)
            _exit(123);
    }
    if (chdir(request.dir.c_str()) != 0) _exit(120);
    const std::string program = request.program.empty() ? program_path() : request.program;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : request.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(121);
}

}  // namespace

spawn_result spawn(const spawn_request& request) {
    int out[2] = {-1, -1};
    if (request.out == output::pipe && pipe(out) != 0) throw std::runtime_error("pipe");
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork");
    if (child == 0) {
        if (out[0] >= 0) close(out[0]);
        run_child(request, out[1]);
    }
    spawn_result result{-1, {}};
    if (out[0] >= 0) {
        close(out[1]);
        char buffer[512];
        while (result.out.size() < request.read_limit) {
            const std::size_t room =
                std::min(sizeof buffer, request.read_limit - result.out.size());
            const ssize_t n = read(out[0], buffer, room);
            if (n > 0) {
                result.out.append(buffer, static_cast<std::size_t>(n));
                if (request.on_output) request.on_output(child);
            } else if (n == 0 || errno != EINTR) {
                break;
            }
        }
        close(out[0]);
    }
    while (waitpid(child, &result.status, 0) < 0 && errno == EINTR) {
    }
    return result;
}

}  // namespace hardening
