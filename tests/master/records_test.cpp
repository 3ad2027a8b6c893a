// Lines of the material master and the records and strings they give, and
// the field cursor every reader shares.
#include <algorithm>
#include <cmath>
#include <limits>

#include "cmddll3/platform/crt.h"
#include "cmddll3/util_split.h"
#include "master/rewrite.h"
#include "master_fixture.h"

using namespace mtest;
using cmd::master::FieldCursor;

namespace {

// The cursor's fields are the splitter's, its numbers the runtime's (plain
// decimals are converted by the cursor itself), and it moves past a field
// whatever the field holds.
TEST(RecordLines, FieldCursorAgreesWithTheSplitterAndTheRuntime) {
  for (std::u16string line : {u"", u",", u"a", u"a,,b", u",a,", u"12,AB,1", u"x,y,z,,,",
                              u"長い名前,１２,\u0001"}) {
    CString split[8];
    int n = SplitCStrByComma(line, split, 8);
    FieldCursor f(line);
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(std::u16string(f.Text()), i < n ? split[i].str() : u"") << "field " << i;
  }
  for (std::u16string field :
       {u"0", u"-0", u"007", u"123456789", u"1234567890", u"-2147483648", u"99999999999", u"",
        u"-", u" 5", u"+5", u"5x", u"１２", u"1e3", u"0x10", u"123456789012345",
        u"1234567890123456", u"-000", u"2.5"}) {
    SCOPED_TRACE(Utf16ToUtf8(field));
    std::u16string line = field + u",tail";
    FieldCursor l(line), i(line), d(line);
    EXPECT_EQ(l.Long(), _wtol(field.c_str()));
    EXPECT_EQ(i.Int(), _wtoi(field.c_str()));
    double expected = _wtof(field.c_str()), got = d.Double();
    EXPECT_EQ(got, expected);
    EXPECT_EQ(std::signbit(got), std::signbit(expected));
    EXPECT_EQ(std::u16string(l.Text()) + std::u16string(d.Text()), u"tailtail");
  }
}

// Joins strings with "|".
std::u16string Joined(const CString* f, int n) {
  std::u16string s = f[0].str();
  for (int i = 1; i < n; ++i) s += u"|" + f[i].str();
  return s;
}

// The 23 fields of a level-3 line as the string readers give them.
std::u16string Level3Strings(decltype(&SetMst3Data) read, const std::u16string& line,
                             const char16_t* preset = u"") {
  CString f[23];
  std::fill(std::begin(f), std::end(f), CString(preset));
  read(line, &f[0], &f[1], &f[2], &f[3], &f[6], &f[7], &f[8], &f[9], &f[10], &f[13], &f[16],
       &f[20], &f[21], &f[22]);
  return Joined(f, 23);
}

// The string forms of the lines: the comma forms keep the strings of fields
// the line lacks; the older fixed-column forms cut at their columns (each
// field padded to its width, the level-3 marks are spaces).
TEST(RecordLines, StringForms) {
  CString f[11];  // level 1: code, name, flag; level 2: codes[2], name, attrs[5], values[3]
  SetMst1Data(u"0012ABC" + std::u16string(57, u' ') + u"  1", &f[0], &f[1], &f[2]);
  EXPECT_EQ(Joined(f, 3), u"0012|ABC|  1");
  SetMst1Data(u"12", &f[0], &f[1], &f[2]);
  EXPECT_EQ(Joined(f, 3), u"12||");

  SetMst2UNIData(u"12,5,C,1,2,3,4,5,6,7,8", &f[0], &f[2], &f[3], &f[8]);
  EXPECT_EQ(Joined(f, 11), u"12|5|C|1|2|3|4|5|6|7|8");
  SetMst2UNIData(u"1,,x", &f[0], &f[2], &f[3], &f[8]);
  EXPECT_EQ(Joined(f, 11), u"1||x|1|2|3|4|5|6|7|8");
  std::u16string line = u"00120034名前" + std::u16string(58, u' ');
  for (const char16_t* v : {u"1", u"22", u"333", u"4444", u"5"}) line += Pad(v, 5);
  SetMst2Data(line + u"  -12  7  99999", &f[0], &f[2], &f[3], &f[8]);
  EXPECT_EQ(Joined(f, 11), u"0012|0034|名前|1|22|333|4444|5|  -12|  7|99999");

  std::u16string bars(kFullLine);
  std::replace(bars.begin(), bars.end(), u',', u'|');
  EXPECT_EQ(Level3Strings(SetMst3UNIData, kFullLine), bars);
  EXPECT_EQ(Level3Strings(SetMst3UNIData, u"c,k,u,1,2,3", u"-"),
            u"c|k|u|1|2|3|-|-|-|-|-|-|-|-|-|-|-|-|-|-|-|-|-");
  std::u16string fixed = Pad(u"12345678901", 13) + u"  " + Pad(u"4", 4) + Pad(u"5", 4) +
                         Pad(u"6", 4) + Pad(u"名", 60) + Pad(u"second", 15) + Pad(u"third", 60) +
                         Pad(u"short", 8);
  for (const char16_t* v : {u"1", u"2", u"3", u"4"}) fixed += Pad(v, 10);
  for (const char16_t* v : {u"5", u"6"}) fixed += Pad(v, 8);
  for (const char16_t* v : {u"17", u"18", u"19", u"20", u"21"}) fixed += Pad(v, 5);
  fixed += Pad(u"7", 10) + Pad(u"closing", 20);
  ASSERT_EQ(fixed.size(), 281u);
  EXPECT_EQ(Level3Strings(SetMst3Data, fixed),
            u"12345678901| | |4|5|6|名|second|third|short|1|2|3|4|5|6|17|18|19|20|21|7|closing");
  EXPECT_EQ(Level3Strings(SetMst3Data, u"short line", u"-"), u"short line||||||||||||||||||||||");
}

// A level-3 line over a record full of garbage: the record is cleared first.
ZaiMst3Rec Extracted3(const std::u16string& line) {
  ZaiMst3Rec r;
  std::memset(&r, 0xAB, sizeof r);
  ExtractToMst3(line, &r);
  return r;
}

// Level 3: amounts written whole, factors in thousandths, the drawing code as
// five plus seven digits; read back in single precision.
TEST(RecordLines, Level3) {
  ZaiMst3Rec full = FullRecord(), empty{};
  EXPECT_EQ(FormatMst3(&full, 4, 5), std::u16string(kFullLine) + u"\n");
  EXPECT_EQ(FormatMst3(&empty, -1, 0),
            u"000000000000,,,-1,0,0,,,,,0,0,0,0,0,0,0,0,0,0,0,0,\n");  // marks of 0: empty fields
  EXPECT_EQ(FormatMst3(nullptr, 1, 1), u"");
  const double rounded[] = {1500, 3, -1, 1235, 0, 99};  // as the line gives them back
  std::memcpy(&full.amounts1to3, rounded, sizeof full.amounts1to3);
  std::memcpy(&full.amounts4to6, rounded + 3, sizeof full.amounts4to6);
  full.factors[2] = 0.001f;
  EXPECT_EQ(Raw(Extracted3(kFullLine)), Raw(full));
  EXPECT_EQ(Raw(Extracted3(u"")), Raw(empty));

  ZaiMst3Rec single = Rec3(1, u"n");
  single.cwfPrefix = 1;
  const double amounts[] = {16777216.0, double(0.1f), std::numeric_limits<double>::infinity()};
  std::memcpy(&single.amounts1to3, amounts, sizeof amounts);
  single.factors[0] = 0.035f;
  single.amount7 = double(123456789.0f);
  EXPECT_EQ(Raw(Extracted3(u"1,,,1,1,1,n,,,,16777217,0.1,1e40,,,,35,,,,,123456789,")),
            Raw(single));
}

// Which records count, which level-3 code is free, and null pointers refused.
TEST(RecordLines, Level3CountFreeCodeAndNullPointers) {
  std::vector<ZaiMst3Rec> recs(300);
  EXPECT_EQ(GetMst3Cnt(recs.data()), 0);
  SetRecText(recs[0].name, u"a");
  SetRecText(recs[5].name, u"b");
  EXPECT_EQ(GetMst3Cnt(recs.data()), 6);
  EXPECT_EQ(GetEndLineMst3(recs.data()), 6);
  SetRecText(recs[299].name, u"z");
  EXPECT_EQ(GetMst3Cnt(recs.data()), 300);

  ZaiMst3Rec some[] = {Rec3(1, u""), Rec3(2, u""), Rec3(4, u"")};
  EXPECT_EQ(WhatIsMst3Code(some, 3), 3);
  EXPECT_EQ(WhatIsMst3Code(some, 2), 3);
  EXPECT_EQ(WhatIsMst3Code(some, 0), 1);
  std::vector<ZaiMst3Rec> all(9999);
  for (int i = 0; i < 9999; ++i) all[i].code = 9999 - i;
  EXPECT_EQ(WhatIsMst3Code(all.data(), 9999), -1);
  all[17].code = 0;
  EXPECT_EQ(WhatIsMst3Code(all.data(), 9999), 9999 - 17);

  EXPECT_EQ(FormatMst1(nullptr), u"");
  EXPECT_EQ(FormatMst2(nullptr, 1), u"");
  ExtractToMst1(u"1,a,1", nullptr);
  ExtractToMst2(u"1,2,a", nullptr);
  ExtractToMst3(u"1,2,a", nullptr);
  SetMst1Data(u"0001name", nullptr, nullptr, nullptr);
  SetMst2Data(u"00010002name", nullptr, nullptr, nullptr, nullptr);
  SetMst2UNIData(u"1,2,a,1,2,3,4,5,6,7,8", nullptr, nullptr, nullptr, nullptr);
  for (auto read : {SetMst3UNIData, SetMst3Data})
    read(u"1,2,3", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetMst3Cnt(nullptr), 0);
  EXPECT_EQ(WhatIsMst3Code(nullptr, 5), 1);
}

using CwfCodeTest = MasterTest;

// "%05ld%07ld": a part too long for its width is kept whole, and told.
TEST_F(CwfCodeTest, DrawingCodeIsFivePlusSevenDigits) {
  EXPECT_EQ(MakeCwfCode(123, 45), u"001230000045");
  EXPECT_EQ(Shown(), u"");
  EXPECT_EQ(MakeCwfCode(123456, 45), u"1234560000045");
  EXPECT_EQ(Shown(), u"図面ｺｰﾄﾞエラー|DEBUG|0\n");
  EXPECT_EQ(MakeCwfCode(1, 12345678), u"0000112345678");
  EXPECT_EQ(Shown(), u"図面ｺｰﾄﾞエラー|DEBUG|0\n");
}

}  // namespace
