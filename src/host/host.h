// The process host: start-up, the command tail, console output, the per-thread
// state of the services, and shutdown.
#pragma once

#include <cstddef>
#include <string>

#include "host/error_state.h"
#include "host/platform.h"

// The open directory search of a thread; no handle when none is open.
struct search_state {
    HANDLE handle;
};

// Per-thread state of the services, created zero-filled for the main thread.
struct thread_record {
    search_state search;
    UINT code_page;  // conversion code page of to_wide and to_narrow: CP_ACP
};

struct host_state {
    HANDLE std_input;
    HANDLE std_output;  // every byte the tool prints goes here
    HANDLE std_error;
    HANDLE console_output;
    const WCHAR* command_line;
    std::size_t tail_start;
    DWORD thread_slot;
};

extern host_state host;

// Creates the calling thread's record under host.thread_slot (allocating the
// slot first if there is none). False when the slot or the record cannot be
// obtained.
bool create_thread_record();
// Closes a search left open and releases the record and the slot.
void release_thread_record();
// The calling thread's record, or null before create_thread_record.
thread_record* current_thread_record();

// Where the command tail begins in a NUL-terminated command line: after the
// program name and the blanks that follow it.
std::size_t skip_program_name(const char16_t* command_line);

// A fresh copy of the command tail. Storage failure: code 7, the empty text.
std::u16string command_tail();

// One write of count bytes to standard output; a failure or a short write
// is recorded, never reported. Inline, like the two below, so that a report
// line's writes leave the caller's frame through WriteFile alone: every
// return that crosses a system call costs a mispredicted jump on return.
inline void write_output(const char* bytes, DWORD count) {
    DWORD written = 0;
    const auto call = guarded_call(WriteFile, host.std_output, bytes, count, &written, nullptr);
    if (!call.outcome.ok)
        record_error(call.outcome.code);
    else if (written < count)
        record_error(61);
}

// One unbuffered write of the text's bytes to standard output (none for the
// empty text); failures are recorded, never reported.
inline void print_text(const std::string& text) {
    if (!text.empty()) write_output(text.data(), static_cast<DWORD>(text.size()));
}
// One write of CR LF.
inline void print_newline() { write_output("\r\n", 2); }

// The whole life of the process: start-up, tool_main, shutdown. Never returns.
[[noreturn]] void host_run();
