// Masters that are not as the library writes them: odd fields, overlong
// texts, other encodings, cut files. They are read by the rules, never past a
// record, and a rewrite loses none of their lines.
#include <vector>

#include "master_fixture.h"

using namespace mtest;

namespace {

// Records between guard bytes: a write outside the array shows in a guard.
// Byte-packed records are placed at an odd address, as a host may place them.
template <class Rec>
class Guarded {
 public:
  explicit Guarded(std::size_t count)
      : count_(count), bytes_(kLead + count * sizeof(Rec) + kGuard, kFill) {}
  Rec* recs() { return reinterpret_cast<Rec*>(bytes_.data() + kLead); }
  Rec get(std::size_t i) const {
    Rec r;
    std::memcpy(&r, bytes_.data() + kLead + i * sizeof(Rec), sizeof r);
    return r;
  }
  bool GuardIntact() const {
    auto fill = [](unsigned char b) { return b == kFill; };
    return std::all_of(bytes_.begin(), bytes_.begin() + kLead, fill) &&
           std::all_of(bytes_.begin() + kLead + count_ * sizeof(Rec), bytes_.end(), fill);
  }

 private:
  static constexpr std::size_t kLead = alignof(Rec) == 1 ? 1 : alignof(Rec);
  static constexpr std::size_t kGuard = 64;
  static constexpr unsigned char kFill = 0xA5;
  std::size_t count_;
  std::vector<unsigned char> bytes_;
};

using BadInputTest = MasterTest;

const std::u16string kLongName(200, u'長');

TEST_F(BadInputTest, OddLevel2LinesStayInsideTheirRecords) {
  WriteMaster(file("zairyou2.mst"),
              {u"1,1," + kLongName + u",1,2,3,4,5,6,7,8",
               u"1,2,too,many,fields,1,2,3,4,5,6,7,8,9,10,11,12",
               u"1,3,few",
               u"1",
               u"1,x4,non-numeric,a,b,c,d,e,f,g,h",
               u" 1,+7,blanks and signs,１２,-1,256,999,0x10,99999999999,-99999999999,12abc",
               u"1," + std::u16string(100000, u'9') + u"," + kLongName,
               u"1,5,embedded\u0001control\tand\rCR"});
  Guarded<ZaiMst2Rec> g(8);
  ASSERT_EQ(GetZaiMst2_1(g.recs(), 1, u"", 1, -1), 8);
  EXPECT_TRUE(g.GuardIntact());

  ZaiMst2Rec r = g.get(0);
  EXPECT_EQ(RecText(r.name), kLongName.substr(0, 60));
  EXPECT_EQ(Val(r.value[2]), 8);
  r = g.get(1);
  EXPECT_EQ(RecText(r.name), u"too");
  EXPECT_EQ(Val(r.attr[0]), 0);  // "many"
  EXPECT_EQ(Val(r.attr[2]), 1);
  EXPECT_EQ(Val(r.value[2]), 6);  // fields beyond the eleventh are dropped
  r = g.get(2);
  EXPECT_EQ(RecText(r.name), u"few");
  EXPECT_EQ(Val(r.attr[4]), 0);
  EXPECT_EQ(Val(r.value[0]), 0);
  r = g.get(3);
  EXPECT_EQ(Val(r.code), 0);
  EXPECT_EQ(RecText(r.name), u"");
  r = g.get(4);
  EXPECT_EQ(Val(r.code), 0);
  EXPECT_EQ(Val(r.attr[0]), 0);
  r = g.get(5);
  EXPECT_EQ(Val(r.code), 7);
  EXPECT_EQ(Val(r.attr[0]), 12);  // full-width digits count
  EXPECT_EQ(Val(r.attr[1]), 255);
  EXPECT_EQ(Val(r.attr[2]), 0);
  EXPECT_EQ(Val(r.attr[3]), 999 & 0xFF);
  EXPECT_EQ(Val(r.attr[4]), 0);
  EXPECT_EQ(Val(r.value[0]), 2147483647);  // the runtime clamps
  EXPECT_EQ(Val(r.value[1]), -2147483647 - 1);
  EXPECT_EQ(Val(r.value[2]), 12);
  r = g.get(6);
  EXPECT_EQ(Val(r.code), 2147483647);
  EXPECT_EQ(RecText(r.name), kLongName.substr(0, 60));
  r = g.get(7);
  EXPECT_EQ(RecText(r.name), u"embedded\u0001control\tand\rCR");
}

TEST_F(BadInputTest, EmptyLinesBelongToParentZero) {
  WriteMaster(file("zairyou2.mst"), {u"", Line2(1, 1, u"a"), u"", u""});
  Guarded<ZaiMst2Rec> g(3);
  ASSERT_EQ(GetZaiMst2_1(g.recs(), 0, u"", 1, -1), 3);
  EXPECT_TRUE(g.GuardIntact());
  Guarded<ZaiMst2ParentRec> all(4);
  ASSERT_EQ(GetZaiMst2(all.recs(), 1, -1), 4);
  EXPECT_TRUE(all.GuardIntact());
  EXPECT_EQ(Val(all.get(1).parentCode), 1);
}

TEST_F(BadInputTest, Level1And3ReadersStayInsideTheirArrays) {
  std::vector<std::u16string> lines1;
  for (int i = 0; i < 600; ++i) lines1.push_back(u"1," + kLongName + u",70000,extra");
  WriteMaster(file("zairyou1.mst"), lines1);
  Guarded<ZaiMst1Rec> g1(500);
  EXPECT_EQ(GetZaiMst1(g1.recs(), 1, -1), 500);
  EXPECT_TRUE(g1.GuardIntact());
  ZaiMst1Rec last = g1.get(499);
  EXPECT_EQ(RecText(last.name), kLongName.substr(0, 60));
  EXPECT_EQ(Val(g1.get(0).flag), 70000 & 0xFFFF);

  std::vector<std::u16string> lines3;
  std::u16string longest = u"12345678901234567890,KK,AA,4,5,6";
  for (int f = 7; f <= 30; ++f) longest += u"," + kLongName;
  for (int i = 0; i < 350; ++i) lines3.push_back(longest);
  lines3.push_back(u"x,,,4,5");
  WriteMaster(file("zai004-3.mst"), lines3);
  Guarded<ZaiMst3Rec> g3(300);
  EXPECT_EQ(GetZaiMst3(g3.recs(), 4, 4, 5, u"", 1, -1), 300);
  EXPECT_TRUE(g3.GuardIntact());
  ZaiMst3Rec r = g3.get(299);
  EXPECT_EQ(RecText(r.name), kLongName.substr(0, 60));
  EXPECT_EQ(RecText(r.text2), kLongName.substr(0, 20));
  EXPECT_EQ(RecText(r.shortText), kLongName.substr(0, 8));
  EXPECT_EQ(RecText(r.closingText), kLongName.substr(0, 20));
  EXPECT_EQ(Val(r.cwfPrefix), 12345);
  EXPECT_EQ(Val(r.cwfNumber), 2147483647);
  EXPECT_EQ(Val(r.factors[0]), 0.0f);
}

TEST_F(BadInputTest, OtherEncodingsAndCutFiles) {
  Guarded<ZaiMst2Rec> g(4);
  ZaiMst2Rec r;
  // No byte-order mark: the file is ANSI text, code page 932.
  cmdtest::WriteBytes(file("zairyou2.mst"), "1,1,\x93\x64\x8B\x43\r\n1,2,b");
  ASSERT_EQ(GetZaiMst2_1(g.recs(), 1, u"", 1, -1), 2);
  r = g.get(0);
  EXPECT_EQ(RecText(r.name), u"電気");
  r = g.get(1);
  EXPECT_EQ(RecText(r.name), u"b");  // the last line has no line end

  // A UTF-8 byte-order mark.
  cmdtest::WriteBytes(file("zairyou2.mst"), "\xEF\xBB\xBF" "1,1,\xE9\x9B\xBB\xE6\xB0\x97\r\n");
  ASSERT_EQ(GetZaiMst2_1(g.recs(), 1, u"", 1, -1), 1);
  r = g.get(0);
  EXPECT_EQ(RecText(r.name), u"電気");

  // Cut in the middle of a UTF-16 unit: the odd byte is no character.
  cmdtest::WriteBytes(file("zairyou2.mst"), cmdtest::Utf16le(u"1,1,ab") + "c");
  ASSERT_EQ(GetZaiMst2_1(g.recs(), 1, u"", 1, -1), 1);
  r = g.get(0);
  EXPECT_EQ(RecText(r.name), u"ab");

  // Only a byte-order mark, or nothing at all.
  cmdtest::WriteBytes(file("zairyou2.mst"), "\xFF\xFE");
  EXPECT_EQ(GetZaiMst2_1(g.recs(), 1, u"", 1, -1), 0);
  cmdtest::WriteBytes(file("zairyou2.mst"), "");
  EXPECT_EQ(GetZaiMst2_1(g.recs(), -1, u"", 1, -1), 0);
  EXPECT_TRUE(g.GuardIntact());
}

TEST_F(BadInputTest, ARewriteKeepsTheLinesOfAForeignFile) {
  cmdtest::WriteBytes(file("zairyou2.mst"), "1,1,\x93\x64\x8B\x43\r\n2,2,b\n3,3,c");
  ZaiMst2Rec r = Rec2(9, u"new");
  UpdateZaiMst2_1(&r, 2, 1, 1, -1);
  EXPECT_EQ(ReadMaster(file("zairyou2.mst")),
            (std::vector<std::u16string>{u"1,1,電気", u"3,3,c", Line2(2, 9, u"new")}));
}

TEST_F(BadInputTest, LinesStartingWithNulDoNotEndTheFile) {
  // One such line, and a run longer than any guess at where the file ends.
  for (int run : {1, 70}) {
    std::u16string garbage;
    for (int i = 0; i < run; ++i) garbage += std::u16string(1, u'\0') + u"garbage\r\n";
    std::string bytes = MasterBytes({Line2(1, 1, u"a")}) + cmdtest::Utf16le(garbage, false) +
                        cmdtest::Utf16le(Line2(1, 2, u"b") + u"\r\n" + Line2(2, 1, u"c") +
                                             u"\r\n",
                                         false);
    cmdtest::WriteBytes(file("zairyou2.mst"), bytes);
    ZaiMst2Rec recs[150];
    EXPECT_EQ(GetZaiMst2_1(recs, 1, u"", 1, -1), 2) << run;
    DelZaiMst2_2(9, 9, 1, -1);  // drops nothing
    DelZaiMst2_1(2, 1, -1);
    // The unreadable lines are gone, the lines after them are kept.
    EXPECT_EQ(ReadMaster(file("zairyou2.mst")),
              (std::vector<std::u16string>{Line2(1, 1, u"a"), Line2(1, 2, u"b")}))
        << run;
  }
}

TEST_F(BadInputTest, ATextThatWouldNotStayInItsFieldIsRefused) {
  // Written, "x,9" would read back as "x" and a 9 in the next field.
  WriteMaster(file("zairyou1.mst"), {u"1,a,0"});
  WriteMaster(file("zairyou2.mst"), {Line2(1, 1, u"a")});
  WriteMaster(file("zai001-3.mst"), {Line3(1, 1, 1, u"a")});
  const std::vector<fs::path> files = {file("zairyou1.mst"), file("zairyou2.mst"),
                                       file("zai001-3.mst")};
  std::vector<std::string> before;
  for (const fs::path& p : files) before.push_back(cmdtest::ReadBytes(p));
  for (const std::u16string& bad : {std::u16string(u"x,9"), std::u16string(u"two\nlines"),
                                    std::u16string(u"cut\x1A")}) {
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
    for (std::size_t i = 0; i < files.size(); ++i)
      EXPECT_EQ(cmdtest::ReadBytes(files[i]), before[i]) << files[i];
  }
  EXPECT_TRUE(boxes_.empty());
}

TEST(BadInputRecords, NullPointersAreRefused) {
  EXPECT_EQ(FormatMst2(nullptr, 1), u"");
  EXPECT_EQ(FormatMst3(nullptr, 1, 2), u"");
  ExtractToMst1(u"1,a,1", nullptr);
  ExtractToMst2(u"1,2,a", nullptr);
  ExtractToMst3(u"1,2,a", nullptr);
  SetMst1Data(u"0001name", nullptr, nullptr, nullptr);
  SetMst2Data(u"00010002name", nullptr, nullptr, nullptr, nullptr);
  SetMst2UNIData(u"1,2,a,1,2,3,4,5,6,7,8", nullptr, nullptr, nullptr, nullptr);
  SetMst3UNIData(u"1,2,3", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  SetMst3Data(u"1", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetMst3Cnt(nullptr), 0);
  EXPECT_EQ(WhatIsMst3Code(nullptr, 5), 1);
}

TEST_F(BadInputTest, UpdatesWithoutRecordsLeaveTheMasterAlone) {
  WriteMaster(file("zairyou2.mst"), {Line2(1, 1, u"a")});
  std::string before = cmdtest::ReadBytes(file("zairyou2.mst"));
  UpdateZaiMst2_1(nullptr, 1, 3, 1, -1);
  UpdateZaiMst2_2(nullptr, 1, 1, 3, 1, -1);
  UpdateZaiMst1(nullptr, 3, 1, -1);
  UpdateZaiMst3(nullptr, 4, 4, 5, 3, 1, -1);
  EXPECT_EQ(cmdtest::ReadBytes(file("zairyou2.mst")), before);
  EXPECT_FALSE(fs::exists(file("zairyou1.mst")));
  EXPECT_FALSE(fs::exists(file("zai004-3.mst")));
  UpdateZaiMst2_1(nullptr, 1, -4, 1, -1);  // a negative count: no records, the group goes
  EXPECT_EQ(ReadMaster(file("zairyou2.mst")).size(), 0u);
}

}  // namespace
