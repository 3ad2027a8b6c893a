#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/shell.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Sets (or unsets, with nullptr) an environment variable for the life of the
// object and restores the old value afterwards.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~EnvVar() {
    if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
    else ::unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

std::u16string Combine(const char16_t* dir, const char16_t* file, bool* ok = nullptr) {
  char16_t dest[MAX_PATH];
  std::fill(std::begin(dest), std::end(dest), u'#');
  LPWSTR r = PathCombineW(dest, dir, file);
  if (ok) *ok = r != nullptr;
  if (r) {
    EXPECT_EQ(r, dest);
  }
  return r ? std::u16string(dest) : (dest[0] == 0 ? u"<null>" : u"<null, dest not emptied>");
}

}  // namespace

TEST(PathCombine, ShellJoiningTable) {
  struct Case {
    const char16_t* dir;
    const char16_t* file;
    const char16_t* result;  // "<null>": the call fails
  };
  const Case cases[] = {
      // How the library joins folders and names.
      {u"C:\\inst\\MASTER\\電気\\", u"zairyou1.mst", u"C:\\inst\\MASTER\\電気\\zairyou1.mst"},
      {u"D:\\APP", u"bmp", u"D:\\APP\\bmp"},
      {u"C:\\Users\\u\\AppData\\Roaming\\tolv\\WORK\\", u"param.txt",
       u"C:\\Users\\u\\AppData\\Roaming\\tolv\\WORK\\param.txt"},
      {u"C:\\D\\", u"zai*.mst", u"C:\\D\\zai*.mst"},
      {u"/home/u/app", u"bmp", u"/home/u/app\\bmp"},
      // Drives and roots.
      {u"C:", u"one\\two\\three", u"C:\\one\\two\\three"},
      {u"C:\\", u"one\\two\\three", u"C:\\one\\two\\three"},
      {u"C:\\", u"\\one\\two\\three", u"C:\\one\\two\\three"},
      {u"C:\\", u"\\one\\two\\three\\", u"C:\\one\\two\\three\\"},
      {u"C:\\a\\b", u"\\c", u"C:\\c"},
      {u"C:\\/\\/", u"\\one\\two\\three\\", u"C:\\one\\two\\three\\"},
      {u"\\srv\\x", u"\\y", u"\\y"},
      {u"relative\\dir", u"\\one\\two\\three\\", u"<null>"},
      // An absolute name wins.
      {u"C:\\x", u"D:\\y", u"D:\\y"},
      {u"C:\\x", u"\\\\server\\share\\f", u"\\\\server\\share\\f"},
      // "/" is an ordinary character to the shell.
      {u"C:\\", u"one/two/three\\", u"C:\\one/two/three\\"},
      {u"../../../one/two/", u"*", u"../../../one/two/\\*"},
      // "." and ".." are resolved, never above the root.
      {u"C:\\", u"one\\..\\two\\.\\three", u"C:\\two\\three"},
      {u"C:\\", u"..", u"C:\\"},
      {u"C:\\one\\.\\..\\two\\three", u"..", u"C:\\two"},
      {u"C:\\a\\b", u"..\\..\\..\\c", u"C:\\c"},
      {u"C:\\a", u".\\b\\", u"C:\\a\\b\\"},
      // Missing and empty parts.
      {u"C:\\", nullptr, u"C:\\"},
      {u"C:\\", u"", u"C:\\"},
      {u"", u"", u"\\"},
      {nullptr, u"one\\two\\three", u"one\\two\\three"},
      {nullptr, u"", u"\\"},
      {nullptr, nullptr, u"<null>"},
      {u" ", nullptr, u" "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Combine(c.dir, c.file), std::u16string(c.result))
        << (c.dir ? Utf16ToUtf8(c.dir) : "null") << " + " << (c.file ? Utf16ToUtf8(c.file) : "null");
  }
  EXPECT_EQ(PathCombineW(nullptr, u"C:\\", u"x"), nullptr);
}

TEST(PathCombine, RefusesResultsOfMaxPathOrMore) {
  std::u16string name256(256, u'a');
  EXPECT_EQ(Combine(u"C:\\", name256.c_str()).size(), 259u);  // fits with its terminator
  std::u16string name257(257, u'a');
  EXPECT_EQ(Combine(u"C:\\", name257.c_str()), u"<null>");
  std::u16string tooLong(MAX_PATH + 10, u'a');
  EXPECT_EQ(Combine(u"C:\\", tooLong.c_str()), u"<null>");
  EXPECT_EQ(Combine(tooLong.c_str(), u"x"), u"<null>");
  std::u16string half1(130, u'b'), half2(130, u'c');
  EXPECT_EQ(Combine(half1.c_str(), half2.c_str()), u"<null>");
}

TEST(ShellFolders, FollowTheXdgVariablesThenHome) {
  cmdtest::TempDir dir;
  std::string config = dir.str() + "/config";
  std::string data = dir.str() + "/data";
  char16_t path[MAX_PATH];
  {
    EnvVar a("XDG_CONFIG_HOME", (config + "/").c_str());
    EnvVar b("XDG_DATA_HOME", data.c_str());
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
    EXPECT_EQ(Utf16ToUtf8(path), config);
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_EQ(Utf16ToUtf8(path), data);
    EXPECT_FALSE(fs::exists(data));  // not created unless asked
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path),
              S_OK);
    EXPECT_TRUE(fs::is_directory(data));
  }
  {
    EnvVar a("XDG_CONFIG_HOME", nullptr);
    EnvVar b("XDG_DATA_HOME", "relative/ignored");
    EnvVar h("HOME", dir.str().c_str());
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_EQ(Utf16ToUtf8(path), dir.str() + "/.config");
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_EQ(Utf16ToUtf8(path), dir.str() + "/.local/share");
    // The work folder the library builds below it resolves on disk.
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path), S_OK);
    EXPECT_TRUE(PathFileExistsW(path));
  }
  {
    EnvVar a("XDG_CONFIG_HOME", "");
    EnvVar b("XDG_DATA_HOME", nullptr);
    EnvVar h("HOME", nullptr);
    path[0] = u'x';
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path), E_FAIL);
    EXPECT_EQ(path[0], 0);
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path), E_FAIL);
    char16_t win[MAX_PATH];
    EXPECT_EQ(GetWindowsDirectoryW(win, MAX_PATH), 0u);  // no default folder either
  }
  EXPECT_EQ(SHGetFolderPathW(nullptr, 5 /* CSIDL_PERSONAL */, nullptr, 0, path), E_INVALIDARG);
}

TEST(ShellFolders, WindowsFolderDefaultsToTheConfigurationFolder) {
  cmdtest::TempDir dir;
  EnvVar a("XDG_CONFIG_HOME", dir.str().c_str());
  char16_t win[MAX_PATH];
  UINT n = GetWindowsDirectoryW(win, MAX_PATH);
  EXPECT_EQ(Utf16ToUtf8(win), dir.str());
  EXPECT_EQ(n, dir.str().size());
  // Too small a buffer: the size needed, nothing written.
  char16_t small[4] = {u'z', 0, 0, 0};
  EXPECT_EQ(GetWindowsDirectoryW(small, 4), n + 1);
  EXPECT_EQ(small[0], u'z');

  cmd::path::SetWindowsFolder(dir.str() + "/win/");
  EXPECT_EQ(cmd::path::GetWindowsFolder(), dir.str() + "/win");
  GetWindowsDirectoryW(win, MAX_PATH);
  EXPECT_EQ(Utf16ToUtf8(win), dir.str() + "/win");
  cmd::path::SetWindowsFolder("");
  EXPECT_EQ(cmd::path::GetWindowsFolder(), dir.str());
}

TEST(ShellFolders, PathFileExists) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "lock3", "");
  EXPECT_TRUE(PathFileExistsW(CString::FromUtf8(dir.str() + "\\lock3")));
  EXPECT_TRUE(PathFileExistsW(CString::FromUtf8(dir.str() + "\\LOCK3")));
  EXPECT_TRUE(PathFileExistsW(dir.win()));
  EXPECT_FALSE(PathFileExistsW(CString::FromUtf8(dir.str() + "\\lock4")));
  EXPECT_FALSE(PathFileExistsW(nullptr));
  EXPECT_FALSE(PathFileExistsW(u""));
  EXPECT_FALSE(PathFileExistsW(CString(std::u16string(MAX_PATH, u'a'))));
}
