// Level 2 of the material master: "zairyou2.mst", its records, readers and
// rewrites.
#include <vector>

#include "master_fixture.h"

using namespace mtest;

namespace {

class Level2Test : public MasterTest {
 protected:
  void WriteZai2(const std::vector<std::u16string>& lines) { WriteMaster(file("zairyou2.mst"), lines); }
  std::vector<std::u16string> Zai2() { return ReadMaster(file("zairyou2.mst")); }
};

TEST(Level2Format, LineOfAllElevenFields) {
  ZaiMst2Rec r = Rec2(5, u"C", {1, 2, 3, 4, 5}, {6, 7, 8});
  EXPECT_EQ(FormatMst2(&r, 12), u"12,5,C,1,2,3,4,5,6,7,8\n");
  r = Rec2(-3, u"ケーブル", {255, 0, 0, 0, 128}, {-1, 2147483647, -2147483647 - 1});
  EXPECT_EQ(FormatMst2(&r, -1), u"-1,-3,ケーブル,255,0,0,0,128,-1,2147483647,-2147483648\n");
}

TEST(Level2Parse, CommaLineIntoStrings) {
  CString codes[2], name, attrs[5], values[3];
  SetMst2UNIData(u"12,5,C,1,2,3,4,5,6,7,8", codes, &name, attrs, values);
  EXPECT_EQ(codes[0], u"12");
  EXPECT_EQ(codes[1], u"5");
  EXPECT_EQ(name, u"C");
  EXPECT_EQ(attrs[4], u"5");
  EXPECT_EQ(values[2], u"8");

  // A short line leaves the strings of its missing fields as they were.
  SetMst2UNIData(u"1,,x", codes, &name, attrs, values);
  EXPECT_EQ(codes[0], u"1");
  EXPECT_EQ(codes[1], u"");
  EXPECT_EQ(name, u"x");
  EXPECT_EQ(attrs[0], u"1");
  EXPECT_EQ(values[2], u"8");
}

TEST(Level2Parse, FixedWidthLayout) {
  std::u16string line = u"0012" u"0034" + std::u16string(u"名前") + std::u16string(58, u' ');
  for (int v : {1, 22, 333, 4444, 5}) {
    std::u16string f = Utf8ToUtf16(std::to_string(v));
    line += f + std::u16string(5 - f.size(), u' ');
  }
  line += u"  -12  7  99999";
  CString codes[2], name, attrs[5], values[3];
  SetMst2Data(line, codes, &name, attrs, values);
  EXPECT_EQ(codes[0], u"0012");
  EXPECT_EQ(codes[1], u"0034");
  EXPECT_EQ(name, u"名前");
  EXPECT_EQ(attrs[0], u"1");
  EXPECT_EQ(attrs[3], u"4444");
  EXPECT_EQ(values[0], u"  -12");
  EXPECT_EQ(values[1], u"  7");
  EXPECT_EQ(values[2], u"99999");
}

TEST(Level2Parse, ExtractSkipsTheParentAndCutsAttributes) {
  ZaiMst2Rec r;
  std::memset(&r, 0xCD, sizeof r);
  ExtractToMst2(u"12,5,C,1,2,300,-1,5,6,7,8,extra,fields", &r);
  EXPECT_EQ(Val(r.code), 5);
  EXPECT_EQ(RecText(r.name), u"C");
  EXPECT_EQ(Val(r.attr[2]), 300 & 0xFF);
  EXPECT_EQ(Val(r.attr[3]), 0xFF);
  LONG values[3];
  std::memcpy(values, &r.value, sizeof values);
  EXPECT_EQ(values[0], 6);
  EXPECT_EQ(values[2], 8);

  ExtractToMst2(u"", &r);
  ZaiMst2Rec zero{};
  EXPECT_EQ(std::memcmp(&r, &zero, sizeof r), 0);
}

TEST_F(Level2Test, GetZaiMst2ReadsEveryLineWithItsParent) {
  WriteZai2({u"1,10,a,1,2,3,4,5,6,7,8", u"", u"2,20,b", u"1,11,c,9"});
  std::vector<ZaiMst2ParentRec> recs(4);
  ASSERT_EQ(GetZaiMst2(recs.data(), 1, -1), 4);
  EXPECT_EQ(Val(recs[0].parentCode), 1);
  EXPECT_EQ(Val(recs[0].code), 10);
  EXPECT_EQ(RecText(recs[0].name), u"a");
  EXPECT_EQ(Val(recs[0].value[2]), 8);
  EXPECT_EQ(Val(recs[1].parentCode), 0);
  EXPECT_EQ(Val(recs[2].parentCode), 2);
  EXPECT_EQ(Val(recs[2].attr[0]), 0);
  EXPECT_EQ(Val(recs[3].attr[0]), 9);

  fs::remove(file("zairyou2.mst"));
  EXPECT_EQ(GetZaiMst2(recs.data(), 1, -1), 0);
}

TEST_F(Level2Test, GroupOfOneParentOrOfAll) {
  WriteZai2({Line2(1, 10, u"a"), Line2(3, 7, u"b"), Line2(1, 11, u"c"), Line2(2, 1, u"d")});
  ZaiMst2Rec recs[150];
  ASSERT_EQ(GetZaiMst2_1(recs, 1, u"", 1, -1), 2);
  EXPECT_EQ(Val(recs[0].code), 10);
  EXPECT_EQ(Val(recs[1].code), 11);
  EXPECT_EQ(RecText(recs[1].name), u"c");

  ASSERT_EQ(GetZaiMst2_1(recs, -1, u"", 1, -1), 4);  // every parent, in file order
  EXPECT_EQ(RecText(recs[3].name), u"d");

  ASSERT_EQ(GetZaiMst2_3(recs, 3, u"", 1, -1), 1);  // the code field holds the parent
  EXPECT_EQ(Val(recs[0].code), 3);
  EXPECT_EQ(RecText(recs[0].name), u"b");

  // A caller's folder replaces the master folder; the trade is then unused.
  EXPECT_EQ(GetZaiMst2_1(recs, 1, masterWin(), 9, 9), 2);
  EXPECT_EQ(GetZaiMst2_1(recs, 1, u"", 2, -1), 0);  // no such file
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(Level2Test, OneHundredFiftyEntriesOfAParentAreTheLimit) {
  std::vector<std::u16string> lines;
  for (int i = 1; i <= 150; ++i) lines.push_back(Line2(4, i, u"e"));
  lines.push_back(Line2(5, 1, u"other parent"));
  WriteZai2(lines);
  std::vector<ZaiMst2Rec> recs(151);
  EXPECT_EQ(GetZaiMst2_1(recs.data(), 4, u"", 1, -1), 150);
  EXPECT_TRUE(boxes_.empty());

  lines.push_back(Line2(4, 151, u"e"));
  lines.push_back(Line2(4, 152, u"e"));
  WriteZai2(lines);
  recs[150].code = -5;
  EXPECT_EQ(GetZaiMst2_1(recs.data(), 4, u"", 1, -1), 150);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, u"工事種類が150件を超えています。");
  EXPECT_EQ(boxes_[0].caption, u"工事種類エラー");
  EXPECT_EQ(boxes_[0].type, MB_OK);
  EXPECT_EQ(Val(recs[149].code), 150);
  EXPECT_EQ(Val(recs[150].code), -5);  // nothing is stored beyond the limit

  boxes_.clear();
  EXPECT_EQ(GetZaiMst2_3(recs.data(), -1, u"", 1, -1), 150);
  EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(Level2Test, OneEntryByItsTwoCodes) {
  WriteZai2({Line2(1, 10, u"a"), Line2(2, 10, u"b"), Line2(2, 10, u"second")});
  ZaiMst2Rec r;
  ASSERT_EQ(GetZaiMst2_2(&r, 2, 10, u"", 1, -1), 1);
  EXPECT_EQ(RecText(r.name), u"b");  // the first match

  std::memset(&r, 0x5A, sizeof r);
  EXPECT_EQ(GetZaiMst2_2(&r, 3, 10, u"", 1, -1), 0);
  EXPECT_EQ(Val(r.code), 0x5A5A5A5A);  // untouched
  EXPECT_EQ(GetZaiMst2_2(&r, 2, 10, masterWin(), 0, 0), 1);

  // The position counts only the parent's lines.
  WriteZai2({Line2(1, 1, u"x"), Line2(5, 7, u"a"), Line2(1, 2, u"y"), Line2(5, 8, u"b"),
             Line2(5, 9, u"c")});
  EXPECT_EQ(GetMst2Pos(5, 9, 1, -1, &r), 2);
  EXPECT_EQ(RecText(r.name), u"c");
  EXPECT_EQ(GetMst2Pos(5, 7, 1, -1, nullptr), 0);
  std::memset(&r, 0x11, sizeof r);
  EXPECT_EQ(GetMst2Pos(5, 99, 1, -1, &r), 0);
  EXPECT_EQ(Val(r.code), 0x11111111);
}

TEST_F(Level2Test, UpdateMovesTheGroupToTheEnd) {
  WriteZai2({Line2(3, 1, u"old1"), Line2(3, 2, u"old2"), Line2(1, 1, u"keep1"),
             Line2(2, 5, u"keep2"), Line2(3, 9, u"old3"), u"", Line2(1, 2, u"keep3")});
  ZaiMst2Rec recs[] = {Rec2(7, u"new7", {1, 2, 3, 4, 5}, {6, 7, 8}), Rec2(1, u"new1")};
  UpdateZaiMst2_1(recs, 3, 2, 1, -1);
  EXPECT_EQ(Zai2(), (std::vector<std::u16string>{Line2(1, 1, u"keep1"), Line2(2, 5, u"keep2"),
                                                 u"", Line2(1, 2, u"keep3"),
                                                 u"3,7,new7,1,2,3,4,5,6,7,8", Line2(3, 1, u"new1")}));
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
}

TEST_F(Level2Test, UpdateOneEntryBySeveralOrNone) {
  ZaiMst2Rec r = Rec2(1, u"only");  // a missing file is created
  UpdateZaiMst2_1(&r, 8, 1, 1, -1);
  EXPECT_EQ(Zai2(), std::vector<std::u16string>{Line2(8, 1, u"only")});
  UpdateZaiMst2_2(&r, 9, 4, 1, 1, -1);
  EXPECT_EQ(Zai2(), (std::vector<std::u16string>{Line2(8, 1, u"only"), Line2(9, 1, u"only")}));

  WriteZai2({Line2(1, 1, u"a"), Line2(1, 2, u"b"), Line2(2, 2, u"c"), Line2(1, 3, u"d")});
  ZaiMst2Rec recs[] = {Rec2(20, u"b1"), Rec2(21, u"b2")};
  UpdateZaiMst2_2(recs, 1, 2, 2, 1, -1);
  EXPECT_EQ(Zai2(), (std::vector<std::u16string>{Line2(1, 1, u"a"), Line2(2, 2, u"c"),
                                                 Line2(1, 3, u"d"), Line2(1, 20, u"b1"),
                                                 Line2(1, 21, u"b2")}));
  UpdateZaiMst2_2(nullptr, 1, 20, 0, 1, -1);
  EXPECT_EQ(Zai2().size(), 4u);
}

TEST_F(Level2Test, DeleteAGroupOrAnEntry) {
  WriteZai2({Line2(1, 1, u"a"), Line2(2, 1, u"b"), Line2(1, 2, u"c"), Line2(2, 2, u"d")});
  DelZaiMst2_2(2, 1, 1, -1);
  EXPECT_EQ(Zai2(), (std::vector<std::u16string>{Line2(1, 1, u"a"), Line2(1, 2, u"c"),
                                                 Line2(2, 2, u"d")}));
  DelZaiMst2_1(1, 1, -1);
  EXPECT_EQ(Zai2(), std::vector<std::u16string>{Line2(2, 2, u"d")});
}

TEST_F(Level2Test, DeletingNothingStillRewritesInTheMasterForm) {
  DelZaiMst2_1(1, 1, -1);  // a missing file: nothing is created
  DelZaiMst2_2(1, 1, 1, -1);
  EXPECT_FALSE(fs::exists(file("zairyou2.mst")));
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});

  // The host's own "temp.mst" is left alone. LF-only line ends and a UTF-8
  // byte-order mark: rewritten as UTF-16LE, CR LF.
  cmdtest::WriteBytes(file("temp.mst"), "the host's own file");
  cmdtest::WriteBytes(file("zairyou2.mst"), "\xEF\xBB\xBF" "1,1,\xE9\x9B\xBB\n2,2,b\n3,3,c");
  DelZaiMst2_2(9, 9, 1, -1);
  EXPECT_EQ(cmdtest::ReadBytes(file("zairyou2.mst")),
            MasterBytes({u"1,1,電", u"2,2,b", u"3,3,c"}));
  EXPECT_EQ(cmdtest::ReadBytes(file("temp.mst")), "the host's own file");
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
}

TEST_F(Level2Test, ExistenceNeedsBothFiles) {
  EXPECT_FALSE(IsZaiMstExzist(1, -1));
  WriteMaster(file("zairyou1.mst"), {});
  EXPECT_FALSE(IsZaiMstExzist(1, -1));
  WriteZai2({});
  EXPECT_TRUE(IsZaiMstExzist(1, -1));
  EXPECT_FALSE(IsZaiMstExzist(2, -1));
}

TEST_F(Level2Test, ANumberedSubMasterHasItsOwnFolder) {
  fs::create_directories(master() / "2");
  WriteMaster(master() / "2" / "zairyou2.mst", {Line2(1, 1, u"sub")});
  ZaiMst2Rec recs[150];
  ASSERT_EQ(GetZaiMst2_1(recs, 1, u"", 1, 1), 1);
  EXPECT_EQ(RecText(recs[0].name), u"sub");
  UpdateZaiMst2_1(recs, 2, 1, 1, 1);
  EXPECT_EQ(ReadMaster(master() / "2" / "zairyou2.mst").size(), 2u);
  EXPECT_FALSE(fs::exists(file("zairyou2.mst")));
}

}  // namespace
