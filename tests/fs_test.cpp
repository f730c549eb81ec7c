#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/fs.h"
#include "host/error_state.h"
#include "host/host.h"
#include "support/support.h"

namespace {

using namespace test_support;

// Directory matching keeps its search in the thread record, which the host
// creates at start-up.
class DirectoryTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(create_thread_record());
        last_error = 0;
    }
    void TearDown() override { release_thread_record(); }

    static std::vector<std::string> all_matches(const std::u16string& pattern) {
        std::vector<std::string> names;
        for (std::u16string name = first_match(pattern); !name.empty(); name = next_match())
            names.push_back(utf8(name));
        return names;
    }

    scratch_dir dir;
};

using names = std::vector<std::string>;

TEST_F(DirectoryTest, LeavesOutHiddenSystemAndDirectoryEntries) {
    write_file(dir / ".a.txt", "hidden");
    make_hidden(dir / ".a.txt");
    make_system_entry(dir / "b.txt");
    fs::create_directory(dir / "c.txt");
    write_file(dir / "d.txt", "read-only");
    make_read_only(dir / "d.txt");
    write_file(dir / "e.txt", "ordinary");
    current_dir here(dir.path());

    EXPECT_EQ(all_matches(u"*.txt"), (names{"d.txt", "e.txt"}));
    EXPECT_EQ(all_matches(u"*"), (names{"d.txt", "e.txt"}));  // "." and ".." never come back
    EXPECT_TRUE(all_matches(u"b.txt").empty());
    EXPECT_TRUE(all_matches(u".a.txt").empty());
    EXPECT_EQ(current_thread_record()->search.handle, nullptr);  // the search ended itself
    EXPECT_EQ(last_error, 0);
}

TEST_F(DirectoryTest, MatchesLikeTheWindowsDirectorySearch) {
    for (const char* name : {"Song.MP3", "README", "a.b.c", "track 1.mp3"}) write_file(dir / name, "");
    current_dir here(dir.path());
    EXPECT_EQ(all_matches(u"*.mp3"), (names{"Song.MP3", "track 1.mp3"}));
    EXPECT_EQ(all_matches(u"*.*"), (names{"a.b.c", "README", "Song.MP3", "track 1.mp3"}));
    EXPECT_EQ(all_matches(u"readme"), (names{"README"}));
    EXPECT_EQ(all_matches(u"?.b.?"), (names{"a.b.c"}));
    EXPECT_TRUE(all_matches(u"*.xyz").empty());
}

TEST_F(DirectoryTest, APatternWithADirectoryPartGivesBareNames) {
    fs::create_directory(dir / "docs");
    write_file(dir / "docs" / "01 Intro.mp3", "");
    write_file(dir / "docs" / "notes.txt", "");
    current_dir here(dir.path());
    EXPECT_EQ(all_matches(u"docs/*.mp3"), (names{"01 Intro.mp3"}));
    EXPECT_TRUE(all_matches(u"docs").empty());  // the directory's own entry is skipped
    // A trailing separator ("\\" on Windows, "/" on POSIX) lists the directory.
    const char16_t separator = ends_in_directory(u'\\') ? u'\\' : u'/';
    EXPECT_EQ(all_matches(u"docs" + std::u16string(1, separator)),
              (names{"01 Intro.mp3", "notes.txt"}));
    EXPECT_TRUE(all_matches(u"missing/*").empty());
    EXPECT_EQ(last_error, 0);  // a failed search is never recorded
}

TEST_F(DirectoryTest, EmptyPatternAndCallsOutsideASearchGiveNothing) {
    write_file(dir / "a.txt", "");
    current_dir here(dir.path());
    EXPECT_TRUE(next_match().empty());
    EXPECT_TRUE(first_match(u"").empty());
    EXPECT_EQ(current_thread_record()->search.handle, nullptr);

    EXPECT_EQ(utf8(first_match(u"*.txt")), "a.txt");
    EXPECT_TRUE(next_match().empty());
    EXPECT_TRUE(next_match().empty());
}

TEST_F(DirectoryTest, ANewSearchAbandonsTheOpenOne) {
    write_file(dir / "a.txt", "");
    write_file(dir / "b.txt", "");
    write_file(dir / "c.log", "");
    current_dir here(dir.path());
    EXPECT_EQ(utf8(first_match(u"*.txt")), "a.txt");
    EXPECT_NE(current_thread_record()->search.handle, nullptr);
    EXPECT_EQ(utf8(first_match(u"*.log")), "c.log");
    EXPECT_TRUE(next_match().empty());
}

TEST_F(DirectoryTest, APatternLongerThanTheLimitMatchesNothing) {
    write_file(dir / "a.txt", "");
    current_dir here(dir.path());
    const std::u16string at_limit = u"a.txt" + std::u16string(MAX_NAME_UNITS - 5, u'*');
    EXPECT_EQ(all_matches(at_limit), (names{"a.txt"}));
    EXPECT_TRUE(all_matches(at_limit + u"*").empty());
}

struct rename_case {
    const char* title;
    std::u16string old_name;
    std::u16string new_name;
    bool ok;
    int code;
};

TEST_F(DirectoryTest, RenameFileRecordsWhyItFailed) {
    const std::u16string long_name(MAX_NAME_UNITS + 1, u'x');
    const rename_case cases[] = {
        {"plain rename", u"01 Intro.mp3", u"Intro.mp3", true, 0},
        {"existing new name", u"1 a.txt", u"a.txt", false, 58},
        {"missing old name", u"nothing.txt", u"x.txt", false, 53},
        {"wildcard in the new name", u"1 a.txt", u"a?b.txt", false, 64},
        {"wildcard in the old name", u"*.txt", u"b.txt", false, 64},
        {"name of 257 units", long_name, u"b.txt", false, 64},
        {"wildcard as the last unit", u"1 a.txt", u"b.tx*", false, 64},
        {"wildcard after a NUL unit, unseen", std::u16string(u"1 a.txt\0*", 9), u"b.txt", true, 0},
        {"units sharing the low bits of * and ?", u"1 a.txt", u"j\u012A\u013F.txt", true, 0},
    };
    for (const auto& c : cases) {
        scratch_dir here_dir;
        write_file(here_dir / "01 Intro.mp3", "intro");
        write_file(here_dir / "1 a.txt", "one");
        write_file(here_dir / "a.txt", "taken");
        current_dir here(here_dir.path());
        const auto before = snapshot(here_dir.path());
        last_error = 7;
        const rename_outcome outcome = rename_file(c.old_name, c.new_name);
        EXPECT_EQ(outcome.ok, c.ok) << c.title;
        EXPECT_EQ(outcome.code, c.code) << c.title;
        EXPECT_EQ(last_error, c.ok ? 7 : c.code) << c.title;  // success leaves it alone
        if (!c.ok) {
            EXPECT_EQ(snapshot(here_dir.path()), before) << c.title;
        }
    }
}

TEST_F(DirectoryTest, RenameFileMovesTheFileAndKeepsItsContents) {
    write_file(dir / "01 Intro.mp3", "intro");
    current_dir here(dir.path());
    EXPECT_TRUE(rename_file(u"01 Intro.mp3", u"Intro.mp3").ok);
    EXPECT_EQ(snapshot(dir.path()), (std::map<std::string, std::string>{{"Intro.mp3", "intro"}}));
}

}  // namespace
