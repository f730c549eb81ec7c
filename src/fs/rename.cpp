#include "fs/fs.h"
#include "host/error_state.h"

namespace {

// Copies a name into its buffer; false when it is too long or holds a
// wildcard before its first NUL unit.
bool fill_name(const std::u16string& name, char16_t (&buffer)[MAX_NAME_UNITS + 1]) {
    if (name.size() > std::size_t(MAX_NAME_UNITS)) return false;
    name.copy(buffer, name.size());
    buffer[name.size()] = 0;
    for (const char16_t* p = buffer; *p != 0; ++p)
        if (*p == u'?' || *p == u'*') return false;
    return true;
}

}  // namespace

rename_outcome rename_file(const std::u16string& old_name, const std::u16string& new_name) {
    char16_t new_buffer[MAX_NAME_UNITS + 1];
    char16_t old_buffer[MAX_NAME_UNITS + 1];
    if (!fill_name(new_name, new_buffer) || !fill_name(old_name, old_buffer)) {
        record_error(64);
        return {false, 64, ERROR_INVALID_NAME};
    }
    const auto call = guarded_call(MoveFileW, wide_ptr(old_buffer), wide_ptr(new_buffer));
    if (call.outcome.ok) return {true, 0, 0};
    const std::uint8_t code = call.outcome.code == 75 ? 58 : call.outcome.code;
    record_error(code);
    return {false, code, call.outcome.system_error};
}
