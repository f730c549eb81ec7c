// format_number against a reference built from the exact decimal form that
// printf gives of the rounded value.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "host/error_state.h"
#include "text/text.h"

namespace {

std::string reference_format(double value, const std::string& mask) {
    if (!std::isfinite(value)) return {};
    std::size_t placeholders = 0;
    bool grouping = false;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == '0') ++placeholders;
        if (mask[i] == ',' && i > 0 && mask[i - 1] == '0') grouping = true;
    }
    const double whole = std::nearbyint(std::fabs(value));  // halves to even
    std::vector<char> buffer(400);
    std::snprintf(buffer.data(), buffer.size(), "%.0f", whole);
    std::string digits = buffer.data();
    if (digits.size() < placeholders) digits.insert(0, placeholders - digits.size(), '0');
    if (!grouping) return digits;
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const std::string raw = in.bytes(sizeof(double));
    double value = 0;
    std::memcpy(&value, raw.data(), raw.size());
    const std::string mask = in.bytes(64);
    last_error = 0;
    FUZZ_CHECK(format_number(value, mask) == reference_format(value, mask));
    FUZZ_CHECK(last_error == 0);
    return 0;
}
