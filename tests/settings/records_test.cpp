// Records kept in one key (or a few keys read together): their stored form,
// their defaults, fields cut to their maximum, records cut to their read
// buffer, and the values of fields that a shorter record does not reach.
#include <algorithm>
#include <array>
#include <vector>

#include "settings_fixture.h"

using settingstest::kMissing;
using settingstest::SettingsTest;

using RecordsTest = SettingsTest;

TEST_F(RecordsTest, WindowPosition) {
  int v[5] = {-1, -1, -1, -1, -1};
  auto read = [&] {
    GetWindowPosIni(&v[0], &v[1], &v[2], &v[3], &v[4]);
    return std::array{v[0], v[1], v[2], v[3], v[4]};
  };
  EXPECT_EQ(read(), (std::array{0, 0, 1024, 768, 3}));
  SetWindowPosIni(10, -20, 800, 600, 1);
  EXPECT_EQ(Stored(u"SYSTEM", u"座標"), u"10,-20,800,600,1");
  EXPECT_EQ(read(), (std::array{10, -20, 800, 600, 1}));
  // A shorter record: the default record fills the rest; "1,,3" ends at the
  // empty field. The last field runs to the end of the line, commas
  // included; a field longer than 15 characters is cut (to fifteen zeros).
  const std::pair<const char16_t*, std::array<int, 5>> records[] = {
      {u"5,6", {5, 6, 1024, 768, 3}},
      {u"1,,3,4,5", {1, 0, 1024, 768, 3}},
      {u"", {0, 0, 1024, 768, 3}},
      {u"000000000000000012,2,3,4,5,6", {0, 2, 3, 4, 5}},
  };
  for (const auto& [record, expected] : records) {
    Store(u"SYSTEM", u"座標", record);
    EXPECT_EQ(read(), expected) << CString(record).ToUtf8();
  }
  GetWindowPosIni(nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(RecordsTest, WindowRectangles) {
  RECT r{10, 20, 300, 400};
  SetWindowIni(&r, 2);
  EXPECT_EQ(Stored(u"???", u"WIN2"), u"20,400,10,300");
  RECT back{};
  EXPECT_EQ(GetWindowIni(&back, 2), 1);
  EXPECT_EQ((std::array{back.left, back.top, back.right, back.bottom}),
            (std::array<LONG, 4>{10, 20, 300, 400}));

  RECT untouched{1, 2, 3, 4};
  EXPECT_EQ(GetWindowIni(&untouched, 5), 0);
  EXPECT_EQ((std::array{untouched.left, untouched.top, untouched.right, untouched.bottom}),
            (std::array<LONG, 4>{1, 2, 3, 4}));
  Store(u"???", u"WIN6", u"");
  EXPECT_EQ(GetWindowIni(&untouched, 6), 0);

  // Members that a shorter record does not reach become 0.
  Store(u"???", u"WIN7", u"7,8");
  EXPECT_EQ(GetWindowIni(&back, 7), 1);
  EXPECT_EQ((std::array{back.left, back.top, back.right, back.bottom}),
            (std::array<LONG, 4>{0, 7, 0, 8}));

  RECT negative{-5, -6, -7, -8};
  SetWindowIni(&negative, -1);
  EXPECT_EQ(Stored(u"???", u"WIN-1"), u"-6,-8,-5,-7");
  SetWindowIni(nullptr, 3);
  EXPECT_EQ(Stored(u"???", u"WIN3"), kMissing);
  EXPECT_EQ(GetWindowIni(nullptr, 2), 1);
}

TEST_F(RecordsTest, AnimationTakesMissingFieldsFromTheDefaultRecord) {
  int v[7];
  auto read = [&] {
    GetAnimeInfoIni(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
    return std::array{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
  };
  EXPECT_EQ(read(), (std::array{0, 80, 20, 20, 45, 500, 20}));
  Store(u"ANIME", u"MODE", u"2,90");
  EXPECT_EQ(read(), (std::array{2, 90, 20, 20, 45, 500, 20}));
  Store(u"ANIME", u"MODE", u"1,2,3,4,5,6,7,8");
  EXPECT_EQ(read(), (std::array{1, 2, 3, 4, 5, 6, 7}));
  Store(u"ANIME", u"MODE", u"x,y");
  EXPECT_EQ(read(), (std::array{0, 0, 20, 20, 45, 500, 20}));
}

TEST_F(RecordsTest, BackupRecordIsCutToItsBufferBeforeItIsRead) {
  int v[4] = {-1, -1, -1, -1};
  EXPECT_EQ(GetBackupInfoIni(&v[0], &v[1], &v[2], &v[3]), u"0:");
  // The default record has four fields: the fifth is 0.
  EXPECT_EQ((std::array{v[0], v[1], v[2], v[3]}), (std::array{0, 0, 14, 0}));

  SetBackupInfoIni(u"D:", 1, 2, 3, 4);
  EXPECT_EQ(Stored(u"SYSTEM", u"ﾊﾞｯｸｱｯﾌﾟINFO"), u"D:,1,2,3,4");
  EXPECT_EQ(GetBackupInfoIni(&v[0], &v[1], &v[2], &v[3]), u"D:");
  EXPECT_EQ((std::array{v[0], v[1], v[2], v[3]}), (std::array{1, 2, 3, 4}));

  // 34 characters stored; 31 are read: "ABCDEFGHIJKLMNOPQRSTUVWXYZ,1,2,".
  SetBackupInfoIni(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 1, 2, 3, 4);
  EXPECT_EQ(GetBackupInfoIni(&v[0], &v[1], &v[2], &v[3]), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  EXPECT_EQ((std::array{v[0], v[1], v[2], v[3]}), (std::array{1, 2, 14, 0}));
}

TEST_F(RecordsTest, DigitizerLine) {
  int v[8];
  auto read = [&] {
    const int stop = GetDegitizerComIni(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
    EXPECT_EQ(stop, v[7]);
    return std::array{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
  };
  EXPECT_EQ(read(), (std::array{310, 460, 10, 1, 9600, 7, 2, 0}));
  SetDegitizerComIni(1, 2, 3, 4, 19200, 8, 0, 2);
  EXPECT_EQ(Stored(u"ﾃﾞｼﾞﾀｲｻﾞ", u"通信設定"), u"1,2,3,4,19200,8,0,2");
  EXPECT_EQ(read(), (std::array{1, 2, 3, 4, 19200, 8, 0, 2}));
  // Fields 4 to 8 hold at most 7 characters, 1 to 3 at most 11.
  Store(u"ﾃﾞｼﾞﾀｲｻﾞ", u"通信設定", u"000000000001,2,3,00000001234,115200");
  EXPECT_EQ(read(), (std::array{0, 2, 3, 0, 115200, 7, 2, 0}));
}

TEST_F(RecordsTest, TaxKeys) {
  int rate = -9, form = -9, display = -9, display2 = -9;
  EXPECT_EQ(GetTaxIni(&rate, &form, &display, &display2), u"消費税");
  EXPECT_EQ((std::array{rate, form, display, display2}), (std::array{5, 0, 0, 0}));

  SetTaxIni(u"税", 8, 1, 2, 3);
  SetTaxIni(u"消費税", 10, -1, -1, -1);
  EXPECT_EQ(Stored(u"TAX", u"NAME"), u"消費税");
  EXPECT_EQ(Stored(u"TAX", u"RITU"), u"10");
  EXPECT_EQ(GetTaxIni(&rate, &form, &display, &display2), u"消費税");
  EXPECT_EQ((std::array{rate, form, display, display2}), (std::array{10, 1, 2, 3}));
  EXPECT_EQ(GetTaxIni(nullptr, nullptr, nullptr, nullptr), u"消費税");
}

TEST_F(RecordsTest, TaxModeLimitsField5) {
  int m[7];
  auto read = [&] {
    EXPECT_EQ(GetTaxModeIni(&m[0], &m[1], &m[2], &m[3], &m[4], &m[5], &m[6]), m[6]);
    return std::array{m[0], m[1], m[2], m[3], m[4], m[5], m[6]};
  };
  EXPECT_EQ(read(), (std::array{0, 0, 0, 0, 0, 1, 1}));
  Store(u"TAX", u"MODE", u"0,0,0,0,7,1,1");
  EXPECT_EQ(read()[4], 0);
  Store(u"TAX", u"MODE", u"0,0,0,0,-1,1,1");
  EXPECT_EQ(read()[4], -1);
  SetTaxModeIni(1, 2, 3, 4, 5, 6, 7);
  EXPECT_EQ(Stored(u"TAX", u"MODE"), u"1,2,3,4,5,6,7");
  EXPECT_EQ(read(), (std::array{1, 2, 3, 4, 0, 6, 7}));
  Store(u"TAX", u"MODE", u"9");
  EXPECT_EQ(read(), (std::array{9, 0, 0, 0, 0, 1, 1}));
}

TEST_F(RecordsTest, AddressLabelLayout) {
  // The caller's integers start at -1: only those the scan assigns change.
  int a[5];
  auto read = [&](int kind, int expectedCount) {
    std::fill(std::begin(a), std::end(a), -1);
    EXPECT_EQ(GetAdressSheetAttrIni(kind, &a[0], &a[1], &a[2], &a[3], &a[4]), expectedCount);
    return std::array{a[0], a[1], a[2], a[3], a[4]};
  };
  EXPECT_EQ(read(1, 5), (std::array{830, 360, 210, 1060, 250}));
  EXPECT_EQ(read(2, 5), (std::array{840, 420, 200, 1060, 230}));
  EXPECT_EQ(read(0, 5), (std::array{840, 420, 200, 1060, 230}));
  SetAdressSheetAttrIni(1, 1, 2, 3, 4, 5);
  SetAdressSheetAttrIni(7, 6, 7, 8, 9, 10);
  EXPECT_EQ(Stored(u"住所ｼｰﾙ", u"属性1"), u"1,2,3,4,5");
  EXPECT_EQ(Stored(u"住所ｼｰﾙ", u"属性2"), u"6,7,8,9,10");
  EXPECT_EQ(read(1, 5), (std::array{1, 2, 3, 4, 5}));
  Store(u"住所ｼｰﾙ", u"属性1", u"7,8");
  EXPECT_EQ(read(1, 2), (std::array{7, 8, -1, -1, -1}));
  Store(u"住所ｼｰﾙ", u"属性1", u"9,x,3");
  EXPECT_EQ(read(1, 1), (std::array{9, -1, -1, -1, -1}));
  Store(u"住所ｼｰﾙ", u"属性1", u"");
  EXPECT_EQ(read(1, 0), (std::array{-1, -1, -1, -1, -1}));
}

TEST_F(RecordsTest, InitialLayoutGroupReadsEleven) {
  int g1 = 0, g2 = 0;
  EXPECT_EQ(GetInitLayoutGroupIni(&g1, &g2), 2);
  EXPECT_EQ((std::array{g1, g2}), (std::array{1, 2}));
  SetInitLayoutGroupIni(3, 4);
  EXPECT_EQ(Stored(u"SYSTEM", u"初期ｸﾞﾙｰﾌﾟ"), u"3,4");
  EXPECT_EQ(GetInitLayoutGroupIni(&g1, &g2), 2);
  EXPECT_EQ((std::array{g1, g2}), (std::array{3, 4}));
  // 13 characters stored, 11 read.
  SetInitLayoutGroupIni(123456, 654321);
  EXPECT_EQ(GetInitLayoutGroupIni(&g1, &g2), 2);
  EXPECT_EQ((std::array{g1, g2}), (std::array{123456, 6543}));
  // One integer stored: the second keeps the caller's value.
  Store(u"SYSTEM", u"初期ｸﾞﾙｰﾌﾟ", u"5");
  g2 = -1;
  EXPECT_EQ(GetInitLayoutGroupIni(&g1, &g2), 1);
  EXPECT_EQ((std::array{g1, g2}), (std::array{5, -1}));
}

TEST_F(RecordsTest, LabourPrices) {
  int selected = 0, flag = 0, number = -1, material = 0, item = 0;
  double p1 = -1, p2 = -1;
  CString unit;
  auto read = [&](int set) {
    return GetRoumuTankaIni(set, &selected, &unit, &p1, &p2, &flag, &number, &material, &item);
  };
  EXPECT_EQ(read(1), u"");
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(unit, u"式");
  EXPECT_EQ(p1, 0.0);
  EXPECT_EQ(p2, 0.0);
  EXPECT_EQ((std::array{flag, number, material, item}), (std::array{1, 0, 1, 1}));

  SetRoumuTankaIni(1, 0, u"電工", u"人", 1234.6, 99.4, 1, 2, 0, 7);
  EXPECT_EQ(Stored(u"労務費1", u"単価"), u"1235,99,1,2");
  EXPECT_EQ(read(1), u"電工");
  EXPECT_EQ(unit, u"人");
  EXPECT_EQ(p1, 1235.0);
  EXPECT_EQ(p2, 99.0);
  EXPECT_EQ((std::array{selected, flag, number, material, item}), (std::array{0, 1, 2, 0, 0}));

  // Every set other than 1 is set 2.
  SetRoumuTankaIni(5, 1, u"配管工", u"", 20000, 0, 3, -4, 1, 1);
  EXPECT_EQ(Stored(u"労務費2", u"単価"), u"20000,0,0,-4");
  EXPECT_EQ(read(0), u"配管工");
  EXPECT_EQ(unit, u"式");
  EXPECT_EQ((std::array{flag, number, material, item}), (std::array{0, -4, 1, 1}));

  // The flag reads as 1 only when its field is exactly 1.
  const std::pair<const char16_t*, int> flags[] = {
      {u"0,0,1.0,0", 1}, {u"0,0,1.5,0", 0}, {u"0,0,01,0", 1}, {u"0,0,2,0", 0}, {u"0,0", 1}};
  for (const auto& [record, expected] : flags) {
    Store(u"労務費1", u"単価", record);
    read(1);
    EXPECT_EQ(flag, expected) << CString(record).ToUtf8();
  }
  Store(u"労務費1", u"単価", u"12.5,7");
  read(1);
  EXPECT_EQ(p1, 12.5);
  EXPECT_EQ(p2, 7.0);
  EXPECT_EQ(number, 0);
  GetRoumuTankaIni(1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(RecordsTest, CategoryNameLists) {
  CString got[4];
  auto read = [&](void (*get)(CString*), std::size_t n) {
    get(got);
    return std::vector<CString>(got, got + n);
  };
  using List = std::vector<CString>;
  EXPECT_EQ(read(GetZairyouCategoryIni, 4), (List{u"電気", u"水道", u"空調", u"建築"}));
  EXPECT_EQ(read(GetBukakeCategoryIni, 4), (List{u"歩掛1-1", u"歩掛1-2", u"歩掛1-3", u"歩掛1-4"}));
  EXPECT_EQ(read(GetGenkaCategoryIni, 3), (List{u"原価1", u"原価2", u"原価3"}));
  EXPECT_EQ(read(GetTankaCategoryIni, 3), (List{u"単価1", u"単価2", u"定価"}));
  EXPECT_EQ(read(GetWarikakeCategoryIni, 3), (List{u"割掛1", u"割掛2", u"割掛3"}));

  const CString trades[4] = {u"電気工事", u"給排水", u"設備", u""};
  EXPECT_NE(SetZairyouCategoryIni(trades), 0);
  EXPECT_EQ(Stored(u"SYSTEM", u"建築"), u"");
  EXPECT_EQ(read(GetZairyouCategoryIni, 4), (List{u"電気工事", u"給排水", u"設備", u""}));
  const CString prices[3] = {u"A", u"B", u"C"};
  EXPECT_NE(SetTankaCategoryIni(prices), 0);
  EXPECT_EQ(Stored(u"SYSTEM", u"定価"), u"C");
  EXPECT_EQ(SetGenkaCategoryIni(nullptr), 0);
  GetGenkaCategoryIni(nullptr);
}

TEST_F(RecordsTest, RoundingKinds) {
  EXPECT_EQ(GetHasuuDecModeIni(0), 1);
  EXPECT_EQ(GetHasuuPathIni(0), u"5");
  EXPECT_EQ(GetHasuuDecModeIni(1), 5);
  EXPECT_EQ(GetHasuuPathIni(3), u"5");

  Store(u"端数", u"労務費", u"2");
  Store(u"端数", u"掛率指定経費", u"3");
  Store(u"端数", u"工事項目", u"4");
  EXPECT_EQ(GetHasuuDecModeIni(1), 2);
  EXPECT_EQ(GetHasuuDecModeIni(2), 3);
  EXPECT_EQ(GetHasuuDecModeIni(-1), 4);
  EXPECT_EQ(GetHasuuPathIni(1), u"4");

  const int values[4] = {7, 8, 9, 6};
  EXPECT_EQ(SetHasuuPathIni(values), 3);
  EXPECT_EQ(Stored(u"端数", u"工事項目合計"), u"7");
  EXPECT_EQ(Stored(u"端数", u"ｵﾌﾟｼｮﾝ"), u"6");
  EXPECT_EQ(GetHasuuPathIni(3), u"6");
  const int one[1] = {2};
  SetHasuuDecModeIni(one);
  EXPECT_EQ(GetHasuuDecModeIni(0), 2);
  EXPECT_EQ(Stored(u"端数", u"労務費"), u"2");
}

TEST_F(RecordsTest, PasswordUsesQuestionMarksForNone) {
  int enabled = -1;
  EXPECT_EQ(GetPaswordIni(&enabled), u"???");
  EXPECT_EQ(enabled, 0);
  SetPaswordIni(1, u"");
  EXPECT_EQ(Stored(u"SYSTEM", u"ﾊﾟｽﾜｰﾄﾞ"), u"1,???");
  EXPECT_EQ(GetPaswordIni(&enabled), u"???");
  EXPECT_EQ(enabled, 1);
  SetPaswordIni(0, u"secret 1");
  EXPECT_EQ(Stored(u"SYSTEM", u"ﾊﾟｽﾜｰﾄﾞ"), u"0,secret 1");
  EXPECT_EQ(GetPaswordIni(&enabled), u"secret 1");
  Store(u"SYSTEM", u"ﾊﾟｽﾜｰﾄﾞ", u"1");
  EXPECT_EQ(GetPaswordIni(nullptr), u"???");
}

TEST_F(RecordsTest, TotalLineCaptions) {
  using Get = CString (*)(int*);
  using Set = void (*)(CString, int);
  const struct {
    Get get;
    Set set;
    const char16_t* section;
    const char16_t* def;
  } lines[] = {
      {GetShoukeiIni, SetShoukeiIni, u"SHOUKEI", u"小  計"},
      {GetChuukeiIni, SetChuukeiIni, u"CHUUKEI", u"中  計"},
      {GetGoukeiIni, SetGoukeiIni, u"GOUKEI", u"合  計"},
      {GetRuikeiIni, SetRuikeiIni, u"RUIKEI", u"累  計"},
      {GetAreaShoukeiIni, SetAreaShoukeiIni, u"AREASHOUKEI", u"小  計"},
  };
  int n = 0;
  for (const auto& line : lines) {
    int form = -1;
    EXPECT_EQ(line.get(&form), line.def);
    EXPECT_EQ(form, 0);
    CString caption;
    caption.Format(u"計%d", ++n);
    line.set(caption, n);
    EXPECT_EQ(Stored(line.section, u"NAME"), caption);
    EXPECT_EQ(Stored(line.section, u"FORM"), CString(std::u16string(1, u'0' + n)));
    EXPECT_EQ(line.get(&form), caption);
    EXPECT_EQ(form, n);
  }
}

TEST_F(RecordsTest, CompanionProgram) {
  EXPECT_EQ(GetOdvanIni(1), u"");
  SetOdvanIni(u"C:\\odv\\1.exe", 1);
  SetOdvanIni(u"C:\\odv\\3.exe", 3);
  EXPECT_EQ(Stored(u"SYSTEM", u"ODVAN"), u"C:\\odv\\1.exe");
  EXPECT_EQ(Stored(u"SYSTEM", u"ODVAN3"), u"C:\\odv\\3.exe");
  EXPECT_EQ(GetOdvanIni(3), u"C:\\odv\\3.exe");
  EXPECT_EQ(GetOdvanIni(4), u"");
  EXPECT_EQ(GetOdvanVerIni(), 0);
  Store(u"SYSTEM", u"ODVAN_VER", u"12");
  EXPECT_EQ(GetOdvanVerIni(), 12);

  int h[5];
  auto read = [&] {
    EXPECT_EQ(GetOdvanHistIni(&h[0], &h[1], &h[2], &h[3], &h[4]), h[4]);
    return std::array{h[0], h[1], h[2], h[3], h[4]};
  };
  EXPECT_EQ(read(), (std::array{1, 1, 1, 1, 1}));
  Store(u"HISTORY", u"ODVAN", u"0,2,3");
  EXPECT_EQ(read(), (std::array{0, 2, 3, 1, 1}));
  // Fields hold at most 11 characters.
  Store(u"HISTORY", u"ODVAN", u"000000000009,5,5,5,5");
  EXPECT_EQ(read(), (std::array{0, 5, 5, 5, 5}));
}

TEST_F(RecordsTest, DocumentFolder) {
  EXPECT_EQ(GetDocpathIni(1), u"\\Program Files\\Accessories\\");
  EXPECT_EQ(GetDocpathIni(0), u"\\Program Files\\Windows NT\\Accessories\\");
  SetDocpathIni(u"C:\\Tools\\Editor\\edit.exe");
  EXPECT_EQ(Stored(u"SYSTEM", u"DOCPATH"), u"C:\\Tools\\Editor\\edit.exe");
  EXPECT_EQ(GetDocpathIni(1), u"\\Tools\\Editor\\");
  EXPECT_EQ(GetDocpathIni(0), u"\\Tools\\Editor\\");
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"edit.exe", u"\\"},
      {u"C:\\edit.exe", u"\\"},
      {u"C:edit.exe", u"\\"},
      {u"D:\\Tools\\\\edit.exe", u"\\Tools\\"},
      {u"\\Tools\\Editor\\", u"\\Tools\\Editor\\"},
      {u"C:/Tools/edit.exe", u"/Tools\\"},
  };
  for (const auto& [stored, folder] : cases) {
    SetDocpathIni(stored);
    EXPECT_EQ(GetDocpathIni(1), folder) << CString(stored).ToUtf8();
  }
  EXPECT_EQ(GetExcelIni(), u"\\MSOffice\\Excel\\EXCEL.EXE");
  Store(u"???", u"EXCEL", u"C:\\Office\\EXCEL.EXE");
  EXPECT_EQ(GetExcelIni(), u"C:\\Office\\EXCEL.EXE");
}
