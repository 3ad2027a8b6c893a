// cmdtool master: listings through the library's getters, the export and
// re-import of whole catalogues, and the refusal of bad catalogues.
#include <gtest/gtest.h>

#include <functional>

#include "cmddll3/platform/codepage.h"
#include "tool_fixture.h"

namespace fs = std::filesystem;

namespace cmdtest {
namespace {

using CmdtoolMaster = ToolTest;

const char* const kTrades[] = {"電気", "水道", "設備", "建築"};

std::string SourceCsv(const std::string& trade) {
  return ReadBytes(SampleSources() / "master" / trade / "catalogue.csv");
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::runtime_error("no " + from);
  text.replace(at, from.size(), to);
}

// The catalogue files of a master folder (levels 1 to 3), by name.
std::map<std::string, std::string> CatalogueFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& [name, bytes] : FilesUnder(folder))
    if (name.rfind("zai", 0) == 0) files[name] = bytes;
  return files;
}

// ------------------------------------------------------------ list

TEST_F(CmdtoolMaster, ListLevel1CountsEntriesAndItems) {
  ToolResult r = Run({"master", "list", "電気"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0], "code  name            flag  level 2  items");
  EXPECT_EQ(lines[1], "   1  電線・ケーブル     0        6     45");
  EXPECT_EQ(lines[9], "   9  防災設備           1        4     23");
  EXPECT_EQ(lines[10], "  10  支持材・雑材       0        5     40");
  // The trade by number or reading gives the same list.
  EXPECT_EQ(Run({"master", "list", "1"}).out, r.out);
  EXPECT_EQ(Run({"master", "list", "denki"}).out, r.out);
}

TEST_F(CmdtoolMaster, ListLevel2OfOneParent) {
  ToolResult r = Run({"master", "list", "電気", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "3 配線器具");
  EXPECT_EQ(lines[2], "   1  スイッチ           3 0 0 0 0   600 0 0     10");
  EXPECT_EQ(lines[6], "   5  ワイド21 スイッチ  3 1 0 0 0   620 0 0      5");
}

TEST_F(CmdtoolMaster, ListLevel3InDisplayFormAlignedByWidth) {
  ToolResult r = Run({"master", "list", "電気", "1", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "1 電線・ケーブル / 3 CVケーブル");
  // Captions from the installation's category names (単価1 "単価", 定価, 歩掛1-1).
  EXPECT_EQ(lines[1],
            "code  drawing code  marks  name         text2     unit   単価    定価   歩掛");
  EXPECT_EQ(lines[2],
            "   1  001030000010  -A     CV 5.5sq-2C  5.5sq-2C  m       410     680  0.031");
  // Amounts grouped by KanmaFormat_1; factors with their trailing zeros blanked.
  EXPECT_EQ(lines[11],
            "  10  001030000100  -A     CV 100sq-3C  100sq-3C  m     6,230  10,380  0.125");
  EXPECT_EQ(lines[5],
            "   4  001030000040  -A     CV 8sq-3C    8sq-3C    m       690   1,150  0.04");

  // Full-width names: the factors' decimal points stand in one column.
  ToolResult lights = Run({"master", "list", "電気", "4", "3"});
  ASSERT_EQ(lights.status, 0) << lights.err;
  std::vector<std::string> rows = Lines(lights.out);
  ASSERT_GT(rows.size(), 3u);
  auto point = [](const std::string& row) { return Columns(row.substr(0, row.rfind('.'))); };
  for (std::size_t i = 2; i < rows.size(); ++i)
    EXPECT_EQ(point(rows[i]), point(rows[2])) << rows[i];
  EXPECT_NE(
      rows[2].find("非常用照明器具 埋込 φ100  LED 30形 低天井      台    24,600  41,000  0.3"),
      std::string::npos)
      << rows[2];
}

TEST_F(CmdtoolMaster, ListRefusesUnknownTradesAndCodes) {
  ExpectFailure(Run({"master", "list", "電灯"}), {"unknown trade '電灯'"});
  ExpectFailure(Run({"master", "list", "5"}), {"unknown trade '5'"});
  ExpectFailure(Run({"master", "list", "電気", "99"}), {"zairyou1.mst", "no level-1 entry 99"});
  ExpectFailure(Run({"master", "list", "電気", "1", "99"}),
                {"zairyou2.mst", "no level-2 entry 1/99"});
  fs::remove(Master("水道") / "zairyou1.mst");
  ExpectFailure(Run({"master", "list", "水道"}), {"MASTER\\水道\\zairyou1.mst", "no such file"});
  ExpectFailure(Run({"master", "list", "電気", "--number", "0"}),
                {"MASTER\\電気\\1\\", "no such master folder"});
}

// ------------------------------------------------------------ export and import

TEST_F(CmdtoolMaster, CsvExportIsTheReadableSource) {
  // The sample's files were generated from these sources; the library reads
  // them back to the same text.
  for (const char* trade : kTrades) {
    ToolResult r = Run({"master", "export", trade, "--format", "csv"});
    ASSERT_EQ(r.status, 0) << trade << r.err;
    EXPECT_TRUE(r.out == SourceCsv(trade)) << trade;
  }
  ExpectSampleUnchanged();
}

// The CSV as a Japanese spreadsheet program saves it: code page 932, CR LF.
std::string SpreadsheetCsv(std::string utf8) {
  for (std::size_t at = 0; (at = utf8.find('\n', at)) != std::string::npos; at += 2)
    utf8.insert(at, 1, '\r');
  return cmd::cp::Encode932(Utf8ToUtf16(utf8));
}

TEST_F(CmdtoolMaster, RoundTripsLeaveTheFilesByteIdentical) {
  for (const char* trade : kTrades) {
    for (const char* format : {"json", "csv", "cp932"}) {
      const bool cp932 = std::string(format) == "cp932";
      fs::path file = dir / (std::string(trade) + "." + (cp932 ? "csv" : format));
      ToolResult e = cp932 ? Run({"master", "export", trade, "--format", "csv", "--encoding",
                                  "cp932", "-o", file.string()})
                           : Run({"master", "export", trade, "--format", format, "-o",
                                  file.string()});
      ASSERT_EQ(e.status, 0) << e.err;
      if (cp932) EXPECT_TRUE(ReadBytes(file) == SpreadsheetCsv(SourceCsv(trade))) << trade;
      ToolResult i = Run({"master", "import", trade, file.string()});
      ASSERT_EQ(i.status, 0) << trade << format << i.err;
      EXPECT_NE(i.out.find(" imported ("), std::string::npos) << i.out;
      ExpectSampleUnchanged();
    }
  }
  // The encoding given rather than found out; UTF-8 with a byte-order mark.
  fs::path file = dir / "given.csv";
  WriteBytes(file, SpreadsheetCsv(SourceCsv("電気")));
  EXPECT_EQ(Run({"master", "import", "電気", file.string(), "--encoding", "cp932"}).status, 0);
  WriteBytes(file, "\xEF\xBB\xBF" + SourceCsv("電気"));
  EXPECT_EQ(Run({"master", "import", "電気", file.string()}).status, 0);
  EXPECT_EQ(Run({"master", "import", "電気", file.string(), "--encoding", "utf-8"}).status, 0);
  ExpectSampleUnchanged();
  ExpectFailure(Run({"master", "export", "電気", "--encoding", "cp932"}), {"JSON is always UTF-8"});
}

TEST_F(CmdtoolMaster, ImportIntoAnEmptyMasterWritesWhatTheSampleHolds) {
  auto sample = CatalogueFiles(Master("電気"));
  for (const auto& [name, bytes] : sample) fs::remove(Master("電気") / name);
  fs::path csv = dir / "catalogue.csv";
  WriteBytes(csv, SourceCsv("電気"));
  ToolResult r = Run({"master", "import", "電気", csv.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "電気: 10 level-1 entries, 49 level-2 entries, 324 items imported (60 updates)\n");
  ExpectSampleUnchanged();  // no staging file stays either
}

TEST_F(CmdtoolMaster, RelativeFileNamesAreTheUsersNotTheInstallations) {
  fs::path work = dir / "work";
  fs::create_directories(work);
  ToolResult e = RunTool(
      {"--root", install.string(), "master", "export", "水道", "--format", "csv", "-o", "out.csv"},
      home, "", work);
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_TRUE(ReadBytes(work / "out.csv") == SourceCsv("水道"));
  EXPECT_FALSE(fs::exists(install / "out.csv"));
  ToolResult i =
      RunTool({"--root", "../install", "master", "import", "水道", "out.csv"}, home, "", work);
  ASSERT_EQ(i.status, 0) << i.err;
  ExpectSampleUnchanged();
}

TEST_F(CmdtoolMaster, JsonExportHoldsOneObjectPerEntry) {
  ToolResult r = Run({"master", "export", "電気"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1 + 1 + (2 + 10) + (2 + 49) + (2 + 324) + 1u);
  EXPECT_EQ(lines[1], "  \"trade\": \"電気\",");
  EXPECT_EQ(lines[3], "    {\"code\":1,\"name\":\"電線・ケーブル\",\"flag\":0},");
  EXPECT_NE(r.out.find("{\"level1\":1,\"code\":1,\"name\":\"IV電線\",\"attributes\":[1,0,0,0,0],"
                       "\"values\":[600,0,0]}"),
            std::string::npos);
  EXPECT_NE(
      r.out.find(
          "{\"level1\":1,\"level2\":1,\"code\":1,\"drawing_code\":\"001010000010\","
          "\"class_mark\":\"\",\"use_mark\":\"A\",\"name\":\"IV 1.6mm\",\"text2\":\"1.6mm\","
          "\"text3\":\"600V ビニル絶縁電線\",\"short_text\":\"m\","
          "\"amounts\":[28,27,50,20,0,0,0],\"factors\":[0.01,0,0,0,0],\"closing_text\":\"\"}"),
      std::string::npos);
}

TEST_F(CmdtoolMaster, ImportReplacesTheCatalogue) {
  std::string csv = SourceCsv("電気");
  // A new price, a level-2 group dropped with its items, a level-1 entry
  // (and its level-3 file) dropped.
  auto replace = [&csv](const std::string& from, const std::string& to) {
    std::size_t at = csv.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    csv.replace(at, from.size(), to);
  };
  replace("3,1,1,1,IV 1.6mm,,,,,,,,,,001010000010,,A,1.6mm,600V ビニル絶縁電線,m,28,",
          "3,1,1,1,IV 1.6mm,,,,,,,,,,001010000010,,A,1.6mm,600V ビニル絶縁電線,m,31,");
  std::vector<std::string> kept;
  for (const std::string& line : Lines(csv)) {
    bool group16 = line.rfind("2,1,6,", 0) == 0 || line.rfind("3,1,6,", 0) == 0;
    bool entry10 =
        line.rfind("1,10,", 0) == 0 || line.rfind("2,10,", 0) == 0 || line.rfind("3,10,", 0) == 0;
    if (!group16 && !entry10) kept.push_back(line);
  }
  std::string edited;
  for (const std::string& line : kept) edited += line + "\n";
  fs::path file = dir / "edited.csv";
  WriteBytes(file, edited);

  ToolResult r = Run({"master", "import", "電気", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "電気: 9 level-1 entries, 43 level-2 entries, 278 items imported (56 updates)\n");
  EXPECT_FALSE(fs::exists(Master("電気") / "zai010-3.mst"));
  EXPECT_NE(Run({"master", "list", "電気", "1", "1"}).out.find("IV 1.6mm"), std::string::npos);
  EXPECT_NE(Lines(Run({"master", "list", "電気", "1", "1"}).out)[2].find("   31 "),
            std::string::npos);
  ExpectFailure(Run({"master", "list", "電気", "1", "6"}), {"no level-2 entry 1/6"});
  // The export gives back exactly what was imported.
  EXPECT_TRUE(Run({"master", "export", "電気", "--format", "csv"}).out == edited);
}

TEST_F(CmdtoolMaster, AnImportThatDoesNotTakeIsUndone) {
  // A read-only level-3 file: the library refuses to replace it; reading
  // back finds it out.
  fs::permissions(Master("電気") / "zai001-3.mst", fs::perms::all, fs::perm_options::remove);
  fs::permissions(Master("電気") / "zai001-3.mst", fs::perms::owner_read, fs::perm_options::add);
  std::string csv = SourceCsv("電気");
  Replace(csv, ",m,28,27,", ",m,31,27,");
  fs::path file = dir / "edited.csv";
  WriteBytes(file, csv);
  ToolResult r = Run({"master", "import", "電気", file.string()});
  ExpectFailure(
      r, {"MASTER\\電気\\", "the import did not take", "the old master files were put back"});
  ExpectSampleUnchanged();
}

TEST_F(CmdtoolMaster, CheckOnlyWritesNothing) {
  fs::path file = dir / "c.csv";
  WriteBytes(file, SourceCsv("水道"));
  ToolResult r = Run({"master", "import", "電気", file.string(), "--check"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "電気: 5 level-1 entries, 11 level-2 entries, 48 items checked; nothing written\n");
  ExpectSampleUnchanged();
}

TEST_F(CmdtoolMaster, ImportFromStandardInput) {
  ToolResult r = Run({"master", "import", "建築", "-", "--format", "csv"}, SourceCsv("建築"));
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectSampleUnchanged();
  ExpectFailure(Run({"master", "import", "建築", "-"}), {"cannot tell the format"});
}

// ------------------------------------------------------------ bad catalogues

struct BadCase {
  const char* what;
  const char* format;  // "csv" or "json"
  std::function<void(std::string&)> spoil;
  std::vector<std::string> fragments;
};

TEST_F(CmdtoolMaster, BadCataloguesAreRefusedWithTheFilesUntouched) {
  const std::string item =
      "3,1,1,1,IV 1.6mm,,,,,,,,,,001010000010,,A,1.6mm,600V "
      "ビニル絶縁電線,m,28,27,50,20,0,0,0,0.01,0,0,0,0,";
  const BadCase cases[] = {
      {"comma in a name",
       "csv",
       [&](std::string& t) { Replace(t, "IV 1.6mm,,", "\"IV 1.6mm, 赤\",,"); },
       {":61:", "holds a comma"}},
      {"name too long",
       "csv",
       [&](std::string& t) { Replace(t, "IV 1.6mm,,", std::string(61, 'x') + ",,"); },
       {":61:", "61 characters long", "at most 60"}},
      {"amount with decimals",
       "csv",
       [&](std::string& t) { Replace(t, "m,28,27,", "m,28.5,27,"); },
       {":61:", "amount1 28.5", "not a whole number"}},
      {"amount beyond single precision",
       "csv",
       [&](std::string& t) { Replace(t, "m,28,27,", "m,16777217,27,"); },
       {"amount1 16777217", "single-precision"}},
      {"amount of fourteen digits",
       "csv",
       [&](std::string& t) { Replace(t, "m,28,27,", "m,1e14,27,"); },
       {"amount1 100000000000000", "13 digits"}},
      {"factor with four decimals",
       "csv",
       [&](std::string& t) { Replace(t, ",0.01,0,", ",0.0105,0,"); },
       {"factor1", "more than three decimals"}},
      {"short drawing code",
       "csv",
       [&](std::string& t) { Replace(t, "001010000010", "00101000001"); },
       {"drawing code '00101000001' is not 12 digits"}},
      {"two-character mark",
       "csv",
       [&](std::string& t) { Replace(t, ",,A,1.6mm", ",,AB,1.6mm"); },
       {"use_mark 'AB' is more than one character"}},
      {"attribute beyond a byte",
       "csv",
       [&](std::string& t) { Replace(t, "2,1,1,,IV電線,,1,", "2,1,1,,IV電線,,256,"); },
       {":12:", "attr1 256 is outside 0 to 255"}},
      {"unknown level",
       "csv",
       [&](std::string& t) { Replace(t, item, "4" + item.substr(1)); },
       {":61:", "level '4'"}},
      {"missing field",
       "csv",
       [&](std::string& t) { Replace(t, item, item.substr(0, item.size() - 1)); },
       {":61:", "32 fields", "the header has 33"}},
      {"unknown column",
       "csv",
       [&](std::string& t) { Replace(t, "closing_text", "closing"); },
       {":1:", "unknown column 'closing'"}},
      {"column of another level",
       "csv",
       [&](std::string& t) { Replace(t, "1,1,,,電線・ケーブル,0,,", "1,1,,,電線・ケーブル,0,7,"); },
       {":2:", "column 'attr1' does not apply to a level-1 row"}},
      {"parent not in level 1",
       "csv",
       [&](std::string& t) { Replace(t, "2,1,1,,IV電線", "2,11,1,,IV電線"); },
       {":12:", "names level-1 code 11, which is not in level 1"}},
      {"item outside level 2",
       "csv",
       [&](std::string& t) { Replace(t, item, "3,1,9,1" + item.substr(7)); },
       {":61:", "belongs to level-2 entry 1/9, which is not in level 2"}},
      {"item twice",
       "csv",
       [&](std::string& t) { Replace(t, item, item + "\n" + item); },
       {":62:", "item 1/1/1 IV 1.6mm is listed twice"}},
      {"unclosed quote",
       "csv",
       [&](std::string& t) { Replace(t, "IV 1.6mm,,", "\"IV 1.6mm,,"); },
       {"quoted field is not closed"}},
      {"text of a spreadsheet's CSV (code page 932), quoted as it is",
       "csv",
       [&](std::string& t) {
         Replace(t, "IV 1.6mm,,", "電線" + std::string(59, 'x') + ",,");
         t = SpreadsheetCsv(t);
       },
       {":61:", "'電線" + std::string(59, 'x') + "' is 61 characters long"}},
      {"malformed JSON",
       "json",
       [&](std::string& t) { t.resize(t.size() / 2); },
       {"parse error at line"}},
      {"JSON unknown key",
       "json",
       [&](std::string& t) { Replace(t, "\"short_text\"", "\"unit\""); },
       {"level3[0]", "unknown key \"unit\""}},
      {"JSON text as number",
       "json",
       [&](std::string& t) { Replace(t, "{\"code\":1,\"name\"", "{\"code\":\"1\",\"name\""); },
       {"level1[0]", "\"code\" must be a whole number"}},
      {"JSON amounts short",
       "json",
       [&](std::string& t) { Replace(t, "[28,27,50,20,0,0,0]", "[28,27,50]"); },
       {"level3[0]", "\"amounts\" must be an array of 7 numbers"}},
      {"JSON number out of range", "json",
       [&](std::string& t) { Replace(t, "\"flag\":0}", "\"flag\":1e999}"); },
       {"number overflow"}},
      {"JSON negative code",
       "json",
       [&](std::string& t) {
         Replace(t, "{\"level1\":1,\"code\":1,", "{\"level1\":1,\"code\":-1,");
       },
       {"level2[0]", "code -1 is outside 0 to 2147483647"}},
  };
  std::string json = Run({"master", "export", "電気", "--format", "json"}).out;
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = std::string(c.format) == "csv" ? SourceCsv("電気") : json;
    c.spoil(text);
    fs::path file = dir / (std::string("bad.") + c.format);
    WriteBytes(file, text);
    ToolResult r = Run({"master", "import", "電気", file.string()});
    std::vector<std::string> fragments = c.fragments;
    fragments.push_back(file.string());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    for (const std::string& f : fragments)
      EXPECT_NE(r.err.find(f), std::string::npos) << f << " in " << r.err;
    EXPECT_EQ(r.out, "");
  }
  ExpectSampleUnchanged();
}

TEST_F(CmdtoolMaster, ImportRefusesUnknownTradesMissingFilesAndEmptyFiles) {
  fs::path file = dir / "c.csv";
  WriteBytes(file, SourceCsv("電気"));
  ExpectFailure(Run({"master", "import", "配管", file.string()}), {"unknown trade '配管'"});
  ExpectFailure(Run({"master", "import", "電気", (dir / "none.csv").string()}),
                {"none.csv", "no such file"});
  WriteBytes(file, "");
  ExpectFailure(Run({"master", "import", "電気", file.string()}), {"c.csv", "empty"});
  ExpectFailure(Run({"master", "import", "電気", (dir / "c.txt").string(), "--format", "json"}),
                {"no such file"});
  ExpectSampleUnchanged();
}

TEST_F(CmdtoolMaster, ExportRefusesAMasterItCannotCarryWhole) {
  // A line with a comma in its name has 24 fields: the catalogue would lose it.
  fs::path zai = Master("電気") / "zai002-3.mst";
  std::string bytes = ReadBytes(zai);
  std::string name = Utf16le(u"薄鋼電線管 C19", false);
  bytes.replace(bytes.find(name), name.size(), Utf16le(u"薄鋼電線管, C19", false));
  WriteBytes(zai, bytes);
  ToolResult r = Run({"master", "export", "電気"});
  ExpectFailure(r, {"MASTER\\電気\\zai002-3.mst:1:", "has 24 fields"});
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace cmdtest
