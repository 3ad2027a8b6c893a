// Windows-form paths on the host's file system.
//
// Paths cross the interface in Windows form ("C:\\inst\\MASTER\\電気\\").
// They are mapped to host paths only when a file is touched:
//   - "\" and "/" are both separators;
//   - a drive prefix "X:" is looked up in the drive map (SetDriveRoot); an
//     unmapped drive behaves like a missing drive;
//   - a component that does not exist as spelled is matched against the
//     folder's entries with ASCII letters folded, as Windows matches names;
//     a new name is created as spelled;
//   - names are UTF-8 on disk.
#pragma once

#include <string>
#include <string_view>

#include "cmddll3/platform/windef.h"

namespace cmd::path {

// Maps drive letter `drive` (A to Z, either case) to a host folder; an empty
// folder removes the mapping.
CMD_PLATFORM_API void SetDriveRoot(char16_t drive, const std::string& hostFolder);
CMD_PLATFORM_API std::string GetDriveRoot(char16_t drive);

// Maps a Windows-form path to a host path. Returns false, with the Windows
// error in GetLastError, for a path that no host path can stand for: an
// unmapped drive (ERROR_PATH_NOT_FOUND), a UNC path "\\\\server\\share"
// (ERROR_BAD_NETPATH behaves as ERROR_PATH_NOT_FOUND here), an empty path, or
// a path of MAX_PATH units or more (ERROR_FILENAME_EXCED_RANGE). A path that
// starts with "/" is a host path: the separators after it still name the
// root ("/\\x.ini" is "/x.ini").
CMD_PLATFORM_API bool ToHost(std::u16string_view winPath, std::string& hostPath);

// ToHost, with "" for a path that cannot be mapped (opening "" fails with
// ENOENT, which is the right outcome for every caller that only opens).
CMD_PLATFORM_API std::string ToHostOrEmpty(std::u16string_view winPath);

// The Windows-form text of a host path (UTF-8 to UTF-16, separators kept).
CMD_PLATFORM_API std::u16string FromHost(std::string_view hostPath);

// True for "\" and "/".
constexpr bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace cmd::path
