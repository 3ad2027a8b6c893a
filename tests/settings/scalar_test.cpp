// The single-value options: every getter's default and every setter's round
// trip, checked against the table of options as the application documents it
// (written out here independently of the library's own table), and the ways
// a settings file can be odd: text that is not a number, overlong values,
// a code page 932 file written on Windows, a file that cannot be written.
#include <cerrno>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "cmddll3/platform/osfile.h"
#include "settings/scalar_settings.h"
#include "documented_keys.h"
#include "settings_fixture.h"

namespace fs = std::filesystem;
using settingstest::kMissing;
using settingstest::SettingsTest;

namespace {


// The accessor called `name`, found through the library's run-time table
// (whose rows are checked against the documented ones below); exports are
// checked by the export test.
const cmd::settings::SettingAccessors* Accessors(const char* name) {
  const std::ptrdiff_t row = cmd::settings::FindScalarSetting(name);
  return row < 0 ? nullptr : &cmd::settings::ScalarSettings()[static_cast<std::size_t>(row)].call;
}

// What the getter of a row returns, as text ("%d" for integers).
CString CallGetter(const DocumentedKey& row) {
  const auto* call = Accessors(row.getter);
  CString text;
  if (!call) return CString(u"<no accessor>");
  switch (row.kind) {
    case 'I':
      if (!call->getInt) return CString(u"<no int getter>");
      text.Format(u"%d", call->getInt());
      break;
    case 'P': {
      if (!call->getIntOut) return CString(u"<no int* getter>");
      int stored = -12345;
      const int result = call->getIntOut(&stored);
      EXPECT_EQ(stored, result) << row.getter << " stores what it returns";
      call->getIntOut(nullptr);  // a null pointer is allowed
      text.Format(u"%d", result);
      break;
    }
    default:
      if (!call->getString) return CString(u"<no string getter>");
      text = call->getString();
  }
  return text;
}

bool CallSetter(const DocumentedKey& row, const CString& text) {
  const auto* call = Accessors(row.setter);
  if (!call) return false;
  if (row.kind == 'S') {
    if (!call->setString) return false;
    call->setString(text);
  } else {
    if (!call->setInt) return false;
    call->setInt(std::atoi(text.ToUtf8().c_str()));
  }
  return true;
}

// "sek4.ini" lies beside "pelmar1.ini" here: both were set from one folder.
CString Sek4File() {
  CString path = GetIniFile();
  path.Replace(u"pelmar1.ini", u"sek4.ini");
  return path;
}

CString FileOf(FileId id) { return id == kSek4 ? Sek4File() : GetIniFile(); }

// The integer a documented default reads as: leading decimal digits.
CString AsInteger(const char16_t* def) {
  CString text;
  text.Format(u"%d", std::atoi(CString(def).ToUtf8().c_str()));
  return text;
}

}  // namespace

TEST_F(SettingsTest, EveryGetterGivesItsDocumentedDefaultWithoutAFile) {
  ASSERT_FALSE(fs::exists(MainHost()));
  for (const DocumentedKey& row : kDocumented) {
    if (!row.getter) continue;
    const CString expected = row.kind == 'S' ? CString(row.def) : AsInteger(row.def);
    EXPECT_EQ(CallGetter(row), expected) << row.getter;
  }
  // Reading creates nothing.
  EXPECT_FALSE(fs::exists(MainHost()));
  EXPECT_FALSE(fs::exists(Sek4Host()));
}

TEST_F(SettingsTest, EverySetterWritesItsKeyAndItsGetterReadsItBack) {
  // Each setter gets a value of its own, so a setter that wrote another
  // row's key would show up when all of them are read back at the end.
  std::map<std::string, CString> written;
  int n = 0;
  for (const DocumentedKey& row : kDocumented) {
    if (!row.setter) continue;
    ++n;
    CString value;
    if (row.kind == 'S') {
      value.Format(u"値 %d", n);
    } else {
      value.Format(u"%d", n % 2 ? 1000 + n : -n);
    }
    ASSERT_TRUE(CallSetter(row, value)) << row.setter << " has no setter of its kind";
    EXPECT_EQ(Stored(FileOf(row.file), row.section, row.key), value) << row.setter;
    if (row.getter) {
      EXPECT_EQ(CallGetter(row), value) << row.getter;
      written[row.getter] = value;
    }
  }
  for (const DocumentedKey& row : kDocumented) {
    if (row.getter && written.count(row.getter)) {
      EXPECT_EQ(CallGetter(row), written[row.getter]) << row.getter << " after every write";
    }
  }
}

TEST_F(SettingsTest, RunTimeTableHasOneRowPerKeyAndRejectsBadIndexes) {
  using namespace cmd::settings;
  const auto table = ScalarSettings();
  ASSERT_EQ(table.size(), std::size(kDocumented));
  std::set<std::pair<std::u16string, std::u16string>> keys;
  for (const auto& row : table)
    EXPECT_TRUE(keys.insert({std::u16string(row.section), std::u16string(row.key)}).second)
        << (row.getter ? row.getter : row.setter) << ": two rows share one key";
  EXPECT_EQ(FindScalarSetting("GetNoSuchIni"), -1);
  EXPECT_EQ(FindScalarSetting(""), -1);
  // A row without a setter, one without a getter, an index past the table.
  EXPECT_FALSE(SetScalarSetting(static_cast<std::size_t>(FindScalarSetting("GetKaisouIni")), u"1"));
  EXPECT_EQ(GetScalarSetting(static_cast<std::size_t>(FindScalarSetting("SetHaisenShuukeiModeIni"))),
            u"");
  EXPECT_EQ(GetScalarSetting(table.size()), u"");
  EXPECT_FALSE(SetScalarSetting(table.size(), u"x"));
}

TEST_F(SettingsTest, IntegersReadAsTheRuntimeConvertsThem) {
  const std::pair<const char16_t*, int> cases[] = {
      {u"ON", 0},  {u"12abc", 12}, {u"-7", -7},   {u"+15", 15}, {u"0x1F", 0},
      {u"", 0},    {u"  9", 9},    {u"3.9", 3},   {u"- 4", 0},  {u"00000000", 0},
  };
  for (const auto& [text, value] : cases) {
    Store(u"SYSTEM", u"売価率", text);
    EXPECT_EQ(GetBaikaRituIni(), value) << CString(text).ToUtf8();
  }
  // An empty string stored is read back as empty, not as the default.
  SetFDIni(u"");
  EXPECT_EQ(Stored(u"DIR", u"FD"), u"");
  EXPECT_EQ(GetFDIni(), u"");
}

TEST_F(SettingsTest, LongStringValuesAreCutTo259Characters) {
  std::u16string longValue;
  for (int i = 0; i < 400; ++i) longValue += static_cast<char16_t>(u'あ' + i % 60);
  Store(u"SYSTEM", u"TITLE", longValue.c_str());
  EXPECT_EQ(GetSystemTitle(), CString(longValue.substr(0, 259)));
  SetNippouPathIni(CString(longValue));
  EXPECT_EQ(GetNippouPathIni(), CString(longValue.substr(0, 259)));
}

TEST_F(SettingsTest, AccessorsWithArgumentsOfTheirOwn) {
  // The kind getter reads the caller's key of SYSTEM, Latin letters folded.
  EXPECT_EQ(GetShubetuIni(u"種別A"), 0);
  Store(u"SYSTEM", u"種別A", u"4");
  Store(u"SYSTEM", u"Kind", u"6");
  EXPECT_EQ(GetShubetuIni(u"種別A"), 4);
  EXPECT_EQ(GetShubetuIni(u"KIND"), 6);
  EXPECT_EQ(GetShubetuIni(u""), 0);
  // The extended option number is not used.
  EXPECT_EQ(GetExOptionIni(1), 0);
  SetExOptionIni(5, 3);
  EXPECT_EQ(Stored(u"拡張ｵﾌﾟｼｮﾝ", u"形式ｸﾞﾙｰﾌﾟ"), u"3");
  EXPECT_EQ(GetExOptionIni(-1), 3);
  // Confirmation messages other than 1 use the empty key name.
  EXPECT_EQ(GetKakuninMsgIni(1), 1);
  SetKakuninMsgIni(1, 0);
  EXPECT_EQ(Stored(u"確認ﾒｯｾｰｼﾞ", u"一覧to棚"), u"0");
  EXPECT_EQ(GetKakuninMsgIni(2), 1);
  SetKakuninMsgIni(2, 5);
  EXPECT_EQ(GetKakuninMsgIni(1), 0);
  EXPECT_EQ(Stored(u"確認ﾒｯｾｰｼﾞ", u"一覧to棚"), u"0");
  // The wiring-kind getter and setter address different keys.
  SetHaisenShuukeiModeIni(3);
  EXPECT_EQ(Stored(u"図面集計", u"配線種別"), u"3");
  EXPECT_EQ(Stored(u"図面集計", u"ｱﾆﾒ配線種別"), kMissing);
  EXPECT_EQ(GetHaisenShuukeiModeIni(), 0);
}

TEST_F(SettingsTest, Sek4KeysAreNotLookedForInTheMainFile) {
  Store(u"HISTORY", u"福利費端数", u"5");
  Store(u"HISTORY", u"単価少数点", u"4");
  int rounding = -1;
  EXPECT_EQ(GetHukurihiHasuu(&rounding), 0);
  EXPECT_EQ(rounding, 0);
  EXPECT_EQ(GetModeTankaIni(), 2);
  SetHukurihiHasuu(1);
  EXPECT_EQ(Stored(Sek4File(), u"HISTORY", u"福利費端数"), u"1");
  EXPECT_EQ(Stored(u"HISTORY", u"福利費端数"), u"5");
}

TEST_F(SettingsTest, AFileThatCannotBeWrittenKeepsItsValue) {
  SetBaikaRituIni(80);
  SetGengouIni(u"令和");
  const std::string before = cmdtest::ReadBytes(MainHost());
  auto previous = cmd::os::SetFaultHook([](cmd::os::FileStep step, const std::string&) {
    using cmd::os::FileStep;
    return step == FileStep::Write || step == FileStep::Flush || step == FileStep::Rename
               ? EACCES
               : 0;
  });
  SetBaikaRituIni(50);
  SetGengouIni(u"平成");
  SetHukurihiHasuu(3);
  cmd::os::SetFaultHook(previous);
  EXPECT_EQ(cmdtest::ReadBytes(MainHost()), before);
  EXPECT_EQ(GetBaikaRituIni(), 80);
  EXPECT_EQ(GetGengouIni(), u"令和");

  // A missing folder gives the defaults and swallows writes.
  fs::create_directories(dir() / "gone");
  fs::current_path(dir() / "gone");
  SetIniFile();
  fs::current_path(dir().path());
  fs::remove(dir() / "gone");
  SetBaikaRituIni(50);
  EXPECT_EQ(GetBaikaRituIni(), 100);
  EXPECT_FALSE(fs::exists(dir() / "gone"));
}

// A settings file written on Windows in code page 932, with Japanese section
// and key names; a 0x5C trail byte (機能) sits among them.
TEST_F(SettingsTest, CodePage932FileIsReadAndUpdatedInPlace) {
  const std::string lines[] = {
      cmdtest::Unhex("3B 20 8C A9 90 CF 83 56 83 58 83 65 83 80 82 CC 90 DD 92 E8 0D 0A"),  // ; 見積システムの設定
      cmdtest::Unhex("5B 53 59 53 54 45 4D 5D 0D 0A"),                                      // [SYSTEM]
      cmdtest::Unhex("54 49 54 4C 45 3D 8C A9 90 CF 83 56 83 58 83 65 83 80 0D 0A"),        // TITLE=見積システム
      cmdtest::Unhex("94 84 89 BF 97 A6 3D 38 30 0D 0A"),                                   // 売価率=80
      cmdtest::Unhex("83 4B 83 43 83 68 8B 40 94 5C 3D 30 0D 0A"),                          // ガイド機能=0
      cmdtest::Unhex("0D 0A"),                                                              //
      cmdtest::Unhex("5B 41 4E 49 4D 45 5D 0D 0A"),                                         // [ANIME]
      cmdtest::Unhex("B1 C6 D2 97 4C 82 E8 3D 30 0D 0A"),                                   // ｱﾆﾒ有り=0
      cmdtest::Unhex("5B 90 7D 96 CA 8F 57 8C 76 5D 0D 0A"),                                // [図面集計]
      cmdtest::Unhex("B1 C6 D2 94 7A 90 FC 8E ED 95 CA 3D 32 0D 0A"),                       // ｱﾆﾒ配線種別=2
  };
  std::string original;
  for (const std::string& line : lines) original += line;
  cmdtest::WriteBytes(MainHost(), original);

  EXPECT_EQ(GetSystemTitle(), u"見積システム");
  EXPECT_EQ(GetBaikaRituIni(), 80);
  EXPECT_EQ(GetGuideKinouIni(), 0);
  EXPECT_EQ(GetAnimeDispIni(), 0);
  EXPECT_EQ(GetHaisenShuukeiModeIni(), 2);

  SetBaikaRituIni(95);
  std::string expected;
  for (const std::string& line : lines) {
    expected += line == lines[3] ? cmdtest::Unhex("94 84 89 BF 97 A6 3D 39 35 0D 0A")  // 売価率=95
                                 : line;
  }
  EXPECT_EQ(cmdtest::Hex(cmdtest::ReadBytes(MainHost())), cmdtest::Hex(expected));
  EXPECT_EQ(GetBaikaRituIni(), 95);
  EXPECT_EQ(GetSystemTitle(), u"見積システム");
}
