// File and folder helpers on real folders: listings, wildcard deletes,
// folder chains, sizes, safe names and the dialog combo boxes.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cmddll3/fileutil.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/ui.h"
#include "cmddll3/platform/winpath.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::WriteBytes;

namespace {

class FilesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    cmd::os::SetFaultHook({});
    cmd::path::SetDriveRoot(u'Q', "");
  }
  // The temporary folder as a Windows-form folder ending in a backslash.
  CString Folder(const fs::path& p) const { return CString::FromUtf8(p.string()) + u"\\"; }
  CString Folder() const { return Folder(dir_.path()); }
  void Files(std::initializer_list<const char*> names) {
    for (const char* n : names) WriteBytes(dir_ / n, "x");
  }
  // The names of the folder's entries in the file system's own order.
  std::vector<std::string> HostOrder(bool folders) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.path()))
      if (e.is_directory() == folders) names.push_back(e.path().filename().string());
    return names;
  }

  cmdtest::TempDir dir_;
};

std::vector<std::string> Utf8(const CString* names, int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(names[i].ToUtf8());
  return out;
}

}  // namespace

TEST_F(FilesTest, DirExtListsFileNamesInTheFileSystemsOrder) {
  Files({"a.mst", "b.mst", "c.mst", "d.txt", "e.mst", "f.mst"});
  fs::create_directories(dir_ / "sub.mst");
  CString names[10];
  int n = dir_ext(Folder() + u"*.*", names, 10);
  ASSERT_EQ(n, 6);
  EXPECT_EQ(Utf8(names, n), HostOrder(false));

  EXPECT_EQ(dir_ext(Folder() + u"*.MST", names, 10), 5);
  CString two[2];
  EXPECT_EQ(dir_ext(Folder() + u"*.mst", two, 2), 2);
  EXPECT_EQ(dir_ext(Folder() + u"*.mst", two, 0), 0);
  EXPECT_EQ(dir_ext(Folder() + u"*.mst", nullptr, 5), 0);
  EXPECT_EQ(dir_ext(Folder() + u"missing\\*.*", names, 10), 0);
  EXPECT_EQ(dir_ext(u"", names, 10), 0);
}

TEST_F(FilesTest, PathAndFolderListingsAppend) {
  Files({"x.dat", "y.dat"});
  fs::create_directories(dir_ / "one");
  fs::create_directories(dir_ / "two");
  std::vector<CString> paths{u"kept"};
  EXPECT_EQ(dir_filespath(paths, Folder() + u"*.*"), 2);
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[0], u"kept");
  std::set<CString> got(paths.begin() + 1, paths.end());
  EXPECT_EQ(got, (std::set<CString>{Folder() + u"x.dat", Folder() + u"y.dat"}));

  std::vector<CString> folders{u"a", u"b", u"c"};
  EXPECT_EQ(dirdirectory(folders, Folder() + u"*.*"), 5);
  std::vector<std::string> added;
  for (std::size_t i = 3; i < folders.size(); ++i) added.push_back(folders[i].ToUtf8());
  EXPECT_EQ(added, HostOrder(true));
  EXPECT_EQ(dirdirectory(folders, Folder() + u"nothing\\*"), 5);
}

TEST_F(FilesTest, DeleteFileRemovesTheMatchingFilesOnly) {
  Files({"temp1.mst", "temp2.mst", "keep.txt"});
  fs::create_directories(dir_ / "temp3.mst");
  EXPECT_EQ(deletefile(Folder(), u"temp*.mst"), 1);
  EXPECT_FALSE(fs::exists(dir_ / "temp1.mst"));
  EXPECT_FALSE(fs::exists(dir_ / "temp2.mst"));
  EXPECT_TRUE(fs::exists(dir_ / "keep.txt"));
  EXPECT_TRUE(fs::is_directory(dir_ / "temp3.mst"));
  EXPECT_EQ(deletefile2(Folder(), u"*.txt"), 1);
  EXPECT_FALSE(fs::exists(dir_ / "keep.txt"));
  EXPECT_EQ(deletefile(Folder(dir_ / "missing"), u"*.*"), 1);
}

TEST_F(FilesTest, DeleteFileStopsAfterOneFullPass) {
  // A pass lists 3000 names; only a pass of exactly 1000 is repeated, so
  // with 3005 files five are left.
  for (int i = 0; i < 3005; ++i) WriteBytes(dir_ / ("f" + std::to_string(i)), "");
  deletefile(Folder(), u"f*");
  EXPECT_EQ(HostOrder(false).size(), 5u);
  deletefile(Folder(), u"f*");
  EXPECT_TRUE(HostOrder(false).empty());
}

TEST_F(FilesTest, DeleteFileRaisesTheFirstFailureToTheCaller) {
  Files({"a.tmp", "b.tmp", "c.tmp"});
  const std::vector<std::string> order = HostOrder(false);
  const std::string blocked = order[1];
  cmd::os::SetFaultHook([&](cmd::os::FileStep step, const std::string& path) {
    return step == cmd::os::FileStep::Remove && path.ends_with("/" + blocked) ? EACCES : 0;
  });
  try {
    deletefile(Folder(), u"*.tmp");
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_TRUE(e.m_strFileName.ToUtf8().ends_with(blocked));
  }
  EXPECT_FALSE(fs::exists(dir_ / order[0]));  // deleted before the failure
  EXPECT_TRUE(fs::exists(dir_ / order[1]));
  EXPECT_TRUE(fs::exists(dir_ / order[2]));  // never reached
}

TEST_F(FilesTest, MyMkdirCreatesEveryMissingLevelInOrder) {
  cmd::path::SetDriveRoot(u'Q', dir_.str());
  std::vector<std::string> made;
  cmd::os::SetFaultHook([&](cmd::os::FileStep step, const std::string& path) {
    if (step == cmd::os::FileStep::MakeDir) made.push_back(path.substr(dir_.str().size()));
    return 0;
  });
  EXPECT_EQ(mymkdir(u"Q:\\A\\B\\C\\"), 0);
  EXPECT_EQ(made, (std::vector<std::string>{"/A", "/A/B", "/A/B/C"}));
  EXPECT_TRUE(fs::is_directory(dir_ / "A" / "B" / "C"));
  made.clear();
  EXPECT_EQ(mymkdir(u"Q:\\A\\B\\C\\"), 0);
  EXPECT_TRUE(made.empty());
  EXPECT_EQ(mymkdir(u"Q:\\A\\B\\D"), 0);
  EXPECT_EQ(made, std::vector<std::string>{"/A/B/D"});
  EXPECT_EQ(mymkdir(u"Q:\\top"), 0);  // one backslash: no parent to make
  EXPECT_TRUE(fs::is_directory(dir_ / "top"));
  EXPECT_EQ(mymkdir(u""), 1);
  EXPECT_EQ(mymkdir(nullptr), 1);
}

TEST_F(FilesTest, MyMkdirFailsUnderAFile) {
  cmd::path::SetDriveRoot(u'Q', dir_.str());
  Files({"plain"});
  EXPECT_EQ(mymkdir(u"Q:\\plain\\sub\\deeper"), -1);
  EXPECT_EQ(mymkdir(u"Q:\\plain"), 0);  // it exists, as a file
  EXPECT_EQ(mymkdir(u"R:\\x\\y"), -1);  // a drive that is not mapped
}

TEST_F(FilesTest, SizesAndExistence) {
  WriteBytes(dir_ / "empty", "");
  WriteBytes(dir_ / "data", std::string(1234, 'z'));
  EXPECT_EQ(MyGetFileSize(Folder() + u"empty"), 0);
  EXPECT_EQ(MyGetFileSize(Folder() + u"data"), 1234);
  EXPECT_EQ(MyGetFileSize(Folder() + u"DATA"), 1234);  // letters match without case
  EXPECT_EQ(MyGetFileSize(Folder() + u"missing"), -1);
  EXPECT_EQ(MyGetFileSize(Folder()), -1);
  EXPECT_EQ(IsExist(Folder() + u"data"), 1);
  EXPECT_EQ(IsExist(Folder()), 1);
  EXPECT_EQ(IsExist(Folder() + u"missing"), 0);
}

TEST_F(FilesTest, FreeSizeReportsTheDisk) {
  ULARGE_INTEGER available{}, total{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(Folder(), &available, &total, nullptr));
  double free = -1;
  int percent = -1;
  EXPECT_EQ(FreeSize(Folder(), &free, &percent), 0);
  // The disk is shared with other programs: allow for their writes.
  EXPECT_NEAR(free, static_cast<double>(available.QuadPart), 64.0 * 1024 * 1024);
  EXPECT_GE(percent, 0);
  EXPECT_LE(percent, 100);

  free = -1;
  percent = -7;
  EXPECT_EQ(FreeSize(Folder() + u"missing\\", &free, &percent), 0);
  EXPECT_EQ(free, 0);
  EXPECT_EQ(percent, -7);
}

TEST_F(FilesTest, FileNameFormatReplacesFiveOccurrencesOfEachCharacter) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"a/b:c.txt", u"a_b_c_txt"},
      {u"\\/;:*?<>|. \"", u"____________"},
      {u"1.2.3.4.5.6.7", u"1_2_3_4_5_6.7"},
      {u"a  b  c  d", u"a__b__c_ d"},
      {u"見積書（2024）", u"見積書（2024）"},
      {u"", u""},
  };
  for (const Case& c : cases) {
    std::u16string buffer = c.in;
    EXPECT_EQ(FileNameFormat(buffer.data()), c.out) << CString(c.in).ToUtf8();
    EXPECT_EQ(buffer, c.out);
  }
  EXPECT_EQ(FileNameFormat(nullptr), u"");
}

TEST_F(FilesTest, GetBuffDropsTrailingSpaces) {
  // Only U+0020 counts as a space.
  for (auto [in, out] : {std::pair{u"abc  ", u"abc"}, {u" a b ", u" a b"}, {u"   ", u""},
                         {u"全角　", u"全角　"}}) {
    char16_t buffer[16];
    GetBuff(buffer, in);
    EXPECT_EQ(std::u16string(buffer), out);
  }
  char16_t inPlace[] = u"xy  ";
  GetBuff(inPlace, inPlace);
  EXPECT_EQ(std::u16string(inPlace), u"xy");
  GetBuff(inPlace, nullptr);
  EXPECT_EQ(std::u16string(inPlace), u"");
}

TEST_F(FilesTest, MyDlgDirListFillsTheComboBox) {
  Files({"est.mst", "inv.txt", "noext"});
  fs::create_directories(dir_ / "folder");
  HWND dialog = cmd::ui::CreateTestWindow(u"#32770", u"");
  HWND combo = cmd::ui::CreateTestWindow(u"COMBOBOX", u"", dialog, 100);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"stale"));

  auto items = [combo] {
    std::vector<std::string> out;
    for (LRESULT i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
      char16_t text[64] = {};
      SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
      out.push_back(CString(text).ToUtf8());
    }
    return out;
  };
  const std::vector<std::string> names = HostOrder(false);
  EXPECT_EQ(MyDlgDirList(CWnd::FromHandle(dialog), Folder() + u"*.*", 100, 1), 3);
  EXPECT_EQ(items(), names);

  std::vector<std::string> titles;
  for (const std::string& n : names) titles.push_back(n.substr(0, n.find('.')));
  EXPECT_EQ(MyDlgDirList(CWnd::FromHandle(dialog), Folder() + u"*.*", 100, 0), 3);
  EXPECT_EQ(items(), titles);

  EXPECT_EQ(MyDlgDirList(CWnd::FromHandle(dialog), Folder() + u"*.zip", 100, 1), 0);
  EXPECT_TRUE(items().empty());
  // Without the control (or the dialog) the files are still counted.
  EXPECT_EQ(MyDlgDirList(CWnd::FromHandle(dialog), Folder() + u"*.mst", 101, 1), 1);
  EXPECT_EQ(MyDlgDirList(nullptr, Folder() + u"*.mst", 100, 1), 1);
  DestroyWindow(dialog);
}

TEST_F(FilesTest, MyDlgDirSelectComboBoxGivesTheDrive) {
  HWND dialog = cmd::ui::CreateTestWindow(u"#32770", u"");
  HWND combo = cmd::ui::CreateTestWindow(u"COMBOBOX", u"", dialog, 7);
  EXPECT_EQ(MyDlgDirSelectComboBox(dialog, 7), u"");
  for (const char16_t* entry : {u"[-a-]", u"[-c-] ", u"[-"}) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  }
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(MyDlgDirSelectComboBox(dialog, 7), u"a:");
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  EXPECT_EQ(MyDlgDirSelectComboBox(dialog, 7), u"c:");
  SendMessageW(combo, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(MyDlgDirSelectComboBox(dialog, 7), u"");
  EXPECT_EQ(MyDlgDirSelectComboBox(dialog, 8), u"");
  DestroyWindow(dialog);
}
