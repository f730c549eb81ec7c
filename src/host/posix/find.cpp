// FindFirstFileW, FindNextFileW and FindClose on top of opendir/readdir, with
// the Windows wildcard rules and the NTFS listing order.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "host/posix/internal.h"
#include "host/posix/wildcard.h"

namespace posix_layer {

namespace {

// Plain "*" and "?" matching: greedy stars with a single backtrack point. On a
// mismatch only the most recent star takes one more unit; an earlier star never
// needs to grow, since the later one can absorb the same units. So the cost
// stays at pattern size times name size however many stars there are.
bool match_stars(std::u16string_view pattern, std::u16string_view name) {
    constexpr std::size_t none = std::u16string_view::npos;
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = none;  // position of the last "*" seen
    std::size_t resume = 0;   // where the name continues if that star grows
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || upper_unit(pattern[p]) == upper_unit(name[n]))) {
            ++p;
            ++n;
        } else if (star != none) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

bool wildcard_match(std::u16string_view pattern, std::u16string_view name) {
    if (match_stars(pattern, name)) {
        return true;
    }
    // "x.*" also stands for "x" itself: "*.*" lists names without a dot too.
    const std::size_t size = pattern.size();
    return size >= 2 && pattern[size - 2] == u'.' && pattern[size - 1] == u'*' &&
           match_stars(pattern.substr(0, size - 2), name);
}

}  // namespace posix_layer

namespace {

using posix_layer::decode_bytes;
using posix_layer::encode_units;
using posix_layer::upper_unit;

struct found_entry {
    std::u16string name;
    DWORD attributes;
};

// What a search handle points to: every match, already sorted.
struct find_search {
    std::vector<found_entry> entries;
    std::size_t next = 0;
};

DWORD attributes_of_mode(mode_t mode) {
    if (S_ISDIR(mode)) {
        return FILE_ATTRIBUTE_DIRECTORY;
    }
    if (S_ISFIFO(mode) || S_ISSOCK(mode) || S_ISCHR(mode) || S_ISBLK(mode)) {
        return FILE_ATTRIBUTE_SYSTEM;
    }
    return FILE_ATTRIBUTE_ARCHIVE;
}

// A symbolic link takes the attributes of its target; a dangling one (or one
// that cannot be followed) passes as a plain file.
DWORD attributes_of_link(int dir_fd, const char* name) {
    struct stat st;
    if (fstatat(dir_fd, name, &st, 0) != 0) {
        return FILE_ATTRIBUTE_ARCHIVE;
    }
    return attributes_of_mode(st.st_mode);
}

// Attributes of a matching entry: from d_type where the file system fills it
// in, so a plain listing costs no stat call; otherwise from lstat.
DWORD attributes_of_entry(int dir_fd, const dirent* entry) {
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    bool known = false;
#ifdef DT_UNKNOWN
    known = true;
    switch (entry->d_type) {
        case DT_DIR:
            attributes = FILE_ATTRIBUTE_DIRECTORY;
            break;
        case DT_FIFO:
        case DT_SOCK:
        case DT_CHR:
        case DT_BLK:
            attributes = FILE_ATTRIBUTE_SYSTEM;
            break;
        case DT_REG:
            attributes = FILE_ATTRIBUTE_ARCHIVE;
            break;
        case DT_LNK:
            attributes = attributes_of_link(dir_fd, entry->d_name);
            break;
        default:
            known = false;
            break;
    }
#endif
    if (!known) {
        struct stat st;
        if (fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            attributes = FILE_ATTRIBUTE_ARCHIVE;  // gone since readdir: still a name
        } else if (S_ISLNK(st.st_mode)) {
            attributes = attributes_of_link(dir_fd, entry->d_name);
        } else {
            attributes = attributes_of_mode(st.st_mode);
        }
    }
    if (entry->d_name[0] == '.') {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    return attributes;
}

// Ordinal order of the upper-cased names, as NTFS lists a directory; the raw
// names break ties so that names differing only in case keep a fixed order.
bool listed_before(const found_entry& a, const found_entry& b) {
    const auto upper_less = [](char16_t x, char16_t y) { return upper_unit(x) < upper_unit(y); };
    if (std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                     upper_less)) {
        return true;
    }
    if (std::lexicographical_compare(b.name.begin(), b.name.end(), a.name.begin(), a.name.end(),
                                     upper_less)) {
        return false;
    }
    return a.name < b.name;
}

void fill_find_data(const found_entry& entry, LPWIN32_FIND_DATAW found) {
    std::memset(found, 0, sizeof *found);
    found->dwFileAttributes = entry.attributes;
    std::copy(entry.name.begin(), entry.name.end(), found->cFileName);
    found->cFileName[entry.name.size()] = u'\0';
}

struct dir_closer {
    void operator()(DIR* dir) const {
        closedir(dir);
    }
};

}  // namespace

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW found) {
    if (pattern == nullptr || found == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    try {
        const std::u16string_view whole(pattern);
        const std::size_t slash = whole.rfind(u'/');
        const std::u16string_view name_pattern =
            slash == std::u16string_view::npos ? whole : whole.substr(slash + 1);
        const std::string dir_path = slash == std::u16string_view::npos
                                         ? std::string(".")
                                         : encode_units(whole.data(), slash + 1);

        const std::unique_ptr<DIR, dir_closer> dir(opendir(dir_path.c_str()));
        if (!dir) {
            const int err = errno;
            SetLastError(err == ENOENT ? ERROR_PATH_NOT_FOUND : posix_layer::windows_error(err));
            return INVALID_HANDLE_VALUE;
        }

        auto search = std::make_unique<find_search>();
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(dir.get());
            if (entry == nullptr) {
                if (errno != 0) {
                    posix_layer::fail_with_errno(errno);
                    return INVALID_HANDLE_VALUE;
                }
                break;
            }
            std::u16string name = decode_bytes(entry->d_name, std::strlen(entry->d_name));
            // A system name is at most 255 bytes, so this only guards cFileName.
            if (name.size() >= MAX_PATH || !posix_layer::wildcard_match(name_pattern, name)) {
                continue;
            }
            const DWORD attributes = attributes_of_entry(dirfd(dir.get()), entry);
            search->entries.push_back({std::move(name), attributes});
        }

        if (search->entries.empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        std::sort(search->entries.begin(), search->entries.end(), listed_before);
        fill_find_data(search->entries.front(), found);
        search->next = 1;
        return search.release();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
}

BOOL FindNextFileW(HANDLE search, LPWIN32_FIND_DATAW found) {
    if (search == nullptr || search == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* state = static_cast<find_search*>(search);
    if (state->next >= state->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    fill_find_data(state->entries[state->next++], found);
    return TRUE;
}

BOOL FindClose(HANDLE search) {
    if (search == nullptr || search == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete static_cast<find_search*>(search);
    return TRUE;
}
