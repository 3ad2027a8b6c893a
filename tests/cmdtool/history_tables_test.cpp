// cmdtool history and tables on the sample installation.
#include <gtest/gtest.h>

#include <fstream>

#include "tool_fixture.h"

namespace fs = std::filesystem;

namespace cmdtest {
namespace {

using CmdtoolHistory = ToolTest;

TEST_F(CmdtoolHistory, ShowListsMostRecentFirst) {
  ToolResult r = Run({"history", "show", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "#  text\n"
            "1  青葉クリニック 新築電気設備工事\n"
            "2  山田ビル 照明LED化改修工事\n"
            "3  佐藤邸 分電盤取替工事\n"
            "4  市立第二小学校 体育館照明改修工事\n");
  EXPECT_EQ(Run({"history", "show", "7"}).out, "history 7: no texts\n");
  EXPECT_EQ(Run({"history", "show", "99"}).out, "history 99: no texts\n");
}

TEST_F(CmdtoolHistory, AddPutsTheTextInFrontAndTouchesOnlyItsHistory) {
  fs::path file = install / "PELMAR" / "histry.mst";
  std::string before = ReadBytes(file);
  ToolResult r = Run({"history", "add", "1", "佐藤邸 分電盤取替工事"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out)[1], "1  佐藤邸 分電盤取替工事");
  EXPECT_EQ(Lines(r.out)[2], "2  青葉クリニック 新築電気設備工事");
  EXPECT_EQ(Lines(r.out).size(), 5u);  // moved, not copied

  std::string after = ReadBytes(file);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    bool block1 = i >= 100 + 3000 && i < 100 + 2 * 3000;
    if (!block1) {
      ASSERT_EQ(after[i], before[i]) << "byte " << i;
    }
  }
  // A new history further on grows the file to the end of its first record.
  ASSERT_EQ(Run({"history", "add", "40", "新しい履歴"}).status, 0);
  EXPECT_EQ(fs::file_size(file), 100u + 40 * 3000 + 100);
  EXPECT_EQ(static_cast<unsigned char>(ReadBytes(file)[40]), 1);
}

TEST_F(CmdtoolHistory, TheSampleFileIsWhatTheLibraryWrites) {
  // The sample's history file was generated from history.csv; entering the
  // same texts oldest first through the library gives the same bytes.
  fs::remove(install / "PELMAR" / "histry.mst");
  std::ifstream csv(SampleSources() / "history.csv");
  std::string line;
  std::getline(csv, line);  // header
  std::map<int, std::vector<std::string>> texts;
  while (std::getline(csv, line)) {
    std::size_t comma = line.find(',');
    texts[std::stoi(line.substr(0, comma))].push_back(line.substr(comma + 1));
  }
  for (const auto& [k, list] : texts)
    for (auto it = list.rbegin(); it != list.rend(); ++it)
      ASSERT_EQ(Run({"history", "add", std::to_string(k), *it}).status, 0);
  ExpectSampleUnchanged();
}

TEST_F(CmdtoolHistory, BadRequestsLeaveTheFileAlone) {
  ExpectFailure(Run({"history", "add", "2", std::string(50, 'x')}),
                {"history 2", "50 characters", "at most 49"});
  ExpectFailure(Run({"history", "add", "2", ""}), {"history 2", "empty"});
  EXPECT_EQ(Run({"history", "add", "100", "x"}).status, 2);
  EXPECT_EQ(Run({"history", "show", "-1"}).status, 2);
  ExpectSampleUnchanged();

  // No environment folder recorded: nowhere to keep a history.
  fs::remove(install / "pelmar1.ini");
  ExpectFailure(Run({"history", "show", "1"}), {"[DIR] PELMAR is empty"});
  EXPECT_FALSE(fs::exists(install / "histry.mst"));
}

using CmdtoolTables = ToolTest;

// Items of the sample's source catalogue listed by a table: a drawing code
// that is not all zeros, and one of the table's marks.
int Listed(const std::string& trade, const std::string& marks) {
  std::ifstream csv(SampleSources() / "master" / trade / "catalogue.csv");
  std::string line;
  int count = 0;
  while (std::getline(csv, line)) {
    if (line.rfind("3,", 0) != 0) continue;
    std::vector<std::string> f;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
      f.push_back(line.substr(start, comma - start));
    if (f[14] != "000000000000" && marks.find("[" + f[16] + "]") != std::string::npos) ++count;
  }
  return count;
}

TEST_F(CmdtoolTables, BuildWritesBothTablesAndCountsTheirItems) {
  ToolResult r = Run({"tables", "build", "電気"});
  ASSERT_EQ(r.status, 0) << r.err;
  int cad = Listed("電気", "[A][Z][]"), panel = Listed("電気", "[B][Z]");
  ASSERT_GT(cad, 100);
  ASSERT_GT(panel, 10);
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "cad1_1.tbl   CAD                " + std::to_string(cad) + "  built");
  EXPECT_EQ(lines[2], "degi1_1.tbl  digitizer panel     " + std::to_string(panel) + "  built");

  // UTF-16 with a byte-order mark, one "%12s%03d%05d" line per item.
  std::string table = ReadBytes(install / "cad1_1.tbl");
  EXPECT_EQ(table.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(table.size(), 2 + static_cast<std::size_t>(cad) * 22 * 2);
  EXPECT_EQ(table.substr(2, 44), Utf16le(u"00101000001000100000\r\n", false));
}

TEST_F(CmdtoolTables, IfStaleRebuildsOnlyAfterAMasterChanged) {
  ASSERT_EQ(Run({"tables", "build", "水道", "--if-stale"}).status, 0);
  ToolResult again = Run({"tables", "build", "水道", "--if-stale"});
  EXPECT_NE(again.out.find("cad2_1.tbl   CAD                "), std::string::npos) << again.out;
  EXPECT_NE(Lines(again.out)[1].find("up to date"), std::string::npos) << again.out;
  EXPECT_NE(Lines(again.out)[2].find("up to date"), std::string::npos) << again.out;

  // A master written later than the tables makes them stale.
  fs::path zai = Master("水道") / "zai001-3.mst";
  fs::last_write_time(zai, fs::last_write_time(install / "cad2_1.tbl") + std::chrono::seconds(2));
  ToolResult after = Run({"tables", "build", "水道", "--if-stale"});
  EXPECT_NE(Lines(after.out)[1].find("rebuilt"), std::string::npos) << after.out;
}

TEST_F(CmdtoolTables, BuildNeedsALevel1List) {
  ExpectFailure(Run({"tables", "build", "9"}), {"unknown trade '9'"});
  fs::remove(Master("設備") / "zairyou1.mst");
  ExpectFailure(Run({"tables", "build", "設備"}), {"MASTER\\設備\\zairyou1.mst", "no such file"});
  EXPECT_FALSE(fs::exists(install / "cad3_1.tbl"));
}

}  // namespace
}  // namespace cmdtest
