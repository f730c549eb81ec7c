#include "tool/tool.h"

#include <new>
#include <utility>

#include "fs/fs.h"
#include "host/error_state.h"
#include "host/host.h"
#include "text/text.h"
#include "tool/messages.h"

namespace {

constexpr std::int32_t TO_THE_END = 2147483647;

// A message text as narrow text. Storage failure: code 7 recorded, the empty
// text, as for any copy of a literal.
std::string literal(const char* text) {
    try {
        return text;
    } catch (const std::bad_alloc&) {
        record_error(7);
        return {};
    }
}

void print_line(const std::string& text) {
    print_text(text);
    print_newline();
}

void print_usage() {
    for (const char* line : messages::usage_lines) print_line(literal(line));
    print_newline();
}

// The directory part of a pattern, up to and including its last separator;
// renames address the found names there.
std::u16string directory_part(const std::u16string& pattern) {
    for (std::size_t i = pattern.size(); i > 0; --i)
        if (is_path_separator(pattern[i - 1])) return mid_from(pattern, 1, static_cast<std::int32_t>(i));
    return {};
}

// A few words on why a rename failed, from the system's own reason.
std::string failure_reason(DWORD system_error) {
    switch (system_error) {
        case 80:   // ERROR_FILE_EXISTS
        case 183:  // ERROR_ALREADY_EXISTS
            return literal("Name already exists");
        case 2: return literal("File not found");
        case 3: return literal("Path not found");
        case 123:  // ERROR_INVALID_NAME
        case 161:  // ERROR_BAD_PATHNAME
        case 206:  // ERROR_FILENAME_EXCED_RANGE
            return literal("Bad file name");
        case 5:
        case 19: return literal("Permission denied");
        case 32:
        case 33: return literal("File in use");
        case 39:
        case 112: return literal("Disk full");
        case 8:
        case 14: return literal("Out of memory");
        default: return concat(literal("Error "), format_number(system_error, "0"));
    }
}

// Gathers every matching name before anything is renamed. False when the run
// ends here with a message.
bool collect_matches(const arguments& args, std::vector<std::u16string>& match_list,
                     std::int32_t& match_count) {
    std::u16string found = first_match(args.search_spec);
    if (found.empty()) {
        print_line(concat(concat(literal(messages::no_files_before), args.filespec),
                          literal(messages::no_files_after)));
        print_newline();
        return false;
    }
    while (!found.empty()) {
        if (match_count == MAX_MATCHES) {
            print_line(concat(
                concat(literal(messages::limit_before), format_number(MAX_MATCHES, "0,")),
                literal(messages::limit_after)));
            print_newline();
            return false;
        }
        match_list.push_back(std::move(found));  // within the reserved capacity
        ++match_count;
        found = next_match();
    }
    return true;
}

// The three texts one after another in line, in the storage line already has
// where it is large enough. Storage failure: code 7 recorded, the empty text,
// as for concat.
void make_line(std::string& line, const std::string& a, const std::string& b,
               const std::string& c) {
    try {
        line.assign(a).append(b).append(c);
    } catch (const std::bad_alloc&) {
        record_error(7);
        line.clear();
    }
}

// Renames every stored name that holds the separator to what follows it, and
// reports each name. True when every rename succeeded.
bool rename_pass(const arguments& args, const std::vector<std::u16string>& match_list,
                 std::int32_t match_count) {
    const std::u16string directory = directory_part(args.search_spec);
    const std::string arrow = literal(messages::arrow);
    std::string skipped;  // made when first needed
    std::string line;     // one report line; its storage serves every name
    bool all_done = true;
    for (std::int32_t i = 0; i < match_count; ++i) {
        const std::u16string& name = match_list[static_cast<std::size_t>(i)];
        const std::u16string first = parse_field(name, args.wide_separator, 1);
        const std::string shown = to_narrow(name);
        if (first.size() == name.size()) {
            if (skipped.empty()) skipped = literal(messages::skipped);
            print_line(concat(shown, skipped));
            continue;
        }
        const std::u16string new_name =
            mid_from(name, static_cast<std::int32_t>(first.size()) + 2, TO_THE_END);
        // Without a directory part the names go as they are, uncopied.
        const rename_outcome outcome =
            directory.empty() ? rename_file(name, new_name)
                              : rename_file(concat(directory, name), concat(directory, new_name));
        make_line(line, shown, arrow, to_narrow(new_name));
        if (!outcome.ok) {
            all_done = false;
            line = concat(line, concat(literal(messages::failed_before),
                                       failure_reason(outcome.system_error),
                                       literal(messages::failed_after)));
        }
        print_line(line);
    }
    print_newline();
    return all_done;
}

}  // namespace

bool is_help_request() {
    static const char* const exact[] = {"", "/?", "?"};
    static const char* const folded[] = {"help", "/h", "/help"};
    // One copy of the tail and one folded copy serve every comparison.
    const std::u16string tail = command_tail();
    for (const char* word : exact)
        if (equal_wide(tail, to_wide(word))) return true;
    const std::u16string lower = to_lower(tail);
    for (const char* word : folded)
        if (equal_wide(lower, to_wide(word))) return true;
    return false;
}

arguments interpret_arguments(const std::u16string& tail) {
    arguments args{};
    const std::u16string space = u" ";
    // The fields are handed on, never copied: a copy would need storage.
    std::u16string first_wide = parse_field(tail, space, 1);
    std::string first = to_narrow(first_wide);
    std::u16string spec_wide;
    if (text_length(first) == 1) {
        args.separator = std::move(first);
        args.wide_separator = std::move(first_wide);
        spec_wide = parse_field(tail, space, 2);
        args.filespec = to_narrow(spec_wide);
    } else {
        args.separator.assign(1, ' ');
        args.wide_separator = space;
        spec_wide = std::move(first_wide);
        args.filespec = std::move(first);
    }
    if (equal_narrow(args.filespec, "")) {
        args.usage = true;
        return args;
    }
    args.filespec = trim_trailing(trim_leading(args.filespec, "\""), "\"");
    args.search_spec = trim_trailing(trim_leading(spec_wide, u"\""), u"\"");
    return args;
}

int tool_main() {
    // The whole capacity at once; a slot is filled, never grown into. Slots
    // are made as names arrive, so a short run touches only the storage it
    // uses.
    std::vector<std::u16string> match_list;
    try {
        match_list.reserve(MAX_MATCHES);
    } catch (const std::bad_alloc&) {
        record_error(241);
    }
    std::int32_t match_count = 0;

    if (is_help_request()) {
        print_usage();
        return 0;
    }
    const arguments args = interpret_arguments(command_tail());
    if (args.usage) {
        print_usage();
        return 0;
    }
    if (!collect_matches(args, match_list, match_count)) return 0;
    return rename_pass(args, match_list, match_count) ? 0 : 1;
}
