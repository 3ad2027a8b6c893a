// cmdtool master import is all or nothing: an import killed at any moment
// leaves the old catalogue or the new one, never a mix; what the next
// command does with each kind of journal; Ctrl-C and SIGTERM; one import
// at a time per master folder.
#include <signal.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "cmddll3/platform/osfile.h"
#include "journal.h"
#include "tool_fixture.h"

namespace cmdtest {
namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// The sample's catalogue with a name changed in every level-2 and level-3
// entry; with `newEntry`, also a level-1 entry 9 (one group, one item)
// listed first, whose level-3 file the import creates early.
std::string ChangedCatalogue(const std::string& trade, bool newEntry = false) {
  std::string out;
  std::set<char> added;
  for (std::string line : Lines(SourceCsv(trade))) {
    const char level = line[0];
    std::size_t name = 0;  // where the name field starts
    for (int i = 0; i < 4; ++i) name = line.find(',', name) + 1;
    const std::size_t code3 = line.rfind(',', name - 2);  // the comma before the level-3 code
    if (newEntry && level >= '1' && level <= '3' && added.insert(level).second)
      out += line.substr(0, 2) + "9," + (level == '1' ? "" : "1") + line.substr(code3, name - code3) +
             "追加分" + line.substr(line.find(',', name)) + "\n";
    if (level == '2' || level == '3') line.insert(name, "新");
    out += line + "\n";
  }
  return out;
}

// True once the process has ended (it is left for FinishTool to reap).
bool Ended(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Polls until `ready` holds; false when the process ended first.
bool WaitUntil(pid_t pid, const std::function<bool()>& ready) {
  for (; !ready(); std::this_thread::sleep_for(std::chrono::microseconds(100)))
    if (Ended(pid)) return ready();
  return true;
}

class CmdtoolJournal : public ToolTest {
 protected:
  fs::path Journal(const std::string& trade) const { return Master(trade) / cmdtool::kJournalName; }
  fs::path CatalogueFile(const std::string& name, const std::string& text) {
    WriteBytes(dir / name, text);
    return dir / name;
  }
  // True when the kill ended the process (it had not exited before).
  bool Kill(pid_t pid) {
    int signal = 0;
    if (pid > 0 && kill(pid, SIGKILL) == 0) FinishTool(pid, home, &signal);
    return signal == SIGKILL;
  }

  // Starts an import and stops it (SIGSTOP) in its updates: its journal is
  // complete and it has changed zairyou2.mst, and `also` holds, checked
  // again with the process stopped. An import that got past that moment
  // first is tried again on a fresh installation.
  pid_t ImportStopped(const std::string& trade, const fs::path& file,
                      const std::function<bool()>& also = [] { return true; }) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (attempt > 0) FreshInstall();
      const std::string before = ReadBytes(Master(trade) / "zairyou2.mst");
      auto ready = [&] {
        return fs::exists(Journal(trade) / "manifest") && ReadBytes(Master(trade) / "zairyou2.mst") != before &&
               also();
      };
      pid_t pid = Start({"master", "import", trade, file.string()});
      siginfo_t info{};
      if (WaitUntil(pid, ready) && kill(pid, SIGSTOP) == 0 &&
          waitid(P_PID, static_cast<id_t>(pid), &info, WSTOPPED | WEXITED | WNOWAIT) == 0 &&
          info.si_code == CLD_STOPPED && ready())
        return pid;
      Kill(pid);
    }
    ADD_FAILURE() << "the import never stopped at the moment looked for";
    return -1;
  }
};

// ------------------------------------------------------------ killed imports

// 100 imports killed at random moments of each stage, every other recovery
// killed too just before it would end; after each the next command's
// recovery (done here, through the hold every command takes) leaves the
// master files byte for byte the old or the new ones.
TEST_F(CmdtoolJournal, AnImportKilledAtAnyMomentLeavesTheOldOrTheNewCatalogue) {
  const std::string trade = "建築";
  const fs::path changed = CatalogueFile("changed.csv", ChangedCatalogue(trade));
  const fs::path original = CatalogueFile("original.csv", SourceCsv(trade));
  const auto oldFiles = FilesUnder(Master(trade));

  // Calibration: two imports watched to the end (there and back), for when
  // each reaches the journal, its complete manifest and the commit (ms).
  auto watch = [&](const fs::path& file) {
    std::array<double, 3> at{};
    auto start = Clock::now();
    pid_t pid = Start({"master", "import", trade, file.string()});
    for (bool ended = false; !ended;) {
      ended = Ended(pid);
      const double now = Ms(Clock::now() - start).count();
      const bool journal = fs::exists(Journal(trade)), manifest = fs::exists(Journal(trade) / "manifest");
      if (journal && at[0] == 0) at[0] = now;
      if (manifest && at[1] == 0) at[1] = now;
      if ((ended || (!journal && at[0] > 0)) && at[2] == 0) at[2] = now;
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    if (at[1] == 0) at[1] = at[2];
    if (at[0] == 0) at[0] = at[1];
    EXPECT_EQ(FinishTool(pid, home).status, 0);
    return at;
  };
  const auto there = watch(changed);
  const auto newFiles = FilesUnder(Master(trade));
  const auto back = watch(original);
  ASSERT_TRUE(newFiles != oldFiles);
  ASSERT_TRUE(FilesUnder(Master(trade)) == oldFiles);
  const double starting = std::min(there[0], back[0]), writing = std::min(there[1] - there[0], back[1] - back[0]),
               updating = std::min(there[2] - there[1], back[2] - back[1]);

  KeepCurrentDirectory cwd;
  cmdtool::Installation inst;
  inst.given = install.string();
  std::ostringstream quiet;
  cmdtool::Context ctx{inst, quiet, quiet};
  inst.Open();
  const CString folder = cmdtool::MasterSet{cmdtool::ParseTrade(trade)}.Folder();

  // Kill moments spread over the whole import, each measured from the event
  // that starts its stage (process start, journal, complete manifest):
  // before the journal, while it is written, during the updates, around the
  // commit. The moments around the commit and at the end of a recovery
  // follow what the attempts find, so they stay there when the machine is
  // slower or faster than during the calibration.
  const unsigned seed = std::random_device()();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  auto between = [&rng](double low, double high) {
    return std::uniform_real_distribution<double>(std::max(low, 0.0), std::max(high, low))(rng);
  };
  double commit = updating, recovered = 0;
  bool isNew = false;
  int kills = 0, killedAgain = 0, endedOld = 0, endedNew = 0;
  for (int attempt = 0; kills < 100 && attempt < 200; ++attempt) {
    const int phase = attempt % 4;
    auto start = Clock::now();
    pid_t pid = Start({"master", "import", trade, (isNew ? original : changed).string()});
    const fs::path event = phase == 0 ? fs::path() : phase == 1 ? Journal(trade) : Journal(trade) / "manifest";
    if (!event.empty() && WaitUntil(pid, [&] { return fs::exists(event); })) start = Clock::now();
    const double low[] = {0, 0, 0, commit - 4}, high[] = {starting, writing + 1, updating, commit + 2};
    std::this_thread::sleep_until(start + Ms(between(low[phase], high[phase])));
    kills += Kill(pid);

    if (attempt % 2 == 0 && fs::exists(Journal(trade))) {
      auto again = Clock::now();
      pid_t next = Start({"master", "recover", trade});
      if (recovered == 0) {  // the first recovery is watched to its end
        if (WaitUntil(next, [&] { return !fs::exists(Journal(trade)); }))
          recovered = Ms(Clock::now() - again).count();
        FinishTool(next, home);
      } else {
        std::this_thread::sleep_until(again + Ms(between(recovered - 8, recovered + 1)));
        killedAgain += Kill(next);
        recovered += fs::exists(Journal(trade)) ? 0.25 + recovered / 40 : -(1 + recovered / 10);
      }
    }

    { cmdtool::MasterFolder hold(ctx, folder, cmdtool::MasterFolder::Use::Recover); }
    const auto now = FilesUnder(Master(trade));  // a staging file left behind shows here too
    ASSERT_TRUE(now == oldFiles || now == newFiles)
        << "attempt " << attempt << ": the catalogue is a mix of the old and the new one";
    ASSERT_FALSE(fs::exists(Journal(trade))) << "attempt " << attempt << ": the journal was left behind";
    isNew = now == newFiles;
    ++(isNew ? endedNew : endedOld);
    if (phase == 3) commit += (isNew ? -1 : 1) * (1 + commit / 10);
  }
  std::printf("%d imports killed, %d recoveries killed; %d old and %d new catalogues\n", kills, killedAgain,
              endedOld, endedNew);
  EXPECT_TRUE(kills >= 100 && killedAgain > 0 && endedOld > 0 && endedNew > 0) << "the counts above";
}

// ------------------------------------------------------------ recovery

struct RecoveryCase {
  const char* what;
  bool newEntry;  // the import adds level-1 entry 9 and is stopped once zai009-3.mst exists
  std::function<void(const fs::path& master, const fs::path& journal)> spoil;
  std::vector<std::string> command;
  int status;
  std::vector<std::string> said;  // on standard output by `recover`, on standard error by the others
  const char* notSaid = nullptr;
};

// What the next command does with an import's journal: `master recover`
// and every command on the folder undo a complete one first (putting back
// what it saved, removing what the import created) or remove an unfinished
// one; a damaged one is left alone and refused by every command on the
// folder, while other folders stay free.
TEST_F(CmdtoolJournal, TheNextCommandUndoesACompleteJournalAndRefusesADamagedOne) {
  const std::vector<std::string> recover = {"master", "recover", "水道"};
  const std::string undone = "MASTER\\水道\\: an interrupted import was undone";
  const RecoveryCase cases[] = {
      {"complete journal", false, nullptr, recover, 0, {undone + ": "}},
      {"a file the import created", true, nullptr, recover, 0, {"files put back, "}, ", 0 removed"},
      {"incomplete manifest: the import died writing it, before any master write", false,
       [](const fs::path& master, const fs::path& journal) {
         for (const auto& [name, bytes] : FilesUnder(SampleInstall() / "MASTER" / "水道"))
           WriteBytes(master / name, bytes);
         for (const auto& entry : fs::directory_iterator(master))  // no rewrite had begun
           if (cmd::os::IsStagingName(entry.path().filename().string())) fs::remove(entry);
         std::string manifest = ReadBytes(journal / "manifest");
         WriteBytes(journal / "manifest", manifest.erase(manifest.rfind("end ")));
       },
       recover, 0, {"an unfinished journal was removed"}},
      {"a saved copy whose checksum does not match", false,
       [](const fs::path&, const fs::path& journal) {
         for (const std::string& line : Lines(ReadBytes(journal / "manifest"))) {
           if (!line.ends_with("zairyou2.mst")) continue;
           const fs::path copy = journal / line.substr(0, line.find(' '));
           std::string bytes = ReadBytes(copy);
           bytes[bytes.size() / 2] ^= 1;
           WriteBytes(copy, bytes);
         }
       },
       recover, 1, {"MASTER\\水道\\.~cmd:journal", "copy of zairyou2.mst", "damaged", "left as it is"}},
      {"master list", false, nullptr, {"master", "list", "水道"}, 0, {undone}},
      {"master export", false, nullptr, {"master", "export", "水道"}, 0, {undone}},
      {"tables build", false, nullptr, {"tables", "build", "水道"}, 0, {undone}},
  };
  for (const RecoveryCase& c : cases) {
    SCOPED_TRACE(c.what);
    FreshInstall();
    const fs::path file = CatalogueFile("changed.csv", ChangedCatalogue("水道", c.newEntry));
    Kill(ImportStopped("水道", file, [&] { return !c.newEntry || fs::exists(Master("水道") / "zai009-3.mst"); }));
    if (c.spoil) c.spoil(Master("水道"), Journal("水道"));
    const auto before = FilesUnder(install);
    const ToolResult r = Run(c.command);
    if (c.status == 1) {
      ExpectFailure(r, c.said);
      EXPECT_TRUE(FilesUnder(install) == before) << "the files changed";
      EXPECT_EQ(Run({"master", "list", "水道"}).err, r.err);
      EXPECT_EQ(Run({"master", "list", "電気"}).status, 0);
      continue;
    }
    ASSERT_EQ(r.status, 0) << r.err;
    const bool recovering = c.command == recover;
    const std::string& said = recovering ? r.out : r.err;
    EXPECT_EQ(Lines(r.err).size(), recovering ? 0u : 1u) << r.err;
    for (const std::string& f : c.said) EXPECT_NE(said.find(f), std::string::npos) << said;
    if (c.notSaid) { EXPECT_EQ(said.find(c.notSaid), std::string::npos) << said; }
    EXPECT_FALSE(fs::exists(Journal("水道")));
    auto files = FilesUnder(install);
    std::erase_if(files, [](const auto& f) { return f.first.ends_with(".tbl"); });
    EXPECT_TRUE(files == FilesUnder(SampleInstall())) << "the old catalogue is not back whole";
    if (recovering) { EXPECT_EQ(Run(recover).out, "MASTER\\水道\\: no interrupted import; nothing to do\n"); }
  }
}

// ------------------------------------------------------------ stops and holds

// Ctrl-C and SIGTERM stop an import at its next safe point and roll it back.
// One import at a time per master folder, and no export while it runs; the
// kernel drops the hold of a process that dies, and the next import
// finishes the dead one's journal first.
TEST_F(CmdtoolJournal, StopsRollBackAndAnImportHoldsItsFolder) {
  const fs::path changed = CatalogueFile("changed.csv", ChangedCatalogue("電気"));
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    FreshInstall();
    const pid_t pid = ImportStopped("電気", changed);
    ASSERT_GT(pid, 0);
    kill(pid, signal);
    kill(pid, SIGCONT);
    ExpectFailure(FinishTool(pid, home), {"MASTER\\電気\\: the import was interrupted; the catalogue is unchanged"});
    ExpectSampleUnchanged();
  }

  const pid_t first = ImportStopped("電気", changed);
  ASSERT_GT(first, 0);
  ExpectFailure(Run({"master", "import", "電気", changed.string()}),
                {"MASTER\\電気\\: another import into this master folder is running"});
  ExpectFailure(Run({"master", "export", "電気"}), {"MASTER\\電気\\: an import into this master folder is running"});
  const fs::path other = CatalogueFile("other.csv", ChangedCatalogue("水道"));
  EXPECT_EQ(Run({"master", "import", "水道", other.string()}).status, 0);  // another folder
  kill(first, SIGCONT);
  ToolResult r = FinishTool(first, home);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Run({"master", "export", "電気", "--format", "csv"}).out, ReadBytes(changed));

  FreshInstall();
  Kill(ImportStopped("電気", changed));
  r = Run({"master", "import", "電気", CatalogueFile("original.csv", SourceCsv("電気")).string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("an interrupted import was undone"), std::string::npos) << r.err;
  EXPECT_TRUE(FilesUnder(Master("電気")) == FilesUnder(SampleInstall() / "MASTER" / "電気"));
}

}  // namespace
}  // namespace cmdtest
