// Shared steps of the file functions (kernel calls, CFile, CFileFind and the
// C runtime's wide file functions). Each returns 0 on success or the Windows
// error of the failure, so that every caller reports it in its own way:
// GetLastError, a CFileException or an errno value.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "cmddll3/platform/windef.h"

namespace cmd::fileimpl {

// Maps a Windows-form path (nullptr reads as empty) to a host path.
DWORD MapPath(const char16_t* winPath, std::string& hostPath);

// The Windows error of the current errno for an operation on hostPath.
DWORD LastError(const std::string& hostPath);

// Windows has a read-only attribute where the host has permission bits: an
// entry its owner may not write is read-only.
inline bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }
DWORD AttributesOf(const struct stat& st);

// The folder part of a host path ("." for a bare name, "/" for the root).
std::string FolderOf(const std::string& hostPath);
// The last component of a Windows-form path, as spelled (trailing
// separators ignored).
std::u16string LastComponent(std::u16string_view winPath);

DWORD DeleteFile(const std::string& hostPath);
// toWin is the new name as the caller spelled it: a rename that only
// changes the case of letters takes that spelling.
DWORD MoveFile(const std::string& from, const std::string& to, std::u16string_view toWin);
DWORD CopyFile(const std::string& from, const std::string& to, bool failIfExists);
DWORD CreateFolder(const std::string& hostPath);
DWORD RemoveFolder(const std::string& hostPath);

// Copies a text to a caller's buffer by the Windows protocol: with room for
// the text and its terminator, copies it and returns its length; otherwise
// returns the size needed (terminator included) and copies nothing.
DWORD CopyOut(std::u16string_view text, char16_t* buffer, DWORD size);

}  // namespace cmd::fileimpl
