// The material master under failure: every file step of a rewrite made to
// fail in turn, read errors, a read-only master, and a child process killed
// at random moments while it rewrites. The master is always complete: the old
// content or the new.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>

#include "master_fixture.h"

using namespace mtest;

namespace {

using FaultTest = MasterTest;

// Level 3 tells the user when a group cannot be replaced; the other rewrites
// end silently. Level 1 is written whole, without reading the old master.
TEST_F(FaultTest, EveryStepOfARewriteFailing) {
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
}

// A read error after the file was opened fails the readers; the level-3
// reader keeps the items read so far and tells the user.
TEST_F(FaultTest, AReadErrorFailsTheReaders) {
  WriteMaster(file("zairyou2.mst"), {Line2(1, 1, u"a"), Line2(1, 2, u"b")});
  WriteMaster(file("zairyou1.mst"), {u"1,a,0"});
  WriteMaster(file("zai004-3.mst"), {Line3(4, 5, 1, u"a")});
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
  EXPECT_EQ(
      (std::vector{fresh(GetZaiMst2(all.data(), 1, -1)), fresh(GetZaiMst2_1(recs, 1, u"", 1, -1)),
                   fresh(GetZaiMst2_3(recs, 1, u"", 1, -1)),
                   fresh(GetZaiMst2_2(recs, 1, 3, u"", 1, -1)), fresh(GetZaiMst1(recs1, 1, -1))}),
      (std::vector{-1, -1, -1, 0, 0}));
  EXPECT_EQ(Shown(), u"");
  EXPECT_EQ(fresh(GetZaiMst3(recs3.data(), 4, 4, 5, u"", 1, -1)), 1);
  const std::u16string shown = Shown();
  EXPECT_EQ(shown.find(u"エラー:"), 0u);
  EXPECT_EQ(shown.substr(shown.find(u'|')), u"||16\n");  // one box, no caption
}

// A read-only master is not replaced.
TEST_F(FaultTest, AReadOnlyMasterIsNotReplaced) {
  WriteMaster(file("zairyou2.mst"), {Line2(1, 1, u"a")});
  WriteMaster(file("zairyou1.mst"), {u"1,old,0"});
  for (const char* name : {"zairyou1.mst", "zairyou2.mst"})
    fs::permissions(file(name),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  DelZaiMst2_1(1, 1, -1);
  const ZaiMst1Rec r = Rec1(1, u"x", 0);
  UpdateZaiMst1(&r, 1, 1, -1);
  EXPECT_EQ(Bytes(file("zairyou2.mst")) + Bytes(file("zairyou1.mst")),
            Mst({Line2(1, 1, u"a")}) + Mst({u"1,old,0"}));
  ExpectNoStaging();
}

// A master large enough that a rewrite takes a while, with the group of
// parent 5 first; a child replaces that group by A, then by B, again and
// again, and is killed at a random moment: the file can only ever be S0, SA
// or SB, and a staging file left by the kill does not disturb the next rewrite.
TEST_F(FaultTest, TheMasterIsWholeAfterAKillAtAnyMoment) {
  Lines lines;
  for (int i = 0; i < 40; ++i) lines.push_back(Line2(5, i, u"initial group"));
  for (int i = 0; i < 1500; ++i)
    lines.push_back(Line2(1 + i % 4, i, u"他の親の項目 other parents"));
  WriteMaster(file("zairyou2.mst"), lines);
  std::vector<ZaiMst2Rec> groupA, groupB;
  for (int i = 0; i < 30; ++i) groupA.push_back(Rec2(i, u"group A"));
  for (int i = 0; i < 50; ++i) groupB.push_back(Rec2(100 + i, u"group B"));
  auto apply = [](const std::vector<ZaiMst2Rec>& g) {
    UpdateZaiMst2_1(g.data(), 5, int(g.size()), 1, -1);
  };
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
      std::chrono::steady_clock::now() - start);
  std::uniform_int_distribution<int> delayMicros(
      0, int(std::clamp<long long>(pair.count() * 3, 80000, 2000000)));
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
