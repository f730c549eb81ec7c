// Program-name skipping and the command tail against a reference written
// straight from the rules: a quoted name runs to the next quote, an unquoted
// one over every unit above U+0020, and only blanks after it are skipped.
#include <string>

#include "fuzz_support.h"
#include "host/error_state.h"
#include "host/host.h"

namespace {

std::size_t reference_tail_start(const std::u16string& line) {
    const std::size_t n = line.size();
    std::size_t i = 0;
    if (n == 0) return 0;
    if (line[0] == u'"') {
        const std::size_t close = line.find(u'"', 1);
        if (close == std::u16string::npos) return n;  // unclosed: the tail is empty
        i = close + 1;
    } else if (line[0] != u' ') {
        while (i < n && line[i] > u' ') ++i;
        if (i == n || line[i] != u' ') return i;  // the end, or a control unit that starts the tail
    }
    while (i < n && line[i] == u' ') ++i;
    return i;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    std::u16string line = in.units(size);
    line = line.substr(0, line.find(u'\0'));  // the command line ends at its NUL

    const std::size_t start = skip_program_name(line.c_str());
    FUZZ_CHECK(start == reference_tail_start(line));

    const host_state saved = host;
    host.command_line = wide_ptr(line.c_str());
    host.tail_start = start;
    last_error = 0;
    const std::u16string tail = command_tail();
    host = saved;
    FUZZ_CHECK(tail == line.substr(start));
    FUZZ_CHECK(last_error == 0);
    return 0;
}
