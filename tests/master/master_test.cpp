// The material master: its lines and the records and strings they give,
// level by level; what the readers of its files give (also of masters not as
// the library writes them: odd fields, overlong texts, other encodings, cut
// files), never past their arrays; what every rewrite leaves, byte for byte;
// and the master under failure (each file step of a rewrite failing, read
// errors, a read-only master, a child killed while it rewrites): always
// complete, the old content or the new.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <limits>
#include <map>
#include <random>

#include "master/rewrite.h"
#include "master_fixture.h"

using namespace mtest;
using cmd::master::FieldCursor;
using cmd::master::StagedMaster;

namespace {

using FileTest = MasterTest;

// The 23 fields of a level-3 line as the string readers give them.
std::u16string Level3Strings(decltype(&SetMst3Data) read, const std::u16string& line,
                             const char16_t* preset = u"") {
  CString f[23];
  std::fill(std::begin(f), std::end(f), CString(preset));
  read(line, &f[0], &f[1], &f[2], &f[3], &f[6], &f[7], &f[8], &f[9], &f[10], &f[13], &f[16], &f[20],
       &f[21], &f[22]);
  return Joined(f, 23);
}

// A level-3 line over a record full of garbage: the record is cleared first.
ZaiMst3Rec Extracted3(const std::u16string& line) {
  ZaiMst3Rec r;
  std::memset(&r, 0xAB, sizeof r);
  ExtractToMst3(line, &r);
  return r;
}

// The cursor's numbers are the runtime's (plain decimals are converted by
// the cursor itself), and it moves past a field whatever the field holds
// (its fields are the lines' fields every reader below checks).
TEST_F(FileTest, FieldCursorStringFormsLevel3RecordsCountsAndCodes) {
  for (std::u16string field : {u"0", u"-0", u"007", u"123456789", u"1234567890", u"-2147483648",
                               u"99999999999", u"", u"-", u" 5", u"+5", u"5x", u"１２", u"1e3",
                               u"0x10", u"123456789012345", u"1234567890123456", u"-000", u"2.5"}) {
    SCOPED_TRACE(Utf16ToUtf8(field));
    std::u16string line = field + u",tail";
    FieldCursor l(line), i(line), d(line);
    EXPECT_EQ(l.Long(), _wtol(field.c_str()));
    EXPECT_EQ(i.Int(), _wtoi(field.c_str()));
    const double expected = _wtof(field.c_str()), got = d.Double();
    EXPECT_TRUE(got == expected && std::signbit(got) == std::signbit(expected)) << got;
    EXPECT_EQ(std::u16string(l.Text()) + std::u16string(d.Text()), u"tailtail");
  }

  // The string forms of the lines: the comma forms keep the strings of fields
  // the line lacks; the older fixed-column forms cut at their columns (each
  // field padded to its width, the level-3 marks are spaces).
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
  std::u16string fixed;
  for (auto [text, width] : std::initializer_list<std::pair<const char16_t*, int>>{
           {u"12345678901", 13}, {u"", 2},        {u"4", 4},      {u"5", 4},     {u"6", 4},
           {u"名", 60},          {u"second", 15}, {u"third", 60}, {u"short", 8}, {u"1", 10},
           {u"2", 10},           {u"3", 10},      {u"4", 10},     {u"5", 8},     {u"6", 8},
           {u"17171", 5},        {u"18181", 5},   {u"19191", 5},  {u"20202", 5}, {u"21212", 5},
           {u"7", 10},           {u"closing", 20}})
    fixed += Pad(text, width);
  ASSERT_EQ(fixed.size(), 281u);
  EXPECT_EQ(Level3Strings(SetMst3Data, fixed),
            u"12345678901| | |4|5|6|名|second|third|short|1|2|3|4|5|6|17171|18181|19191|20202|21212|7|closing");
  EXPECT_EQ(Level3Strings(SetMst3Data, u"short line", u"-"), u"short line||||||||||||||||||||||");

  // Level 3: amounts written whole, factors in thousandths, the drawing code as
  // "%05ld%07ld" (a part too long for its width kept whole, and told); read
  // back in single precision. Which records count (of 300, up to the last
  // named one), which level-3 code is free (-1 when all are taken), and null
  // pointers refused.
  ZaiMst3Rec full = FullRecord(), empty{};
  EXPECT_EQ(FormatMst3(&full, 4, 5), std::u16string(kFullLine) + u"\n");
  const std::u16string told = u"図面ｺｰﾄﾞエラー|DEBUG|0\n";
  EXPECT_EQ((std::vector<std::u16string>{MakeCwfCode(123, 45).str(), Shown(),
                                         MakeCwfCode(123456, 45).str(), Shown(),
                                         MakeCwfCode(1, 12345678).str(), Shown()}),
            (std::vector<std::u16string>{u"001230000045", u"", u"1234560000045", told,
                                         u"0000112345678", told}));
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
  EXPECT_EQ(Raw(Extracted3(u"1,,,1,1,1,n,,,,16777217,0.1,1e40,,,,35,,,,,123456789,")), Raw(single));

  std::vector<ZaiMst3Rec> recs(9999);
  EXPECT_EQ(GetMst3Cnt(recs.data()), 0);
  for (int i : {0, 5}) SetRecText(recs[i].name, u"a");
  EXPECT_EQ((std::vector{GetMst3Cnt(recs.data()), GetEndLineMst3(recs.data())}),
            (std::vector{6, 6}));
  SetRecText(recs[299].name, u"z");
  EXPECT_EQ(GetMst3Cnt(recs.data()), 300);
  for (int i = 0; i < 9999; ++i) recs[i].code = 9999 - i;
  EXPECT_EQ(WhatIsMst3Code(recs.data(), 9999), -1);
  recs[17].code = 0;
  EXPECT_EQ(WhatIsMst3Code(recs.data(), 9999), 9999 - 17);
  const ZaiMst3Rec some[] = {Rec3(1, u""), Rec3(2, u""), Rec3(4, u"")};
  EXPECT_EQ((std::vector{WhatIsMst3Code(some, 3), WhatIsMst3Code(some, 2), WhatIsMst3Code(some, 0),
                         WhatIsMst3Code(nullptr, 5), GetMst3Cnt(nullptr)}),
            (std::vector{3, 3, 1, 1, 0}));

  EXPECT_EQ(FormatMst1(nullptr) + FormatMst2(nullptr, 1) + FormatMst3(nullptr, 1, 1), u"");
  ExtractToMst1(u"1,a,1", nullptr);
  ExtractToMst2(u"1,2,a", nullptr);
  ExtractToMst3(u"1,2,a", nullptr);
  SetMst1Data(u"0001name", nullptr, nullptr, nullptr);
  SetMst2Data(u"00010002name", nullptr, nullptr, nullptr, nullptr);
  SetMst2UNIData(u"1,2,a,1,2,3,4,5,6,7,8", nullptr, nullptr, nullptr, nullptr);
  for (auto read : {SetMst3UNIData, SetMst3Data})
    read(u"1,2,3", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
         nullptr, nullptr, nullptr, nullptr, nullptr);
}

const std::u16string kLong(200, u'長'), kLong60 = kLong.substr(0, 60);

// Level 1: every line is an entry, by position or by code; the name is cut
// to 60 units, the flag to 16 bits; ExtractToMst1 gives what the reader gives.
TEST_F(FileTest, Level1AndLevel3) {
  std::vector<ZaiMst1Rec> recs(500), viaFolder(500);
  recs[0].code = 99;
  // A missing file gives nothing, and code 0; an invalid trade names the current folder.
  EXPECT_EQ((std::vector<LONG>{GetZaiMst1(recs.data(), 1, -1), recs[0].code,
                               GetZaiMst1(recs.data(), 7, -1), GetZaiMst1(nullptr, 1, -1)}),
            (std::vector<LONG>{0, 0, 0, 0}));
  const Lines lines = {u"-7,配管材料,65535", u"", u"30,c", u"30,d,4",
                       u"1," + std::u16string(75, u'名') + u",65537"};
  const std::string want = Raw({Rec1(-7, u"配管材料", 65535), Rec1(0, u""), Rec1(30, u"c"),
                                Rec1(30, u"d", 4), Rec1(1, std::u16string(60, u'名'), 1)});
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::memset(&recs[i], 0xAB, sizeof recs[i]);
    ExtractToMst1(lines[i], &recs[i]);
  }
  EXPECT_EQ(Raw(recs.data(), 5), want);
  EXPECT_EQ(FormatMst1(&recs[0]), lines[0] + u"\n");
  ZaiMst1Rec r = Rec1(1, u"", 2);
  std::fill(std::begin(r.name), std::end(r.name), u'x');  // no terminator: 61 units are the name
  EXPECT_EQ(FormatMst1(&r), u"1," + std::u16string(61, u'x') + u",2\n");

  // The readers; the first line with a code (the empty line reads as code
  // 0); a missing code or file: 0, the record untouched.
  WriteMaster(file("zairyou1.mst"), lines);
  ZaiMst1Rec at[2];
  EXPECT_EQ((std::vector{GetZaiMst1(recs.data(), 1, -1),
                         GetZaiMst1_1(viaFolder.data(), masterWin()), GetMst1Pos(30, 1, -1, &at[0]),
                         GetMst1Pos(0, 1, -1, &at[1]), GetMst1Pos(-7, 1, -1, nullptr)}),
            (std::vector{5, 5, 2, 1, 0}));
  EXPECT_EQ(Raw(recs.data(), 5) + Raw(viaFolder.data(), 5) + Raw(at, 2),
            want + want + Raw(recs[2]) + Raw(recs[1]));
  std::memset(&r, 0xAB, sizeof r);
  EXPECT_EQ(GetMst1Pos(99, 1, -1, &r), 0);
  fs::remove(file("zairyou1.mst"));
  EXPECT_EQ(GetMst1Pos(30, 1, -1, &r), 0);
  EXPECT_EQ(r.code, LONG(0xABABABAB));
  EXPECT_EQ(Shown(), u"");

  // Level 3: a group of one level-1 code or of every one, and the position of
  // an item, as ExtractToMst3 fills them; reading a missing file creates it
  // (not where the master folder is missing); a caller's folder names its
  // single "zairyou3.mst".
  std::vector<ZaiMst3Rec> items3(300);
  EXPECT_EQ((std::vector{GetZaiMst3(items3.data(), 7, 7, 1, u"", 1, -1),
                         GetZaiMst3(items3.data(), 1234, 1234, 1, u"", 1, -1),
                         GetZaiMst3(items3.data(), 1, 1, 1, u"", 3, -1)}), (std::vector{0, 0, 0}));
  EXPECT_EQ(Bytes(file("zai007-3.mst")) + Bytes(file("zai1234-3.mst")), kEmpty + kEmpty);
  EXPECT_FALSE(fs::exists(root() / "MASTER" / "設備"));

  const Lines lines3 = {
      Line3(4, 5, 1, u"a"), Line3(4, 6, 1, u"x"), Line3(9, 5, 2, u"b"), kFullLine, u"",
      Line3(4, 6, 2, u"y"), Line3(4, 5, 9, u"c")};
  WriteMaster(file("zai004-3.mst"), lines3);
  WriteMaster(file("zairyou3.mst"), {lines3[6]});
  // The records as the lines give them; the reader never touches `reserved`.
  auto records3 = [&](std::initializer_list<int> which, DWORD reserved = 0xDEADBEEF) {
    std::string bytes;
    for (int i : which) {
      ZaiMst3Rec r3;
      ExtractToMst3(lines3[i], &r3);
      r3.reserved = reserved;
      bytes += Raw(r3);
    }
    return bytes;
  };
  for (auto& r3 : items3) r3.reserved = 0xDEADBEEF;
  ZaiMst3Rec r3;
  std::memset(&r3, 0x77, sizeof r3);
  EXPECT_EQ((std::vector{GetZaiMst3(items3.data(), 4, 4, 5, u"", 1, -1),
                         GetZaiMst3(&items3[3], 4, -1, 5, u"", 1, -1),
                         GetZaiMst3(&items3[7], 4, -1, 0, u"", 1, -1),
                         GetZaiMst3(&items3[8], 99, 4, 5, masterWin(), 0, 0),
                         GetMst3Pos(4, 5, 9, 1, -1, &r3), GetMst3Pos(4, 6, 2, 1, -1, nullptr)}),
            (std::vector{3, 4, 1, 1, 2, 1}));
  EXPECT_EQ(Raw(items3.data(), 9), records3({0, 3, 6, 0, 2, 3, 6, 4, 6}));
  EXPECT_EQ(Raw(r3), records3({6}, 0));  // `reserved` cleared as ExtractToMst3 clears it
  std::memset(&r3, 0x77, sizeof r3);
  EXPECT_EQ((std::vector{GetMst3Pos(4, 5, 99, 1, -1, &r3), GetMst3Pos(8, 1, 1, 1, -1, &r3)}),
            (std::vector{0, 0}));
  EXPECT_EQ(LONG(r3.code), 0x77777777);
  EXPECT_FALSE(fs::exists(file("zai008-3.mst")) || fs::exists(file("zai099-3.mst")));
  EXPECT_EQ(Shown(), u"");
}

// Level 2: every line gives the record ExtractToMst2 gives, and the readers
// give those records in file order, of one parent or of all; records write
// their lines.
TEST_F(FileTest, Level2) {
  const struct {
    LONG parent;
    std::u16string line;
    ZaiMst2Rec rec;
    bool written = false;  // the line is what the record writes
  } cases[] = {
      {0, u"", Rec2(0, u"")},
      {12, u"12,5,C,1,2,3,4,5,6,7,8", Rec2(5, u"C", {1, 2, 3, 4, 5}, {6, 7, 8}), true},
      {-1, u"-1,-3,ケーブル,255,0,0,0,128,-1,2147483647,-2147483648",
       Rec2(-3, u"ケーブル", {255, 0, 0, 0, 128}, {-1, INT_MAX, INT_MIN}), true},
      {1, u"1,1," + kLong + u",1,2,3,4,5,6,7,8", Rec2(1, kLong60, {1, 2, 3, 4, 5}, {6, 7, 8})},
      {1, u"1,2,a,many,fields,1,2,3,4,5,6,7,8,9,10,11", Rec2(2, u"a", {0, 0, 1, 2, 3}, {4, 5, 6})},
      {1, u"1,3,few", Rec2(3, u"few")},
      {1, u"1", Rec2(0, u"")},
      {1, u"1,x4,non-numeric,a,b,c,d,e,f,g,h", Rec2(0, u"non-numeric")},
      // Full-width digits count; the runtime clamps.
      {1, u" 1,+7,blanks and signs,１２,-1,256,999,0x10,99999999999,-99999999999,12abc",
       Rec2(7, u"blanks and signs", {12, 255, 256, 999, 0}, {INT_MAX, INT_MIN, 12})},
      {1, u"1," + std::u16string(100000, u'9') + u"," + kLong, Rec2(INT_MAX, kLong60)},
      {1, u"1,5,embedded\u0001control\tand\rCR", Rec2(5, u"embedded\u0001control\tand\rCR")},
      {0, u"", Rec2(0, u"")},
  };
  Lines lines;
  std::string all;
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line.substr(0, 80)));
    ZaiMst2Rec r;
    std::memset(&r, 0xCD, sizeof r);
    ExtractToMst2(c.line, &r);
    EXPECT_EQ(Raw(r), Raw(c.rec));
    if (c.written) {
      EXPECT_EQ(FormatMst2(&c.rec, c.parent), c.line + u"\n");
    }
    lines.push_back(c.line);
    all += Raw(c.parent) + Raw(c.rec);
  }
  WriteMaster(file("zairyou2.mst"), lines);
  // Arrays of exactly the records expected: AddressSanitizer stops a write past them.
  std::vector<ZaiMst2ParentRec> withParents(std::size(cases));
  EXPECT_EQ(GetZaiMst2(withParents.data(), 1, -1), int(std::size(cases)));
  EXPECT_EQ(Raw(withParents.data(), withParents.size()), all);
  for (LONG parent : {-1, 0, 1}) {  // -1: every parent
    std::string group;
    for (const auto& c : cases)
      if (parent == -1 || c.parent == parent) group += Raw(c.rec);
    std::vector<ZaiMst2Rec> g(group.size() / sizeof(ZaiMst2Rec));
    EXPECT_EQ(GetZaiMst2_1(g.data(), parent, u"", 1, -1), int(g.size()));
    EXPECT_EQ(Raw(g.data(), g.size()), group) << parent;
  }

  // The group with the parent as its code; one entry by its codes (the
  // first match); its position among the parent's lines; a caller's folder
  // replaces the master folder (the trade is then unused); missing: 0 and
  // the record untouched. Existence needs both files.
  WriteMaster(file("zairyou2.mst"), {Line2(3, 7, u"b"), Line2(1, 11, u"c"), Line2(2, 1, u"d"),
                                     Line2(2, 1, u"second"), Line2(3, 8, u"e"), Line2(3, 9, u"f")});
  ZaiMst2Rec recs[150], r, s;
  EXPECT_EQ((std::vector{GetZaiMst2_3(recs, 3, u"", 1, -1), GetZaiMst2_2(&r, 2, 1, u"", 1, -1),
                         GetMst2Pos(3, 9, 1, -1, &s), GetZaiMst2_1(recs + 3, 2, masterWin(), 9, 9),
                         GetZaiMst2_2(recs + 5, 2, 1, masterWin(), 0, 0),
                         GetMst2Pos(3, 7, 1, -1, nullptr), GetZaiMst2_1(recs + 6, 1, u"", 2, -1),
                         int(IsZaiMstExzist(1, -1))}), (std::vector{3, 1, 2, 2, 1, 0, 0, 0}));
  EXPECT_EQ(Raw(recs, 6) + Raw(r) + Raw(s),
            Raw({Rec2(3, u"b"), Rec2(3, u"e"), Rec2(3, u"f"), Rec2(1, u"d"), Rec2(1, u"second"),
                 Rec2(1, u"d"), Rec2(1, u"d"), Rec2(9, u"f")}));
  std::memset(&r, 0x5A, sizeof r);
  WriteMaster(file("zairyou1.mst"), {});
  EXPECT_EQ((std::vector{GetZaiMst2_2(&r, 3, 10, u"", 1, -1), GetMst2Pos(3, 99, 1, -1, &r),
                         int(IsZaiMstExzist(1, -1)), int(IsZaiMstExzist(2, -1))}),
            (std::vector{0, 0, 1, 0}));
  EXPECT_EQ(LONG(r.code), 0x5A5A5A5A);
  fs::remove(file("zairyou2.mst"));
  EXPECT_EQ((std::vector{int(IsZaiMstExzist(1, -1)), GetZaiMst2(withParents.data(), 1, -1)}),
            (std::vector{0, 0}));
  EXPECT_EQ(Shown(), u"");
}

// 500 level-1 entries, 150 level-2 entries of a parent and 300 level-3 items
// of a group fill the caller's array; the readers stop there, with the
// message of levels 1 and 2 (once per read), and keep every field inside its record.
TEST_F(FileTest, ReadersStopAtTheirLimitsAndReadOtherEncodings) {
  Lines lines;
  for (int i = 1; i <= 600; ++i) lines.push_back(U(std::to_string(i) + ",") + kLong + u",70000,x");
  WriteMaster(file("zairyou1.mst"), Lines(lines.begin(), lines.begin() + 500));
  std::vector<ZaiMst1Rec> g1(500);
  EXPECT_EQ(GetZaiMst1(g1.data(), 1, -1), 500);
  EXPECT_EQ(Shown(), u"");  // exactly 500 lines: no message
  WriteMaster(file("zairyou1.mst"), lines);
  EXPECT_EQ(GetZaiMst1(g1.data(), 1, -1), 500);
  EXPECT_EQ(Raw(g1.back()), Raw(Rec1(500, kLong60, 70000 & 0xFFFF)));
  EXPECT_EQ(Shown(), u"工事材料が500件を超えています。|工事材料エラー|0\n");

  lines.clear();
  for (int i = 1; i <= 152; ++i) lines.push_back(Line2(4, i, u"e"));
  lines.insert(lines.begin() + 150, Line2(5, 1, u"other parent"));
  WriteMaster(file("zairyou2.mst"), Lines(lines.begin(), lines.begin() + 151));
  std::vector<ZaiMst2Rec> g2(150);
  EXPECT_EQ(GetZaiMst2_1(g2.data(), 4, u"", 1, -1), 150);
  EXPECT_EQ(Shown(), u"");
  WriteMaster(file("zairyou2.mst"), lines);
  EXPECT_EQ(GetZaiMst2_1(g2.data(), 4, u"", 1, -1), 150);
  EXPECT_EQ(Raw(g2.back()), Raw(Rec2(150, u"e")));
  EXPECT_EQ(Shown(), u"工事種類が150件を超えています。|工事種類エラー|0\n");

  lines.clear();
  std::u16string fields;  // fields 7 to 30, every one too long
  for (int f = 7; f <= 30; ++f) fields += u"," + kLong;
  for (int i = 1; i <= 350; ++i)
    lines.push_back(U("12345678901234567890,KK,AA,4,5," + std::to_string(i)) + fields);
  WriteMaster(file("zai004-3.mst"), lines);
  std::vector<ZaiMst3Rec> g3(300);
  for (auto& r : g3) r.reserved = 0xA5A5A5A5;
  EXPECT_EQ(GetZaiMst3(g3.data(), 4, 4, 5, u"", 1, -1), 300);
  ZaiMst3Rec last = Rec3(300, kLong);
  last.cwfPrefix = 12345;
  last.cwfNumber = INT_MAX;
  last.classMark = u'K';
  last.useMark = u'A';
  last.reserved = 0xA5A5A5A5;  // the reader never touches it
  SetRecText(last.text2, kLong);
  SetRecText(last.text3, kLong);
  SetRecText(last.shortText, kLong);
  SetRecText(last.closingText, kLong);
  EXPECT_EQ(Raw(g3.back()), Raw(last));
  EXPECT_EQ(Shown(), u"");  // no message at level 3

  // Masters in other encodings, cut, or with lines starting with NUL are read
  // by their mark, and rewritten without losing a readable line.
  const struct {
    std::string bytes, want;
  } cases[] = {
      // No byte-order mark: ANSI, code page 932; the last line without its line end.
      {"1,1,\x93\x64\x8B\x43\r\n1,2,b", Raw({Rec2(1, u"電気"), Rec2(2, u"b")})},
      {"\xEF\xBB\xBF"
       "1,1,\xE9\x9B\xBB\xE6\xB0\x97\r\n",
       Raw(Rec2(1, u"電気"))},                                   // UTF-8
      {cmdtest::Utf16le(u"1,1,ab") + "c", Raw(Rec2(1, u"ab"))},  // the odd byte is no character
      {kEmpty, ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(cmdtest::Hex(c.bytes));
    cmdtest::WriteBytes(file("zairyou2.mst"), c.bytes);
    std::vector<ZaiMst2Rec> g(std::max<std::size_t>(1, c.want.size() / sizeof(ZaiMst2Rec)));
    EXPECT_EQ(GetZaiMst2_1(g.data(), -1, u"", 1, -1), int(c.want.size() / sizeof(ZaiMst2Rec)));
    EXPECT_EQ(Raw(g.data(), c.want.size() / sizeof(ZaiMst2Rec)), c.want);
  }
  // One line starting with NUL, and a run longer than any guess at where
  // the file ends: the lines after them are kept, they are not.
  for (int run : {1, 70}) {
    std::u16string garbage;
    for (int i = 0; i < run; ++i) garbage += std::u16string(1, u'\0') + u"garbage\r\n";
    cmdtest::WriteBytes(file("zairyou2.mst"),
                        Mst({Line2(1, 1, u"a")}) + cmdtest::Utf16le(garbage, false) +
                            Mst({Line2(1, 2, u"b"), Line2(2, 1, u"c")}).substr(2));
    ZaiMst2Rec recs[150];
    EXPECT_EQ(GetZaiMst2_1(recs, 1, u"", 1, -1), 2) << run;
    DelZaiMst2_2(9, 9, 1, -1);  // drops nothing
    DelZaiMst2_1(2, 1, -1);
    EXPECT_EQ(Bytes(file("zairyou2.mst")), Mst({Line2(1, 1, u"a"), Line2(1, 2, u"b")})) << run;
  }
}

// Every rewrite of the material master, byte for byte; a text that would
// not stay in its field ("x,9" would read back as "x" and a 9 in the next
// field) is refused; the host's own "temp.mst" is left alone.
TEST_F(FileTest, Rewrites) {
  cmdtest::WriteBytes(file("temp.mst"), "the host's own file");
  const ZaiMst1Rec recs1[] = {Rec1(5, u"幹線", 1), Rec1(0, u"", 0), Rec1(7, u"B", 300)};
  const ZaiMst2Rec group[] = {Rec2(7, u"new7", {1, 2, 3, 4, 5}, {6, 7, 8}), Rec2(1, u"new1")};
  const ZaiMst2Rec only = Rec2(1, u"only"), entries[] = {Rec2(20, u"b1"), Rec2(21, u"b2")};
  const ZaiMst3Rec items[] = {FullRecord(), Rec3(8, u"eight")}, other = Rec3(5, u"x");
  const ZaiMst3Rec inPlace[] = {Rec3(2, u"new"), Rec3(9, u"not this"), Rec3(2, u"new too")};
  auto plain3 = [](std::string codes, std::u16string name) {  // a record of code and name only
    return u"000000000000,,," + U(codes) + name + u",,,,0,0,0,0,0,0,0,0,0,0,0,0,";
  };
  const std::u16string old1 = Line2(3, 1, u"old"), old2 = Line2(3, 9, u"old"),
      a = Line2(1, 1, u"a"), b = Line2(1, 2, u"b"), c = Line2(2, 2, u"c"), d = Line2(1, 3, u"d"),
      b2 = Line2(1, 21, u"b2"), only1 = Line2(8, 1, u"only"), eight = plain3("4,5,8,", u"eight"),
      new2 = plain3("4,5,2,", u"new"), newToo = plain3("4,5,2,", u"new too"),
      i1 = Line3(4, 5, 1, u"a"), i2 = Line3(4, 5, 2, u"b"), i3 = Line3(4, 5, 3, u"c"), odd = Line3(4, -1, 5, u"?"),
      g = Line3(4, 6, 2, u"g"), l1 = Line3(3, 5, 1, u"other l1");
  const fs::path z1 = file("zairyou1.mst"), z2 = file("zairyou2.mst"), z3 = file("zai004-3.mst");
  fs::create_directories(master() / "2");
  ExpectRewrites({
      // Level 1 is written anew; a missing master folder makes nothing.
      {z1, Mst({u"1,old,0", u"2,old,0"}), [&] { UpdateZaiMst1(recs1, 3, 1, -1); },
       Mst({u"5,幹線,1", u"0,,0", u"7,B,300"})},
      {z1, kAsLeft, [&] { UpdateZaiMst1(recs1, 0, 1, -1); }, kEmpty},
      {z1, kMissing, [&] { UpdateZaiMst1(recs1, 1, 3, -1); }, kMissing},
      // Level 2: a group replaced moves to the end.
      {z2, Mst({old1, a, c, old2, u"", b}), [&] { UpdateZaiMst2_1(group, 3, 2, 1, -1); },
       Mst({a, c, u"", b, u"3,7,new7,1,2,3,4,5,6,7,8", Line2(3, 1, u"new1")})},
      // One entry replaced by several, by one or by none, at the end; a
      // missing file is created.
      {z2, kMissing, [&] { UpdateZaiMst2_1(&only, 8, 1, 1, -1); }, Mst({only1})},
      {z2, kAsLeft, [&] { UpdateZaiMst2_2(&only, 9, 4, 1, 1, -1); },
       Mst({only1, Line2(9, 1, u"only")})},
      {z2, Mst({a, b, c, d}), [&] { UpdateZaiMst2_2(entries, 1, 2, 2, 1, -1); },
       Mst({a, c, d, Line2(1, 20, u"b1"), b2})},
      {z2, kAsLeft, [&] { UpdateZaiMst2_2(nullptr, 1, 20, 0, 1, -1); }, Mst({a, c, d, b2})},
      // Deleting an entry or a group; a missing file stays missing.
      {z2, kAsLeft, [&] { DelZaiMst2_2(1, 3, 1, -1); }, Mst({a, c, b2})},
      {z2, kAsLeft, [&] { DelZaiMst2_1(1, 1, -1); }, Mst({c})},
      {z2, kMissing, [&] { DelZaiMst2_1(1, 1, -1), DelZaiMst2_2(1, 1, 1, -1); }, kMissing},
      // A numbered sub-master has its own folder.
      {master() / "2" / "zairyou2.mst", Mst({a}),
       [&] {
         ZaiMst2Rec r[150];
         EXPECT_EQ(GetZaiMst2_1(r, 1, u"", 1, 1), 1);
         UpdateZaiMst2_1(r, 2, 1, 1, 1);
         EXPECT_FALSE(fs::exists(z2));
       },
       Mst({a, Line2(2, 1, u"a")})},
      // A file in another encoding, with LF-only line ends, is rewritten as
      // UTF-16LE with CR LF even when nothing is deleted; its lines are kept.
      {z2, "1,1,\x93\x64\x8B\x43\r\n2,2,b\n3,3,c", [&] { DelZaiMst2_2(9, 9, 1, -1); },
       Mst({u"1,1,電気", u"2,2,b", u"3,3,c"})},
      // Updates without records leave the masters alone; a negative count
      // means no records, and the group goes.
      {z2, Mst({a}),
       [&] {
         UpdateZaiMst2_1(nullptr, 1, 3, 1, -1);
         UpdateZaiMst2_2(nullptr, 1, 1, 3, 1, -1);
         UpdateZaiMst1(nullptr, 3, 1, -1);
         UpdateZaiMst3(nullptr, 4, 4, 5, 3, 1, -1);
         EXPECT_FALSE(fs::exists(z1) || fs::exists(z3));
       },
       Mst({a})},
      {z2, kAsLeft, [&] { UpdateZaiMst2_1(nullptr, 1, -4, 1, -1); }, kEmpty},
      // Level 3: a group replaced moves to the end; a missing file is created first.
      {z3, Mst({i1, Line3(4, 6, 1, u"keep"), i2, l1}),
       [&] { UpdateZaiMst3(items, 4, 4, 5, 2, 1, -1); },
       Mst({Line3(4, 6, 1, u"keep"), l1, kFullLine, eight})},
      {file("zai011-3.mst"), kMissing, [&] { UpdateZaiMst3(items + 1, 11, 11, 1, 1, 1, -1); },
       Mst({plain3("11,1,8,", u"eight")})},
      // One item replaced in its place by the records of its code, or by
      // none; level-2 code -1: nothing happens beyond creating a missing file.
      {z3, Mst({i1, i2, g, i3}), [&] { UpdateZaiMst3_2(inPlace, 4, 4, 5, 2, 3, 1, -1); },
       Mst({i1, new2, newToo, g, i3})},
      {z3, kAsLeft, [&] { UpdateZaiMst3_2(&other, 4, 4, 5, 1, 1, 1, -1); },
       Mst({new2, newToo, g, i3})},
      {z3, Mst({new2, newToo, g, i3, odd}), [&] { UpdateZaiMst3_2(&other, 4, 4, -1, 5, 1, 1, -1); },
       Mst({new2, newToo, g, i3, odd})},  // even a line of level-2 code -1 stays
      {file("zai012-3.mst"), kMissing, [&] { UpdateZaiMst3_2(&other, 12, 12, -1, 5, 1, 1, -1); },
       kEmpty},
      // Deleting an item, a group, the file; a missing file is created empty.
      {z3, kAsLeft, [&] { DelZaiMst3_2(4, 4, 5, 2, 1, -1); }, Mst({g, i3, odd})},
      {z3, Mst({i1, g, i2}), [&] { DelZaiMst3_1(4, 4, 5, 1, -1); }, Mst({g})},
      {z3, kAsLeft, [&] { DelZaiMst3_1(4, 4, -1, 1, -1); }, kMissing},
      {z3, kAsLeft, [&] { DelZaiMst3_2(4, 4, -1, 9, 1, -1); }, kMissing},
      {file("zai005-3.mst"), kMissing, [&] { DelZaiMst3_1(5, 5, 1, 1, -1); }, kEmpty}, });
  EXPECT_EQ(Bytes(file("temp.mst")), "the host's own file");
  EXPECT_FALSE(fs::exists(root() / "MASTER" / "設備"));

  WriteMaster(z1, {u"1,a,0"});
  WriteMaster(z2, {a});
  WriteMaster(file("zai001-3.mst"), {Line3(1, 1, 1, u"a")});
  const std::string before = Bytes(z1) + Bytes(z2) + Bytes(file("zai001-3.mst"));
  for (const std::u16string bad : {u"x,9", u"two\nlines", u"cut\x1A"}) {
    SCOPED_TRACE(Utf16ToUtf8(bad));
    ZaiMst1Rec r1[] = {Rec1(1, u"ok", 0), Rec1(2, bad, 0)};
    UpdateZaiMst1(r1, 2, 1, -1);
    ZaiMst2Rec r2[] = {Rec2(1, u"ok"), Rec2(2, bad)};
    UpdateZaiMst2_1(r2, 1, 2, 1, -1);
    UpdateZaiMst2_2(r2, 1, 1, 2, 1, -1);
    ZaiMst3Rec named = Rec3(1, bad), closing = Rec3(1, u"ok"), marked = Rec3(1, u"ok");
    SetRecText(closing.closingText, bad);
    marked.useMark = bad[bad.find_first_of(u",\n\x1A")];  // the character alone
    for (const ZaiMst3Rec& r3 : {named, closing, marked}) {
      UpdateZaiMst3(&r3, 1, 1, 1, 1, 1, -1);
      UpdateZaiMst3_2(&r3, 1, 1, 1, 1, 1, 1, -1);
    }
    EXPECT_EQ(Bytes(z1) + Bytes(z2) + Bytes(file("zai001-3.mst")), before);
  }
  EXPECT_EQ(Shown(), u"");

  // The staged rewrite every master shares: a master of a name staging files
  // once had ("temp.new") is a master like any other; a replaced master keeps
  // its permissions; an abandoned rewrite changes nothing.
  WriteMaster(file("temp.new"), {u"A,x"});
  const fs::perms perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(file("temp.new"), perms);
  const CString path = masterWin() + u"temp.new";
  ASSERT_TRUE(cmd::master::WriteMasterWhole(path, [](StagedMaster& s) { s.Write(u"B,y\n"); }));
  ASSERT_TRUE(cmd::master::RewriteMaster(
      path, [](const CString&) { return true; }, [](StagedMaster& s) { s.Write(u"C,z\n"); }));
  {
    StagedMaster staged(path);
    ASSERT_TRUE(staged.OpenForRewrite());
    staged.Write(u"half a line");
  }
  EXPECT_EQ(Bytes(file("temp.new")), Mst({u"B,y", u"C,z"}));
  EXPECT_EQ(fs::status(file("temp.new")).permissions() & fs::perms::all, perms);
  ExpectNoStaging();
}

// Level 3 tells the user when a group cannot be replaced; the other rewrites
// end silently. Level 1 is written whole, without reading the old master.
TEST_F(FileTest, EveryStepFailingAReadErrorAndAReadOnlyMaster) {
  const std::string level2 =
      Mst({Line2(3, 1, u"old"), Line2(1, 1, u"keep"), Line2(3, 2, u"old"), Line2(2, 1, u"k")});
  const std::string level3 = Mst({Line3(4, 5, 1, u"old"), Line3(4, 6, 1, u"keep")});
  const ZaiMst1Rec recs1[] = {Rec1(1, u"new", 0), Rec1(2, u"new", 0)};
  const ZaiMst2Rec recs2[] = {Rec2(7, u"new"), Rec2(8, u"new")};
  const ZaiMst3Rec recs3[] = {Rec3(5, u"new")}, item = Rec3(1, u"new");
  const struct {
    const char* file;
    std::string old;
    std::function<void()> op;
    bool tells, reads;
  } cases[] = {
      {"zairyou2.mst", level2, [&] { UpdateZaiMst2_1(recs2, 3, 2, 1, -1); }, false, true},
      {"zairyou2.mst", level2, [&] { DelZaiMst2_2(1, 1, 1, -1); }, false, true},
      {"zai004-3.mst", level3, [&] { UpdateZaiMst3(recs3, 4, 4, 5, 1, 1, -1); }, true, true},
      {"zai004-3.mst", level3, [&] { UpdateZaiMst3_2(&item, 4, 4, 5, 1, 1, 1, -1); }, false, true},
      {"zairyou1.mst", Mst({u"1,old,0"}), [&] { UpdateZaiMst1(recs1, 2, 1, -1); }, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    auto [kinds, keptOld] = FailEachStep(
        file(c.file), [&] { cmdtest::WriteBytes(file(c.file), c.old); }, c.op, c.tells);
    EXPECT_EQ(kinds.count(FileStep::Read) != 0, c.reads);
  }

  // A read error after the file was opened fails the readers; the level-3
  // reader keeps the items read so far and tells the user. A read-only master
  // is not replaced.
  WriteMaster(file("zairyou2.mst"), {Line2(1, 1, u"a"), Line2(1, 2, u"b")});
  WriteMaster(file("zairyou1.mst"), {u"1,a,0"});
  WriteMaster(file("zai004-3.mst"), {Line3(4, 5, 1, u"a")});
  {
    // The first read of a file happens while it is opened (its byte-order
    // mark); the second one fails.
    std::map<std::string, int> reads;
    FaultScope scope([&](FileStep s, const std::string& path) {
      return s == FileStep::Read && ++reads[path] == 2 ? EIO : 0;
    });
    std::vector<ZaiMst2ParentRec> all(4);
    ZaiMst2Rec recs[150];
    ZaiMst1Rec recs1[500];
    std::vector<ZaiMst3Rec> recs3(300);
    auto fresh = [&](int result) { return reads.clear(), result; };
    EXPECT_EQ((std::vector{fresh(GetZaiMst2(all.data(), 1, -1)),
                           fresh(GetZaiMst2_1(recs, 1, u"", 1, -1)),
                           fresh(GetZaiMst2_3(recs, 1, u"", 1, -1)),
                           fresh(GetZaiMst2_2(recs, 1, 3, u"", 1, -1)),
                           fresh(GetZaiMst1(recs1, 1, -1))}), (std::vector{-1, -1, -1, 0, 0}));
    EXPECT_EQ(Shown(), u"");
    EXPECT_EQ(fresh(GetZaiMst3(recs3.data(), 4, 4, 5, u"", 1, -1)), 1);
    const std::u16string shown = Shown();
    EXPECT_EQ(shown.find(u"エラー:"), 0u);
    EXPECT_EQ(shown.substr(shown.find(u'|')), u"||16\n");  // one box, no caption
  }
  const std::string before = Bytes(file("zairyou2.mst")) + Bytes(file("zairyou1.mst"));
  for (const char* name : {"zairyou1.mst", "zairyou2.mst"})
    fs::permissions(file(name),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  DelZaiMst2_1(1, 1, -1);
  const ZaiMst1Rec r = Rec1(1, u"x", 0);
  UpdateZaiMst1(&r, 1, 1, -1);
  EXPECT_EQ(Bytes(file("zairyou2.mst")) + Bytes(file("zairyou1.mst")), before);
  ExpectNoStaging();
}

// A master large enough that a rewrite takes a while, with the group of
// parent 5 first; a child replaces that group by A, then by B, again and
// again, and is killed at a random moment: the file can only ever be S0, SA
// or SB, and a staging file left by the kill does not disturb the next rewrite.
TEST_F(FileTest, TheMasterIsWholeAfterAKillAtAnyMoment) {
  Lines lines;
  for (int i = 0; i < 40; ++i) lines.push_back(Line2(5, i, u"initial group"));
  for (int i = 0; i < 1500; ++i) lines.push_back(Line2(1 + i % 4, i, u"他の親の項目 others"));
  WriteMaster(file("zairyou2.mst"), lines);
  std::vector<ZaiMst2Rec> groupA, groupB;
  for (int i = 0; i < 30; ++i) groupA.push_back(Rec2(i, u"group A"));
  for (int i = 0; i < 50; ++i) groupB.push_back(Rec2(100 + i, u"group B"));
  auto apply = [](const auto& g) { UpdateZaiMst2_1(g.data(), 5, int(g.size()), 1, -1); };
  const std::string s0 = Bytes(file("zairyou2.mst"));
  const auto start = std::chrono::steady_clock::now();
  apply(groupA);
  const std::string sA = Bytes(file("zairyou2.mst"));
  apply(groupB);
  const std::string sB = Bytes(file("zairyou2.mst"));
  ASSERT_NE(sA, sB);
  // The kills fall within a few rewrites, however long one takes on this
  // machine at this moment (a loaded machine makes them slow).
  const auto pair = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start).count();
  std::uniform_int_distribution<int> delayMicros(0, int(std::clamp(pair * 3, 80000L, 2000000L)));
  std::mt19937 random(20240601);
  int finished = 0;
  for (int round = 0; round < 25; ++round) {
    cmdtest::WriteBytes(file("zairyou2.mst"), s0);
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    while (child == 0) apply(groupA), apply(groupB);
    usleep(static_cast<useconds_t>(delayMicros(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::string now = Bytes(file("zairyou2.mst"));
    ASSERT_TRUE(now == s0 || now == sA || now == sB)
        << "round " << round << ": torn (" << now.size() << " bytes)";
    finished += now != s0;
    apply(groupA);
    EXPECT_EQ(Bytes(file("zairyou2.mst")), sA);
  }
  EXPECT_GT(finished, 0) << "the child never finished a rewrite";
}

}  // namespace
