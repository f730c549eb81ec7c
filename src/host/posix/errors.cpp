// The one translation from errno values to Windows error codes; every call of
// the POSIX layer reports failures through it.
#include <cerrno>

#include "host/posix/internal.h"

namespace posix_layer {

DWORD windows_error(int err) {
    switch (err) {
        case EEXIST:
#if ENOTEMPTY != EEXIST
        case ENOTEMPTY:
#endif
            return ERROR_ALREADY_EXISTS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case EBUSY:
        case ETXTBSY:
            return ERROR_SHARING_VIOLATION;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case EPIPE:
            return ERROR_BROKEN_PIPE;
        case ENOSYS:
        case EOPNOTSUPP:
#if defined(ENOTSUP) && ENOTSUP != EOPNOTSUPP
        case ENOTSUP:
#endif
            return ERROR_NOT_SUPPORTED;
        case ELOOP:
            return ERROR_CANT_RESOLVE_FILENAME;
        default:
            // EIO and anything without a closer Windows meaning.
            return ERROR_IO_DEVICE;
    }
}

void fail_with_errno(int err) {
    SetLastError(windows_error(err));
}

}  // namespace posix_layer
