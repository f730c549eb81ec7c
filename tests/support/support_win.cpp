#include <windows.h>

#include <stdexcept>

#include "support/support.h"

namespace test_support {

namespace {

// headtrim.exe is built next to the test programs.
std::wstring program_path() {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"headtrim.exe";
}

}  // namespace

void make_hidden(const fs::path& file) {
    if (!SetFileAttributesW(file.c_str(), GetFileAttributesW(file.c_str()) | FILE_ATTRIBUTE_HIDDEN))
        throw std::runtime_error("SetFileAttributesW hidden");
}

void make_system_entry(const fs::path& file) {
    write_file(file, "system");
    if (!SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_SYSTEM))
        throw std::runtime_error("SetFileAttributesW system");
}

fs::path native_name(const std::u16string& name) { return fs::path(name); }
std::string report_form(const std::u16string& name) { return ansi(name); }
bool names_are_bytes() { return false; }

run_result run_headtrim(const std::u16string& tail, const fs::path& dir) {
    const std::wstring program = program_path();
    std::u16string line = u"\"" + std::u16string(program.begin(), program.end()) + u"\"";
    if (!tail.empty()) line += u" " + tail;
    return run_headtrim_command_line(line, dir);
}

std::string ansi(const std::u16string& text) {
    const std::wstring wide(text.begin(), text.end());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                      0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n,
                        nullptr, nullptr);
    return bytes;
}

run_result run_headtrim_command_line(const std::u16string& command_line, const fs::path& dir) {
    const std::wstring program = program_path();
    std::wstring line(command_line.begin(), command_line.end());

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) throw std::runtime_error("CreatePipe");
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write_end;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const std::wstring directory = dir.wstring();
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        directory.c_str(), &startup, &process))
        throw std::runtime_error("CreateProcessW");
    CloseHandle(write_end);

    run_result result{{}, -1};
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &n, nullptr) && n > 0) result.out.append(buffer, n);
    CloseHandle(read_end);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exit_code = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

}  // namespace test_support
