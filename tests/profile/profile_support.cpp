#include "profile_support.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "cmddll3/platform/codepage.h"

namespace proftest {

std::u16string U(std::string_view utf8) { return Utf8ToUtf16(utf8); }

std::string Cp932(std::u16string_view text) {
  bool lost = false;
  std::string bytes = cmd::cp::Encode932(text, &lost);
  if (lost || !cmd::cp::Fits932(text)) throw std::invalid_argument("text has no code page 932 form");
  return bytes;
}

std::string FileBytes(Enc enc, std::u16string_view text) {
  switch (enc) {
    case Enc::Ansi:
      return Cp932(text);
    case Enc::Utf16:
      return cmdtest::Utf16le(text, true);
    case Enc::Utf8:
      return "\xEF\xBB\xBF" + Utf16ToUtf8(text);
  }
  return {};
}

IniFile::IniFile(const char* name) : host_(dir_ / name) { win_ = U(host_.string()); }

ino_t IniFile::inode() const {
  struct stat st {};
  ::stat(host_.c_str(), &st);
  return st.st_ino;
}

std::string IniFile::Listing() const {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : "|") + n;
  return out;
}

std::string IniFile::Get(const char* section, const char* key, const char* def) const {
  char16_t buf[260];
  DWORD n = GetPrivateProfileStringW(Arg(section).get(), Arg(key).get(), Arg(def).get(), buf, 260,
                                     win());
  return Utf16ToUtf8(std::u16string_view(buf, n));
}

BOOL IniFile::Set(const char* section, const char* key, const char* value) const {
  return WritePrivateProfileStringW(Arg(section).get(), Arg(key).get(), Arg(value).get(), win());
}

}  // namespace proftest
