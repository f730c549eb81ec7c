// End-to-end runs that only Windows can make: exact command lines, and names
// that the ANSI code page cannot hold.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/support.h"

namespace {

using namespace test_support;
using files = std::map<std::string, std::string>;

TEST(CommandLine, TheTailIsTakenFromTheExactCommandLine) {
    scratch_dir dir;
    write_file(dir / "1 a.txt", "a");
    const std::pair<std::u16string, std::string> cases[] = {
        // The quoted program name may be followed directly by the tail.
        {u"\"C:\\Tools\\Headtrim.exe\"_ *.xyz", "Error: no files found matching '*.xyz'\r\n\r\n"},
        {u"\"C:\\Tools\\Headtrim.exe\"  _   *.xyz", usage_screen},  // "_", then an empty field
        // A TAB after an unquoted name belongs to the tail.
        {u"Headtrim\t*.xyz", "Error: no files found matching '\t*.xyz'\r\n\r\n"},
        {u"   _ *.xyz", "Error: no files found matching '*.xyz'\r\n\r\n"},
        {u"Headtrim   ", usage_screen},
        {u"\"Headtrim _ *.xyz", usage_screen},  // an unclosed quote leaves no tail
    };
    for (const auto& [line, expected] : cases) {
        const run_result run = run_headtrim_command_line(line, dir.path());
        EXPECT_EQ(run.out, expected) << utf8(line);
        EXPECT_EQ(run.exit_code, 0) << utf8(line);
    }
    EXPECT_EQ(snapshot(dir.path()), (files{{"1 a.txt", "a"}}));
}

TEST(CodePage, APatternTheCodePageLacksIsSearchedAsTyped) {
    // In code page 1252 the pattern would turn into "????*.txt" and select
    // Ivan_b.txt as well.
    scratch_dir dir;
    const std::u16string petr = u"\u041F\u0451\u0442\u0440";
    write_file(dir.path() / fs::path(petr + u"_a.txt"), "p");
    write_file(dir / "Ivan_b.txt", "i");
    const run_result run = run_headtrim(u"_ " + petr + u"*.txt", dir.path());
    EXPECT_EQ(run.out, ansi(petr + u"_a.txt") + " ==> a.txt\r\n\r\n");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(read_file(dir / "a.txt"), "p");
    EXPECT_EQ(read_file(dir / "Ivan_b.txt"), "i");
}

TEST(CodePage, NamesTheCodePageLacksAreRenamedAsTheSystemGaveThem) {
    // "1 \u0101.txt" best-fits to "1 a.txt" in code page 1252: renaming through
    // the narrow form would rename the other file.
    scratch_dir dir;
    const std::u16string macron = u"1 \u0101.txt", petr = u"1 \u041F\u0451\u0442\u0440.txt";
    for (const auto& [name, data] : {std::pair{macron, "macron"}, std::pair{petr, "petr"}})
        write_file(dir.path() / fs::path(name), data);
    write_file(dir / "1 a.txt", "plain");
    const run_result run = run_headtrim(u"*.txt", dir.path());
    EXPECT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(snapshot(dir.path()), (files{{"a.txt", "plain"},
                                           {utf8(u"\u0101.txt"), "macron"},
                                           {utf8(u"\u041F\u0451\u0442\u0440.txt"), "petr"}}));
    // Report lines are in the ANSI code page, in the order of the search.
    for (const std::u16string& name : {macron, petr}) {
        EXPECT_NE(run.out.find(ansi(name) + " ==> " + ansi(name.substr(2)) + "\r\n"), std::string::npos)
            << run.out;
    }
}

}  // namespace
