// Random sets of names renamed with a random separator: whatever collides, no
// file is lost, duplicated or given a name other than its own without the
// first word, and the report tells exactly what happened.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/support.h"

namespace {

using namespace test_support;

struct generated_case {
    std::vector<std::u16string> names;
    char16_t separator;
};

generated_case generate(std::mt19937& random) {
    // Lower case only: Windows names ignore case. Every name ends in "x", so
    // none ends in a dot or a blank, which Windows would drop.
    std::vector<std::u16string> words = {u"a", u"b", u"1", u"2", u"\u00E9", u"\u0101"};
    if (names_are_bytes()) words.push_back(u"\xDCFF");  // a byte that is not UTF-8
    const std::u16string separators = u" _.";
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };

    generated_case c;
    c.separator = separators[pick(separators.size())];
    std::set<std::u16string> names;
    const std::size_t count = 3 + pick(8);
    while (names.size() < count) {
        std::u16string name;
        const std::size_t word_count = pick(4);
        for (std::size_t w = 0; w < word_count; ++w) {
            name += words[pick(words.size())];
            name += separators[pick(separators.size())];
        }
        name += u"x";
        names.insert(name);
        // Deliberate collisions and chains: another first word before the
        // same rest, and the rest itself.
        if (pick(3) == 0) names.insert(u"2" + std::u16string(1, c.separator) + name);
        if (pick(3) == 0) names.insert(u"1" + std::u16string(1, c.separator) + name);
    }
    c.names.assign(names.begin(), names.end());
    return c;
}

std::u16string without_first_word(const std::u16string& name, char16_t separator) {
    const std::size_t at = name.find(separator);
    return at == std::u16string::npos ? name : name.substr(at + 1);
}

TEST(RenameProperty, NothingIsLostAndTheReportTellsTheTruth) {
    std::mt19937 random(20261211);
    for (int case_number = 0; case_number < 200; ++case_number) {
        const generated_case c = generate(random);
        scratch_dir dir;
        std::map<std::string, std::u16string> original_of;  // contents -> original name
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            const std::string contents = "file " + std::to_string(i);
            write_file(dir.path() / native_name(c.names[i]), contents);
            original_of[contents] = c.names[i];
        }
        const std::u16string tail = c.separator == u' '
                                        ? std::u16string(u"*x")
                                        : std::u16string(1, c.separator) + u" *x";
        const run_result run = run_headtrim(tail, dir.path());
        const std::string context = "case " + std::to_string(case_number) + ", tail '" + utf8(tail) + "'";

        // Every file is still there, once, under its old or its new name.
        const auto after = snapshot(dir.path());
        ASSERT_EQ(after.size(), c.names.size()) << context;
        std::vector<std::string> expected_lines;
        bool any_failed = false;
        for (const auto& [name_utf8, contents] : after) {
            ASSERT_EQ(original_of.count(contents), 1u) << context << ": " << name_utf8;
            const std::u16string& old_name = original_of.at(contents);
            const std::u16string new_name = without_first_word(old_name, c.separator);
            const bool has_separator = new_name.size() != old_name.size();
            const bool renamed = name_utf8 == utf8(new_name) && has_separator;
            ASSERT_TRUE(renamed || name_utf8 == utf8(old_name)) << context << ": " << name_utf8;
            if (!has_separator) {
                expected_lines.push_back(report_form(old_name) + " <== SKIPPED (Can't shorten)");
            } else {
                std::string line = report_form(old_name) + " ==> " + report_form(new_name);
                if (!renamed) {
                    line += " <== FAILED (Name already exists)";
                    any_failed = true;
                }
                expected_lines.push_back(line);
            }
        }

        // One report line per file, in any order, then the closing blank line.
        ASSERT_GE(run.out.size(), 4u) << context;
        EXPECT_EQ(run.out.substr(run.out.size() - 4), "\r\n\r\n") << context;
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; (end = run.out.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            lines.push_back(run.out.substr(start, end - start));
        ASSERT_FALSE(lines.empty());
        lines.pop_back();
        std::sort(lines.begin(), lines.end());
        std::sort(expected_lines.begin(), expected_lines.end());
        EXPECT_EQ(lines, expected_lines) << context;
        EXPECT_EQ(run.exit_code, any_failed ? 1 : 0) << context;
    }
}

}  // namespace
