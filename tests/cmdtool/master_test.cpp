// cmdtool master: the export and re-import of whole catalogues.
#include <gtest/gtest.h>

#include "cmddll3/platform/codepage.h"
#include "tool_fixture.h"

namespace fs = std::filesystem;

namespace cmdtest {
namespace {

using CmdtoolMaster = ToolTest;

// Every trade's catalogue goes out as its readable source (UTF-8, or code
// page 932 with CR LF as a spreadsheet saves it) and as JSON, and each comes
// back in leaving every file byte-identical; the encoding is found out or
// given, a UTF-8 byte-order mark is skipped, standard input is read.
TEST_F(CmdtoolMaster, RoundTripsLeaveTheFilesByteIdentical) {
  for (const char* trade : {"電気", "水道", "設備", "建築"}) {
    SCOPED_TRACE(trade);
    const std::string csv = SourceCsv(trade);
    ToolResult r = Run({"master", "export", trade, "--format", "csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == csv);
    std::string crlf = csv;
    for (std::size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2)
      crlf.insert(at, 1, '\r');
    fs::path spreadsheet = dir / "cp932.csv", json = dir / "catalogue.json";
    ASSERT_EQ(Run({"master", "export", trade, "--format", "csv", "--encoding", "cp932", "-o",
                   spreadsheet.string()}).status, 0);
    EXPECT_TRUE(ReadBytes(spreadsheet) == cmd::cp::Encode932(Utf8ToUtf16(crlf)));
    ASSERT_EQ(Run({"master", "export", trade, "-o", json.string()}).status, 0);
    for (const fs::path& file : {spreadsheet, json}) {
      r = Run({"master", "import", trade, file.string()});
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
  ToolResult in = Run({"master", "import", "建築", "-", "--format", "csv"}, SourceCsv("建築"));
  EXPECT_EQ(in.status, 0) << in.err;
  ExpectSampleUnchanged();

  // --check reads and checks all, and writes nothing.
  WriteBytes(file, SourceCsv("水道"));
  ToolResult check = Run({"master", "import", "電気", file.string(), "--check"});
  EXPECT_EQ(check.out,
            "電気: 5 level-1 entries, 11 level-2 entries, 48 items checked; nothing written\n");
  ExpectSampleUnchanged();
}

// An import writes the catalogue given: into an empty master folder it
// writes what the sample holds; a new price, a level-2 group dropped with
// its items and a level-1 entry dropped (with its level-3 file) are what
// the listings and the export then show.
TEST_F(CmdtoolMaster, ImportWritesTheCatalogueGiven) {
  for (const auto& [name, bytes] : FilesUnder(Master("電気")))
    if (name.rfind("zai", 0) == 0) fs::remove(Master("電気") / name);
  fs::path file = dir / "catalogue.csv";
  WriteBytes(file, SourceCsv("電気"));
  ToolResult r = Run({"master", "import", "電気", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "電気: 10 level-1 entries, 49 level-2 entries, 324 items imported (60 updates)\n");
  ExpectSampleUnchanged();  // no staging file stays either

  std::string edited;
  for (const std::string& line :
       Lines(Replaced(SourceCsv("電気"), "3,1,1,1,IV 1.6mm,,,,,,,,,,001010000010,,A,1.6mm,600V ビニル絶縁電線,m,28,",
                      "3,1,1,1,IV 1.6mm,,,,,,,,,,001010000010,,A,1.6mm,600V ビニル絶縁電線,m,31,"))) {
    bool dropped = line.rfind("2,1,6,", 0) == 0 || line.rfind("3,1,6,", 0) == 0 ||
                   line.rfind("1,10,", 0) == 0 || line.rfind("2,10,", 0) == 0 ||
                   line.rfind("3,10,", 0) == 0;
    if (!dropped) edited += line + "\n";
  }
  WriteBytes(file, edited);
  r = Run({"master", "import", "電気", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "電気: 9 level-1 entries, 43 level-2 entries, 278 items imported (56 updates)\n");
  EXPECT_FALSE(fs::exists(Master("電気") / "zai010-3.mst"));
  EXPECT_EQ(Lines(Run({"master", "list", "電気", "1", "1"}).out)[2],
            "   1  001010000010  -A     IV 1.6mm  1.6mm  m        31     50  0.01");
  ExpectFailure(Run({"master", "list", "電気", "1", "6"}), {"no level-2 entry 1/6"});
  EXPECT_TRUE(Run({"master", "export", "電気", "--format", "csv"}).out == edited);
}

// File names on the command line are the user's, relative to the current
// directory, not to the installation folder.
TEST_F(CmdtoolMaster, RelativeFileNamesAreTheUsersNotTheInstallations) {
  fs::path work = dir / "work";
  fs::create_directories(work);
  ToolResult e = Run({"master", "export", "水道", "--format", "csv", "-o", "out.csv"}, "", work);
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_TRUE(ReadBytes(work / "out.csv") == SourceCsv("水道"));
  EXPECT_FALSE(fs::exists(install / "out.csv"));
  ToolResult i = Run({"--root", "../install", "master", "import", "水道", "out.csv"}, "", work);
  ASSERT_EQ(i.status, 0) << i.err;
  ExpectSampleUnchanged();
}

}  // namespace
}  // namespace cmdtest
