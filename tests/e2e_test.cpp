// Runs the built program in scratch directories and checks the exact bytes it
// writes, its exit code and the files it leaves behind.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/support.h"

namespace {

using namespace test_support;
using files = std::map<std::string, std::string>;

void create(const scratch_dir& dir, const files& contents) {
    for (const auto& [name, data] : contents) {
        if (data == "<dir>")
            fs::create_directory(dir / name);
        else
            write_file(dir / name, data);
    }
}

TEST(Usage, HelpWordsAndNoArgumentsShowTheUsageScreen) {
    scratch_dir dir;
    const files before = {{"01 Intro.mp3", "intro"}, {"help", "h"}};
    create(dir, before);
    for (const std::u16string tail : {u"", u"/?", u"?", u"help", u"HELP", u"Help", u"/h", u"/H",
                                      u"/help", u"/HELP", u"_"}) {
        const run_result run = run_headtrim(tail, dir.path());
        EXPECT_EQ(run.out, usage_screen) << "tail '" << utf8(tail) << "'";
        EXPECT_EQ(run.exit_code, 0) << "tail '" << utf8(tail) << "'";
    }
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(Usage, NearMissesAreNoHelpRequest) {
    scratch_dir dir;
    const std::pair<std::u16string, std::string> cases[] = {
        {u"-h", "-h"}, {u"--help", "--help"}, {u"help me", "help"}, {u"/? ", "/?"}, {u"-?", "-?"},
    };
    for (const auto& [tail, shown] : cases) {
        const run_result run = run_headtrim(tail, dir.path());
        EXPECT_EQ(run.out, "Error: no files found matching '" + shown + "'\r\n\r\n")
            << "tail '" << utf8(tail) << "'";
        EXPECT_EQ(run.exit_code, 0);
    }
}

TEST(NoFiles, NamesThePatternWithoutItsQuotes) {
    scratch_dir dir;
    const files before = {{"a.mp3", "a"}, {".x.xyz", "hidden"}};
    create(dir, before);
    make_hidden(dir / ".x.xyz");
    const std::pair<std::u16string, std::string> cases[] = {
        {u"_ *.xyz", "Error: no files found matching '*.xyz'\r\n\r\n"},
        {u"_ \"*.xyz\"", "Error: no files found matching '*.xyz'\r\n\r\n"},
        {u"\"\"", "Error: no files found matching ''\r\n\r\n"},
        {u"_ missing/*.mp3", "Error: no files found matching 'missing/*.mp3'\r\n\r\n"},
    };
    for (const auto& [tail, expected] : cases) {
        const run_result run = run_headtrim(tail, dir.path());
        EXPECT_EQ(run.out, expected) << "tail '" << utf8(tail) << "'";
        EXPECT_EQ(run.exit_code, 0);
    }
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(NoFiles, AnOverLongPatternMatchesNothingRatherThanItsCutForm) {
    // Cut to 256 units, this pattern would end in "*" and select a.txt.
    scratch_dir dir;
    const files before = {{"a b.txt", "keep"}};
    create(dir, before);
    const std::string pattern = "a" + std::string(254, '*') + "*.no-such-extension";
    const run_result run = run_headtrim(std::u16string(pattern.begin(), pattern.end()), dir.path());
    EXPECT_EQ(run.out, "Error: no files found matching '" + pattern + "'\r\n\r\n");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(Limit, TenThousandFilesAreHandledAndOneMoreIsRefused) {
    scratch_dir dir;
    for (int i = 0; i < 10000; ++i) write_file(dir / ("f" + std::to_string(100000 + i) + ".dat"), "");
    run_result run = run_headtrim(u"*.dat", dir.path());
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out.find("Error"), std::string::npos);
    EXPECT_EQ(run.out.substr(0, 39), "f100000.dat <== SKIPPED (Can't shorten)");
    EXPECT_EQ(run.out.size(), 10000u * 41u + 2u);

    write_file(dir / "f 1.dat", "one more");
    const auto before = snapshot(dir.path());
    run = run_headtrim(u"*.dat", dir.path());
    EXPECT_EQ(run.out, "Error: Program can only handle 10,000 files at once. Aborting.\r\n\r\n");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(snapshot(dir.path()), before);
}

struct rename_case {
    const char* title;
    files before;
    std::u16string tail;
    std::string out;
    int exit_code;
    files after;
};

TEST(RenamePass, RemovesTheFirstWordAndReportsEachName) {
    const rename_case cases[] = {
        {"space separator",
         {{"01 Intro.mp3", "1"}, {"Bonus.mp3", "2"}},
         u"*.mp3",
         "01 Intro.mp3 ==> Intro.mp3\r\nBonus.mp3 <== SKIPPED (Can't shorten)\r\n\r\n",
         0,
         {{"Intro.mp3", "1"}, {"Bonus.mp3", "2"}}},
        {"underscore separator",
         {{"01_Intro.mp3", "1"}, {"Bonus.mp3", "2"}},
         u"_ *.mp3",
         "01_Intro.mp3 ==> Intro.mp3\r\nBonus.mp3 <== SKIPPED (Can't shorten)\r\n\r\n",
         0,
         {{"Intro.mp3", "1"}, {"Bonus.mp3", "2"}}},
        {"dot separator, extension included",
         {{"song.mp3", "s"}, {"a.b.c", "abc"}},
         u". *",
         "a.b.c ==> b.c\r\nsong.mp3 ==> mp3\r\n\r\n",
         0,
         {{"b.c", "abc"}, {"mp3", "s"}}},
        {"only the first of two spaces goes",
         {{"a  b.txt", "x"}},
         u"*.txt",
         "a  b.txt ==>  b.txt\r\n\r\n",
         0,
         {{" b.txt", "x"}}},
        {"a leading separator loses just that byte",
         {{"_x.txt", "x"}},
         u"_ *.txt",
         "_x.txt ==> x.txt\r\n\r\n",
         0,
         {{"x.txt", "x"}}},
        {"two names give the same new name",
         {{"1 a.txt", "first"}, {"2 a.txt", "second"}},
         u"*.txt",
         "1 a.txt ==> a.txt\r\n2 a.txt ==> a.txt <== FAILED (Name already exists)\r\n\r\n",
         1,
         {{"a.txt", "first"}, {"2 a.txt", "second"}}},
        {"a new name that belongs to another file",
         {{"1 keep.txt", "new"}, {"keep.txt", "old"}},
         u"1*.txt",
         "1 keep.txt ==> keep.txt <== FAILED (Name already exists)\r\n\r\n",
         1,
         {{"1 keep.txt", "new"}, {"keep.txt", "old"}}},
        {"a file renamed once only although its new name matches too",
         {{"1 2 a.txt", "x"}},
         u"*.txt",
         "1 2 a.txt ==> 2 a.txt\r\n\r\n",
         0,
         {{"2 a.txt", "x"}}},
        {"hidden files and directories are never touched",
         {{"1 a.txt", "a"}, {".1 h.txt", "h"}, {"1 d.txt", "<dir>"}},
         u"*.txt",
         "1 a.txt ==> a.txt\r\n\r\n",
         0,
         {{"a.txt", "a"}, {".1 h.txt", "h"}, {"1 d.txt", "<dir>"}}},
        {"a double quote as separator: no name holds one",
         {{"a b.txt", "ab"}, {"c.txt", "c"}},
         u"\" *.txt",
         "a b.txt <== SKIPPED (Can't shorten)\r\nc.txt <== SKIPPED (Can't shorten)\r\n\r\n",
         0,
         {{"a b.txt", "ab"}, {"c.txt", "c"}}},
    };
    for (const auto& c : cases) {
        scratch_dir dir;
        create(dir, c.before);
        for (const auto& [name, data] : c.before)
            if (name[0] == '.') make_hidden(dir / name);
        const run_result run = run_headtrim(c.tail, dir.path());
        EXPECT_EQ(run.out, c.out) << c.title;
        EXPECT_EQ(run.exit_code, c.exit_code) << c.title;
        EXPECT_EQ(snapshot(dir.path()), c.after) << c.title;
    }
}

TEST(RenamePass, AnEmptyNewNameIsRefusedAndReported) {
    scratch_dir dir;
    create(dir, {{"abc_", "keep"}});
    const run_result run = run_headtrim(u"_ abc_", dir.path());
    const std::string prefix = "abc_ ==>  <== FAILED (";
    EXPECT_EQ(run.out.substr(0, prefix.size()), prefix);
    EXPECT_EQ(run.out.substr(run.out.size() - 5), ")\r\n\r\n");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(snapshot(dir.path()), (files{{"abc_", "keep"}}));
}

TEST(RenamePass, SystemEntriesAreNeverTouched) {
    scratch_dir dir;
    create(dir, {{"1 a.txt", "a"}});
    make_system_entry(dir / "1 s.txt");
    const run_result run = run_headtrim(u"*.txt", dir.path());
    EXPECT_EQ(run.out, "1 a.txt ==> a.txt\r\n\r\n");
    const auto after = snapshot(dir.path());
    EXPECT_EQ(after.count("1 s.txt"), 1u);
    EXPECT_EQ(after.count("s.txt"), 0u);
}

TEST(RenamePass, APatternWithADirectoryPartRenamesInsideThatDirectory) {
    scratch_dir dir;
    fs::create_directory(dir / "music");
    write_file(dir / "music" / "01 Intro.mp3", "inside");
    write_file(dir / "01 Intro.mp3", "decoy");
    const run_result run = run_headtrim(u"music/*.mp3", dir.path());
    EXPECT_EQ(run.out, "01 Intro.mp3 ==> Intro.mp3\r\n\r\n");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(snapshot(dir.path() / "music"), (files{{"Intro.mp3", "inside"}}));
    EXPECT_EQ(read_file(dir / "01 Intro.mp3"), "decoy");
}

}  // namespace
