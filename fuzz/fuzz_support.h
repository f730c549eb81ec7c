// Shared by the fuzz targets: the check that stops a run on a wrong result,
// and a reader that takes the input apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace fuzz {

class input {
public:
    input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ == size_; }
    std::size_t left() const { return size_ - at_; }

    // The next byte, or 0 when the input is used up.
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

    // Up to count bytes.
    std::string bytes(std::size_t count) {
        if (count > left()) count = left();
        std::string out(reinterpret_cast<const char*>(data_ + at_), count);
        at_ += count;
        return out;
    }
    std::string rest() { return bytes(left()); }

    // Up to count UTF-16 units, two bytes each, low byte first.
    std::u16string units(std::size_t count) {
        std::u16string out;
        while (out.size() < count && left() >= 2) {
            const unsigned low = data_[at_], high = data_[at_ + 1];
            out.push_back(static_cast<char16_t>(low | (high << 8)));
            at_ += 2;
        }
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace fuzz
