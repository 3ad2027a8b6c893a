// A fresh installation folder per test: the process's current directory is a
// new temporary folder, and the settings-file paths ("pelmar1.ini",
// "sek4.ini") point into it, as the host sets them at start.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "cmddll3/cmddll3.h"
#include "cmddll3/frame.h"
#include "cmddll3/platform/profile.h"
#include "support/test_support.h"

inline void PrintTo(const CString& s, std::ostream* os) { *os << '"' << s.ToUtf8() << '"'; }

namespace settingstest {

// Stands for a key that is not in the file.
inline constexpr const char16_t* kMissing = u"<missing>";

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    SetIniFile();
    Set4IniFile();
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  const cmdtest::TempDir& dir() const { return dir_; }
  std::filesystem::path MainHost() const { return dir_ / "pelmar1.ini"; }
  std::filesystem::path Sek4Host() const { return dir_ / "sek4.ini"; }
  // A host path as the Windows-form string the library takes.
  static CString Win(const std::filesystem::path& p) { return CString::FromUtf8(p.string()); }

  // The text stored under a key, read with the platform's profile function;
  // kMissing when the key is not there.
  static CString Stored(const CString& file, const char16_t* section, const char16_t* key) {
    char16_t buffer[4096] = {};
    GetPrivateProfileStringW(section, key, kMissing, buffer, 4096, file);
    return CString(buffer);
  }
  CString Stored(const char16_t* section, const char16_t* key) const {
    return Stored(GetIniFile(), section, key);
  }
  static void Store(const CString& file, const char16_t* section, const char16_t* key,
                    const char16_t* value) {
    ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, file));
  }
  void Store(const char16_t* section, const char16_t* key, const char16_t* value) const {
    Store(GetIniFile(), section, key, value);
  }

  // Writes a settings file as UTF-16LE with a byte-order mark.
  static void WriteUtf16(const std::filesystem::path& p, std::u16string_view text) {
    cmdtest::WriteBytes(p, cmdtest::Utf16le(text));
  }

 private:
  cmdtest::TempDir dir_;
  std::filesystem::path previous_;
};

}  // namespace settingstest
