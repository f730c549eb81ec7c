#include <new>
#include <string_view>

#include "host/error_state.h"
#include "text/text.h"

namespace {

template <class Text>
Text copy_or_source(const Text& source, std::size_t offset, std::size_t count) {
    if (count == 0) return {};
    try {
        return source.substr(offset, count);
    } catch (const std::bad_alloc&) {
        record_error(7);
        try {
            return source;
        } catch (const std::bad_alloc&) {
            return {};
        }
    }
}

template <class Text>
Text field(const Text& source, const Text& delimiter, std::int32_t index) {
    if (index < 1 || source.empty()) return {};
    if (delimiter.empty()) return index == 1 ? copy_or_source(source, 0, source.size()) : Text{};
    std::size_t cursor = 0;
    for (std::int32_t k = index;; --k) {
        const std::size_t found = source.find(delimiter, cursor);
        if (found == Text::npos)
            return k == 1 ? copy_or_source(source, cursor, source.size() - cursor) : Text{};
        if (k == 1) return copy_or_source(source, cursor, found - cursor);
        cursor = found + delimiter.size();
    }
}

template <class Text>
Text trimmed(const Text& text, const Text& trim, bool leading) {
    if (text.empty() || trim.empty() || trim.size() > text.size()) return copy_or_source(text, 0, text.size());
    using View = std::basic_string_view<typename Text::value_type>;
    View rest(text);
    if (leading) {
        while (rest.size() >= trim.size() && rest.substr(0, trim.size()) == View(trim))
            rest.remove_prefix(trim.size());
    } else {
        while (rest.size() >= trim.size() && rest.substr(rest.size() - trim.size()) == View(trim))
            rest.remove_suffix(trim.size());
    }
    const std::size_t offset = static_cast<std::size_t>(rest.data() - text.data());
    return copy_or_source(text, offset, rest.size());
}

}  // namespace

std::u16string parse_field(const std::u16string& source, const std::u16string& delimiter,
                           std::int32_t index) {
    return field(source, delimiter, index);
}

std::string parse_field(const std::string& source, const std::string& delimiter,
                        std::int32_t index) {
    return field(source, delimiter, index);
}

std::string trim_leading(const std::string& text, const std::string& trim) {
    return trimmed(text, trim, true);
}

std::string trim_trailing(const std::string& text, const std::string& trim) {
    return trimmed(text, trim, false);
}

std::u16string trim_leading(const std::u16string& text, const std::u16string& trim) {
    return trimmed(text, trim, true);
}

std::u16string trim_trailing(const std::u16string& text, const std::u16string& trim) {
    return trimmed(text, trim, false);
}
