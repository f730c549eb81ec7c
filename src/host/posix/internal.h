// Shared pieces of the POSIX layer: the one errno translation table, the
// lossless UTF-8 codec used for every name that crosses to the system, and the
// case mapping used by CharLowerBuffW and the directory search.
#pragma once

#include <cstddef>
#include <string>

#include "host/posix/win_types.h"

namespace posix_layer {

// The Windows error code that stands for an errno value.
DWORD windows_error(int err);

// SetLastError(windows_error(err)).
void fail_with_errno(int err);

// UTF-8 to UTF-16. A byte that is not part of a well-formed UTF-8 sequence
// becomes the unit U+DC00 + byte (U+DC80..U+DCFF), so no byte string is lost.
std::u16string decode_bytes(const char* bytes, std::size_t count);
// The same into the caller's storage, which must hold count units (a byte
// never gives more than one); returns the number of units written.
std::size_t decode_into(const char* bytes, std::size_t count, char16_t* units);

// UTF-16 to UTF-8, the inverse of decode_bytes: U+DC80..U+DCFF turn back into
// the byte they stand for. Any other unpaired surrogate has no byte form and
// becomes "?", as the Windows default character does.
std::string encode_units(const char16_t* units, std::size_t count);
// The same into the caller's storage, which must hold 3 * count bytes (a unit
// never gives more than three); returns the end of what was written.
char* encode_into(const char16_t* units, std::size_t count, char* bytes);

// Simple one-to-one case mapping of a UTF-16 unit: ASCII, Latin-1, Greek and
// Cyrillic letters. Every other unit maps to itself. Inline: the directory
// search maps every unit of every name it matches and sorts.
inline char16_t lower_unit(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    return c;
}

inline char16_t upper_unit(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F))
        return static_cast<char16_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
    return c;
}

}  // namespace posix_layer
