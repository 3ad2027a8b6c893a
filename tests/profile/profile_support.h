// Helpers of the settings-file tests: files in each encoding a settings file
// can have, and short calls of the profile functions on them.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "cmddll3/platform/profile.h"
#include "support/test_support.h"

namespace proftest {

enum class Enc { Ansi, Utf16, Utf8 };
inline const char* Name(Enc e) {
  return e == Enc::Ansi ? "cp932" : e == Enc::Utf16 ? "utf16le" : "utf8";
}

// UTF-16 from a UTF-8 literal, so that tests read as the file reads.
std::u16string U(std::string_view utf8);
// The bytes of a file holding `text` in an encoding (with its mark).
std::string FileBytes(Enc enc, std::u16string_view text);
// Code page 932 bytes of text (which must have them).
std::string Cp932(std::u16string_view text);

// A settings file in a fresh folder.
class IniFile {
 public:
  explicit IniFile(const char* name = "test.ini");
  const std::filesystem::path& host() const { return host_; }
  const char16_t* win() const { return win_.c_str(); }
  std::string bytes() const { return cmdtest::ReadBytes(host_); }
  void Put(std::string_view bytes) const { cmdtest::WriteBytes(host_, bytes); }
  void Put(Enc enc, std::string_view utf8) const { Put(FileBytes(enc, U(utf8))); }
  bool exists() const { return std::filesystem::exists(host_); }
  ino_t inode() const;
  // Names of the entries of the folder, sorted, joined by "|".
  std::string Listing() const;
  const cmdtest::TempDir& dir() const { return dir_; }

  // GetPrivateProfileStringW with a 260-character buffer, as UTF-8.
  std::string Get(const char* section, const char* key, const char* def = "") const;
  BOOL Set(const char* section, const char* key, const char* value) const;

 private:
  cmdtest::TempDir dir_;
  std::filesystem::path host_;
  std::u16string win_;
};

// Null stays null: optional UTF-8 arguments of the profile functions.
struct Arg {
  Arg(const char* utf8) : null(utf8 == nullptr), text(utf8 ? U(utf8) : std::u16string()) {}
  const char16_t* get() const { return null ? nullptr : text.c_str(); }
  bool null;
  std::u16string text;
};

}  // namespace proftest
