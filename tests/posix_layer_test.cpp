// Tests of the POSIX layer's error table, directory search and rename.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "host/platform.h"
#include "host/posix/internal.h"
#include "host/posix/wildcard.h"
#include "host/posix/win_types.h"
#include "support/support.h"

namespace {

using posix_layer::encode_units;

constexpr DWORD untouched = 0xC0FFEEu;  // last-error value a successful call must keep

std::string to_bytes(std::u16string_view units) {
    return encode_units(units.data(), units.size());
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    ASSERT_TRUE(out.good()) << path;
}

// What is at path, without following a link: a file's content, or a marker.
std::string describe(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        return "<missing>";
    }
    if (S_ISDIR(st.st_mode)) {
        return "<directory>";
    }
    if (S_ISLNK(st.st_mode)) {
        char target[256] = {};
        const ssize_t size = readlink(path.c_str(), target, sizeof target - 1);
        return "<link to " + std::string(target, size > 0 ? size : 0) + ">";
    }
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists_no_follow(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Makes every directory below path writable and searchable again, then
// removes the tree.
void remove_tree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        return;
    }
    if (S_ISDIR(st.st_mode)) {
        chmod(path.c_str(), 0700);
        if (DIR* dir = opendir(path.c_str())) {
            std::vector<std::string> names;
            while (const dirent* entry = readdir(dir)) {
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                    names.emplace_back(entry->d_name);
                }
            }
            closedir(dir);
            for (const std::string& name : names) {
                remove_tree(path + "/" + name);
            }
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

// Each test runs in a fresh temporary directory that is also the current one.
class posix_layer_test : public ::testing::Test {
protected:
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        old_cwd_ = cwd;
        char templ[] = "/tmp/posix_layer_test_XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        root_ = templ;
        ASSERT_EQ(chdir(root_.c_str()), 0);
    }

    void TearDown() override {
        if (!old_cwd_.empty()) {
            EXPECT_EQ(chdir(old_cwd_.c_str()), 0);
        }
        if (!root_.empty()) {
            remove_tree(root_);
        }
    }

    std::string root_;

private:
    std::string old_cwd_;
};

using entry_list = std::vector<std::pair<std::u16string, DWORD>>;  // name and attributes

struct listing {
    entry_list entries;
    DWORD error = 0;  // last error of the failing call that ended the listing
};

// Every entry FindFirstFileW/FindNextFileW deliver for pattern. Checks on the
// way that a successful call keeps the last error and zeroes every other field.
listing list_matches(std::u16string_view pattern_view) {
    const std::u16string pattern(pattern_view);
    listing result;
    WIN32_FIND_DATAW data;
    std::memset(&data, 0xAB, sizeof data);
    SetLastError(untouched);
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        result.error = GetLastError();
        return result;
    }
    for (;;) {
        EXPECT_EQ(GetLastError(), untouched);
        const std::u16string name(data.cFileName);
        WIN32_FIND_DATAW expected{};
        expected.dwFileAttributes = data.dwFileAttributes;
        name.copy(expected.cFileName, name.size());
        EXPECT_EQ(std::memcmp(&data, &expected, sizeof data), 0) << "stale bytes in the find data";
        result.entries.emplace_back(name, data.dwFileAttributes);
        std::memset(&data, 0xAB, sizeof data);
        if (!FindNextFileW(search, &data)) {
            result.error = GetLastError();
            break;
        }
    }
    // The end stays the end.
    EXPECT_FALSE(FindNextFileW(search, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(search));
    return result;
}

constexpr DWORD file_attr = FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD dir_attr = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD hidden_dir_attr = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN;

// ---------------------------------------------------------------------------
// errno translation

// The start-up environment: whatever rounding, flags and traps came before,
// arithmetic afterwards rounds to nearest and a division by zero only sets
// its flag.
TEST(float_environment, rounds_to_nearest_with_every_exception_masked) {
    std::fesetround(FE_UPWARD);
    std::feraiseexcept(FE_INEXACT | FE_OVERFLOW);
    test_support::enable_float_traps();
    set_float_environment();
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
    volatile double zero = 0.0, one = 1.0, three = 3.0;
    EXPECT_EQ(one / three, 1.0 / 3.0);  // rounded upward it would be one unit larger
    EXPECT_EQ(one / zero, HUGE_VAL);
    EXPECT_NE(std::fetestexcept(FE_DIVBYZERO), 0);
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(windows_error, maps_each_errno_to_its_windows_code) {
    const struct {
        int err;
        DWORD code;
    } rows[] = {
        {EEXIST, 183},  {ENOTEMPTY, 183}, {ENOENT, 2},   {ENOTDIR, 3},  {EACCES, 5},
        {EPERM, 5},     {EISDIR, 5},      {EROFS, 19},   {EBADF, 6},    {EBUSY, 32},
        {ETXTBSY, 32},  {EXDEV, 17},      {ENOSPC, 112}, {EDQUOT, 112}, {ENAMETOOLONG, 206},
        {EINVAL, 87},   {ENOMEM, 8},      {EMFILE, 4},   {ENFILE, 4},   {EPIPE, 109},
        {ENOSYS, 50},   {EOPNOTSUPP, 50}, {ENOTSUP, 50}, {ELOOP, 1921}, {EIO, 1117},
        {ECHILD, 1117}, {EAGAIN, 1117},   {0, 1117},     {-1, 1117},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("errno " + std::to_string(row.err));
        EXPECT_EQ(posix_layer::windows_error(row.err), row.code);
        SetLastError(untouched);
        posix_layer::fail_with_errno(row.err);
        EXPECT_EQ(GetLastError(), row.code);
    }
}

// ---------------------------------------------------------------------------
// Wildcard matching

TEST(wildcard_match, follows_the_windows_rules) {
    const struct {
        std::u16string_view pattern;
        std::u16string_view name;
        bool matches;
    } rows[] = {
        // "*" takes any run, also an empty one.
        {u"*", u"anything.txt", true},
        {u"*", u"", true},
        {u"a*", u"a", true},
        {u"*b", u"aab", true},
        {u"a*b*c", u"aXbYc", true},
        {u"a*b*c", u"aXcYb", false},
        {u"a*a", u"a", false},
        {u"*ab*ba", u"aba", false},  // the parts around a star must not overlap
        // "?" takes exactly one unit, also half of a surrogate pair.
        {u"?", u"x", true},
        {u"?", u"", false},
        {u"?", u"xy", false},
        {u"a?c", u"abc", true},
        {u"a?c", u"ac", false},
        {u"?", u"\U0001F600", false},
        {u"??", u"\U0001F600", true},
        // Letters match regardless of case, beyond ASCII too.
        {u"README.TXT", u"readme.txt", true},
        {u"*.TXT", u"notes.txt", true},
        {u"\u00C9T\u00C9", u"\u00E9t\u00E9", true},
        {u"\u0416*", u"\u0436\u0443\u043A", true},
        // "x.*" also stands for "x".
        {u"*.*", u"noext", true},
        {u"*.*", u"a.b.c", true},
        {u"*.*", u".hidden", true},
        {u"a*.*", u"abc", true},
        {u"a*.*", u"a.txt", true},
        {u"a*.*", u"bac", false},
        {u".*", u".profile", true},
        {u".*", u"profile", false},
        // The extension must end the name.
        {u"*.txt", u"a.txt.bak", false},
        {u"*.txt", u"a.txt", true},
        {u"*.txt", u"a.txt.txt", true},
        {u"*.txt", u"txt", false},
        {u"*.t?t", u"A.TXT", true},
        {u"*b?", u"b", false},
        // Names without wildcards match only themselves.
        {u"readme", u"readme", true},
        {u"readme", u"readme2", false},
        {u"readme2", u"readme", false},
        {u"a\\b:c", u"A\\B:C", true},
        // Empty pattern and empty name.
        {u"", u"", true},
        {u"", u"a", false},
        {u"a", u"", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("pattern \"" + to_bytes(row.pattern) + "\" name \"" + to_bytes(row.name) +
                     "\"");
        EXPECT_EQ(posix_layer::wildcard_match(row.pattern, row.name), row.matches);
    }
}

// Many stars against a long name must not explode into backtracking: a
// matcher that tried every split would not finish these within the test
// run's time limit. No clock is read here; the suite asserts no timings.
TEST(wildcard_match, many_stars_take_polynomial_time) {
    const std::u16string long_run(20000, u'a');
    EXPECT_FALSE(posix_layer::wildcard_match(u"a*a*a*a*a*b", long_run));
    EXPECT_FALSE(posix_layer::wildcard_match(u"*a*a*a*a*a*a*a*a*a*a*a*a*?b", long_run));
    EXPECT_TRUE(posix_layer::wildcard_match(u"*a*a*a*a*a*a*a*a*a*a*a*a*a", long_run));
    // Both ends fit here, so only the scan between them can say no.
    EXPECT_FALSE(posix_layer::wildcard_match(u"a*a*a*a*a*a*a*a*a*a*a*a*b*a", long_run));
}

// ---------------------------------------------------------------------------
// FindFirstFileW / FindNextFileW / FindClose

TEST_F(posix_layer_test, find_reports_each_kind_of_entry_in_name_order) {
    write_file(".a.txt", "hidden");
    ASSERT_EQ(mkfifo("b.txt", 0600), 0);
    ASSERT_EQ(mkdir("c.txt", 0700), 0);
    write_file("d.txt", "read-only");
    ASSERT_EQ(chmod("d.txt", 0444), 0);
    write_file("e.txt", "plain");
    ASSERT_EQ(symlink("e.txt", "f.txt"), 0);
    ASSERT_EQ(symlink("nowhere", "g.txt"), 0);
    ASSERT_EQ(symlink("c.txt", "h.txt"), 0);
    write_file("other.dat", "not listed");
    ASSERT_EQ(mkfifo("other.fifo", 0600), 0);

    const listing found = list_matches(u"*.txt");
    const entry_list expected = {
        {u".a.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
        {u"b.txt", FILE_ATTRIBUTE_SYSTEM},
        {u"c.txt", dir_attr},
        {u"d.txt", file_attr},
        {u"e.txt", file_attr},
        {u"f.txt", file_attr},
        {u"g.txt", file_attr},
        {u"h.txt", dir_attr},
    };
    EXPECT_EQ(found.entries, expected);
    EXPECT_EQ(found.error, static_cast<DWORD>(ERROR_NO_MORE_FILES));
}

TEST_F(posix_layer_test, find_with_a_directory_part_returns_bare_names) {
    ASSERT_EQ(mkdir("docs", 0700), 0);
    write_file("docs/x.txt", "x");
    ASSERT_EQ(mkdir("docs/inner", 0700), 0);
    write_file("a\\b", "backslash");

    const struct {
        std::u16string pattern;
        entry_list entries;
    } rows[] = {
        {u"docs", {{u"docs", dir_attr}}},
        {u"DOCS", {{u"docs", dir_attr}}},
        {u"docs/*.txt", {{u"x.txt", file_attr}}},
        {u"docs/X.TXT", {{u"x.txt", file_attr}}},
        {u"docs/*",
         {{u".", hidden_dir_attr},
          {u"..", hidden_dir_attr},
          {u"inner", dir_attr},
          {u"x.txt", file_attr}}},
        {u"./docs/../docs/*.txt", {{u"x.txt", file_attr}}},
        {std::u16string(root_.begin(), root_.end()) + u"/docs/x*", {{u"x.txt", file_attr}}},
        // "\" is an ordinary character, not a separator.
        {u"a\\b", {{u"a\\b", file_attr}}},
        {u"a\\*", {{u"a\\b", file_attr}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(to_bytes(row.pattern));
        const listing found = list_matches(row.pattern);
        EXPECT_EQ(found.entries, row.entries);
        EXPECT_EQ(found.error, static_cast<DWORD>(ERROR_NO_MORE_FILES));
    }
}

TEST_F(posix_layer_test, find_failures_set_the_windows_error) {
    ASSERT_EQ(mkdir("docs", 0700), 0);
    write_file("docs/x.txt", "x");
    ASSERT_EQ(mkdir("locked", 0700), 0);
    write_file("locked/y.txt", "y");
    ASSERT_EQ(chmod("locked", 0), 0);

    const struct {
        std::u16string_view pattern;
        DWORD error;
        bool needs_permissions;  // root reads any directory
    } rows[] = {
        {u"*.none", ERROR_FILE_NOT_FOUND, false},
        {u"docs/", ERROR_FILE_NOT_FOUND, false},  // an empty name part matches nothing
        {u"docs/x.txt/", ERROR_PATH_NOT_FOUND, false},
        {u"docs/x.txt/*", ERROR_PATH_NOT_FOUND, false},
        {u"missing/*", ERROR_PATH_NOT_FOUND, false},
        {u"missing/deeper/*", ERROR_PATH_NOT_FOUND, false},
        {u"missing/", ERROR_PATH_NOT_FOUND, false},
        {u"locked/*", ERROR_ACCESS_DENIED, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(to_bytes(row.pattern));
        if (row.needs_permissions && geteuid() == 0) {
            continue;
        }
        EXPECT_EQ(list_matches(row.pattern).error, row.error);
    }
}

TEST_F(posix_layer_test, find_orders_names_ignoring_case) {
    // "_" sorts after the letters once they are upper-cased, before them in lower case.
    for (const char* name : {"B.txt", "a.txt", "C.txt", "_u.txt", "x.txt", "X.txt"}) {
        write_file(name, name);
    }
    const listing found = list_matches(u"*.txt");
    const entry_list expected = {
        {u"a.txt", file_attr}, {u"B.txt", file_attr}, {u"C.txt", file_attr},
        {u"X.txt", file_attr}, {u"x.txt", file_attr}, {u"_u.txt", file_attr},
    };
    EXPECT_EQ(found.entries, expected);
}

// Names alike in their first four units, shorter than four, and outside
// ASCII: upper-cased units in order, then the shorter name, then the raw
// units. The names alike in "abcd" differ past the first four units in ASCII,
// outside it and in an undecodable byte, so each kind of pair is compared.
TEST_F(posix_layer_test, find_orders_names_alike_in_their_first_units) {
    const std::u16string in_order[] = {
        u"ab",          u"ABC",         u"abc",         u"ABCDx",       u"abcdx",
        u"abcdy",       u"ABCD\u0436",  u"abcd\u0416",  u"abcd\xDCFF",  u"abcd\uFF21",
        u"z",           u"\u0416",      u"\u0436",      u"\u042F",      u"\uFF21",
    };  // Zhe, zhe, Ya, fullwidth A; 0xDCFF stands for the byte 0xFF
    for (const std::size_t i : {3, 13, 9, 0, 5, 14, 7, 1, 11, 4, 8, 2, 12, 6, 10})
        write_file(to_bytes(in_order[i]), "x");
    const listing found = list_matches(u"*");
    entry_list expected = {{u".", hidden_dir_attr}, {u"..", hidden_dir_attr}};
    for (const std::u16string& name : in_order) expected.push_back({name, file_attr});
    EXPECT_EQ(found.entries, expected);
}

TEST_F(posix_layer_test, find_returns_undecodable_names_losslessly) {
    const std::string raw = "bad\xff\xfe.txt";
    write_file(raw, "raw bytes");
    write_file("caf\xc3\xa9.txt", "valid UTF-8");

    const listing found = list_matches(u"*.txt");
    const std::u16string raw_units = u"bad\xdcff\xdcfe.txt";
    const entry_list expected = {
        {raw_units, file_attr},
        {u"caf\u00e9.txt", file_attr},
    };
    ASSERT_EQ(found.entries, expected);

    // The delivered name leads back to the same file.
    EXPECT_EQ(to_bytes(raw_units), raw);
    const listing again = list_matches(raw_units);
    ASSERT_EQ(again.entries.size(), 1u);
    EXPECT_EQ(again.entries[0].first, raw_units);
    SetLastError(untouched);
    ASSERT_TRUE(MoveFileW(raw_units.c_str(), u"renamed.txt"));
    EXPECT_EQ(GetLastError(), untouched);
    EXPECT_FALSE(exists_no_follow(raw));
    EXPECT_EQ(describe("renamed.txt"), "raw bytes");
}

TEST(find_handles, invalid_handles_are_refused) {
    WIN32_FIND_DATAW data;
    for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        SetLastError(0);
        EXPECT_FALSE(FindClose(bad));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0);
        EXPECT_FALSE(FindNextFileW(bad, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

// ---------------------------------------------------------------------------
// MoveFileW

TEST_F(posix_layer_test, move_renames_without_ever_replacing) {
    const struct {
        const char* label;
        std::u16string_view from;
        std::u16string_view to;
        DWORD error;  // 0: the move succeeds
        bool needs_permissions;
    } rows[] = {
        {"plain rename", u"src.txt", u"moved.txt", 0, false},
        {"into a subdirectory", u"src.txt", u"sub/moved.txt", 0, false},
        {"a directory", u"sub", u"sub2", 0, false},
        {"backslash is literal", u"src.txt", u"a\\b.txt", 0, false},
        {"target file exists", u"src.txt", u"dst.txt", ERROR_ALREADY_EXISTS, false},
        {"target directory exists", u"src.txt", u"sub", ERROR_ALREADY_EXISTS, false},
        {"target is a dangling link", u"src.txt", u"dangling", ERROR_ALREADY_EXISTS, false},
        {"old name missing", u"nope.txt", u"moved.txt", ERROR_FILE_NOT_FOUND, false},
        {"old directory missing", u"nodir/src.txt", u"moved.txt", ERROR_PATH_NOT_FOUND, false},
        {"new directory missing", u"src.txt", u"nodir/moved.txt", ERROR_PATH_NOT_FOUND, false},
        {"old directory is a file", u"dst.txt/x", u"moved.txt", ERROR_PATH_NOT_FOUND, false},
        {"empty new name", u"src.txt", u"", ERROR_INVALID_NAME, false},
        {"empty old name", u"", u"moved.txt", ERROR_INVALID_NAME, false},
        {"read-only directory", u"src.txt", u"ro/moved.txt", ERROR_ACCESS_DENIED, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        if (row.needs_permissions && geteuid() == 0) {
            continue;
        }
        // A fresh working directory per row.
        const std::string dir = root_ + "/" + std::to_string(&row - rows);
        ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        write_file("src.txt", "source");
        write_file("dst.txt", "target");
        ASSERT_EQ(mkdir("sub", 0700), 0);
        ASSERT_EQ(mkdir("ro", 0500), 0);
        ASSERT_EQ(symlink("nowhere", "dangling"), 0);

        const std::string from = to_bytes(row.from);
        const std::string to = to_bytes(row.to);
        const std::string from_before = describe(from);
        const std::string to_before = describe(to);
        const std::u16string from_name(row.from);
        const std::u16string to_name(row.to);

        SetLastError(untouched);
        const BOOL moved = MoveFileW(from_name.c_str(), to_name.c_str());
        if (row.error == 0) {
            EXPECT_TRUE(moved);
            EXPECT_EQ(GetLastError(), untouched);
            EXPECT_TRUE(exists_no_follow(to));
            EXPECT_EQ(describe(to), from_before);
            EXPECT_FALSE(exists_no_follow(from));
        } else {
            EXPECT_FALSE(moved);
            EXPECT_EQ(GetLastError(), row.error);
            EXPECT_EQ(describe(from), from_before);
            EXPECT_EQ(describe(to), to_before);
        }
        // Nothing else appeared or vanished: "\" made no directory, the target kept its link.
        EXPECT_FALSE(exists_no_follow("a"));
        EXPECT_TRUE(exists_no_follow("dangling"));
        EXPECT_EQ(describe("dst.txt"), "target");
        ASSERT_EQ(chdir(root_.c_str()), 0);
    }
}

// A slot holds one value per thread, null until that thread stores one, and
// null again in every thread once the slot is freed and allocated anew.
TEST(thread_slots, hold_a_value_per_thread) {
    const DWORD slot = TlsAlloc();
    ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
    int mine = 0;
    int theirs = 0;
    SetLastError(untouched);
    EXPECT_EQ(TlsGetValue(slot), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(TlsSetValue(slot, &mine));
    std::thread other([&] {
        EXPECT_EQ(TlsGetValue(slot), nullptr);
        EXPECT_TRUE(TlsSetValue(slot, &theirs));
        EXPECT_EQ(TlsGetValue(slot), &theirs);
    });
    other.join();
    EXPECT_EQ(TlsGetValue(slot), &mine);

    ASSERT_TRUE(TlsFree(slot));
    EXPECT_FALSE(TlsSetValue(slot, &mine)) << "a freed slot takes no value";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(TlsFree(slot));
    const DWORD again = TlsAlloc();
    ASSERT_NE(again, TLS_OUT_OF_INDEXES);
    EXPECT_EQ(TlsGetValue(again), nullptr) << "a value outlived its slot";
    EXPECT_TRUE(TlsFree(again));

    SetLastError(0);
    EXPECT_EQ(TlsGetValue(TLS_OUT_OF_INDEXES), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Signals that interrupt a large write into a pipe make the system take only
// part of it, or none; WriteFile goes on until every byte is written, in
// order.
TEST(write_file, finishes_writes_that_signals_cut_short) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: an interrupted write returns early
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

    std::string sent(4 << 20, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7 + i / 4099);
    std::string received;
    std::thread reader([&] {
        char chunk[4096];
        ssize_t n;
        while ((n = read(ends[0], chunk, sizeof chunk)) != 0) {
            if (n > 0) received.append(chunk, static_cast<std::size_t>(n));
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    });
    const pthread_t writer = pthread_self();
    std::atomic<bool> writing{true};
    std::thread interrupter([&] {
        while (writing) {
            pthread_kill(writer, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    DWORD written = 0;
    SetLastError(untouched);
    const BOOL ok = WriteFile(reinterpret_cast<HANDLE>(std::intptr_t{ends[1]} + 1), sent.data(),
                              static_cast<DWORD>(sent.size()), &written, nullptr);
    writing = false;
    interrupter.join();
    close(ends[1]);
    reader.join();
    close(ends[0]);
    sigaction(SIGUSR1, &previous, nullptr);

    EXPECT_TRUE(ok);
    EXPECT_EQ(GetLastError(), untouched);
    EXPECT_EQ(written, static_cast<DWORD>(sent.size()));
    EXPECT_TRUE(received == sent) << "bytes lost, repeated or out of order";
}

}  // namespace
