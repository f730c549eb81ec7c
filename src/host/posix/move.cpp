// MoveFileW: a rename that never replaces an existing name. The system call
// that refuses to replace differs per platform; where the file system cannot
// refuse, a hard link (which never replaces) and an unlink do the move.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>

#include "host/posix/internal.h"

namespace {

// A link and an unlink in place of the rename. Returns 0 or an errno value.
int move_by_link(const char* from, const char* to) {
    if (linkat(AT_FDCWD, from, AT_FDCWD, to, 0) != 0) {
        const int err = errno;
        // No hard links on this file system (or for this kind of entry): refuse
        // rather than fall back to a rename that could replace the target.
        if (err == EPERM || err == EOPNOTSUPP || err == ENOTSUP) {
            return EACCES;
        }
        return err;
    }
    if (unlink(from) != 0) {
        const int err = errno;
        unlink(to);
        return err;
    }
    return 0;
}

// Everything up to and including the last "/", or "." for a bare name.
std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// ENOENT covers both a missing name and a missing directory, which Windows
// tells apart as ERROR_FILE_NOT_FOUND and ERROR_PATH_NOT_FOUND.
DWORD missing_entry_error(const std::string& from, const std::string& to) {
    if (!exists(directory_of(from))) {
        return ERROR_PATH_NOT_FOUND;
    }
    struct stat st;
    if (lstat(from.c_str(), &st) != 0 && errno == ENOENT) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (!exists(directory_of(to))) {
        return ERROR_PATH_NOT_FOUND;
    }
    return ERROR_FILE_NOT_FOUND;
}

// The name as the system takes it: UTF-8, NUL-terminated. A name shorter
// than MAX_PATH units goes into the caller's buffer; only a longer one takes
// allocated storage.
const char* system_name(std::u16string_view units, char (&buffer)[3 * MAX_PATH],
                        std::string& storage) {
    if (units.size() < MAX_PATH) {
        *posix_layer::encode_into(units.data(), units.size(), buffer) = '\0';
        return buffer;
    }
    storage = posix_layer::encode_units(units.data(), units.size());
    return storage.c_str();
}

}  // namespace

namespace posix_layer {

bool short_system_names(LPCWSTR existing_name, LPCWSTR new_name, char* existing_bytes,
                        char* new_bytes) {
    if (existing_name == nullptr || new_name == nullptr) return false;
    const std::u16string_view from(existing_name);
    const std::u16string_view to(new_name);
    if (from.empty() || to.empty() || from.size() >= MAX_PATH || to.size() >= MAX_PATH) return false;
    *encode_into(from.data(), from.size(), existing_bytes) = '\0';
    *encode_into(to.data(), to.size(), new_bytes) = '\0';
    return true;
}

BOOL move_failed(const char* existing_name, const char* new_name, int err) {
    // The kernel or the file system does not know the no-replace flag.
    if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == ENOTSUP) {
        err = move_by_link(existing_name, new_name);
        if (err == 0) return TRUE;
    }
    try {
        SetLastError(err == ENOENT ? missing_entry_error(existing_name, new_name)
                                   : windows_error(err));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return FALSE;
}

BOOL move_file(LPCWSTR existing_name, LPCWSTR new_name) {
    if (existing_name == nullptr || new_name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (existing_name[0] == u'\0' || new_name[0] == u'\0') {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    try {
        char from_buffer[3 * MAX_PATH];
        char to_buffer[3 * MAX_PATH];
        std::string from_storage;
        std::string to_storage;
        const char* from = system_name(existing_name, from_buffer, from_storage);
        const char* to = system_name(new_name, to_buffer, to_storage);
        if (posix_layer::rename_no_replace(from, to) == 0) return TRUE;
        return move_failed(from, to, errno);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

}  // namespace posix_layer
