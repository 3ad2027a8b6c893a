#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/profile.h"
#include "cmddll3/platform/resources.h"
#include "cmddll3/platform/winpath.h"
#include "frame/state.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::TempDir;

// Built from the library's export list by a translation unit that includes
// only the umbrella header (it does not compile when a name is undeclared).
namespace cmdtest {
extern const void* const kUmbrellaExports[];
extern const int kUmbrellaExportCount;
}  // namespace cmdtest

namespace {

// Runs a test in a temporary current directory with XDG_CONFIG_HOME pointing
// into it, restoring both afterwards.
class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = fs::current_path();
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    hadXdg_ = xdg != nullptr;
    if (xdg) oldXdg_ = xdg;
    fs::current_path(dir_.path());
    fs::create_directories(dir_ / "appdata");
    setenv("XDG_CONFIG_HOME", (dir_ / "appdata").c_str(), 1);
  }
  void TearDown() override {
    fs::current_path(oldCwd_);
    if (hadXdg_) setenv("XDG_CONFIG_HOME", oldXdg_.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
    SetSystemDrv(u"");
  }
  std::u16string Cwd() const { return Utf8ToUtf16(dir_.str()); }
  std::string Work() const { return (dir_ / "appdata" / "tolv" / "WORK").string(); }

  TempDir dir_;
  fs::path oldCwd_;
  std::string oldXdg_;
  bool hadXdg_ = false;
};

}  // namespace

TEST_F(FrameTest, FolderGettersWithoutRootAreRelative) {
  SetSystemDrv(u"");
  EXPECT_EQ(GetSysDrv(), u"");
  EXPECT_EQ(GetBmpDrv(), u"BMP\\");
  EXPECT_EQ(GetDataDrv(0), u"DATA\\");
  EXPECT_EQ(GetGrpDrv(), u"data\\");
}

TEST_F(FrameTest, FolderLayoutUnderTheRoot) {
  SetSystemDrv(u"C:\\X\\");
  EXPECT_EQ(GetMstDrv(1, -1), u"C:\\X\\MASTER\\電気\\");
  EXPECT_EQ(GetMstDrv(2, 0), u"C:\\X\\MASTER\\水道\\1\\");
  EXPECT_EQ(GetMstDrv(4, 2), u"C:\\X\\MASTER\\建築\\3\\");
  for (int trade : {0, 5, 7, 9, 11, -1}) EXPECT_EQ(GetMstDrv(trade, -1), u"") << trade;
  EXPECT_EQ(GetMstDrv(10, 5), GetWorkDrv());
  EXPECT_EQ(GetMstDrv(1, 2147483647), u"C:\\X\\MASTER\\電気\\-2147483648\\");
  EXPECT_EQ(GetDataDrv(1), u"C:\\X\\DATA\\見積\\");
  EXPECT_EQ(GetDataDrv(2), u"C:\\X\\DATA\\請求\\");
  EXPECT_EQ(GetDataDrv(3), u"C:\\X\\DATA\\単票\\");
  EXPECT_EQ(GetDataDrv(4), GetDataDrv(3));
  EXPECT_EQ(GetDataDrv(-1), u"C:\\X\\DATA\\");
  EXPECT_EQ(GetDataDrv(9), u"C:\\X\\DATA\\");
  EXPECT_EQ(GetTanaDrv(), u"C:\\X\\data\\");
  EXPECT_EQ(GetWaveDrv(), u"C:\\X\\WAV\\");
  EXPECT_EQ(GetLayoutDrv(), u"C:\\X\\LAYOUT\\");
  EXPECT_EQ(GetLogoDrv(), u"C:\\X\\LOGO\\");
  EXPECT_EQ(GetMailDrv(), u"C:\\X\\MAIL\\");
}

TEST_F(FrameTest, WorkFolderFollowsTheApplicationDataFolder) {
  EXPECT_EQ(GetWorkDrv().ToUtf8(), (dir_ / "appdata").string() + "\\tolv\\WORK\\");
  unsetenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string oldHome = home ? home : "";
  unsetenv("HOME");
  EXPECT_EQ(GetWorkDrv(), u"\\WORK\\");
  if (home) setenv("HOME", oldHome.c_str(), 1);
}

TEST_F(FrameTest, SettingsFilesFollowTheCurrentDirectory) {
  SetIniFile();
  EXPECT_EQ(GetIniFile(), Cwd() + u"\\pelmar1.ini");
  Set4IniFile();
  EXPECT_EQ(cmd::frame::Get4IniFile(), Cwd() + u"\\sek4.ini");
  SetEnvPath();
  EXPECT_EQ(GetEnvPath(), Cwd() + u"\\");
  EXPECT_EQ(SetCwd(), Cwd());
  EXPECT_EQ(GetExeBmpPath(), Cwd() + u"\\bmp");

  // A second SetIniFile from another folder moves every later settings read.
  fs::create_directories(dir_ / "other");
  fs::current_path(dir_ / "other");
  SetIniFile();
  EXPECT_EQ(GetIniFile(), Cwd() + u"/other\\pelmar1.ini");
  fs::current_path(dir_.path());
}

TEST_F(FrameTest, PathsThatDoNotFitAreLeftEmptyAndReported) {
  std::vector<std::u16string> debug;
  DebugOutputHook oldHook = SetDebugOutputHook([&](const CString& t) { debug.push_back(t.str()); });
  // A current directory of `length` units, made of nested folders.
  auto enterFolderOf = [&](std::size_t length) {
    fs::path folder = dir_.path();
    while (folder.string().size() < length) {
      std::size_t room = length - folder.string().size() - 1;
      folder /= std::string(std::min<std::size_t>(room, 200), 'd');
    }
    fs::create_directories(folder);
    fs::current_path(folder);
    return Utf8ToUtf16(folder.string());
  };
  struct Case {
    std::size_t cwd;
    bool iniFits, ini4Fits, envFits;
  };
  // "\pelmar1.ini" is 12 units, "\sek4.ini" 9 and "\" 1; 259 units fit.
  for (Case c : {Case{247, true, true, true}, Case{250, false, true, true},
                 Case{252, false, false, true}, Case{259, false, false, false}}) {
    SCOPED_TRACE(c.cwd);
    std::u16string cwd = enterFolderOf(c.cwd);
    debug.clear();
    SetIniFile();
    Set4IniFile();
    SetEnvPath();
    EXPECT_EQ(GetIniFile(), c.iniFits ? cwd + u"\\pelmar1.ini" : u"");
    EXPECT_EQ(cmd::frame::Get4IniFile(), c.ini4Fits ? cwd + u"\\sek4.ini" : u"");
    EXPECT_EQ(GetEnvPath(), c.envFits ? cwd + u"\\" : u"");
    EXPECT_EQ(debug.size(), std::size_t(!c.iniFits + !c.ini4Fits + !c.envFits));
    if (!c.iniFits) {
      EXPECT_EQ(debug[0].rfind(u"SetIniFile: ", 0), 0u);
    }
  }
  // A current directory that does not fit at all.
  enterFolderOf(300);
  debug.clear();
  SetIniFile();
  EXPECT_EQ(GetIniFile(), u"");
  EXPECT_EQ(debug.size(), 1u);
  // Nothing is read from or written to a file of another name.
  EXPECT_FALSE(WritePrivateProfileStringW(u"a", u"k", u"1", GetIniFile()));
  SetDebugOutputHook(oldHook);
  fs::current_path(dir_.path());
}

TEST_F(FrameTest, TheRootFolderIsNoNetworkShare) {
  fs::current_path("/");
  SetIniFile();
  EXPECT_EQ(GetIniFile(), u"/\\pelmar1.ini");
  EXPECT_EQ(cmd::path::ToHostOrEmpty(GetIniFile().str()), "/pelmar1.ini");
  setenv("XDG_CONFIG_HOME", "/", 1);
  EXPECT_EQ(GetWorkDrv(), u"/\\tolv\\WORK\\");
  EXPECT_EQ(cmd::path::ToHostOrEmpty(GetWorkDrv().str()), "/tolv/WORK/");
  fs::current_path(dir_.path());
}

TEST_F(FrameTest, PathRecordAndEnvironmentFile) {
  SetIniFile();
  EXPECT_EQ(GetPathIni(), u"");
  EXPECT_EQ(GetIniFile2(), u"\\pelmar2.ini");

  int boxes = 0;
  CString caption;
  auto old = SetMessageBoxHook([&](HWND, const CString&, const CString& c, UINT) {
    ++boxes;
    caption = c;
    return IDOK;
  });
  EXPECT_EQ(ReadEnvFile(), 0);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(caption, u"環境PATHが空です");

  CString record[9] = {u"D\\", u"M\\", u"W\\", u"B\\", u"V\\", u"L\\", u"O\\", u"A\\", u"C:\\ENV"};
  SetPathIni(record);
  EXPECT_EQ(GetPathIni(), u"C:\\ENV");
  EXPECT_EQ(GetIniFile2(), u"C:\\ENV\\pelmar2.ini");
  EXPECT_EQ(ReadEnvFile(), 1);
  EXPECT_EQ(boxes, 1);
  SetMessageBoxHook(old);
  EXPECT_EQ(cmdtest::ReadBytes(dir_ / "pelmar1.ini"),
            "[DIR]\r\nDATA=D\\\r\nMASTER=M\\\r\nWORK=W\\\r\nBMP=B\\\r\nWAV=V\\\r\n"
            "LAYOUT=L\\\r\nLOGO=O\\\r\nMAIL=A\\\r\nPELMAR=C:\\ENV\r\n");
}

TEST(Module, JoinsTheResourceChainAndStartsEmpty) {
  // The module is an extension module: the resource chain holds it.
  EXPECT_FALSE(cmd::res::Chain().empty());
  EXPECT_EQ(GetEnvPath(), u"");
}

TEST(Module, UmbrellaHeaderDeclaresEveryExport) {
  // The folder getters and the rest of the frame are among the exports.
  ASSERT_GT(cmdtest::kUmbrellaExportCount, 400);
  for (int i = 0; i < cmdtest::kUmbrellaExportCount; ++i)
    EXPECT_NE(cmdtest::kUmbrellaExports[i], nullptr) << i;
}
