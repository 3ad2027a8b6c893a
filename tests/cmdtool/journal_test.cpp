// cmdtool master import is all or nothing: an import killed at any moment
// leaves the old catalogue or the new one, never a mix; what the next
// command does with each kind of journal; Ctrl-C and SIGTERM; one import
// at a time per master folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "cmddll3/platform/osfile.h"
#include "tool_fixture.h"

namespace fs = std::filesystem;

namespace cmdtest {
namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr const char* kJournal = ".~cmd:journal";

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == ',')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

std::string JoinFields(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + fields[i];
  return line;
}

// The sample's catalogue with a name changed in every level-2 and level-3
// entry; with `newEntry`, also a level-1 entry 9 (one group, one item)
// listed first, whose level-3 file the import creates early.
std::string ChangedCatalogue(const std::string& trade, bool newEntry = false) {
  std::string out;
  std::set<std::string> added;
  for (const std::string& line :
       Lines(ReadBytes(SampleSources() / "master" / trade / "catalogue.csv"))) {
    std::vector<std::string> f = SplitFields(line);
    const std::string level = f[0];
    if (level == "2" || level == "3") f[4] = "新" + f[4];
    if (newEntry && (level == "1" || level == "2" || level == "3") && added.insert(level).second) {
      std::vector<std::string> entry = f;
      entry[1] = "9";
      if (level != "1") entry[2] = "1";
      entry[4] = "追加分";
      out += JoinFields(entry) + "\n";
    }
    out += JoinFields(f) + "\n";
  }
  return out;
}

// True once the process has ended (it is left for FinishTool to reap).
bool Ended(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid;
}

// Polls until `ready` holds; false when the process ended first.
bool WaitUntil(pid_t pid, const std::function<bool()>& ready) {
  for (;;) {
    if (ready()) return true;
    if (Ended(pid)) return ready();
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

class CmdtoolJournal : public ToolTest {
 protected:
  fs::path Journal(const std::string& trade) const { return Master(trade) / kJournal; }

  fs::path CatalogueFile(const std::string& name, const std::string& text) {
    fs::path file = dir / name;
    WriteBytes(file, text);
    return file;
  }

  std::string ExportCsv(const std::string& trade) {
    ToolResult r = Run({"master", "export", trade, "--format", "csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }

  // Starts an import and waits until it has changed zairyou2.mst (its
  // journal is then complete) and `also` holds.
  pid_t ImportUnderWay(const std::string& trade, const fs::path& file,
                       const std::function<bool()>& also = [] { return true; }) {
    const std::string before = ReadBytes(Master(trade) / "zairyou2.mst");
    pid_t pid = Start({"master", "import", trade, file.string()});
    bool underWay = WaitUntil(pid, [&] {
      return ReadBytes(Master(trade) / "zairyou2.mst") != before && also();
    });
    EXPECT_TRUE(underWay) << "the import ended before the moment looked for";
    return pid;
  }

  void Kill(pid_t pid) {
    kill(pid, SIGKILL);
    FinishTool(pid, home);
  }

  void FreshInstall() {
    fs::remove_all(install);
    fs::copy(SampleInstall(), install, fs::copy_options::recursive);
  }
};

// ------------------------------------------------------------ killed imports

// When an import reaches each stage, in milliseconds from the start of its
// process.
struct Timeline {
  double journal = 0, manifest = 0, commit = 0;
};

TEST_F(CmdtoolJournal, AnImportKilledAtAnyMomentLeavesTheOldOrTheNewCatalogue) {
  const std::string trade = "水道";
  const fs::path changed = CatalogueFile("changed.csv", ChangedCatalogue(trade));
  const fs::path original =
      CatalogueFile("original.csv", ReadBytes(SampleSources() / "master" / trade / "catalogue.csv"));
  const std::string oldCsv = ExportCsv(trade);
  const std::set<std::string> names = Names(Master(trade));

  // Calibration: two imports watched to the end (there and back).
  auto watch = [&](const fs::path& file) {
    Timeline t;
    auto start = Clock::now();
    pid_t pid = Start({"master", "import", trade, file.string()});
    auto at = [&] { return Ms(Clock::now() - start).count(); };
    while (!Ended(pid)) {
      bool journal = fs::exists(Journal(trade));
      if (journal && t.journal == 0) t.journal = at();
      if (journal && t.manifest == 0 && fs::exists(Journal(trade) / "manifest")) t.manifest = at();
      if (!journal && t.journal > 0 && t.commit == 0) t.commit = at();
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    if (t.commit == 0) t.commit = at();
    if (t.manifest == 0) t.manifest = t.commit;
    if (t.journal == 0) t.journal = t.manifest;
    EXPECT_EQ(FinishTool(pid, home).status, 0);
    return t;
  };
  const Timeline there = watch(changed);
  const std::string newCsv = ExportCsv(trade);
  const Timeline back = watch(original);
  ASSERT_NE(newCsv, oldCsv);
  ASSERT_EQ(ExportCsv(trade), oldCsv);
  const double starting = std::min(there.journal, back.journal);
  const double writing =
      std::min(there.manifest - there.journal, back.manifest - back.journal);
  const double updating = std::min(there.commit - there.manifest, back.commit - back.manifest);

  // Kill moments spread over the whole import, each measured from the event
  // that starts its stage (process start, journal, complete manifest): before
  // the journal, while it is written, during the updates, around the commit.
  std::random_device device;
  const unsigned seed = device();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  auto between = [&rng](double low, double high) {
    return std::uniform_real_distribution<double>(std::max(low, 0.0), std::max(high, low))(rng);
  };
  struct Phase {
    const char* after;  // "" (the process start), the journal or its manifest
    double low, high;
  };
  const Phase phases[] = {{"", 0, starting},
                          {kJournal, 0, writing + 1},
                          {"manifest", 0, updating},
                          {"manifest", updating - 4, updating + 2}};

  bool isNew = false;
  double recoveredAt = 0;  // when the last recovery had removed the journal
  int kills = 0, killedAgain = 0, endedOld = 0, endedNew = 0;
  for (int attempt = 0; kills < 100 && attempt < 200; ++attempt) {
    const Phase& phase = phases[attempt % 4];
    auto start = Clock::now();
    pid_t pid = Start({"master", "import", trade, (isNew ? original : changed).string()});
    fs::path event = *phase.after == 0                ? fs::path()
                     : std::string(phase.after) == kJournal ? Journal(trade)
                                                            : Journal(trade) / phase.after;
    if (!event.empty() && WaitUntil(pid, [&] { return fs::exists(event); }))
      start = Clock::now();
    std::this_thread::sleep_until(start + Ms(between(phase.low, phase.high)));
    kill(pid, SIGKILL);
    int signal = 0;
    FinishTool(pid, home, &signal);
    if (signal == SIGKILL) ++kills;

    // Every other time the recovery is killed too, just before it would end.
    if (attempt % 2 == 0 && recoveredAt > 0 && fs::exists(Journal(trade))) {
      auto again = Clock::now();
      pid_t next = Start({"master", "export", trade, "--format", "csv"});
      std::this_thread::sleep_until(again + Ms(between(recoveredAt - 8, recoveredAt + 1)));
      kill(next, SIGKILL);
      FinishTool(next, home, &signal);
      if (signal == SIGKILL) ++killedAgain;
    }

    // The next command; it times its recovery for the kills above.
    auto next = Clock::now();
    pid = Start({"master", "export", trade, "--format", "csv"});
    if (fs::exists(Journal(trade)) && WaitUntil(pid, [&] { return !fs::exists(Journal(trade)); }))
      recoveredAt = Ms(Clock::now() - next).count();
    ToolResult r = FinishTool(pid, home);
    ASSERT_EQ(r.status, 0) << "attempt " << attempt << ": " << r.err;
    ASSERT_TRUE(r.out == oldCsv || r.out == newCsv)
        << "attempt " << attempt << ": the catalogue is a mix of the old and the new one";
    ASSERT_EQ(Names(Master(trade)), names) << "attempt " << attempt << ": files left behind";
    isNew = r.out == newCsv;
    ++(isNew ? endedNew : endedOld);
  }
  std::printf("%d imports killed, %d recoveries killed; %d old and %d new catalogues\n", kills,
              killedAgain, endedOld, endedNew);
  EXPECT_GE(kills, 100);
  EXPECT_GT(killedAgain, 0);
  EXPECT_GT(endedOld, 0);
  EXPECT_GT(endedNew, 0);
}

// ------------------------------------------------------------ recovery

struct RecoveryCase {
  const char* what;
  bool newEntry;  // the import adds level-1 entry 9 and is killed once zai009-3.mst exists
  std::function<void(const fs::path& master, const fs::path& journal)> spoil;
  int status;
  std::vector<std::string> fragments;  // of standard output (status 0) or error (status 1)
  const char* absent;                  // not in standard output
};

// The journal's copy of a file, as its manifest names it.
fs::path CopyOf(const fs::path& journal, const std::string& name) {
  for (const std::string& line : Lines(ReadBytes(journal / "manifest"))) {
    if (line.size() > name.size() && line.compare(line.size() - name.size(), name.size(), name) == 0)
      return journal / line.substr(0, line.find(' '));
  }
  throw std::runtime_error("no copy of " + name);
}

TEST_F(CmdtoolJournal, RecoveryUndoesACompleteJournalAndRefusesADamagedOne) {
  const RecoveryCase cases[] = {
      {"complete journal", false, nullptr, 0, {"an interrupted import was undone: "}, ""},
      {"a file the import created", true, nullptr, 0, {"files put back, "}, ", 0 removed"},
      {"incomplete manifest: the import died writing it, before any master write", false,
       [](const fs::path& master, const fs::path& journal) {
         for (const auto& [name, bytes] : FilesUnder(SampleInstall() / "MASTER" / "水道"))
           WriteBytes(master / name, bytes);
         for (const auto& entry : fs::directory_iterator(master))  // no rewrite had begun
           if (cmd::os::IsStagingName(entry.path().filename().string())) fs::remove(entry);
         std::string manifest = ReadBytes(journal / "manifest");
         manifest.erase(manifest.rfind("end "));
         WriteBytes(journal / "manifest", manifest);
       },
       0, {"an unfinished journal was removed"}, ""},
      {"a saved copy whose checksum does not match", false,
       [](const fs::path&, const fs::path& journal) {
         fs::path copy = CopyOf(journal, "zairyou2.mst");
         std::string bytes = ReadBytes(copy);
         bytes[bytes.size() / 2] ^= 1;
         WriteBytes(copy, bytes);
       },
       1, {"MASTER\\水道\\.~cmd:journal", "copy of zairyou2.mst", "damaged", "left as it is"}, ""},
  };
  const std::string trade = "水道";
  for (const RecoveryCase& c : cases) {
    SCOPED_TRACE(c.what);
    FreshInstall();
    const fs::path file = CatalogueFile("changed.csv", ChangedCatalogue(trade, c.newEntry));
    const fs::path created = Master(trade) / "zai009-3.mst";
    Kill(ImportUnderWay(trade, file, [&] { return !c.newEntry || fs::exists(created); }));
    ASSERT_TRUE(fs::exists(Journal(trade) / "manifest"));
    if (c.spoil) c.spoil(Master(trade), Journal(trade));
    const auto before = FilesUnder(install);

    ToolResult r = Run({"master", "recover", trade});
    if (c.status == 0) {
      ASSERT_EQ(r.status, 0) << r.err;
      for (const std::string& f : c.fragments) EXPECT_NE(r.out.find(f), std::string::npos) << r.out;
      if (*c.absent) {
        EXPECT_EQ(r.out.find(c.absent), std::string::npos) << r.out;
      }
      ExpectSampleUnchanged();
      EXPECT_EQ(Run({"master", "recover", trade}).out,
                "MASTER\\水道\\: no interrupted import; nothing to do\n");
    } else {
      ExpectFailure(r, {});
      for (const std::string& f : c.fragments) EXPECT_NE(r.err.find(f), std::string::npos) << r.err;
      EXPECT_TRUE(FilesUnder(install) == before) << "the files changed";
      // Every command on the folder refuses alike; other folders are free.
      EXPECT_EQ(Run({"master", "list", trade}).err, r.err);
      EXPECT_EQ(Run({"master", "list", "電気"}).status, 0);
    }
  }
}

TEST_F(CmdtoolJournal, EveryCommandOnTheFolderFinishesAnInterruptedImportFirst) {
  const std::string trade = "水道";
  const fs::path file = CatalogueFile("changed.csv", ChangedCatalogue(trade));
  const std::vector<std::vector<std::string>> commands = {
      {"master", "list", trade}, {"master", "export", trade}, {"tables", "build", trade}};
  for (const auto& command : commands) {
    SCOPED_TRACE(command[1]);
    FreshInstall();
    Kill(ImportUnderWay(trade, file));
    ToolResult r = RunArgs(command);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_NE(r.err.find("MASTER\\水道\\: an interrupted import was undone"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(Journal(trade)));
    EXPECT_TRUE(FilesUnder(Master(trade)) == FilesUnder(SampleInstall() / "MASTER" / trade));
  }
}

// ------------------------------------------------------------ stops

TEST_F(CmdtoolJournal, CtrlCAndSigtermRollTheImportBack) {
  const fs::path file = CatalogueFile("changed.csv", ChangedCatalogue("電気"));
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    FreshInstall();
    pid_t pid = ImportUnderWay("電気", file);
    kill(pid, signal);
    ToolResult r = FinishTool(pid, home);
    ExpectFailure(r, {"MASTER\\電気\\: the import was interrupted; the catalogue is unchanged"});
    ExpectSampleUnchanged();
  }
}

TEST_F(CmdtoolJournal, OneImportAtATimePerMasterFolder) {
  const fs::path changed = CatalogueFile("changed.csv", ChangedCatalogue("電気"));
  const fs::path other = CatalogueFile("other.csv", ChangedCatalogue("水道"));
  pid_t first = ImportUnderWay("電気", changed);
  kill(first, SIGSTOP);
  ExpectFailure(Run({"master", "import", "電気", changed.string()}),
                {"MASTER\\電気\\: another import into this master folder is running"});
  ExpectFailure(Run({"master", "export", "電気"}),
                {"MASTER\\電気\\: an import into this master folder is running"});
  EXPECT_EQ(Run({"master", "import", "水道", other.string()}).status, 0);  // another folder
  kill(first, SIGCONT);
  ToolResult r = FinishTool(first, home);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Run({"master", "export", "電気", "--format", "csv"}).out, ReadBytes(changed));

  // The kernel drops the hold of a process that dies; the next import
  // finishes the dead one's journal first.
  const fs::path original =
      CatalogueFile("original.csv", ReadBytes(SampleSources() / "master" / "電気" / "catalogue.csv"));
  Kill(ImportUnderWay("電気", original));
  r = Run({"master", "import", "電気", original.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("an interrupted import was undone"), std::string::npos) << r.err;
  EXPECT_TRUE(FilesUnder(Master("電気")) == FilesUnder(SampleInstall() / "MASTER" / "電気"));
}

}  // namespace
}  // namespace cmdtest
