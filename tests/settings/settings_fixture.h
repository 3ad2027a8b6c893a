// A fresh installation folder per test: the process's current directory is a
// new temporary folder, and the settings-file paths ("pelmar1.ini",
// "sek4.ini") point into it, as the host sets them at start.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "cmddll3/cmddll3.h"
#include "cmddll3/frame.h"
#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/profile.h"
#include "support/test_support.h"

inline void PrintTo(const CString& s, std::ostream* os) { *os << '"' << s.ToUtf8() << '"'; }

namespace settingstest {

namespace fs = std::filesystem;

// Stands for a key that is not in the file.
inline constexpr const char16_t* kMissing = u"<missing>";

// The values an accessor gives (its result, then what it stores through its
// pointers) as one line of text: "消費税,5,0,0,0".
inline std::ostream& operator<<(std::ostream& o, const CString& s) { return o << s.ToUtf8(); }
inline std::ostream& operator<<(std::ostream& o, const char16_t* s) { return o << CString(s); }
template <std::size_t N>
std::ostream& operator<<(std::ostream& o, const std::array<int, N>& v) {
  for (std::size_t i = 0; i < N; ++i) o << (i ? "," : "") << v[i];
  return o;
}
template <class... T>
std::string Join(const T&... v) {
  std::ostringstream out;
  int i = 0;
  ((out << (i++ ? "," : "") << v), ...);
  return out.str();
}

// Calls a getter with any leading arguments and pointers to N integers set
// to -1; gives its result (if any) and the integers.
template <std::size_t N, class F, class... A>
std::string Call(F get, A... args) {
  std::array<int, N> v;
  v.fill(-1);
  auto run = [&]<std::size_t... I>(std::index_sequence<I...>) { return get(args..., &v[I]...); };
  if constexpr (std::is_void_v<decltype(run(std::make_index_sequence<N>()))>) {
    run(std::make_index_sequence<N>());
    return Join(v);
  } else {
    return Join(run(std::make_index_sequence<N>()), v);
  }
}
using Reader = std::function<std::string()>;
template <std::size_t N, class F, class... A>
Reader R(F get, A... args) {
  return [=] { return Call<N>(get, args...); };
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(dir_.path());
    SetIniFile();
    Set4IniFile();
  }
  void TearDown() override { fs::current_path(previous_); }

  const cmdtest::TempDir& dir() const { return dir_; }
  fs::path MainHost() const { return dir_ / "pelmar1.ini"; }
  fs::path Sek4Host() const { return dir_ / "sek4.ini"; }
  // A host path as the Windows-form string the library takes.
  static CString Win(const fs::path& p) { return CString::FromUtf8(p.string()); }
  // The whole text of a settings file (code page 932, or UTF-16 with its mark), as UTF-8.
  static std::string Text(const fs::path& p) {
    const std::string bytes = cmdtest::ReadBytes(p);
    if (bytes.starts_with("\xFF\xFE"))
      return Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(bytes.data() + 2),
                                        (bytes.size() - 2) / 2));
    return Utf16ToUtf8(cmd::cp::Decode932(bytes));
  }
  std::string Text() const { return Text(MainHost()); }

  // The text stored under a key (kMissing when it is not there); writing one
  // (a null value deletes it).
  static CString Stored(const char16_t* section, const char16_t* key,
                        const CString& file = GetIniFile()) {
    char16_t buffer[4096] = {};
    GetPrivateProfileStringW(section, key, kMissing, buffer, 4096, file);
    return CString(buffer);
  }
  static void Store(const char16_t* section, const char16_t* key, const char16_t* value,
                    const CString& file = GetIniFile()) {
    ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, file));
  }
  // Points the settings file at a folder that is gone: reads give their
  // defaults and writes fail.
  void LoseTheFolder() {
    fs::create_directories(dir() / "gone");
    fs::current_path(dir() / "gone");
    SetIniFile();
    fs::current_path(dir().path());
    fs::remove(dir() / "gone");
  }

 private:
  cmdtest::TempDir dir_;
  fs::path previous_;
};

// A key stored as `stored` (nullptr: not there) and what `read` then gives.
struct Read {
  const char16_t *section, *key, *stored;
  Reader read = nullptr;
  const char* expected = nullptr;
};

}  // namespace settingstest
