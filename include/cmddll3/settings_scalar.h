// Single-value options of the settings file "pelmar1.ini" (and two keys of
// "sek4.ini"): one exported getter and, for most keys, one setter per option.
//
// Getters read the key on every call and return its default when the file,
// the section or the key is missing; integer values read as _wtoi reads them
// ("12abc" gives 12, "ON" gives 0); string values are cut to 259 characters.
// Setters write the key at once ("%d" for integers, strings as given) and
// report nothing: a file that cannot be written keeps its old value.
// Every accessor needs SetIniFile (and, for the "sek4.ini" keys, Set4IniFile)
// to have been called by the host.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// The table of options, one row per key, with getter, setter, section, key
// and default: settings_keys.def. Each row declares its functions here.
#define CMD_SETTING_GET_INT(getter) CMD_API int getter();
#define CMD_SETTING_GET_INT_OUT(getter) CMD_API int getter(int* value);
#define CMD_SETTING_GET_STR(getter) CMD_API CString getter();
#define CMD_SETTING_SET_INT(setter) CMD_API void setter(int value);
#define CMD_SETTING_SET_INT_OUT(setter) CMD_API void setter(int value);
#define CMD_SETTING_SET_STR(setter) CMD_API void setter(CString value);
#define SETTING_RW(getter, setter, kind, file, section, key, def) \
  CMD_SETTING_GET_##kind(getter) CMD_SETTING_SET_##kind(setter)
#define SETTING_RO(getter, kind, file, section, key, def) CMD_SETTING_GET_##kind(getter)
#define SETTING_WO(setter, kind, file, section, key) CMD_SETTING_SET_##kind(setter)
#include "cmddll3/settings_keys.def"
#undef SETTING_RW
#undef SETTING_RO
#undef SETTING_WO
#undef CMD_SETTING_GET_INT
#undef CMD_SETTING_GET_INT_OUT
#undef CMD_SETTING_GET_STR
#undef CMD_SETTING_SET_INT
#undef CMD_SETTING_SET_INT_OUT
#undef CMD_SETTING_SET_STR

// The integer of key `key` in section "SYSTEM", default 0. No setter.
CMD_API int GetShubetuIni(CString key);

// Key "形式ｸﾞﾙｰﾌﾟ" of section "拡張ｵﾌﾟｼｮﾝ", default 0. The option number is
// accepted and not used: every number addresses that one key.
CMD_API int GetExOptionIni(int option);
CMD_API void SetExOptionIni(int option, int value);

// Confirmation-message switches, section "確認ﾒｯｾｰｼﾞ", default 1. Message 1 is
// key "一覧to棚"; any other number addresses the empty key name, so its getter
// gives the default 1 and its setter writes under an empty key name.
CMD_API int GetKakuninMsgIni(int message);
CMD_API void SetKakuninMsgIni(int message, int value);

// Not a settings read: the user's local application-data folder
// (CSIDL_LOCAL_APPDATA) with no trailing backslash; empty when the platform
// cannot give it.
CMD_API CString GetCadcmdIni();
