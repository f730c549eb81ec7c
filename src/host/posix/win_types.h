// headtrim's own declarations of the Windows calls it uses, for POSIX systems.
// Only what headtrim needs is here, with the meaning headtrim relies on; the
// implementations are in the other files of this folder.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#if defined(__linux__) && !defined(RENAME_NOREPLACE)
#include <sys/syscall.h>
#endif

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

typedef int BOOL;
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef unsigned int UINT;
typedef long HRESULT;
typedef char CHAR;
typedef char16_t WCHAR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* HANDLE;
typedef void* HWND;
typedef HANDLE HGLOBAL;
typedef std::uintptr_t SIZE_T;
typedef BOOL* LPBOOL;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define STD_INPUT_HANDLE (static_cast<DWORD>(-10))
#define STD_OUTPUT_HANDLE (static_cast<DWORD>(-11))
#define STD_ERROR_HANDLE (static_cast<DWORD>(-12))

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define MB_OK 0x00000000u
#define MB_TASKMODAL 0x00002000u
#define MB_SETFOREGROUND 0x00010000u

#define ENABLE_PROCESSED_OUTPUT 0x0001u
#define ENABLE_WRAP_AT_EOL_OUTPUT 0x0002u
#define STARTF_USESTDHANDLES 0x00000100u
#define TLS_OUT_OF_INDEXES (static_cast<DWORD>(0xFFFFFFFFu))
#define GMEM_ZEROINIT 0x0040u
#define GPTR GMEM_ZEROINIT
#define SEM_FAILCRITICALERRORS 0x0001u
#define SEM_NOOPENFILEERRORBOX 0x8000u
#define S_OK 0L

#define CP_ACP 0u
#define MB_PRECOMPOSED 0x00000001u

#define CTRL_C_EVENT 0u
#define CTRL_BREAK_EVENT 1u
#define CTRL_CLOSE_EVENT 2u
#define CTRL_LOGOFF_EVENT 5u
#define CTRL_SHUTDOWN_EVENT 6u

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

#define ERROR_SUCCESS 0u
#define ERROR_INVALID_FUNCTION 1u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_TOO_MANY_OPEN_FILES 4u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_OUTOFMEMORY 14u
#define ERROR_NOT_SAME_DEVICE 17u
#define ERROR_NO_MORE_FILES 18u
#define ERROR_WRITE_PROTECT 19u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_HANDLE_DISK_FULL 39u
#define ERROR_NOT_SUPPORTED 50u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_BROKEN_PIPE 109u
#define ERROR_DISK_FULL 112u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_NAME 123u
#define ERROR_DIR_NOT_EMPTY 145u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_FILENAME_EXCED_RANGE 206u
#define ERROR_NO_MORE_ITEMS 259u
#define ERROR_IO_DEVICE 1117u
#define ERROR_CANT_RESOLVE_FILENAME 1921u

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
typedef OSVERSIONINFOA* LPOSVERSIONINFOA;

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
typedef STARTUPINFOA* LPSTARTUPINFOA;

struct CONSOLE_CURSOR_INFO {
    DWORD dwSize;
    BOOL bVisible;
};

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;

typedef BOOL (*PHANDLER_ROUTINE)(DWORD ctrl_type);

// Process and console.
BOOL GetVersionExA(LPOSVERSIONINFOA info);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
HANDLE GetStdHandle(DWORD which);
void GetStartupInfoA(LPSTARTUPINFOA info);
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
BOOL SetConsoleMode(HANDLE console, DWORD mode);
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);
BOOL GetConsoleCursorInfo(HANDLE console, CONSOLE_CURSOR_INFO* info);
BOOL SetConsoleCursorInfo(HANDLE console, const CONSOLE_CURSOR_INFO* info);
LPWSTR GetCommandLineW();
[[noreturn]] void ExitProcess(UINT code);

// Thread-local storage and global memory.
DWORD TlsAlloc();
BOOL TlsSetValue(DWORD slot, LPVOID value);
LPVOID TlsGetValue(DWORD slot);
BOOL TlsFree(DWORD slot);
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL block);

// COM; nothing to set up on POSIX.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

// Error state.
UINT SetErrorMode(UINT mode);
void SetLastError(DWORD code);
DWORD GetLastError();

// Text: the ANSI code page is UTF-8, made lossless for every byte string.
int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR bytes, int byte_count, LPWSTR units,
                        int unit_capacity);
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR units, int unit_count, LPSTR bytes,
                        int byte_capacity, LPCSTR default_char, LPBOOL used_default);
DWORD CharLowerBuffW(LPWSTR units, DWORD count);

// Directory search and rename.
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW found);
BOOL FindNextFileW(HANDLE search, LPWIN32_FIND_DATAW found);
BOOL FindClose(HANDLE search);

namespace posix_layer {

// The descriptor of a handle: handles are descriptors plus one, so that
// none is null; -1 for a handle that is no descriptor.
inline int fd_of(HANDLE handle) {
    const auto value = reinterpret_cast<std::intptr_t>(handle);
    if (value <= 0 || value > 0x7FFFFFFF) return -1;
    return static_cast<int>(value - 1);
}

// WriteFile after a first write that did not take every byte: retries short
// writes and interruptions, or fails with the reason.
BOOL write_rest(HANDLE file, const char* bytes, DWORD count, ssize_t first, LPDWORD written);

}  // namespace posix_layer

// Writes every byte or fails. Inline, so that the caller's own frame makes
// the write: on some machines each return that crosses a system call is a
// mispredicted jump, and report lines are written two per file.
[[gnu::always_inline]] inline BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
                                             void*) {
    const int fd = posix_layer::fd_of(file);
    const char* bytes = static_cast<const char*>(buffer);
    const ssize_t first = fd >= 0 && count > 0 ? ::write(fd, bytes, count) : 0;
    if (first == static_cast<ssize_t>(count) && fd >= 0) {
        if (written != nullptr) *written = count;
        return TRUE;
    }
    return posix_layer::write_rest(file, bytes, count, first, written);
}

namespace posix_layer {

// Both names in the system's form (UTF-8, NUL-terminated) in the buffers, when
// both are there, not empty and shorter than MAX_PATH units, as every name
// that headtrim renames is. False, with nothing written, otherwise.
bool short_system_names(LPCWSTR existing_name, LPCWSTR new_name, char* existing_bytes,
                        char* new_bytes);
// Renames from to to unless to exists: 0, or -1 with errno set. ENOSYS where
// this system has no rename that refuses to replace.
[[gnu::always_inline]] inline int rename_no_replace(const char* from, const char* to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
#elif defined(__linux__) && defined(SYS_renameat2)
    constexpr unsigned rename_noreplace = 1u;  // RENAME_NOREPLACE of <linux/fs.h>
    return static_cast<int>(syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, rename_noreplace));
#elif defined(__APPLE__)
    return renamex_np(from, to, RENAME_EXCL);
#else
    (void)from;
    (void)to;
    errno = ENOSYS;
    return -1;
#endif
}

// MoveFileW once the no-replace rename of the two encoded names failed with
// err: the link-and-unlink fallback where the system lacks that rename, or
// the reason as the last error.
BOOL move_failed(const char* existing_name, const char* new_name, int err);
// MoveFileW in full, for the names short_system_names does not take.
BOOL move_file(LPCWSTR existing_name, LPCWSTR new_name);

}  // namespace posix_layer

// A rename that never replaces an existing name. Inline, so that the
// caller's own frame makes the rename, as for WriteFile; everything but the
// successful rename of two ordinary names is out of line.
[[gnu::always_inline]] inline BOOL MoveFileW(LPCWSTR existing_name, LPCWSTR new_name) {
    char existing_bytes[3 * MAX_PATH];
    char new_bytes[3 * MAX_PATH];
    if (posix_layer::short_system_names(existing_name, new_name, existing_bytes, new_bytes)) {
        if (posix_layer::rename_no_replace(existing_bytes, new_bytes) == 0) return TRUE;
        return posix_layer::move_failed(existing_bytes, new_bytes, errno);
    }
    return posix_layer::move_file(existing_name, new_name);
}
