// The Windows shell's folder and path functions.
#pragma once

#include "cmddll3/platform/windef.h"

constexpr int CSIDL_FLAG_MASK = 0xFF00;

// The per-user folder of csidl into path (room for MAX_PATH units), without
// a trailing separator:
//   CSIDL_APPDATA: $XDG_CONFIG_HOME, else $HOME/.config;
//   CSIDL_LOCAL_APPDATA: $XDG_DATA_HOME, else $HOME/.local/share
// (variables that do not hold an absolute path count as unset). E_FAIL,
// with an empty path, when neither variable is known; E_INVALIDARG for
// another csidl. With CSIDL_FLAG_CREATE the folder is created, parents
// included. The window, token and flags are not used.
CMD_PLATFORM_API HRESULT SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags,
                                          LPWSTR path);

// Joins a folder and a name by the shell's rules into dest (room for
// MAX_PATH units):
//   a name that is absolute ("C:..." or "\\\\server...") is taken alone;
//   a name starting with one backslash is put under the folder's root
//   ("C:\a" and "\b" give "C:\b"; a folder without a root fails);
//   otherwise a backslash is put between the two unless the folder ends
//   with one (only the backslash separates here: "/" is an ordinary
//   character, as for the shell);
//   an empty or null name gives the folder alone;
// then "." and ".." components are resolved (".." never climbs above the
// root), a bare drive gets its backslash ("C:" gives "C:\"), and an empty
// result is "\". Returns dest, or nullptr with dest emptied when both
// parts are null or the result would reach MAX_PATH units.
CMD_PLATFORM_API LPWSTR PathCombineW(LPWSTR dest, LPCWSTR dir, LPCWSTR file);

// TRUE when a file or folder of that path exists.
CMD_PLATFORM_API BOOL PathFileExistsW(LPCWSTR path);
