// Invariant checks of the firmware.
//
// The firmware has no exceptions and no error path for broken invariants, so
// in debug and sanitizer builds a violated invariant stops the program with a
// message instead of corrupting state quietly. Release builds compile the
// checks away; the code after each check must still stay inside its tables.
#pragma once

#if !defined(NDEBUG) || defined(KANDO_CHECKS)
#define KANDO_CHECKS_ENABLED 1
[[noreturn]] void PanelCheckFailed(const char* message, const char* file, int line);
#define PANEL_CHECK(cond, message) ((cond) ? (void)0 : PanelCheckFailed((message), __FILE__, __LINE__))
#else
#define KANDO_CHECKS_ENABLED 0
#define PANEL_CHECK(cond, message) ((void)0)
#endif
