// The single-value options: the one accessor pattern that serves every row of
// the option table (settings_keys.def), and the exported functions, each a
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
static_assert(std::size(detail::kScalarSettings) == RowCount);

// The one accessor pattern: read the row's key with its default, write it
// as given.
CString ReadRow(Row row) {
  const SettingKey& key = detail::kScalarSettings[row];
  const CString file = key.file == SettingFile::Sek4 ? Sek4File() : MainFile();
  return ReadText(file, key.section, key.key, key.def);
}

int ReadRowInt(Row row) { return _wtoi(ReadRow(row).GetString()); }

void WriteRow(Row row, const CString& text) {
  const SettingKey& key = detail::kScalarSettings[row];
  const CString file = key.file == SettingFile::Sek4 ? Sek4File() : MainFile();
  WriteText(file, key.section, key.key, text);
}

void WriteRowInt(Row row, int value) { WriteRow(row, IntText(value)); }

}  // namespace
}  // namespace cmd::settings

// ---------------------------------------------------------------------------
// The exported accessors: one getter and one setter per row of the table.

using cmd::settings::ReadRow;
using cmd::settings::ReadRowInt;
using cmd::settings::WriteRow;
using cmd::settings::WriteRowInt;

#define CMD_GETTER_INT(getter, row) \
  CMD_API int getter() { return ReadRowInt(row); }
#define CMD_GETTER_INT_OUT(getter, row) \
  CMD_API int getter(int* value) {      \
    const int result = ReadRowInt(row); \
    if (value) *value = result;         \
    return result;                      \
  }
#define CMD_GETTER_STR(getter, row) \
  CMD_API CString getter() { return ReadRow(row); }
#define CMD_SETTER_INT(setter, row) \
  CMD_API void setter(int value) { WriteRowInt(row, value); }
#define CMD_SETTER_INT_OUT(setter, row) CMD_SETTER_INT(setter, row)
#define CMD_SETTER_STR(setter, row) \
  CMD_API void setter(CString value) { WriteRow(row, value); }

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
