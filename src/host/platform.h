// The platform call surface: the Windows types, constants and calls that the
// rest of headtrim is written against. On Windows they come from the system
// headers; elsewhere from headtrim's own POSIX layer (host/posix/).
//
// This header and the files under host/posix and host/win are the only places
// where the platforms differ.
#pragma once

#include <cfenv>
#include <cstdint>

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>

// UTF-16 text is held in char16_t; the system takes wchar_t, which is the
// same 16-bit unit on Windows.
inline const WCHAR* wide_ptr(const char16_t* p) { return reinterpret_cast<const WCHAR*>(p); }
inline WCHAR* wide_ptr(char16_t* p) { return reinterpret_cast<WCHAR*>(p); }
inline const char16_t* u16_ptr(const WCHAR* p) { return reinterpret_cast<const char16_t*>(p); }

// Where a directory part of a name ends: after "\", "/" or a drive's ":".
inline bool is_path_separator(char16_t c) { return c == u'\\' || c == u'/' || c == u':'; }
// A search pattern ending in one of these names a directory (or drive) to list.
inline bool ends_in_directory(char16_t c) { return c == u'\\' || c == u':'; }

#else

#include "host/posix/win_types.h"

inline const WCHAR* wide_ptr(const char16_t* p) { return p; }
inline WCHAR* wide_ptr(char16_t* p) { return p; }
inline const char16_t* u16_ptr(const WCHAR* p) { return p; }

// On POSIX "\" and ":" are ordinary file-name characters.
inline bool is_path_separator(char16_t c) { return c == u'/'; }
inline bool ends_in_directory(char16_t c) { return c == u'/'; }

#endif

// Process-level set-up that Windows does before main and POSIX must do by
// hand: remember argv for GetCommandLineW, keep SIGPIPE from killing the
// process, give closed standard descriptors a placeholder. No-op on Windows.
void platform_start(int argc, char** argv);

// Extended precision, round to nearest, every floating-point exception masked
// (control word 0x133F on 32-bit x86; elsewhere the precision is fixed).
inline void set_float_environment() {
#if defined(__i386__)
    const unsigned short control_word = 0x133F;
    __asm__ volatile("fldcw %0" : : "m"(control_word));
#elif defined(__x86_64__) && !defined(_WIN32)
    // What feholdexcept and fesetround(FE_TONEAREST) do, for the x87 and the
    // SSE unit alike, without loading the maths library that holds them:
    // flags cleared, every exception masked, rounding to nearest.
    unsigned short control_word;
    __asm__ volatile("fnstcw %0" : "=m"(control_word));
    control_word = static_cast<unsigned short>((control_word | 0x3F) & ~0x0C00);
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(control_word));
    unsigned int status;
    __asm__ volatile("stmxcsr %0" : "=m"(status));
    status = (status | 0x1F80u) & ~(0x6000u | 0x3Fu);
    __asm__ volatile("ldmxcsr %0" : : "m"(status));
#else
    std::fenv_t env;
    std::feholdexcept(&env);  // clears the flags and masks every exception
    std::fesetround(FE_TONEAREST);
#endif
}
