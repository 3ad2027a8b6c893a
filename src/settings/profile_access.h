// The accessor pattern that every settings accessor follows: one key per
// call, read through GetPrivateProfileStringW with a literal default into a
// buffer of a fixed size, written through WritePrivateProfileStringW, integers
// in decimal ("%d" out, _wtoi in). Nothing is cached: a value written by one
// program of the application is seen by the next read of any other.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

namespace cmd::settings {

// The read buffer of a value unless the key's own description gives another
// size: 259 characters and the terminator.
constexpr int kValueBuffer = MAX_PATH;

// The settings file "pelmar1.ini" (as SetIniFile fixed it) and the second
// settings file "sek4.ini" (as Set4IniFile fixed it).
CString MainFile();
CString Sek4File();

// The stored text of a key, or `def` when the file, the section or the key is
// missing; at most bufferSize - 1 characters (a longer value is cut).
CString ReadText(const CString& file, const char16_t* section, const char16_t* key,
                 const char16_t* def, int bufferSize = kValueBuffer);

// ReadText converted as _wtoi converts: "12abc" reads as 12, "ON" as 0.
int ReadInt(const CString& file, const char16_t* section, const char16_t* key,
            const char16_t* def, int bufferSize = kValueBuffer);

// Replaces the value of a key; the file is created by the first write. The
// result is the profile function's success flag, which most accessors drop:
// a file that cannot be written keeps its old value and nothing is reported.
BOOL WriteText(const CString& file, const char16_t* section, const char16_t* key,
               const CString& value);
BOOL WriteInt(const CString& file, const char16_t* section, const char16_t* key, int value);

// "%d" of a value, as every integer setter writes it.
CString IntText(int value);

}  // namespace cmd::settings
