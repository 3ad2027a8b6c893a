#include "profile_support.h"

#include <iconv.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace proftest {

std::u16string U(std::string_view utf8) { return Utf8ToUtf16(utf8); }

std::string Cp932(std::u16string_view text) {
  iconv_t cd = iconv_open("CP932", "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
  std::string in = cmdtest::Utf16le(text, false);
  std::string out(in.size() * 2 + 8, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t left = in.size(), room = out.size();
  size_t r = iconv(cd, &src, &left, &dst, &room);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) throw std::runtime_error("text has no code page 932 form");
  out.resize(out.size() - room);
  return out;
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
