#include "text/text.h"

#include <algorithm>
#include <new>

#include "host/error_state.h"
#include "host/host.h"

namespace {

UINT conversion_code_page() {
    const thread_record* record = current_thread_record();
    return record != nullptr ? record->code_page : CP_ACP;
}

// A copy of the source for the failure paths that give it back unchanged.
template <class Text>
Text unchanged(const Text& text) {
    try {
        return text;
    } catch (const std::bad_alloc&) {
        return {};
    }
}


template <class Text>
Text concat_texts(const Text& a, const Text& b) {
    try {
        if (a.empty()) return b;
        if (b.empty()) return a;
        Text result;
        result.reserve(a.size() + b.size());
        result.append(a).append(b);
        return result;
    } catch (const std::bad_alloc&) {
        record_error(7);
        return {};
    }
}

template <class Text>
Text mid_texts(const Text& text, std::int32_t start, std::int32_t count) {
    const std::int64_t length = static_cast<std::int64_t>(text.size());
    std::int64_t first = start;
    if (first == 0) return {};
    if (first < 0) {
        first = length + first + 1;
        if (first < 1) return {};
    }
    const std::int64_t offset = first - 1;
    if (offset >= length || count <= 0) return {};
    const std::int64_t take = std::min<std::int64_t>(length - offset, count);
    try {
        return text.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(take));
    } catch (const std::bad_alloc&) {
        record_error(7);
        return unchanged(text);
    }
}

}  // namespace

std::u16string to_wide(const std::string& text) {
    if (text.empty()) return {};
    const UINT code_page = conversion_code_page();
    const int count = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(code_page, MB_PRECOMPOSED, text.data(), count, nullptr, 0);
    if (units <= 0) return {};
    try {
        std::u16string result(static_cast<std::size_t>(units), u'\0');
        MultiByteToWideChar(code_page, MB_PRECOMPOSED, text.data(), count, wide_ptr(result.data()),
                            units);
        return result;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::string to_narrow(const std::u16string& text) {
    if (text.empty()) return {};
    const UINT code_page = conversion_code_page();
    const int count = static_cast<int>(text.size());
    // A short text, such as a file name, converts in one call into this
    // frame's buffer (no code page takes more than four bytes for a unit);
    // a longer one is measured first.
    char buffer[256];
    if (count <= static_cast<int>(sizeof buffer / 4)) {
        const int bytes = WideCharToMultiByte(code_page, 0, wide_ptr(text.data()), count, buffer,
                                              static_cast<int>(sizeof buffer), nullptr, nullptr);
        if (bytes <= 0) return {};
        try {
            return std::string(buffer, static_cast<std::size_t>(bytes));
        } catch (const std::bad_alloc&) {
            return {};
        }
    }
    const int bytes =
        WideCharToMultiByte(code_page, 0, wide_ptr(text.data()), count, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    try {
        std::string result(static_cast<std::size_t>(bytes), '\0');
        WideCharToMultiByte(code_page, 0, wide_ptr(text.data()), count, result.data(), bytes,
                            nullptr, nullptr);
        return result;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::int32_t text_length(const std::string& text) { return static_cast<std::int32_t>(text.size()); }

std::string concat(const std::string& a, const std::string& b) { return concat_texts(a, b); }
std::u16string concat(const std::u16string& a, const std::u16string& b) {
    return concat_texts(a, b);
}
std::string concat(const std::string& a, const std::string& b, const std::string& c) {
    try {
        std::string result;
        result.reserve(a.size() + b.size() + c.size());
        result.append(a).append(b).append(c);
        return result;
    } catch (const std::bad_alloc&) {
        record_error(7);
        return {};
    }
}

std::string mid_from(const std::string& text, std::int32_t start, std::int32_t count) {
    return mid_texts(text, start, count);
}
std::u16string mid_from(const std::u16string& text, std::int32_t start, std::int32_t count) {
    return mid_texts(text, start, count);
}

bool equal_narrow(const std::string& a, const std::string& b) { return a == b; }
bool equal_wide(const std::u16string& a, const std::u16string& b) { return a == b; }

std::u16string to_lower(const std::u16string& text) {
    if (text.empty()) return {};
    try {
        std::u16string result = text;
        CharLowerBuffW(wide_ptr(result.data()), static_cast<DWORD>(result.size()));
        return result;
    } catch (const std::bad_alloc&) {
        record_error(7);
        return unchanged(text);
    }
}
