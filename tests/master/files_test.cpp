// The material master files: what the readers give (also of masters not as
// the library writes them: odd fields, overlong texts, other encodings, cut
// files), never past their arrays, and what every rewrite leaves, byte for byte.
#include <algorithm>
#include <climits>

#include "master/rewrite.h"
#include "master_fixture.h"

using namespace mtest;
using cmd::master::StagedMaster;

namespace {

// Records between guard bytes: a write outside the array shows in a guard.
// Byte-packed records are placed at an odd address, as a host may place them.
template <class Rec>
class Guarded {
 public:
  explicit Guarded(std::size_t count) : count_(count), bytes_(kLead + count * sizeof(Rec) + 64, kFill) {}
  Rec* recs() { return reinterpret_cast<Rec*>(bytes_.data() + kLead); }
  // The records' bytes (the last n); fails the test when a guard byte changed.
  std::string Records(std::size_t n = SIZE_MAX) const {
    auto fill = [](char b) { return b == kFill; };
    EXPECT_TRUE(std::all_of(bytes_.begin(), bytes_.begin() + kLead, fill) &&
                std::all_of(bytes_.end() - 64, bytes_.end(), fill));
    return std::string(bytes_.begin() + kLead + (count_ - std::min(n, count_)) * sizeof(Rec),
                       bytes_.end() - 64);
  }

 private:
  static constexpr std::size_t kLead = alignof(Rec) == 1 ? 1 : alignof(Rec);
  static constexpr char kFill = char(0xA5);
  std::size_t count_;
  std::vector<char> bytes_;
};

using FileTest = MasterTest;

const std::u16string kLong(200, u'長'), kLong60 = kLong.substr(0, 60);

// Level 1: every line is an entry, by position or by code; the name is cut
// to 60 units, the flag to 16 bits; ExtractToMst1 gives what the reader gives.
TEST_F(FileTest, Level1) {
  std::vector<ZaiMst1Rec> recs(500);
  recs[0].code = 99;
  EXPECT_EQ(GetZaiMst1(recs.data(), 1, -1), 0);  // a missing file: nothing, and code 0
  EXPECT_EQ(recs[0].code, 0);
  EXPECT_EQ(GetZaiMst1(recs.data(), 7, -1), 0);  // an invalid trade names the current folder
  EXPECT_EQ(GetZaiMst1(nullptr, 1, -1), 0);

  const Lines lines = {u"-7,配管材料,65535", u"", u"30,c", u"30,d,4",
                       u"1," + std::u16string(75, u'名') + u",65537"};
  const ZaiMst1Rec want[] = {Rec1(-7, u"配管材料", 65535), Rec1(0, u""), Rec1(30, u"c"),
                             Rec1(30, u"d", 4), Rec1(1, std::u16string(60, u'名'), 1)};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::memset(&recs[i], 0xAB, sizeof recs[i]);
    ExtractToMst1(lines[i], &recs[i]);
  }
  EXPECT_EQ(Raw(recs.data(), 5), Raw(want, 5));
  EXPECT_EQ(FormatMst1(&want[0]), lines[0] + u"\n");
  ZaiMst1Rec r = Rec1(1, u"", 2);
  for (char16_t& ch : r.name) ch = u'x';  // no terminator: 61 units are the name
  EXPECT_EQ(FormatMst1(&r), u"1," + std::u16string(61, u'x') + u",2\n");

  WriteMaster(file("zairyou1.mst"), lines);
  ASSERT_EQ(GetZaiMst1(recs.data(), 1, -1), 5);
  EXPECT_EQ(Raw(recs.data(), 5), Raw(want, 5));
  std::vector<ZaiMst1Rec> viaFolder(500);
  EXPECT_EQ(GetZaiMst1_1(viaFolder.data(), masterWin()), 5);
  EXPECT_EQ(Raw(viaFolder.data(), 5), Raw(want, 5));
  EXPECT_EQ(GetMst1Pos(30, 1, -1, &r), 2);  // the first line with the code
  EXPECT_EQ(Raw(r), Raw(want[2]));
  EXPECT_EQ(GetMst1Pos(0, 1, -1, &r), 1);  // the empty line reads as code 0
  EXPECT_EQ(Raw(r), Raw(want[1]));
  EXPECT_EQ(GetMst1Pos(-7, 1, -1, nullptr), 0);
  std::memset(&r, 0xAB, sizeof r);
  EXPECT_EQ(GetMst1Pos(99, 1, -1, &r), 0);  // missing: 0, the record untouched
  fs::remove(file("zairyou1.mst"));
  EXPECT_EQ(GetMst1Pos(30, 1, -1, &r), 0);
  EXPECT_EQ(r.code, LONG(0xABABABAB));
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
      {12, u"12,5,C,1,2,300,-1,5,6,7,8,extra", Rec2(5, u"C", {1, 2, 300, -1, 5}, {6, 7, 8})},
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
    if (c.written) EXPECT_EQ(FormatMst2(&c.rec, c.parent), c.line + u"\n");
    lines.push_back(c.line);
    all += Raw(c.parent) + Raw(c.rec);
  }
  WriteMaster(file("zairyou2.mst"), lines);
  Guarded<ZaiMst2ParentRec> withParents(std::size(cases));
  EXPECT_EQ(GetZaiMst2(withParents.recs(), 1, -1), int(std::size(cases)));
  EXPECT_EQ(withParents.Records(), all);
  for (LONG parent : {-1, 0, 1}) {  // -1: every parent
    std::string group;
    for (const auto& c : cases)
      if (parent == -1 || c.parent == parent) group += Raw(c.rec);
    const std::size_t n = group.size() / sizeof(ZaiMst2Rec);
    Guarded<ZaiMst2Rec> g(n);
    EXPECT_EQ(GetZaiMst2_1(g.recs(), parent, u"", 1, -1), int(n));
    EXPECT_EQ(g.Records(), group) << parent;
  }

  // The group with the parent as its code; one entry by its codes; its
  // position among the parent's lines; a caller's folder replaces the master
  // folder (the trade is then unused).
  WriteMaster(file("zairyou2.mst"), {Line2(3, 7, u"b"), Line2(1, 11, u"c"), Line2(2, 1, u"d"),
                                     Line2(2, 1, u"second"), Line2(3, 8, u"e"), Line2(3, 9, u"f")});
  ZaiMst2Rec recs[150], r;
  ASSERT_EQ(GetZaiMst2_3(recs, 3, u"", 1, -1), 3);
  EXPECT_EQ(Raw(recs, 3), Raw({Rec2(3, u"b"), Rec2(3, u"e"), Rec2(3, u"f")}));
  EXPECT_EQ(GetZaiMst2_1(recs, 2, masterWin(), 9, 9), 2);
  EXPECT_EQ(GetZaiMst2_1(recs, 1, u"", 2, -1), 0);  // no such file
  ASSERT_EQ(GetZaiMst2_2(&r, 2, 1, u"", 1, -1), 1);
  EXPECT_EQ(Raw(r), Raw(Rec2(1, u"d")));  // the first match
  EXPECT_EQ(GetZaiMst2_2(&r, 2, 1, masterWin(), 0, 0), 1);
  EXPECT_EQ(GetMst2Pos(3, 9, 1, -1, &r), 2);
  EXPECT_EQ(Raw(r), Raw(Rec2(9, u"f")));
  EXPECT_EQ(GetMst2Pos(3, 7, 1, -1, nullptr), 0);
  std::memset(&r, 0x5A, sizeof r);
  EXPECT_EQ(GetZaiMst2_2(&r, 3, 10, u"", 1, -1), 0);
  EXPECT_EQ(GetMst2Pos(3, 99, 1, -1, &r), 0);
  EXPECT_EQ(LONG(r.code), 0x5A5A5A5A);  // untouched

  EXPECT_FALSE(IsZaiMstExzist(1, -1));  // both files are needed
  WriteMaster(file("zairyou1.mst"), {});
  EXPECT_TRUE(IsZaiMstExzist(1, -1));
  fs::remove(file("zairyou2.mst"));
  EXPECT_FALSE(IsZaiMstExzist(1, -1));
  EXPECT_EQ(GetZaiMst2(withParents.recs(), 1, -1), 0);
  EXPECT_EQ(Shown(), u"");
}

// Level 3: a group of one level-1 code or of every one, and the position of
// an item, as ExtractToMst3 fills them; reading a missing file creates it.
TEST_F(FileTest, Level3) {
  std::vector<ZaiMst3Rec> recs(300);
  EXPECT_EQ(GetZaiMst3(recs.data(), 7, 7, 1, u"", 1, -1), 0);
  EXPECT_EQ(Bytes(file("zai007-3.mst")), kEmpty);
  EXPECT_EQ(GetZaiMst3(recs.data(), 1234, 1234, 1, u"", 1, -1), 0);
  EXPECT_EQ(Bytes(file("zai1234-3.mst")), kEmpty);
  EXPECT_EQ(GetZaiMst3(recs.data(), 1, 1, 1, u"", 3, -1), 0);  // folder missing: nothing made
  EXPECT_FALSE(fs::exists(root() / "MASTER" / "設備"));

  const Lines lines = {Line3(4, 5, 1, u"a"), Line3(4, 6, 1, u"x"), Line3(9, 5, 2, u"b"),
                       kFullLine, u"", Line3(4, 6, 2, u"y"), Line3(4, 5, 9, u"c")};
  WriteMaster(file("zai004-3.mst"), lines);
  std::vector<ZaiMst3Rec> want(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) ExtractToMst3(lines[i], &want[i]);
  // The reader never touches `reserved`.
  auto items = [&](std::initializer_list<int> which) {
    std::string bytes;
    for (int i : which) {
      ZaiMst3Rec r = want[i];
      r.reserved = 0xDEADBEEF;
      bytes += Raw(r);
    }
    return bytes;
  };
  for (auto& r : recs) r.reserved = 0xDEADBEEF;
  ASSERT_EQ(GetZaiMst3(recs.data(), 4, 4, 5, u"", 1, -1), 3);
  EXPECT_EQ(Raw(recs.data(), 3), items({0, 3, 6}));
  ASSERT_EQ(GetZaiMst3(recs.data(), 4, -1, 5, u"", 1, -1), 4);
  EXPECT_EQ(Raw(recs.data(), 4), items({0, 2, 3, 6}));
  ASSERT_EQ(GetZaiMst3(recs.data(), 4, -1, 0, u"", 1, -1), 1);  // the empty line is group 0
  EXPECT_EQ(Raw(recs[0]), items({4}));

  ZaiMst3Rec r;
  std::memset(&r, 0x77, sizeof r);
  EXPECT_EQ(GetMst3Pos(4, 5, 9, 1, -1, &r), 2);
  EXPECT_EQ(Raw(r), Raw(want[6]));  // `reserved` cleared as ExtractToMst3 clears it
  EXPECT_EQ(GetMst3Pos(4, 6, 2, 1, -1, nullptr), 1);
  std::memset(&r, 0x77, sizeof r);
  EXPECT_EQ(GetMst3Pos(4, 5, 99, 1, -1, &r), 0);
  EXPECT_EQ(GetMst3Pos(8, 1, 1, 1, -1, &r), 0);  // a missing file is not created
  EXPECT_EQ(LONG(r.code), 0x77777777);
  EXPECT_FALSE(fs::exists(file("zai008-3.mst")));

  // A caller's folder names its single "zairyou3.mst".
  WriteMaster(file("zairyou3.mst"), {lines[6]});
  ASSERT_EQ(GetZaiMst3(recs.data(), 99, 4, 5, masterWin(), 0, 0), 1);
  EXPECT_EQ(Raw(recs[0]), items({6}));
  EXPECT_FALSE(fs::exists(file("zai099-3.mst")));
  EXPECT_EQ(Shown(), u"");
}

// 500 level-1 entries, 150 level-2 entries of a parent and 300 level-3 items
// of a group fill the caller's array; the readers stop there, with the
// message of levels 1 and 2, and keep every field inside its record.
TEST_F(FileTest, ReadersStopAtTheirLimitsInsideTheirArrays) {
  Lines lines;
  for (int i = 1; i <= 600; ++i) lines.push_back(U(std::to_string(i) + ",") + kLong + u",70000,x");
  WriteMaster(file("zairyou1.mst"), Lines(lines.begin(), lines.begin() + 500));
  Guarded<ZaiMst1Rec> g1(500);
  EXPECT_EQ(GetZaiMst1(g1.recs(), 1, -1), 500);
  EXPECT_EQ(Shown(), u"");  // exactly 500 lines: no message
  WriteMaster(file("zairyou1.mst"), lines);
  EXPECT_EQ(GetZaiMst1(g1.recs(), 1, -1), 500);
  EXPECT_EQ(g1.Records(1), Raw(Rec1(500, kLong60, 70000 & 0xFFFF)));
  EXPECT_EQ(Shown(), u"工事材料が500件を超えています。|工事材料エラー|0\n");  // once per read

  lines.clear();
  for (int i = 1; i <= 150; ++i) lines.push_back(Line2(4, i, u"e"));
  lines.push_back(Line2(5, 1, u"other parent"));
  WriteMaster(file("zairyou2.mst"), lines);
  Guarded<ZaiMst2Rec> g2(150);
  EXPECT_EQ(GetZaiMst2_1(g2.recs(), 4, u"", 1, -1), 150);
  EXPECT_EQ(Shown(), u"");
  lines.push_back(Line2(4, 151, u"e"));
  lines.push_back(Line2(4, 152, u"e"));
  WriteMaster(file("zairyou2.mst"), lines);
  const std::u16string limit2 = u"工事種類が150件を超えています。|工事種類エラー|0\n";
  EXPECT_EQ(GetZaiMst2_1(g2.recs(), 4, u"", 1, -1), 150);
  EXPECT_EQ(g2.Records(1), Raw(Rec2(150, u"e")));
  EXPECT_EQ(Shown(), limit2);
  EXPECT_EQ(GetZaiMst2_3(g2.recs(), -1, u"", 1, -1), 150);
  EXPECT_EQ(g2.Records(1), Raw(Rec2(4, u"e")));
  EXPECT_EQ(Shown(), limit2);

  lines.clear();
  std::u16string fields;  // fields 7 to 30, every one too long
  for (int f = 7; f <= 30; ++f) fields += u"," + kLong;
  for (int i = 1; i <= 350; ++i)
    lines.push_back(U("12345678901234567890,KK,AA,4,5," + std::to_string(i)) + fields);
  WriteMaster(file("zai004-3.mst"), lines);
  Guarded<ZaiMst3Rec> g3(300);
  EXPECT_EQ(GetZaiMst3(g3.recs(), 4, 4, 5, u"", 1, -1), 300);
  ZaiMst3Rec last = Rec3(300, kLong);
  last.cwfPrefix = 12345;
  last.cwfNumber = INT_MAX;
  last.classMark = u'K';
  last.useMark = u'A';
  last.reserved = 0xA5A5A5A5;  // the guard's fill: the reader never touches it
  SetRecText(last.text2, kLong);
  SetRecText(last.text3, kLong);
  SetRecText(last.shortText, kLong);
  SetRecText(last.closingText, kLong);
  EXPECT_EQ(g3.Records(1), Raw(last));
  EXPECT_EQ(Shown(), u"");  // no message at level 3
}

// Masters in other encodings, cut, or with lines starting with NUL are read
// by their mark, and rewritten without losing a readable line.
TEST_F(FileTest, OtherEncodingsAndCutFiles) {
  const struct { std::string bytes, want; } cases[] = {
      // No byte-order mark: ANSI, code page 932; the last line without its line end.
      {"1,1,\x93\x64\x8B\x43\r\n1,2,b", Raw({Rec2(1, u"電気"), Rec2(2, u"b")})},
      {"\xEF\xBB\xBF" "1,1,\xE9\x9B\xBB\xE6\xB0\x97\r\n", Raw(Rec2(1, u"電気"))},  // UTF-8
      {cmdtest::Utf16le(u"1,1,ab") + "c", Raw(Rec2(1, u"ab"))},  // the odd byte is no character
      {kEmpty, ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(cmdtest::Hex(c.bytes));
    cmdtest::WriteBytes(file("zairyou2.mst"), c.bytes);
    Guarded<ZaiMst2Rec> g(c.want.size() / sizeof(ZaiMst2Rec));
    EXPECT_EQ(GetZaiMst2_1(g.recs(), -1, u"", 1, -1), int(c.want.size() / sizeof(ZaiMst2Rec)));
    EXPECT_EQ(g.Records(), c.want);
  }

  // One line starting with NUL, and a run longer than any guess at where
  // the file ends: the lines after them are kept, they are not.
  for (int run : {1, 70}) {
    std::u16string garbage;
    for (int i = 0; i < run; ++i) garbage += std::u16string(1, u'\0') + u"garbage\r\n";
    cmdtest::WriteBytes(file("zairyou2.mst"),
                        Mst({Line2(1, 1, u"a")}) +
                            cmdtest::Utf16le(garbage + Line2(1, 2, u"b") + u"\r\n" +
                                                 Line2(2, 1, u"c") + u"\r\n", false));
    ZaiMst2Rec recs[150];
    EXPECT_EQ(GetZaiMst2_1(recs, 1, u"", 1, -1), 2) << run;
    DelZaiMst2_2(9, 9, 1, -1);  // drops nothing
    DelZaiMst2_1(2, 1, -1);
    EXPECT_EQ(Bytes(file("zairyou2.mst")), Mst({Line2(1, 1, u"a"), Line2(1, 2, u"b")})) << run;
  }
}

// Every rewrite of the material master, byte for byte; the host's own
// "temp.mst" is left alone.
TEST_F(FileTest, Rewrites) {
  cmdtest::WriteBytes(file("temp.mst"), "the host's own file");
  const ZaiMst1Rec recs1[] = {Rec1(5, u"幹線", 1), Rec1(0, u"", 0), Rec1(7, u"B", 300)};
  const ZaiMst2Rec group[] = {Rec2(7, u"new7", {1, 2, 3, 4, 5}, {6, 7, 8}), Rec2(1, u"new1")};
  const ZaiMst2Rec only = Rec2(1, u"only"), entries[] = {Rec2(20, u"b1"), Rec2(21, u"b2")};
  const ZaiMst3Rec items[] = {FullRecord(), Rec3(8, u"eight")};
  const ZaiMst3Rec inPlace[] = {Rec3(2, u"new"), Rec3(9, u"not this"), Rec3(2, u"new too")};
  const ZaiMst3Rec other = Rec3(5, u"x");
  auto plain3 = [](int l1, int l2, int l3, const char16_t* name) {  // a record of code and name
    return u"000000000000,,," +
           U(std::to_string(l1) + "," + std::to_string(l2) + "," + std::to_string(l3) + ",") +
           name + u",,,,0,0,0,0,0,0,0,0,0,0,0,0,";
  };
  const fs::path z1 = file("zairyou1.mst"), z2 = file("zairyou2.mst"), z3 = file("zai004-3.mst");
  fs::create_directories(master() / "2");
  ExpectRewrites({
      // Level 1 is written anew; a missing master folder makes nothing.
      {z1, Mst({u"1,old,0", u"2,old,0"}), [&] { UpdateZaiMst1(recs1, 3, 1, -1); },
       Mst({u"5,幹線,1", u"0,,0", u"7,B,300"})},
      {z1, {}, [&] { UpdateZaiMst1(recs1, 0, 1, -1); }, kEmpty},
      {z1, kMissing, [&] { UpdateZaiMst1(recs1, 1, 3, -1); }, kMissing},
      // Level 2: a group replaced moves to the end.
      {z2, Mst({Line2(3, 1, u"old"), Line2(3, 2, u"old"), Line2(1, 1, u"k1"), Line2(2, 5, u"k2"),
                Line2(3, 9, u"old"), u"", Line2(1, 2, u"k3")}),
       [&] { UpdateZaiMst2_1(group, 3, 2, 1, -1); },
       Mst({Line2(1, 1, u"k1"), Line2(2, 5, u"k2"), u"", Line2(1, 2, u"k3"),
            u"3,7,new7,1,2,3,4,5,6,7,8", Line2(3, 1, u"new1")})},
      // One entry replaced by several, by one or by none, at the end; a
      // missing file is created.
      {z2, kMissing, [&] { UpdateZaiMst2_1(&only, 8, 1, 1, -1); }, Mst({Line2(8, 1, u"only")})},
      {z2, {}, [&] { UpdateZaiMst2_2(&only, 9, 4, 1, 1, -1); },
       Mst({Line2(8, 1, u"only"), Line2(9, 1, u"only")})},
      {z2, Mst({Line2(1, 1, u"a"), Line2(1, 2, u"b"), Line2(2, 2, u"c"), Line2(1, 3, u"d")}),
       [&] { UpdateZaiMst2_2(entries, 1, 2, 2, 1, -1); },
       Mst({Line2(1, 1, u"a"), Line2(2, 2, u"c"), Line2(1, 3, u"d"), Line2(1, 20, u"b1"),
            Line2(1, 21, u"b2")})},
      {z2, {}, [&] { UpdateZaiMst2_2(nullptr, 1, 20, 0, 1, -1); },
       Mst({Line2(1, 1, u"a"), Line2(2, 2, u"c"), Line2(1, 3, u"d"), Line2(1, 21, u"b2")})},
      // Deleting an entry or a group; a missing file stays missing.
      {z2, {}, [&] { DelZaiMst2_2(1, 3, 1, -1); },
       Mst({Line2(1, 1, u"a"), Line2(2, 2, u"c"), Line2(1, 21, u"b2")})},
      {z2, {}, [&] { DelZaiMst2_1(1, 1, -1); }, Mst({Line2(2, 2, u"c")})},
      {z2, kMissing, [&] { DelZaiMst2_1(1, 1, -1), DelZaiMst2_2(1, 1, 1, -1); }, kMissing},
      // A numbered sub-master has its own folder.
      {master() / "2" / "zairyou2.mst", Mst({Line2(1, 1, u"sub")}),
       [&] {
         ZaiMst2Rec r[150];
         EXPECT_EQ(GetZaiMst2_1(r, 1, u"", 1, 1), 1);
         UpdateZaiMst2_1(r, 2, 1, 1, 1);
         EXPECT_FALSE(fs::exists(z2));
       },
       Mst({Line2(1, 1, u"sub"), Line2(2, 1, u"sub")})},
      // Other encodings and LF-only line ends are rewritten as UTF-16LE, CR LF.
      {z2, "\xEF\xBB\xBF" "1,1,\xE9\x9B\xBB\n2,2,b\n3,3,c", [&] { DelZaiMst2_2(9, 9, 1, -1); },
       Mst({u"1,1,電", u"2,2,b", u"3,3,c"})},
      {z2, "1,1,\x93\x64\x8B\x43\r\n2,2,b\n3,3,c", [&] { UpdateZaiMst2_1(&only, 2, 1, 1, -1); },
       Mst({u"1,1,電気", u"3,3,c", Line2(2, 1, u"only")})},
      // Updates without records leave the masters alone; a negative count
      // means no records, and the group goes.
      {z2, Mst({Line2(1, 1, u"a")}),
       [&] {
         UpdateZaiMst2_1(nullptr, 1, 3, 1, -1);
         UpdateZaiMst2_2(nullptr, 1, 1, 3, 1, -1);
         UpdateZaiMst1(nullptr, 3, 1, -1);
         UpdateZaiMst3(nullptr, 4, 4, 5, 3, 1, -1);
         EXPECT_FALSE(fs::exists(z1) || fs::exists(z3));
       },
       Mst({Line2(1, 1, u"a")})},
      {z2, {}, [&] { UpdateZaiMst2_1(nullptr, 1, -4, 1, -1); }, kEmpty},
      // Level 3: a group replaced moves to the end; a missing file is created first.
      {z3, Mst({Line3(4, 5, 1, u"old"), Line3(4, 6, 1, u"keep"), Line3(4, 5, 2, u"old"),
                Line3(3, 5, 1, u"other l1")}),
       [&] { UpdateZaiMst3(items, 4, 4, 5, 2, 1, -1); },
       Mst({Line3(4, 6, 1, u"keep"), Line3(3, 5, 1, u"other l1"), kFullLine, plain3(4, 5, 8, u"eight")})},
      {file("zai011-3.mst"), kMissing, [&] { UpdateZaiMst3(items + 1, 11, 11, 1, 1, 1, -1); },
       Mst({plain3(11, 1, 8, u"eight")})},
      // One item replaced in its place by the records of its code, or by none.
      {z3, Mst({Line3(4, 5, 1, u"a"), Line3(4, 5, 2, u"b"), Line3(4, 6, 2, u"g"), Line3(4, 5, 3, u"c")}),
       [&] { UpdateZaiMst3_2(inPlace, 4, 4, 5, 2, 3, 1, -1); },
       Mst({Line3(4, 5, 1, u"a"), plain3(4, 5, 2, u"new"), plain3(4, 5, 2, u"new too"),
            Line3(4, 6, 2, u"g"), Line3(4, 5, 3, u"c")})},
      {z3, {}, [&] { UpdateZaiMst3_2(&other, 4, 4, 5, 1, 1, 1, -1); },
       Mst({plain3(4, 5, 2, u"new"), plain3(4, 5, 2, u"new too"), Line3(4, 6, 2, u"g"),
            Line3(4, 5, 3, u"c")})},
      // Level-2 code -1: nothing happens beyond creating a missing file.
      {z3, {}, [&] { UpdateZaiMst3_2(&other, 4, 4, -1, 5, 1, 1, -1); },
       Mst({plain3(4, 5, 2, u"new"), plain3(4, 5, 2, u"new too"), Line3(4, 6, 2, u"g"),
            Line3(4, 5, 3, u"c")})},
      {file("zai012-3.mst"), kMissing, [&] { UpdateZaiMst3_2(&other, 12, 12, -1, 5, 1, 1, -1); },
       kEmpty},
      // Deleting an item, a group, the file; a missing file is created empty.
      {z3, {}, [&] { DelZaiMst3_2(4, 4, 5, 2, 1, -1); },
       Mst({Line3(4, 6, 2, u"g"), Line3(4, 5, 3, u"c")})},
      {z3, Mst({Line3(4, 5, 1, u"a"), Line3(4, 6, 1, u"b"), Line3(4, 5, 2, u"c")}),
       [&] { DelZaiMst3_1(4, 4, 5, 1, -1); }, Mst({Line3(4, 6, 1, u"b")})},
      {z3, {}, [&] { DelZaiMst3_1(4, 4, -1, 1, -1); }, kMissing},
      {z3, {}, [&] { DelZaiMst3_2(4, 4, -1, 9, 1, -1); }, kMissing},
      {file("zai005-3.mst"), kMissing, [&] { DelZaiMst3_1(5, 5, 1, 1, -1); }, kEmpty},
  });
  EXPECT_EQ(Bytes(file("temp.mst")), "the host's own file");
  EXPECT_FALSE(fs::exists(root() / "MASTER" / "設備"));
}

// A text that would not stay in its field ("x,9" would read back as "x" and
// a 9 in the next field) is refused, and the master stays as it was.
TEST_F(FileTest, ATextThatWouldNotStayInItsFieldIsRefused) {
  const fs::path files[] = {file("zairyou1.mst"), file("zairyou2.mst"), file("zai001-3.mst")};
  WriteMaster(files[0], {u"1,a,0"});
  WriteMaster(files[1], {Line2(1, 1, u"a")});
  WriteMaster(files[2], {Line3(1, 1, 1, u"a")});
  const std::string before = Bytes(files[0]) + Bytes(files[1]) + Bytes(files[2]);
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
    EXPECT_EQ(Bytes(files[0]) + Bytes(files[1]) + Bytes(files[2]), before);
  }
  EXPECT_EQ(Shown(), u"");
}

// The staged rewrite every master shares: files and a folder of the names
// staging files once had stay as they are and are masters like any other; a
// replaced master keeps its permissions; an abandoned rewrite changes nothing.
TEST_F(FileTest, StagingFilesNeverMeetTheHostsFiles) {
  cmdtest::WriteBytes(file("temp"), "the host's own file");
  fs::create_directory(file("temp.mst"));
  WriteMaster(file("temp.new"), {u"A,x"});
  const fs::perms perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(file("temp.new"), perms);
  ASSERT_TRUE(cmd::master::WriteMasterWhole(masterWin() + u"temp.new",
                                            [](StagedMaster& s) { s.Write(u"B,y\n"); }));
  ASSERT_TRUE(cmd::master::RewriteMaster(
      masterWin() + u"temp.new", [](const CString&) { return true; },
      [](StagedMaster& s) { s.Write(u"C,z\n"); }));
  {
    StagedMaster staged(masterWin() + u"temp.new");
    ASSERT_TRUE(staged.OpenForRewrite());
    staged.Write(u"half a line");
  }
  EXPECT_EQ(Bytes(file("temp.new")), Mst({u"B,y", u"C,z"}));
  EXPECT_EQ(fs::status(file("temp.new")).permissions() & fs::perms::all, perms);
  EXPECT_EQ(Bytes(file("temp")), "the host's own file");
  EXPECT_TRUE(fs::is_directory(file("temp.mst")));
  ExpectNoStaging();
}

}  // namespace
