#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

#include "host/error_state.h"
#include "text/text.h"

// Doubles are IEEE 754 binary64: the exact digits below are read from the bits.
static_assert(std::numeric_limits<double>::is_iec559);

namespace {

constexpr double two_to_52 = 4503599627370496.0;
constexpr double two_to_64 = 18446744073709551616.0;

// A magnitude rounded to a whole number, half to even, as the round-to-nearest
// environment rounds. Worked out here rather than by the maths library, which
// would be loaded by every run of the program for this alone.
double rounded_whole(double magnitude) {
    if (!(magnitude < two_to_52)) return magnitude;  // already whole
    const auto whole = static_cast<std::int64_t>(magnitude);
    const double fraction = magnitude - static_cast<double>(whole);  // exact
    if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0))
        return static_cast<double>(whole + 1);
    return static_cast<double>(whole);
}

// The exact decimal digits of a whole, finite, non-negative double, written
// at out (room for 309 digits); returns their end. Below 2^64 the value is an
// integer of its own; above, its 53-bit significand is doubled in base 10^9
// limbs as often as its exponent says.
char* exact_digits(double whole, char* out) {
    if (whole < two_to_64)
        return std::to_chars(out, out + 320, static_cast<std::uint64_t>(whole)).ptr;
    const auto bits = std::bit_cast<std::uint64_t>(whole);
    int shift = static_cast<int>((bits >> 52) & 0x7FF) - 1075;
    std::uint64_t significand = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    constexpr std::uint64_t base = 1000000000;
    std::uint32_t limbs[36];  // 2^1024 has 309 digits: 35 limbs
    int count = 0;
    for (; significand != 0; significand /= base) limbs[count++] = significand % base;
    while (shift > 0) {
        const int step = shift < 29 ? shift : 29;  // a limb times 2^29 fits in 64 bits
        std::uint64_t carry = 0;
        for (int i = 0; i < count; ++i) {
            const std::uint64_t v = (std::uint64_t{limbs[i]} << step) + carry;
            limbs[i] = static_cast<std::uint32_t>(v % base);
            carry = v / base;
        }
        for (; carry != 0; carry /= base) limbs[count++] = static_cast<std::uint32_t>(carry % base);
        shift -= step;
    }
    out = std::to_chars(out, out + 9, limbs[count - 1]).ptr;
    for (int i = count - 2; i >= 0; --i) {
        std::uint32_t limb = limbs[i];
        for (int k = 8; k >= 0; --k, limb /= 10) out[k] = static_cast<char>('0' + limb % 10);
        out += 9;
    }
    return out;
}

}  // namespace

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
    // The exact decimal digits of the whole number: at most 309 for a double.
    // Dividing the double by ten step by step would round, and large values
    // would get wrong digits.
    char exact[320];
    char* const end = exact_digits(rounded_whole(std::fabs(value)), exact);
    try {
        std::string digits(exact, end);
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
