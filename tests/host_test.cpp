#include <gtest/gtest.h>

#include <string>

#include "host/error_state.h"
#include "host/host.h"

namespace {

struct tail_case {
    std::u16string command_line;
    std::u16string tail;
};

TEST(ProgramName, TailStartsAfterTheNameAndItsBlanks) {
    const tail_case cases[] = {
        {u"Headtrim", u""},
        {u"Headtrim   ", u""},
        {u"Headtrim  _   *.txt", u"_   *.txt"},
        {u"Headtrim *.txt  ", u"*.txt  "},
        {u"\"C:\\Tools\\Headtrim.exe\" _ *.txt", u"_ *.txt"},
        {u"\"C:\\Tools\\Headtrim.exe\"_ *.txt", u"_ *.txt"},
        {u"Headtrim\t*.txt", u"\t*.txt"},
        {u"   _ *.txt", u"_ *.txt"},
        {u"", u""},                      // no program name at all
        {u"\"Headtrim _ *.txt", u""},    // an unclosed quote swallows the line
        {u"\"\" x", u"x"},
    };
    for (const auto& c : cases) {
        const std::size_t start = skip_program_name(c.command_line.c_str());
        EXPECT_EQ(c.command_line.substr(start), c.tail)
            << "command line of " << c.command_line.size() << " units, tail at " << start;
    }
}

TEST(MapSystemError, FollowsTheTranslationTable) {
    const std::pair<DWORD, int> rows[] = {
        {1, 75},  {2, 53},  {3, 76},  {4, 67},  {5, 70},  {6, 51},  {7, 241}, {8, 7},
        {9, 241}, {10, 241}, {11, 51}, {12, 51}, {13, 51}, {14, 7},  {15, 68}, {16, 75},
        {17, 74}, {18, 53}, {19, 70}, {20, 68}, {21, 71}, {22, 51}, {23, 72}, {24, 51},
        {25, 72}, {28, 72}, {31, 72}, {32, 70}, {33, 70}, {34, 72}, {35, 72}, {36, 70},
        {37, 75}, {38, 62}, {39, 61}, {40, 75}, {86, 75}, {87, 5},  {88, 75}, {111, 75},
        {112, 61}, {113, 75}, {183, 75}, {206, 75}, {1117, 75}, {0xFFFFFFFFu, 75},
    };
    for (const auto& [system_error, code] : rows)
        EXPECT_EQ(map_system_error(system_error), code) << "Windows error " << system_error;
}

BOOL WINAPI sets_error(DWORD code) {
    SetLastError(code);
    return TRUE;
}

BOOL WINAPI fails_quietly(DWORD) { return FALSE; }

TEST(GuardedCall, JudgesByTheLastErrorValueAlone) {
    SetLastError(5);  // a stale value before the call must not count
    const auto quiet = guarded_call(fails_quietly, DWORD{0});
    EXPECT_FALSE(quiet.result);
    EXPECT_TRUE(quiet.outcome.ok);

    const auto noisy = guarded_call(sets_error, DWORD{112});
    EXPECT_TRUE(noisy.result);
    EXPECT_FALSE(noisy.outcome.ok);
    EXPECT_EQ(noisy.outcome.code, 61);
    EXPECT_EQ(noisy.outcome.system_error, 112u);
}

TEST(GuardedCall, RestoresTheErrorModeAfterEitherOutcome) {
    const UINT original = SetErrorMode(SEM_FAILCRITICALERRORS);
    guarded_call(sets_error, DWORD{0});
    EXPECT_EQ(SetErrorMode(SEM_FAILCRITICALERRORS), UINT{SEM_FAILCRITICALERRORS});
    guarded_call(sets_error, DWORD{2});
    EXPECT_EQ(SetErrorMode(original), UINT{SEM_FAILCRITICALERRORS});
}

TEST(RecordError, KeepsTheLatestCode) {
    record_error(58);
    record_error(53);
    EXPECT_EQ(last_error, 53);
    last_error = 0;
}

TEST(RecordErrorDeathTest, FatalCodeEndsTheProcessWith255) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(record_error(241), testing::ExitedWithCode(255), "");
    EXPECT_EXIT(record_error(255), testing::ExitedWithCode(255), "");
}

TEST(ThreadRecord, IsCreatedZeroFilledAndReleased) {
    ASSERT_TRUE(create_thread_record());
    const thread_record* record = current_thread_record();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->search.handle, nullptr);
    EXPECT_EQ(record->code_page, UINT{CP_ACP});
    release_thread_record();
    EXPECT_EQ(current_thread_record(), nullptr);
}

}  // namespace
