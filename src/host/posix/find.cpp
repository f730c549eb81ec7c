// FindFirstFileW, FindNextFileW and FindClose on top of opendir/readdir, with
// the Windows wildcard rules and the NTFS listing order.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>

#include "host/posix/internal.h"
#include "host/posix/wildcard.h"

namespace posix_layer {

namespace {

// A unit of the pattern other than "*" against a unit of the name.
bool same_unit(char16_t pattern_unit, char16_t name_unit) {
    return pattern_unit == name_unit || pattern_unit == u'?' ||
           upper_unit(pattern_unit) == upper_unit(name_unit);
}

// Plain "*" and "?" matching: greedy stars with a single backtrack point. On a
// mismatch only the most recent star takes one more unit; an earlier star never
// needs to grow, since the later one can absorb the same units. So the cost
// stays at pattern size times name size however many stars there are.
bool match_stars(std::u16string_view pattern, std::u16string_view name) {
    constexpr std::size_t none = std::u16string_view::npos;
    // What follows the last star must match the end of the name unit for unit.
    // Checked first, from the end, it turns away most names of a large
    // directory ("*.mp3" against "x.ogg") at their last unit. With a single
    // star, that and the units before it decide the match.
    const std::size_t last_star = pattern.rfind(u'*');
    if (last_star != none) {
        const std::size_t tail = pattern.size() - last_star - 1;
        if (tail > name.size()) {
            return false;
        }
        for (std::size_t i = 1; i <= tail; ++i) {
            if (!same_unit(pattern[pattern.size() - i], name[name.size() - i])) {
                return false;
            }
        }
        if (pattern.find(u'*') == last_star) {
            if (last_star + tail > name.size()) {
                return false;
            }
            for (std::size_t i = 0; i < last_star; ++i) {
                if (!same_unit(pattern[i], name[i])) {
                    return false;
                }
            }
            return true;
        }
    }
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = none;  // position of the last "*" seen
    std::size_t resume = 0;   // where the name continues if that star grows
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && same_unit(pattern[p], name[n])) {
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

using posix_layer::decode_into;
using posix_layer::encode_units;
using posix_layer::upper_unit;

// An array of plain values in storage from realloc. It starts at a size that
// the allocator maps by itself (pages are only touched as values arrive), and
// such a block grows by having its pages remapped rather than copied. So the
// pages that a directory's matches fill are touched once: on a machine where
// a first touch of a page costs microseconds, that is most of the store's
// cost. A store that started small would be copied into fresh pages at each
// step of its growth.
template <class T>
class plain_array {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    plain_array() = default;
    plain_array(const plain_array&) = delete;
    plain_array& operator=(const plain_array&) = delete;
    ~plain_array() { std::free(data_); }

    // Appends count values; throws std::bad_alloc when storage runs out.
    void append(const T* values, std::size_t count) {
        if (count > capacity_ - size_) {
            std::size_t capacity = capacity_ == 0 ? first_bytes / sizeof(T) : capacity_;
            while (capacity - size_ < count) capacity *= 2;
            void* grown = std::realloc(data_, capacity * sizeof(T));
            if (grown == nullptr) throw std::bad_alloc();
            data_ = static_cast<T*>(grown);
            capacity_ = capacity;
        }
        std::memcpy(data_ + size_, values, count * sizeof(T));
        size_ += count;
    }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    static constexpr std::size_t first_bytes = 256 * 1024;
    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// A match: the first four units of its name upper-cased (the head of its
// sort key, which decides most comparisons without reaching the store),
// where its name lies in the search's name store, and its attributes.
struct found_entry {
    std::uint64_t head;
    std::uint32_t offset;
    std::uint16_t size : 15;   // bytes, below 3 * MAX_PATH
    std::uint16_t ascii : 1;   // every byte below 0x80: each byte is its unit
    std::uint16_t attributes;  // every attribute this layer gives fits in 16 bits
};

// What a search handle points to: every match, already sorted, with the
// names one after another in one store rather than one allocation each. The
// store keeps the bytes that the system gave, half the size of their units
// for most names; a name is decoded again when it is delivered.
struct find_search {
    plain_array<char> names;
    plain_array<found_entry> entries;
    std::size_t next = 0;

    std::string_view bytes_of(const found_entry& entry) const {
        return std::string_view(names.data() + entry.offset, entry.size);
    }
    // The name's units, decoded into units (room for MAX_PATH).
    std::u16string_view units_of(const found_entry& entry, char16_t* units) const {
        return std::u16string_view(units, decode_into(names.data() + entry.offset, entry.size, units));
    }
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

// The first four units of a name, upper-cased, the first in the highest bits
// and missing ones as 0 (which no name holds): comparing two heads as numbers
// orders them as listed_before orders the names, except where they are equal.
std::uint64_t head_of(std::u16string_view name) {
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 4; ++i)
        head = (head << 16) | (i < name.size() ? upper_unit(name[i]) : 0u);
    return head;
}

char16_t unit_value(char16_t unit) { return unit; }
char16_t unit_value(char byte) { return static_cast<unsigned char>(byte); }

// Ordinal order of the upper-cased names, as NTFS lists a directory; the raw
// names break ties so that names differing only in case keep a fixed order.
// One pass over the common part decides all but the ties; it starts at
// alike, a unit before which the names are known to be alike once
// upper-cased. Bytes below 0x80 are their own units, so an ASCII name
// compares as its bytes.
template <class Unit>
bool listed_before(std::basic_string_view<Unit> a, std::basic_string_view<Unit> b,
                   std::size_t alike) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = std::min(alike, common); i < common; ++i) {
        if (a[i] == b[i]) {
            continue;  // equal units need no case mapping
        }
        const char16_t x = upper_unit(unit_value(a[i]));
        const char16_t y = upper_unit(unit_value(b[i]));
        if (x != y) {
            return x < y;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

// Two stored matches compared by their units; out of line, so that the
// buffers cost nothing to the ASCII comparisons.
[[gnu::noinline]] bool decoded_before(const find_search& store, const found_entry& a,
                                      const found_entry& b) {
    char16_t x[MAX_PATH];
    char16_t y[MAX_PATH];
    return listed_before(store.units_of(a, x), store.units_of(b, y), 4);
}

// The order of two stored matches with equal heads, whose first four units
// (or all, in shorter names) are then alike once upper-cased. Two ASCII
// names compare as their bytes; any other pair is decoded first.
bool listed_before(const find_search& store, const found_entry& a, const found_entry& b) {
    if (a.ascii && b.ascii) return listed_before(store.bytes_of(a), store.bytes_of(b), 4);
    return decoded_before(store, a, b);
}

// True when no byte has its top bit set; eight bytes at a time.
bool is_ascii(const char* bytes, std::size_t count) {
    std::uint64_t seen = 0;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t group;
        std::memcpy(&group, bytes + i, 8);
        seen |= group;
    }
    for (; i < count; ++i) seen |= static_cast<unsigned char>(bytes[i]);
    return (seen & 0x8080808080808080u) == 0;
}

void fill_find_data(const find_search& search, const found_entry& entry, LPWIN32_FIND_DATAW found) {
    std::memset(found, 0, sizeof *found);
    found->dwFileAttributes = entry.attributes;
    found->cFileName[search.units_of(entry, found->cFileName).size()] = u'\0';
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
            // Decoded into a buffer of this frame: only a match becomes a
            // stored text, so a large directory costs no allocation per entry.
            // Three bytes give at least one unit, so a name too long for the
            // buffer has MAX_PATH units or more and is skipped below anyway.
            char16_t units[3 * MAX_PATH];
            const std::size_t bytes = std::strlen(entry->d_name);
            if (bytes >= 3 * MAX_PATH) {
                continue;
            }
            const std::u16string_view name(units, decode_into(entry->d_name, bytes, units));
            // A system name is at most 255 bytes, so this only guards cFileName.
            if (name.size() >= MAX_PATH || !posix_layer::wildcard_match(name_pattern, name)) {
                continue;
            }
            // Offsets are 32 bits: a store of 4 GB counts as storage running
            // out.
            if (search->names.size() > UINT32_MAX - 3 * MAX_PATH) throw std::bad_alloc();
            const bool ascii = is_ascii(entry->d_name, bytes);
            const found_entry found_name{head_of(name),
                                         static_cast<std::uint32_t>(search->names.size()),
                                         static_cast<std::uint16_t>(bytes), ascii,
                                         static_cast<std::uint16_t>(
                                             attributes_of_entry(dirfd(dir.get()), entry))};
            search->entries.append(&found_name, 1);
            search->names.append(entry->d_name, bytes);
        }

        if (search->entries.size() == 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        const find_search& store = *search;
        std::sort(search->entries.begin(), search->entries.end(),
                  [&store](const found_entry& a, const found_entry& b) {
                      if (a.head != b.head) return a.head < b.head;
                      return listed_before(store, a, b);
                  });
        fill_find_data(*search, search->entries[0], found);
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
    fill_find_data(*state, state->entries[state->next++], found);
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
