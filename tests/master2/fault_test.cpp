// Copies, tables and masters under failure: each file step of an operation
// made to fail in turn. The destination always holds whole lines: its old
// content or its complete new content.
#include "fixture.h"

using namespace m2test;
using cmd::os::FileStep;

namespace {

class FaultTest : public Master2Test {
 protected:
  // Runs `operation` once cleanly to learn its steps and its result, then
  // once per step with that step failing, from the same files each time.
  // After each run `target` holds its old bytes or the clean run's new ones,
  // and no staging file is left behind. Returns how many runs kept the old
  // bytes.
  int FailEachStep(const std::function<void()>& setUp, const fs::path& target,
                   const std::function<void()>& operation) {
    setUp();
    const std::string oldBytes = fs::exists(target) ? cmdtest::ReadBytes(target) : "";
    std::vector<Step> steps = RecordSteps(operation);
    const std::string newBytes = cmdtest::ReadBytes(target);
    EXPECT_NE(newBytes, oldBytes) << "the operation must change " << target;
    EXPECT_GT(steps.size(), 3u);
    int keptOld = 0;
    for (std::size_t n = 0; n < steps.size(); ++n) {
      setUp();
      FailStep(n, operation);
      const std::string bytes = fs::exists(target) ? cmdtest::ReadBytes(target) : "";
      if (bytes == oldBytes) ++keptOld;
      else EXPECT_EQ(bytes, newBytes) << "step " << n << " " << steps[n].path;
      // (Unless the failing step is the removal of the staging file itself.)
      for (const fs::path& folder : {work(), master(), plumbing()}) {
        if (steps[n].step != FileStep::Remove) {
          EXPECT_EQ(StagingFilesIn(folder), std::vector<std::string>{}) << "step " << n;
        }
        RemoveStagingFilesIn(folder);
      }
    }
    return keptOld;
  }

  std::vector<std::u16string> BigGroup(int parent, int lines) {
    std::vector<std::u16string> group;
    for (int i = 0; i < lines; ++i)
      group.push_back(Line2(parent, i, u"ＶＶＦケーブル　２．０ｍｍ－" + U(std::to_string(i))));
    return group;
  }
};

TEST_F(FaultTest, Level2CopyFailingAnywhereLeavesWholeLines) {
  std::vector<std::u16string> source = BigGroup(3, 300);
  source.push_back(Line2(5, 1, u"他"));
  auto setUp = [&] {
    WriteMaster(file("zairyou2.mst"), source);
    WriteMaster(plumbing() / "zairyou2.mst", {Line2(1, 1, u"既存")});
  };
  int keptOld = FailEachStep(setUp, plumbing() / "zairyou2.mst",
                             [] { CopyZaiMst2_2(2, -1, 8, 1, -1, 3); });
  EXPECT_GT(keptOld, 3);
}

TEST_F(FaultTest, Level3CopyFailingAnywhereLeavesWholeLines) {
  std::vector<std::u16string> source;
  for (int i = 0; i < 300; ++i) source.push_back(Line3(4, 5, i, u"品名" + U(std::to_string(i))));
  auto setUp = [&] {
    WriteMaster(file("zai004-3.mst"), source);
    WriteMaster(plumbing() / "zai011-3.mst", {Line3(11, 1, 1, u"既存")});
  };
  int keptOld = FailEachStep(setUp, plumbing() / "zai011-3.mst", [] {
    CString src = GetMstDrv(1, -1), dest = GetMstDrv(2, -1);
    CopyZaiMst3_4(dest, 11, 0, 9, src, 4, 4, 5);
  });
  EXPECT_GT(keptOld, 3);
}

TEST_F(FaultTest, WholeFileCopyFailingAnywhereKeepsTheOldDestination) {
  std::vector<std::u16string> source;
  for (int i = 0; i < 300; ++i) source.push_back(Line3(4, 5, i, u"品名"));
  auto setUp = [&] {
    WriteMaster(file("zai004-3.mst"), source);
    WriteMaster(file("zai007-3.mst"), {Line3(7, 1, 1, u"既存")});
  };
  FailEachStep(setUp, file("zai007-3.mst"), [] { CopyZaiMst3_2(7, 4, 7, 1, -1); });
}

TEST_F(FaultTest, AHalfWrittenAppendNeverReachesTheDestination) {
  // The second block written to the destination's copy fails: the copy
  // holds part of a line at that moment, and the destination must not.
  WriteMaster(file("zairyou2.mst"), BigGroup(3, 20000));
  WriteMaster(plumbing() / "zairyou2.mst", {Line2(1, 1, u"既存")});
  const std::string before = cmdtest::ReadBytes(plumbing() / "zairyou2.mst");
  int writes = 0;
  {
    FaultScope scope([&](FileStep s, const std::string& p) {
      if (s == FileStep::Write && p.find("/MASTER/水道/.~cmd") != std::string::npos &&
          ++writes == 2)
        return ENOSPC;
      return 0;
    });
    CopyZaiMst2_2(2, -1, 8, 1, -1, 3);
  }
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(cmdtest::ReadBytes(plumbing() / "zairyou2.mst"), before);
  EXPECT_EQ(StagingFilesIn(plumbing()), std::vector<std::string>{});
  EXPECT_EQ(StagingFilesIn(work()), std::vector<std::string>{});
}

TEST_F(FaultTest, ExpenseRewritesFailingAnywhere) {
  auto setUp = [&] {
    WriteMaster(file("keihi.mst"), {u"A,a,1,0,0,0,0,0,0,0", u"B,b,2,0,0,0,0,0,0,0"});
  };
  FailEachStep(setUp, file("keihi.mst"),
               [] { AddKeihiMst(u"新", 3, 0, 0, 0, 0, 0, 0, 0, u'A', 1); });
  FailEachStep(setUp, file("keihi.mst"),
               [] { UpdateKeihiMst_1(u"新", 3, 0, 0, 0, 0, 0, 0, u'A', 1); });
  FailEachStep(setUp, file("keihi.mst"), [] {
    CString names[1] = {u"新"};
    double amounts[1] = {3};
    int f[7] = {};
    AddAllKeihiMst(names, amounts, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], u'A', 1, 1);
  });
}

TEST_F(FaultTest, RemarkUpdateReportsFileErrors) {
  WriteMaster(file("bikou.mst"), {u"古い\t1"});
  const std::string before = cmdtest::ReadBytes(file("bikou.mst"));
  CString texts[1] = {u"新"};
  int flags[1] = {2};
  for (FileStep failing : {FileStep::Write, FileStep::Flush, FileStep::Rename}) {
    boxes_.clear();
    {
      FaultScope scope([&](FileStep s, const std::string&) { return s == failing ? EIO : 0; });
      UpdateBikouMst(texts, flags, 1, 1);
    }
    EXPECT_EQ(cmdtest::ReadBytes(file("bikou.mst")), before);
    ASSERT_EQ(boxes_.size(), 1u) << int(failing);
    EXPECT_EQ(boxes_[0].text.rfind(u"エラー:", 0), 0u);
    EXPECT_GT(boxes_[0].text.size(), 4u);
    EXPECT_EQ(boxes_[0].caption, u"");
    EXPECT_EQ(boxes_[0].type, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
  }
  // A staging file that cannot be opened ends the update without a word.
  boxes_.clear();
  {
    FaultScope scope([&](FileStep s, const std::string&) { return s == FileStep::Open ? EACCES : 0; });
    UpdateBikouMst(texts, flags, 1, 1);
  }
  EXPECT_EQ(cmdtest::ReadBytes(file("bikou.mst")), before);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(FaultTest, OtherListUpdatesFailSilently) {
  WriteMaster(file("tanni.mst"), {u"m"});
  const std::string before = cmdtest::ReadBytes(file("tanni.mst"));
  CString lines[1] = {u"本"};
  {
    FaultScope scope([&](FileStep s, const std::string&) { return s == FileStep::Rename ? EIO : 0; });
    UpdateTanniMst(lines, 1, 1);
    UpdateKoujiMst(1, lines, 1, 1);
  }
  EXPECT_EQ(cmdtest::ReadBytes(file("tanni.mst")), before);
  EXPECT_FALSE(fs::exists(file("kouji1.mst")));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(FaultTest, AReadErrorEndsAGetter) {
  WriteMaster(file("tanni.mst"), {u"m", u"本"});
  WriteMaster(file("bikou.mst"), {u"至急\t1"});
  WriteMaster(file("keihi.mst"), {u"A,a,1,0,0,0,0,0,0,0"});
  FaultScope scope([&](FileStep s, const std::string&) { return s == FileStep::Read ? EIO : 0; });
  CString lines[300];
  int flags[300];
  EXPECT_EQ(GetTanniMst(lines, 1), 0);
  EXPECT_EQ(GetBikouMst(lines, flags, 1), 0);
  CString names[1];
  double amounts[1];
  int f[7];
  EXPECT_EQ(GetKeihiMst(names, amounts, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], u'A', 1), 0);
}

TEST_F(FaultTest, AReadErrorDuringATableBuildKeepsTheOldTable) {
  WriteMaster(file("zairyou1.mst"), {u"5,名前,0"});
  // Large enough to be read in several blocks: the second read fails.
  std::vector<std::u16string> items(4000, Line3(5, 1, 1, u"品名"));
  WriteMaster(file("zai005-3.mst"), items);
  WriteMaster(root() / "c.tbl", {u"old"});
  {
    int reads = 0;
    FaultScope scope([&](FileStep s, const std::string& p) {
      if (s == FileStep::Open && p.find("zai005-3.mst") != std::string::npos) reads = 0;
      if (s == FileStep::Read && p.find("zai005-3.mst") != std::string::npos && ++reads == 2)
        return EIO;
      return 0;
    });
    EXPECT_EQ(MakeCadtable(dir_.win() + u"c.tbl", 1, -1), FALSE);
    EXPECT_EQ(MakeDegipaneTable(dir_.win() + u"c.tbl", 1, -1), FALSE);
  }
  EXPECT_EQ(ReadMaster(root() / "c.tbl"), std::vector<std::u16string>{u"old"});
  EXPECT_EQ(StagingFilesIn(root()), std::vector<std::string>{});
}

}  // namespace
