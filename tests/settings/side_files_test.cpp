// The settings files beside "pelmar1.ini": which file the numbering reads and
// writes, the shared "mituno.ini" created as UTF-16, the layout groups under
// either spelling of their folder, and the envelope settings.
#include <array>

#include "settings_fixture.h"

namespace fs = std::filesystem;
using settingstest::kMissing;
using settingstest::SettingsTest;

class SideFilesTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    env_ = dir() / "env";
    fs::create_directories(env_);
    Store(u"DIR", u"PELMAR", Win(env_) + u"\\");
  }
  fs::path MitunoHost() const { return env_ / "mituno.ini"; }
  CString Mituno() const { return Win(MitunoHost()); }
  fs::path env_;
};

TEST_F(SideFilesTest, NumberingDefaults) {
  const std::array<const char16_t*, 4> defaults{u"", u"0", u"1", u"3"};
  for (int item = 1; item <= 4; ++item) {
    EXPECT_EQ(GetMituNoIni(1, item), defaults[static_cast<std::size_t>(item - 1)]);
    EXPECT_EQ(GetMituNoIni(0, item), defaults[static_cast<std::size_t>(item - 1)]);
    EXPECT_EQ(GetMituNo2Ini(1, item), defaults[static_cast<std::size_t>(item - 1)]);
  }
  EXPECT_EQ(GetMituNoIni(1, 0), u"");
  EXPECT_EQ(GetMituNoIni(1, 5), u"");
}

TEST_F(SideFilesTest, NumberingWithoutSharingUsesTheSettingsFile) {
  SetMituNoIni(u"A-100", 1, 1);
  SetMituNoIni(u"B-7", 3, 2);
  EXPECT_EQ(Stored(u"見積No", u"見積1"), u"A-100");
  EXPECT_EQ(Stored(u"見積No", u"請求2"), u"B-7");
  EXPECT_EQ(GetMituNoIni(1, 1), u"A-100");
  EXPECT_EQ(GetMituNoIni(2, 2), u"B-7");
  EXPECT_FALSE(fs::exists(MitunoHost()));

  // Outside items 1 to 4 nothing is written.
  const std::string before = cmdtest::ReadBytes(MainHost());
  SetMituNoIni(u"X", 1, 0);
  SetMituNoIni(u"X", 1, 5);
  EXPECT_EQ(cmdtest::ReadBytes(MainHost()), before);

  // An existing shared file is ignored while sharing is off.
  WriteUtf16(MitunoHost(), u"[見積No]\r\n見積1=SHARED\r\n");
  EXPECT_EQ(GetMituNoIni(1, 1), u"A-100");
}

TEST_F(SideFilesTest, SharedNumberingCreatesMitunoAsUtf16) {
  SetMituNoShare(1);
  Store(u"見積No", u"見積3", u"local");
  // Sharing is on but there is no shared file yet: the settings file.
  EXPECT_EQ(GetMituNoIni(1, 3), u"local");

  SetMituNoIni(u"共有-1", 1, 3);
  ASSERT_TRUE(fs::exists(MitunoHost()));
  const std::string bytes = cmdtest::ReadBytes(MitunoHost());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(cmdtest::Hex(bytes.substr(0, 2)), "FF FE");
  EXPECT_NE(bytes.find(cmdtest::Utf16le(u"見積3=共有-1", false)), std::string::npos);
  EXPECT_EQ(Stored(Mituno(), u"見積No", u"見積3"), u"共有-1");
  EXPECT_EQ(Stored(u"見積No", u"見積3"), u"local");
  EXPECT_EQ(GetMituNoIni(1, 3), u"共有-1");
  // Keys not in the shared file read as their defaults, not from pelmar1.ini.
  Store(u"見積No", u"見積4", u"local4");
  EXPECT_EQ(GetMituNoIni(1, 4), u"3");

  // Switching sharing off falls back to the settings file.
  SetMituNoShare(0);
  EXPECT_EQ(GetMituNoIni(1, 3), u"local");
}

TEST_F(SideFilesTest, SharedNumberingFileIsCreatedEvenForABadItem) {
  SetMituNoShare(1);
  SetMituNoIni(u"X", 1, 9);
  ASSERT_TRUE(fs::exists(MitunoHost()));
  EXPECT_EQ(cmdtest::ReadBytes(MitunoHost()), "\xFF\xFE");
  EXPECT_EQ(GetMituNoIni(1, 9), u"");
}

TEST_F(SideFilesTest, SharedFileThatCannotBeCreatedFallsBackToTheSettingsFile) {
  SetMituNoShare(1);
  Store(u"DIR", u"PELMAR", Win(dir() / "no" / "such") + u"\\");
  SetMituNoIni(u"fallback", 2, 4);
  EXPECT_EQ(Stored(u"見積No", u"請求4"), u"fallback");
  EXPECT_EQ(GetMituNoIni(2, 4), u"fallback");
  EXPECT_FALSE(fs::exists(dir() / "no"));
}

TEST_F(SideFilesTest, Pelmar2Numbering) {
  SetMituNo2Ini(u"N2", 1, 2);
  const fs::path pelmar2 = env_ / "pelmar2.ini";
  ASSERT_TRUE(fs::exists(pelmar2));
  EXPECT_EQ(Stored(Win(pelmar2), u"見積No", u"見積2"), u"N2");
  EXPECT_EQ(GetMituNo2Ini(1, 2), u"N2");
  EXPECT_EQ(GetMituNoIni(1, 2), u"0");
  // The sharing switch plays no part.
  SetMituNoShare(1);
  EXPECT_EQ(GetMituNo2Ini(1, 2), u"N2");
  const std::string before = cmdtest::ReadBytes(pelmar2);
  SetMituNo2Ini(u"bad", 1, 0);
  SetMituNo2Ini(u"bad", 2, 5);
  EXPECT_EQ(cmdtest::ReadBytes(pelmar2), before);
  EXPECT_EQ(GetMituNo2Ini(1, -3), u"");
}

TEST_F(SideFilesTest, LayoutGroupsUnderEitherSpellingOfTheFolder) {
  CString names[10];
  GetLayoutIni(names);
  for (const CString& n : names) EXPECT_EQ(n, u"");

  // Without the folder nothing is written and nothing is created.
  CString groups[10];
  for (int i = 0; i < 10; ++i) groups[i].Format(u"グループ%d", i + 1);
  SetLayoutIni(groups);
  EXPECT_TRUE(fs::is_empty(env_));

  // The folder as Windows created it: "Layout". The setter spells it
  // "LAYOUT", the getter "layout"; both find it.
  fs::create_directories(env_ / "Layout");
  SetLayoutIni(groups);
  ASSERT_TRUE(fs::exists(env_ / "Layout" / "layout.ini"));
  EXPECT_FALSE(fs::exists(env_ / "LAYOUT"));
  GetLayoutIni(names);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(names[i], groups[i]);
  EXPECT_EQ(Stored(Win(env_ / "Layout" / "layout.ini"), u"ｸﾞﾙｰﾌﾟ", u"10"), u"グループ10");

  WriteUtf16(env_ / "Layout" / "layout.ini", u"[ｸﾞﾙｰﾌﾟ]\r\n3=三\r\n");
  for (CString& n : names) n = u"stale";
  GetLayoutIni(names);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(names[i], i == 2 ? CString(u"三") : CString()) << i;
  GetLayoutIni(nullptr);
  SetLayoutIni(nullptr);
}

TEST_F(SideFilesTest, EnvelopeKeysFromKindAndDirection) {
  const fs::path fuutou = dir() / "fuutou.ini";
  EXPECT_EQ(GetFuutouMergenTypeIni(1, 14), 1);
  EXPECT_EQ(GetFuutouMergenInsPosIni(1, 14), 0);
  EXPECT_EQ(GetFuutouMergenPrnPosIni(2, 14), 0);
  EXPECT_EQ(GetFuutouPaperSizeIni(), 0);
  EXPECT_FALSE(fs::exists(fuutou));

  SetFuutouMergenTypeIni(1, 14, 3);
  EXPECT_EQ(Stored(Win(fuutou), u"印刷ﾏｰｼﾞﾝﾀｲﾌﾟ", u"長3縦"), u"3");
  EXPECT_EQ(GetFuutouMergenTypeIni(1, 15), 3);
  EXPECT_EQ(GetFuutouMergenTypeIni(0, 14), 1);

  // The codes at the edges of the kind table, and codes outside it.
  const std::pair<int, const char16_t*> kinds[] = {
      {10, u"長1"}, {11, u"長1"}, {12, u"長2"}, {13, u"長2"}, {16, u"長40"}, {19, u"長4"},
      {20, u"角0"}, {37, u"角8"}, {38, u"長1"}, {-1, u"長1"},
  };
  int value = 100;
  for (const auto& [kind, name] : kinds) {
    ++value;
    SetFuutouMergenInsPosIni(2, kind, value);
    CString text;
    text.Format(u"%d", value);
    EXPECT_EQ(Stored(Win(fuutou), u"印刷挿入", CString(name) + u"横"), text) << kind;
    EXPECT_EQ(GetFuutouMergenInsPosIni(3, kind), value) << kind;
    SetFuutouMergenPrnPosIni(1, kind, -value);
    EXPECT_EQ(GetFuutouMergenPrnPosIni(1, kind), -value) << kind;
  }

  SetFuutouPaperSizeIni(4);
  EXPECT_EQ(Stored(Win(fuutou), u"印刷用紙ｻｲｽﾞ", u"全て"), u"4");
  EXPECT_EQ(GetFuutouPaperSizeIni(), 4);
  EXPECT_EQ(Stored(u"印刷用紙ｻｲｽﾞ", u"全て"), kMissing);
}

TEST_F(SideFilesTest, EnvelopeMargins) {
  int pair[2] = {-1, -1};
  GetFuutouMergenIni(1, 24, pair);
  EXPECT_EQ((std::array{pair[0], pair[1]}), (std::array{0, 0}));
  const int margin[2] = {12, -3};
  SetFuutouMergenIni(1, 24, margin);
  EXPECT_EQ(Stored(Win(dir() / "fuutou.ini"), u"印刷ﾏｰｼﾞﾝ", u"角2縦"), u"12,-3");
  GetFuutouMergenIni(1, 25, pair);
  EXPECT_EQ((std::array{pair[0], pair[1]}), (std::array{12, -3}));

  const fs::path fuutou = dir() / "fuutou.ini";
  const std::pair<const char16_t*, std::array<int, 2>> stored[] = {
      {u"5", {5, 0}}, {u"5,", {5, 0}}, {u"7,8 9", {7, 8}}, {u",4", {0, 0}}, {u"x,y", {0, 0}}};
  for (const auto& [text, expected] : stored) {
    Store(Win(fuutou), u"印刷ﾏｰｼﾞﾝ", u"長1横", text);
    GetFuutouMergenIni(0, 10, pair);
    EXPECT_EQ((std::array{pair[0], pair[1]}), expected) << CString(text).ToUtf8();
  }
  GetFuutouMergenIni(0, 10, nullptr);
  SetFuutouMergenIni(0, 10, nullptr);
}

TEST_F(SideFilesTest, EnvelopeFileFollowsTheCurrentDirectoryCopy) {
  fs::create_directories(dir() / "app");
  fs::current_path(dir() / "app");
  SetCwd();
  SetFuutouPaperSizeIni(2);
  EXPECT_TRUE(fs::exists(dir() / "app" / "fuutou.ini"));
  // Changing directory without refreshing the copy changes nothing.
  fs::current_path(dir().path());
  EXPECT_EQ(GetFuutouPaperSizeIni(), 2);
  SetCwd();
  EXPECT_EQ(GetFuutouPaperSizeIni(), 0);
}

TEST_F(SideFilesTest, GlueFlapDefaultsByEnvelopeName) {
  const std::pair<const char16_t*, int> defaults[] = {
      {u"角2", 420}, {u"角1", 380}, {u"長40", 260}, {u"長5", 0}, {u"", 0}, {u"角2縦", 0}, {u"ａ", 0},
  };
  for (const auto& [name, size] : defaults) {
    EXPECT_EQ(GetPrnFuutouNorisiroIni(name), size) << CString(name).ToUtf8();
  }
  SetPrnFuutouNorisiroIni(u"角2", 400);
  EXPECT_EQ(Stored(u"封筒のりしろ", u"角2"), u"400");
  EXPECT_EQ(GetPrnFuutouNorisiroIni(u"角2"), 400);
  EXPECT_FALSE(fs::exists(dir() / "fuutou.ini"));
}
