// Level 3 of the material master: "zai%03d-3.mst", its records, readers and
// rewrites.
#include <limits>
#include <vector>

#include "master_fixture.h"

using namespace mtest;

namespace {

class Level3Test : public MasterTest {
 protected:
  std::vector<std::u16string> Zai3(const std::string& name = "zai004-3.mst") {
    return ReadMaster(file(name));
  }
};

ZaiMst3Rec FullRecord() {
  ZaiMst3Rec r{};
  r.cwfPrefix = 123;
  r.cwfNumber = 45;
  r.code = 3;
  r.classMark = u'K';
  r.useMark = u'A';
  SetRecText(r.name, u"品名");
  SetRecText(r.text2, u"t2");
  SetRecText(r.text3, u"t3");
  SetRecText(r.shortText, u"st");
  r.amounts1to3[0] = 1500;
  r.amounts1to3[1] = 2.5;
  r.amounts1to3[2] = -0.5;
  r.amounts4to6[0] = 1234.5;
  r.amounts4to6[1] = 0;
  r.amounts4to6[2] = 99;
  r.factors[0] = 0.035f;
  r.factors[1] = 1.0f;
  r.factors[2] = 0.0005f;
  r.factors[3] = 2.675f;
  r.factors[4] = 0;
  r.amount7 = 7e6;
  SetRecText(r.closingText, u"end");
  return r;
}

constexpr char16_t kFullLine[] =
    u"001230000045,K,A,4,5,3,品名,t2,t3,st,1500,3,-1,1235,0,99,35,1000,1,2675,0,7000000,end";

TEST_F(Level3Test, DrawingCodeIsFivePlusSevenDigits) {
  std::vector<ShownBox>& boxes = boxes_;
  EXPECT_EQ(MakeCwfCode(123, 45), u"001230000045");
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(MakeCwfCode(123456, 45), u"1234560000045");  // too long: kept whole, and told
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"図面ｺｰﾄﾞエラー");
  EXPECT_EQ(boxes[0].caption, u"DEBUG");
  EXPECT_EQ(boxes[0].type, MB_OK);
  EXPECT_EQ(MakeCwfCode(1, 12345678), u"0000112345678");
  EXPECT_EQ(boxes.size(), 2u);
}

TEST(Level3Format, LineWithWholeAmountsAndFactorsInThousandths) {
  ZaiMst3Rec r = FullRecord();
  EXPECT_EQ(FormatMst3(&r, 4, 5), std::u16string(kFullLine) + u"\n");

  ZaiMst3Rec empty{};
  EXPECT_EQ(FormatMst3(&empty, -1, 0),
            u"000000000000,,,-1,0,0,,,,,0,0,0,0,0,0,0,0,0,0,0,0,\n");  // marks of 0: empty fields
  EXPECT_EQ(FormatMst3(nullptr, 1, 1), u"");
}

TEST(Level3Parse, ExtractReadsWhatFormatWrote) {
  ZaiMst3Rec r;
  std::memset(&r, 0xEE, sizeof r);
  ExtractToMst3(kFullLine, &r);
  EXPECT_EQ(Val(r.reserved), 0u);  // cleared with the record
  EXPECT_EQ(Val(r.amounts1to3[2]), -1.0);
  EXPECT_EQ(Val(r.factors[0]), 0.035f);  // thousandths
  EXPECT_EQ(Val(r.amount7), 7e6);
  EXPECT_EQ(FormatMst3(&r, 4, 5), std::u16string(kFullLine) + u"\n");

  ExtractToMst3(u"", &r);
  ZaiMst3Rec zero{};
  EXPECT_EQ(std::memcmp(&r, &zero, sizeof r), 0);
}

TEST(Level3Parse, AmountsKeepSinglePrecision) {
  ZaiMst3Rec r;
  ExtractToMst3(u"1,,,1,1,1,n,,,,16777217,0.1,1e40,,,,35,,,,,123456789,", &r);
  EXPECT_EQ(Val(r.amounts1to3[0]), 16777216.0);  // the float nearest to it
  EXPECT_EQ(Val(r.amounts1to3[1]), static_cast<double>(0.1f));
  EXPECT_EQ(Val(r.amounts1to3[2]), std::numeric_limits<double>::infinity());
  EXPECT_EQ(Val(r.amount7), static_cast<double>(123456789.0f));
  EXPECT_EQ(Val(r.factors[0]), 0.035f);
  EXPECT_EQ(Val(r.cwfPrefix), 1);
  EXPECT_EQ(Val(r.cwfNumber), 0);
}

TEST(Level3Parse, TextsAreCutToTheirFields) {
  std::u16string line = u"123456789012,KL,AB,1,2,3," + std::u16string(70, u'n') + u"," +
                        std::u16string(30, u'2') + u"," + std::u16string(70, u'3') + u"," +
                        std::u16string(12, u's') + u",1,2,3,4,5,6,7,8,9,10,11,12," +
                        std::u16string(30, u'c');
  ZaiMst3Rec r;
  ExtractToMst3(line, &r);
  EXPECT_EQ(RecText(r.name) + RecText(r.text2) + RecText(r.text3) + RecText(r.shortText) +
                RecText(r.closingText),
            std::u16string(60, u'n') + std::u16string(20, u'2') + std::u16string(60, u'3') +
                std::u16string(8, u's') + std::u16string(20, u'c'));
  EXPECT_EQ((std::u16string{Val(r.classMark), Val(r.useMark)}), u"KA");
  EXPECT_EQ(Val(r.cwfPrefix), 12345);
  EXPECT_EQ(Val(r.cwfNumber), 6789012);
}

TEST(Level3Parse, CommaLineFillsOnlyTheFieldsItHas) {
  CString f1, f2, f3, f4to6[3], f7, f8, f9, f10, f11to13[3], f14to16[3], f17to20[4], f21, f22,
      f23;
  f7 = u"keep";
  f23 = u"keep";
  SetMst3UNIData(u"c,k,u,1,2,3", &f1, &f2, &f3, f4to6, &f7, &f8, &f9, &f10, f11to13, f14to16,
                 f17to20, &f21, &f22, &f23);
  EXPECT_EQ(f1.str() + f3.str() + f4to6[2].str(), u"cu3");
  EXPECT_EQ(f7.str() + f23.str(), u"keepkeep");

  SetMst3UNIData(kFullLine, &f1, &f2, &f3, f4to6, &f7, &f8, &f9, &f10, f11to13, f14to16,
                 f17to20, &f21, &f22, &f23);
  for (const auto& [field, text] : std::vector<std::pair<CString*, std::u16string>>{
           {&f7, u"品名"}, {&f11to13[1], u"3"}, {&f14to16[0], u"1235"}, {&f17to20[3], u"2675"},
           {&f21, u"0"}, {&f22, u"7000000"}, {&f23, u"end"}})
    EXPECT_EQ(field->str(), text);
}

TEST(Level3Parse, FixedWidthLayout) {
  // Each field padded to its column width; the marks are spaces.
  auto pad = [](std::u16string s, std::size_t n) { return s + std::u16string(n - s.size(), u' '); };
  std::u16string line = pad(u"12345678901", 13) + u"  " + pad(u"4", 4) + pad(u"5", 4) +
                        pad(u"6", 4) + pad(u"名", 60) + pad(u"second", 15) + pad(u"third", 60) +
                        pad(u"short", 8) + pad(u"1", 10) + pad(u"2", 10) + pad(u"3", 10) +
                        pad(u"4", 10) + pad(u"5", 8) + pad(u"6", 8) + pad(u"17", 5) +
                        pad(u"18", 5) + pad(u"19", 5) + pad(u"20", 5) + pad(u"21", 5) +
                        pad(u"7", 10) + pad(u"closing", 20);
  ASSERT_EQ(line.size(), 281u);
  CString f1, f2, f3, f4to6[3], f7, f8, f9, f10, f11to13[3], f14to16[3], f17to20[4], f21, f22,
      f23;
  SetMst3Data(line, &f1, &f2, &f3, f4to6, &f7, &f8, &f9, &f10, f11to13, f14to16, f17to20, &f21,
              &f22, &f23);
  const std::vector<std::pair<CString*, std::u16string>> fields = {
      {&f1, u"12345678901"}, {&f2, u" "}, {&f3, u" "}, {&f4to6[0], u"4"}, {&f4to6[2], u"6"},
      {&f7, u"名"}, {&f8, u"second"}, {&f9, u"third"}, {&f10, u"short"}, {&f11to13[2], u"3"},
      {&f14to16[0], u"4"}, {&f14to16[2], u"6"}, {&f17to20[0], u"17"}, {&f17to20[3], u"20"},
      {&f21, u"21"}, {&f22, u"7"}, {&f23, u"closing"}};
  for (const auto& [field, text] : fields) EXPECT_EQ(field->str(), text);

  SetMst3Data(u"short line", &f1, &f2, &f3, f4to6, &f7, &f8, &f9, &f10, f11to13, f14to16,
              f17to20, &f21, &f22, &f23);
  EXPECT_EQ(f1, u"short line");
  EXPECT_EQ(f23, u"");
}

TEST(Level3Records, CountIsOnePastTheLastNamedRecord) {
  std::vector<ZaiMst3Rec> recs(300);
  EXPECT_EQ(GetMst3Cnt(recs.data()), 0);
  SetRecText(recs[0].name, u"a");
  SetRecText(recs[5].name, u"b");
  EXPECT_EQ(GetMst3Cnt(recs.data()), 6);
  EXPECT_EQ(GetEndLineMst3(recs.data()), 6);
  SetRecText(recs[299].name, u"z");
  EXPECT_EQ(GetMst3Cnt(recs.data()), 300);
}

TEST(Level3Records, SmallestFreeCode) {
  ZaiMst3Rec recs[] = {Rec3(1, u""), Rec3(2, u""), Rec3(4, u"")};
  EXPECT_EQ(WhatIsMst3Code(recs, 3), 3);
  EXPECT_EQ(WhatIsMst3Code(recs, 2), 3);
  EXPECT_EQ(WhatIsMst3Code(recs, 0), 1);
  std::vector<ZaiMst3Rec> all(9999);
  for (int i = 0; i < 9999; ++i) all[i].code = 9999 - i;
  EXPECT_EQ(WhatIsMst3Code(all.data(), 9999), -1);
  all[17].code = 0;
  EXPECT_EQ(WhatIsMst3Code(all.data(), 9999), 9999 - 17);
}

TEST_F(Level3Test, ReadingAMissingFileCreatesIt) {
  std::vector<ZaiMst3Rec> recs(300);
  EXPECT_EQ(GetZaiMst3(recs.data(), 7, 7, 1, u"", 1, -1), 0);
  EXPECT_EQ(cmdtest::ReadBytes(file("zai007-3.mst")), "\xFF\xFE");
  EXPECT_EQ(GetZaiMst3(recs.data(), 1234, 1234, 1, u"", 1, -1), 0);
  EXPECT_TRUE(fs::exists(file("zai1234-3.mst")));
  EXPECT_EQ(GetZaiMst3(recs.data(), 1, 1, 1, u"", 2, -1), 0);  // folder missing: nothing created
}

TEST_F(Level3Test, ReadsOneGroupOfOneOrEveryLevel1Code) {
  WriteMaster(file("zai004-3.mst"), {Line3(4, 5, 1, u"a"), Line3(4, 6, 1, u"x"),
                                     Line3(9, 5, 2, u"b"), kFullLine, u""});
  std::vector<ZaiMst3Rec> recs(300);
  for (auto& r : recs) r.reserved = 0xDEADBEEF;
  ASSERT_EQ(GetZaiMst3(recs.data(), 4, 4, 5, u"", 1, -1), 2);
  EXPECT_EQ(RecText(recs[0].name), u"a");
  EXPECT_EQ(RecText(recs[1].name), u"品名");
  EXPECT_EQ(Val(recs[1].factors[0]), 0.035f);
  EXPECT_EQ(Val(recs[0].reserved), 0xDEADBEEFu);  // never touched by the reader
  EXPECT_EQ(Val(recs[1].reserved), 0xDEADBEEFu);

  ASSERT_EQ(GetZaiMst3(recs.data(), 4, -1, 5, u"", 1, -1), 3);
  EXPECT_EQ(RecText(recs[1].name), u"b");
  ASSERT_EQ(GetZaiMst3(recs.data(), 4, -1, 0, u"", 1, -1), 1);  // the empty line is group 0
  EXPECT_EQ(RecText(recs[0].name), u"");
}

TEST_F(Level3Test, ACallersFolderNamesZairyou3) {
  WriteMaster(file("zairyou3.mst"), {Line3(1, 2, 3, u"own")});
  std::vector<ZaiMst3Rec> recs(300);
  ASSERT_EQ(GetZaiMst3(recs.data(), 99, 1, 2, masterWin(), 0, 0), 1);
  EXPECT_EQ(RecText(recs[0].name), u"own");
  EXPECT_FALSE(fs::exists(file("zai099-3.mst")));
}

TEST_F(Level3Test, ThreeHundredItemsWithoutAMessage) {
  std::vector<std::u16string> lines;
  for (int i = 1; i <= 301; ++i) lines.push_back(Line3(4, 5, i, u"i"));
  WriteMaster(file("zai004-3.mst"), lines);
  std::vector<ZaiMst3Rec> recs(301);
  recs[300].code = -8;
  EXPECT_EQ(GetZaiMst3(recs.data(), 4, 4, 5, u"", 1, -1), 300);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(Val(recs[299].code), 300);
  EXPECT_EQ(Val(recs[300].code), -8);
}

TEST_F(Level3Test, PositionWithinTheGroup) {
  WriteMaster(file("zai004-3.mst"), {Line3(4, 6, 1, u"x"), Line3(4, 5, 7, u"a"),
                                     Line3(4, 6, 2, u"y"), Line3(4, 5, 8, u"b"),
                                     Line3(4, 5, 9, u"c")});
  ZaiMst3Rec r;
  std::memset(&r, 0x77, sizeof r);
  EXPECT_EQ(GetMst3Pos(4, 5, 9, 1, -1, &r), 2);
  EXPECT_EQ(RecText(r.name), u"c");
  EXPECT_EQ(Val(r.reserved), 0u);  // filled as ExtractToMst3 fills
  EXPECT_EQ(GetMst3Pos(4, 6, 2, 1, -1, nullptr), 1);
  std::memset(&r, 0x77, sizeof r);
  EXPECT_EQ(GetMst3Pos(4, 5, 99, 1, -1, &r), 0);
  EXPECT_EQ(Val(r.code), 0x77777777);

  EXPECT_EQ(GetMst3Pos(8, 1, 1, 1, -1, &r), 0);  // a missing file is not created
  EXPECT_FALSE(fs::exists(file("zai008-3.mst")));
}

TEST_F(Level3Test, UpdateMovesTheGroupToTheEnd) {
  WriteMaster(file("zai004-3.mst"), {Line3(4, 5, 1, u"old"), Line3(4, 6, 1, u"keep"),
                                     Line3(4, 5, 2, u"old"), Line3(3, 5, 1, u"other l1")});
  ZaiMst3Rec recs[] = {FullRecord(), Rec3(8, u"eight")};
  UpdateZaiMst3(recs, 4, 4, 5, 2, 1, -1);
  EXPECT_EQ(Zai3(), (std::vector<std::u16string>{
                        Line3(4, 6, 1, u"keep"), Line3(3, 5, 1, u"other l1"), kFullLine,
                        u"000000000000,,,4,5,8,eight,,,,0,0,0,0,0,0,0,0,0,0,0,0,"}));
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
  EXPECT_TRUE(boxes_.empty());

  UpdateZaiMst3(recs, 11, 11, 1, 1, 1, -1);  // a missing file is created first
  EXPECT_EQ(Zai3("zai011-3.mst").size(), 1u);
}

TEST_F(Level3Test, UpdateOneItemInItsPlace) {
  WriteMaster(file("zai004-3.mst"), {Line3(4, 5, 1, u"a"), Line3(4, 5, 2, u"b"),
                                     Line3(4, 6, 2, u"other group"), Line3(4, 5, 3, u"c")});
  ZaiMst3Rec recs[] = {Rec3(2, u"new"), Rec3(9, u"not this"), Rec3(2, u"new too")};
  UpdateZaiMst3_2(recs, 4, 4, 5, 2, 3, 1, -1);
  std::vector<std::u16string> lines = Zai3();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], Line3(4, 5, 1, u"a"));
  EXPECT_EQ(lines[1], u"000000000000,,,4,5,2,new,,,,0,0,0,0,0,0,0,0,0,0,0,0,");
  EXPECT_EQ(lines[2], u"000000000000,,,4,5,2,new too,,,,0,0,0,0,0,0,0,0,0,0,0,0,");
  EXPECT_EQ(lines[3], Line3(4, 6, 2, u"other group"));
  EXPECT_EQ(lines[4], Line3(4, 5, 3, u"c"));

  // Records that all carry other codes: the item goes, nothing takes its place.
  ZaiMst3Rec other = Rec3(5, u"x");
  UpdateZaiMst3_2(&other, 4, 4, 5, 1, 1, 1, -1);
  EXPECT_EQ(Zai3().size(), 4u);
  EXPECT_EQ(Zai3()[0], u"000000000000,,,4,5,2,new,,,,0,0,0,0,0,0,0,0,0,0,0,0,");

  // Level-2 code -1: nothing happens beyond creating a missing file.
  std::string before = cmdtest::ReadBytes(file("zai004-3.mst"));
  UpdateZaiMst3_2(&other, 4, 4, -1, 5, 1, 1, -1);
  EXPECT_EQ(cmdtest::ReadBytes(file("zai004-3.mst")), before);
  UpdateZaiMst3_2(&other, 12, 12, -1, 5, 1, 1, -1);
  EXPECT_EQ(cmdtest::ReadBytes(file("zai012-3.mst")), "\xFF\xFE");
}

TEST_F(Level3Test, DeleteAGroupAnItemOrTheFile) {
  WriteMaster(file("zai004-3.mst"), {Line3(4, 5, 1, u"a"), Line3(4, 6, 1, u"b"),
                                     Line3(4, 5, 2, u"c"), Line3(4, 6, 2, u"d")});
  DelZaiMst3_2(4, 4, 6, 1, 1, -1);
  EXPECT_EQ(Zai3(), (std::vector<std::u16string>{Line3(4, 5, 1, u"a"), Line3(4, 5, 2, u"c"),
                                                 Line3(4, 6, 2, u"d")}));
  DelZaiMst3_1(4, 4, 5, 1, -1);
  EXPECT_EQ(Zai3(), std::vector<std::u16string>{Line3(4, 6, 2, u"d")});
  DelZaiMst3_1(4, 4, -1, 1, -1);
  EXPECT_FALSE(fs::exists(file("zai004-3.mst")));
  DelZaiMst3_2(4, 4, -1, 9, 1, -1);  // deleting it again is harmless
  EXPECT_FALSE(fs::exists(file("zai004-3.mst")));

  DelZaiMst3_1(5, 5, 1, 1, -1);  // a missing file is created empty, then rewritten
  EXPECT_EQ(cmdtest::ReadBytes(file("zai005-3.mst")), "\xFF\xFE");
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
}

}  // namespace
