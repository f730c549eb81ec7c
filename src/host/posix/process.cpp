// Process, console, error state, thread-local storage and memory calls of the
// POSIX layer.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "host/platform.h"
#include "host/posix/internal.h"

namespace {

thread_local DWORD thread_last_error = 0;
UINT process_error_mode = 0;

// The command line, rebuilt from argv: argv[0] in double quotes, then every
// further argument after one space. NUL-terminated.
std::u16string command_line = u"\"headtrim\"";

// Standard descriptors that were closed when the process started. They hold a
// read-only placeholder so that no file opened later lands on them, and their
// handles fail every write.
bool std_fd_closed[3] = {false, false, false};

PHANDLER_ROUTINE ctrl_handler = nullptr;

// Handles of descriptors are the descriptor plus one, so that none is null.
HANDLE handle_of(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd) + 1);
}

using posix_layer::fd_of;

bool is_terminal(HANDLE h) {
    const int fd = fd_of(h);
    return fd >= 0 && isatty(fd) == 1;
}

DWORD ctrl_event_of(int sig) {
    switch (sig) {
        case SIGINT: return CTRL_C_EVENT;
        case SIGQUIT: return CTRL_BREAK_EVENT;
        default: return CTRL_CLOSE_EVENT;  // SIGHUP: the terminal went away
    }
}

// Gives the signal to the registered handler; one that is not handled takes
// its default action, as an unhandled console event ends a Windows process.
void on_ctrl_signal(int sig) {
    const int saved = errno;
    const PHANDLER_ROUTINE handler = ctrl_handler;
    if (handler == nullptr || !handler(ctrl_event_of(sig))) {
        signal(sig, SIG_DFL);
        raise(sig);
    }
    errno = saved;
}

}  // namespace

void platform_start(int argc, char** argv) {
    // A closed reader of our output must show up as a failed write, never as
    // a killed process.
    signal(SIGPIPE, SIG_IGN);

    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            std_fd_closed[fd] = true;
            const int placeholder = open("/dev/null", O_RDONLY);
            if (placeholder >= 0 && placeholder != fd) {
                dup2(placeholder, fd);
                close(placeholder);
            }
        }
    }

    // Without storage for it the command line stays the bare program name, so
    // the tail is empty, as after a failed copy of the tail.
    try {
        std::string line = "\"";
        line += (argc > 0 && argv[0] != nullptr) ? argv[0] : "headtrim";
        line += '"';
        for (int i = 1; i < argc; ++i) {
            line += ' ';
            line += argv[i];
        }
        command_line = posix_layer::decode_bytes(line.data(), line.size());
    } catch (const std::bad_alloc&) {
    }
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(reinterpret_cast<char*>(info) + sizeof(DWORD), 0,
                sizeof(OSVERSIONINFOA) - sizeof(DWORD));
    info->dwMajorVersion = 10;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR, UINT) {
    if (text != nullptr) {
        std::string line = text;
        line += '\n';
        [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, line.data(), line.size());
    }
    return 1;  // IDOK
}

HANDLE GetStdHandle(DWORD which) {
    int fd;
    if (which == STD_INPUT_HANDLE)
        fd = STDIN_FILENO;
    else if (which == STD_OUTPUT_HANDLE)
        fd = STDOUT_FILENO;
    else if (which == STD_ERROR_HANDLE)
        fd = STDERR_FILENO;
    else {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }
    return std_fd_closed[fd] ? nullptr : handle_of(fd);
}

void GetStartupInfoA(LPSTARTUPINFOA info) {
    const DWORD size = info->cb;
    std::memset(info, 0, sizeof(STARTUPINFOA));
    info->cb = size;
}

// Console calls succeed on a terminal and fail harmlessly elsewhere. They
// change no terminal setting: headtrim reads no input and must leave the
// user's terminal as it found it.
BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
    if (!is_terminal(console)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (mode != nullptr) *mode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
    return TRUE;
}

BOOL SetConsoleMode(HANDLE console, DWORD) {
    if (!is_terminal(console)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL GetConsoleCursorInfo(HANDLE console, CONSOLE_CURSOR_INFO* info) {
    if (!is_terminal(console) || info == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    info->dwSize = 25;
    info->bVisible = TRUE;
    return TRUE;
}

BOOL SetConsoleCursorInfo(HANDLE console, const CONSOLE_CURSOR_INFO* info) {
    if (!is_terminal(console) || info == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

// Ctrl+C, Ctrl+Break and the close event are SIGINT, SIGQUIT and SIGHUP here.
// Interrupted system calls restart, so a swallowed signal changes nothing.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (add) {
        ctrl_handler = handler;
        action.sa_handler = on_ctrl_signal;
    } else {
        ctrl_handler = nullptr;
        action.sa_handler = SIG_DFL;
    }
    for (int sig : {SIGINT, SIGQUIT, SIGHUP}) sigaction(sig, &action, nullptr);
    return TRUE;
}

LPWSTR GetCommandLineW() { return command_line.data(); }

namespace posix_layer {

BOOL write_rest(HANDLE file, const char* bytes, DWORD count, ssize_t first, LPDWORD written) {
    if (written != nullptr) *written = 0;
    const int fd = fd_of(file);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD done = 0;
    ssize_t n = first;
    while (done < count) {
        if (n < 0) {
            if (errno != EINTR) {
                fail_with_errno(errno);
                if (written != nullptr) *written = done;
                return FALSE;
            }
        } else {
            done += static_cast<DWORD>(n);
            if (done == count) break;
        }
        n = write(fd, bytes + done, count - done);
    }
    if (written != nullptr) *written = done;
    return TRUE;
}

}  // namespace posix_layer

// Ends the process the way a normal exit does, so that leak checkers still
// run; headtrim buffers nothing, so there is nothing to flush.
void ExitProcess(UINT code) { std::exit(static_cast<int>(code & 0xFF)); }

// Thread-local storage: 64 slots (Windows' TLS_MINIMUM_AVAILABLE) per thread
// in a thread_local table, so that reading a slot is a load rather than a
// library call. Every allocation of a slot starts a new generation, and a
// value stored under an older one reads as null: a slot freed and allocated
// again starts null in every thread, as on Windows.
namespace {

constexpr DWORD tls_slots = 64;
std::atomic<std::uint64_t> tls_in_use{0};
std::atomic<std::uint32_t> tls_generation[tls_slots] = {};

struct tls_value {
    LPVOID value;
    std::uint32_t generation;
};
thread_local tls_value tls_values[tls_slots] = {};

bool tls_allocated(DWORD slot) {
    return slot < tls_slots && ((tls_in_use.load(std::memory_order_acquire) >> slot) & 1) != 0;
}

}  // namespace

DWORD TlsAlloc() {
    std::uint64_t used = tls_in_use.load();
    for (;;) {
        if (used == ~std::uint64_t{0}) {
            SetLastError(ERROR_NO_MORE_ITEMS);
            return TLS_OUT_OF_INDEXES;
        }
        const DWORD slot = static_cast<DWORD>(std::countr_one(used));
        if (tls_in_use.compare_exchange_weak(used, used | (std::uint64_t{1} << slot))) {
            tls_generation[slot].fetch_add(1);
            return slot;
        }
    }
}

BOOL TlsSetValue(DWORD slot, LPVOID value) {
    if (!tls_allocated(slot)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    tls_values[slot] = {value, tls_generation[slot].load(std::memory_order_relaxed)};
    return TRUE;
}

LPVOID TlsGetValue(DWORD slot) {
    if (slot >= tls_slots) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    const tls_value& stored = tls_values[slot];
    return stored.generation == tls_generation[slot].load(std::memory_order_relaxed) ? stored.value
                                                                                     : nullptr;
}

BOOL TlsFree(DWORD slot) {
    if (!tls_allocated(slot)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    tls_in_use.fetch_and(~(std::uint64_t{1} << slot));
    return TRUE;
}

HGLOBAL GlobalAlloc(UINT, SIZE_T bytes) {
    void* block = std::calloc(1, bytes == 0 ? 1 : bytes);
    if (block == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

HGLOBAL GlobalFree(HGLOBAL block) {
    std::free(block);
    return nullptr;
}

HRESULT CoInitialize(LPVOID) { return S_OK; }
void CoUninitialize() {}

UINT SetErrorMode(UINT mode) {
    const UINT previous = process_error_mode;
    process_error_mode = mode;
    return previous;
}

void SetLastError(DWORD code) { thread_last_error = code; }
DWORD GetLastError() { return thread_last_error; }
