#include <gtest/gtest.h>

#include <filesystem>

#include "cmddll3/platform/winpath.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmd::path::ToHost;
using cmd::path::ToHostOrEmpty;

namespace {

std::u16string W(const std::string& utf8) { return Utf8ToUtf16(utf8); }

}  // namespace

TEST(WindowsPath, BothSeparatorsAndTrailingBackslash) {
  cmdtest::TempDir dir;
  fs::create_directories(dir / "MASTER" / "電気");
  std::string root = dir.str();
  EXPECT_EQ(ToHostOrEmpty(W(root + "\\MASTER\\電気\\")), root + "/MASTER/電気/");
  EXPECT_EQ(ToHostOrEmpty(W(root + "/MASTER/電気\\zairyou1.mst")),
            root + "/MASTER/電気/zairyou1.mst");
}

TEST(WindowsPath, ExistingNamesMatchWithoutCase) {
  cmdtest::TempDir dir;
  fs::create_directories(dir / "LAYOUT");
  cmdtest::WriteBytes(dir / "LAYOUT" / "Layout.ini", "x");
  std::string root = dir.str();
  EXPECT_EQ(ToHostOrEmpty(W(root + "\\layout\\LAYOUT.INI")), root + "/LAYOUT/Layout.ini");
  // A new name is kept as spelled, and so is everything after it.
  EXPECT_EQ(ToHostOrEmpty(W(root + "\\layout\\New\\a.txt")), root + "/LAYOUT/New/a.txt");
  // Full-width letters are not folded.
  fs::create_directories(dir / "ＡＢ");
  EXPECT_EQ(ToHostOrEmpty(W(root + "\\ａｂ")), root + "/ａｂ");
}

TEST(WindowsPath, DriveMap) {
  cmdtest::TempDir dir;
  std::string out;
  cmd::path::SetDriveRoot(u'A', "");
  EXPECT_FALSE(ToHost(u"A:\\BACKUP.001", out));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  cmd::path::SetDriveRoot(u'a', dir.str());
  ASSERT_TRUE(ToHost(u"A:\\BACKUP.001", out));
  EXPECT_EQ(out, dir.str() + "/BACKUP.001");
  ASSERT_TRUE(ToHost(u"a:", out));
  EXPECT_EQ(out, dir.str());
  cmd::path::SetDriveRoot(u'A', "");
}

TEST(WindowsPath, RefusesWhatWindowsRefuses) {
  std::string out;
  EXPECT_FALSE(ToHost(u"", out));
  EXPECT_FALSE(ToHost(u"\\\\server\\share\\x", out));
  EXPECT_FALSE(ToHost(u"\\/server/share/x", out));
  // The host's root with a name joined by a backslash is no share.
  EXPECT_EQ(ToHostOrEmpty(u"/\\pelmar1.ini"), "/pelmar1.ini");
  EXPECT_EQ(ToHostOrEmpty(u"/\\tolv\\WORK\\"), "/tolv/WORK/");
  std::u16string longPath(MAX_PATH, u'a');
  EXPECT_FALSE(ToHost(longPath, out));
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_TRUE(ToHost(longPath.substr(0, MAX_PATH - 1), out));
  EXPECT_EQ(ToHostOrEmpty(u"rel\\x.ini"), "rel/x.ini");
}
