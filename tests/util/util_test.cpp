// Money, number and date texts, the calculator, half-width conversion,
// code page 932 texts, trimming, tokens and the splitters: tables of text in
// and exact text out, trailing spaces included (they keep a column's digits
// aligned). Buffers are exactly as large as the documented contract, so the
// address sanitizer sees any write past them. Then the keyboard,
// input-method and menu helpers over the headless window model, and the
// rectangle conversions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <ctime>
#include <initializer_list>
#include <limits>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "support/test_support.h"

// CString values print as UTF-8 in quotes so that trailing spaces show.
void PrintTo(const CString& s, std::ostream* os) { *os << '"' << s.ToUtf8() << '"'; }

namespace {

std::string Show(const char16_t* text) { return text ? CString(text).ToUtf8() : "(null)"; }

template <class Out>
struct Case { const char16_t* in; Out out; };

// Checks fn(in) == out for every row; the row shows in a failure.
template <class Out, class Fn>
void ExpectAll(const char* name, Fn fn, std::initializer_list<Case<Out>> cases) {
  for (const Case<Out>& c : cases) EXPECT_EQ(fn(c.in), c.out) << name << "(" << Show(c.in) << ")";
}
template <class Fn>
void ExpectTexts(const char* name, Fn fn, std::initializer_list<Case<const char16_t*>> cases) {
  for (const auto& c : cases)
    EXPECT_EQ(fn(c.in), CString(c.out)) << name << "(" << Show(c.in) << ")";
}

// The fields after a call, joined by "|"; untouched ones still read "#".
std::string Joined(const CString* fields, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += (i ? "|" : "") + fields[i].ToUtf8();
  return s;
}

using Seen = std::vector<std::string>;

// Windows numbered from 1 whose procedures record what they receive as
// "window:message:wParam", in order.
class InputTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetKeyStateHook({});
    cmd::ui::SetTrackPopupMenuHook({});
    Drain(nullptr);
    for (HWND w : windows_) DestroyWindow(w);
  }
  HWND Window(const char16_t* cls, HWND parent = nullptr, int id = 0) {
    auto proc = [this, n = ++count_](HWND h, UINT m, WPARAM wp, LPARAM lp) {
      if (m != WM_CREATE && m != WM_DESTROY) seen_.push_back(Msg(n, m, wp));
      return DefWindowProcW(h, m, wp, lp);
    };
    HWND w = cmd::ui::CreateTestWindow(cls, u"", parent, id, proc);
    if (!parent) windows_.push_back(w);
    return w;
  }
  // Handles messages until none is left; how many there were.
  static int Drain(HWND dialog) {
    int n = 0;
    while (DoEvent(dialog)) ++n;
    return n;
  }
  static std::string Msg(int window, UINT message, WPARAM wParam) {
    return std::to_string(window) + ":" + std::to_string(message) + ":" + std::to_string(wParam);
  }

  std::vector<HWND> windows_;
  Seen seen_;
  int count_ = 0;
};

}  // namespace

// Column texts from number texts and from numbers: thousands grouped, the
// fraction's trailing zeros blanked so that the digits stay aligned.
TEST(MoneyText, ColumnTextsFromTextsAndNumbers) {
  ExpectTexts("KanmaFormat_2", KanmaFormat_2, {
      {u"1234567", u"1,234,567"}, {u"\\1234567.50", u"\\1,234,567.5 "}, {u"-1234.5", u"-1,234.5"},
      {u"1000", u"1,000"}, {u"999999", u"999,999"}, {u"-999", u"-999"}, {u"-.5", u"-0.5"},
      {u"-", u"-0"}, {u"007", u"7"}, {u"1000000000000000000000", u"1,000,000,000,000,000,000,000"},
      // An integer part that is not a number: a "," ends it, e and full-width digits are no digits.
      {u"abc.25", u".25"}, {u"  ", u""}, {u"", u""}, {nullptr, u""}, {u"\\", u"\\"},
      {u"1.2e3", u"1.2e3"}, {u"1,234", u"1"}, {u"１２", u""},
      // Trailing zeros of the fraction become spaces; one digit and six or more stay.
      {u"0.05", u"0.05"}, {u"12.0500", u"12.05  "}, {u"0.10", u"0.1 "}, {u"1.50000", u"1.5    "},
      {u"5.5", u"5.5"}, {u"1.500000", u"1.500000"},
      // The space counts of an all-zero fraction.
      {u"5.", u"5"}, {u"5.0", u"5  "}, {u"1234.00", u"1,234   "}, {u"5.000", u"5    "},
      {u"5.0000", u"5     "}, {u"5.00000", u"5  "}, {u"5.000000", u"5  "}, {u"\\5.00", u"\\5   "},
      {u"5.ab", u"5   "},
  });
  // Beyond 31 characters, as text or once grouped, there is nothing.
  const std::u16string ones32(32, u'1'), ones31(31, u'1');
  const std::u16string fraction = u"0." + std::u16string(29, u'5');
  ExpectTexts("KanmaFormat_2", KanmaFormat_2,
              {{ones32.c_str(), u""}, {ones31.c_str(), u""}, {fraction.c_str(), fraction.c_str()}});
  ExpectTexts("KanmaFormat_2_1", KanmaFormat_2_1, {{u"1234.50", u"1234.5 "}, {u"abc.00", u"abc   "},
                                                   {u"\\12345", u"\\12345"}, {u"1,2.3", u"1,2.3"}});

  // Numbers at 1 to 3 decimals, others at none. Exact ties round away from
  // zero, as the Windows runtime does; 2.675 is below its tie.
  const struct { double value; int decimals; const char16_t* out; } numbers[] = {
      {1234.5, 2, u"1,234.5 "}, {1234567.891, 3, u"1,234,567.891"}, {0.5, 1, u"0.5"},
      {1234.567, 7, u"1,235"}, {-1234.4, 0, u"-1,234"}, {1e300, 0, u""}, {2.5, 0, u"3"},
      {-2.5, 0, u"-3"}, {0.125, 2, u"0.13"}, {2.675, 2, u"2.67"},
  };
  for (const auto& c : numbers)
    EXPECT_EQ(KanmaFormat_1(c.value, c.decimals), CString(c.out)) << c.value << " " << c.decimals;
  EXPECT_EQ(KanmaFormat_3(1234.5, 1), u"1234.5");

  const struct { LONGLONG value; int group; const char16_t* out; } grouped[] = {
      {1234567, 3, u"1,234,567"}, {-123, 3, u"-123"}, {-1234, 3, u"-1,234"}, {-12, 1, u"-1,2"},
      {LLONG_MIN, 3, u"-9,223,372,036,854,775,808"}, {123456, 4, u"12,3456"}, {12345, 5, u"12345"},
      {12345, 0, u"12345"},
  };
  for (const auto& c : grouped)
    EXPECT_EQ(GetMoneyStrFromLong(c.value, c.group), CString(c.out)) << c.value << " " << c.group;
}

TEST(MoneyText, CutsRoundingAndClassifiers) {
  ExpectTexts("CutKanma", [](const char16_t* s) { return CutKanma(s); },
              {{u"1,234,567", u"1234567"}, {u"", u""}});
  // The last character goes, quote or not; a text of 100 or more gives nothing.
  const std::u16string a99(99, u'a'), a100(100, u'a'), b97(97, u'b'), quoted = u"\"" + b97 + u"\"";
  ExpectTexts("CutDblKanma", [](const char16_t* s) { return CutDblKanma(s); },
              {{u"", u""}, {u"\"abc\"", u"abc"}, {u"\"ab", u"a"}, {u"\"", u"\""}, {u"x\"", u"x\""},
               {a99.c_str(), a99.c_str()}, {a100.c_str(), u""}, {quoted.c_str(), b97.c_str()}});
  const std::u16string long32(32, u'1'), longInteger = long32 + u".5",
                       longFraction = u"1." + std::u16string(32, u'5');
  ExpectTexts("TrimRightZero", TrimRightZero,
              {{u"5.000", u"5"}, {u"5.", u"5"}, {u"5.010", u"5.01"}, {u"500", u"500"},
               {u"1.2.30", u"1.2.3"}, {u"", u""}, {nullptr, u""}, {longInteger.c_str(), u""},
               {longFraction.c_str(), u""}, {long32.c_str(), long32.c_str()}});
  ExpectTexts("getCutBack0", [](const char16_t* s) { return getCutBack0(s); },
              {{u"100", u"1"}, {u"2.500", u"2.5"}, {u"3.00", u"3"}, {u"000", u"0"}, {u"", u""},
               {u"12", u"12"}, {u".", u""}});

  // CutIfDecimalZero changes the buffer in place and returns it; only
  // `decimals` characters (at least one) are examined.
  const struct { const char16_t* in; int decimals; const char16_t* out; } cuts[] = {
      {u"12.500", 3, u"12.5"}, {u"12.000", 3, u"12"}, {u"1000", 0, u"100"}, {u"10.00", 1, u"10"},
      {u"1000", 10, u"1"}, {u"0.0", 5, u"0"}, {u"5.", 2, u"5"}, {u"", 3, u""}, {u"500", -4, u"500"},
      {u"500", INT_MIN, u"500"}, {u"500", INT_MAX, u"5"},
  };
  for (const auto& c : cuts) {
    char16_t buffer[32] = {};
    std::char_traits<char16_t>::copy(buffer, c.in, std::char_traits<char16_t>::length(c.in));
    EXPECT_EQ(CutIfDecimalZero(buffer, c.decimals), CString(c.out)) << Show(c.in);
    EXPECT_EQ(std::u16string(buffer), c.out) << Show(c.in);
  }
  EXPECT_EQ(CutIfDecimalZero(nullptr, 2), u"");

  const std::pair<double, LONG> longs[] = {
      {2147483646.0, 0}, {std::nextafter(2147483646.0, 0.0), 2147483645},
      {-2147483647.0, -2147483647}, {-2147483647.5, 0}, {1.9, 1}, {-1.9, -1}, {0.0, 0},
      {4.9e-324, 0}, {std::nan(""), 0}, {INFINITY, 0}, {-INFINITY, 0},
  };
  for (auto [value, expected] : longs) EXPECT_EQ(getLongFromDouble(value), expected) << value;
  // roundKin adds 0.99 in single precision (16777215.99 is no float: 16777216),
  // then keeps the low 32 bits of the 64-bit result.
  const std::pair<float, LONG> rounded[] = {
      {10.0f, 10}, {10.01f, 11}, {10.5f, 11}, {-10.5f, -9}, {0.0f, 0}, {0.01f, 1}, {-0.99f, 0},
      {16777215.0f, 16777216}, {5e9f, 705032704}, {1e20f, 0}, {std::nanf(""), 0}, {INFINITY, 0},
  };
  for (auto [value, expected] : rounded) EXPECT_EQ(roundKin(value), expected) << value;

  ExpectAll<int>("IsAllNumber", IsAllNumber,
      {{u"", 1}, {nullptr, 1}, {u"\\1,234 -", 1}, {u"12.5", 0}, {u"１", 0}, {u"+1", 0}});
  // The digits before the last point index the table {2, 3, 3, 3, 2, 1, 2}.
  ExpectAll<int>("IsDotSyousuu", IsDotSyousuu,
      {{u"", 2}, {nullptr, 2}, {u"123", 2}, {u".5", 2}, {u"1.5", 3}, {u"12.5", 3}, {u"123.5", 3},
       {u"1234.5", 2}, {u"12345.5", 1}, {u"123456.5", 2}, {u"1.2345.6", 2}, {u"1.3.5", 3}});
  // A fresh module rounds every kind of fraction the same way.
  EXPECT_EQ(GetGoukeiHasuu() | GetKeihiHasuu() | GetRoumuHasuu() | GetZatuHasuu(), 0);
}

TEST(Dates, TodayAndStoredDates) {
  // Today's date pads month and day with spaces; a time that cannot be converted gives zeros.
  // Noon UTC is the same calendar day in every time zone from -11 to +11 hours.
  const struct { std::time_t now; const char16_t *text, *year, *month, *day; } todays[] = {
      {1714737600, u"2024/ 5/ 3", u"2024", u" 5", u" 3"},  // 2024-05-03 12:00 UTC
      {946641600, u"1999/12/31", u"1999", u"12", u"31"},   // 1999-12-31 12:00 UTC
      {std::numeric_limits<std::time_t>::max(), u"   0/ 0/ 0", u"   0", u" 0", u" 0"},
  };
  for (const auto& c : todays) {
    ClockHook previous = SetClockHook([&] { return c.now; });
    CString y, m, d;
    EXPECT_EQ(GetDate(&y, &m, &d), c.text);
    EXPECT_EQ(y + u"|" + m + u"|" + d, CString(c.year) + u"|" + c.month + u"|" + c.day);
    EXPECT_EQ(GetDate(nullptr, nullptr, nullptr), c.text);
    SetClockHook(previous);
  }

  // SplitDate reads fixed positions: year 0-3, month 5-6, day 8-9.
  const struct { const char16_t* text; int y, m, d; } splits[] = {
      {u"2024/05/03", 2024, 5, 3}, {u"2024-12-31", 2024, 12, 31}, {u"", 0, 0, 0},
      {u"2024/0", 2024, 0, 0}, {u"abcd/xx/ 7", 0, 0, 7},
  };
  for (const auto& c : splits) {
    int y = -1, m = -1, d = -1;
    SplitDate(c.text, &y, &m, &d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{c.y, c.m, c.d})) << Show(c.text);
  }
  int month = -1;
  SplitDate(u"2024/05/03", nullptr, &month, nullptr);
  EXPECT_EQ(month, 5);

  ExpectTexts("GetStrDateFromArray", GetStrDateFromArray,
              {{u"2024/05/03", u"2024/5/3"}, {u"0000/00/00", u"-"}, {u"1999.12.31", u"1999/12/31"},
               {u"2024", u"2024/0/0"}, {u"", u"-"}, {nullptr, u"-"}});
  for (auto [y, m, d, text] : {std::tuple{0, 5, 3, u"-"}, {-1, 5, 3, u"-"},
                               {2024, 13, 40, u"2024/13/40"}, {1, -2, 0, u"1/-2/0"}})
    EXPECT_EQ(GetStrDateFromInt(y, m, d), text) << y;
  // The year's last two digits ("-005" for -5).
  for (auto [year, header] : {std::pair{2024, 24}, {1999, 99}, {2005, 5}, {2000, 0}, {7, 7},
                              {12345, 45}, {-5, 5}})
    EXPECT_EQ(GetFileHeaderYear(year), header) << year;
}

TEST(Calculator, ArithmeticAndKeyPresses) {
  // Operands are read as the runtime reads numbers ("," and letters end them);
  // results lose their trailing zeros, an infinity's "1.#INF00" too.
  const struct { CString (*fn)(CString, CString); const char16_t *a, *b, *out; } sums[] = {
      {DenCalAdd, u"0.1", u"0.2", u"0.3"}, {DenCalAdd, u"", u"3", u"3"},
      {DenCalMinus, u"5", u"7", u"-2"}, {DenCalMull, u"2.5", u"4", u"10"},
      {DenCalDiv, u"10", u"4", u"2.5"}, {DenCalDiv, u"1", u"3", u"0.333333"},
      {DenCalDiv, u"2", u"3", u"0.666667"}, {DenCalMull, u"1000000", u"1000000", u"1000000000000"},
      {DenCalAdd, u"1,234", u"1", u"2"}, {DenCalAdd, u"  12abc", u"x", u"12"},
      {DenCalAdd, u"1e3", u"0", u"1000"}, {DenCalMull, u"0.0001", u"0.001", u"0"},
      {DenCalMull, u"-0.0001", u"0.001", u"-0"}, {DenCalDiv, u"1", u"0", u"1.#INF"},
      {DenCalDiv, u"-1", u"0", u"-1.#INF"},
  };
  for (const auto& c : sums)
    EXPECT_EQ(c.fn(c.a, c.b), CString(c.out)) << Show(c.a) << " " << Show(c.b);

  // A key pressed on the display; the display itself is not changed.
  const struct { const char16_t *display, *key, *out; } presses[] = {
      {u"0", u"5", u"5"}, {u"0", u".", u"0."}, {u"0.5", u".", u"0.5"}, {u"12", u"3", u"123"},
      {u"0.0", u"7", u"0.07"}, {u"", u"7", u"7"}, {u"", u".", u"."}, {u"05", u"1", u"1"},
  };
  for (const auto& c : presses) {
    CString display(c.display), key(c.key), out;
    DentakuAddString(display, key, out);
    EXPECT_EQ(out, c.out) << Show(c.display) << " " << Show(c.key);
    EXPECT_EQ(display, c.display);
  }
  // The result may go to the display or the key themselves.
  CString display(u"12"), key(u"3");
  DentakuAddString(display, key, display);
  EXPECT_EQ(display, u"123");
  DentakuAddString(display, display, key);
  EXPECT_EQ(key, u"123123");
}

TEST(Characters, HalfWidthFormsAndCodePage932Texts) {
  // Lone surrogates pass through untouched; letters are upper-cased a-z only.
  const char16_t lone[] = {0xD800, u'a', 0xDC00, 0}, upper[] = {0xD800, u'A', 0xDC00, 0};
  ExpectTexts("BaiToHan", BaiToHan, {
      // Voiced and semi-voiced katakana take a sound mark of their own.
      {u"ガッコウ", u"ｶﾞｯｺｳ"}, {u"パン", u"ﾊﾟﾝ"}, {u"ヴ", u"ｳﾞ"}, {u"ヅデド", u"ﾂﾞﾃﾞﾄﾞ"},
      {u"バビブベボ", u"ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ"}, {u"パピプペポ", u"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ"},
      {u"ガギグゲゴザジズゼゾダヂ", u"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞ"},
      // Every plain row of the table.
      {u"アイウエオァィゥェォ", u"ｱｲｳｴｵｧｨｩｪｫ"}, {u"カキクケコサシスセソタチツテト", u"ｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ"},
      {u"ナニヌネノハヒフヘホマミムメモ", u"ﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓ"}, {u"ヤユヨャュョッラリルレロワヲン", u"ﾔﾕﾖｬｭｮｯﾗﾘﾙﾚﾛﾜｦﾝ"},
      // Letters, digits and dashes; the full-width point stays.
      {u"ａｂＣ", u"ABC"}, {u"abc", u"ABC"}, {u"０１２３４５６７８９", u"0123456789"},
      {u"ＶＶＦ－２．０", u"VVF-2．0"}, {u"ー", u"-"}, {u"ｰ", u"-"}, {u"―‐－", u"---"},
      // What has no half-width form is kept.
      {u"ひらがな", u"ひらがな"}, {u"ヮヰヱヵヶ・", u"ヮヰヱヵヶ・"}, {u"電　気", u"電　気"},
      {u"ｱｲｳﾞ", u"ｱｲｳﾞ"}, {u"é", u"é"}, {u"", u""}, {nullptr, u""}, {lone, upper},
  });
  ExpectTexts("UnicodeZenSuu2Han", [](const char16_t* s) { return UnicodeZenSuu2Han(s); },
              {{u"１２．５", u"12.5"}, {u"１２。５", u"12.5"}, {u"a　b", u"a b"}, {u"ＡＢ１ー", u"ＡＢ1ー"}});

  // Only full-width digits and stops become half-width. 81 82 is one
  // character (≠) whose trail byte looks like a digit's lead; a lead byte
  // before the terminator is a character of its own.
  for (auto [in, out] : {std::pair<std::string, std::string>{
                             "\x82\x50\x82\x51\x81\x44\x82\x54\x81\x42\x93\x64", "12.5.\x93\x64"},
                         {"\x81\x82\x82\x4F" "A\x82", "\x81\x82" "0A\x82"}, {"", ""}}) {
    std::vector<char> buffer(in.size() + 1, 'Z');
    EXPECT_EQ(ToHankakuNum(in.c_str(), buffer.data()), buffer.data());
    EXPECT_EQ(std::string(buffer.data()), out) << cmdtest::Hex(in);
  }

  // The whole 8-byte buffer after the call: cut before a character that does
  // not fit with its terminator, never between lead and trail byte; a lone
  // surrogate becomes the default character; a size of 0 writes nothing, 1 the terminator.
  const char16_t loneSurrogate[] = {u'a', 0xD800, u'b', 0};
  const struct { const char16_t* text; int size; std::string buffer; } narrows[] = {
      {u"電気A", 8, std::string("\x93\x64\x8B\x43" "A\0XX", 8)},
      {u"A電気", 5, std::string("A\x93\x64\0XXXX", 8)}, {u"電", 2, std::string("\0XXXXXXX", 8)},
      {u"abc", 0, "XXXXXXXX"}, {u"abc", 1, std::string("\0XXXXXXX", 8)}, {loneSurrogate, 8, std::string("a?b\0XXXX", 8)},
  };
  for (const auto& c : narrows) {
    std::vector<char> buffer(8, 'X');
    EXPECT_EQ(getMultiFromWideText(c.text, buffer.data(), c.size), buffer.data());
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), c.buffer) << Show(c.text) << " " << c.size;
  }

  // At most 260 bytes are widened, never half a character; bytes that are
  // not code page 932 never crash and never vanish silently.
  EXPECT_EQ(getWideFromMultiText("\x93\x64\x8B\x43" "A\xB6\xDE"), u"電気Aｶﾞ");
  EXPECT_EQ(getWideFromMultiText("") + getWideFromMultiText(nullptr), u"");
  EXPECT_EQ(getWideFromMultiText((std::string(259, 'a') + "\x93\x64").c_str()).GetLength(), 259);
  EXPECT_EQ(getWideFromMultiText((std::string(260, 'b') + "ccc").c_str()), CString(u'b', 260));
  const CString bad = getWideFromMultiText("a\x80" "b");
  EXPECT_TRUE(bad.GetLength() >= 3 && bad[0] == u'a' && bad[bad.GetLength() - 1] == u'b')
      << bad.ToUtf8();
}

TEST(Tokens, TrimmingMyStrtokAndTheSplitters) {
  const struct { const char16_t* text; int length; const char16_t* out; } cuts[] = {
      {u"   ", 0, u""}, {u"ab  c", 4, u"ab"}, {u"ab  c", 0, u"ab  c"}, {u"ab ", 99, u"ab"},
      {u"ab\t", 0, u"ab\t"}};
  for (const auto& c : cuts) EXPECT_EQ(CStrCutSpace(c.text, c.length), c.out) << Show(c.text);
  ExpectTexts("MyTrim", MyTrim,
              {{u"  a b  ", u"a b"}, {u"　a　", u"　a　"}, {u"   ", u""}, {nullptr, u""}});
  ExpectAll<int>("IsAllSpace", IsAllSpace,
                 {{u"", 1}, {u"   ", 1}, {u" 　", 0}, {u" a", 0}, {nullptr, 1}});

  // One leading tab, space or "," is skipped; a quoted token may hold the
  // delimiter; other delimiters read to the line end; a token keeps 100 units.
  const std::u16string x150(150, u'x'), x100(100, u'x');
  const struct { const char16_t* text; char by; int result; const char16_t* token; } tokens[] = {
      {u",\"a,b\",c", ',', 1, u"a,b"}, {u"abc,def", ',', 1, u"abc"}, {u",,x", ',', 1, u""},
      {u"\"open quote, no end", ',', 1, u"open quote, no end"}, {u"\t a\tb", '\t', 1, u" a"},
      {u"  a b", ' ', 1, u""}, {u"a;b\nc", ';', 1, u"a;b"}, {u";x", ';', 1, u";x"},
      {u"", ',', 0, u""}, {u",", ',', 0, u""}, {u"\"", ',', 0, u""}, {nullptr, ',', 0, u""},
      {x150.c_str(), ',', 1, x100.c_str()},
  };
  for (const auto& c : tokens) {
    std::vector<char16_t> token(101, u'#');  // the documented size, not one unit more
    EXPECT_EQ(MyStrtok(c.text, token.data(), c.by), c.result) << Show(c.text);
    EXPECT_EQ(std::u16string(token.data()), c.token) << Show(c.text);
  }

  enum By { Comma, Separator, Wrap };
  const struct {
    By by;
    const char16_t* text;
    int max;
    const char16_t* separator;
    int count;
    const char* fields;
  } splits[] = {
      {Comma, u"12,AB,1", 3, nullptr, 3, "12|AB|1|#"}, {Comma, u"a,,b", 4, nullptr, 3, "a||b|#"},
      {Comma, u"a,", 4, nullptr, 2, "a||#|#"}, {Comma, u"", 4, nullptr, 1, "|#|#|#"},
      {Comma, u"a,b,c,d", 2, nullptr, 2, "a|b|#|#"}, {Comma, u"a,b", 0, nullptr, 0, "#|#|#|#"},
      {Comma, u"a,b", -3, nullptr, 0, "#|#|#|#"},
      // A lone ":" is not the separator "::"; no separator: the whole text.
      {Separator, u"a::b", 3, u"::", 2, "a|b|#|#"},
      {Separator, u"a:b:::c", 3, u"::", 2, "a:b|:c|#|#"},
      {Separator, u"a,b", 3, u"", 1, "a,b|#|#|#"}, {Separator, u"a,b", 3, nullptr, 1, "a,b|#|#|#"},
      // Only CR LF ends a line.
      {Wrap, u"one line", 3, nullptr, 1, "one line|#|#|#"},
      {Wrap, u"電気\r\n設備\n工事", 3, nullptr, 2, "電気|設備\n工事|#|#"},
  };
  for (const auto& c : splits) {
    CString f[4] = {u"#", u"#", u"#", u"#"};
    int n = c.by == Comma ? SplitCStrByComma(c.text, f, c.max)
            : c.by == Wrap ? SplitCStrByWrap(c.text, f, c.max)
                           : SplitCStrByChar(c.text, f, c.max, c.separator);
    EXPECT_EQ(n, c.count) << Show(c.text);
    EXPECT_EQ(Joined(f, 4), c.fields) << Show(c.text);
  }
  EXPECT_EQ(SplitCStrByComma(u"a,b", nullptr, 5), 0);

  // Two-digit lengths before each field; a field running past the end is
  // cut there, a length that is no number (or negative) counts as 0.
  const struct { const char16_t* packed; const char *two, *three; } packed[] = {
      {u"03abc05hello", "abc|hello", "abc|hello|"}, {u"03abc", "abc|", "abc||"}, {u"", "|", "||"},
      {u"02電気03ABC01x", "電気|ABC", "電気|ABC|x"}, {u"000003abc", "|", "||abc"},
      {u"02ab03cd", "ab|cd", "ab|cd|"}, {u"02ab01c09xyz", "ab|c", "ab|c|xyz"},
      {u"xx02ab01c", "|ab", "|ab|c"}, {u"99", "|", "||"}, {u"1", "|", "||"}, {u"-1ab", "|", "||"},
  };
  for (const auto& c : packed) {
    CString f[3] = {u"old", u"old", u"old"};
    Split2text(c.packed, f);
    EXPECT_EQ(Joined(f, 2), c.two) << Show(c.packed);
    Split3text(c.packed, f);
    EXPECT_EQ(Joined(f, 3), c.three) << Show(c.packed);
  }

  // UniSSplit cuts at UTF-16 units; at n <= 0 the second part is untouched
  // and below 0 the first too.
  const struct { const char16_t* text; int n, result; const char *first, *second; } units[] = {
      {u"abcde", 3, 2, "abc", "de"}, {u"abcde", 5, 1, "abcde", ""}, {u"ab", 10, 1, "ab", ""},
      {u"xyz", 0, 1, "xyz", "untouched"}, {u"xyz", -1, 0, "same", "untouched"},
  };
  for (const auto& c : units) {
    CString first = u"same", second = u"untouched";
    EXPECT_EQ(UniSSplit(c.text, &first, &second, c.n), c.result) << c.n;
    EXPECT_EQ(first.ToUtf8() + "|" + second.ToUtf8(), std::string(c.first) + "|" + c.second);
  }
  // cstrmemmove keeps n units and drops the half-width spaces unless asked.
  const struct { const char16_t* text; int n, keep; const char16_t* out; } moves[] = {
      {u"ab   cd", 5, 0, u"ab"}, {u"ab   cd", 5, 1, u"ab   "}, {u"ab", 5, 0, u"ab"},
      {u"     ", 3, 0, u""}, {u"ab　", 3, 0, u"ab　"}};
  for (const auto& c : moves) EXPECT_EQ(cstrmemmove(c.text, c.n, c.keep), c.out) << Show(c.text);

  // mbsplit counts code page 932 characters: "電気AB" is 93 64 8B 43 41 42,
  // half-width katakana (A1-DF) are single bytes, a lead byte before the
  // terminator is one character. The parts get buffers of the text's size.
  const struct { std::string text; int n, result; std::string first, second; } bytes[] = {
      {"\x93\x64\x8B\x43" "AB", 1, 2, "\x93\x64", "\x8B\x43" "AB"},
      {"\x93\x64\x8B\x43" "AB", 3, 2, "\x93\x64\x8B\x43" "A", "B"},
      {"\x93\x64\x8B\x43" "AB", 4, 1, "\x93\x64\x8B\x43" "AB", ""},
      {"\x93\x64\x8B\x43" "AB", 0, 1, "\x93\x64\x8B\x43" "AB", ""},
      {"\xB6\xDE\xAF", 2, 2, "\xB6\xDE", "\xAF"}, {"A\x93", 2, 1, "A\x93", ""},
      {"A\x93", 1, 2, "A", "\x93"},
  };
  for (const auto& c : bytes) {
    std::vector<unsigned char> first(c.text.size() + 1, 0xEE), second(c.text.size() + 1, 0xEE);
    EXPECT_EQ(mbsplit(reinterpret_cast<const unsigned char*>(c.text.c_str()), first.data(),
                      second.data(), c.n),
              c.result);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(first.data())), c.first) << c.n;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(second.data())), c.second) << c.n;
  }
}

// ---------------------------------------------------------------- input and windows

TEST_F(InputTest, CompositionOpenStateAndHeldKeys) {
  HWND edit = Window(u"EDIT"), other = Window(u"EDIT");
  EXPECT_EQ(IMEgetstring(edit), u"");
  cmd::ui::SetCompositionString(ImmGetContext(edit), u"みつもり");
  EXPECT_EQ(IMEgetstring(edit), u"みつもり");
  cmd::ui::SetCompositionString(ImmGetContext(edit), std::u16string(200, u'あ'));
  EXPECT_EQ(IMEgetstring(edit), CString(u'あ', 130));  // at most 130 units
  // Opened and closed in turn; the other window keeps its own state.
  EXPECT_EQ((std::vector<bool>{!!IMEstate(edit), !!IMEopen(edit, TRUE), !!IMEstate(edit),
                               !!IMEstate(other), !!IMEopen(edit, FALSE), !!IMEstate(edit)}),
            (std::vector<bool>{false, true, true, false, true, false}));
  // Windows without an input context.
  ImmAssociateContext(edit, nullptr);
  EXPECT_EQ(IMEgetstring(edit) + IMEgetstring(nullptr), u"");
  EXPECT_FALSE(IMEopen(edit, TRUE) || IMEstate(edit));

  // Not held, pressed and released since the last query, held, held and
  // toggled; another key held.
  std::map<int, SHORT> keys;
  SetKeyStateHook([&](int vk) { return keys[vk]; });
  for (auto [vk, poll] : {std::pair{VK_CONTROL, &IsCtrlKeyDown}, {VK_SHIFT, &IsShiftKeyDown},
                          {VK_ESCAPE, &IsEscapeKeyDown}}) {
    for (auto [state, down] : {std::pair{0, 0}, {1, 0}, {0x8000, 1}, {0x8001, 1}}) {
      keys = {{vk, SHORT(state)}};
      EXPECT_EQ(poll(), down) << vk << " " << state;
    }
    keys = {{VK_MENU, SHORT(0x8000)}};
    EXPECT_EQ(poll(), 0) << vk;
  }
}

TEST_F(InputTest, DoEventHandlesOneMessageAtATimeAndPopUpMenusCommand) {
  // A key is translated into a character, handled by the next call.
  EXPECT_EQ(Drain(nullptr), 0);
  HWND main = Window(u"MAIN");
  PostMessageW(main, WM_USER + 1, 11, 0);
  PostMessageW(main, WM_KEYDOWN, 'K', 0);
  EXPECT_EQ(DoEvent(nullptr), 1);
  EXPECT_EQ(seen_, Seen{Msg(1, WM_USER + 1, 11)});
  EXPECT_EQ(Drain(nullptr), 2);
  EXPECT_EQ(seen_, (Seen{Msg(1, WM_USER + 1, 11), Msg(1, WM_KEYDOWN, 'K'), Msg(1, WM_CHAR, 'k')}));
  // A dialog's keys go to the dialog: Escape in its edit box cancels it.
  seen_.clear();
  HWND dialog = Window(u"#32770"), edit = Window(u"EDIT", dialog, 10), other = Window(u"MAIN");
  PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(DoEvent(dialog), 1);
  EXPECT_EQ(seen_, Seen{Msg(2, WM_COMMAND, IDCANCEL)});
  PostMessageW(edit, WM_USER, 0, 0);
  PostMessageW(other, WM_USER, 0, 0);
  EXPECT_EQ(Drain(dialog), 2);
  EXPECT_EQ(seen_, (Seen{Msg(2, WM_COMMAND, IDCANCEL), Msg(3, WM_USER, 0), Msg(4, WM_USER, 0)}));

  // PopUpMenu shows the first sub-menu of the host's menu resource; the
  // choice comes back to the owner as a command.
  seen_.clear();
  HINSTANCE host = cmd::res::NewModuleHandle();
  cmd::res::AddToChain(host);
  using Item = cmd::ui::MenuTemplateItem;
  cmd::res::Register(host, RT_MENU, MAKEINTRESOURCEW(500),
                     cmd::ui::BuildMenuTemplate({Item{u"context", {Item{u"コピー", 1001}, Item{},
                                                                   Item{u"貼り付け", 1002}}}}));
  HMENU shown = nullptr;
  int calls = 0;
  cmd::ui::SetTrackPopupMenuHook([&](HMENU menu, UINT flags, int x, int y, HWND o) -> UINT {
    ++calls;
    shown = menu;
    char16_t text[16];
    GetMenuStringW(menu, 2, text, 16, MF_BYPOSITION);
    EXPECT_EQ(CString(text), u"貼り付け");
    EXPECT_EQ((std::vector<long>{long(flags), x, y, GetMenuItemCount(menu)}),
              (std::vector<long>{0, 120, 45, 3}));
    EXPECT_EQ(o, main);
    return 1002;
  });
  PopUpMenu(120, 45, CWnd::FromHandle(main), 500);
  PopUpMenu(0, 0, CWnd::FromHandle(main), 501);  // no such menu: nothing shown
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(IsMenu(shown));  // the loaded menu is destroyed again
  EXPECT_NE(DoEvent(nullptr), 0);
  EXPECT_EQ(seen_, Seen{Msg(1, WM_COMMAND, 1002)});
  cmd::res::RemoveModule(host);
}

TEST(Rectangles, ConvertWithTheBias) {
  // To doubles (top, bottom, right, left), each plus 0.444; back, negative
  // values move one unit toward zero and values outside 32 bits become 0.
  RECT r{10, 20, 30, 40}, back{};
  double d[4];
  EXPECT_EQ(RectToDblRect(&r, d), d);
  EXPECT_EQ(std::vector<double>(d, d + 4), (std::vector<double>{20.444, 40.444, 30.444, 10.444}));
  EXPECT_EQ(RectToDblRect(nullptr, d), d);
  auto trip = [&](RECT in) {
    RectToDblRect(&in, d);
    DblRectToRect(d, &back);
    return std::vector<LONG>{back.left, back.top, back.right, back.bottom};
  };
  EXPECT_EQ(trip(r), (std::vector<LONG>{10, 20, 30, 40}));
  EXPECT_EQ(trip(RECT{-5, -1, 2147483646, 0}), (std::vector<LONG>{-4, 0, 0, 0}));
  const double edges[4] = {2147483645.9, -2147483647.5, 1e-320, -0.9};
  DblRectToRect(edges, &back);
  EXPECT_EQ((std::vector<LONG>{back.left, back.top, back.right, back.bottom}),
            (std::vector<LONG>{0, 2147483645, 0, 0}));
  DblRectToRect(nullptr, &back);
}
