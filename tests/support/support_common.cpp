#include <fstream>
#include <random>
#include <sstream>

#include "support/support.h"

namespace test_support {

scratch_dir::scratch_dir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (;;) {
        path_ = fs::temp_directory_path() / ("headtrim-test-" + std::to_string(random()));
        if (fs::create_directory(path_)) break;
    }
}

scratch_dir::~scratch_dir() {
    std::error_code ignored;
    // Read-only entries must be writable again before they can go everywhere.
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add |
                        fs::perm_options::nofollow, ignored);
    fs::remove_all(path_, ignored);
}

fs::path scratch_dir::operator/(const std::string& utf8_name) const {
    return path_ / utf8_path(utf8_name);
}

current_dir::current_dir(const fs::path& dir) : saved_(fs::current_path()) {
    fs::current_path(dir);
}

current_dir::~current_dir() { fs::current_path(saved_); }

fs::path utf8_path(const std::string& utf8_name) {
    return fs::path(std::u8string(utf8_name.begin(), utf8_name.end()));
}

void write_file(const fs::path& file, const std::string& contents) {
    std::ofstream out(file, std::ios::binary);
    out << contents;
}

std::string read_file(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void make_read_only(const fs::path& file) {
    fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::u8string name = entry.path().filename().u8string();
        const std::string key(name.begin(), name.end());
        if (entry.is_directory())
            entries[key] = "<dir>";
        else if (entry.is_regular_file())
            entries[key] = read_file(entry.path());
        else
            entries[key] = "<other>";
    }
    return entries;
}

std::string utf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (cp >= 0xDC80 && cp <= 0xDCFF) {
            out += static_cast<char>(cp - 0xDC00);
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace test_support
