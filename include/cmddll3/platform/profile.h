// Settings (INI) files: the private-profile functions of Windows.
//
// Files are read and written the way Windows reads and writes them:
//   - lines end at CR, LF or CR LF and are trimmed of tab to CR, Ctrl-Z and
//     space; "[name]" starts a section (the name runs to the last "]"), a
//     line whose first character is ";" is a comment, "key=value" is an
//     entry; lines before the first section belong to no section; a comment
//     is left out of key lists and section contents, but ";key=value" is
//     still found, written and deleted by its exact name ";key";
//   - section and key names match with Latin letters folded (ASCII and
//     full-width); the caller's names are trimmed of spaces; the first
//     section and the first key of a name win;
//   - a value enclosed in one kind of quote (' or ") loses the quotes;
//   - a write edits the file in place: a changed entry becomes "key=value"
//     with its own line end, a new key follows the last non-blank line of its
//     section, a new section is appended, every other byte stays as it was;
//   - a file that starts with FF FE is UTF-16LE and one with EF BB BF UTF-8,
//     and stays so; any other file, and every new one, is code page 932.
//     Where a written name or value has no code page 932 form, the file is
//     rewritten as UTF-16LE with byte-order mark rather than lose it.
// A write replaces the file atomically (temporary file in the same folder,
// flushed, renamed over it, permissions kept; a file reached through
// symbolic links is replaced where they lead) under an advisory lock on the
// file, so writers in several processes never lose each other's keys and a
// reader sees the old file or the new one. Nothing is cached.
//
// Paths are Windows-form paths; a bare file name lives in the Windows folder.
// A null file name stands for the user profile (see SetUserProfileFile).
#pragma once

#include <string>

#include "cmddll3/platform/windef.h"

// Copies the value of a key into buffer (at most nSize-1 characters, then a
// zero) and returns the characters copied; a missing file, section or key
// gives lpDefault (null for "") without its trailing spaces. A null key
// lists the section's key names, a null section the file's section names:
// each name followed by a zero, the list by a second zero; a list that does
// not fit is cut and ends with two zeros, and the result is nSize-2. With
// nSize 0 the buffer is left alone and the result is 0.
CMD_PLATFORM_API DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName,
                                                LPCWSTR lpDefault, LPWSTR lpReturnedString,
                                                DWORD nSize, LPCWSTR lpFileName);
// The leading number of a value: an optional sign, then hexadecimal after
// "0x", octal after "0o", binary after "0b", otherwise decimal ("010" is
// 10), wrapping on overflow; nDefault for a missing or empty value, 0 for
// one that does not start with a number.
CMD_PLATFORM_API UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, int nDefault,
                                            LPCWSTR lpFileName);
// "key=value" lines of a section as a zero-separated list (comment and blank
// lines left out; a line without "=" as it is).
CMD_PLATFORM_API DWORD GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString,
                                                 DWORD nSize, LPCWSTR lpFileName);
CMD_PLATFORM_API DWORD GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize,
                                                      LPCWSTR lpFileName);
// Writes a value (as given); a null value deletes the key, a null key the
// section (its comment lines stay). Writing the value a key already has
// writes nothing. A missing file is created; a missing folder is not.
// FALSE, with GetLastError, when the file cannot be written: it is then
// left as it was.
CMD_PLATFORM_API BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName,
                                                 LPCWSTR lpString, LPCWSTR lpFileName);
// Replaces the lines of a section by the "key=value" strings of a
// zero-separated list (strings without "=" are skipped); a null list deletes
// the section.
CMD_PLATFORM_API BOOL WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString,
                                                  LPCWSTR lpFileName);

// The user profile: the functions above on the file SetUserProfileFile names.
// With none named, reads give their defaults and writes fail.
CMD_PLATFORM_API DWORD GetProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                         LPWSTR lpReturnedString, DWORD nSize);
CMD_PLATFORM_API UINT GetProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, int nDefault);
CMD_PLATFORM_API BOOL WriteProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName,
                                          LPCWSTR lpString);

namespace cmd::profile {

// Names the user profile's file (a Windows-form path); "" names none.
CMD_PLATFORM_API void SetUserProfileFile(std::u16string winPath);
CMD_PLATFORM_API std::u16string GetUserProfileFile();

}  // namespace cmd::profile
