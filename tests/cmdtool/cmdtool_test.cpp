// cmdtool on fresh copies of the sample installation: its commands run as
// processes (what they show and write, whole catalogues exported and
// imported again, every refusal), master import all or nothing (killed at
// any moment, stopped by Ctrl-C and SIGTERM, one at a time per folder), and
// the printed forms worked out and drawn in this process through the
// library's drawers on the recording, image and printer back-ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/gdi_devices.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/profile.h"
#include "journal.h"
#include "print_envelope.h"
#include "print_estimate.h"
#include "print_sheet.h"
#include "support/test_support.h"
#include "tool.h"

namespace cmdtest {
namespace {

namespace fs = std::filesystem;

struct ToolResult {
  int status = -1;  // exit status; -1 when the process did not exit normally
  std::string out, err;
};

// Waits for the process; `signal` receives the signal that ended it (0 when it exited).
ToolResult FinishTool(pid_t pid, const fs::path& home, int* signal = nullptr) {
  int status = 0;
  const bool waited = waitpid(pid, &status, 0) == pid;
  if (signal) *signal = waited && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return {waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(home / "stdout.txt"),
          ReadBytes(home / "stderr.txt")};
}

// Every file under a folder, by relative path, with its bytes.
std::map<std::string, std::string> FilesUnder(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
  return files;
}

// Lines of a text, without their "\n".
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The first occurrence of `from` replaced; throws when there is none.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::runtime_error("no " + from);
  return text.replace(at, from.size(), to);
}

// Compares a text with tests/cmdtool/data/<name> (a failure shows the lines
// that differ); CMD_UPDATE_GOLDEN=1 writes the file anew after a deliberate change.
void ExpectGolden(const std::string& actual, const std::string& name) {
  const fs::path golden = fs::path(CMD_SOURCE_DIR) / "tests" / "cmdtool" / "data" / name;
  if (std::getenv("CMD_UPDATE_GOLDEN")) WriteBytes(golden, actual);
  EXPECT_EQ(actual, ReadBytes(golden)) << golden;
}

// The sample installation, its readable sources and estimates.
fs::path SampleInstall() { return fs::path(CMD_SOURCE_DIR) / "examples" / "install"; }
fs::path SampleSources() { return fs::path(CMD_SOURCE_DIR) / "examples" / "src"; }
fs::path Estimates() { return fs::path(CMD_SOURCE_DIR) / "examples" / "estimates"; }
// The readable source of a trade's catalogue (UTF-8 CSV).
std::string SourceCsv(const std::string& trade) { return ReadBytes(SampleSources() / "master" / trade / "catalogue.csv"); }

// Opening an installation in this process makes it the current directory;
// the old one comes back before the temporary folder goes.
struct KeepCurrentDirectory {
  fs::path old = fs::current_path();
  ~KeepCurrentDirectory() { fs::current_path(old); }
};

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override { FreshInstall(); }
  void FreshInstall() {
    fs::remove_all(install);
    fs::copy(SampleInstall(), install, fs::copy_options::recursive);
  }
  // Starts cmdtool --root <install> args... (unless the args give --root
  // first) in `cwd` when given, with `input` on its standard input; its
  // per-user folders (XDG_CONFIG_HOME, XDG_DATA_HOME) are under `home`.
  // Start does not wait (FinishTool waits).
  pid_t Start(std::vector<std::string> args, const std::string& input = "", const fs::path& cwd = {}) {
    if (args.empty() || args[0] != "--root") args.insert(args.begin(), {"--root", install.string()});
    args.insert(args.begin(), CMDTOOL_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    fs::create_directories(home);
    WriteBytes(home / "stdin.txt", input);
    const std::string files[] = {home / "stdin.txt", home / "stdout.txt", home / "stderr.txt", home / "config",
                                 home / "data"};
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");  // a pid of -1 must never be signalled
    if (pid == 0) {
      for (int fd = 0; fd < 3; ++fd) {
        const int opened = open(files[fd].c_str(), fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (opened < 0 || dup2(opened, fd) < 0) _exit(126);
      }
      if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
      setenv("XDG_CONFIG_HOME", files[3].c_str(), 1);
      setenv("XDG_DATA_HOME", files[4].c_str(), 1);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return pid;
  }
  ToolResult Run(std::vector<std::string> args, const std::string& input = "", const fs::path& cwd = {}) {
    return FinishTool(Start(std::move(args), input, cwd), home);
  }
  fs::path Master(const std::string& trade) const { return install / "MASTER" / trade; }

  // Asserts that the installation still holds exactly the sample's files.
  void ExpectSampleUnchanged() const {
    const auto now = FilesUnder(install), sample = FilesUnder(SampleInstall());
    for (const auto& [name, bytes] : sample)
      EXPECT_TRUE(now.contains(name) && now.at(name) == bytes) << name << " changed or gone";
    EXPECT_EQ(now.size(), sample.size()) << "files were added";
  }
  // Asserts a failure: the status and one line on standard error that
  // starts with "cmdtool: " and contains every fragment.
  static void ExpectFailure(const ToolResult& r, const std::vector<std::string>& fragments, int status = 1) {
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("cmdtool: ", 0), 0u) << r.err;
    for (const std::string& f : fragments) EXPECT_NE(r.err.find(f), std::string::npos) << f << " in " << r.err;
  }

  TempDir dir;
  fs::path install = dir / "install", home = dir / "home";
};

// ============================================================ commands

using Cmdtool = ToolTest;

// The CSV as a Japanese spreadsheet program saves it: code page 932, CR LF.
std::string SpreadsheetCsv(const std::string& utf8) {
  return cmd::cp::Encode932(Utf8ToUtf16(std::regex_replace(utf8, std::regex("\n"), "\r\n")));
}

// The commands' output, compared with one transcript: first the read-only
// ones on the sample (the folder getters, every setting with its value,
// default and key, display texts, the catalogue's listings aligned by
// display width, a JSON export, the histories most recent first), then
// setters, a history text moved to the front and both tables of two trades.
TEST_F(Cmdtool, CommandsShowAndWriteAsPinned) {
  std::string transcript;
  auto show = [&](const std::vector<std::vector<std::string>>& commands) {
    for (const auto& args : commands) {
      ToolResult r = Run(args);
      std::string shown = r.out + r.err;
      for (auto [path, name] : {std::pair{install.string(), "<root>"}, std::pair{home.string(), "<home>"}})
        for (std::size_t at; (at = shown.find(path)) != std::string::npos;) shown.replace(at, path.size(), name);
      if (args[0] == "paths")  // the columns are as wide as the temporary folder's name
        shown = std::regex_replace(shown, std::regex("  +"), "  ");
      transcript += "$ cmdtool";
      for (const std::string& a : args) transcript += " " + a;
      transcript += "\n" + shown + (r.status != 0 ? "exit status " + std::to_string(r.status) + "\n" : "");
    }
  };
  show({{"paths"}, {"settings", "list"},
        // the setter's name names the option too; GetPowerOffIni is not in the file: its default
        {"settings", "get", "SetBaikaRituIni"}, {"settings", "get", "getbaikarituini"},
        {"settings", "get", "GetSystemTitle"}, {"settings", "get", "GetFDIni"}, {"settings", "get", "GetPowerOffIni"},
        {"format", "money", "1234567"}, {"format", "money", "1234567.50", "--quote"},
        {"format", "money", "--group", "4", "123456"}, {"format", "number", "-d", "2", "1234.5", "--quote"},
        {"format", "number", "-d", "2", "1234", "--quote"}, {"format", "number", "-1234567"},
        {"format", "number", "-d", "2", "1234.5", "12", "0.25"}, {"format", "date", "2024/05/03", "0000/00/00"},
        {"master", "list", "電気"}, {"master", "list", "1"}, {"master", "list", "denki"},
        {"master", "list", "電気", "3"}, {"master", "list", "電気", "1", "3"}, {"master", "list", "電気", "4", "3"},
        {"master", "export", "建築"}, {"history", "show", "1"}, {"history", "show", "7"}, {"history", "show", "99"}});
  ExpectSampleUnchanged();
  show({{"settings", "set", "SetBaikaRituIni", "80"}, {"settings", "get", "GetBaikaRituIni"},
        {"settings", "set", "SetBaikaRituIni", "-5"}, {"settings", "set", "SetGengouIni", "平成"},
        {"settings", "set", "SetHukurihiHasuu", "0"}, {"settings", "set", "SetPowerOffIni", "0"},
        {"settings", "set", "SetHaisenShuukeiModeIni", "3"}, {"history", "add", "1", "佐藤邸 分電盤取替工事"},
        {"tables", "build", "電気"}, {"tables", "build", "水道", "--if-stale"}, {"tables", "build", "水道", "--if-stale"}});
  ExpectGolden(transcript, "transcript.txt");
  // (Each write says what it wrote; the bytes are the library's, pinned by its own tests.)

  // A master written later than the tables makes them stale.
  const auto built = fs::last_write_time(install / "cad2_1.tbl");
  fs::last_write_time(Master("水道") / "zai001-3.mst", built + std::chrono::seconds(2));
  EXPECT_NE(Lines(Run({"tables", "build", "水道", "--if-stale"}).out)[1].find("rebuilt"), std::string::npos);

  EXPECT_EQ(Run({"format", "date", "today"}).out.size(), 11u);  // "yyyy/mm/dd", month and day padded by spaces
  const ToolResult help = Run({"master", "import", "--help"});
  EXPECT_TRUE(help.status == 0 && help.out.find("Usage:") != std::string::npos) << help.err;
}

// ------------------------------------------------------------ catalogues

// The sample's files were generated from readable sources, and the library
// writes them again: every trade's catalogue goes out as its source (UTF-8,
// or code page 932 with CR LF as a spreadsheet saves it) and as JSON, and
// each comes back in leaving every file byte-identical (the encoding found
// out or given, a UTF-8 byte-order mark skipped, standard input read, file
// names relative to the user's current directory); the history texts
// entered oldest first give the history file.
TEST_F(Cmdtool, TheSampleIsWhatTheLibraryWritesFromItsSourcesAndImportsWriteTheCatalogueGiven) {
  for (const char* trade : {"電気", "水道", "設備", "建築"}) {
    SCOPED_TRACE(trade);
    const std::string csv = SourceCsv(trade);
    EXPECT_TRUE(Run({"master", "export", trade, "--format", "csv"}).out == csv);
    fs::path spreadsheet = dir / "cp932.csv", json = dir / "catalogue.json";
    ASSERT_EQ(Run({"master", "export", trade, "--format", "csv", "--encoding", "cp932", "-o",
                   spreadsheet.string()}).status, 0);
    EXPECT_TRUE(ReadBytes(spreadsheet) == SpreadsheetCsv(csv));
    ASSERT_EQ(Run({"master", "export", trade, "-o", json.string()}).status, 0);
    for (const fs::path& file : {spreadsheet, json}) {
      const ToolResult r = Run({"master", "import", trade, file.string()});
      ASSERT_EQ(r.status, 0) << file << r.err;
      EXPECT_NE(r.out.find(" imported ("), std::string::npos) << r.out;
      ExpectSampleUnchanged();
    }
  }
  fs::path file = dir / "cp932.csv";  // 建築's
  EXPECT_EQ(Run({"master", "import", "建築", file.string(), "--encoding", "cp932"}).status, 0);
  WriteBytes(file, "\xEF\xBB\xBF" + SourceCsv("電気"));
  EXPECT_EQ(Run({"master", "import", "電気", file.string()}).status, 0);
  EXPECT_EQ(Run({"master", "import", "電気", file.string(), "--encoding", "utf-8"}).status, 0);
  EXPECT_EQ(Run({"master", "import", "建築", "-", "--format", "csv"}, SourceCsv("建築")).status, 0);
  ExpectSampleUnchanged();

  const fs::path work = dir / "work";
  fs::create_directories(work);
  ASSERT_EQ(Run({"master", "export", "水道", "--format", "csv", "-o", "out.csv"}, "", work).status, 0);
  EXPECT_TRUE(ReadBytes(work / "out.csv") == SourceCsv("水道"));
  EXPECT_EQ(Run({"--root", "../install", "master", "import", "水道", "out.csv"}, "", work).status, 0);
  // --check reads and checks all, and writes nothing.
  EXPECT_EQ(Run({"master", "import", "電気", "out.csv", "--check"}, "", work).out,
            "電気: 5 level-1 entries, 11 level-2 entries, 48 items checked; nothing written\n");
  ExpectSampleUnchanged();  // out.csv is not in the installation either

  fs::remove(install / "PELMAR" / "histry.mst");
  const std::vector<std::string> rows = Lines(ReadBytes(SampleSources() / "history.csv"));
  for (std::size_t i = rows.size() - 1; i > 0; --i) {  // oldest first; row 0 is the header
    const std::size_t comma = rows[i].find(',');
    ASSERT_EQ(Run({"history", "add", rows[i].substr(0, comma), rows[i].substr(comma + 1)}).status, 0);
  }
  ExpectSampleUnchanged();

  // An import writes the catalogue given: into an empty master folder it
  // writes what the sample holds; a new price, a level-2 group dropped with
  // its items and a level-1 entry dropped (with its level-3 file) are what
  // the listings and the export then show.
  for (const auto& [name, bytes] : FilesUnder(Master("電気")))
    if (name.rfind("zai", 0) == 0) fs::remove(Master("電気") / name);
  WriteBytes(file, SourceCsv("電気"));
  EXPECT_EQ(Run({"master", "import", "電気", file.string()}).out,
            "電気: 10 level-1 entries, 49 level-2 entries, 324 items imported (60 updates)\n");
  ExpectSampleUnchanged();  // no staging file stays either

  std::string edited;
  for (const std::string& line : Lines(Replaced(SourceCsv("電気"), "絶縁電線,m,28,27,", "絶縁電線,m,31,27,")))
    if (!std::regex_search(line, std::regex("^(2,1,6|3,1,6|1,10|2,10|3,10),"))) edited += line + "\n";
  WriteBytes(file, edited);
  EXPECT_EQ(Run({"master", "import", "電気", file.string()}).out,
            "電気: 9 level-1 entries, 43 level-2 entries, 278 items imported (56 updates)\n");
  EXPECT_FALSE(fs::exists(Master("電気") / "zai010-3.mst"));
  EXPECT_EQ(Lines(Run({"master", "list", "電気", "1", "1"}).out)[2],
            "   1  001010000010  -A     IV 1.6mm  1.6mm  m        31     50  0.01");
  EXPECT_TRUE(Run({"master", "export", "電気", "--format", "csv"}).out == edited);
}

// ------------------------------------------------------------ refusals

struct Refusal {
  std::vector<std::string> args;  // after --root <install>, unless they give --root
  int status;                     // 1 failure, 2 usage error
  std::vector<std::string> fragments;  // of the one line on standard error
  std::map<std::string, std::string> files = {};  // put in the working folder first
  std::function<void(const fs::path& folder)> spoil = {};  // done to the installation first
};

// Every refusal: its exit status, one line on standard error that names the
// input and the problem, nothing on standard output, and not a byte of the
// installation or the working folder changed (no output file left either).
TEST_F(Cmdtool, EveryRefusalSaysWhyAndChangesNothing) {
  const std::string item =
      "3,1,1,1,IV 1.6mm,,,,,,,,,,001010000010,,A,1.6mm,600V ビニル絶縁電線,m,28,27,50,20,0,0,0,0.01,0,0,0,0,";
  const std::string source = SourceCsv("電気");
  const std::string json = Run({"master", "export", "電気"}).out;
  // An import of the electrical catalogue with one change made to it; the
  // message names the file.
  auto csv = [&](const std::string& from, const std::string& to, std::vector<std::string> f) {
    f.push_back("bad.csv");
    return Refusal{{"master", "import", "電気", "bad.csv"}, 1, f, {{"bad.csv", Replaced(source, from, to)}}};
  };
  auto js = [&](const std::string& from, const std::string& to, std::vector<std::string> f) {  // "": cut short
    f.push_back("bad.json");
    const std::string text = from.empty() ? json.substr(0, json.size() / 2) : Replaced(json, from, to);
    return Refusal{{"master", "import", "電気", "bad.json"}, 1, f, {{"bad.json", text}}};
  };
  auto est = [&](const std::string& text, std::vector<std::string> f) {
    return Refusal{{"print", "estimate", "est.json", "-o", "x.pdf", "--png", "x"}, 1, f, {{"est.json", text}}};
  };
  auto rows = [&](const std::string& csv, const std::string& said) {  // an estimate's lines from a CSV file
    Refusal r = est(R"({"lines": "lines.csv"})", {said});
    r.files["lines.csv"] = csv;
    return r;
  };
  const std::string nowhere = (dir / "nowhere").string();
  const std::vector<std::string> gone = {nowhere, "no such installation folder"};
  const Refusal cases[] = {
      // usage errors
      {{}, 2, {}}, {{"nosuchcommand"}, 2, {}}, {{"settings"}, 2, {}}, {{"settings", "get"}, 2, {}},
      {{"master", "list"}, 2, {}}, {{"history", "show", "100"}, 2, {}}, {{"history", "show", "x"}, 2, {}},
      {{"history", "show", "-1"}, 2, {}}, {{"history", "add", "100", "x"}, 2, {}}, {{"paths", "extra"}, 2, {}},
      {{"format", "number", "-d", "4", "1"}, 2, {}}, {{"master", "export", "1", "--format", "xml"}, 2, {}},
      // no installation folder
      {{"--root", nowhere, "paths"}, 1, gone}, {{"--root", nowhere, "settings", "list"}, 1, gone},
      {{"--root", nowhere, "master", "list", "1"}, 1, gone}, {{"--root", nowhere, "history", "show", "1"}, 1, gone},
      // display texts
      {{"format", "money", "12a"}, 1, {"'12a' is not a number"}},
      {{"format", "number", "1.2.3"}, 1, {"'1.2.3' is not a number"}},
      {{"format", "number", std::string(40, '9')}, 1, {"longer than"}},
      {{"format", "date", "2024-5-3"}, 1, {"'2024-5-3' is not a date"}},
      // settings
      {{"settings", "get", "GetNoSuchIni"}, 1, {"unknown setting 'GetNoSuchIni'"}},
      {{"settings", "set", "SetNoSuchIni", "1"}, 1, {"unknown setting"}},
      {{"settings", "set", "SetBaikaRituIni", "abc"}, 1, {"SetBaikaRituIni", "'abc' is not a whole number"}},
      {{"settings", "set", "SetBaikaRituIni", "12abc"}, 1, {"not a whole number"}},
      {{"settings", "set", "SetBaikaRituIni", "2147483648"}, 1, {"not a whole number"}},
      {{"settings", "set", "GetCadIni", "1"}, 1, {"GetCadIni", "no setter", "[SYSTEM] DESIGNER"}},
      {{"settings", "get", "SetHaisenShuukeiModeIni"}, 1, {"no getter"}},
      {{"settings", "set", "SetGengouIni", std::string(260, 'x')}, 1, {"260 characters", "259"}},
      // histories
      {{"history", "add", "2", std::string(50, 'x')}, 1, {"history 2", "50 characters", "at most 49"}},
      {{"history", "add", "2", ""}, 1, {"history 2", "empty"}},
      {{"history", "show", "1"}, 1, {"[DIR] PELMAR is empty"}, {},
       [](const fs::path& i) { fs::remove(i / "pelmar1.ini"); }},
      // listings and tables
      {{"master", "list", "電灯"}, 1, {"unknown trade '電灯'"}}, {{"master", "list", "5"}, 1, {"unknown trade '5'"}},
      {{"master", "list", "電気", "99"}, 1, {"zairyou1.mst", "no level-1 entry 99"}},
      {{"master", "list", "電気", "1", "99"}, 1, {"zairyou2.mst", "no level-2 entry 1/99"}},
      {{"master", "list", "電気", "--number", "0"}, 1, {"MASTER\\電気\\1\\", "no such master folder"}},
      {{"master", "list", "水道"}, 1, {"MASTER\\水道\\zairyou1.mst", "no such file"}, {},
       [](const fs::path& i) { fs::remove(i / "MASTER" / "水道" / "zairyou1.mst"); }},
      {{"tables", "build", "9"}, 1, {"unknown trade '9'"}},
      {{"tables", "build", "設備"}, 1, {"MASTER\\設備\\zairyou1.mst", "no such file"}, {},
       [](const fs::path& i) { fs::remove(i / "MASTER" / "設備" / "zairyou1.mst"); }},
      // exports and imports
      {{"master", "export", "電気", "--encoding", "cp932"}, 1, {"JSON is always UTF-8"}},
      {{"master", "export", "電気"}, 1, {"MASTER\\電気\\zai002-3.mst:1:", "has 24 fields"}, {},
       [](const fs::path& i) {  // a comma in a name: the catalogue would lose the line
         fs::path zai = i / "MASTER" / "電気" / "zai002-3.mst";
         WriteBytes(zai, Replaced(ReadBytes(zai), Utf16le(u"薄鋼電線管 C19", false),
                                  Utf16le(u"薄鋼電線管, C19", false)));
       }},
      {{"master", "import", "配管", "c.csv"}, 1, {"unknown trade '配管'"}, {{"c.csv", source}}},
      {{"master", "import", "電気", "none.csv"}, 1, {"none.csv", "no such file"}},
      {{"master", "import", "電気", "c.csv"}, 1, {"c.csv", "empty"}, {{"c.csv", ""}}},
      {{"master", "import", "電気", "c.txt", "--format", "json"}, 1, {"no such file"}},
      {{"master", "import", "建築", "-"}, 1, {"cannot tell the format"}},
      // a read-only level-3 file: the library refuses to replace it, reading back finds it out
      {{"master", "import", "電気", "c.csv"}, 1,
       {"MASTER\\電気\\", "the import did not take", "the old master files were put back"},
       {{"c.csv", Replaced(source, ",m,28,27,", ",m,31,27,")}},
       [](const fs::path& i) { fs::permissions(i / "MASTER" / "電気" / "zai001-3.mst", fs::perms::owner_read); }},
      // bad catalogues
      csv("IV 1.6mm,,", "\"IV 1.6mm, 赤\",,", {"bad.csv:61:", "holds a comma"}),
      csv("IV 1.6mm,,", std::string(61, 'x') + ",,", {":61:", "61 characters long", "at most 60"}),
      csv("m,28,27,", "m,28.5,27,", {":61:", "amount1 28.5", "not a whole number"}),
      csv("m,28,27,", "m,16777217,27,", {"amount1 16777217", "single-precision"}),
      csv("m,28,27,", "m,1e14,27,", {"amount1 100000000000000", "13 digits"}),
      csv(",0.01,0,", ",0.0105,0,", {"factor1", "more than three decimals"}),
      csv("001010000010", "00101000001", {"drawing code '00101000001' is not 12 digits"}),
      csv(",,A,1.6mm", ",,AB,1.6mm", {"use_mark 'AB' is more than one character"}),
      csv("2,1,1,,IV電線,,1,", "2,1,1,,IV電線,,256,", {":12:", "attr1 256 is outside 0 to 255"}),
      csv(item, "4" + item.substr(1), {":61:", "level '4'"}),
      csv(item, item.substr(0, item.size() - 1), {":61:", "32 fields", "the header has 33"}),
      csv("closing_text", "closing", {":1:", "unknown column 'closing'"}),
      csv("1,1,,,電線・ケーブル,0,,", "1,1,,,電線・ケーブル,0,7,", {":2:", "column 'attr1' does not apply to a level-1 row"}),
      csv("2,1,1,,IV電線", "2,11,1,,IV電線", {":12:", "names level-1 code 11, which is not in level 1"}),
      csv(item, "3,1,9,1" + item.substr(7), {":61:", "belongs to level-2 entry 1/9, which is not in level 2"}),
      csv(item, item + "\n" + item, {":62:", "item 1/1/1 IV 1.6mm is listed twice"}),
      csv("IV 1.6mm,,", "\"IV 1.6mm,,", {"quoted field is not closed"}),
      // a spreadsheet's CSV (code page 932): the text is quoted as it is
      {{"master", "import", "電気", "bad.csv"}, 1, {"bad.csv:61:", "'電線" + std::string(59, 'x') + "' is 61 characters long"},
       {{"bad.csv", SpreadsheetCsv(Replaced(source, "IV 1.6mm,,", "電線" + std::string(59, 'x') + ",,"))}}},
      js("", "", {"parse error at line"}),
      js("\"short_text\"", "\"unit\"", {"level3[0]", "unknown key \"unit\""}),
      js("{\"code\":1,\"name\"", "{\"code\":\"1\",\"name\"", {"level1[0]", "\"code\" must be a whole number"}),
      js("[28,27,50,20,0,0,0]", "[28,27,50]", {"level3[0]", "\"amounts\" must be an array of 7 numbers"}),
      js("\"flag\":0}", "\"flag\":1e999}", {"number overflow"}),
      js("{\"level1\":1,\"code\":1,", "{\"level1\":1,\"code\":-1,", {"level2[0]", "code -1 is outside 0 to 2147483647"}),
      // estimates and envelopes
      est(R"({"lines":[{"codes":[4,1,99],"quantity":1}]})", {"est.json: lines[0]: no catalogue item 4-1-99 in 電気"}),
      est(R"({"lines": [{"codes": [4, 1, 1], "quantity": "12本"}]})",
          {"est.json: lines[0].quantity: quantity '12本' is not a number"}),
      est(R"({"lines":[{"name":"a","quantity":1,"unit":"式","price":12345678901}]})", {"lines[0].price", "does not fit"}),
      est(R"({"lines":[{"name":"a","quantity":9999999,"price":999999999}]})", {"lines[0]: the amount", "does not fit"}),
      est(R"({"lines": [{"name": "a", "colour": "red"}]})", {"est.json: lines[0].colour: unknown field"}),
      est(R"({"customre": "x", "lines": []})", {"est.json: customre: unknown field"}),
      est("  \n", {"est.json: the document is empty"}),
      est(R"({"lines": []})", {"est.json: the estimate has no lines"}),
      est("{\n \"lines\": [\n  {\"name\": \"a\",}\n]}", {"est.json: ", "line 3"}),
      est(R"({"date": "2024/02/30", "lines": [{"name": "a"}]})", {"est.json: date: '2024/02/30' is not a date"}),
      rows("kind,name,quantity,price\nfree,a,1,2\nfree,\"b,1,2\n", "lines.csv:3: a quoted field is not closed"),
      rows("kind,name,quantity,price\nfree,a,1x,2\n", "lines.csv:2: quantity '1x' is not a number"),
      rows("kind,nmae\n", "lines.csv:1: unknown column 'nmae'"),
      {{"print", "envelope", "--to", "/nonexistent.json", "-o", "e.pdf"}, 1, {"/nonexistent.json: cannot read the file"}},
      {{"print", "envelope", "--to", "a.json", "-o", "e.pdf"}, 1, {"a.json: postal: a postal code has seven digits"},
       {{"a.json", R"({"postal": "98-0811", "address": "x", "name": "y"})"}}},
  };
  const fs::path work = dir / "work";
  for (const Refusal& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases));
    fs::remove_all(work);
    fs::create_directories(work);
    for (const auto& [name, bytes] : c.files) WriteBytes(work / name, bytes);
    if (c.spoil) c.spoil(install);
    const auto before = FilesUnder(install);
    ToolResult r = Run(c.args, "", work);
    ExpectFailure(r, c.fragments, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(FilesUnder(install) == before) << "the installation changed";
    EXPECT_TRUE(FilesUnder(work) == c.files) << "a file was left in the working folder";
    if (c.spoil) FreshInstall();
  }
  ExpectSampleUnchanged();
}

// ============================================================ import journal

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

// ============================================================ printed forms

using namespace cmdtool;
using namespace cmdtool::print;

// The library set up on a fresh copy of the sample installation, in this
// process (the folder becomes the current directory).
class PrintTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    inst.given = install.string();
    inst.Open();
  }
  Estimate Work(const std::string& json) {
    Document doc = ParseDocument(json, "est.json", ".");
    return WorkOut(doc, ReadRules(doc));
  }
  KeepCurrentDirectory cwd;
  Installation inst;
};

// The drawn result as lines of text: texts with their rectangle and font
// height, rules with their ends and pen width, bitmaps, pages.
std::string Listing(HDC dc) {
  std::ostringstream out;
  for (const cmd::gdi::GdiOp& op : *cmd::gdi::RecordedOps(dc)) {
    using cmd::gdi::OpKind;
    const RECT& r = op.rect;
    const std::string text = Utf16ToUtf8(op.text), rect = "[" + std::to_string(r.left) + "," +
        std::to_string(r.top) + "," + std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
    if (op.kind == OpKind::StartPage) out << "page\n";
    if (op.kind == OpKind::DrawText)
      out << "text " << rect << " h" << op.font.lfHeight << " f" << op.flags << " " << text << "\n";
    if (op.kind == OpKind::TextOut)
      out << "textout " << op.point.x << "," << op.point.y << " h" << op.font.lfHeight << " " << text << "\n";
    if (op.kind == OpKind::LineTo)
      out << "line " << op.position.x << "," << op.position.y << "-" << op.point.x << "," << op.point.y
          << " w" << op.pen.lopnWidth.x << "\n";
    if (op.kind == OpKind::FillRect) out << "fill " << rect << "\n";
    if (op.kind == OpKind::StretchDIBits)
      out << "bitmap " << op.dest.x << "," << op.dest.y << " " << op.dest.cx << "x" << op.dest.cy << "\n";
  }
  return out.str();
}

// A recording device at 300 dpi that keeps the drawing calls only.
HDC Recorder(CDC& dc) {
  dc.Attach(cmd::gdi::CreateRecordingDC(300, true));
  cmd::gdi::RecordEverything(dc.GetSafeHdc(), false);
  return dc.GetSafeHdc();
}

const char kSmall[] = R"({
  "customer": "株式会社 青葉建設", "title": "倉庫照明改修工事", "date": "2024/05/03",
  "remarks": ["工期：6月", "夜間作業を含みます。"],
  "lines": [
    {"codes": [4, 1, 1], "quantity": 12}, {"codes": [1, 2, 3], "quantity": 150},
    {"name": "既設照明器具 撤去処分", "detail": "FL40W×2 逆富士形 天井直付 高所作業車を使用", "quantity": 12, "unit": "台", "price": 1500},
    {"subtotal": true},
    {"expense": "諸経費", "rate": 5}
  ]})";

// The small estimate drawn on small pages (so that the table breaks) and
// the envelope (postal code in its boxes, the address written vertically,
// the flap open) are pinned draw call for draw call, the sample's head texts
// with them; on the preview of the long sample, each half of the columns
// drawn alone leaves no ink outside their cells. The program prints both to
// PDF and PNG. Then the head texts, the rounding modes, the selling rate
// and the tax follow the settings.
TEST_F(PrintTest, FormsAreWorkedOutDrawnAndPrintedAsPinned) {
  Estimate e = Work(kSmall);
  Warnings warnings(std::cerr);
  Letterhead head = ReadLetterhead(warnings);
  SheetLayout layout{5, 6};
  std::vector<PageRows> pages = Paginate(e, layout);  // carried over to page 2
  ASSERT_EQ(pages.size(), 2u);
  CDC dc;
  Recorder(dc);
  Page page{&dc, 300};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    dc.StartPage();
    DrawEstimatePage(page, e, head, pages, i, kAllColumns, layout);
    dc.EndPage();
  }
  ExpectGolden(Listing(dc.GetSafeHdc()), "print_small.txt");
  // No drawing function leaves a font or pen behind.
  EXPECT_TRUE(cmd::gdi::LiveObjects().fonts == 0 && cmd::gdi::LiveObjects().pens == 0);

  Document doc = ReadDocument((Estimates() / "sakura-school.json").string());
  const std::string long_line = R"({"lines": [{"name": ")" + std::string(60, 'W') + R"(", "detail": ")" +
                                std::string(40, 'M') + R"(漢字", "quantity": 99, "unit": "キログラム", "price": 99999.99}]})";
  doc.lines.insert(doc.lines.begin() + 2, ParseDocument(long_line, "x", ".").lines[0]);
  e = WorkOut(doc, ReadRules(doc));
  pages = Paginate(e);
  ASSERT_GE(pages.size(), 3u);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    for (unsigned mask : {0b010101u, 0b101010u}) {
      CDC image;
      Page preview{&image, 96};
      image.Attach(cmd::gdi::CreateImageDC(preview.L(kPageWidth), preview.L(kPageHeight), 96));
      DrawEstimatePage(preview, e, head, pages, p, mask);
      cmd::gdi::Image pixels;
      ASSERT_TRUE(cmd::gdi::GetImage(image.GetSafeHdc(), pixels));
      std::vector<RECT> cells;
      for (int c = 0; c < kColumns; ++c) {
        ColumnCells col = CellsOf(p, c);
        for (int top : col.tops)
          if (mask & (1u << c)) cells.push_back(preview.Rect(col.left, top, col.right, top + col.height));
      }
      int inked = 0, outside = 0;
      for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) {
          if ((pixels.At(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
          ++inked;
          const bool in = std::ranges::any_of(cells, [&](const RECT& r) {
            return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
          });
          if (!in && outside++ < 3) ADD_FAILURE() << "page " << p + 1 << ": ink at " << x << "," << y;
        }
      EXPECT_GT(inked, 1000) << "page " << p + 1;
      EXPECT_EQ(outside, 0) << "page " << p + 1 << " columns " << mask;
    }
  }

  Envelope kaku = ReadEnvelope(24);
  // Margin type 0 in the sample's envelope settings: the flap is 0.
  EXPECT_EQ(kaku.name.ToUtf8() + " flap " + std::to_string(kaku.flap), "角2 flap 0");
  CDC envelope;
  Page sheet{&envelope, 300};
  HDC recorded = Recorder(envelope);
  DrawEnvelope(sheet, ReadEnvelope(ParseEnvelopeKind("長3")),
               ReadAddress((Estimates() / "address-aoba.json").string()), head);
  ExpectGolden(Listing(recorded), "print_envelope.txt");

  // The forms printed by the program to PDF and PNG: the estimate holds
  // every line and the total (with a yen sign); an envelope whose letterhead
  // face is not installed and whose logo is no picture is printed anyway,
  // and each problem is said once.
  const fs::path& out = dir.path();
  auto r = Run({"print", "estimate", (Estimates() / "sakura-school.json").string(), "-o",
                (out / "s.pdf").string(), "--png", (out / "s").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("cmdtool"), std::string::npos) << r.err;  // no warning
  EXPECT_NE(r.out.find("3 pages"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(", total ¥"), std::string::npos) << r.out;  // a yen sign, not a backslash
  EXPECT_EQ(ReadBytes(out / "s-3.png").substr(1, 3), "PNG");  // a picture of every page
  const std::string pdf = (out / "s.pdf").string(), txt = (out / "s.txt").string();
  ASSERT_EQ(std::system(("pdftotext -raw '" + pdf + "' '" + txt + "'").c_str()), 0);
  auto squeeze = [](const std::string& s) { return std::regex_replace(s, std::regex("[ \n\f]+"), ""); };
  const std::string all = squeeze(ReadBytes(txt));
  ASSERT_FALSE(all.empty()) << "pdftotext gave nothing";
  doc = ReadDocument((Estimates() / "sakura-school.json").string());
  e = WorkOut(doc, ReadRules(doc));  // worked out here from the same files
  for (const Row& row : e.rows)
    EXPECT_NE(all.find(squeeze(row.name.ToUtf8())), std::string::npos) << row.name.ToUtf8();
  EXPECT_NE(all.find(squeeze(e.totalText.ToUtf8().substr(1))), std::string::npos) << e.totalText.ToUtf8();

  for (int line : {1, 2}) SetJishaInfoAttrIni(line, 52, 1, 0, 0, 0, 3, 0, u"NoSuchFace");
  WriteBytes(install / "LOGO" / "logo.bmp", "not a picture");
  r = Run({"print", "envelope", "--to", (Estimates() / "address-aoba.json").string(), "-o",
           (out / "e.pdf").string(), "--png", (out / "e").string(), "--kind", "角2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(out / "e.pdf").substr(0, 5), "%PDF-");
  EXPECT_EQ(ReadBytes(out / "e-1.png").substr(1, 3), "PNG");
  for (std::string said : {"cmdtool: warning: font 'NoSuchFace' is not installed",
                           "cmdtool: warning: LOGO/logo.bmp is not a BMP picture"})
    EXPECT_TRUE(r.err.find(said) != std::string::npos && r.err.find(said) == r.err.rfind(said)) << r.err;

  const CString ini = GetIniFile();
  WritePrivateProfileStringW(u"SYSTEM", u"GENGOU", u"西暦", ini);
  WritePrivateProfileStringW(u"SYSTEM", u"見積No桁有", u"0", ini);
  e = Work(kSmall);
  EXPECT_EQ(e.date.ToUtf8(), "2024/5/3");
  EXPECT_EQ(e.number.ToUtf8(), "M-2418");
  EXPECT_EQ(Work(R"({"customer": "田中 浩二", "lines": [{"name": "見出し"}]})").honorific.ToUtf8(), "様");

  const struct { double value; int decimals, mode; double expected; } rounding[] = {
      {42.5, 0, kRoundHalf, 43}, {42.49, 0, kRoundHalf, 42}, {42.5, 0, kRoundDown, 42}, {42.01, 0, kRoundUp, 43},
      {42.0, 0, kRoundUp, 42}, {-42.5, 0, kRoundHalf, -43}, {0.1 * 3, 1, kRoundUp, 0.3}, {2.675, 2, kRoundHalf, 2.68},
      {1234.5678, 2, kRoundDown, 1234.56}, {19.6, 0, 0, 20},  // 0: not set, the same as rounding half up
      {99999999999.5, 0, kRoundHalf, 100000000000}, {3000000000.4, 0, kRoundDown, 3000000000},
  };
  for (const auto& c : rounding)
    EXPECT_DOUBLE_EQ(RoundFraction(c.value, c.decimals, c.mode), c.expected)
        << c.value << " at " << c.decimals << " decimals, mode " << c.mode;

  // Seven metres of IV 1.6mm (単価 28, 定価 50) and an expense of 8 per cent,
  // as price, amount, expense, tax and total.
  const char16_t* keys[][2] = {{u"SYSTEM", u"売価率ON"}, {u"SYSTEM", u"売価率"}, {u"端数", u"工事項目"},
                               {u"端数", u"掛率指定経費"}, {u"端数", u"工事項目合計"}, {u"TAX", u"MODE"}};
  const struct {
    const char16_t* settings[6];
    const char* expected;
  } arithmetic[] = {
      // rate off: 28 x 7 = 196; 8% = 15.68; outside tax 10% of 211.68 -> 211
      {{u"0", u"85", u"5", u"5", u"1", u"0,0,0,0,0,1,1"}, "28   |196|16|21|233"},
      // rate 85%: 42.5 x 7 = 297.5; expense 23.8
      {{u"1", u"85", u"5", u"5", u"1", u"0,0,0,0,0,1,1"}, "42.5 |298|24|32|354"},
      {{u"1", u"85", u"1", u"1", u"2", u"0,0,0,0,0,1,1"}, "42.5 |297|23|32|352"},
      {{u"1", u"83", u"2", u"2", u"5", u"0,0,0,0,0,1,1"}, "41.5 |291|24|32|347"},
      // inside tax: 212 x 10 / 110 = 19.27
      {{u"0", u"85", u"5", u"5", u"5", u"0,0,0,0,1,1,1"}, "28   |196|16|19|212"},
      {{u"0", u"85", u"5", u"5", u"2", u"0,0,0,0,1,1,1"}, "28   |196|16|20|212"},
      // no tax; a field 5 above 2 reads as 0 (outside)
      {{u"0", u"85", u"5", u"5", u"1", u"0,0,0,0,2,1,1"}, "28   |196|16|0|212"},
      {{u"0", u"85", u"5", u"5", u"1", u"0,0,0,0,7,1,1"}, "28   |196|16|21|233"},
  };
  for (const auto& c : arithmetic) {
    for (int k = 0; k < 6; ++k) WritePrivateProfileStringW(keys[k][0], keys[k][1], c.settings[k], ini);
    e = Work(R"({"lines": [{"codes": [1, 1, 1], "quantity": 7}, {"expense": "諸経費", "rate": 8}]})");
    std::ostringstream got;
    got.precision(17);
    got << e.rows[0].price.ToUtf8() << "|" << e.rows[0].value << "|" << e.rows[1].value << "|" << e.tax << "|"
        << e.total;
    EXPECT_EQ(got.str(), c.expected) << "case " << &c - arithmetic;
  }
}

}  // namespace
}  // namespace cmdtest
