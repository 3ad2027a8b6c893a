// The single-value options: every documented key's default, the whole
// settings file their setters write, and what their getters read back; the
// ways a settings file can be odd (text that is not a number, overlong values,
// a file that cannot be written).
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "cmddll3/platform/osfile.h"
#include "settings/scalar_settings.h"
#include "settings_fixture.h"
#include "support/fail_step.h"

using namespace settingstest;
using KeysTest = SettingsTest;

namespace {

enum FileId { kMain, kSek4 };
enum Access { RW, RO, WO };

// The single-value options as the application documents them, written out
// independently of the library's own table: Get<name> and Set<name> as the
// access allows. kind: 'I' int Get(), 'P' int Get(int*), 'S' CString Get();
// setters take an int for 'I' and 'P', a CString for 'S'.
struct Key {
  Access access;
  char kind;
  const char* name;
  const char16_t *key, *def, *section = u"SYSTEM";
  FileId file = kMain;
  std::string getter() const { return access == WO ? "" : "Get" + std::string(name); }
  std::string setter() const { return access == RO ? "" : "Set" + std::string(name); }
};

// clang-format off
const Key kDocumented[] = {
    {RW, 'I', "AdressSheetIni", u"住所ｼｰﾙ", u"1"}, {RW, 'I', "BackupDateIni", u"BKTIME", u"00000000"},
    {RW, 'I', "BaikaCheckIni", u"売価率ON", u"0"}, {RW, 'I', "BaikaRituIni", u"売価率", u"100"},
    {RO, 'I', "CadIni", u"DESIGNER", u"0"}, {RO, 'I', "CadNoIni", u"CADNO", u"0"},
    {RO, 'I', "DebugIni", u"DEBUG", u"0"}, {RW, 'I', "DegiMstIni", u"ﾃﾞｼﾞﾀｲｻﾞMST", u"0"},
    {RW, 'I', "DegitizerIni", u"ﾃﾞｼﾞﾀｲｻﾞ", u"0"}, {RW, 'I', "DentakuZeroResetIni", u"電卓0ｵﾌﾟｼｮﾝ", u"0"},
    {RW, 'I', "DocExeMsgIni", u"DOCEXE_MSG", u"0"}, {RW, 'I', "GenkaChgIni", u"原価調整率", u"0"},
    {RW, 'I', "GijiCurIni", u"擬似ｶｰｿﾙ", u"1"},
    {RW, 'I', "GoukeiWithoutFukuriIni", u"合計に法定福利費を含まない", u"0"},
    {RW, 'I', "GuideKinouIni", u"ガイド機能", u"1"}, {RO, 'I', "HelpIni", u"HELP_FILE", u"1"},
    {RO, 'I', "HikaeFirstIni", u"控え印刷優先", u"0"}, {RW, 'I', "InitBikouRirekiIni", u"初期備考履歴ON", u"1"},
    {RW, 'I', "InitColorIni", u"初期カラー設定", u"0"}, {RW, 'I', "InitHikaeIni", u"初期控え印刷", u"0"},
    {RW, 'I', "InitHiroiIni", u"初期拾数", u"1"}, {RW, 'I', "InitHokyuurituIni", u"初期補給率", u"0"},
    {RW, 'I', "InitJisyaIni", u"初期自社名", u"1"}, {RW, 'I', "InitNouhinBikouIni", u"初期納品備考", u"0"},
    {RW, 'I', "InitNyuukinIni", u"入金結果表示", u"1"}, {RW, 'I', "InitRoumuhiIni", u"初期労務費", u"0"},
    {RW, 'I', "InitZumensuIni", u"図面数非表示", u"1"},
    {RW, 'I', "JustGoukeiFukuriIni", u"工事費×率を当該行までの合計にて算出", u"0"},
    {RO, 'I', "KaisouIni", u"KAISOU", u"3"}, {RW, 'P', "KanriNoOption", u"管理Noｵﾌﾟｼｮﾝ", u"0"},
    {RW, 'I', "KeihiRoumuhiHasuuIni", u"経費労務費端数", u"1"}, {RW, 'I', "LayoutMemoIni", u"形式ﾒﾓ", u"0"},
    {RW, 'I', "LayoutSaportIni", u"形式ｻﾎﾟｰﾄ", u"1"}, {RO, 'I', "MakerIni", u"MAKER", u"1"},
    {RW, 'P', "MituCopyOption", u"見積複写ｵﾌﾟｼｮﾝ", u"1"}, {RW, 'P', "MituCopyOption2", u"見積複写ｵﾌﾟｼｮﾝ2", u"0"},
    {RW, 'P', "MituCopyOption3", u"見積複写時印刷備考", u"0"}, {RW, 'P', "MituCopyOption4", u"印刷備考共通", u"0"},
    {RW, 'I', "MituNoKeta", u"見積No桁有", u"0"}, {RW, 'I', "MituNoShare", u"見積No共有", u"0"},
    {RW, 'I', "NippouIni", u"NIPPOU", u"0"}, {RW, 'I', "PowerOffIni", u"電源断", u"1"},
    {RW, 'I', "PrnModeFoldIni", u"印刷種類の選択保持", u"0"}, {RO, 'I', "ProdactIni", u"PRODACT", u"0"},
    {RW, 'I', "ShiireCheckIni", u"仕入率ON", u"0"}, {RW, 'I', "ShiireRituIni", u"単価原価率", u"0"},
    {RW, 'I', "SoundIni", u"SOUND", u"0"}, {RO, 'I', "StartCheckIni", u"startcheck", u"0"},
    {RW, 'I', "SysmenuIni", u"SYSTEMMENU", u"0"}, {RW, 'I', "UndoRedoOffIni", u"編集取消なし", u"0"},
    {RW, 'I', "UserHojoIni", u"ユーザー補助", u"1"}, {RO, 'I', "VersionIni", u"VERSION", u"2"},
    {RO, 'P', "WindowPos2Ini", u"画面MODE", u"0"}, {RO, 'S', "SystemTitle", u"TITLE", u""},
    {RW, 'S', "NippouPathIni", u"NIPPOUDIR", u""}, {RW, 'S', "GengouIni", u"GENGOU", u"元号"},
    {RW, 'S', "CDROMIni", u"CD-ROM", u"", u"DIR"}, {RW, 'S', "FDIni", u"FD", u"A:", u"DIR"},
    {RW, 'S', "InsideTaxNameIni", u"内税名", u"内税", u"TAX"}, {RW, 'I', "KeihiIni", u"FORM", u"0", u"KEIHI"},
    {RW, 'I', "HukurihiIni", u"FORM", u"0", u"HUKURIHI"}, {RW, 'I', "MaekinIni", u"FORM", u"0", u"MAEKIN"},
    {RW, 'I', "NebikiIni", u"FORM", u"0", u"NEBIKI"}, {RW, 'I', "GenkaKeisanIni", u"default", u"0", u"原価計算"},
    {RW, 'I', "MinusMarkIni", u"default", u"0", u"ﾏｲﾅｽ記号"},
    {RW, 'I', "PrnSeikyuIni", u"default", u"0", u"印刷請求日更新"},
    {RW, 'I', "RiekiIni", u"default", u"0", u"利益計算"}, {RW, 'I', "AnimeDispIni", u"ｱﾆﾒ有り", u"1", u"ANIME"},
    {RO, 'I', "HaisenShuukeiModeIni", u"ｱﾆﾒ配線種別", u"0", u"図面集計"},
    {WO, 'I', "HaisenShuukeiModeIni", u"配線種別", u"", u"図面集計"},
    {RW, 'P', "HukurihiHasuu", u"福利費端数", u"0", u"HISTORY", kSek4},
    {RO, 'I', "ModeTankaIni", u"単価少数点", u"2", u"HISTORY", kSek4},
};
// clang-format on

// The accessor called `name`, found through the library's run-time table.
const cmd::settings::SettingAccessors* Accessors(const std::string& name) {
  const std::ptrdiff_t row = name.empty() ? -1 : cmd::settings::FindScalarSetting(name);
  return row < 0 ? nullptr : &cmd::settings::ScalarSettings()[static_cast<std::size_t>(row)].call;
}

// What the getter of a row gives, as text: the value, twice for 'P' (as
// returned and as stored through the pointer, which may also be null).
std::string CallGetter(const Key& row) {
  const auto* call = Accessors(row.getter());
  if (!call) return "<no accessor>";
  if (row.kind == 'I') return call->getInt ? Join(call->getInt()) : "<no int getter>";
  if (row.kind == 'S') return call->getString ? Join(call->getString()) : "<no string getter>";
  if (!call->getIntOut) return "<no int* getter>";
  int stored = -12345;
  const int result = call->getIntOut(&stored);
  call->getIntOut(nullptr);
  return Join(result, stored);
}

bool CallSetter(const Key& row, const std::string& text) {
  const auto* call = Accessors(row.setter());
  if (call && row.kind == 'S' && call->setString) {
    call->setString(CString::FromUtf8(text));
    return true;
  }
  if (!call || row.kind == 'S' || !call->setInt) return false;
  call->setInt(std::atoi(text.c_str()));
  return true;
}

}  // namespace

// Every getter gives its default without a file (and reading creates none);
// every setter, given a value of its own, writes its key and nothing else, so
// that the two files hold exactly the keys written; every getter then reads
// its own value back.
TEST_F(KeysTest, EveryDocumentedKey) {
  auto twice = [](const Key& row, const std::string& v) {
    return row.kind == 'P' ? v + "," + v : v;
  };
  auto value = [](const Key& row) {
    const int n = static_cast<int>(&row - kDocumented);
    return row.kind == 'S' ? "値 " + std::to_string(n) : std::to_string(n % 2 ? 1000 + n : -n);
  };
  for (const Key& row : kDocumented) {
    const std::string def =
        row.kind == 'S' ? Join(row.def) : Join(std::atoi(Join(row.def).c_str()));
    EXPECT_EQ(row.access == WO ? def : CallGetter(row), twice(row, def)) << row.name;
  }
  EXPECT_FALSE(fs::exists(MainHost()) || fs::exists(Sek4Host()));

  std::vector<std::pair<std::string, std::string>> sections[2];  // name, keys
  for (const Key& row : kDocumented) {
    if (row.access == RO) continue;
    ASSERT_TRUE(CallSetter(row, value(row))) << row.name << " has no setter of its kind";
    auto& file = sections[row.file];
    auto it = std::find_if(file.begin(), file.end(),
                           [&](auto& s) { return s.first == Join(row.section); });
    if (it == file.end()) it = file.insert(file.end(), {Join(row.section), ""});
    it->second += Join(row.key) + "=" + value(row) + "\r\n";
  }
  std::string text[2];
  for (int f : {kMain, kSek4})
    for (const auto& [section, keys] : sections[f]) text[f] += "[" + section + "]\r\n" + keys;
  EXPECT_EQ(Text(), text[kMain]);
  EXPECT_EQ(Text(Sek4Host()), text[kSek4]);
  for (const Key& row : kDocumented) {
    if (row.access != RW) continue;
    EXPECT_EQ(CallGetter(row), twice(row, value(row))) << row.name;
    const auto index = static_cast<std::size_t>(cmd::settings::FindScalarSetting(row.getter()));
    EXPECT_EQ(cmd::settings::GetScalarSetting(index), CString::FromUtf8(value(row))) << row.name;
  }

  // The run-time table has a row for each and no other; a row without a
  // getter reads nothing, one without a setter writes nothing, nor does an
  // index past the table.
  using namespace cmd::settings;
  const std::size_t rows = ScalarSettings().size();
  EXPECT_EQ(rows, std::size(kDocumented));
  EXPECT_EQ(
      GetScalarSetting(static_cast<std::size_t>(FindScalarSetting("SetHaisenShuukeiModeIni"))),
      u"");
  EXPECT_FALSE(SetScalarSetting(static_cast<std::size_t>(FindScalarSetting("GetKaisouIni")), u"1"));
  EXPECT_EQ(GetScalarSetting(rows), u"");
  EXPECT_FALSE(SetScalarSetting(rows, u"x"));
}

TEST_F(KeysTest, OddValuesAndAccessorsWithArgumentsOfTheirOwn) {
  // Integers read as the runtime converts them (not as the profile does);
  // an empty string stays empty.
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

  // A file that cannot be written keeps its values.
  SetBaikaRituIni(80);
  SetGengouIni(u"令和");
  const std::string before = cmdtest::ReadBytes(MainHost());
  for (auto step :
       {cmd::os::FileStep::Write, cmd::os::FileStep::Flush, cmd::os::FileStep::Rename}) {
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

