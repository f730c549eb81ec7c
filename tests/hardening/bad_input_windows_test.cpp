// Bad input that only Windows can give: lone surrogates on the command line,
// and a command line as long as the system allows.
#include "hardening/bad_input.h"

namespace {

using hardening::bad_input_case;
using hardening::files;
using hardening::no_files;
using hardening::one_file;
using test_support::ansi;

TEST(BadInput, LoneSurrogatesAndTheLongestCommandLine) {
    const std::u16string lone_high = u"\xD800", lone_low = u"\xDC00";
    const std::u16string long_pattern(32000, u'a');
    const bad_input_case cases[] = {
        // The wide separator is the lone unit itself, which no name holds.
        {"a lone surrogate as the separator", one_file, lone_high + u" *.txt",
         "1_a.txt <== SKIPPED (Can't shorten)\r\n\r\n", 0, one_file},
        {"a lone surrogate in the pattern", one_file, u"_ " + lone_low + u"*.txt",
         no_files(ansi(lone_low + u"*.txt")), 0, one_file},
        {"a pattern of 32,000 units", one_file, u"_ " + long_pattern,
         no_files(std::string(32000, 'a')), 0, one_file},
    };
    for (const auto& c : cases) hardening::check_bad_input(c);
}

}  // namespace
