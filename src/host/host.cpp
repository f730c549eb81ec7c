#include "host/host.h"

#include <new>

#include "host/error_state.h"
#include "tool/tool.h"

host_state host = {nullptr, nullptr, nullptr, nullptr, nullptr, 0, TLS_OUT_OF_INDEXES};

namespace {

// Ctrl+C, Ctrl+Break and closing the console never interrupt a run.
BOOL WINAPI console_control(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT;
}

void check_platform() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    GetVersionExA(&version);
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        MessageBoxA(nullptr, "Win98 No Support", nullptr,
                    MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
        ExitProcess(255);
    }
}

void set_up_console() {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    host.std_error = error;
    host.std_input = input;
    host.std_output = output;

    DWORD mode = 0;
    host.console_output = GetConsoleMode(output, &mode) ? output : error;
    SetConsoleMode(host.console_output, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
    SetConsoleMode(input, 0);
    SetConsoleCtrlHandler(console_control, TRUE);

    CONSOLE_CURSOR_INFO cursor{};
    if (!GetConsoleCursorInfo(host.console_output, &cursor) || cursor.dwSize == 0) {
        cursor = {};
        if (!GetConsoleCursorInfo(output, &cursor) || cursor.dwSize == 0) {
            cursor.dwSize = 10;
            cursor.bVisible = TRUE;
            SetConsoleCursorInfo(host.console_output, &cursor);
        }
    }
}

void take_startup_handles() {
    STARTUPINFOA startup{};
    startup.cb = sizeof(STARTUPINFOA);
    startup.dwFlags = 0;
    GetStartupInfoA(&startup);
    if (startup.dwFlags & STARTF_USESTDHANDLES) {
        host.std_input = startup.hStdInput;
        host.std_output = startup.hStdOutput;
        host.std_error = startup.hStdError;
    }
}

}  // namespace

bool create_thread_record() {
    if (host.thread_slot == TLS_OUT_OF_INDEXES) {
        host.thread_slot = TlsAlloc();
        if (host.thread_slot == TLS_OUT_OF_INDEXES) return false;
    }
    auto* record = static_cast<thread_record*>(GlobalAlloc(GPTR, sizeof(thread_record)));
    if (record == nullptr) return false;
    record->code_page = CP_ACP;
    TlsSetValue(host.thread_slot, record);
    return true;
}

void release_thread_record() {
    thread_record* record = current_thread_record();
    if (record != nullptr) {
        if (record->search.handle != nullptr) FindClose(record->search.handle);
        GlobalFree(record);
    }
    if (host.thread_slot != TLS_OUT_OF_INDEXES) {
        TlsSetValue(host.thread_slot, nullptr);
        TlsFree(host.thread_slot);
        host.thread_slot = TLS_OUT_OF_INDEXES;
    }
}

thread_record* current_thread_record() {
    if (host.thread_slot == TLS_OUT_OF_INDEXES) return nullptr;
    return static_cast<thread_record*>(TlsGetValue(host.thread_slot));
}

std::size_t skip_program_name(const char16_t* line) {
    std::size_t i = 0;
    if (line == nullptr || line[0] == 0) return 0;
    if (line[0] == u'"') {
        i = 1;
        while (line[i] != 0 && line[i] != u'"') ++i;
        if (line[i] == 0) return i;  // no closing quote: the tail is empty
        ++i;
    } else if (line[0] != u' ') {
        while (line[i] > u' ') ++i;
        if (line[i] != u' ') return i;  // NUL, TAB or another control unit
    }
    while (line[i] == u' ') ++i;
    return i;
}

std::u16string command_tail() {
    if (host.command_line == nullptr) return {};
    try {
        return std::u16string(u16_ptr(host.command_line) + host.tail_start);
    } catch (const std::bad_alloc&) {
        record_error(7);
        return {};
    }
}

void host_run() {
    check_platform();
    set_up_console();
    take_startup_handles();
    host.command_line = GetCommandLineW();
    host.tail_start = skip_program_name(u16_ptr(host.command_line));
    if (!create_thread_record()) ExitProcess(255);
    CoInitialize(nullptr);
    set_float_environment();

    const int result = tool_main();

    release_thread_record();
    CoUninitialize();
    ExitProcess(static_cast<UINT>(result));
}
