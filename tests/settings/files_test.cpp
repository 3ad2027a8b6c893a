// The settings files beside "pelmar1.ini": which file the numbering reads and
// writes, the shared "mituno.ini" created as UTF-16, the layout groups under
// either spelling of their folder, the envelope settings; and the lock files
// of the data folder.
#include "settings_fixture.h"

using namespace settingstest;

class SideFilesTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    fs::create_directories(env_);
    Store(u"DIR", u"PELMAR", Win(env_) + u"\\");
  }
  const fs::path env_ = dir() / "env";
  const fs::path mituno_ = env_ / "mituno.ini";
};

namespace {

// The numbers of a kind for items 0 to 5 (only 1 to 4 exist).
std::string Numbers(CString (*get)(int, int), int kind) {
  return Join(get(kind, 0), get(kind, 1), get(kind, 2), get(kind, 3), get(kind, 4), get(kind, 5));
}

}  // namespace

TEST_F(SideFilesTest, Numbering) {
  for (int kind : {0, 1}) EXPECT_EQ(Numbers(GetMituNoIni, kind), ",,0,1,3,");
  EXPECT_EQ(Numbers(GetMituNo2Ini, 1), ",,0,1,3,");
  // Without sharing: the settings file; kinds other than 1 are invoices;
  // items outside 1 to 4 write nothing.
  SetMituNoIni(u"A-100", 1, 1);
  SetMituNoIni(u"B-7", 3, 2);
  SetMituNoIni(u"X", 1, 0);
  SetMituNoIni(u"X", 1, 5);
  EXPECT_EQ(Text(), "[DIR]\r\nPELMAR=" + Win(env_).ToUtf8() +
                        "\\\r\n[見積No]\r\n見積1=A-100\r\n請求2=B-7\r\n");
  EXPECT_EQ(Join(GetMituNoIni(1, 1), GetMituNoIni(2, 2)), "A-100,B-7");
  // An existing shared file is ignored while sharing is off.
  cmdtest::WriteBytes(mituno_, cmdtest::Utf16le(u"[見積No]\r\n見積1=SHARED\r\n"));
  EXPECT_EQ(GetMituNoIni(1, 1), u"A-100");
  fs::remove(mituno_);

  // Sharing on but no shared file yet: the settings file. The first write
  // creates it as UTF-16; keys it lacks read as their defaults.
  SetMituNoShare(1);
  Store(u"見積No", u"見積3", u"local");
  Store(u"見積No", u"見積4", u"local4");
  EXPECT_EQ(GetMituNoIni(1, 3), u"local");
  SetMituNoIni(u"共有-1", 1, 3);
  EXPECT_EQ(cmdtest::Hex(cmdtest::ReadBytes(mituno_)),
            cmdtest::Hex(cmdtest::Utf16le(u"[見積No]\r\n見積3=共有-1\r\n")));
  EXPECT_EQ(Join(GetMituNoIni(1, 3), GetMituNoIni(1, 4), Stored(u"見積No", u"見積3")),
            "共有-1,3,local");
  SetMituNoShare(0);
  EXPECT_EQ(GetMituNoIni(1, 3), u"local");
  // Even a bad item creates the shared file.
  SetMituNoShare(1);
  fs::remove(mituno_);
  SetMituNoIni(u"X", 1, 9);
  EXPECT_EQ(cmdtest::ReadBytes(mituno_), "\xFF\xFE");
  EXPECT_EQ(GetMituNoIni(1, 9), u"");
  // A shared file that cannot be created: the settings file.
  Store(u"DIR", u"PELMAR", Win(dir() / "no" / "such") + u"\\");
  SetMituNoIni(u"fallback", 2, 4);
  EXPECT_EQ(Join(Stored(u"見積No", u"請求4"), GetMituNoIni(2, 4)), "fallback,fallback");
  EXPECT_FALSE(fs::exists(dir() / "no"));

  // "pelmar2.ini" numbers: sharing (on here) plays no part.
  Store(u"DIR", u"PELMAR", Win(env_) + u"\\");
  SetMituNo2Ini(u"N2", 1, 2);
  SetMituNo2Ini(u"bad", 1, 0);
  SetMituNo2Ini(u"bad", 2, 5);
  EXPECT_EQ(Text(env_ / "pelmar2.ini"), "[見積No]\r\n見積2=N2\r\n");
  EXPECT_EQ(Join(GetMituNo2Ini(1, 2), GetMituNoIni(1, 2), GetMituNo2Ini(1, -3)), "N2,0,");
  EXPECT_EQ(GetMituNo2Ini(1, 2), u"N2");
}

TEST_F(SideFilesTest, LayoutGroupsUnderEitherSpellingOfTheFolder) {
  CString names[10], groups[10];
  for (int i = 0; i < 10; ++i) groups[i].Format(u"グループ%d", i + 1);
  auto read = [&] {
    for (CString& n : names) n = u"stale";
    GetLayoutIni(names);
    std::string out;
    for (const CString& n : names) out += n.ToUtf8() + "|";
    return out;
  };
  EXPECT_EQ(read(), "||||||||||");
  // Without the folder nothing is written and nothing is created.
  SetLayoutIni(groups);
  EXPECT_TRUE(fs::is_empty(env_));
  // The folder as Windows created it: "Layout". The setter spells it
  // "LAYOUT", the getter "layout"; both find it.
  fs::create_directories(env_ / "Layout");
  SetLayoutIni(groups);
  EXPECT_FALSE(fs::exists(env_ / "LAYOUT"));
  EXPECT_EQ(
      Text(env_ / "Layout" / "layout.ini"),
      "[ｸﾞﾙｰﾌﾟ]\r\n1=グループ1\r\n2=グループ2\r\n3=グループ3\r\n4=グループ4\r\n5=グループ5\r\n"
      "6=グループ6\r\n7=グループ7\r\n8=グループ8\r\n9=グループ9\r\n10=グループ10\r\n");
  EXPECT_EQ(read(),
            "グループ1|グループ2|グループ3|グループ4|グループ5|グループ6|グループ7|グループ8|"
            "グループ9|グループ10|");
  cmdtest::WriteBytes(env_ / "Layout" / "layout.ini", cmdtest::Utf16le(u"[ｸﾞﾙｰﾌﾟ]\r\n3=三\r\n"));
  EXPECT_EQ(read(), "||三||||||||");
  GetLayoutIni(nullptr);
  SetLayoutIni(nullptr);
}

// "fuutou.ini" of the current directory (as last taken by SetCwd): a
// section per setting, a key per envelope kind and direction.
TEST_F(SideFilesTest, Envelopes) {
  const fs::path fuutou = dir() / "fuutou.ini";
  int pair[2] = {-1, -1};
  GetFuutouMergenIni(1, 24, pair);
  EXPECT_EQ(Join(GetFuutouMergenTypeIni(1, 14), GetFuutouMergenInsPosIni(1, 14),
                 GetFuutouMergenPrnPosIni(2, 14), GetFuutouPaperSizeIni(), pair[0], pair[1]),
            "1,0,0,0,0,0");
  EXPECT_FALSE(fs::exists(fuutou));
  // The codes at the edges of the kind table, and codes outside it (長1).
  for (int kind : {10, 11, 12, 13, 16, 19, 20, 37, 38, -1}) {
    SetFuutouMergenInsPosIni(2, kind, 100 + kind);
    EXPECT_EQ(GetFuutouMergenInsPosIni(3, kind), 100 + kind) << kind;
    SetFuutouMergenPrnPosIni(1, kind, -kind);
    EXPECT_EQ(GetFuutouMergenPrnPosIni(1, kind), -kind) << kind;
  }
  SetFuutouMergenTypeIni(1, 14, 3);
  EXPECT_EQ(Join(GetFuutouMergenTypeIni(1, 15), GetFuutouMergenTypeIni(0, 14)), "3,1");
  const int margin[2] = {12, -3};
  SetFuutouMergenIni(1, 24, margin);
  GetFuutouMergenIni(1, 25, pair);
  EXPECT_EQ(Join(pair[0], pair[1]), "12,-3");
  SetFuutouPaperSizeIni(4);
  EXPECT_EQ(GetFuutouPaperSizeIni(), 4);
  EXPECT_EQ(Stored(u"印刷用紙ｻｲｽﾞ", u"全て"), kMissing);
  EXPECT_EQ(Text(fuutou),
            "[印刷挿入]\r\n長1横=99\r\n長2横=113\r\n長40横=116\r\n長4横=119\r\n角0横=120\r\n"
            "角8横=137\r\n[印刷位置]\r\n長1縦=1\r\n長2縦=-13\r\n長40縦=-16\r\n長4縦=-19\r\n"
            "角0縦=-20\r\n角8縦=-37\r\n[印刷ﾏｰｼﾞﾝﾀｲﾌﾟ]\r\n長3縦=3\r\n[印刷ﾏｰｼﾞﾝ]\r\n角2縦=12,-3\r\n"
            "[印刷用紙ｻｲｽﾞ]\r\n全て=4\r\n");

  // Margins: two integers; a missing or unreadable one is 0.
  const std::pair<const char16_t*, const char*> stored[] = {
      {u"5", "5,0"}, {u"5,", "5,0"}, {u"7,8 9", "7,8"}, {u",4", "0,0"}, {u"x,y", "0,0"}};
  for (const auto& [value, expected] : stored) {
    Store(u"印刷ﾏｰｼﾞﾝ", u"長1横", value, Win(fuutou));
    GetFuutouMergenIni(0, 10, pair);
    EXPECT_EQ(Join(pair[0], pair[1]), expected) << expected;
  }
  GetFuutouMergenIni(0, 10, nullptr);
  SetFuutouMergenIni(0, 10, nullptr);

  // Changing directory without refreshing the copy changes nothing.
  fs::create_directories(dir() / "app");
  fs::current_path(dir() / "app");
  SetCwd();
  SetFuutouPaperSizeIni(2);
  EXPECT_TRUE(fs::exists(dir() / "app" / "fuutou.ini"));
  fs::current_path(dir().path());
  EXPECT_EQ(GetFuutouPaperSizeIni(), 2);
  SetCwd();
  EXPECT_EQ(GetFuutouPaperSizeIni(), 4);

  // Glue flaps: a default by envelope name, stored in the settings file.
  EXPECT_EQ(Join(GetPrnFuutouNorisiroIni(u"角2"), GetPrnFuutouNorisiroIni(u"角1"),
                 GetPrnFuutouNorisiroIni(u"長40"), GetPrnFuutouNorisiroIni(u"長5"),
                 GetPrnFuutouNorisiroIni(u""), GetPrnFuutouNorisiroIni(u"角2縦"),
                 GetPrnFuutouNorisiroIni(u"ａ")),
            "420,380,260,0,0,0,0");
  SetPrnFuutouNorisiroIni(u"角2", 400);
  EXPECT_EQ(GetPrnFuutouNorisiroIni(u"角2"), 400);
  EXPECT_EQ(Text(),
            "[DIR]\r\nPELMAR=" + Win(env_).ToUtf8() + "\\\r\n[封筒のりしろ]\r\n角2=400\r\n");
}

// Lock files: taking a lock touches nothing, releasing one deletes the
// numbered file of the data folder ([DIR] DATA, else the current directory).
TEST_F(SettingsTest, LockFiles) {
  const fs::path data = dir() / "D";
  fs::create_directories(data);
  cmdtest::WriteBytes(dir() / "lock0", "x");
  cmdtest::WriteBytes(dir() / "lock-2", "x");
  CloseMutexFile(0);
  CloseMutexFile(-2);
  EXPECT_FALSE(fs::exists(dir() / "lock0") || fs::exists(dir() / "lock-2"));
  EXPECT_FALSE(fs::exists(MainHost()));

  Store(u"DIR", u"DATA", Win(data));
  EXPECT_EQ(Join(OpenMutexFile(3, 0), OpenMutexFile(3, 1), OpenMutexFile(-1, 99)), "1,1,1");
  EXPECT_TRUE(fs::is_empty(data));
  cmdtest::WriteBytes(data / "lock3", "x");
  cmdtest::WriteBytes(data / "lock30", "x");
  CloseMutexFile(4);
  EXPECT_TRUE(fs::exists(data / "lock3"));
  CloseMutexFile(3);
  EXPECT_FALSE(fs::exists(data / "lock3"));
  EXPECT_TRUE(fs::exists(data / "lock30"));
  CloseMutexFile(3);  // already gone: nothing happens
  // A folder value ending in a separator gives a doubled one, which works.
  Store(u"DIR", u"DATA", Win(data) + u"\\");
  CloseMutexFile(30);
  EXPECT_FALSE(fs::exists(data / "lock30"));
  // A folder of the lock's name is not deleted.
  fs::create_directories(data / "lock5");
  CloseMutexFile(5);
  EXPECT_TRUE(fs::is_directory(data / "lock5"));

  // The switch is written but always reads as on; a failed write answers 0.
  EXPECT_EQ(GetUsingMutexFileIni(), 1);
  EXPECT_NE(SetUsingMutexFileIni(0), 0);
  EXPECT_EQ(Join(Stored(u"共有違反", u"USE"), GetUsingMutexFileIni()), "0,1");
  EXPECT_NE(SetUsingMutexFileIni(-12), 0);
  EXPECT_EQ(Stored(u"共有違反", u"USE"), u"-12");
  LoseTheFolder();
  EXPECT_EQ(SetUsingMutexFileIni(1), 0);
}
