// The POSIX code page: UTF-8 that loses no byte string.
#include <gtest/gtest.h>

#include <string>

#include "host/platform.h"
#include "text/text.h"

namespace {

using namespace std::string_literals;

TEST(PosixCodePage, EveryByteStringSurvivesTheRoundTrip) {
    const std::string samples[] = {
        "01 Intro.mp3",
        "P\xC3\xA9tr.txt"s,               // valid UTF-8
        "\xFF\xFE name"s,                 // bytes that are never UTF-8
        "\xC3"s,                          // a sequence cut short
        "\xE0\x80\xAF"s,                  // an overlong form
        "\xED\xA0\x80"s,                  // an encoded surrogate
        "\xF4\x90\x80\x80"s,              // above U+10FFFF
        "a\0b"s,                          // an embedded NUL
        "\xF0\x9F\x8E\xB5 song.mp3"s,     // outside the BMP: a surrogate pair
        "\xC3\xC3\xA9"s,                  // a stray lead byte before a valid pair
    };
    for (const std::string& bytes : samples)
        EXPECT_EQ(to_narrow(to_wide(bytes)), bytes) << testing::PrintToString(bytes);
    std::string every_byte;
    for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
    EXPECT_EQ(to_narrow(to_wide(every_byte)), every_byte);
}

TEST(PosixCodePage, DecodesValidUtf8AndEscapesTheRest) {
    EXPECT_EQ(to_wide("P\xC3\xA9tr"s), u"P\u00E9tr");
    EXPECT_EQ(to_wide("\xF0\x9F\x8E\xB5"s), u"\U0001F3B5");
    EXPECT_EQ(to_wide("\xFF"s), u"\xDCFF");
    EXPECT_EQ(to_wide("\xC3x"s), u"\xDCC3x");
    EXPECT_EQ(to_narrow(u"\xD800x"), "?x");  // a lone surrogate has no byte form
}

// ASCII is copied in groups; a non-ASCII character at any place, inside a
// group or just after one, must end the group there and convert as it would
// alone.
TEST(PosixCodePage, NonAsciiAtEveryPlaceOfALongName) {
    struct insert {
        std::string bytes;
        std::u16string units;
    };
    const insert inserts[] = {
        {"\xC3\xA9"s, u"\u00E9"},
        {"\xFF"s, u"\xDCFF"},
        {"\xF0\x9F\x8E\xB5"s, u"\U0001F3B5"},
    };
    const std::string ascii = "0123456789 song.mp3x";
    const std::u16string ascii_wide = u"0123456789 song.mp3x";
    for (const insert& c : inserts) {
        for (std::size_t at = 0; at <= ascii.size(); ++at) {
            const std::string bytes = ascii.substr(0, at) + c.bytes + ascii.substr(at);
            const std::u16string units = ascii_wide.substr(0, at) + c.units + ascii_wide.substr(at);
            EXPECT_EQ(to_wide(bytes), units) << testing::PrintToString(bytes);
            EXPECT_EQ(to_narrow(units), bytes) << testing::PrintToString(bytes);
        }
    }
}

TEST(PosixCodePage, ConversionCallsFollowTheWindowsContract) {
    const char bytes[] = "a\xC3\xA9";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes, 3, nullptr, 0), 2);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes, -1, nullptr, 0), 3);  // with NUL
    WCHAR one[1];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes, 3, one, 1), 0);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes, 0, nullptr, 0), 0);

    const WCHAR units[] = {u'a', 0xE9, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, units, 2, nullptr, 0, nullptr, nullptr), 3);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, units, -1, nullptr, 0, nullptr, nullptr), 4);
    char out[3];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, units, 2, out, 3, nullptr, nullptr), 3);
    EXPECT_EQ(std::string(out, 3), "a\xC3\xA9"s);
}

}  // namespace
