// The run's error state and the guard around system calls.
#pragma once

#include <cstdint>

#include "host/platform.h"

// Code of the most recent failure; 0 while none has been recorded.
extern std::uint8_t last_error;

// Stores code in last_error. Codes 241 and above end the process at once with
// exit code 255.
void record_error(std::uint8_t code);

// The last_error code that stands for a Windows error code.
std::uint8_t map_system_error(DWORD system_error);

// What a guarded call reports besides its own result.
struct guard_outcome {
    bool ok;              // the last-error value was 0 after the call
    std::uint8_t code;    // map_system_error of system_error when !ok
    DWORD system_error;   // the last-error value after the call
};

template <class R>
struct guarded {
    R result;
    guard_outcome outcome;
};

namespace detail {
UINT guard_enter();
guard_outcome guard_leave();
}  // namespace detail

// Makes one system call with the system's error boxes suppressed, and judges
// it by the thread's last-error value alone: 0 after the call is success,
// whatever the call returned. The error mode in force before is restored.
template <class Fn, class... Args>
auto guarded_call(Fn&& fn, Args&&... args) -> guarded<decltype(fn(args...))> {
    detail::guard_enter();
    auto result = fn(static_cast<Args&&>(args)...);
    return {result, detail::guard_leave()};
}
