#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/platform/hooks.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::TempDir;

namespace {

class ParamFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    hadXdg_ = xdg != nullptr;
    if (xdg) oldXdg_ = xdg;
    setenv("XDG_CONFIG_HOME", dir_.str().c_str(), 1);
    fs::create_directories(work());
    oldHook_ = SetDebugOutputHook([this](const CString& s) { debug_.push_back(s); });
  }
  void TearDown() override {
    SetDebugOutputHook(oldHook_);
    if (hadXdg_) setenv("XDG_CONFIG_HOME", oldXdg_.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
  }
  fs::path work() const { return dir_ / "tolv" / "WORK"; }

  TempDir dir_;
  std::string oldXdg_;
  bool hadXdg_ = false;
  DebugOutputHook oldHook_;
  std::vector<CString> debug_;
};

}  // namespace

TEST_F(ParamFileTest, SetExecTypeCreatesTwentyLines) {
  EXPECT_EQ(GetExecType(), u"");
  SetExecType(3);
  std::string expected = cmdtest::Utf16le(u"3\r\n");
  for (int i = 1; i < 20; ++i) expected += cmdtest::Utf16le(u"\r\n", false);
  EXPECT_EQ(cmdtest::ReadBytes(work() / "param.txt"), expected);
  EXPECT_EQ(GetExecType(), u"3");
  ASSERT_FALSE(debug_.empty());
  EXPECT_EQ(debug_.front(), u"param.txt not existent under AppData");
}

TEST_F(ParamFileTest, ReadFillsAtMostTwentyValues) {
  std::vector<CString> lines;
  for (int i = 0; i < 25; ++i) lines.push_back(CString::FromUtf8("値" + std::to_string(i)));
  ParamFileWrite(lines.data(), 25);
  CString values[25];
  for (auto& v : values) v = u"stale";
  ParamFileRead(values, 25);
  EXPECT_EQ(values[0], u"値0");
  EXPECT_EQ(values[19], u"値19");
  for (int i = 20; i < 25; ++i) EXPECT_EQ(values[i], u"") << i;
  // SetExecType keeps lines 2 to 20 and drops the rest.
  SetExecType(-7);
  ParamFileRead(values, 25);
  EXPECT_EQ(values[0], u"-7");
  EXPECT_EQ(values[1], u"値1");
  EXPECT_EQ(values[20], u"");
}

TEST_F(ParamFileTest, ShortOrOddFiles) {
  // No byte-order mark: read as ANSI text; a truncated UTF-16 unit is dropped.
  cmdtest::WriteBytes(work() / "param.txt", "12\r\nab");
  CString values[3];
  ParamFileRead(values, 3);
  EXPECT_EQ(values[0], u"12");
  EXPECT_EQ(values[1], u"ab");
  EXPECT_EQ(values[2], u"");
  cmdtest::WriteBytes(work() / "param.txt", cmdtest::Utf16le(u"5") + "\x0D");
  EXPECT_EQ(GetExecType(), u"5");
  cmdtest::WriteBytes(work() / "param.txt", "");
  EXPECT_EQ(GetExecType(), u"");
}

TEST_F(ParamFileTest, LogRecord) {
  EXPECT_EQ(ZorvikLog(u"A", u"B"), 1);
  EXPECT_EQ(cmdtest::ReadBytes(work() / "log.txt"), cmdtest::Utf16le(u"A:B\r\n"));
  CString value = u"untouched";
  EXPECT_EQ(GetZorvikLog(u"a", &value), 0);
  EXPECT_EQ(value, u"untouched");
  EXPECT_EQ(GetZorvikLog(u"A", &value), 1);
  EXPECT_EQ(value, u"B");
  ZorvikLog(u"A", u"x:y");
  EXPECT_EQ(GetZorvikLog(u"A", &value), 1);
  EXPECT_EQ(value, u"x");
  ZorvikLog(u"K", u"");
  EXPECT_EQ(GetZorvikLog(u"K", &value), 1);
  EXPECT_EQ(value, u"");
  // A stored key or value longer than 259 units is cut, never written past.
  ZorvikLog(CString(u'k', 400), CString(u'v', 400));
  EXPECT_EQ(GetZorvikLog(CString(u'k', 259), &value), 1);
  EXPECT_LE(value.GetLength(), 259);
}

TEST_F(ParamFileTest, MissingWorkFolder) {
  fs::remove_all(work());
  CString values[2] = {u"x", u"y"};
  ParamFileRead(values, 2);  // cannot create the file: values are emptied
  EXPECT_EQ(values[0], u"");
  EXPECT_EQ(ZorvikLog(u"A", u"B"), 0);
  CString value;
  EXPECT_EQ(GetZorvikLog(u"A", &value), 0);
}
