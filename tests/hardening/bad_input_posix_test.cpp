// Bad input that only POSIX can give: bytes that are not UTF-8, arguments of
// 100,000 bytes, the root directory, and directories or a file system that
// refuse the user.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "hardening/bad_input.h"
#include "hardening/spawn_posix.h"

namespace {

using namespace test_support;
using hardening::bad_input_case;
using hardening::files;
using hardening::no_files;
using hardening::one_file;

// U+DC80..U+DCFF in a tail stand for the raw bytes 0x80..0xFF.
TEST(BadInput, BytesAndSizesThatOnlyPosixCanPass) {
    const std::u16string big(100000, u'a');
    const bad_input_case cases[] = {
        {"a byte that is not UTF-8 as the separator",
         {{"1\xFF"
           "a.txt",
           "a"}},
         u"\xDCFF *.txt",
         "1\xFF"
         "a.txt ==> a.txt\r\n\r\n",
         0,
         {{"a.txt", "a"}}},
        {"bytes that are not UTF-8 in the pattern", one_file, u"_ \xDCFE\xDCFF*",
         no_files("\xFE\xFF*"), 0, one_file},
        {"an encoded surrogate is three bytes, so no separator", one_file,
         u"\xDCED\xDCA0\xDC80 *.txt", no_files("\xED\xA0\x80"), 0, one_file},
        {"a pattern of 100,000 bytes", one_file, u"_ " + big, no_files(std::string(100000, 'a')), 0,
         one_file},
        {"a first word of 100,000 bytes", one_file, big + u" *.txt",
         no_files(std::string(100000, 'a')), 0, one_file},
        {"100,000 bytes after the pattern are ignored",
         one_file,
         u"_ *.txt " + big,
         "1_a.txt ==> a.txt\r\n\r\n",
         0,
         {{"a.txt", "a"}}},
        {"100,000 wildcards match nothing", one_file, u"_ " + std::u16string(100000, u'*'),
         no_files(std::string(100000, '*')), 0, one_file},
        {"256 wildcards select every visible file",
         one_file,
         u"_ " + std::u16string(256, u'*'),
         "1_a.txt ==> a.txt\r\n\r\n",
         0,
         {{"a.txt", "a"}}},
    };
    for (const auto& c : cases) hardening::check_bad_input(c);
}

// "/" lists the root directory. With a separator that no name there holds,
// every name is skipped and nothing is renamed.
TEST(BadInput, TheRootDirectoryIsListedNotChanged) {
    scratch_dir dir;
    hardening::spawn_request request;
    request.arguments = {"\x01 /"};
    request.dir = dir.path();
    const hardening::spawn_result run = hardening::spawn(request);
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0)
        << hardening::describe(run.status);
    if (run.out == no_files("/")) return;
    ASSERT_GE(run.out.size(), 2u);
    EXPECT_EQ(run.out.substr(run.out.size() - 2), "\r\n");
    const std::string skipped = " <== SKIPPED (Can't shorten)";
    std::size_t start = 0;
    for (std::size_t end; (end = run.out.find("\r\n", start)) != run.out.size() - 2;
         start = end + 2) {
        const std::string line = run.out.substr(start, end - start);
        EXPECT_TRUE(line.size() > skipped.size() &&
                    line.substr(line.size() - skipped.size()) == skipped)
            << line;
    }
}

// Makes dir and everything in it belong to the user the program will run as.
void give_to(const fs::path& dir, uid_t uid, gid_t gid) {
    if (lchown(dir.c_str(), uid, gid) != 0) throw std::runtime_error("chown " + dir.string());
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (lchown(entry.path().c_str(), uid, gid) != 0)
            throw std::runtime_error("chown " + entry.path().string());
}

// A tmpfs mounted read-only at dir, holding the given files; unmounted at the
// end. Needs the right to mount: empty when the machine refuses.
class read_only_mount {
public:
    read_only_mount(const fs::path& dir, const files& contents) : dir_(dir) {
        fs::create_directory(dir);
        if (mount("headtrim-test", dir.c_str(), "tmpfs", 0, "size=1m") != 0) return;
        mounted_ = true;
        for (const auto& [name, data] : contents) write_file(dir / name, data);
        read_only_ = mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~read_only_mount() {
        if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
    }
    bool read_only() const { return read_only_; }

private:
    fs::path dir_;
    bool mounted_ = false;
    bool read_only_ = false;
};

// Permission is refused. Root may do anything, so when the tests run as root
// the program runs as "nobody", from a copy that nobody may execute.
TEST(BadInput, RefusedDirectoriesAndAReadOnlyFileSystem) {
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (uid == 0 && !hardening::nobody_ids(uid, gid)) GTEST_SKIP() << "no user 'nobody' to run as";

    scratch_dir program_dir;
    const fs::path program = program_dir.path() / "headtrim";
    fs::copy_file(hardening::program_path(), program);
    fs::permissions(program_dir.path(), fs::perms(0755));
    fs::permissions(program, fs::perms(0755));

    struct permission_case {
        const char* what;
        const char* sub;  // the directory that refuses
        fs::perms mode;   // its mode, unless it is a read-only mount
        bool read_only_mount;
        std::string out;
        int exit_code;
    };
    const permission_case cases[] = {
        {"a directory without read permission", "locked", fs::perms(0300), false,
         no_files("locked/*.txt"), 0},
        {"a directory without write permission", "fixed", fs::perms(0555), false,
         "1_a.txt ==> a.txt <== FAILED (Permission denied)\r\n\r\n", 1},
        {"a file system mounted read-only", "mounted", fs::perms(0555), true,
         "1_a.txt ==> a.txt <== FAILED (Permission denied)\r\n\r\n", 1},
    };
    for (const auto& c : cases) {
        scratch_dir dir;
        const fs::path sub = dir.path() / c.sub;
        std::optional<read_only_mount> mounted;
        bool as_root = false;
        if (c.read_only_mount) {
            // Root meets the read-only file system itself: no permission is
            // refused it. Where mounting is not allowed, the row falls back to
            // a directory without write permission.
            mounted.emplace(sub, one_file);
            as_root = mounted->read_only();
            if (!as_root) std::printf("%s: cannot mount here, using a directory instead\n", c.what);
        }
        if (!as_root) {
            fs::create_directories(sub);
            write_file(sub / "1_a.txt", "a");
            if (getuid() == 0) give_to(dir.path(), uid, gid);
            fs::permissions(sub, c.mode);
        }
        hardening::spawn_request request;
        request.arguments = {std::string("_ ") + c.sub + "/*.txt"};
        request.dir = dir.path();
        request.as_nobody = !as_root;
        request.program = program;
        const hardening::spawn_result run = hardening::spawn(request);
        std::error_code read_only;  // a read-only mount keeps its mode
        fs::permissions(sub, fs::perms(0755), read_only);
        ASSERT_TRUE(WIFEXITED(run.status)) << c.what << ": " << hardening::describe(run.status);
        EXPECT_EQ(WEXITSTATUS(run.status), c.exit_code) << c.what;
        EXPECT_EQ(run.out, c.out) << c.what;
        EXPECT_EQ(snapshot(sub), one_file) << c.what;
    }
}

}  // namespace
