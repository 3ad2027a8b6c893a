// Copies, the expense and small masters and the tables under failure: each
// file step of an operation made to fail in turn, a half-written append, read
// errors. The destination always holds whole lines: its old content or its
// complete new content.
#include "master/master_fixture.h"

using namespace mtest;

namespace {

using FaultTest = MasterTest;

// Every copy and every change of the expense and small masters with each
// file step failing in turn; a failed copy keeps the old destination from
// more than its last few steps on.
TEST_F(FaultTest, EveryStepOfACopyOrRewriteFailing) {
  Lines group, items;
  for (int i = 0; i < 100; ++i) {
    group.push_back(Line2(3, i, u"ＶＶＦケーブル　２．０ｍｍ－" + U(std::to_string(i))));
    items.push_back(Line3(4, 5, i, u"品名" + U(std::to_string(i))));
  }
  group.push_back(Line2(5, 1, u"他"));
  const fs::path p2 = plumbing() / "zairyou2.mst", p11 = plumbing() / "zai011-3.mst";
  const fs::path e7 = file("zai007-3.mst"), keihi = file("keihi.mst");
  CString elec = masterWin(), plumb = GetMstDrv(2, -1), names[1] = {u"新"};
  double amounts[1] = {3};
  int f[7] = {}, flags[1] = {2};
  auto expenses = [&] { WriteMaster(keihi, {u"A,a,1,0,0,0,0,0,0,0", u"B,b,2,0,0,0,0,0,0,0"}); };
  const struct {
    fs::path target;
    std::function<void()> setUp, op;
    bool tells = false, copy = false;
  } cases[] = {
      {p2,
       [&] { WriteMaster(file("zairyou2.mst"), group), WriteMaster(p2, {Line2(1, 1, u"既存")}); },
       [] { CopyZaiMst2_2(2, -1, 8, 1, -1, 3); }, false, true},
      {p11,
       [&] {
         WriteMaster(file("zai004-3.mst"), items), WriteMaster(p11, {Line3(11, 1, 1, u"既")});
       },
       [&] { CopyZaiMst3_4(plumb, 11, 0, 9, elec, 4, 4, 5); }, false, true},
      {e7,
       [&] { WriteMaster(file("zai004-3.mst"), items), WriteMaster(e7, {Line3(7, 1, 1, u"既")}); },
       [] { CopyZaiMst3_2(7, 4, 7, 1, -1); }},
      {keihi, expenses, [] { AddKeihiMst(u"新", 3, 0, 0, 0, 0, 0, 0, 0, u'A', 1); }},
      {keihi, expenses, [] { UpdateKeihiMst_1(u"新", 3, 0, 0, 0, 0, 0, 0, u'A', 1); }},
      {keihi, expenses,
       [&] {
         AddAllKeihiMst(names, amounts, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], u'A', 1,
                        1);
       }},
      // The remarks tell the user; the other lists end silently.
      {file("bikou.mst"), [&] { WriteMaster(file("bikou.mst"), {u"古い\t1"}); },
       [&] { UpdateBikouMst(names, flags, 1, 1); }, true},
      {file("tanni.mst"), [&] { WriteMaster(file("tanni.mst"), {u"m"}); },
       [&] { UpdateTanniMst(names, 1, 1); }},
      {file("kouji1.mst"), [&] { fs::remove(file("kouji1.mst")); },
       [&] { UpdateKoujiMst(1, names, 1, 1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target.filename().string());
    auto [kinds, keptOld] = FailEachStep(c.target, c.setUp, c.op, c.tells);
    EXPECT_GT(keptOld, c.copy ? 3 : -1);
  }
}

// The second block written to the destination's copy fails: the copy holds
// part of a line at that moment, and the destination must not.
TEST_F(FaultTest, AHalfWrittenAppendNeverReachesTheDestination) {
  Lines group;
  for (int i = 0; i < 20000; ++i) group.push_back(Line2(3, i, u"ＶＶＦケーブル　２．０ｍｍ"));
  WriteMaster(file("zairyou2.mst"), group);
  WriteMaster(plumbing() / "zairyou2.mst", {Line2(1, 1, u"既存")});
  int writes = 0;
  {
    FaultScope scope([&](FileStep s, const std::string& p) {
      return s == FileStep::Write && p.find("/MASTER/水道/.~cmd") != p.npos && ++writes == 2
                 ? ENOSPC
                 : 0;
    });
    CopyZaiMst2_2(2, -1, 8, 1, -1, 3);
  }
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(Bytes(plumbing() / "zairyou2.mst"), Mst({Line2(1, 1, u"既存")}));
  ExpectNoStaging();
}

// A read error ends a getter with nothing, and a table build with the old
// table (the level-3 file is read in several blocks; the second one fails).
TEST_F(FaultTest, AReadErrorEndsAGetterAndKeepsTheOldTable) {
  WriteMaster(file("tanni.mst"), {u"m", u"本"});
  WriteMaster(file("bikou.mst"), {u"至急\t1"});
  WriteMaster(file("keihi.mst"), {u"A,a,1,0,0,0,0,0,0,0"});
  {
    FaultScope scope([&](FileStep s, const std::string&) { return s == FileStep::Read ? EIO : 0; });
    CString lines[300];
    int flags[300], f[7];
    double amounts[1];
    EXPECT_EQ(GetTanniMst(lines, 1), 0);
    EXPECT_EQ(GetBikouMst(lines, flags, 1), 0);
    EXPECT_EQ(GetKeihiMst(lines, amounts, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], u'A', 1),
              0);
  }
  WriteMaster(file("zairyou1.mst"), {u"5,名前,0"});
  WriteMaster(file("zai005-3.mst"), Lines(4000, Line3(5, 1, 1, u"品名")));
  WriteMaster(root() / "c.tbl", {u"old"});
  int reads = 0;
  FaultScope scope([&](FileStep s, const std::string& p) {
    if (p.find("zai005-3.mst") == p.npos) return 0;
    if (s == FileStep::Open) reads = 0;
    return s == FileStep::Read && ++reads == 2 ? EIO : 0;
  });
  EXPECT_EQ(MakeCadtable(dir_.win() + u"c.tbl", 1, -1), FALSE);
  EXPECT_EQ(MakeDegipaneTable(dir_.win() + u"c.tbl", 1, -1), FALSE);
  EXPECT_EQ(Bytes(root() / "c.tbl"), Mst({u"old"}));
  ExpectNoStaging();
}

}  // namespace
