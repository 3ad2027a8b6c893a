// Screen and sheet colours: loading the tables from the settings file and
// answering colour queries from them.
#include <array>

#include "settings_fixture.h"

using settingstest::SettingsTest;

using ColorsTest = SettingsTest;

TEST_F(ColorsTest, ColourNumbersSevenAndUnknownAreBlack) {
  const std::pair<int, COLORREF> codes[] = {{1, 0x0000FF}, {8, 0xFFFFFF}, {7, 0}, {9, 0}, {0, 0}, {-1, 0}};
  for (const auto& [code, colour] : codes) EXPECT_EQ(ColorCodeToRGB(code), colour) << code;
}

TEST_F(ColorsTest, ScreenColoursFromRgbTriples) {
  Store(u"COLOR", u"タイトル１", u"255,128,0");
  Store(u"COLOR", u"ナンバー", u"300,0,0");
  Store(u"COLOR", u"カーソル", u"1,2,3");
  Store(u"COLOR", u"複写", u"");
  Store(u"COLOR", u"合計１", u"10,20");
  Store(u"COLOR", u"合計２", u"-1,0,256");
  Store(u"COLOR", u"材料タイトル２", u"0,0,255");
  GetColorMst();
  EXPECT_EQ(MyGetColor(1), 0x0080FFu);
  EXPECT_EQ(MyGetColor(2), 0x00002Cu);  // 300 keeps its low 8 bits: 44
  EXPECT_EQ(MyGetColor(3), 0x030201u);
  EXPECT_EQ(MyGetColor(4), 0u);
  EXPECT_EQ(MyGetColor(5), 0x00140Au);
  EXPECT_EQ(MyGetColor(6), 0x0000FFu);
  EXPECT_EQ(MyGetColor(7), 0u);
  EXPECT_EQ(MyGetColor(10), 0xFF0000u);
  // Any index outside 2 to 10 is title 1.
  EXPECT_EQ(MyGetColor(0), 0x0080FFu);
  EXPECT_EQ(MyGetColor(11), 0x0080FFu);

  // Reloading starts from black.
  Store(u"COLOR", u"タイトル１", u"");
  Store(u"COLOR", u"ナンバー", u"000000000000000001,5,5");
  GetColorMst();
  EXPECT_EQ(MyGetColor(1), 0u);
  EXPECT_EQ(MyGetColor(2), 0x050500u);  // each part holds at most 15 characters
}

TEST_F(ColorsTest, SheetColourDefaults) {
  int slots[9];
  GetUserColorMst(slots);
  EXPECT_EQ((std::array{slots[0], slots[1], slots[2], slots[3], slots[4], slots[5], slots[6],
                        slots[7], slots[8]}),
            (std::array{0, 7, 7, 7, 7, 7, 7, 7, 4}));
  EXPECT_EQ(GetUserColor(4, 0), 0u);
  EXPECT_EQ(GetUserColor(4, 1), 0u);
  EXPECT_EQ(GetUserHojoColor(0, 0), 0x80FFFFu);
  EXPECT_EQ(GetUserHojoColor(0, 1), 0u);
  EXPECT_EQ(GetUserColorId(4), 7);
  EXPECT_EQ(GetUserColorId(0), 0);
  GetUserColorMst(nullptr);
}

TEST_F(ColorsTest, SheetColoursSwitchedOn) {
  Store(u"USERCOLOR", u"カラー", u"1");
  Store(u"USERCOLOR", u"シート合計", u"3");
  Store(u"USERCOLOR", u"シート小計", u"9");
  Store(u"USERCOLOR", u"シート枠", u"");
  GetUserColorMst(nullptr);
  EXPECT_EQ(GetUserColor(4, 1), 0xFF0000u);
  EXPECT_EQ(GetUserColorId(4), 3);
  EXPECT_EQ(GetUserColorId(0), 1);
  // A slot holding an unknown number is red; an empty key keeps the default.
  EXPECT_EQ(GetUserColor(1, 1), 0x0000FFu);
  EXPECT_EQ(GetUserColor(5, 1), 0u);
  // Items outside 2 to 8 use the subtotal slot.
  EXPECT_EQ(GetUserColor(0, 0), 0x0000FFu);
  EXPECT_EQ(GetUserColor(9, 1), 0x0000FFu);
  EXPECT_EQ(GetUserColorId(9), 9);
  EXPECT_EQ(GetUserColorId(-3), 9);
}

TEST_F(ColorsTest, SheetNumberOneAndUnknownNumbersAreRed) {
  // Slot 7 (advance payment) under mode 1 with colours on; slot 8 (user aid)
  // with colours off.
  const std::pair<int, COLORREF> sheet[] = {{1, 0x0000FF}, {0, 0x0000FF}, {7, 0}, {8, 0xFFFFFF}};
  for (const auto& [number, colour] : sheet) {
    const int slots[9] = {1, 7, 7, 7, 7, 7, 7, number, 4};
    SetUserColorMst(slots);
    GetUserColorMst(nullptr);
    EXPECT_EQ(GetUserColor(7, 1), colour) << number;
  }
  const std::pair<int, COLORREF> aid[] = {{3, 0xE8A200}, {7, 0xA2A2A2}, {0, 0x0000FF}, {9, 0x0000FF}};
  for (const auto& [number, colour] : aid) {
    const int slots[9] = {0, 7, 7, 7, 7, 7, 7, 7, number};
    SetUserColorMst(slots);
    GetUserColorMst(nullptr);
    EXPECT_EQ(GetUserHojoColor(123, 0), colour) << number;
    EXPECT_EQ(GetUserHojoColor(123, 1), 0u) << number;  // colours off
    EXPECT_EQ(GetUserHojoColor(123, 2), colour) << number;
  }
}

TEST_F(ColorsTest, SettingSlotsWritesWithoutReloading) {
  GetUserColorMst(nullptr);
  const int slots[9] = {1, 2, 3, 4, 5, 6, 8, 1, 6};
  SetUserColorMst(slots);
  const char16_t* keys[] = {u"カラー",   u"シート小計",   u"シート値引",
                            u"シート消費税", u"シート合計", u"シート枠",
                            u"シート支持材", u"シート前金", u"シートユーザー補助"};
  for (int i = 0; i < 9; ++i) {
    CString text;
    text.Format(u"%d", slots[i]);
    EXPECT_EQ(Stored(u"USERCOLOR", keys[i]), text) << i;
  }
  EXPECT_EQ(GetUserColorId(2), 7);  // the loaded table still has colours off
  int back[9];
  GetUserColorMst(back);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(back[i], slots[i]) << i;
  EXPECT_EQ(GetUserColorId(2), 3);
  EXPECT_EQ(GetUserColorId(6), 8);
  EXPECT_EQ(GetUserColor(6, 1), 0xFFFFFFu);
  SetUserColorMst(nullptr);
}

TEST_F(ColorsTest, WholeRowFlag) {
  EXPECT_EQ(GetHojoColorGyoIni(), 0);
  SetHojoColorGyoIni(1);
  EXPECT_EQ(Stored(u"ユーザー補助色", u"行全体"), u"1");
  SetHojoColorGyoIni(2);
  EXPECT_EQ(Stored(u"ユーザー補助色", u"行全体"), u"0");
  // At most 19 characters are read: twenty zeros and a 1 read as 0.
  const std::pair<const char16_t*, int> stored[] = {
      {u"1", 1}, {u"7", 1}, {u"a", 0}, {u"000000000000000000001", 0}};
  for (const auto& [text, flag] : stored) {
    Store(u"ユーザー補助色", u"行全体", text);
    EXPECT_EQ(GetHojoColorGyoIni(), flag) << CString(text).ToUtf8();
  }
}
