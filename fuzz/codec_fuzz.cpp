// The lossless conversion between narrow text (UTF-8 with every stray byte
// kept) and UTF-16: any bytes survive to_wide then to_narrow unchanged, and
// any UTF-16 text settles after one trip through narrow text.
#include <string>

#include "fuzz_support.h"
#include "host/platform.h"
#include "text/text.h"

namespace {

bool is_high(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool is_low(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}
bool is_escape(char16_t u) {
    return u >= 0xDC80 && u <= 0xDCFF;
}

// True when every surrogate is paired, or is an escaped byte.
bool well_formed(const std::u16string& units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (is_high(units[i]) && i + 1 < units.size() && is_low(units[i + 1]))
            ++i;
        else if ((is_high(units[i]) || is_low(units[i])) && !is_escape(units[i]))
            return false;
    }
    return true;
}

// True when the text holds an escaped byte; a run of them may spell valid
// UTF-8 and so come back as the character.
bool has_escape(const std::u16string& units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (is_high(units[i]) && i + 1 < units.size() && is_low(units[i + 1]))
            ++i;
        else if (is_escape(units[i]))
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string wide = to_wide(bytes);
    FUZZ_CHECK(wide.empty() == bytes.empty());
    FUZZ_CHECK(well_formed(wide));
    FUZZ_CHECK(to_narrow(wide) == bytes);
    const int units = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes.data(),
                                          static_cast<int>(bytes.size()), nullptr, 0);
    FUZZ_CHECK(static_cast<std::size_t>(units) == wide.size());

    // The same input read as UTF-16.
    fuzz::input in(data, size);
    const std::u16string text = in.units(size);
    const std::string narrow = to_narrow(text);
    FUZZ_CHECK(narrow.empty() == text.empty());
    FUZZ_CHECK(to_narrow(to_wide(narrow)) == narrow);
    if (well_formed(text) && !has_escape(text)) FUZZ_CHECK(to_wide(narrow) == text);
    return 0;
}
