// The master rewrite under failure: every file step of a rewrite made to fail
// in turn, and a child process killed at random moments while it rewrites.
// Whatever happens, the master is complete: the old content or the new.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "cmddll3/platform/osfile.h"
#include "master_fixture.h"

using namespace mtest;
using cmd::os::FileStep;

namespace {

const char* StepName(FileStep s) {
  static const char* const names[] = {"Open",  "Read",   "Write",   "Flush",     "Close", "Rename",
                                      "Remove", "Seek",  "Truncate", "MakeDir", "RemoveDir", "List"};
  return names[static_cast<int>(s)];
}

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

class RewriteFaultTest : public MasterTest {
 protected:
  // Runs `operation` once per file step it takes, with that step failing
  // (and, in a second run, every removal failing too), from the same old
  // master each time. After each run the master holds the old bytes or the
  // new ones; no staging file stays behind unless its removal failed; no
  // descriptor stays open. `expectMessage` says whether a failure that keeps
  // the old master shows the "エラー:" message.
  void FailEachStep(const fs::path& masterFile, const std::string& oldBytes,
                    const std::function<void()>& operation, bool expectMessage,
                    bool readsMaster = true) {
    cmdtest::WriteBytes(masterFile, oldBytes);
    std::vector<Step> steps = RecordSteps(operation);
    const std::string newBytes = cmdtest::ReadBytes(masterFile);
    ASSERT_NE(newBytes, oldBytes) << "the operation must change the master";
    ASSERT_FALSE(steps.empty());
    std::set<FileStep> seen;
    for (const Step& s : steps) seen.insert(s.step);
    for (FileStep s : {FileStep::Open, FileStep::Write, FileStep::Flush, FileStep::Close,
                       FileStep::Rename})
      EXPECT_TRUE(seen.count(s)) << "a rewrite takes a " << StepName(s) << " step";
    EXPECT_EQ(seen.count(FileStep::Read) != 0, readsMaster);

    for (bool removalsFail : {false, true}) {
      for (std::size_t victim = 0; victim < steps.size(); ++victim) {
        SCOPED_TRACE(std::string(StepName(steps[victim].step)) + " #" + std::to_string(victim) +
                     " on " + steps[victim].path + (removalsFail ? ", removals failing" : ""));
        cmdtest::WriteBytes(masterFile, oldBytes);
        RemoveStagingFilesIn(master());
        boxes_.clear();
        int descriptors = OpenDescriptors();
        {
          std::size_t index = 0;
          FaultScope scope([&](FileStep s, const std::string&) {
            bool fail = index++ == victim || (removalsFail && s == FileStep::Remove);
            return fail ? EIO : 0;
          });
          operation();
        }
        EXPECT_EQ(OpenDescriptors(), descriptors);
        std::string now = cmdtest::ReadBytes(masterFile);
        ASSERT_TRUE(now == oldBytes || now == newBytes) << "torn master: " << cmdtest::Hex(now);
        if (!removalsFail) {
          EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
        }
        if (now == newBytes) {
          EXPECT_TRUE(boxes_.empty());
        } else {
          // A file that cannot be opened ends the operation silently; a
          // failure after that is reported where the operation reports.
          FileStep failed = steps[victim].step;
          bool afterOpening = failed == FileStep::Write || failed == FileStep::Flush ||
                              failed == FileStep::Rename;
          if (!expectMessage) {
            EXPECT_TRUE(boxes_.empty());
          } else {
            EXPECT_LE(boxes_.size(), 1u);
            if (afterOpening) {
              EXPECT_EQ(boxes_.size(), 1u);
            }
            for (const ShownBox& box : boxes_) {
              EXPECT_EQ(box.text.substr(0, 4), u"エラー:");
              EXPECT_EQ(box.type, MB_OK | MB_ICONSTOP);
            }
          }
        }
        // The next rewrite, without faults, always succeeds.
        cmdtest::WriteBytes(masterFile, oldBytes);
        operation();
        EXPECT_EQ(cmdtest::ReadBytes(masterFile), newBytes);
        RemoveStagingFilesIn(master());
      }
    }
  }
};

std::string Level2Master() {
  return MasterBytes({Line2(3, 1, u"old"), Line2(1, 1, u"keep"), Line2(3, 2, u"old"),
                      Line2(2, 1, u"keep")});
}

TEST_F(RewriteFaultTest, Level2GroupReplacedAndEntryDeleted) {
  ZaiMst2Rec recs[] = {Rec2(7, u"new"), Rec2(8, u"new")};
  FailEachStep(file("zairyou2.mst"), Level2Master(), [&] { UpdateZaiMst2_1(recs, 3, 2, 1, -1); },
               false);
  FailEachStep(file("zairyou2.mst"), Level2Master(), [&] { DelZaiMst2_2(1, 1, 1, -1); }, false);
}

TEST_F(RewriteFaultTest, Level3GroupTellsTheUserAndItemInPlaceDoesNot) {
  const std::string old = MasterBytes({Line3(4, 5, 1, u"old"), Line3(4, 6, 1, u"keep")});
  ZaiMst3Rec recs[] = {Rec3(5, u"new")};
  FailEachStep(file("zai004-3.mst"), old, [&] { UpdateZaiMst3(recs, 4, 4, 5, 1, 1, -1); }, true);
  ZaiMst3Rec rec = Rec3(1, u"new");
  FailEachStep(file("zai004-3.mst"), old, [&] { UpdateZaiMst3_2(&rec, 4, 4, 5, 1, 1, 1, -1); },
               false);
}

TEST_F(RewriteFaultTest, WritingLevel1Whole) {
  ZaiMst1Rec recs[] = {Rec1(1, u"new", 0), Rec1(2, u"new", 0)};
  FailEachStep(file("zairyou1.mst"), MasterBytes({u"1,old,0"}),
               [&] { UpdateZaiMst1(recs, 2, 1, -1); }, false, false);
}

TEST_F(RewriteFaultTest, AReadErrorFailsTheReaders) {
  WriteMaster(file("zairyou2.mst"), {Line2(1, 1, u"a"), Line2(1, 2, u"b")});
  WriteMaster(file("zairyou1.mst"), {u"1,a,0"});
  WriteMaster(file("zai004-3.mst"), {Line3(4, 5, 1, u"a")});
  // The first read of a file happens while it is opened (its byte-order
  // mark); the second one fails, after the file has been opened.
  std::map<std::string, int> reads;
  FaultScope scope([&](FileStep s, const std::string& path) {
    return s == FileStep::Read && ++reads[path] == 2 ? EIO : 0;
  });
  std::vector<ZaiMst2ParentRec> all(4);
  ZaiMst2Rec recs[150];
  ZaiMst1Rec recs1[500];
  std::vector<ZaiMst3Rec> recs3(300);
  auto fresh = [&](int result) { reads.clear(); return result; };
  EXPECT_EQ(fresh(GetZaiMst2(all.data(), 1, -1)), -1);
  EXPECT_EQ(fresh(GetZaiMst2_1(recs, 1, u"", 1, -1)), -1);
  EXPECT_EQ(fresh(GetZaiMst2_3(recs, 1, u"", 1, -1)), -1);
  EXPECT_EQ(fresh(GetZaiMst2_2(recs, 1, 3, u"", 1, -1)), 0);
  EXPECT_EQ(fresh(GetZaiMst1(recs1, 1, -1)), 0);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(fresh(GetZaiMst3(recs3.data(), 4, 4, 5, u"", 1, -1)), 1);  // the items read so far
  ASSERT_EQ(boxes_.size(), 1u);  // the level-3 reader tells the user
  EXPECT_EQ(boxes_[0].text.substr(0, 4), u"エラー:");
  EXPECT_EQ(boxes_[0].caption, u"");
}

TEST_F(RewriteFaultTest, AReadOnlyMasterIsNotReplaced) {
  WriteMaster(file("zairyou2.mst"), {Line2(1, 1, u"a")});
  std::string before = cmdtest::ReadBytes(file("zairyou2.mst"));
  fs::permissions(file("zairyou2.mst"), fs::perms::owner_write | fs::perms::group_write |
                                            fs::perms::others_write,
                  fs::perm_options::remove);
  DelZaiMst2_1(1, 1, -1);
  EXPECT_EQ(cmdtest::ReadBytes(file("zairyou2.mst")), before);
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
  ZaiMst1Rec r = Rec1(1, u"x", 0);
  WriteMaster(file("zairyou1.mst"), {u"1,old,0"});
  fs::permissions(file("zairyou1.mst"), fs::perms::owner_write, fs::perm_options::remove);
  UpdateZaiMst1(&r, 1, 1, -1);
  EXPECT_EQ(ReadMaster(file("zairyou1.mst")), std::vector<std::u16string>{u"1,old,0"});
}

// ---- A process killed while it rewrites

using RewriteKillTest = MasterTest;

TEST_F(RewriteKillTest, TheMasterIsWholeAfterAKillAtAnyMoment) {
  // A master large enough that a rewrite takes a while, with the group of
  // parent 5 first; the child replaces that group by A, then by B, again and
  // again. The file can only ever be S0, SA or SB.
  std::vector<std::u16string> lines;
  for (int i = 0; i < 40; ++i) lines.push_back(Line2(5, i, u"initial group"));
  for (int i = 0; i < 1500; ++i) lines.push_back(Line2(1 + i % 4, i, u"他の親の項目 other parents"));
  WriteMaster(file("zairyou2.mst"), lines);
  std::vector<ZaiMst2Rec> groupA, groupB;
  for (int i = 0; i < 30; ++i) groupA.push_back(Rec2(i, u"group A"));
  for (int i = 0; i < 50; ++i) groupB.push_back(Rec2(100 + i, u"group B"));
  auto applyA = [&] { UpdateZaiMst2_1(groupA.data(), 5, int(groupA.size()), 1, -1); };
  auto applyB = [&] { UpdateZaiMst2_1(groupB.data(), 5, int(groupB.size()), 1, -1); };

  const std::string s0 = cmdtest::ReadBytes(file("zairyou2.mst"));
  const auto start = std::chrono::steady_clock::now();
  applyA();
  const std::string sA = cmdtest::ReadBytes(file("zairyou2.mst"));
  applyB();
  const std::string sB = cmdtest::ReadBytes(file("zairyou2.mst"));
  ASSERT_NE(sA, sB);
  // The kills fall within a few rewrites, however long one takes on this
  // machine at this moment (a loaded machine makes them slow).
  const auto pair = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  const int span =
      static_cast<int>(std::clamp<long long>(pair.count() * 3, 80000, 2000000));

  std::mt19937 random(20240601);
  std::uniform_int_distribution<int> delayMicros(0, span);
  int seenOld = 0, seenA = 0, seenB = 0;
  for (int round = 0; round < 25; ++round) {
    cmdtest::WriteBytes(file("zairyou2.mst"), s0);
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) {
        applyA();
        applyB();
      }
    }
    usleep(static_cast<useconds_t>(delayMicros(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    std::string now = cmdtest::ReadBytes(file("zairyou2.mst"));
    if (now == s0) ++seenOld;
    else if (now == sA) ++seenA;
    else if (now == sB) ++seenB;
    else FAIL() << "round " << round << ": the master is torn (" << now.size() << " bytes)";
    // A staging file left by the kill does not disturb the next rewrite.
    applyA();
    EXPECT_EQ(cmdtest::ReadBytes(file("zairyou2.mst")), sA);
  }
  EXPECT_GT(seenA + seenB, 0) << "the child never finished a rewrite";
  RecordProperty("kills_old", seenOld);
  RecordProperty("kills_A", seenA);
  RecordProperty("kills_B", seenB);
}

}  // namespace
