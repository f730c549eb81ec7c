// The ANSI code page of the POSIX layer: UTF-8, made lossless. Every byte
// string converts to UTF-16 and back unchanged, so any file name survives the
// round trip through wide text.
#include <climits>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/posix/internal.h"

namespace posix_layer {
namespace {

constexpr char16_t escape_base = 0xDC00;

// Length of the well-formed UTF-8 sequence at p (at most n bytes), and its
// code point; 0 when the bytes there do not form one.
std::size_t utf8_sequence(const unsigned char* p, std::size_t n, char32_t& cp) {
    const unsigned char b = p[0];
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;       // no overlong forms
        if (b == 0xED) hi = 0x9F;       // no encoded surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
        if (b == 0xF0) lo = 0x90;       // no overlong forms
        if (b == 0xF4) hi = 0x8F;       // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (n < len) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        const unsigned char c = p[i];
        if (c < lo || c > hi) return 0;
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (c & 0x3F);
    }
    return len;
}

// Where decode and encode put what they make: into storage, or nowhere but a
// count. The caller gets the writer back, so its position or count stays in a
// register while the loop runs.
template <class Unit>
struct unit_writer {
    Unit* at;
    void operator()(Unit u) { *at++ = u; }
};

struct unit_counter {
    std::size_t count = 0;
    template <class Unit>
    void operator()(Unit) {
        ++count;
    }
};

// Writes into storage of a given size and notes when more would not fit.
template <class Unit>
struct bounded_writer {
    Unit* at;
    Unit* end;
    bool overflow = false;
    void operator()(Unit u) {
        if (at == end) {
            overflow = true;
        } else {
            *at++ = u;
        }
    }
};

// Runs of ASCII, eight bytes or four units at a time, for the writers into
// storage: one test per group instead of one per unit. Each returns how many
// it copied, stopping before the group that holds a non-ASCII unit.
std::size_t copy_ascii_bytes(const unsigned char* p, std::size_t count, char16_t* out) {
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t group;
        std::memcpy(&group, p + i, 8);
        if (group & 0x8080808080808080u) break;
        for (std::size_t k = 0; k < 8; ++k) out[i + k] = p[i + k];
    }
    return i;
}

std::size_t copy_ascii_units(const char16_t* units, std::size_t count, char* out) {
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        std::uint64_t group;
        std::memcpy(&group, units + i, 8);
        if (group & 0xFF80FF80FF80FF80u) break;
        for (std::size_t k = 0; k < 4; ++k) out[i + k] = static_cast<char>(units[i + k]);
    }
    return i;
}

// Walks the bytes and hands each resulting UTF-16 unit to out.
template <class Out>
Out decode(const char* bytes, std::size_t count, Out out) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    if constexpr (std::is_same_v<Out, unit_writer<char16_t>>) {
        i = copy_ascii_bytes(p, count, out.at);
        out.at += i;
    }
    while (i < count) {
        while (p[i] < 0x80) {  // most names are ASCII: one test each
            out(static_cast<char16_t>(p[i]));
            if (++i == count) return out;
        }
        char32_t cp;
        const std::size_t len = utf8_sequence(p + i, count - i, cp);
        if (len == 0) {
            out(static_cast<char16_t>(escape_base + p[i]));
            ++i;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
            i += len;
        } else {
            out(static_cast<char16_t>(cp));
            i += len;
        }
    }
    return out;
}

// Walks the units and hands each resulting byte to out.
template <class Out>
Out encode(const char16_t* units, std::size_t count, Out out) {
    std::size_t start = 0;
    if constexpr (std::is_same_v<Out, unit_writer<char>>) {
        start = copy_ascii_units(units, count, out.at);
        out.at += start;
    }
    for (std::size_t i = start; i < count; ++i) {
        while (units[i] < 0x80) {  // most names are ASCII: one test each
            out(static_cast<char>(units[i]));
            if (++i == count) return out;
        }
        char32_t cp = units[i];
        if (cp >= 0xDC80 && cp <= 0xDCFF) {
            out(static_cast<char>(cp - escape_base));
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            out('?');
            continue;
        }
        if (cp < 0x800) {
            out(static_cast<char>(0xC0 | (cp >> 6)));
            out(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out(static_cast<char>(0xE0 | (cp >> 12)));
            out(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out(static_cast<char>(0xF0 | (cp >> 18)));
            out(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace

std::size_t decode_into(const char* bytes, std::size_t count, char16_t* units) {
    return static_cast<std::size_t>(decode(bytes, count, unit_writer<char16_t>{units}).at - units);
}

// Written into storage of the largest size the result can take, then cut to
// the size it took: one allocation, no per-unit growth checks.
std::u16string decode_bytes(const char* bytes, std::size_t count) {
    std::u16string units(count, u'\0');  // a byte gives at most one unit
    units.resize(decode_into(bytes, count, units.data()));
    return units;
}

char* encode_into(const char16_t* units, std::size_t count, char* bytes) {
    return encode(units, count, unit_writer<char>{bytes}).at;
}

std::string encode_units(const char16_t* units, std::size_t count) {
    std::string bytes(count * 3, '\0');  // a unit gives at most three bytes
    bytes.resize(static_cast<std::size_t>(encode(units, count, unit_writer<char>{bytes.data()}).at -
                                          bytes.data()));
    return bytes;
}

}  // namespace posix_layer

using posix_layer::escape_base;

// Both conversions follow the Windows contract: a count of -1 means "up to and
// including the NUL", a capacity of 0 asks for the size, a short buffer fails
// with ERROR_INSUFFICIENT_BUFFER, and nothing is terminated unless the input
// holds the terminator.
int MultiByteToWideChar(UINT, DWORD, LPCSTR bytes, int byte_count, LPWSTR units,
                        int unit_capacity) {
    if (bytes == nullptr || byte_count == 0 || byte_count < -1 || unit_capacity < 0 ||
        (unit_capacity > 0 && units == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t n = byte_count == -1 ? std::strlen(bytes) + 1 : std::size_t(byte_count);
    const std::size_t needed = posix_layer::decode(bytes, n, posix_layer::unit_counter{}).count;
    if (needed > std::size_t(INT_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (unit_capacity == 0) return static_cast<int>(needed);
    if (needed > std::size_t(unit_capacity)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    posix_layer::decode(bytes, n, posix_layer::unit_writer<char16_t>{units});
    return static_cast<int>(needed);
}

int WideCharToMultiByte(UINT, DWORD, LPCWSTR units, int unit_count, LPSTR bytes,
                        int byte_capacity, LPCSTR, LPBOOL used_default) {
    if (units == nullptr || unit_count == 0 || unit_count < -1 || byte_capacity < 0 ||
        (byte_capacity > 0 && bytes == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t n = 0;
    if (unit_count == -1) {
        while (units[n] != 0) ++n;
        ++n;
    } else {
        n = std::size_t(unit_count);
    }
    if (used_default != nullptr) {
        bool defaulted = false;
        for (std::size_t i = 0; i < n; ++i) {
            const char16_t u = units[i];
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && units[i + 1] >= 0xDC00 &&
                units[i + 1] <= 0xDFFF) {
                ++i;
            } else if (u >= 0xD800 && u <= 0xDFFF && !(u >= escape_base + 0x80 && u <= 0xDCFF)) {
                defaulted = true;
            }
        }
        *used_default = defaulted ? TRUE : FALSE;
    }
    if (byte_capacity == 0) {
        const std::size_t needed = posix_layer::encode(units, n, posix_layer::unit_counter{}).count;
        if (needed > std::size_t(INT_MAX)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        return static_cast<int>(needed);
    }
    // Straight into the buffer, in one pass. A buffer with room for the
    // longest result needs no check per byte; a buffer found short fails.
    if (n <= std::size_t(byte_capacity) / 3)
        return static_cast<int>(
            posix_layer::encode(units, n, posix_layer::unit_writer<char>{bytes}).at - bytes);
    const auto written = posix_layer::encode(
        units, n, posix_layer::bounded_writer<char>{bytes, bytes + byte_capacity});
    if (written.overflow) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return static_cast<int>(written.at - bytes);
}

DWORD CharLowerBuffW(LPWSTR units, DWORD count) {
    if (units == nullptr) return 0;
    for (DWORD i = 0; i < count; ++i) units[i] = posix_layer::lower_unit(units[i]);
    return count;
}
