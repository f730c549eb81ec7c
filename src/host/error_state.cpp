#include "host/error_state.h"

std::uint8_t last_error = 0;

namespace {
// The error mode in force before the current guarded call. Guarded calls
// never overlap: all of them are made on the main thread.
UINT kept_error_mode = 0;
}  // namespace

void record_error(std::uint8_t code) {
    last_error = code;
    if (code >= 241) ExitProcess(255);
}

std::uint8_t map_system_error(DWORD e) {
    switch (e) {
        case 1: return 75;
        case 2: return 53;
        case 3: return 76;
        case 4: return 67;
        case 5: return 70;
        case 6: return 51;
        case 7: return 241;
        case 8: return 7;
        case 9: case 10: return 241;
        case 11: case 12: case 13: return 51;
        case 14: return 7;
        case 15: return 68;
        case 16: return 75;
        case 17: return 74;
        case 18: return 53;
        case 19: return 70;
        case 20: return 68;
        case 21: return 71;
        case 22: return 51;
        case 23: return 72;
        case 24: return 51;
        case 25: case 26: case 27: case 28: case 29: case 30: case 31: return 72;
        case 32: case 33: return 70;
        case 34: case 35: return 72;
        case 36: return 70;
        case 37: return 75;
        case 38: return 62;
        case 39: return 61;
        case 87: return 5;
        case 112: return 61;
        default: return 75;
    }
}

namespace detail {

UINT guard_enter() {
    kept_error_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetLastError(0);
    return kept_error_mode;
}

guard_outcome guard_leave() {
    const DWORD system_error = GetLastError();
    SetErrorMode(kept_error_mode);
    if (system_error == 0) return {true, 0, 0};
    return {false, map_system_error(system_error), system_error};
}

}  // namespace detail
