// Scratch directories, fixtures and a runner for the built program, shared by
// the tests. The platform-specific parts live in support_posix.cpp and
// support_win.cpp.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace test_support {

namespace fs = std::filesystem;

// A fresh empty directory, removed with everything in it at the end.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& utf8_name) const;

private:
    fs::path path_;
};

// Makes dir the current directory for the lifetime of the guard.
class current_dir {
public:
    explicit current_dir(const fs::path& dir);
    ~current_dir();

private:
    fs::path saved_;
};

// The path of a name given as UTF-8 bytes.
fs::path utf8_path(const std::string& utf8_name);
void write_file(const fs::path& file, const std::string& contents);
std::string read_file(const fs::path& file);

// Entries the directory search must leave out. make_hidden expects a name that
// begins with "." (hidden on POSIX) and also sets the hidden attribute where
// there is one; make_system_entry creates the entry (a FIFO on POSIX, a file
// with the system attribute on Windows).
void make_hidden(const fs::path& file);
void make_system_entry(const fs::path& file);
void make_read_only(const fs::path& file);

// Every entry of a directory, by UTF-8 name: a file's contents, or "<dir>".
std::map<std::string, std::string> snapshot(const fs::path& dir);

struct run_result {
    std::string out;  // every byte written to standard output
    int exit_code;
};

// Runs the built program in dir with the command tail exactly as given (the
// empty tail: no arguments at all).
run_result run_headtrim(const std::u16string& tail, const fs::path& dir);

// Windows only: runs the built program with exactly this command line (the
// program name included, as the system hands it over).
run_result run_headtrim_command_line(const std::u16string& command_line, const fs::path& dir);

// Windows only: the ANSI code page form of a name, as the system converts it.
std::string ansi(const std::u16string& text);

// UTF-8 of a UTF-16 text, for messages and names. A unit U+DC80..U+DCFF
// stands for the raw byte it escapes (how POSIX names that are not UTF-8
// appear as wide text).
std::string utf8(const std::u16string& text);

// The file-system path of a name given as UTF-16.
fs::path native_name(const std::u16string& name);
// How the program prints a name: its bytes on POSIX, its ANSI code page form
// on Windows.
std::string report_form(const std::u16string& name);
// True where names are byte strings that may hold bytes that are not UTF-8.
bool names_are_bytes();

// POSIX only: unmasks the division-by-zero and invalid-operation traps where
// the C library can (glibc), so that a test sees whether they get masked.
void enable_float_traps();

// The usage screen, byte for byte as the program prints it.
inline const std::string usage_screen =
    "HEADTRIM: Removes the first word from a set of files.\r\n"
    "Usage is:\r\n"
    " Headtrim [separator] filespec\r\n"
    " Filespec must be specific (*.* is OK) just to avoid accidental use.\r\n"
    " Optional separator defines a wordbreak character other than a space.\r\n"
    "\r\n";

}  // namespace test_support
