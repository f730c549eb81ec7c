#include <gtest/gtest.h>

#include <string>

#include "host/error_state.h"
#include "text/text.h"

using namespace std::string_literals;

namespace {

struct mid_case {
    std::string text;
    std::int32_t start;
    std::string expected;
};

TEST(MidFrom, TakesTheRestFromAPosition) {
    const mid_case cases[] = {
        {"abc", 1, "abc"}, {"abc", 3, "c"},   {"abc", 4, ""},     {"abc", 9, ""},
        {"abc", 0, ""},    {"abc", -1, "c"},  {"abc", -3, "abc"}, {"abc", -4, ""},
        {"ab_cd", 4, "cd"}, {"ab_", 4, ""},   {"", 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mid_from(c.text, c.start, 2147483647), c.expected)
            << "'" << c.text << "' from " << c.start;
    EXPECT_EQ(mid_from("abcdef"s, 2, 3), "bcd");
    EXPECT_EQ(mid_from(u"ab_cd"s, 4, 2147483647), u"cd");
}

TEST(Concat, JoinsAndPassesEmptyOperandsThrough) {
    EXPECT_EQ(concat("ab"s, "cd"s), "abcd");
    EXPECT_EQ(concat(""s, "cd"s), "cd");
    EXPECT_EQ(concat("ab"s, ""s), "ab");
    EXPECT_EQ(concat(""s, ""s), "");
    EXPECT_EQ(concat("a\0b"s, "\0"s), "a\0b\0"s);
    EXPECT_EQ(concat("ab"s, " ==> "s, "cd"s), "ab ==> cd");
    EXPECT_EQ(concat(""s, "b"s, ""s), "b");
    EXPECT_EQ(concat("a\0"s, ""s, "\0c"s), "a\0\0c"s);
}

TEST(Equality, IsOrdinalAndWhole) {
    EXPECT_TRUE(equal_narrow("", ""));
    EXPECT_FALSE(equal_narrow("a", "A"));
    EXPECT_FALSE(equal_narrow("ab", "ab "));
    EXPECT_FALSE(equal_narrow("a\0b"s, "a\0c"s));
    EXPECT_TRUE(equal_wide(u"/?", to_wide("/?")));
    EXPECT_FALSE(equal_wide(u"HELP", to_wide("help")));
    EXPECT_TRUE(equal_wide(to_lower(u"HELP"), to_wide("help")));
}

TEST(ToLower, FoldsLettersAndKeepsTheLength) {
    EXPECT_EQ(to_lower(u"/HELP"), u"/help");
    EXPECT_EQ(to_lower(u"/Help "), u"/help ");
    EXPECT_EQ(to_lower(u""), u"");
    EXPECT_EQ(to_lower(u"/?_1"), u"/?_1");
    const std::u16string source = u"MiXeD";
    EXPECT_EQ(to_lower(source), u"mixed");
    EXPECT_EQ(source, u"MiXeD");
}

TEST(Conversion, KeepsEveryUnitIncludingNul) {
    EXPECT_EQ(to_wide(""), u"");
    EXPECT_EQ(to_narrow(u""), "");
    EXPECT_EQ(to_wide("a\0b"s), u"a\0b"s);
    EXPECT_EQ(to_narrow(u"a\0b\0"s), "a\0b\0"s);
    EXPECT_EQ(to_narrow(to_wide("01 Intro.mp3")), "01 Intro.mp3");
    EXPECT_EQ(text_length("a\0b"s), 3);
}

TEST(Conversion, ACharacterTheCodePageLacksIsSubstituted) {
    // U+4E00 exists in UTF-8 but not in a single-byte Windows code page; either
    // way the narrow form must not be empty, and a substitute never turns back
    // into a different existing character silently here.
    const std::u16string name = u"\u4E00.txt";
    const std::string narrow = to_narrow(name);
    ASSERT_FALSE(narrow.empty());
    const std::u16string back = to_wide(narrow);
    if (back != name) {
        EXPECT_NE(narrow.find('?'), std::string::npos);
    }
}

struct field_case {
    std::u16string source;
    std::u16string delimiter;
    std::int32_t index;
    std::u16string expected;
};

TEST(ParseField, SplitsAtEachDelimiter) {
    const field_case cases[] = {
        {u"_ *.mp3", u" ", 1, u"_"},
        {u"_ *.mp3", u" ", 2, u"*.mp3"},
        {u"_ *.mp3", u" ", 3, u""},
        {u"_  *.mp3", u" ", 2, u""},          // two delimiters enclose an empty field
        {u"_  *.mp3", u" ", 3, u"*.mp3"},
        {u"*.mp3", u" ", 1, u"*.mp3"},        // no delimiter: its own first field
        {u"*.mp3", u" ", 2, u""},
        {u"ab ", u" ", 2, u""},               // delimiter at the end
        {u" ab", u" ", 1, u""},               // delimiter at the start
        {u"", u" ", 1, u""},
        {u"", u" ", 2, u""},
        {u"a b", u" ", 0, u""},               // index 0 never reaches 1
        {u"a b", u" ", -1, u""},
        {u"\"my file\"", u" ", 1, u"\"my"},   // quotes do not group
        {u"\"my file\"", u" ", 2, u"file\""},
        {u"a,b c", u" ", 1, u"a,b"},          // commas do not split
        {u"aXbxc", u"x", 1, u"aXb"},          // case matters
        {u"one---two", u"--", 1, u"one"},     // occurrences never overlap
        {u"one---two", u"--", 2, u"-two"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse_field(c.source, c.delimiter, c.index), c.expected)
            << "field " << c.index << " of '" << to_narrow(c.source) << "'";
}

TEST(ParseField, NarrowFormFindsTheSeparatorByte) {
    EXPECT_EQ(parse_field("Bonus.mp3"s, "_"s, 1), "Bonus.mp3");
    EXPECT_EQ(parse_field("_x.txt"s, "_"s, 1), "");
    EXPECT_EQ(parse_field("01_Intro_2.mp3"s, "_"s, 1), "01");
    EXPECT_EQ(parse_field("a\xE9_b"s, "\xE9"s, 2), "_b");
}

struct trim_case {
    std::string text;
    std::string leading;
    std::string trailing;
};

TEST(Trim, DropsEveryRepetitionAtOneEnd) {
    const trim_case cases[] = {
        {"\"*.mp3\"", "*.mp3\"", "\"*.mp3"},
        {"\"\"*.mp3", "*.mp3", "\"\"*.mp3"},
        {"\"\"\"", "", ""},
        {"a\"b", "a\"b", "a\"b"},
        {"", "", ""},
        {"\"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trim_leading(c.text, "\""), c.leading) << c.text;
        EXPECT_EQ(trim_trailing(c.text, "\""), c.trailing) << c.text;
    }
    // A longer trim text goes only as the whole sequence.
    EXPECT_EQ(trim_leading("ababx"s, "ab"s), "x");
    EXPECT_EQ(trim_leading("bax"s, "ab"s), "bax");
    EXPECT_EQ(trim_trailing("xabab"s, "ab"s), "x");
    EXPECT_EQ(trim_leading("a"s, "ab"s), "a");
    EXPECT_EQ(trim_leading("abc"s, ""s), "abc");
}

struct number_case {
    double value;
    const char* expected;
};

TEST(FormatNumber, GroupsThousandsAndRoundsHalfToEven) {
    const number_case cases[] = {
        {10000, "10,000"}, {0, "0"},          {7, "7"},          {999, "999"},
        {1000, "1,000"},   {123456, "123,456"}, {1234567, "1,234,567"},
        {2.5, "2"},        {3.5, "4"},        {9999.5, "10,000"}, {10000.5, "10,000"},
    };
    for (const auto& c : cases) EXPECT_EQ(format_number(c.value, "0,"), c.expected) << c.value;
    EXPECT_EQ(format_number(1234, "0"), "1234");
    EXPECT_EQ(format_number(7, "000"), "007");
}

// Whole numbers past what an integer holds keep their exact digits.
TEST(FormatNumber, GivesTheExactDigitsOfLargeAndBoundaryValues) {
    const number_case cases[] = {
        {0.49999999999999994, "0"},
        {0.5, "0"},
        {-1.5, "2"},
        {4503599627370495.5, "4503599627370496"},  // the last halves below 2^52
        {4503599627370497.0, "4503599627370497"},
        {18446744073709549568.0, "18446744073709549568"},  // largest below 2^64
        {18446744073709551616.0, "18446744073709551616"},  // 2^64
        {1e23, "99999999999999991611392"},
        {1.7976931348623157e308,
         "17976931348623157081452742373170435679807056752584499659891747680315726078002853876058955"
         "86327668781715404589535143824642343213268894641827684675467035375169860499105765512820762"
         "45490090389328944075868508455133942304583236903222948165808559332123348274797826204144723"
         "168738177180919299881250404026184124858368"},
    };
    for (const auto& c : cases) EXPECT_EQ(format_number(c.value, "0"), c.expected) << c.value;
}

TEST(TextOperations, RecordNothingOnSuccess) {
    last_error = 0;
    (void)mid_from("abc"s, 2, 2147483647);
    (void)concat("a"s, "b"s);
    (void)to_lower(u"ABC");
    (void)parse_field(u"a b"s, u" "s, 2);
    (void)format_number(10000, "0,");
    EXPECT_EQ(last_error, 0);
}

}  // namespace
