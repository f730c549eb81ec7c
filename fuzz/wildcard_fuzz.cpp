// The wildcard matcher of the POSIX directory search against a slow reference:
// a table of which pattern prefix matches which name prefix.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "host/posix/internal.h"
#include "host/posix/wildcard.h"

namespace {

bool same_unit(char16_t pattern_unit, char16_t name_unit) {
    return pattern_unit == u'?' ||
           posix_layer::upper_unit(pattern_unit) == posix_layer::upper_unit(name_unit);
}

bool reference_stars(std::u16string_view pattern, std::u16string_view name) {
    const std::size_t columns = name.size() + 1;
    std::vector<char> matches((pattern.size() + 1) * columns, 0);
    auto at = [&](std::size_t p, std::size_t n) -> char& { return matches[p * columns + n]; };
    at(0, 0) = 1;
    for (std::size_t p = 1; p <= pattern.size(); ++p) {
        for (std::size_t n = 0; n <= name.size(); ++n) {
            if (pattern[p - 1] == u'*')
                at(p, n) = at(p - 1, n) || (n > 0 && at(p, n - 1));
            else
                at(p, n) = n > 0 && same_unit(pattern[p - 1], name[n - 1]) && at(p - 1, n - 1);
        }
    }
    return at(pattern.size(), name.size());
}

bool reference_match(std::u16string_view pattern, std::u16string_view name) {
    if (reference_stars(pattern, name)) return true;
    return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == u".*" &&
           reference_stars(pattern.substr(0, pattern.size() - 2), name);
}

// A small alphabet, so that patterns and names meet often: wildcards, the dot,
// letters in both cases (ASCII, Latin-1, Greek, Cyrillic) and odd units.
constexpr char16_t alphabet[16] = {u'*',      u'?',      u'.',      u'a',      u'A',      u'b',
                                   u'.',      u'*',      u'\u00E9', u'\u00C9', u'\u03B1', u'\u0391',
                                   u'\u0436', u'\u0416', u'\xDC80', u' '};

std::u16string spell(const std::string& bytes) {
    std::u16string out;
    for (const unsigned char b : bytes) out.push_back(b < 0xF0 ? alphabet[b % 16] : char16_t(b));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const std::u16string pattern = spell(in.bytes(in.byte()));
    const std::u16string name = spell(in.rest());
    FUZZ_CHECK(posix_layer::wildcard_match(pattern, name) == reference_match(pattern, name));
    return 0;
}
