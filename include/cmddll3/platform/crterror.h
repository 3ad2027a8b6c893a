// The Windows C runtime's texts for error numbers (_wcserror), for the
// debugger messages that report a file that could not be opened.
#pragma once

#include "cmddll3/platform/windef.h"

// The runtime's text for a host errno value, translated to the Windows
// runtime's numbering first ("No such file or directory", "Permission
// denied", ...). Unknown numbers give "Unknown error".
CMD_PLATFORM_API const char16_t* _wcserror(int hostErrno);
