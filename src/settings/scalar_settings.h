// The table of single-value options (settings_keys.def) as data, for code
// that addresses options by the name of their accessor at run time (the
// command-line tool's "settings list/get/set").
//
// Everything here is inline: a program linked with libcmddll3 sees only the
// exported C names, so each row carries the addresses of its exported getter
// and setter, and reading or writing a row by index calls them, as a host
// would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/settings_scalar.h"

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

// The exported accessors of a row; only those of the row's kind are set.
struct SettingAccessors {
  int (*getInt)() = nullptr;
  int (*getIntOut)(int*) = nullptr;
  CString (*getString)() = nullptr;
  void (*setInt)(int) = nullptr;
  void (*setString)(CString) = nullptr;
};

struct SettingKey {
  const char* getter;  // exported name; nullptr when the key has no getter
  const char* setter;  // exported name; nullptr when the key has no setter
  SettingKind kind;
  SettingFile file;
  const char16_t* section;
  const char16_t* key;
  const char16_t* def;  // the default text; "" for a key without a getter
  SettingAccessors call;
};

namespace detail {
#define CMD_KIND_INT SettingKind::Int
#define CMD_KIND_INT_OUT SettingKind::IntOut
#define CMD_KIND_STR SettingKind::String
#define CMD_FILE_MAIN SettingFile::Main
#define CMD_FILE_SEK4 SettingFile::Sek4
#define CMD_GET_INT(getter) .getInt = &getter,
#define CMD_GET_INT_OUT(getter) .getIntOut = &getter,
#define CMD_GET_STR(getter) .getString = &getter,
#define CMD_SET_INT(setter) .setInt = &setter,
#define CMD_SET_INT_OUT(setter) .setInt = &setter,
#define CMD_SET_STR(setter) .setString = &setter,
#define SETTING_RW(getter, setter, kind, file, section, key, def)             \
  {#getter, #setter, CMD_KIND_##kind, CMD_FILE_##file, section, key, def,      \
   {CMD_GET_##kind(getter) CMD_SET_##kind(setter)}},
#define SETTING_RO(getter, kind, file, section, key, def) \
  {#getter, nullptr, CMD_KIND_##kind, CMD_FILE_##file, section, key, def, {CMD_GET_##kind(getter)}},
#define SETTING_WO(setter, kind, file, section, key) \
  {nullptr, #setter, CMD_KIND_##kind, CMD_FILE_##file, section, key, u"", {CMD_SET_##kind(setter)}},
inline constexpr SettingKey kScalarSettings[] = {
#include "cmddll3/settings_keys.def"
};
#undef SETTING_RW
#undef SETTING_RO
#undef SETTING_WO
#undef CMD_GET_INT
#undef CMD_GET_INT_OUT
#undef CMD_GET_STR
#undef CMD_SET_INT
#undef CMD_SET_INT_OUT
#undef CMD_SET_STR
#undef CMD_KIND_INT
#undef CMD_KIND_INT_OUT
#undef CMD_KIND_STR
#undef CMD_FILE_MAIN
#undef CMD_FILE_SEK4
}  // namespace detail

// Every row of the table, in the order of settings_keys.def.
inline std::span<const SettingKey> ScalarSettings() { return detail::kScalarSettings; }

// Index of the row whose getter or setter is called `accessor`; -1 if none.
inline std::ptrdiff_t FindScalarSetting(std::string_view accessor) {
  const auto rows = ScalarSettings();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if ((rows[i].getter && accessor == rows[i].getter) ||
        (rows[i].setter && accessor == rows[i].setter)) {
      return static_cast<std::ptrdiff_t>(i);
    }
  }
  return -1;
}

// The value the row's getter gives, as text ("%d" for integers); empty for
// a row without a getter or an index past the table.
inline CString GetScalarSetting(std::size_t index) {
  const auto rows = ScalarSettings();
  if (index >= rows.size()) return CString();
  const SettingAccessors& call = rows[index].call;
  if (call.getString) return call.getString();
  if (call.getInt) return FormatString(u"%d", call.getInt());
  if (call.getIntOut) return FormatString(u"%d", call.getIntOut(nullptr));
  return CString();
}

// Calls the row's setter with the text (integers converted as _wtoi
// converts them). False for a row without a setter or an index past the
// table.
inline bool SetScalarSetting(std::size_t index, const CString& text) {
  const auto rows = ScalarSettings();
  if (index >= rows.size()) return false;
  const SettingAccessors& call = rows[index].call;
  if (call.setString) {
    call.setString(text);
    return true;
  }
  if (call.setInt) {
    call.setInt(_wtoi(text.GetString()));
    return true;
  }
  return false;
}

}  // namespace cmd::settings
