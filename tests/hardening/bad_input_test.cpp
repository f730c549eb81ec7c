// Command tails that are odd, hostile or meaningless: each gets a clear
// outcome from the usual messages, and no file changes that the pattern did
// not select.
#include "hardening/bad_input.h"

namespace {

using hardening::bad_input_case;
using hardening::files;
using hardening::no_files;
using hardening::one_file;

TEST(BadInput, OddTailsGetAClearOutcome) {
    const std::u16string stars_257(257, u'*');
    const bad_input_case cases[] = {
        {"a control character as the separator", one_file, u"\x01 *.txt",
         "1_a.txt <== SKIPPED (Can't shorten)\r\n\r\n", 0, one_file},
        {"control characters in the pattern", one_file, u"_ *.txt\x07\x1b[2J",
         no_files("*.txt\x07\x1b[2J"), 0, one_file},
        {"a TAB is no word break", one_file, u"_\t*.txt", no_files("_\t*.txt"), 0, one_file},
        {"a TAB as the separator", one_file, u"\t *.txt",
         "1_a.txt <== SKIPPED (Can't shorten)\r\n\r\n", 0, one_file},
        {"257 wildcards match nothing", one_file, u"_ " + stars_257,
         no_files(std::string(257, '*')), 0, one_file},
        {"a lone wildcard selects the visible files only",
         {{"1_a.txt", "a"}, {".1_h.txt", "h"}, {"1_d", "<dir>"}},
         u"_ *",
         "1_a.txt ==> a.txt\r\n\r\n",
         0,
         {{"a.txt", "a"}, {".1_h.txt", "h"}, {"1_d", "<dir>"}}},
        {"a question mark stands for one character only",
         {{"1_a.txt", "a"}, {"12_b.txt", "b"}},
         u"_ ?_*",
         "1_a.txt ==> a.txt\r\n\r\n",
         0,
         {{"a.txt", "a"}, {"12_b.txt", "b"}}},
        {"..", one_file, u"_ ..", no_files(".."), 0, one_file},
        {".", one_file, u"_ .", no_files("."), 0, one_file},
        {"../ renames in the parent directory, as selected",
         {{"1_a.txt", "a"}, {"sub", "<dir>"}},
         u"_ ../*.txt",
         "1_a.txt ==> a.txt\r\n\r\n",
         0,
         {{"a.txt", "a"}, {"sub", "<dir>"}},
         "sub"},
        {"a missing directory", one_file, u"_ missing/*.txt", no_files("missing/*.txt"), 0,
         one_file},
        {"a path through a file", one_file, u"_ 1_a.txt/*", no_files("1_a.txt/*"), 0, one_file},
        {"an absolute path that does not exist", one_file, u"_ /no-such-directory-of-headtrim/*",
         no_files("/no-such-directory-of-headtrim/*"), 0, one_file},
    };
    for (const auto& c : cases) hardening::check_bad_input(c);
}

}  // namespace
