// The single-value options: the table built from settings_keys.def, the one
// accessor pattern that serves every row, and the exported functions, each a
// thin call of that pattern with its row.
#include "settings/scalar_settings.h"

#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/shell.h"
#include "cmddll3/settings_scalar.h"
#include "settings/profile_access.h"

namespace cmd::settings {
namespace {

// Row numbers, named after the row's getter (its setter for a row without
// one).
#define SETTING_RW(getter, setter, kind, file, section, key, def) Row_##getter,
#define SETTING_RO(getter, kind, file, section, key, def) Row_##getter,
#define SETTING_WO(setter, kind, file, section, key) Row_##setter,
enum Row : std::size_t {
#include "cmddll3/settings_keys.def"
  RowCount
};
#undef SETTING_RW
#undef SETTING_RO
#undef SETTING_WO

#define CMD_KIND_INT SettingKind::Int
#define CMD_KIND_INT_OUT SettingKind::IntOut
#define CMD_KIND_STR SettingKind::String
#define CMD_FILE_MAIN SettingFile::Main
#define CMD_FILE_SEK4 SettingFile::Sek4
#define SETTING_RW(getter, setter, kind, file, section, key, def) \
  {#getter, #setter, CMD_KIND_##kind, CMD_FILE_##file, section, key, def},
#define SETTING_RO(getter, kind, file, section, key, def) \
  {#getter, nullptr, CMD_KIND_##kind, CMD_FILE_##file, section, key, def},
#define SETTING_WO(setter, kind, file, section, key) \
  {nullptr, #setter, CMD_KIND_##kind, CMD_FILE_##file, section, key, u""},
constexpr SettingKey kTable[] = {
#include "cmddll3/settings_keys.def"
};
#undef SETTING_RW
#undef SETTING_RO
#undef SETTING_WO
static_assert(std::size(kTable) == RowCount);

CString FileOf(const SettingKey& row) {
  return row.file == SettingFile::Sek4 ? Sek4File() : MainFile();
}

}  // namespace

std::span<const SettingKey> ScalarSettings() { return kTable; }

std::ptrdiff_t FindScalarSetting(std::string_view accessor) {
  for (std::size_t i = 0; i < std::size(kTable); ++i) {
    const SettingKey& row = kTable[i];
    if ((row.getter && accessor == row.getter) || (row.setter && accessor == row.setter)) {
      return static_cast<std::ptrdiff_t>(i);
    }
  }
  return -1;
}

CString ReadScalarText(std::size_t index) {
  if (index >= std::size(kTable)) return CString();
  const SettingKey& row = kTable[index];
  return ReadText(FileOf(row), row.section, row.key, row.def);
}

int ReadScalarInt(std::size_t index) { return _wtoi(ReadScalarText(index).GetString()); }

BOOL WriteScalarText(std::size_t index, const CString& text) {
  if (index >= std::size(kTable)) return FALSE;
  const SettingKey& row = kTable[index];
  return WriteText(FileOf(row), row.section, row.key, text);
}

BOOL WriteScalarInt(std::size_t index, int value) { return WriteScalarText(index, IntText(value)); }

}  // namespace cmd::settings

// ---------------------------------------------------------------------------
// The exported accessors: one getter and one setter per row of the table.

using cmd::settings::ReadScalarInt;
using cmd::settings::ReadScalarText;
using cmd::settings::WriteScalarInt;
using cmd::settings::WriteScalarText;

#define CMD_GETTER_INT(getter, row) \
  CMD_API int getter() { return ReadScalarInt(row); }
#define CMD_GETTER_INT_OUT(getter, row)  \
  CMD_API int getter(int* value) {       \
    const int result = ReadScalarInt(row); \
    if (value) *value = result;          \
    return result;                       \
  }
#define CMD_GETTER_STR(getter, row) \
  CMD_API CString getter() { return ReadScalarText(row); }
#define CMD_SETTER_INT(setter, row) \
  CMD_API void setter(int value) { WriteScalarInt(row, value); }
#define CMD_SETTER_INT_OUT(setter, row) CMD_SETTER_INT(setter, row)
#define CMD_SETTER_STR(setter, row) \
  CMD_API void setter(CString value) { WriteScalarText(row, value); }

#define SETTING_RW(getter, setter, kind, file, section, key, def) \
  CMD_GETTER_##kind(getter, cmd::settings::Row_##getter)          \
  CMD_SETTER_##kind(setter, cmd::settings::Row_##getter)
#define SETTING_RO(getter, kind, file, section, key, def) \
  CMD_GETTER_##kind(getter, cmd::settings::Row_##getter)
#define SETTING_WO(setter, kind, file, section, key) \
  CMD_SETTER_##kind(setter, cmd::settings::Row_##setter)
#include "cmddll3/settings_keys.def"
#undef SETTING_RW
#undef SETTING_RO
#undef SETTING_WO

// ---------------------------------------------------------------------------
// Accessors with arguments of their own.

namespace {

using cmd::settings::MainFile;
using cmd::settings::ReadInt;
using cmd::settings::WriteInt;

constexpr const char16_t* kExOptionSection = u"拡張ｵﾌﾟｼｮﾝ";
constexpr const char16_t* kExOptionKey = u"形式ｸﾞﾙｰﾌﾟ";
constexpr const char16_t* kConfirmSection = u"確認ﾒｯｾｰｼﾞ";

// Message 1 has a key; every other number falls on the empty key name.
const char16_t* ConfirmKey(int message) { return message == 1 ? u"一覧to棚" : u""; }

}  // namespace

CMD_API int GetShubetuIni(CString key) { return ReadInt(MainFile(), u"SYSTEM", key, u"0"); }

CMD_API int GetExOptionIni(int /*option*/) {
  return ReadInt(MainFile(), kExOptionSection, kExOptionKey, u"0");
}

CMD_API void SetExOptionIni(int /*option*/, int value) {
  WriteInt(MainFile(), kExOptionSection, kExOptionKey, value);
}

CMD_API int GetKakuninMsgIni(int message) {
  return ReadInt(MainFile(), kConfirmSection, ConfirmKey(message), u"1");
}

CMD_API void SetKakuninMsgIni(int message, int value) {
  WriteInt(MainFile(), kConfirmSection, ConfirmKey(message), value);
}

CMD_API CString GetCadcmdIni() {
  char16_t folder[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder) < 0) return CString();
  folder[MAX_PATH - 1] = u'\0';
  return CString(folder);
}
