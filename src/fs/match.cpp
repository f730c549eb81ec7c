#include <new>

#include "fs/fs.h"
#include "host/error_state.h"
#include "host/host.h"

namespace {

search_state* open_search() {
    thread_record* record = current_thread_record();
    return record != nullptr ? &record->search : nullptr;
}

// The entry's name if it passes the filter; the empty text if it is skipped.
// A storage failure is reported through failed.
std::u16string entry_name(const WIN32_FIND_DATAW& found, bool& failed) {
    if (found.dwFileAttributes &
        (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY))
        return {};
    const std::u16string_view name(u16_ptr(found.cFileName));
    if (name == u"." || name == u"..") return {};
    try {
        return std::u16string(name);
    } catch (const std::bad_alloc&) {
        failed = true;
        return {};
    }
}

// Reads on from the record that the last Find call filled until an entry
// passes the filter or the search ends.
std::u16string deliver(search_state& search, WIN32_FIND_DATAW& found) {
    for (;;) {
        bool failed = false;
        std::u16string name = entry_name(found, failed);
        if (failed) {
            record_error(7);
            return {};
        }
        if (!name.empty()) return name;
        const auto next = guarded_call(FindNextFileW, search.handle, &found);
        if (!next.result) {
            close_search();
            return {};
        }
    }
}

}  // namespace

std::u16string first_match(const std::u16string& pattern) {
    if (pattern.empty()) return next_match();
    close_search();
    search_state* search = open_search();
    if (search == nullptr || pattern.size() > std::size_t(MAX_NAME_UNITS)) return {};

    // Room for the pattern, "*.*" and the terminating NUL.
    char16_t buffer[MAX_NAME_UNITS + 4] = {};
    pattern.copy(buffer, pattern.size());
    std::size_t length = pattern.size();
    if (ends_in_directory(buffer[length - 1])) {
        buffer[length++] = u'*';
        buffer[length++] = u'.';
        buffer[length++] = u'*';
    }
    buffer[length] = 0;

    WIN32_FIND_DATAW found{};
    const auto first = guarded_call(FindFirstFileW, wide_ptr(buffer), &found);
    if (first.result == INVALID_HANDLE_VALUE || first.result == nullptr) return {};
    search->handle = first.result;
    return deliver(*search, found);
}

std::u16string next_match() {
    search_state* search = open_search();
    if (search == nullptr || search->handle == nullptr) return {};
    WIN32_FIND_DATAW found;  // filled by the call; read only when it succeeds
    const auto next = guarded_call(FindNextFileW, search->handle, &found);
    if (!next.result) {
        close_search();
        return {};
    }
    return deliver(*search, found);
}

void close_search() {
    search_state* search = open_search();
    if (search == nullptr || search->handle == nullptr) return;
    guarded_call(FindClose, search->handle);
    search->handle = nullptr;
}
