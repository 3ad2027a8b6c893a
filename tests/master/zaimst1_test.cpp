// Level 1 of the material master: "zairyou1.mst" and its records.
#include <vector>

#include "master_fixture.h"

using namespace mtest;

namespace {

using Level1Test = MasterTest;

TEST(Level1Format, LineIsCodeNameFlagWithLineFeed) {
  ZaiMst1Rec r = Rec1(-7, u"配管材料", 65535);
  EXPECT_EQ(FormatMst1(&r), u"-7,配管材料,65535\n");
  EXPECT_EQ(FormatMst1(nullptr), u"");
  r = Rec1(1, u"", 2);
  for (char16_t& c : r.name) c = u'x';  // no terminator: 61 units are the name
  EXPECT_EQ(FormatMst1(&r), u"1," + std::u16string(61, u'x') + u",2\n");
}

TEST(Level1Parse, ExtractClearsAndFills) {
  ZaiMst1Rec r;
  std::memset(&r, 0xAB, sizeof r);
  ExtractToMst1(u"34,電線,9", &r);
  EXPECT_EQ(r.code, 34);
  EXPECT_EQ(RecText(r.name), u"電線");
  EXPECT_EQ(r.flag, 9);
  for (std::size_t i = 2; i < 61; ++i) EXPECT_EQ(r.name[i], 0) << i;

  std::memset(&r, 0xAB, sizeof r);
  ExtractToMst1(u"", &r);
  ZaiMst1Rec zero{};
  EXPECT_EQ(std::memcmp(&r, &zero, sizeof r), 0);

  // The flag is cut to 16 bits, the name to 60 units.
  ExtractToMst1(u"1," + std::u16string(75, u'名') + u",65537", &r);
  EXPECT_EQ(RecText(r.name), std::u16string(60, u'名'));
  EXPECT_EQ(r.name[60], 0);
  EXPECT_EQ(r.flag, 1);
}

TEST(Level1Parse, FixedWidthLayout) {
  CString code, name, flag;
  std::u16string line = u"0012" + std::u16string(u"ABC") + std::u16string(57, u' ') + u"  1";
  ASSERT_EQ(line.size(), 67u);
  SetMst1Data(line, &code, &name, &flag);
  EXPECT_EQ(code, u"0012");
  EXPECT_EQ(name, u"ABC");
  EXPECT_EQ(flag, u"  1");

  SetMst1Data(u"12", &code, &name, &flag);  // a short line gives short or empty fields
  EXPECT_EQ(code, u"12");
  EXPECT_EQ(name, u"");
  EXPECT_EQ(flag, u"");
}

TEST_F(Level1Test, ReadsEveryLineEmptyOnesIncluded) {
  WriteMaster(file("zairyou1.mst"), {u"10,電気,1", u"", u"30,水道"});
  std::vector<ZaiMst1Rec> recs(500);
  ASSERT_EQ(GetZaiMst1(recs.data(), 1, -1), 3);
  EXPECT_EQ(recs[0].code, 10);
  EXPECT_EQ(RecText(recs[0].name), u"電気");
  EXPECT_EQ(recs[0].flag, 1);
  EXPECT_EQ(recs[1].code, 0);
  EXPECT_EQ(recs[1].flag, 0);
  EXPECT_EQ(recs[2].code, 30);
  EXPECT_EQ(recs[2].flag, 0);  // the missing third field reads as 0
  EXPECT_TRUE(boxes_.empty());

  std::vector<ZaiMst1Rec> viaFolder(500);
  EXPECT_EQ(GetZaiMst1_1(viaFolder.data(), masterWin()), 3);
  EXPECT_EQ(std::memcmp(viaFolder.data(), recs.data(), 3 * sizeof(ZaiMst1Rec)), 0);
}

TEST_F(Level1Test, MissingFileGivesNothingAndCodeZero) {
  std::vector<ZaiMst1Rec> recs(500);
  recs[0].code = 99;
  EXPECT_EQ(GetZaiMst1(recs.data(), 1, -1), 0);
  EXPECT_EQ(recs[0].code, 0);
  EXPECT_EQ(GetZaiMst1(recs.data(), 7, -1), 0);  // an invalid trade names the current folder
  EXPECT_EQ(GetZaiMst1(nullptr, 1, -1), 0);
}

TEST_F(Level1Test, FiveHundredLinesAreTheLimit) {
  std::vector<std::u16string> lines;
  for (int i = 1; i <= 500; ++i) lines.push_back(Utf8ToUtf16(std::to_string(i)) + u",n,0");
  WriteMaster(file("zairyou1.mst"), lines);
  std::vector<ZaiMst1Rec> recs(500);
  EXPECT_EQ(GetZaiMst1(recs.data(), 1, -1), 500);
  EXPECT_TRUE(boxes_.empty());  // exactly 500 lines: no message

  lines.push_back(u"501,over,0");
  lines.push_back(u"502,over,0");
  WriteMaster(file("zairyou1.mst"), lines);
  EXPECT_EQ(GetZaiMst1(recs.data(), 1, -1), 500);
  ASSERT_EQ(boxes_.size(), 1u);  // once per read
  EXPECT_EQ(boxes_[0].text, u"工事材料が500件を超えています。");
  EXPECT_EQ(boxes_[0].caption, u"工事材料エラー");
  EXPECT_EQ(boxes_[0].type, MB_OK);
  EXPECT_EQ(recs[499].code, 500);
}

TEST_F(Level1Test, UpdateWritesTheFileAnew) {
  fs::create_directory(file("temp.mst"));  // the host's, in nobody's way
  WriteMaster(file("zairyou1.mst"), {u"1,old,0", u"2,old,0", u"3,old,0"});
  ZaiMst1Rec recs[] = {Rec1(5, u"幹線", 1), Rec1(0, u"", 0), Rec1(7, u"B", 300)};
  UpdateZaiMst1(recs, 3, 1, -1);
  EXPECT_EQ(cmdtest::ReadBytes(file("zairyou1.mst")),
            MasterBytes({u"5,幹線,1", u"0,,0", u"7,B,300"}));
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});

  UpdateZaiMst1(recs, 0, 1, -1);
  EXPECT_EQ(cmdtest::ReadBytes(file("zairyou1.mst")), "\xFF\xFE");

  UpdateZaiMst1(recs, 1, 2, -1);  // "MASTER\水道\" does not exist: nothing happens
  EXPECT_FALSE(fs::exists(dir_.path() / "MASTER" / "水道"));
}

TEST_F(Level1Test, PositionOfACode) {
  WriteMaster(file("zairyou1.mst"), {u"10,a,1", u"", u"30,c,3", u"30,d,4"});
  ZaiMst1Rec r;
  std::memset(&r, 0xAB, sizeof r);
  EXPECT_EQ(GetMst1Pos(30, 1, -1, &r), 2);  // the first line with the code
  EXPECT_EQ(r.code, 30);
  EXPECT_EQ(RecText(r.name), u"c");
  EXPECT_EQ(r.flag, 3);
  EXPECT_EQ(GetMst1Pos(10, 1, -1, nullptr), 0);
  EXPECT_EQ(GetMst1Pos(0, 1, -1, &r), 1);  // the empty line reads as code 0
  EXPECT_EQ(r.code, 0);

  std::memset(&r, 0xAB, sizeof r);
  EXPECT_EQ(GetMst1Pos(99, 1, -1, &r), 0);  // missing: 0, the record untouched
  EXPECT_EQ(r.code, static_cast<LONG>(0xABABABAB));
  fs::remove(file("zairyou1.mst"));
  EXPECT_EQ(GetMst1Pos(30, 1, -1, &r), 0);
}

}  // namespace
