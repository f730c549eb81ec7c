// Each storage request that an operation makes fails in turn; the operation
// must give exactly its documented failure result, record exactly the
// documented code, and never let an exception out.
//
// The texts are longer than 15 bytes and 7 UTF-16 units, so that the
// short-text buffer inside std::string does not spare them storage.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "fs/fs.h"
#include "hardening/failing_new.h"
#include "host/error_state.h"
#include "host/host.h"
#include "support/support.h"
#include "text/text.h"

namespace {

using namespace test_support;

template <class Text>
struct failure_case {
    const char* what;
    std::function<Text()> call;
    Text expected;      // the result whichever request fails
    std::uint8_t code;  // last_error afterwards
};

// Makes the call once per storage request it needs, with that request failing.
template <class Text>
void fail_each_request(const failure_case<Text>& c) {
    failing_new::fail_request(0);
    const Text normal = c.call();
    const std::size_t requests = failing_new::stop();
    ASSERT_GT(requests, 0u) << c.what << ": the fixture needs no storage";
    ASSERT_NE(normal, c.expected) << c.what << ": the fixture cannot tell failure from success";
    for (std::size_t n = 1; n <= requests; ++n) {
        last_error = 0;
        Text result;
        bool threw = false;
        failing_new::fail_request(n);
        try {
            result = c.call();
        } catch (...) {
            threw = true;
        }
        failing_new::stop();
        ASSERT_TRUE(failing_new::fired()) << c.what << ", request " << n;
        EXPECT_FALSE(threw) << c.what << ": an exception escaped when request " << n << " failed";
        EXPECT_EQ(result, c.expected) << c.what << ", request " << n << " of " << requests;
        EXPECT_EQ(last_error, c.code) << c.what << ", request " << n << " of " << requests;
    }
    last_error = 0;
}

const std::string long_name = "0123456789abcdef_Intro and more.mp3";
const std::u16string long_wide = u"0123456789abcdef_Intro and more.mp3";
const std::string quoted = "\"\"a long quoted pattern *.txt\"";
const std::u16string quoted_wide = u"\"\"a long quoted pattern *.txt\"";
const std::u16string help_tail = u"/HELP WITH A LONG TAIL";

TEST(StorageFailure, NarrowTextOperationsGiveTheirDocumentedResult) {
    const failure_case<std::string> cases[] = {
        {"mid_from", [] { return mid_from(long_name, 3, INT_MAX); }, long_name, 7},
        {"parse_field", [] { return parse_field(long_name, std::string("_"), 2); }, long_name, 7},
        {"trim_leading", [] { return trim_leading(quoted, "\""); }, quoted, 7},
        {"trim_trailing", [] { return trim_trailing(quoted, "\""); }, quoted, 7},
        {"format_number", [] { return format_number(1e20, "0,"); }, "", 7},
        {"concat", [] { return concat(long_name, long_name); }, "", 7},
        {"concat of three", [] { return concat(long_name, long_name, long_name); }, "", 7},
        {"to_narrow", [] { return to_narrow(long_wide); }, "", 0},
    };
    for (const auto& c : cases) fail_each_request(c);
}

TEST(StorageFailure, WideTextOperationsGiveTheirDocumentedResult) {
    const failure_case<std::u16string> cases[] = {
        {"mid_from", [] { return mid_from(long_wide, 3, INT_MAX); }, long_wide, 7},
        {"parse_field", [] { return parse_field(long_wide, u"_", 2); }, long_wide, 7},
        {"trim_leading", [] { return trim_leading(quoted_wide, u"\""); }, quoted_wide, 7},
        {"trim_trailing", [] { return trim_trailing(quoted_wide, u"\""); }, quoted_wide, 7},
        {"to_lower", [] { return to_lower(help_tail); }, help_tail, 7},
        {"concat", [] { return concat(long_wide, long_wide); }, u"", 7},
        {"to_wide", [] { return to_wide(long_name); }, u"", 0},
    };
    for (const auto& c : cases) fail_each_request(c);
}

TEST(StorageFailure, CommandTailGivesTheEmptyTextAndCode7) {
    const std::u16string line = u"\"C:\\Tools\\Headtrim.exe\" _ \"*.a long pattern.mp3\"";
    const host_state saved = host;
    host.command_line = wide_ptr(line.c_str());
    host.tail_start = skip_program_name(line.c_str());
    fail_each_request(failure_case<std::u16string>{"command_tail", command_tail, u"", 7});
    host = saved;
}

// Directory matching: a request made by the system's directory search fails
// the search itself (the empty text, no search, nothing recorded); the request
// for the result text gives the empty text and code 7 and leaves the search
// open, so that it can go on.
TEST(StorageFailure, DirectoryMatchingGivesTheEmptyTextAndLeavesTheSearchOpen) {
    scratch_dir dir;
    const std::vector<std::u16string> names = {u"1 first long name.txt", u"2 second long name.txt",
                                               u"3 third long name.txt"};
    for (const auto& name : names) write_file(dir.path() / native_name(name), "x");
    current_dir here(dir.path());
    ASSERT_TRUE(create_thread_record());
    const thread_record* record = current_thread_record();

    failing_new::fail_request(0);
    std::u16string found = first_match(u"*.txt");
    const std::size_t requests = failing_new::stop();
    ASSERT_EQ(found, names[0]);
    close_search();

    for (std::size_t n = 1; n <= requests; ++n) {
        last_error = 0;
        failing_new::fail_request(n);
        found = first_match(u"*.txt");
        failing_new::stop();
        EXPECT_EQ(found, u"") << "request " << n << " of " << requests;
        if (n < requests) {
            EXPECT_EQ(record->search.handle, nullptr) << "request " << n;
            EXPECT_EQ(last_error, 0) << "request " << n;
        } else {
            EXPECT_NE(record->search.handle, nullptr);
            EXPECT_EQ(last_error, 7);
            EXPECT_EQ(next_match(), names[1]);
        }
        close_search();
    }

    ASSERT_EQ(first_match(u"*.txt"), names[0]);
    last_error = 0;
    failing_new::fail_request(1);
    found = next_match();
    EXPECT_EQ(failing_new::stop(), 1u);
    EXPECT_EQ(found, u"");
    EXPECT_NE(record->search.handle, nullptr);
    EXPECT_EQ(last_error, 7);
    EXPECT_EQ(next_match(), names[2]);

    // Left open once more: the host's release of the record closes it.
    failing_new::fail_request(requests);
    found = first_match(u"*.txt");
    failing_new::stop();
    last_error = 0;
    release_thread_record();
    EXPECT_EQ(current_thread_record(), nullptr);
}

}  // namespace
