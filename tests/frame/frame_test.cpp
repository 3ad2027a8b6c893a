// The system's folders, settings file names, the parameter and log files in
// the work folder, and the module as hosts load it.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "frame/state.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::ReadBytes;
using cmdtest::Utf16le;
using cmdtest::WriteBytes;
using Texts = std::vector<CString>;

// Built from the library's export list by a translation unit that includes
// only the umbrella header (it does not compile when a name is undeclared).
namespace cmdtest {
extern const void* const kUmbrellaExports[];
extern const int kUmbrellaExportCount;
}  // namespace cmdtest

namespace {

// An environment variable put back as it was when the object goes.
struct KeptEnv {
  explicit KeptEnv(const char* n) : name(n) { if (const char* v = std::getenv(n)) old = v; }
  ~KeptEnv() { old ? setenv(name, old->c_str(), 1) : unsetenv(name); }
  const char* name;
  std::optional<std::string> old;
};

// A temporary current directory, the application data folder inside it
// (with its work folder made) and the debug output collected.
class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = fs::current_path();
    fs::current_path(dir_.path());
    setenv("XDG_CONFIG_HOME", (dir_ / "appdata").c_str(), 1);
    fs::create_directories(work());
    oldHook_ = SetDebugOutputHook([this](const CString& s) { debug_.push_back(s.str()); });
  }
  void TearDown() override {
    SetDebugOutputHook(oldHook_);
    fs::current_path(oldCwd_);
    SetSystemDrv(u"");
  }
  std::u16string Cwd() const { return Utf8ToUtf16(dir_.str()); }
  fs::path work() const { return dir_ / "appdata" / "tolv" / "WORK"; }

  cmdtest::TempDir dir_;
  fs::path oldCwd_;
  KeptEnv xdg_{"XDG_CONFIG_HOME"};
  DebugOutputHook oldHook_;
  std::vector<std::u16string> debug_;
};

}  // namespace

TEST_F(FrameTest, FolderLayoutAndSettingsFiles) {
  EXPECT_EQ((Texts{GetSysDrv(), GetBmpDrv(), GetDataDrv(0), GetGrpDrv()}),
            (Texts{u"", u"BMP\\", u"DATA\\", u"data\\"}));
  // Trades 1-4, 6, 8 and 10 have master folders (10 is the work folder);
  // the number is written as a 32-bit int after adding one.
  SetSystemDrv(u"C:\\X\\");
  const std::pair<CString, CString> rooted[] = {
      {GetMstDrv(1, -1), u"C:\\X\\MASTER\\電気\\"}, {GetMstDrv(2, 0), u"C:\\X\\MASTER\\水道\\1\\"},
      {GetMstDrv(4, 2), u"C:\\X\\MASTER\\建築\\3\\"}, {GetMstDrv(10, 5), GetWorkDrv()},
      {GetMstDrv(1, 2147483647), u"C:\\X\\MASTER\\電気\\-2147483648\\"},
      {GetDataDrv(1), u"C:\\X\\DATA\\見積\\"}, {GetDataDrv(2), u"C:\\X\\DATA\\請求\\"},
      {GetDataDrv(3), u"C:\\X\\DATA\\単票\\"}, {GetDataDrv(4), u"C:\\X\\DATA\\単票\\"},
      {GetDataDrv(-1), u"C:\\X\\DATA\\"}, {GetDataDrv(9), u"C:\\X\\DATA\\"},
      {GetTanaDrv(), u"C:\\X\\data\\"}, {GetWaveDrv(), u"C:\\X\\WAV\\"},
      {GetLayoutDrv(), u"C:\\X\\LAYOUT\\"}, {GetLogoDrv(), u"C:\\X\\LOGO\\"},
      {GetMailDrv(), u"C:\\X\\MAIL\\"},
  };
  for (const auto& [got, expected] : rooted) EXPECT_EQ(got, expected);
  for (int trade : {0, 5, 7, 9, 11, -1}) EXPECT_EQ(GetMstDrv(trade, -1), u"") << trade;

  // The work folder and the settings files follow their folders.
  EXPECT_EQ(GetWorkDrv().ToUtf8(), (dir_ / "appdata").string() + "\\tolv\\WORK\\");
  SetIniFile();
  Set4IniFile();
  SetEnvPath();
  EXPECT_EQ(
      (Texts{GetIniFile(), cmd::frame::Get4IniFile(), GetEnvPath(), SetCwd(), GetExeBmpPath()}),
      (Texts{Cwd() + u"\\pelmar1.ini", Cwd() + u"\\sek4.ini", Cwd() + u"\\", Cwd(),
             Cwd() + u"\\bmp"}));
  // A second SetIniFile from another folder moves every later settings read.
  fs::create_directories(dir_ / "other");
  fs::current_path(dir_ / "other");
  SetIniFile();
  EXPECT_EQ(GetIniFile(), Cwd() + u"/other\\pelmar1.ini");
  // The root folder is no network share.
  fs::current_path("/");
  SetIniFile();
  EXPECT_EQ(GetIniFile(), u"/\\pelmar1.ini");
  EXPECT_EQ(cmd::path::ToHostOrEmpty(GetIniFile().str()), "/pelmar1.ini");
  setenv("XDG_CONFIG_HOME", "/", 1);
  EXPECT_EQ(GetWorkDrv(), u"/\\tolv\\WORK\\");
  EXPECT_EQ(cmd::path::ToHostOrEmpty(GetWorkDrv().str()), "/tolv/WORK/");
  // Without an application data folder or a home.
  KeptEnv home("HOME");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  EXPECT_EQ(GetWorkDrv(), u"\\WORK\\");
}

TEST_F(FrameTest, PathsThatDoNotFitAreLeftEmptyAndReported) {
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
  struct Case { std::size_t cwd; bool iniFits, ini4Fits, envFits; };
  // "\pelmar1.ini" is 12 units, "\sek4.ini" 9 and "\" 1; 259 units fit.
  for (Case c : {Case{247, true, true, true}, Case{250, false, true, true},
                 Case{252, false, false, true}, Case{259, false, false, false}}) {
    SCOPED_TRACE(c.cwd);
    std::u16string cwd = enterFolderOf(c.cwd);
    debug_.clear();
    SetIniFile();
    Set4IniFile();
    SetEnvPath();
    EXPECT_EQ((Texts{GetIniFile(), cmd::frame::Get4IniFile(), GetEnvPath()}),
              (Texts{c.iniFits ? cwd + u"\\pelmar1.ini" : u"",
                     c.ini4Fits ? cwd + u"\\sek4.ini" : u"", c.envFits ? cwd + u"\\" : u""}));
    EXPECT_EQ(debug_.size(), std::size_t(!c.iniFits + !c.ini4Fits + !c.envFits));
    if (!c.iniFits) { EXPECT_EQ(debug_[0].rfind(u"SetIniFile: ", 0), 0u); }
  }
  // A current directory that does not fit at all; nothing is read from or
  // written to a file of another name.
  enterFolderOf(300);
  debug_.clear();
  SetIniFile();
  EXPECT_EQ(GetIniFile(), u"");
  EXPECT_EQ(debug_.size(), 1u);
  EXPECT_FALSE(WritePrivateProfileStringW(u"a", u"k", u"1", GetIniFile()));
}

TEST_F(FrameTest, PathRecordEnvironmentParamAndLogFiles) {
  SetIniFile();
  EXPECT_EQ((Texts{GetPathIni(), GetIniFile2()}), (Texts{u"", u"\\pelmar2.ini"}));
  std::vector<CString> captions;
  auto old = SetMessageBoxHook([&](HWND, const CString&, const CString& caption, UINT) {
    captions.push_back(caption);
    return IDOK;
  });
  EXPECT_EQ(ReadEnvFile(), 0);
  CString record[9] = {u"D\\", u"M\\", u"W\\", u"B\\", u"V\\", u"L\\", u"O\\", u"A\\", u"C:\\ENV"};
  SetPathIni(record);
  EXPECT_EQ((Texts{GetPathIni(), GetIniFile2()}), (Texts{u"C:\\ENV", u"C:\\ENV\\pelmar2.ini"}));
  EXPECT_EQ(ReadEnvFile(), 1);
  SetMessageBoxHook(old);
  EXPECT_EQ(captions, Texts{u"環境PATHが空です"});
  EXPECT_EQ(ReadBytes(dir_ / "pelmar1.ini"),
            "[DIR]\r\nDATA=D\\\r\nMASTER=M\\\r\nWORK=W\\\r\nBMP=B\\\r\nWAV=V\\\r\n"
            "LAYOUT=L\\\r\nLOGO=O\\\r\nMAIL=A\\\r\nPELMAR=C:\\ENV\r\n");

  // A missing file is made with twenty empty lines and reported.
  EXPECT_EQ(GetExecType(), u"");
  SetExecType(3);
  std::string expected = Utf16le(u"3\r\n");
  for (int i = 1; i < 20; ++i) expected += Utf16le(u"\r\n", false);
  EXPECT_EQ(ReadBytes(work() / "param.txt"), expected);
  EXPECT_EQ(GetExecType(), u"3");
  ASSERT_FALSE(debug_.empty());
  EXPECT_EQ(debug_.front(), u"param.txt not existent under AppData");

  // At most twenty values are read; SetExecType keeps lines 2 to 20.
  Texts lines;
  for (int i = 0; i < 25; ++i) lines.push_back(CString::FromUtf8("値" + std::to_string(i)));
  ParamFileWrite(lines.data(), 25);
  Texts values(25, u"stale");
  ParamFileRead(values.data(), 25);
  lines.resize(20);
  lines.resize(25);
  EXPECT_EQ(values, lines);
  SetExecType(-7);
  ParamFileRead(values.data(), 25);
  lines[0] = u"-7";
  EXPECT_EQ(values, lines);

  // No byte-order mark: ANSI text; a truncated UTF-16 unit is dropped.
  WriteBytes(work() / "param.txt", "12\r\nab");
  ParamFileRead(values.data(), 3);
  EXPECT_EQ(Texts(values.begin(), values.begin() + 3), (Texts{u"12", u"ab", u""}));
  WriteBytes(work() / "param.txt", Utf16le(u"5") + "\x0D");
  EXPECT_EQ(GetExecType(), u"5");
  WriteBytes(work() / "param.txt", "");
  EXPECT_EQ(GetExecType(), u"");

  // Keys match with case; a value ends at its first ":".
  EXPECT_EQ(ZorvikLog(u"A", u"B"), 1);
  EXPECT_EQ(ReadBytes(work() / "log.txt"), Utf16le(u"A:B\r\n"));
  auto get = [](const char16_t* key) {
    CString value = u"untouched";
    int found = GetZorvikLog(key, &value);
    return std::to_string(found) + " " + value.ToUtf8();
  };
  EXPECT_EQ(get(u"a"), "0 untouched");
  EXPECT_EQ(get(u"A"), "1 B");
  ZorvikLog(u"A", u"x:y");
  EXPECT_EQ(get(u"A"), "1 x");
  ZorvikLog(u"K", u"");  // the file holds the last record only
  EXPECT_EQ(get(u"K"), "1 ");
  EXPECT_EQ(get(u"A"), "0 untouched");
  CString value;
  // A stored key or value longer than 259 units is cut, never written past.
  ZorvikLog(CString(u'k', 400), CString(u'v', 400));
  EXPECT_EQ(GetZorvikLog(CString(u'k', 259), &value), 1);
  EXPECT_LE(value.GetLength(), 259);

  // Without the work folder nothing can be made: values are emptied.
  fs::remove_all(work());
  values[0] = u"x", values[1] = u"y";
  ParamFileRead(values.data(), 2);
  EXPECT_EQ(values[0] + values[1], u"");
  EXPECT_EQ(ZorvikLog(u"A", u"B"), 0);
  EXPECT_EQ(get(u"A"), "0 untouched");
}

TEST(Module, ExportsEveryDeclaredNameAndNothingElse) {
  // The module joins the resource chain as an extension module and starts empty.
  EXPECT_FALSE(cmd::res::Chain().empty());
  EXPECT_EQ(GetEnvPath(), u"");
  // Every export is declared by the umbrella header ...
  ASSERT_GT(cmdtest::kUmbrellaExportCount, 400);
  for (int i = 0; i < cmdtest::kUmbrellaExportCount; ++i)
    EXPECT_NE(cmdtest::kUmbrellaExports[i], nullptr) << i;
  // ... and every function the headers declare leaves the shared library
  // under its undecorated name, and works when called through it.
  void* lib = dlopen(CMD_DLL3_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  const std::regex declaration(R"(^CMD_API [^(;]*?(\w+)\()");
  int declared = 0;
  for (const auto& header : fs::directory_iterator(fs::path(CMD_SOURCE_DIR) / "include/cmddll3")) {
    std::ifstream in(header.path());
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
      if (!std::regex_search(line, m, declaration)) continue;
      ++declared;
      EXPECT_NE(dlsym(lib, m[1].str().c_str()), nullptr) << m[1] << " in " << header.path();
    }
  }
  EXPECT_GT(declared, 300);
  auto round = reinterpret_cast<LONG (*)(float)>(dlsym(lib, "roundKin"));
  auto format = reinterpret_cast<CString (*)(const char16_t*)>(dlsym(lib, "KanmaFormat_2"));
  ASSERT_TRUE(round && format);
  EXPECT_EQ(round(10.01f), 11);
  EXPECT_EQ(format(u"1234567"), u"1,234,567");
  dlclose(lib);
}
