// Records kept in one key or a few keys read together, footer, own-company
// and printer settings, and colours: their defaults, the whole settings file
// their setters write, fields cut to their maximum, records cut to their read
// buffer, and the values of fields that a shorter record does not reach.
#include "settings_fixture.h"

using namespace settingstest;
using RecordsTest = SettingsTest;

namespace {

Reader Window(int n) {
  return [n] {
    RECT r{-1, -1, -1, -1};
    return Join(GetWindowIni(&r, n), r.left, r.top, r.right, r.bottom);
  };
}
Reader Labour(int set) {
  return [set] {
    int v[5] = {-1, -1, -1, -1, -1};
    double p1 = -1, p2 = -1;
    CString unit, name = GetRoumuTankaIni(set, &v[0], &unit, &p1, &p2, &v[1], &v[2], &v[3], &v[4]);
    return Join(name, v[0], unit, p1, p2, v[1], v[2], v[3], v[4]);
  };
}
template <std::size_t N>
Reader Names(void (*get)(CString*)) {
  return [get] {
    CString names[N];
    get(names);
    std::string out;
    for (const CString& n : names) out += n.ToUtf8() + "|";
    return out;
  };
}
std::string Rgb(COLORREF colour) {
  char text[16];
  std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(colour));
  return text;
}
Reader Screen(int index) {
  return [index] {
    GetColorMst();
    return Rgb(MyGetColor(index));
  };
}
Reader Merge(int printer, int direction) {
  return [=] { return Call<2>([=](int* x, int* y) { GetPrnMergeIni(printer, x, y, direction); }); };
}
// Colours of sheet items 4, 1, 5, 0 and 9 (the subtotal's slot, as for any
// item outside 2 to 8) in modes 0 or 1, slot numbers, the user-aid colour,
// after the table is loaded.
std::string Sheet() {
  GetUserColorMst(nullptr);
  return Join(Rgb(GetUserColor(4, 0)), Rgb(GetUserColor(4, 1)), Rgb(GetUserColor(1, 1)),
              Rgb(GetUserColor(5, 1)), Rgb(GetUserColor(0, 0)), Rgb(GetUserColor(9, 1)),
              GetUserColorId(4), GetUserColorId(0), GetUserColorId(9), GetUserColorId(-3),
              Rgb(GetUserHojoColor(0, 0)), Rgb(GetUserHojoColor(0, 1)));
}

}  // namespace

// Every getter before and after its setters have run (each row's setters run
// once every default is read), and the whole settings file they leave.
TEST_F(RecordsTest, DefaultsAndWhatTheSettersWrite) {
  // clang-format off
  const RECT rect{10, 20, 300, 400}, negative{-5, -6, -7, -8};
  const CString trades[4] = {u"電気工事", u"給排水", u"設備", u""}, prices[3] = {u"A", u"B", u"C"};
  const CString hands[4] = {u"h1", u"h2", u"h3", u"h4"}, shares[3] = {u"w1", u"w2", u"w3"};
  const int one[1] = {2}, rounding[4] = {7, 8, 9, 6};
  const struct {
    Reader read;
    const char *before, *after;
    std::function<void()> write = nullptr;
  } rows[] = {
      {R<5>(GetWindowPosIni), "0,0,1024,768,3", "10,-20,800,600,1",
       [] { SetWindowPosIni(10, -20, 800, 600, 1); }},
      {Window(2), "0,-1,-1,-1,-1", "1,10,20,300,400", [&] { SetWindowIni(&rect, 2); }},
      {Window(-1), "0,-1,-1,-1,-1", "1,-5,-6,-7,-8", [&] { SetWindowIni(&negative, -1); }},
      {Window(3), "0,-1,-1,-1,-1", "0,-1,-1,-1,-1", [] { SetWindowIni(nullptr, 3); }},
      {R<7>(GetAnimeInfoIni), "0,80,20,20,45,500,20", "0,80,20,20,45,500,20"},
      // The default backup record has four fields: the fifth is 0.
      {R<4>(GetBackupInfoIni), "0:,0,0,14,0", "D:,1,2,3,4", [] { SetBackupInfoIni(u"D:", 1, 2, 3, 4); }},
      {R<8>(GetDegitizerComIni), "0,310,460,10,1,9600,7,2,0", "2,1,2,3,4,19200,8,0,2",
       [] { SetDegitizerComIni(1, 2, 3, 4, 19200, 8, 0, 2); }},
      // -1 leaves a tax field as it was.
      {R<4>(GetTaxIni), "消費税,5,0,0,0", "消費税,10,1,2,3", [] {
         SetTaxIni(u"税", 10, 1, 2, 3);
         SetTaxIni(u"消費税", -1, -1, -1, -1);
       }},
      {R<7>(GetTaxModeIni), "1,0,0,0,0,0,1,1", "7,1,2,3,4,0,6,7", [] { SetTaxModeIni(1, 2, 3, 4, 5, 6, 7); }},
      // Label kinds other than 1 are kind 2.
      {R<5>(GetAdressSheetAttrIni, 1), "5,830,360,210,1060,250", "5,1,2,3,4,5",
       [] { SetAdressSheetAttrIni(1, 1, 2, 3, 4, 5); }},
      {R<5>(GetAdressSheetAttrIni, 0), "5,840,420,200,1060,230", "5,6,7,8,9,10",
       [] { SetAdressSheetAttrIni(7, 6, 7, 8, 9, 10); }},
      {R<2>(GetInitLayoutGroupIni), "2,1,2", "2,3,4", [] { SetInitLayoutGroupIni(3, 4); }},
      // Every labour price set other than 1 is set 2; the flag is 0 or 1.
      {Labour(1), ",1,式,0,0,1,0,1,1", "電工,0,人,1235,99,1,2,0,0",
       [] { SetRoumuTankaIni(1, 0, u"電工", u"人", 1234.6, 99.4, 1, 2, 0, 7); }},
      {Labour(0), ",1,式,0,0,1,0,1,1", "配管工,1,式,20000,0,0,-4,1,1",
       [] { SetRoumuTankaIni(5, 1, u"配管工", u"", 20000, 0, 3, -4, 1, 1); }},
      {Names<4>(GetZairyouCategoryIni), "電気|水道|空調|建築|", "電気工事|給排水|設備||",
       [&] { EXPECT_NE(SetZairyouCategoryIni(trades), 0); }},
      {Names<4>(GetBukakeCategoryIni), "歩掛1-1|歩掛1-2|歩掛1-3|歩掛1-4|", "h1|h2|h3|h4|",
       [&] { EXPECT_NE(SetBukakeCategoryIni(hands), 0); }},
      {Names<3>(GetGenkaCategoryIni), "原価1|原価2|原価3|", "原価1|原価2|原価3|",
       [] { EXPECT_EQ(SetGenkaCategoryIni(nullptr), 0); }},
      {Names<3>(GetTankaCategoryIni), "単価1|単価2|定価|", "A|B|C|",
       [&] { EXPECT_NE(SetTankaCategoryIni(prices), 0); }},
      {Names<3>(GetWarikakeCategoryIni), "割掛1|割掛2|割掛3|", "w1|w2|w3|",
       [&] { EXPECT_NE(SetWarikakeCategoryIni(shares), 0); }},
      {[] { return Join(GetHasuuDecModeIni(0), GetHasuuDecModeIni(1), GetHasuuPathIni(0), GetHasuuPathIni(3)); },
       "1,5,5,5", "7,5,7,6", [&] {
         SetHasuuDecModeIni(one);
         EXPECT_EQ(Stored(u"端数", u"工事項目合計"), u"2");
         EXPECT_EQ(SetHasuuPathIni(rounding), 3);
       }},
      // No password is stored as "???".
      {R<1>(GetPaswordIni), "???,0", "secret 1,0", [] {
         SetPaswordIni(1, u"");
         EXPECT_EQ(Stored(u"SYSTEM", u"ﾊﾟｽﾜｰﾄﾞ"), u"1,???");
         SetPaswordIni(0, u"secret 1");
       }},
      {R<1>(GetShoukeiIni), "小  計,0", "計1,1", [] { SetShoukeiIni(u"計1", 1); }},
      {R<1>(GetChuukeiIni), "中  計,0", "計2,2", [] { SetChuukeiIni(u"計2", 2); }},
      {R<1>(GetGoukeiIni), "合  計,0", "計3,3", [] { SetGoukeiIni(u"計3", 3); }},
      {R<1>(GetRuikeiIni), "累  計,0", "計4,4", [] { SetRuikeiIni(u"計4", 4); }},
      {R<1>(GetAreaShoukeiIni), "小  計,0", "計5,5", [] { SetAreaShoukeiIni(u"計5", 5); }},
      {[] { return Join(GetOdvanIni(1), GetOdvanIni(3), GetOdvanIni(4), GetOdvanVerIni()); }, ",,,0",
       "C:\\odv\\1.exe,C:\\odv\\3.exe,,0", [] {
         SetOdvanIni(u"C:\\odv\\1.exe", 1);
         SetOdvanIni(u"C:\\odv\\3.exe", 3);
       }},
      {R<5>(GetOdvanHistIni), "1,1,1,1,1,1", "1,1,1,1,1,1"},
      {[] { return Join(GetDocpathIni(1), GetDocpathIni(0), GetExcelIni()); },
       "\\Program Files\\Accessories\\,\\Program Files\\Windows NT\\Accessories\\,"
       "\\MSOffice\\Excel\\EXCEL.EXE",
       "\\Tools\\Editor\\,\\Tools\\Editor\\,\\MSOffice\\Excel\\EXCEL.EXE",
       [] { SetDocpathIni(u"C:\\Tools\\Editor\\edit.exe"); }},
      // Footer block 1 has the unnumbered section.
      {[] { return Join(GetFooterInfoIni(1), GetFooterInfoIni(2), GetFooterInfoIni(3)); }, ",,",
       "毎度ありがとうございます,,三番", [] {
         SetFooterInfoIni(u"毎度ありがとうございます", 1);
         SetFooterInfoIni(u"三番", 3);
         SetFooterInfoIni(u"零番", 0);
       }},
      // Field 6 of an attribute line chooses the face: 2 Gothic, 3 field 8.
      {R<7>(GetFooterInfoAttrIni), "ＭＳ 明朝,0,0,0,0,0,0,0", "ＭＳ ゴシック,12,0,1,0,0,2,0",
       [] { SetFooterInfoAttrIni(12, 0, 1, 0, 0, 2, 0, u""); }},
      {[] { return Join(GetJishaInfoIni(1, 1), GetJishaInfoIni(4, 2), GetJishaInfoIni(4, 1)); }, ",,",
       "株式会社テスト,電話 03-0000-0000,", [] {
         SetJishaInfoIni(1, u"株式会社テスト", 1);
         SetJishaInfoIni(4, u"電話 03-0000-0000", 2);
       }},
      {R<7>(GetJishaInfoAttrIni, 4), "ＭＳ 明朝,0,0,0,0,0,0,0", "ＭＳ ゴシック,9,8,7,6,5,2,3",
       [] { SetJishaInfoAttrIni(4, 9, 8, 7, 6, 5, 2, 3, u""); }},
      {R<7>(GetJishaInfoAttrIni, 1), "ＭＳ 明朝,0,0,0,0,0,0,0", "游明朝,0,0,0,0,0,3,0",
       [] { SetJishaInfoAttrIni(1, 0, 0, 0, 0, 0, 3, 0, u"游明朝"); }},
      {[] { return Join(GetPrnDrvIni(1, 0), GetPrnDrvIni(2, 0)); }, "(null),(null)",
       "(null),Laser,winspool,LPT1:", [] { SetPrnDrvIni(2, u"Laser,winspool,LPT1:"); }},
      {Merge(1, 0), "1,1", "1,1"},
      {Merge(3, 1), "1,1", "5,-6", [] { SetPrnMergeIni(3, 5, -6, 1); }},
      {Merge(3, 9), "1,1", "7,8", [] { SetPrnMergeIni(3, 7, 8, 2); }},
      {[] { return Join(GetStdPrnIni(-1), GetStdPrnIni(3), GetStdPrnIni(4)); }, "1,0,0", "3,1,0",
       [] { SetStdPrnIni(3, 1); }},
      // The whole-row flag is written as 1 or 0.
      {[] { return Join(GetHojoColorGyoIni()); }, "0", "0", [] {
         SetHojoColorGyoIni(1);
         EXPECT_EQ(Stored(u"ユーザー補助色", u"行全体"), u"1");
         SetHojoColorGyoIni(2);
       }},
  };
  // clang-format on
  for (const auto& row : rows) EXPECT_EQ(row.read(), row.before);
  EXPECT_FALSE(fs::exists(MainHost()));
  for (const auto& row : rows) (row.write ? row.write : [] {})();
  for (const auto& row : rows) EXPECT_EQ(row.read(), row.after);
  // Null pointers for the values are allowed.
  GetWindowPosIni(nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindowIni(nullptr, 2), 1);
  EXPECT_EQ(GetTaxIni(nullptr, nullptr, nullptr, nullptr), u"消費税");
  GetRoumuTankaIni(1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  GetGenkaCategoryIni(nullptr);
  GetPrnMergeIni(3, nullptr, nullptr, 1);
  SetHasuuDecModeIni(nullptr);
  EXPECT_EQ(Text(),
            "[SYSTEM]\r\n座標=10,-20,800,600,1\r\nﾊﾞｯｸｱｯﾌﾟINFO=D:,1,2,3,4\r\n初期ｸﾞﾙｰﾌﾟ=3,4\r\n"
            "電気=電気工事\r\n水道=給排水\r\n設備=設備\r\n建築=\r\n歩掛1-1=h1\r\n歩掛1-2=h2\r\n"
            "歩掛1-3=h3\r\n歩掛1-4=h4\r\n単価1=A\r\n単価2=B\r\n定価=C\r\n割掛1=w1\r\n割掛2=w2\r\n"
            "割掛3=w3\r\nﾊﾟｽﾜｰﾄﾞ=0,secret 1\r\nODVAN=C:\\odv\\1.exe\r\nODVAN3=C:\\odv\\3.exe\r\n"
            "DOCPATH=C:\\Tools\\Editor\\edit.exe\r\n[???]\r\nWIN2=20,400,10,300\r\n"
            "WIN-1=-6,-8,-5,-7\r\n[ﾃﾞｼﾞﾀｲｻﾞ]\r\n通信設定=1,2,3,4,19200,8,0,2\r\n[TAX]\r\n"
            "NAME=消費税\r\nRITU=10\r\nFORM=1\r\nDISP=2\r\nDISP2=3\r\nMODE=1,2,3,4,5,6,7\r\n"
            "[住所ｼｰﾙ]\r\n属性1=1,2,3,4,5\r\n属性2=6,7,8,9,10\r\n[労務費1]\r\n選択=0\r\n"
            "名称=電工\r\n単価=1235,99,1,2\r\n単位=人\r\n材料=0\r\n項目=0\r\n[労務費2]\r\n"
            "選択=1\r\n名称=配管工\r\n単価=20000,0,0,-4\r\n単位=\r\n材料=1\r\n項目=1\r\n[端数]\r\n"
            "工事項目合計=7\r\nｵﾌﾟｼｮﾝ=6\r\n[SHOUKEI]\r\nNAME=計1\r\nFORM=1\r\n[CHUUKEI]\r\n"
            "NAME=計2\r\nFORM=2\r\n[GOUKEI]\r\nNAME=計3\r\nFORM=3\r\n[RUIKEI]\r\nNAME=計4\r\n"
            "FORM=4\r\n[AREASHOUKEI]\r\nNAME=計5\r\nFORM=5\r\n[ﾌｯﾀｰ情報]\r\n"
            "1=毎度ありがとうございます\r\n属性=12,0,1,0,0,2,0,\r\n[ﾌｯﾀｰ情報3]\r\n1=三番\r\n"
            "[ﾌｯﾀｰ情報0]\r\n1=零番\r\n[自社情報]\r\n1=株式会社テスト\r\n属性4=9,8,7,6,5,2,3,\r\n"
            "属性1=0,0,0,0,0,3,0,游明朝\r\n[自社情報2]\r\n4=電話 03-0000-0000\r\n[PRINTER2]\r\n"
            "DRV=Laser,winspool,LPT1:\r\n[PRINTER3]\r\nMERGETATEX=5\r\nMERGETATEY=-6\r\n"
            "MERGEYOKOX=7\r\nMERGEYOKOY=8\r\nSTDPRN=1\r\n[ユーザー補助色]\r\n行全体=0\r\n");
}

// Stored records the setters would not write: shorter, longer, with fields
// past their maximum (read as their first characters), with text for numbers;
// and the sheet colour slots. The keys stay stored for the rows after them;
// rows without an expected value only store.
TEST_F(RecordsTest, OddStoredRecords) {
  const Reader pos = R<5>(GetWindowPosIni), anime = R<7>(GetAnimeInfoIni),
               taxMode = R<7>(GetTaxModeIni), label = R<5>(GetAdressSheetAttrIni, 1),
               group = R<2>(GetInitLayoutGroupIni), labour = Labour(1),
               hist = R<5>(GetOdvanHistIni), footer = R<7>(GetFooterInfoAttrIni),
               doc = [] { return Join(GetDocpathIni(1)); },
               flag = [] { return Join(GetHojoColorGyoIni()); },
               std = [] { return Join(GetStdPrnIni(-1), GetStdPrnIni(2)); }, sheet = Sheet,
               advance = [] { return (GetUserColorMst(nullptr), Rgb(GetUserColor(7, 1))); },
               aid = [] {
                 GetUserColorMst(nullptr);
                 return Join(Rgb(GetUserHojoColor(123, 0)), Rgb(GetUserHojoColor(123, 1)),
                             Rgb(GetUserHojoColor(123, 2)));
               };
  std::u16string taxWide;  // seven fields of 32 characters
  for (int i = 0; i < 7; ++i) taxWide += (i ? u"," : u"") + std::u16string(30, u'0') + u"12";
  // clang-format off
  const Read rows[] = {
      // The last field runs to the end of the line; an empty field ends the
      // record; the default record fills the rest.
      {u"SYSTEM", u"座標", u"5,6", pos, "5,6,1024,768,3"},
      {u"SYSTEM", u"座標", u"1,,3,4,5", pos, "1,0,1024,768,3"},
      {u"SYSTEM", u"座標", u"", pos, "0,0,1024,768,3"},
      {u"SYSTEM", u"座標", u"000000000000000012,2,3,4,5,6", pos, "0,2,3,4,5"},
      // Window rectangles: top, bottom, left, right; members not reached are 0.
      {u"???", u"WIN6", u"", Window(6), "0,-1,-1,-1,-1"},
      {u"???", u"WIN7", u"7,8", Window(7), "1,0,7,0,8"},
      {u"ANIME", u"MODE", u"2,90", anime, "2,90,20,20,45,500,20"},
      {u"ANIME", u"MODE", u"1,2,3,4,5,6,7,8", anime, "1,2,3,4,5,6,7"},
      {u"ANIME", u"MODE", u"x,y", anime, "0,0,20,20,45,500,20"},
      // The backup record is cut to 31 characters before it is read.
      {u"SYSTEM", u"ﾊﾞｯｸｱｯﾌﾟINFO", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ,1,2,3,4", R<4>(GetBackupInfoIni),
       "ABCDEFGHIJKLMNOPQRSTUVWXYZ,1,2,14,0"},
      // Digitizer fields 1 to 3 hold 11 characters, 4 to 8 hold 7.
      {u"ﾃﾞｼﾞﾀｲｻﾞ", u"通信設定", u"000000000001,2,3,00000001234,115200", R<8>(GetDegitizerComIni),
       "0,0,2,3,0,115200,7,2,0"},
      // Tax mode field 5 knows 0 to 2.
      {u"TAX", u"MODE", u"0,0,0,0,7,1,1", taxMode, "1,0,0,0,0,0,1,1"},
      {u"TAX", u"MODE", u"0,0,0,0,-1,1,1", taxMode, "1,0,0,0,0,-1,1,1"},
      {u"TAX", u"MODE", u"9", taxMode, "1,9,0,0,0,0,1,1"},
      {u"TAX", u"MODE", taxWide.c_str(), taxMode, "1,1,1,1,1,1,1,1"},  // each field holds 31 characters
      // Integers scanned up to the first that is not one; the rest keep the
      // caller's values; the group record is read with 11 characters.
      {u"住所ｼｰﾙ", u"属性1", u"7,8", label, "2,7,8,-1,-1,-1"},
      {u"住所ｼｰﾙ", u"属性1", u"9,x,3", label, "1,9,-1,-1,-1,-1"},
      {u"住所ｼｰﾙ", u"属性1", u"", label, "0,-1,-1,-1,-1,-1"},
      {u"SYSTEM", u"初期ｸﾞﾙｰﾌﾟ", u"123456,654321", group, "2,123456,6543"},
      {u"SYSTEM", u"初期ｸﾞﾙｰﾌﾟ", u"5", group, "1,5,-1"},
      // The labour flag is 1 only when its field reads as exactly 1.
      {u"労務費1", u"単価", u"0,0,1.0,0", labour, ",1,式,0,0,1,0,1,1"},
      {u"労務費1", u"単価", u"0,0,1.5,0", labour, ",1,式,0,0,0,0,1,1"},
      {u"労務費1", u"単価", u"0,0,01,0", labour, ",1,式,0,0,1,0,1,1"},
      {u"労務費1", u"単価", u"0,0,2,0", labour, ",1,式,0,0,0,0,1,1"},
      {u"労務費1", u"単価", u"0,0", labour, ",1,式,0,0,1,0,1,1"},
      {u"労務費1", u"単価", u"12.5,7", labour, ",1,式,12.5,7,1,0,1,1"},
      // Rounding kinds 1 and 2 have keys of their own, the others 工事項目.
      {u"端数", u"労務費", u"2", [] { return Join(GetHasuuDecModeIni(1)); }, "2"},
      {u"端数", u"掛率指定経費", u"3", [] { return Join(GetHasuuDecModeIni(2)); }, "3"},
      {u"端数", u"工事項目", u"4", [] { return Join(GetHasuuDecModeIni(-1), GetHasuuPathIni(1)); },
       "4,4"},
      {u"SYSTEM", u"ﾊﾟｽﾜｰﾄﾞ", u"1", [] { return Join(GetPaswordIni(nullptr)); }, "???"},
      {u"SYSTEM", u"ODVAN_VER", u"12", [] { return Join(GetOdvanVerIni()); }, "12"},
      {u"HISTORY", u"ODVAN", u"0,2,3", hist, "1,0,2,3,1,1"},
      {u"HISTORY", u"ODVAN", u"000000000091,000000000091,000000000091,000000000091,000000000091", hist,
       "9,9,9,9,9,9"},  // each field holds 11 characters
      // The document folder is the program path without drive and name.
      {u"SYSTEM", u"DOCPATH", u"edit.exe", doc, "\\"},
      {u"SYSTEM", u"DOCPATH", u"C:\\edit.exe", doc, "\\"},
      {u"SYSTEM", u"DOCPATH", u"C:edit.exe", doc, "\\"},
      {u"SYSTEM", u"DOCPATH", u"D:\\Tools\\\\edit.exe", doc, "\\Tools\\"},
      {u"SYSTEM", u"DOCPATH", u"\\Tools\\Editor\\", doc, "\\Tools\\Editor\\"},
      {u"SYSTEM", u"DOCPATH", u"C:/Tools/edit.exe", doc, "/Tools\\"},
      {u"???", u"EXCEL", u"C:\\Office\\EXCEL.EXE", [] { return Join(GetExcelIni()); },
       "C:\\Office\\EXCEL.EXE"},
      // Attribute field 6 chooses the face (3: field 8; out of range: none);
      // missing fields read as 0, a missing field 8 as empty; a ninth is ignored.
      {u"ﾌｯﾀｰ情報", u"属性", u"10,0,0,0,0,3,0,Meiryo", footer, "Meiryo,10,0,0,0,0,3,0"},
      {u"ﾌｯﾀｰ情報", u"属性", u"10,0,0,0,0,5,0,Meiryo", footer, ",10,0,0,0,0,5,0"},
      {u"ﾌｯﾀｰ情報", u"属性", u"10,0,0,0,0,-1,0,Meiryo", footer, ",10,0,0,0,0,-1,0"},
      {u"ﾌｯﾀｰ情報", u"属性", u"0,0,0,0,0,1", footer, "ＭＳ 明朝,0,0,0,0,0,1,0"},
      {u"ﾌｯﾀｰ情報", u"属性", u"4,5,,x", footer, "ＭＳ 明朝,4,5,0,0,0,0,0"},
      {u"ﾌｯﾀｰ情報", u"属性", u"1,1,1,1,1,3,1", footer, ",1,1,1,1,1,3,1"},
      {u"ﾌｯﾀｰ情報", u"属性", u"1,1,1,1,1,3,1,Face,Extra", footer, "Face,1,1,1,1,1,3,1"},
      // The whole-row flag: 1 for any number but 0, read with 19 characters.
      {u"ユーザー補助色", u"行全体", u"1", flag, "1"},
      {u"ユーザー補助色", u"行全体", u"7", flag, "1"},
      {u"ユーザー補助色", u"行全体", u"a", flag, "0"},
      {u"ユーザー補助色", u"行全体", u"000000000000000000001", flag, "0"},
      // The standard printer is the first of 1 to 10 whose flag starts with
      // "1" (none: printer 1); a printer's own flag reads as a number.
      {u"PRINTER2", u"STDPRN", u"1x", std, "2,1"},
      {u"PRINTER2", u"STDPRN", u"21", std, "1,21"},
      {u"PRINTER11", u"STDPRN", u"1", std, "1,21"},
      {u"PRINTER10", u"STDPRN", u"10", std, "10,21"},
      // Screen colours are "r,g,b", each part holding 15 characters and
      // keeping its low 8 bits; colour 7 is unset, indexes outside 2 to 10
      // are colour 1; reloading starts from black.
      {u"COLOR", u"タイトル１", u"255,128,0", Screen(1), "0080FF"},
      {u"COLOR", u"ナンバー", u"300,0,0", Screen(2), "00002C"},
      {u"COLOR", u"カーソル", u"1,2,3", Screen(3), "030201"},
      {u"COLOR", u"複写", u"", Screen(4), "000000"},
      {u"COLOR", u"合計１", u"10,20", Screen(5), "00140A"},
      {u"COLOR", u"合計２", u"-1,0,256", Screen(6), "0000FF"},
      {u"COLOR", u"材料タイトル２", u"0,0,255", Screen(10), "FF0000"},
      {u"COLOR", u"経費ナンバー", nullptr, Screen(7), "000000"},
      {u"COLOR", u"タイトル１", u"255,128,0", Screen(0), "0080FF"},
      {u"COLOR", u"タイトル１", u"255,128,0", Screen(11), "0080FF"},
      {u"COLOR", u"タイトル１", u"", Screen(1), "000000"},
      {u"COLOR", u"ナンバー", u"000000000000000001,5,5", Screen(2), "050500"},
      // Sheet colours: defaults, then switched on; an unknown number is red,
      // an empty key keeps the default. Slot 7 (advance payment) in mode 1
      // with colours on and slot 8 (user aid) with colours off: number 1 and
      // unknown numbers are red.
      {u"USERCOLOR", u"カラー", nullptr, sheet, "000000,000000,000000,000000,000000,000000,7,0,7,7,80FFFF,000000"},
      {u"USERCOLOR", u"シート合計", u"3"}, {u"USERCOLOR", u"シート小計", u"9"}, {u"USERCOLOR", u"シート枠", u""},
      {u"USERCOLOR", u"カラー", u"1", sheet, "FF0000,FF0000,0000FF,000000,0000FF,0000FF,3,1,9,9,80FFFF,80FFFF"},
      {u"USERCOLOR", u"シート前金", u"1", advance, "0000FF"},
      {u"USERCOLOR", u"シート前金", u"0", advance, "0000FF"},
      {u"USERCOLOR", u"シート前金", u"7", advance, "000000"},
      {u"USERCOLOR", u"シート前金", u"8", advance, "FFFFFF"},
      {u"USERCOLOR", u"カラー", u"0"},
      {u"USERCOLOR", u"シートユーザー補助", u"3", aid, "E8A200,000000,E8A200"},
      {u"USERCOLOR", u"シートユーザー補助", u"7", aid, "A2A2A2,000000,A2A2A2"},
      {u"USERCOLOR", u"シートユーザー補助", u"0", aid, "0000FF,000000,0000FF"},
      {u"USERCOLOR", u"シートユーザー補助", u"9", aid, "0000FF,000000,0000FF"},
  };
  // clang-format on
  for (const Read& row : rows) {
    SCOPED_TRACE(CString(row.stored ? row.stored : u"(none)").ToUtf8());
    Store(row.section, row.key, row.stored);
    EXPECT_EQ(row.read ? row.read() : "", row.expected ? row.expected : "");
  }
  // An attribute line longer than its 199-character read buffer cuts the face.
  const std::u16string face(250, u'F');
  SetFooterInfoAttrIni(1, 2, 3, 4, 5, 3, 7, CString(face));
  EXPECT_EQ(GetFooterInfoAttrIni(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            CString(face.substr(0, 199 - std::u16string_view(u"1,2,3,4,5,3,7,").size())));
}

// Print settings on a file the caller names; colour numbers, and the sheet
// colour slots written without reloading the loaded table; the fax driver
// from the user profile's devices.
TEST_F(RecordsTest, PrintSettingsElsewhereSheetColourSlotsAndTheFaxDriver) {
  const CString other = Win(dir() / "other.ini");
  _SetFooterInfoIni(u"別ファイル", 1, other);
  _SetFooterInfoAttrIni(1, 2, 3, 4, 5, 3, 7, u"Face", other);
  _SetJishaInfoIni(2, u"自社", 3, other);
  _SetJishaInfoAttrIni(2, 0, 0, 0, 0, 0, 2, 0, u"", other);
  EXPECT_FALSE(fs::exists(MainHost()));
  EXPECT_EQ(Text(dir() / "other.ini"),
            "[ﾌｯﾀｰ情報]\r\n1=別ファイル\r\n属性=1,2,3,4,5,3,7,Face\r\n"
            "[自社情報3]\r\n2=自社\r\n[自社情報]\r\n属性2=0,0,0,0,0,2,0,\r\n");
  EXPECT_EQ(_GetFooterInfoIni(1, other), u"別ファイル");
  EXPECT_EQ(Call<7>([&](int* a, int* b, int* c, int* d, int* e, int* f, int* g) {
              return _GetFooterInfoAttrIni(a, b, c, d, e, f, g, other);
            }),
            "Face,1,2,3,4,5,3,7");
  EXPECT_EQ(_GetJishaInfoIni(2, 3, other), u"自社");
  const std::pair<CString, std::string> faces[] = {{other, "ＭＳ ゴシック"},
                                                   {Win(dir() / "none.ini"), "ＭＳ 明朝"}};
  for (const auto& [file, face] : faces) {
    EXPECT_EQ(Call<7>([&](int* a, int* b, int* c, int* d, int* e, int* f, int* g) {
                return _GetJishaInfoAttrIni(2, a, b, c, d, e, f, g, file);
              }).substr(0, face.size()),
              face);
  }
  EXPECT_FALSE(fs::exists(MainHost()));
  EXPECT_EQ(Join(Rgb(ColorCodeToRGB(1)), Rgb(ColorCodeToRGB(8)), Rgb(ColorCodeToRGB(7)),
                 Rgb(ColorCodeToRGB(9)), Rgb(ColorCodeToRGB(0)), Rgb(ColorCodeToRGB(-1))),
            "0000FF,FFFFFF,000000,000000,000000,000000");
  std::array<int, 9> slots;
  GetUserColorMst(slots.data());
  EXPECT_EQ(Join(slots), "0,7,7,7,7,7,7,7,4");
  const int set[9] = {1, 2, 3, 4, 5, 6, 8, 1, 6};
  SetUserColorMst(set);
  EXPECT_EQ(GetUserColorId(2), 7);
  EXPECT_EQ(Text(),
            "[USERCOLOR]\r\nカラー=1\r\nシート小計=2\r\nシート値引=3\r\nシート消費税=4\r\n"
            "シート合計=5\r\nシート枠=6\r\nシート支持材=8\r\nシート前金=1\r\n"
            "シートユーザー補助=6\r\n");
  GetUserColorMst(slots.data());
  EXPECT_EQ(Join(slots, GetUserColorId(2), GetUserColorId(6), Rgb(GetUserColor(6, 1))),
            "1,2,3,4,5,6,8,1,6,3,8,FFFFFF");
  SetUserColorMst(nullptr);
  GetUserColorMst(nullptr);
  const auto profile = dir() / "win.ini";
  cmdtest::WriteBytes(
      profile,
      cmdtest::Utf16le(
          u"[devices]\r\nLaser=winspool,Ne00:\r\nMicrosoft FA=winspool,Ne01:\r\n"
          u"microsoft fax lower=winspool,Ne02:\r\n"
          u"Microsoft FAX Printer=winspool,Ne03:,extra\r\nMicrosoft FAX 2=winspool,Ne04:\r\n"));
  cmd::profile::SetUserProfileFile(Win(profile).str());
  EXPECT_EQ(GetPrnDrvIni(1, 1), u"Microsoft FAX Printer,winspool,Ne03:");
  EXPECT_EQ(GetPrnDrvIni(99, 2), u"Microsoft FAX Printer,winspool,Ne03:");
  EXPECT_EQ(GetPrnDrvIni(1, 0), u"(null)");
  // The entry's value is read with 63 characters; a value without a port
  // gives an empty one.
  cmdtest::WriteBytes(profile, cmdtest::Utf16le(u"[devices]\r\nMicrosoft FAX=" +
                                                std::u16string(70, u'd') + u"\r\n"));
  EXPECT_EQ(GetPrnDrvIni(1, 1), CString(u"Microsoft FAX," + std::u16string(63, u'd') + u","));
  // Without a user profile there is no fax device: empty.
  cmd::profile::SetUserProfileFile(u"");
  Store(u"PRINTER1", u"DRV", u"Laser");
  EXPECT_EQ(GetPrnDrvIni(1, 1), u"");
  EXPECT_EQ(GetPrnDrvIni(7, -1), u"");
}
