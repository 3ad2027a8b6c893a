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
#include "cmddll3/platform/shell.h"
#include "settings/scalar_settings.h"
#include "settings_fixture.h"

namespace fs = std::filesystem;
using settingstest::kMissing;
using settingstest::SettingsTest;

namespace {

enum FileId { kMain, kSek4 };

// kind: 'I' int Get(), 'P' int Get(int*), 'S' CString Get(); setters take an
// int for 'I' and 'P', a CString for 'S'.
struct DocumentedKey {
  const char* getter;
  const char* setter;
  char kind;
  FileId file;
  const char16_t* section;
  const char16_t* key;
  const char16_t* def;
};

// clang-format off
constexpr DocumentedKey kDocumented[] = {
    {"GetAdressSheetIni", "SetAdressSheetIni", 'I', kMain, u"SYSTEM", u"住所ｼｰﾙ", u"1"},
    {"GetBackupDateIni", "SetBackupDateIni", 'I', kMain, u"SYSTEM", u"BKTIME", u"00000000"},
    {"GetBaikaCheckIni", "SetBaikaCheckIni", 'I', kMain, u"SYSTEM", u"売価率ON", u"0"},
    {"GetBaikaRituIni", "SetBaikaRituIni", 'I', kMain, u"SYSTEM", u"売価率", u"100"},
    {"GetCadIni", nullptr, 'I', kMain, u"SYSTEM", u"DESIGNER", u"0"},
    {"GetCadNoIni", nullptr, 'I', kMain, u"SYSTEM", u"CADNO", u"0"},
    {"GetDebugIni", nullptr, 'I', kMain, u"SYSTEM", u"DEBUG", u"0"},
    {"GetDegiMstIni", "SetDegiMstIni", 'I', kMain, u"SYSTEM", u"ﾃﾞｼﾞﾀｲｻﾞMST", u"0"},
    {"GetDegitizerIni", "SetDegitizerIni", 'I', kMain, u"SYSTEM", u"ﾃﾞｼﾞﾀｲｻﾞ", u"0"},
    {"GetDentakuZeroResetIni", "SetDentakuZeroResetIni", 'I', kMain, u"SYSTEM", u"電卓0ｵﾌﾟｼｮﾝ", u"0"},
    {"GetDocExeMsgIni", "SetDocExeMsgIni", 'I', kMain, u"SYSTEM", u"DOCEXE_MSG", u"0"},
    {"GetGenkaChgIni", "SetGenkaChgIni", 'I', kMain, u"SYSTEM", u"原価調整率", u"0"},
    {"GetGijiCurIni", "SetGijiCurIni", 'I', kMain, u"SYSTEM", u"擬似ｶｰｿﾙ", u"1"},
    {"GetGoukeiWithoutFukuriIni", "SetGoukeiWithoutFukuriIni", 'I', kMain, u"SYSTEM", u"合計に法定福利費を含まない", u"0"},
    {"GetGuideKinouIni", "SetGuideKinouIni", 'I', kMain, u"SYSTEM", u"ガイド機能", u"1"},
    {"GetHelpIni", nullptr, 'I', kMain, u"SYSTEM", u"HELP_FILE", u"1"},
    {"GetHikaeFirstIni", nullptr, 'I', kMain, u"SYSTEM", u"控え印刷優先", u"0"},
    {"GetInitBikouRirekiIni", "SetInitBikouRirekiIni", 'I', kMain, u"SYSTEM", u"初期備考履歴ON", u"1"},
    {"GetInitColorIni", "SetInitColorIni", 'I', kMain, u"SYSTEM", u"初期カラー設定", u"0"},
    {"GetInitHikaeIni", "SetInitHikaeIni", 'I', kMain, u"SYSTEM", u"初期控え印刷", u"0"},
    {"GetInitHiroiIni", "SetInitHiroiIni", 'I', kMain, u"SYSTEM", u"初期拾数", u"1"},
    {"GetInitHokyuurituIni", "SetInitHokyuurituIni", 'I', kMain, u"SYSTEM", u"初期補給率", u"0"},
    {"GetInitJisyaIni", "SetInitJisyaIni", 'I', kMain, u"SYSTEM", u"初期自社名", u"1"},
    {"GetInitNouhinBikouIni", "SetInitNouhinBikouIni", 'I', kMain, u"SYSTEM", u"初期納品備考", u"0"},
    {"GetInitNyuukinIni", "SetInitNyuukinIni", 'I', kMain, u"SYSTEM", u"入金結果表示", u"1"},
    {"GetInitRoumuhiIni", "SetInitRoumuhiIni", 'I', kMain, u"SYSTEM", u"初期労務費", u"0"},
    {"GetInitZumensuIni", "SetInitZumensuIni", 'I', kMain, u"SYSTEM", u"図面数非表示", u"1"},
    {"GetJustGoukeiFukuriIni", "SetJustGoukeiFukuriIni", 'I', kMain, u"SYSTEM", u"工事費×率を当該行までの合計にて算出", u"0"},
    {"GetKaisouIni", nullptr, 'I', kMain, u"SYSTEM", u"KAISOU", u"3"},
    {"GetKanriNoOption", "SetKanriNoOption", 'P', kMain, u"SYSTEM", u"管理Noｵﾌﾟｼｮﾝ", u"0"},
    {"GetKeihiRoumuhiHasuuIni", "SetKeihiRoumuhiHasuuIni", 'I', kMain, u"SYSTEM", u"経費労務費端数", u"1"},
    {"GetLayoutMemoIni", "SetLayoutMemoIni", 'I', kMain, u"SYSTEM", u"形式ﾒﾓ", u"0"},
    {"GetLayoutSaportIni", "SetLayoutSaportIni", 'I', kMain, u"SYSTEM", u"形式ｻﾎﾟｰﾄ", u"1"},
    {"GetMakerIni", nullptr, 'I', kMain, u"SYSTEM", u"MAKER", u"1"},
    {"GetMituCopyOption", "SetMituCopyOption", 'P', kMain, u"SYSTEM", u"見積複写ｵﾌﾟｼｮﾝ", u"1"},
    {"GetMituCopyOption2", "SetMituCopyOption2", 'P', kMain, u"SYSTEM", u"見積複写ｵﾌﾟｼｮﾝ2", u"0"},
    {"GetMituCopyOption3", "SetMituCopyOption3", 'P', kMain, u"SYSTEM", u"見積複写時印刷備考", u"0"},
    {"GetMituCopyOption4", "SetMituCopyOption4", 'P', kMain, u"SYSTEM", u"印刷備考共通", u"0"},
    {"GetMituNoKeta", "SetMituNoKeta", 'I', kMain, u"SYSTEM", u"見積No桁有", u"0"},
    {"GetMituNoShare", "SetMituNoShare", 'I', kMain, u"SYSTEM", u"見積No共有", u"0"},
    {"GetNippouIni", "SetNippouIni", 'I', kMain, u"SYSTEM", u"NIPPOU", u"0"},
    {"GetPowerOffIni", "SetPowerOffIni", 'I', kMain, u"SYSTEM", u"電源断", u"1"},
    {"GetPrnModeFoldIni", "SetPrnModeFoldIni", 'I', kMain, u"SYSTEM", u"印刷種類の選択保持", u"0"},
    {"GetProdactIni", nullptr, 'I', kMain, u"SYSTEM", u"PRODACT", u"0"},
    {"GetShiireCheckIni", "SetShiireCheckIni", 'I', kMain, u"SYSTEM", u"仕入率ON", u"0"},
    {"GetShiireRituIni", "SetShiireRituIni", 'I', kMain, u"SYSTEM", u"単価原価率", u"0"},
    {"GetSoundIni", "SetSoundIni", 'I', kMain, u"SYSTEM", u"SOUND", u"0"},
    {"GetStartCheckIni", nullptr, 'I', kMain, u"SYSTEM", u"startcheck", u"0"},
    {"GetSysmenuIni", "SetSysmenuIni", 'I', kMain, u"SYSTEM", u"SYSTEMMENU", u"0"},
    {"GetUndoRedoOffIni", "SetUndoRedoOffIni", 'I', kMain, u"SYSTEM", u"編集取消なし", u"0"},
    {"GetUserHojoIni", "SetUserHojoIni", 'I', kMain, u"SYSTEM", u"ユーザー補助", u"1"},
    {"GetVersionIni", nullptr, 'I', kMain, u"SYSTEM", u"VERSION", u"2"},
    {"GetWindowPos2Ini", nullptr, 'P', kMain, u"SYSTEM", u"画面MODE", u"0"},
    {"GetSystemTitle", nullptr, 'S', kMain, u"SYSTEM", u"TITLE", u""},
    {"GetNippouPathIni", "SetNippouPathIni", 'S', kMain, u"SYSTEM", u"NIPPOUDIR", u""},
    {"GetGengouIni", "SetGengouIni", 'S', kMain, u"SYSTEM", u"GENGOU", u"元号"},
    {"GetCDROMIni", "SetCDROMIni", 'S', kMain, u"DIR", u"CD-ROM", u""},
    {"GetFDIni", "SetFDIni", 'S', kMain, u"DIR", u"FD", u"A:"},
    {"GetInsideTaxNameIni", "SetInsideTaxNameIni", 'S', kMain, u"TAX", u"内税名", u"内税"},
    {"GetKeihiIni", "SetKeihiIni", 'I', kMain, u"KEIHI", u"FORM", u"0"},
    {"GetHukurihiIni", "SetHukurihiIni", 'I', kMain, u"HUKURIHI", u"FORM", u"0"},
    {"GetMaekinIni", "SetMaekinIni", 'I', kMain, u"MAEKIN", u"FORM", u"0"},
    {"GetNebikiIni", "SetNebikiIni", 'I', kMain, u"NEBIKI", u"FORM", u"0"},
    {"GetGenkaKeisanIni", "SetGenkaKeisanIni", 'I', kMain, u"原価計算", u"default", u"0"},
    {"GetMinusMarkIni", "SetMinusMarkIni", 'I', kMain, u"ﾏｲﾅｽ記号", u"default", u"0"},
    {"GetPrnSeikyuIni", "SetPrnSeikyuIni", 'I', kMain, u"印刷請求日更新", u"default", u"0"},
    {"GetRiekiIni", "SetRiekiIni", 'I', kMain, u"利益計算", u"default", u"0"},
    {"GetAnimeDispIni", "SetAnimeDispIni", 'I', kMain, u"ANIME", u"ｱﾆﾒ有り", u"1"},
    {"GetHaisenShuukeiModeIni", nullptr, 'I', kMain, u"図面集計", u"ｱﾆﾒ配線種別", u"0"},
    {nullptr, "SetHaisenShuukeiModeIni", 'I', kMain, u"図面集計", u"配線種別", nullptr},
    {"GetHukurihiHasuu", "SetHukurihiHasuu", 'P', kSek4, u"HISTORY", u"福利費端数", u"0"},
    {"GetModeTankaIni", nullptr, 'I', kSek4, u"HISTORY", u"単価少数点", u"2"},
};
// clang-format on

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

TEST_F(SettingsTest, RunTimeTableListsTheDocumentedKeys) {
  using cmd::settings::ScalarSettings;
  using cmd::settings::SettingFile;
  using cmd::settings::SettingKind;
  const auto table = ScalarSettings();
  ASSERT_EQ(table.size(), std::size(kDocumented));
  std::set<std::pair<std::u16string, std::u16string>> keys;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto& row = table[i];
    const DocumentedKey& doc = kDocumented[i];
    const std::string name = doc.getter ? doc.getter : doc.setter;
    EXPECT_STREQ(row.getter ? row.getter : "", doc.getter ? doc.getter : "") << name;
    EXPECT_STREQ(row.setter ? row.setter : "", doc.setter ? doc.setter : "") << name;
    EXPECT_EQ(CString(row.section), CString(doc.section)) << name;
    EXPECT_EQ(CString(row.key), CString(doc.key)) << name;
    EXPECT_EQ(CString(row.def), CString(doc.def ? doc.def : u"")) << name;
    const SettingKind kind =
        doc.kind == 'S' ? SettingKind::String : doc.kind == 'P' ? SettingKind::IntOut : SettingKind::Int;
    EXPECT_EQ(row.kind, kind) << name;
    EXPECT_EQ(row.file, doc.file == kSek4 ? SettingFile::Sek4 : SettingFile::Main) << name;
    EXPECT_TRUE(keys.insert({std::u16string(row.section), std::u16string(row.key)}).second)
        << name << ": two rows share one key";
    EXPECT_EQ(cmd::settings::FindScalarSetting(name), static_cast<std::ptrdiff_t>(i));
  }
  EXPECT_EQ(cmd::settings::FindScalarSetting("GetNoSuchIni"), -1);
  EXPECT_EQ(cmd::settings::FindScalarSetting(""), -1);
}

TEST_F(SettingsTest, RunTimeTableCallsTheAccessorsByIndex) {
  using namespace cmd::settings;
  const auto ritu = static_cast<std::size_t>(FindScalarSetting("SetBaikaRituIni"));
  EXPECT_EQ(GetScalarSetting(ritu), u"100");
  EXPECT_TRUE(SetScalarSetting(ritu, u"85"));
  EXPECT_EQ(GetBaikaRituIni(), 85);
  EXPECT_EQ(GetScalarSetting(ritu), u"85");
  const auto fd = static_cast<std::size_t>(FindScalarSetting("GetFDIni"));
  EXPECT_TRUE(SetScalarSetting(fd, u"B:"));
  EXPECT_EQ(GetFDIni(), u"B:");
  const auto option = static_cast<std::size_t>(FindScalarSetting("GetKanriNoOption"));
  EXPECT_TRUE(SetScalarSetting(option, u"2"));
  EXPECT_EQ(GetScalarSetting(option), u"2");
  // A row without a setter, one without a getter, an index past the table.
  EXPECT_FALSE(SetScalarSetting(static_cast<std::size_t>(FindScalarSetting("GetKaisouIni")), u"1"));
  EXPECT_EQ(GetScalarSetting(static_cast<std::size_t>(FindScalarSetting("SetHaisenShuukeiModeIni"))),
            u"");
  EXPECT_EQ(GetScalarSetting(ScalarSettings().size()), u"");
  EXPECT_FALSE(SetScalarSetting(ScalarSettings().size(), u"x"));
}

TEST_F(SettingsTest, DocumentedValues) {
  EXPECT_EQ(GetBaikaRituIni(), 100);
  EXPECT_EQ(GetKaisouIni(), 3);
  EXPECT_EQ(GetVersionIni(), 2);
  EXPECT_EQ(GetBackupDateIni(), 0);
  EXPECT_EQ(GetFDIni(), u"A:");
  EXPECT_EQ(GetGengouIni(), u"元号");
  EXPECT_EQ(GetInsideTaxNameIni(), u"内税");
  EXPECT_EQ(GetSystemTitle(), u"");
  EXPECT_EQ(GetModeTankaIni(), 2);

  SetBaikaRituIni(-5);
  EXPECT_EQ(Stored(u"SYSTEM", u"売価率"), u"-5");
  EXPECT_EQ(GetBaikaRituIni(), -5);

  SetCDROMIni(u"Q:");
  EXPECT_EQ(GetCDROMIni(), u"Q:");
  // An empty value stored is read back as empty, not as the default.
  SetFDIni(u"");
  EXPECT_EQ(Stored(u"DIR", u"FD"), u"");
  EXPECT_EQ(GetFDIni(), u"");

  int option = 99;
  EXPECT_EQ(GetKanriNoOption(&option), 0);
  EXPECT_EQ(option, 0);
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
}

TEST_F(SettingsTest, LongStringValuesAreCutTo259Characters) {
  std::u16string longValue;
  for (int i = 0; i < 400; ++i) longValue += static_cast<char16_t>(u'あ' + i % 60);
  Store(u"SYSTEM", u"TITLE", longValue.c_str());
  EXPECT_EQ(GetSystemTitle(), CString(longValue.substr(0, 259)));
  SetNippouPathIni(CString(longValue));
  EXPECT_EQ(GetNippouPathIni(), CString(longValue.substr(0, 259)));
}

TEST_F(SettingsTest, ShubetuReadsTheCallersKeyOfSystem) {
  EXPECT_EQ(GetShubetuIni(u"種別A"), 0);
  Store(u"SYSTEM", u"種別A", u"4");
  Store(u"SYSTEM", u"Kind", u"6");
  EXPECT_EQ(GetShubetuIni(u"種別A"), 4);
  // Latin letters of key names compare without case.
  EXPECT_EQ(GetShubetuIni(u"KIND"), 6);
  EXPECT_EQ(GetShubetuIni(u""), 0);
}

TEST_F(SettingsTest, ExtendedOptionNumberIsNotUsed) {
  EXPECT_EQ(GetExOptionIni(1), 0);
  SetExOptionIni(5, 3);
  EXPECT_EQ(Stored(u"拡張ｵﾌﾟｼｮﾝ", u"形式ｸﾞﾙｰﾌﾟ"), u"3");
  EXPECT_EQ(GetExOptionIni(1), 3);
  EXPECT_EQ(GetExOptionIni(7), 3);
  EXPECT_EQ(GetExOptionIni(-1), 3);
}

TEST_F(SettingsTest, ConfirmationMessagesOtherThanOneUseTheEmptyKeyName) {
  EXPECT_EQ(GetKakuninMsgIni(1), 1);
  SetKakuninMsgIni(1, 0);
  EXPECT_EQ(Stored(u"確認ﾒｯｾｰｼﾞ", u"一覧to棚"), u"0");
  EXPECT_EQ(GetKakuninMsgIni(1), 0);
  EXPECT_EQ(GetKakuninMsgIni(2), 1);
  SetKakuninMsgIni(2, 5);
  EXPECT_EQ(GetKakuninMsgIni(1), 0);
  EXPECT_EQ(Stored(u"確認ﾒｯｾｰｼﾞ", u"一覧to棚"), u"0");
}

TEST_F(SettingsTest, WiringKindGetterAndSetterAddressDifferentKeys) {
  SetHaisenShuukeiModeIni(3);
  EXPECT_EQ(Stored(u"図面集計", u"配線種別"), u"3");
  EXPECT_EQ(Stored(u"図面集計", u"ｱﾆﾒ配線種別"), kMissing);
  EXPECT_EQ(GetHaisenShuukeiModeIni(), 0);
  Store(u"図面集計", u"ｱﾆﾒ配線種別", u"2");
  EXPECT_EQ(GetHaisenShuukeiModeIni(), 2);
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
  EXPECT_EQ(GetHukurihiHasuu(nullptr), 1);
}

TEST_F(SettingsTest, SettingsFollowTheLastSetIniFile) {
  SetBaikaRituIni(70);
  fs::create_directories(dir() / "other");
  fs::current_path(dir() / "other");
  SetIniFile();
  EXPECT_EQ(GetBaikaRituIni(), 100);
  SetBaikaRituIni(60);
  fs::current_path(dir().path());
  SetIniFile();
  EXPECT_EQ(GetBaikaRituIni(), 70);
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
}

TEST_F(SettingsTest, AMissingFolderGivesDefaultsAndSwallowsWrites) {
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

TEST_F(SettingsTest, LocalApplicationDataFolder) {
  char16_t folder[MAX_PATH] = {};
  const HRESULT result = SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder);
  EXPECT_EQ(GetCadcmdIni(), result < 0 ? CString() : CString(folder));
  EXPECT_FALSE(fs::exists(MainHost()));
}
