// The table of single-value options (settings_keys.def) as data, for code
// that addresses options by the name of their accessor at run time (the
// command-line tool's "settings list/get/set").
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "cmddll3/platform/cstring.h"

namespace cmd::settings {

enum class SettingKind : std::uint8_t {
  Int,     // int Get...(), void Set...(int)
  IntOut,  // int Get...(int*): the value is also stored through the pointer
  String,  // CString Get...(), void Set...(CString)
};

enum class SettingFile : std::uint8_t {
  Main,  // "pelmar1.ini"
  Sek4,  // "sek4.ini"
};

struct SettingKey {
  const char* getter;  // exported name; nullptr when the key has no getter
  const char* setter;  // exported name; nullptr when the key has no setter
  SettingKind kind;
  SettingFile file;
  const char16_t* section;
  const char16_t* key;
  const char16_t* def;  // the default text; "" for a key without a getter
};

// Every row of the table, in the order of settings_keys.def.
std::span<const SettingKey> ScalarSettings();

// Index of the row whose getter or setter is called `accessor`; -1 if none.
std::ptrdiff_t FindScalarSetting(std::string_view accessor);

// What the getter of row `index` reads: the stored text (or the default)...
CString ReadScalarText(std::size_t index);
// ...and, for integer rows, that text as _wtoi converts it.
int ReadScalarInt(std::size_t index);

// What the setter of row `index` writes: the text as it is, or "%d" of an
// integer. The write's success flag is returned for tools; the exported
// setters drop it.
BOOL WriteScalarText(std::size_t index, const CString& text);
BOOL WriteScalarInt(std::size_t index, int value);

}  // namespace cmd::settings
