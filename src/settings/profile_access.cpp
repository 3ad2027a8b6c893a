#include "settings/profile_access.h"

#include <algorithm>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/profile.h"
#include "frame/state.h"

namespace cmd::settings {

CString MainFile() { return GetIniFile(); }

CString Sek4File() { return cmd::frame::Get4IniFile(); }

CString ReadText(const CString& file, const char16_t* section, const char16_t* key,
                 const char16_t* def, int bufferSize) {
  std::vector<char16_t> buffer(static_cast<std::size_t>(std::max(bufferSize, 1)), u'\0');
  DWORD n = GetPrivateProfileStringW(section, key, def, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), file.GetString());
  n = std::min<DWORD>(n, static_cast<DWORD>(buffer.size() - 1));
  return CString(buffer.data(), static_cast<int>(n));
}

int ReadInt(const CString& file, const char16_t* section, const char16_t* key,
            const char16_t* def, int bufferSize) {
  return _wtoi(ReadText(file, section, key, def, bufferSize).GetString());
}

BOOL WriteText(const CString& file, const char16_t* section, const char16_t* key,
               const CString& value) {
  return WritePrivateProfileStringW(section, key, value.GetString(), file.GetString());
}

BOOL WriteInt(const CString& file, const char16_t* section, const char16_t* key, int value) {
  return WriteText(file, section, key, IntText(value));
}

CString IntText(int value) {
  CString text;
  text.Format(u"%d", value);
  return text;
}

}  // namespace cmd::settings
