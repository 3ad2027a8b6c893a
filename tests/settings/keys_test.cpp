// The single-value options: every documented key's default, the whole
// settings file their setters write, and what their getters read back; the
// ways a settings file can be odd (text that is not a number, overlong values,
// a code page 932 file written on Windows, a file that cannot be written); and
// the exported names of the whole settings family.
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cmddll3/platform/osfile.h"
#include "settings/scalar_settings.h"
#include "settings_fixture.h"
#include "support/fail_step.h"

using namespace settingstest;
using KeysTest = SettingsTest;

namespace {

enum FileId { kMain, kSek4 };

// The single-value options as the application documents them, written out
// independently of the library's own table. kind: 'I' int Get(), 'P' int
// Get(int*), 'S' CString Get(); setters take an int for 'I' and 'P', a
// CString for 'S'.
struct Key {
  const char *getter, *setter;
  char kind;
  FileId file;
  const char16_t *section, *key, *def;
};

// clang-format off
constexpr Key kDocumented[] = {
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

// The other accessors of the family, each exported under its own name.
constexpr const char* kOtherAccessors =
    "GetShubetuIni GetExOptionIni SetExOptionIni GetKakuninMsgIni SetKakuninMsgIni "
    "GetCadcmdIni GetWindowPosIni SetWindowPosIni GetWindowIni SetWindowIni GetAnimeInfoIni "
    "GetBackupInfoIni SetBackupInfoIni GetDegitizerComIni SetDegitizerComIni GetTaxIni "
    "SetTaxIni GetTaxModeIni SetTaxModeIni GetAdressSheetAttrIni SetAdressSheetAttrIni "
    "GetInitLayoutGroupIni SetInitLayoutGroupIni GetRoumuTankaIni SetRoumuTankaIni "
    "GetZairyouCategoryIni GetBukakeCategoryIni GetGenkaCategoryIni GetTankaCategoryIni "
    "GetWarikakeCategoryIni SetZairyouCategoryIni SetBukakeCategoryIni SetGenkaCategoryIni "
    "SetTankaCategoryIni SetWarikakeCategoryIni GetHasuuDecModeIni GetHasuuPathIni "
    "SetHasuuDecModeIni SetHasuuPathIni GetPaswordIni SetPaswordIni GetShoukeiIni "
    "GetChuukeiIni GetGoukeiIni GetRuikeiIni GetAreaShoukeiIni SetShoukeiIni SetChuukeiIni "
    "SetGoukeiIni SetRuikeiIni SetAreaShoukeiIni GetOdvanIni SetOdvanIni GetOdvanHistIni "
    "GetOdvanVerIni GetDocpathIni SetDocpathIni GetExcelIni GetMituNoIni SetMituNoIni "
    "GetMituNo2Ini SetMituNo2Ini GetLayoutIni SetLayoutIni GetFuutouMergenIni "
    "SetFuutouMergenIni GetFuutouMergenInsPosIni GetFuutouMergenPrnPosIni "
    "GetFuutouMergenTypeIni SetFuutouMergenInsPosIni SetFuutouMergenPrnPosIni "
    "SetFuutouMergenTypeIni GetFuutouPaperSizeIni SetFuutouPaperSizeIni "
    "GetPrnFuutouNorisiroIni SetPrnFuutouNorisiroIni OpenMutexFile CloseMutexFile "
    "GetUsingMutexFileIni SetUsingMutexFileIni GetFooterInfoIni SetFooterInfoIni "
    "GetFooterInfoAttrIni SetFooterInfoAttrIni GetJishaInfoIni SetJishaInfoIni "
    "GetJishaInfoAttrIni SetJishaInfoAttrIni _GetFooterInfoIni _SetFooterInfoIni "
    "_GetFooterInfoAttrIni _SetFooterInfoAttrIni _GetJishaInfoIni _SetJishaInfoIni "
    "_GetJishaInfoAttrIni _SetJishaInfoAttrIni GetPrnDrvIni SetPrnDrvIni GetStdPrnIni "
    "SetStdPrnIni GetPrnMergeIni SetPrnMergeIni ColorCodeToRGB GetColorMst MyGetColor "
    "GetUserColorMst SetUserColorMst GetUserColor GetUserColorId GetUserHojoColor "
    "GetHojoColorGyoIni SetHojoColorGyoIni";

// The accessor called `name`, found through the library's run-time table.
const cmd::settings::SettingAccessors* Accessors(const char* name) {
  const std::ptrdiff_t row = name ? cmd::settings::FindScalarSetting(name) : -1;
  return row < 0 ? nullptr : &cmd::settings::ScalarSettings()[static_cast<std::size_t>(row)].call;
}

// What the getter of a row returns, as text ("%d" for integers).
std::string CallGetter(const Key& row) {
  const auto* call = Accessors(row.getter);
  if (!call) return "<no accessor>";
  if (row.kind == 'I') return call->getInt ? Join(call->getInt()) : "<no int getter>";
  if (row.kind == 'S') return call->getString ? Join(call->getString()) : "<no string getter>";
  if (!call->getIntOut) return "<no int* getter>";
  int stored = -12345;
  const int result = call->getIntOut(&stored);
  call->getIntOut(nullptr);  // a null pointer is allowed
  return Join(result, stored);
}

bool CallSetter(const Key& row, const std::string& text) {
  const auto* call = Accessors(row.setter);
  if (call && row.kind == 'S' && call->setString) call->setString(CString::FromUtf8(text));
  else if (call && row.kind != 'S' && call->setInt) call->setInt(std::atoi(text.c_str()));
  else return false;
  return true;
}

}  // namespace

// Every getter gives its default without a file (and reading creates none);
// every setter, given a value of its own, writes its key and nothing else;
// every getter then reads its own value back.
TEST_F(KeysTest, EveryDocumentedKey) {
  auto expect = [](const Key& row, const std::string& value) {
    return row.kind == 'P' ? value + "," + value : value;
  };
  for (const Key& row : kDocumented) {
    if (row.getter)
      EXPECT_EQ(CallGetter(row), expect(row, row.kind == 'S' ? Join(row.def) : Join(std::atoi(Join(row.def).c_str()))))
          << row.getter;
  }
  EXPECT_FALSE(fs::exists(MainHost()));
  EXPECT_FALSE(fs::exists(Sek4Host()));

  std::map<const Key*, std::string> written;
  std::vector<std::pair<std::u16string, std::string>> sections[2];
  for (const Key& row : kDocumented) {
    if (!row.setter) continue;
    const int n = static_cast<int>(written.size()) + 1;
    const std::string value = row.kind == 'S' ? "値 " + std::to_string(n) : std::to_string(n % 2 ? 1000 + n : -n);
    ASSERT_TRUE(CallSetter(row, value)) << row.setter << " has no setter of its kind";
    written[&row] = value;
    auto& file = sections[row.file];
    if (file.empty() || file.back().first != row.section) file.push_back({row.section, ""});
    file.back().second += Join(row.key) + "=" + value + "\r\n";
  }
  std::string text[2];
  for (int f : {kMain, kSek4})
    for (const auto& [section, keys] : sections[f]) text[f] += "[" + Join(section.c_str()) + "]\r\n" + keys;
  EXPECT_EQ(Text(), text[kMain]);
  EXPECT_EQ(Text(Sek4Host()), text[kSek4]);
  for (const auto& [row, value] : written)
    if (row->getter) EXPECT_EQ(CallGetter(*row), expect(*row, value)) << row->getter;
}

TEST_F(KeysTest, RunTimeTableHasOneRowPerKeyAndRejectsBadIndexes) {
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
  EXPECT_EQ(GetScalarSetting(static_cast<std::size_t>(FindScalarSetting("SetHaisenShuukeiModeIni"))), u"");
  EXPECT_EQ(GetScalarSetting(table.size()), u"");
  EXPECT_FALSE(SetScalarSetting(table.size(), u"x"));
}

TEST_F(KeysTest, OddValuesAndAccessorsWithArgumentsOfTheirOwn) {
  // Integers read as the runtime converts them; an empty string stays empty.
  const std::pair<const char16_t*, int> numbers[] = {
      {u"ON", 0}, {u"12abc", 12}, {u"-7", -7}, {u"+15", 15}, {u"0x1F", 0},
      {u"", 0},   {u"  9", 9},    {u"3.9", 3}, {u"- 4", 0},  {u"00000000", 0}};
  for (const auto& [text, value] : numbers) {
    Store(u"SYSTEM", u"売価率", text);
    EXPECT_EQ(GetBaikaRituIni(), value) << CString(text).ToUtf8();
  }
  SetFDIni(u"");
  EXPECT_EQ(Stored(u"DIR", u"FD"), u"");
  EXPECT_EQ(GetFDIni(), u"");
  // Strings are read with 259 characters.
  std::u16string longValue;
  for (int i = 0; i < 400; ++i) longValue += static_cast<char16_t>(u'あ' + i % 60);
  Store(u"SYSTEM", u"TITLE", longValue.c_str());
  EXPECT_EQ(GetSystemTitle(), CString(longValue.substr(0, 259)));
  SetNippouPathIni(CString(longValue));
  EXPECT_EQ(GetNippouPathIni(), CString(longValue.substr(0, 259)));

  // The kind getter reads the caller's key of SYSTEM, Latin letters folded.
  EXPECT_EQ(GetShubetuIni(u"種別A"), 0);
  Store(u"SYSTEM", u"種別A", u"4");
  Store(u"SYSTEM", u"Kind", u"6");
  EXPECT_EQ(Join(GetShubetuIni(u"種別A"), GetShubetuIni(u"KIND"), GetShubetuIni(u"")), "4,6,0");
  // The extended option number is not used.
  EXPECT_EQ(GetExOptionIni(1), 0);
  SetExOptionIni(5, 3);
  EXPECT_EQ(Stored(u"拡張ｵﾌﾟｼｮﾝ", u"形式ｸﾞﾙｰﾌﾟ"), u"3");
  EXPECT_EQ(GetExOptionIni(-1), 3);
  // Confirmation messages other than 1 use the empty key name.
  EXPECT_EQ(GetKakuninMsgIni(1), 1);
  SetKakuninMsgIni(1, 0);
  EXPECT_EQ(GetKakuninMsgIni(2), 1);
  SetKakuninMsgIni(2, 5);
  EXPECT_EQ(GetKakuninMsgIni(1), 0);
  EXPECT_EQ(Stored(u"確認ﾒｯｾｰｼﾞ", u"一覧to棚"), u"0");
  EXPECT_EQ(Stored(u"確認ﾒｯｾｰｼﾞ", u""), u"5");
  // The wiring-kind getter and setter address different keys.
  SetHaisenShuukeiModeIni(3);
  EXPECT_EQ(Stored(u"図面集計", u"ｱﾆﾒ配線種別"), kMissing);
  EXPECT_EQ(GetHaisenShuukeiModeIni(), 0);
  // Keys of sek4.ini are not looked for in the main file.
  Store(u"HISTORY", u"福利費端数", u"5");
  Store(u"HISTORY", u"単価少数点", u"4");
  EXPECT_EQ(Join(GetHukurihiHasuu(nullptr), GetModeTankaIni()), "0,2");
}

TEST_F(KeysTest, AFileThatCannotBeWrittenKeepsItsValue) {
  SetBaikaRituIni(80);
  SetGengouIni(u"令和");
  const std::string before = cmdtest::ReadBytes(MainHost());
  for (auto step : {cmd::os::FileStep::Write, cmd::os::FileStep::Flush, cmd::os::FileStep::Rename}) {
    cmdtest::FailStep fail(step, EACCES);
    SetBaikaRituIni(50);
    SetGengouIni(u"平成");
    SetHukurihiHasuu(3);
  }
  EXPECT_EQ(cmdtest::ReadBytes(MainHost()), before);
  EXPECT_EQ(Join(GetBaikaRituIni(), GetGengouIni()), "80,令和");
  EXPECT_FALSE(fs::exists(Sek4Host()));
  // A missing folder gives the defaults and swallows writes.
  LoseTheFolder();
  SetBaikaRituIni(50);
  EXPECT_EQ(GetBaikaRituIni(), 100);
  EXPECT_FALSE(fs::exists(dir() / "gone"));
}

// A settings file written on Windows in code page 932, with Japanese section
// and key names; a 0x5C trail byte (機能) sits among them. One value changes,
// every other byte stays.
TEST_F(KeysTest, CodePage932FileIsReadAndUpdatedInPlace) {
  const std::string head = cmdtest::Unhex(
      "3B 20 8C A9 90 CF 83 56 83 58 83 65 83 80 82 CC 90 DD 92 E8 0D 0A"  // ; 見積システムの設定
      "5B 53 59 53 54 45 4D 5D 0D 0A"                                      // [SYSTEM]
      "54 49 54 4C 45 3D 8C A9 90 CF 83 56 83 58 83 65 83 80 0D 0A");      // TITLE=見積システム
  const std::string tail = cmdtest::Unhex(
      "83 4B 83 43 83 68 8B 40 94 5C 3D 30 0D 0A 0D 0A"  // ガイド機能=0
      "5B 41 4E 49 4D 45 5D 0D 0A"                       // [ANIME]
      "B1 C6 D2 97 4C 82 E8 3D 30 0D 0A"                 // ｱﾆﾒ有り=0
      "5B 90 7D 96 CA 8F 57 8C 76 5D 0D 0A"              // [図面集計]
      "B1 C6 D2 94 7A 90 FC 8E ED 95 CA 3D 32 0D 0A");   // ｱﾆﾒ配線種別=2
  const std::string rate = "94 84 89 BF 97 A6 3D ";      // 売価率=
  cmdtest::WriteBytes(MainHost(), head + cmdtest::Unhex(rate + "38 30 0D 0A") + tail);
  auto read = [] {
    return Join(GetSystemTitle(), GetBaikaRituIni(), GetGuideKinouIni(), GetAnimeDispIni(),
                GetHaisenShuukeiModeIni());
  };
  EXPECT_EQ(read(), "見積システム,80,0,0,2");
  SetBaikaRituIni(95);
  EXPECT_EQ(cmdtest::Hex(cmdtest::ReadBytes(MainHost())),
            cmdtest::Hex(head + cmdtest::Unhex(rate + "39 35 0D 0A") + tail));
  EXPECT_EQ(read(), "見積システム,95,0,0,2");
}

namespace {

std::string ReadSource(const std::string& relative) {
  std::ifstream in(std::string(CMD_SOURCE_DIR) + "/" + relative);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

// The family leaves libcmddll3.so under exactly the names of the documented
// accessors: every one is exported, no C++ name leaks out, and the public
// headers and the option table declare no other.
TEST(SettingsExports, EveryDocumentedAccessorIsExportedAndDeclared) {
  std::set<std::string> documented;
  std::istringstream others(kOtherAccessors);
  for (std::string name; others >> name;) EXPECT_TRUE(documented.insert(name).second) << name;
  for (const Key& row : kDocumented)
    for (const char* name : {row.getter, row.setter})
      if (name) EXPECT_TRUE(documented.insert(name).second) << name;
  EXPECT_EQ(documented.size(), 241u);

  std::set<std::string> exported;
  FILE* pipe = popen((std::string("nm -D --defined-only '") + CMD_DLL3_PATH + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[1024];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name && type == "T") exported.insert(name);
  }
  pclose(pipe);
  for (const std::string& name : documented) EXPECT_TRUE(exported.count(name)) << name;
  for (const std::string& name : exported) EXPECT_EQ(name.find("settings"), std::string::npos) << name;

  std::set<std::string> declared;
  const std::regex function(R"(CMD_API\s+[\w\s\*]+?\b(\w+)\s*\()");
  for (const char* header : {"settings_scalar.h", "settings_records.h", "settings_side.h",
                             "settings_lock.h", "settings_print.h", "colors.h"}) {
    const std::string text = ReadSource(std::string("include/cmddll3/") + header);
    ASSERT_FALSE(text.empty()) << header;
    for (std::sregex_iterator it(text.begin(), text.end(), function), end; it != end; ++it)
      declared.insert((*it)[1]);
  }
  const std::string table = ReadSource("include/cmddll3/settings_keys.def");
  const std::regex row(R"(SETTING_(RW|RO|WO)\(\s*(\w+),\s*(\w+),)");
  for (std::sregex_iterator it(table.begin(), table.end(), row), end; it != end; ++it) {
    declared.insert((*it)[2]);
    if ((*it)[1] == "RW") declared.insert((*it)[3]);
  }
  // The row macros themselves, as the headers and the table's notes name them.
  declared.erase("getter");
  declared.erase("setter");
  EXPECT_EQ(declared, documented);
}
