// parse_field and the end trims, narrow and wide, against references that
// follow the steps literally: a naive search for the whole delimiter, and
// dropping the trim text while the rest begins (ends) with it.
#include <climits>
#include <string>

#include "fuzz_support.h"
#include "host/error_state.h"
#include "text/text.h"

namespace {

template <class Text>
bool occurs_at(const Text& source, const Text& part, std::size_t at) {
    if (at + part.size() > source.size()) return false;
    for (std::size_t j = 0; j < part.size(); ++j)
        if (source[at + j] != part[j]) return false;
    return true;
}

template <class Text>
Text reference_field(const Text& source, const Text& delimiter, long long index) {
    // Chosen by the implementation: the whole source is field 1 of an empty
    // delimiter (the steps would never advance).
    if (delimiter.empty()) return index == 1 ? source : Text{};
    std::size_t cursor = 0;
    for (long long k = index;; --k) {
        std::size_t found = Text::npos;
        for (std::size_t p = cursor; p + delimiter.size() <= source.size(); ++p) {
            if (occurs_at(source, delimiter, p)) {
                found = p;
                break;
            }
        }
        if (found == Text::npos) return k == 1 ? source.substr(cursor) : Text{};
        if (k == 1) return source.substr(cursor, found - cursor);
        cursor = found + delimiter.size();
    }
}

template <class Text>
Text reference_trim(const Text& text, const Text& trim, bool leading) {
    if (text.empty() || trim.empty() || trim.size() > text.size()) return text;
    Text rest = text;
    if (leading) {
        while (occurs_at(rest, trim, 0)) rest.erase(0, trim.size());
    } else {
        while (rest.size() >= trim.size() && occurs_at(rest, trim, rest.size() - trim.size()))
            rest.erase(rest.size() - trim.size());
    }
    return rest;
}

// Bytes as wide text: ASCII stays, every other byte becomes a unit far above
// it, so the wide forms see units that no byte can equal.
std::u16string widen(const std::string& bytes) {
    std::u16string out;
    for (const unsigned char b : bytes)
        out.push_back(b < 0x80 ? b : static_cast<char16_t>(0xFF00 | b));
    return out;
}

template <class Text>
void check_all(const Text& source, const Text& delimiter, std::int32_t index) {
    last_error = 0;
    FUZZ_CHECK(parse_field(source, delimiter, index) == reference_field(source, delimiter, index));
    FUZZ_CHECK(trim_leading(source, delimiter) == reference_trim(source, delimiter, true));
    FUZZ_CHECK(trim_trailing(source, delimiter) == reference_trim(source, delimiter, false));
    FUZZ_CHECK(last_error == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const std::uint8_t selector = in.byte();
    std::int32_t index = static_cast<std::int32_t>(selector % 8) - 1;  // -1 to 6
    if (selector == 0xFF) index = INT_MAX;
    if (selector == 0xFE) index = INT_MIN;
    const std::string delimiter = in.bytes(in.byte() % 4);
    const std::string source = in.rest();

    check_all(source, delimiter, index);
    check_all(widen(source), widen(delimiter), index);
    return 0;
}
