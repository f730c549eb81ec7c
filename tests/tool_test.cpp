#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "text/text.h"
#include "tool/tool.h"

namespace {

struct argument_case {
    std::u16string tail;
    std::string separator;
    std::string filespec;  // after quote trimming; unused when usage
    bool usage;
};

TEST(InterpretArguments, SeparatorAndPatternFromTheTail) {
    const argument_case cases[] = {
        {u"_ *.mp3", "_", "*.mp3", false},
        {u"*.mp3", " ", "*.mp3", false},
        {u"a", "a", "", true},
        {u"*", "*", "", true},
        {u"_  *.mp3", "_", "", true},
        {u"_ *.mp3 extra", "_", "*.mp3", false},
        {u"ab *.mp3", " ", "ab", false},
        {u"\"*.mp3\"", " ", "*.mp3", false},
        {u"_ \"*.mp3\"", "_", "*.mp3", false},
        {u"\"a\"", " ", "a", false},
        {u"\"my file*.txt\"", " ", "my", false},
        {u"\"\"", " ", "", false},
        {u"\"_\" *.mp3", " ", "_", false},
        {u"\" *.mp3", "\"", "*.mp3", false},
        {u"_ *.mp3 ", "_", "*.mp3", false},
        {u"/? ", " ", "/?", false},
        {u"? *.mp3", "?", "*.mp3", false},
        {u"", " ", "", true},
    };
    for (const auto& c : cases) {
        const arguments args = interpret_arguments(c.tail);
        const std::string shown = to_narrow(c.tail);
        EXPECT_EQ(args.usage, c.usage) << "tail '" << shown << "'";
        EXPECT_EQ(args.separator, c.separator) << "tail '" << shown << "'";
        if (!c.usage) {
            EXPECT_EQ(args.filespec, c.filespec) << "tail '" << shown << "'";
            EXPECT_EQ(to_narrow(args.search_spec), c.filespec) << "tail '" << shown << "'";
            EXPECT_EQ(to_narrow(args.wide_separator), c.separator) << "tail '" << shown << "'";
        }
    }
}

TEST(InterpretArguments, SearchUsesThePatternAsTyped) {
    // The wide pattern goes to the search untouched by the code page; only the
    // narrow form is for messages.
    const arguments args = interpret_arguments(u"_ \"\u041F\u0451\u0442\u0440*.txt\"");
    EXPECT_EQ(args.search_spec, u"\u041F\u0451\u0442\u0440*.txt");
    EXPECT_EQ(args.separator, "_");
}

TEST(HelpTest, RecognisesExactlyTheHelpWords) {
    const std::pair<std::u16string, bool> cases[] = {
        {u"", true},       {u"/?", true},     {u"?", true},      {u"help", true},
        {u"HELP", true},   {u"Help", true},   {u"/h", true},     {u"/H", true},
        {u"/help", true},  {u"/HELP", true},  {u"/hElP", true},  {u"-h", false},
        {u"-?", false},    {u"--help", false}, {u"help me", false}, {u"? *.mp3", false},
        {u"/? ", false},   {u" /?", false},   {u"/help\t", false},
    };
    const host_state saved = host;
    for (const auto& [tail, expected] : cases) {
        const std::u16string line = u"\"headtrim\" " + tail;
        host.command_line = wide_ptr(line.c_str());
        host.tail_start = 11;
        EXPECT_EQ(is_help_request(), expected) << "tail '" << to_narrow(tail) << "'";
    }
    host = saved;
}

}  // namespace
