// Replaceable hooks through which the library meets a person and the clock:
// message boxes, debugger output and the current time. With no host
// attached nothing ever waits for a person who is not there.
#pragma once

#include <ctime>
#include <functional>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

using MessageBoxHook =
    std::function<int(HWND owner, const CString& text, const CString& caption, UINT type)>;
using DebugOutputHook = std::function<void(const CString& text)>;
using ClockHook = std::function<std::time_t()>;

// Each setter returns the previous hook. An empty hook restores the default:
// message boxes write "caption: text" to standard error and answer IDOK for
// a box with only OK, IDCANCEL for a box with Cancel (IDNO for Yes/No);
// debug output is silent; the clock is the system clock.
CMD_PLATFORM_API MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
CMD_PLATFORM_API DebugOutputHook SetDebugOutputHook(DebugOutputHook hook);
CMD_PLATFORM_API ClockHook SetClockHook(ClockHook hook);

CMD_PLATFORM_API int MessageBoxW(HWND owner, const char16_t* text, const char16_t* caption,
                                 UINT type);
// The framework's message box: the caption is the application's name, which
// for this module (created with no name) is empty.
CMD_PLATFORM_API int AfxMessageBox(const char16_t* text, UINT type = MB_OK, UINT helpId = 0);
CMD_PLATFORM_API void OutputDebugStringW(const char16_t* text);
// The current time, from the clock hook.
CMD_PLATFORM_API std::time_t CurrentTime();
