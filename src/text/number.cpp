#include <charconv>
#include <cmath>
#include <new>

#include "host/error_state.h"
#include "text/text.h"

// Only the digit placeholder "0" and the grouping comma are understood; other
// mask characters are ignored. Values below zero format as their magnitude;
// a value that is not a finite number gives the empty text.
std::string format_number(double value, const std::string& mask) {
    if (!std::isfinite(value)) return {};
    int placeholders = 0;
    bool grouping = false;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == '0')
            ++placeholders;
        else if (mask[i] == ',' && i > 0 && mask[i - 1] == '0')
            grouping = true;
    }
    // Round half to even in the current (round-to-nearest) environment.
    const double whole = std::nearbyint(std::fabs(value));
    // The exact decimal digits of the whole number: at most 309 for a double.
    // Dividing by ten step by step would round, and large values would get
    // wrong digits.
    char exact[320];
    const auto converted =
        std::to_chars(exact, exact + sizeof exact, whole, std::chars_format::fixed, 0);
    if (converted.ec != std::errc{}) return {};
    try {
        std::string digits(exact, converted.ptr);
        if (static_cast<int>(digits.size()) < placeholders)
            digits.insert(0, static_cast<std::size_t>(placeholders) - digits.size(), '0');
        if (!grouping) return digits;
        std::string result;
        result.reserve(digits.size() + digits.size() / 3);
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (i > 0 && (digits.size() - i) % 3 == 0) result.push_back(',');
            result.push_back(digits[i]);
        }
        return result;
    } catch (const std::bad_alloc&) {
        record_error(7);
        return {};
    }
}
