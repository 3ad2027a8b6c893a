#include <gtest/gtest.h>

#include <errno.h>

#include <cstdlib>
#include <filesystem>

#include "cmddll3/platform/crtfile.h"
#include "cmddll3/platform/fileapi.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

CString Win(const fs::path& p) { return CString::FromUtf8(p.string()); }

struct Parts {
  std::u16string drive, dir, fname, ext;
  bool operator==(const Parts&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Parts& p) {
  return os << "[" << Utf16ToUtf8(p.drive) << "|" << Utf16ToUtf8(p.dir) << "|"
            << Utf16ToUtf8(p.fname) << "|" << Utf16ToUtf8(p.ext) << "]";
}

Parts Split(const char16_t* path) {
  char16_t drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
  _wsplitpath(path, drive, dir, fname, ext);
  return {drive, dir, fname, ext};
}

}  // namespace

TEST(SplitPath, RuntimeTable) {
  struct Case {
    const char16_t* path;
    Parts parts;
  };
  const Case cases[] = {
      {u"C:\\inst\\MASTER\\zairyou1.mst", {u"C:", u"\\inst\\MASTER\\", u"zairyou1", u".mst"}},
      {u"C:\\DATA\\見積\\", {u"C:", u"\\DATA\\見積\\", u"", u""}},
      {u"\\dir\\", {u"", u"\\dir\\", u"", u""}},
      {u"file", {u"", u"", u"file", u""}},
      {u"a.b.c", {u"", u"", u"a.b", u".c"}},
      {u"C:file.txt", {u"C:", u"", u"file", u".txt"}},
      {u"C:", {u"C:", u"", u"", u""}},
      {u"x.y\\name", {u"", u"x.y\\", u"name", u""}},
      {u"/usr/local/a.tar.gz", {u"", u"/usr/local/", u"a.tar", u".gz"}},
      {u"d:/mixed\\sep/f.", {u"d:", u"/mixed\\sep/", u"f", u"."}},
      {u".profile", {u"", u"", u"", u".profile"}},
      {u"..", {u"", u"", u".", u"."}},
      {u"1:odd", {u"1:", u"", u"odd", u""}},
      {u"", {u"", u"", u"", u""}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.path), c.parts) << Utf16ToUtf8(c.path);
  EXPECT_EQ(Split(nullptr), Parts{});
}

TEST(SplitPath, NullBuffersAreSkippedAndLongPartsCut) {
  char16_t dir[_MAX_DIR];
  _wsplitpath(u"C:\\a\\b.c", nullptr, dir, nullptr, nullptr);
  EXPECT_EQ(std::u16string(dir), u"\\a\\");
  std::u16string longName(300, u'n');
  char16_t fname[_MAX_FNAME];
  _wsplitpath((longName + u".ext").c_str(), nullptr, nullptr, fname, nullptr);
  EXPECT_EQ(std::u16string(fname), std::u16string(_MAX_FNAME - 1, u'n'));
}

TEST(SplitPath, BoundedFormChecksEverySize) {
  char16_t drive[3], dir[8], fname[8], ext[8];
  EXPECT_EQ(_wsplitpath_s(u"C:\\ab\\name.txt", drive, 3, dir, 8, fname, 8, ext, 8), 0);
  EXPECT_EQ(std::u16string(dir), u"\\ab\\");
  EXPECT_EQ(std::u16string(ext), u".txt");
  // "\abcdefg\" needs 10 units: everything is emptied.
  EXPECT_EQ(_wsplitpath_s(u"C:\\abcdefg\\n.t", drive, 3, dir, 8, fname, 8, ext, 8), ERANGE);
  EXPECT_EQ(drive[0], 0);
  EXPECT_EQ(fname[0], 0);
  EXPECT_EQ(_wsplitpath_s(nullptr, drive, 3, dir, 8, fname, 8, ext, 8), EINVAL);
  EXPECT_EQ(_wsplitpath_s(u"a", drive, 0, dir, 8, fname, 8, ext, 8), EINVAL);
  EXPECT_EQ(_wsplitpath_s(u"a.b", nullptr, 0, nullptr, 0, fname, 8, nullptr, 0), 0);
  EXPECT_EQ(std::u16string(fname), u"a");
}

TEST(CrtFolders, GetcwdHonoursTheBuffer) {
  std::u16string cwd = Utf8ToUtf16(fs::current_path().string());
  std::u16string buf(cwd.size() + 1, u'#');
  ASSERT_EQ(_wgetcwd(buf.data(), static_cast<int>(buf.size())), buf.data());
  EXPECT_EQ(std::u16string(buf.c_str()), cwd);
  errno = 0;
  EXPECT_EQ(_wgetcwd(buf.data(), static_cast<int>(cwd.size())), nullptr);
  EXPECT_EQ(errno, ERANGE);
  EXPECT_EQ(_wgetcwd(buf.data(), 0), nullptr);
  EXPECT_EQ(errno, EINVAL);
  char16_t* owned = _wgetcwd(nullptr, 0);
  ASSERT_NE(owned, nullptr);
  EXPECT_EQ(std::u16string(owned), cwd);
  std::free(owned);
}

TEST(CrtFolders, MkdirRmdirAccessRemoveRename) {
  cmdtest::TempDir dir;
  CString a = Win(dir / "A");
  EXPECT_EQ(_wmkdir(a), 0);
  EXPECT_EQ(_wmkdir(a), -1);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(_wmkdir(a + u"\\B\\C"), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_wmkdir(CString(std::u16string(MAX_PATH, u'd'))), -1);
  EXPECT_EQ(errno, ENOENT);

  EXPECT_EQ(_waccess(a, 0), 0);
  EXPECT_EQ(_waccess(a, 6), 0);
  EXPECT_EQ(_waccess(a + u"\\none", 0), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_waccess(a, 1), -1);
  EXPECT_EQ(errno, EINVAL);

  cmdtest::WriteBytes(dir / "A" / "mituno.ini", "x");
  CString ini = a + u"\\MITUNO.INI";
  EXPECT_EQ(_waccess(ini, 4), 0);
  SetFileAttributesW(ini, FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(_waccess(ini, 4), 0);
  EXPECT_EQ(_waccess(ini, 2), -1);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(_wremove(ini), -1);
  EXPECT_EQ(errno, EACCES);
  SetFileAttributesW(ini, FILE_ATTRIBUTE_NORMAL);

  EXPECT_EQ(_wrmdir(a), -1);
  EXPECT_EQ(errno, ENOTEMPTY);
  cmdtest::WriteBytes(dir / "A" / "other.ini", "y");
  EXPECT_EQ(_wrename(ini, a + u"\\other.ini"), -1);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(_wrename(ini, a + u"\\renamed.ini"), 0);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "A" / "renamed.ini"), "x");
  EXPECT_EQ(_wremove(a + u"\\renamed.ini"), 0);
  EXPECT_EQ(_wremove(a + u"\\renamed.ini"), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_wremove(a), -1);  // a folder
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(_wremove(a + u"\\other.ini"), 0);
  EXPECT_EQ(_wrmdir(a), 0);
  EXPECT_FALSE(fs::exists(dir / "A"));
}
