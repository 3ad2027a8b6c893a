// Settings files in each encoding they can have, in a fresh folder, and
// short calls of the profile functions on them.
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/profile.h"
#include "support/test_support.h"

namespace proftest {

enum class Enc { Ansi, Utf16, Utf8 };
inline const char* Name(Enc e) {
  return e == Enc::Ansi ? "cp932" : e == Enc::Utf16 ? "utf16le" : "utf8";
}

// UTF-16 from a UTF-8 literal, so that tests read as the file reads.
inline std::u16string U(std::string_view utf8) { return Utf8ToUtf16(utf8); }

// Code page 932 bytes of text (which must have them).
inline std::string Cp932(std::u16string_view text) {
  bool lost = false;
  std::string bytes = cmd::cp::Encode932(text, &lost);
  if (lost || !cmd::cp::Fits932(text))
    throw std::invalid_argument("text has no code page 932 form");
  return bytes;
}

// The bytes of a file holding `text` in an encoding (with its mark).
inline std::string FileBytes(Enc enc, std::u16string_view text) {
  if (enc == Enc::Ansi) return Cp932(text);
  return enc == Enc::Utf16 ? cmdtest::Utf16le(text, true) : "\xEF\xBB\xBF" + Utf16ToUtf8(text);
}

// Null stays null: optional UTF-8 arguments of the profile functions.
struct Arg {
  Arg(const char* utf8) : null(utf8 == nullptr), text(utf8 ? U(utf8) : std::u16string()) {}
  const char16_t* get() const { return null ? nullptr : text.c_str(); }
  bool null;
  std::u16string text;
};

class IniFile {
 public:
  explicit IniFile(const char* name = "test.ini") : host_(dir_ / name), win_(U(host_.string())) {}
  const std::filesystem::path& host() const { return host_; }
  const char16_t* win() const { return win_.c_str(); }
  const cmdtest::TempDir& dir() const { return dir_; }
  std::string bytes() const { return cmdtest::ReadBytes(host_); }
  void Put(std::string_view bytes) const { cmdtest::WriteBytes(host_, bytes); }
  void Put(Enc enc, std::u16string_view text) const { Put(FileBytes(enc, text)); }
  void Put(Enc enc, std::string_view utf8) const { Put(enc, U(utf8)); }
  ino_t inode() const {
    struct stat st {};
    ::stat(host_.c_str(), &st);
    return st.st_ino;
  }
  // Names of the entries of the folder, sorted, joined by "|".
  std::string Listing() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : "|") + n;
    return out;
  }
  // GetPrivateProfileStringW with a 260-character buffer, as UTF-8.
  std::string Get(const char* section, const char* key, const char* def = "") const {
    char16_t buf[260];
    DWORD n = GetPrivateProfileStringW(Arg(section).get(), Arg(key).get(), Arg(def).get(), buf, 260,
                                       win());
    return Utf16ToUtf8(std::u16string_view(buf, n));
  }
  BOOL Set(const char* section, const char* key, const char* value) const {
    return WritePrivateProfileStringW(Arg(section).get(), Arg(key).get(), Arg(value).get(), win());
  }

 private:
  cmdtest::TempDir dir_;
  std::filesystem::path host_;
  std::u16string win_;
};

}  // namespace proftest
