// cmdtool's commands as processes: what they show, what they write, the
// export and re-import of whole catalogues, and every refusal of a bad
// argument, file or installation.
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "cmddll3/platform/codepage.h"
#include "tool_fixture.h"

namespace fs = std::filesystem;

namespace cmdtest {
namespace {

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
        {"settings", "get", "GetSystemTitle"}, {"settings", "get", "GetFDIni"},
        {"settings", "get", "GetPowerOffIni"},
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
        {"tables", "build", "電気"}, {"tables", "build", "水道", "--if-stale"},
        {"tables", "build", "水道", "--if-stale"}});
  ExpectGolden(transcript, "transcript.txt");

  // Each setter writes its key in the file's own encoding (code page 932),
  // adding the key when the file lacks it.
  const std::string ini = ReadBytes(install / "pelmar1.ini");
  for (const char16_t* line : {u"\r\n売価率=-5\r\n", u"\r\nGENGOU=平成\r\n", u"\r\n電源断=0\r\n", u"\r\n配線種別=3\r\n"})
    EXPECT_NE(ini.find(cmd::cp::Encode932(line)), std::string::npos) << Utf16ToUtf8(line);
  EXPECT_EQ(ini.find(cmd::cp::Encode932(u"売価率=8")), std::string::npos);
  EXPECT_NE(ini.substr(0, 2), "\xFF\xFE");
  EXPECT_NE(ReadBytes(install / "sek4.ini").find(cmd::cp::Encode932(u"\r\n福利費端数=0\r\n")), std::string::npos);
  // The moved text touches only its history's block; a history further on
  // grows the file to the end of its first record.
  const fs::path history = install / "PELMAR" / "histry.mst";
  const std::string before = ReadBytes(SampleInstall() / "PELMAR" / "histry.mst"), after = ReadBytes(history);
  EXPECT_TRUE(after.size() == before.size() && after.substr(0, 3100) == before.substr(0, 3100) &&
              after.substr(6100) == before.substr(6100));  // the head, history 0, histories 2 on
  ASSERT_EQ(Run({"history", "add", "40", "新しい履歴"}).status, 0);
  EXPECT_EQ(fs::file_size(history), 100u + 40 * 3000 + 100);
  EXPECT_EQ(static_cast<unsigned char>(ReadBytes(history)[40]), 1);
  // A table: UTF-16 with a byte-order mark, one "%12s%03d%05d" line per item;
  // a master written later than the tables makes them stale.
  const std::string table = ReadBytes(install / "cad1_1.tbl");
  EXPECT_EQ(table.size(), 2 + 246 * 22 * 2u);
  EXPECT_EQ(table.substr(0, 46), "\xFF\xFE" + Utf16le(u"00101000001000100000\r\n", false));
  const auto built = fs::last_write_time(install / "cad2_1.tbl");
  fs::last_write_time(Master("水道") / "zai001-3.mst", built + std::chrono::seconds(2));
  EXPECT_NE(Lines(Run({"tables", "build", "水道", "--if-stale"}).out)[1].find("rebuilt"), std::string::npos);

  EXPECT_EQ(Run({"format", "date", "today"}).out.size(), 11u);  // "yyyy/mm/dd", month and day padded by spaces
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"settings", "--help"}, {"master", "import", "--help"}, {"format", "money", "--help"}}) {
    const ToolResult r = Run(args);
    EXPECT_TRUE(r.status == 0 && r.out.find("Usage:") != std::string::npos) << args.back() << r.err;
  }
}

// ------------------------------------------------------------ catalogues

// The sample's files were generated from readable sources, and the library
// writes them again: every trade's catalogue goes out as its source (UTF-8,
// or code page 932 with CR LF as a spreadsheet saves it) and as JSON, and
// each comes back in leaving every file byte-identical (the encoding found
// out or given, a UTF-8 byte-order mark skipped, standard input read, file
// names relative to the user's current directory); the history texts
// entered oldest first give the history file.
TEST_F(Cmdtool, TheSampleIsWhatTheLibraryWritesFromItsSources) {
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
}

// An import writes the catalogue given: into an empty master folder it
// writes what the sample holds; a new price, a level-2 group dropped with
// its items and a level-1 entry dropped (with its level-3 file) are what
// the listings and the export then show.
TEST_F(Cmdtool, ImportWritesTheCatalogueGiven) {
  for (const auto& [name, bytes] : FilesUnder(Master("電気")))
    if (name.rfind("zai", 0) == 0) fs::remove(Master("電気") / name);
  fs::path file = dir / "catalogue.csv";
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
  ExpectFailure(Run({"master", "list", "電気", "1", "6"}), {"no level-2 entry 1/6"});
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
  auto est = [&](const std::string& text, std::vector<std::string> f, const std::string& lines = "") {
    Refusal r{{"print", "estimate", "est.json", "-o", "x.pdf", "--png", "x"}, 1, f, {{"est.json", text}}};
    if (!lines.empty()) r.files["lines.csv"] = lines;
    return r;
  };
  const std::string nowhere = (dir / "nowhere").string();
  const Refusal cases[] = {
      // usage errors
      {{}, 2, {}}, {{"nosuchcommand"}, 2, {}}, {{"settings"}, 2, {}}, {{"settings", "get"}, 2, {}},
      {{"master", "list"}, 2, {}}, {{"history", "show", "100"}, 2, {}}, {{"history", "show", "x"}, 2, {}},
      {{"history", "show", "-1"}, 2, {}}, {{"history", "add", "100", "x"}, 2, {}}, {{"paths", "extra"}, 2, {}},
      {{"format", "number", "-d", "4", "1"}, 2, {}}, {{"master", "export", "1", "--format", "xml"}, 2, {}},
      // no installation folder
      {{"--root", nowhere, "paths"}, 1, {nowhere, "no such installation folder"}},
      {{"--root", nowhere, "settings", "list"}, 1, {nowhere, "no such installation folder"}},
      {{"--root", nowhere, "master", "list", "1"}, 1, {nowhere, "no such installation folder"}},
      {{"--root", nowhere, "history", "show", "1"}, 1, {nowhere, "no such installation folder"}},
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
      {{"master", "list", "電灯"}, 1, {"unknown trade '電灯'"}},
      {{"master", "list", "5"}, 1, {"unknown trade '5'"}},
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
       [](const fs::path& i) {
         fs::permissions(i / "MASTER" / "電気" / "zai001-3.mst", fs::perms::owner_read);
       }},
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
      js("{\"level1\":1,\"code\":1,", "{\"level1\":1,\"code\":-1,",
         {"level2[0]", "code -1 is outside 0 to 2147483647"}),
      // estimates and envelopes
      est(R"({"lines": [{"codes": [4, 1, 99], "quantity": 1}]})",
          {"est.json: lines[0]: no catalogue item 4-1-99 in 電気"}),
      est(R"({"lines": [{"codes": [4, 1, 1], "quantity": "12本"}]})",
          {"est.json: lines[0].quantity: quantity '12本' is not a number"}),
      est(R"({"lines": [{"name": "a", "quantity": 1, "unit": "式", "price": 12345678901}]})",
          {"lines[0].price", "does not fit"}),
      est(R"({"lines": [{"name": "a", "quantity": 9999999, "price": 999999999}]})",
          {"lines[0]: the amount", "does not fit"}),
      est(R"({"lines": [{"name": "a", "colour": "red"}]})", {"est.json: lines[0].colour: unknown field"}),
      est(R"({"customre": "x", "lines": []})", {"est.json: customre: unknown field"}),
      est("  \n", {"est.json: the document is empty"}),
      est(R"({"lines": []})", {"est.json: the estimate has no lines"}),
      est("{\n \"lines\": [\n  {\"name\": \"a\",}\n]}", {"est.json: ", "line 3"}),
      est(R"({"date": "2024/02/30", "lines": [{"name": "a"}]})", {"est.json: date: '2024/02/30' is not a date"}),
      est(R"({"lines": "lines.csv"})", {"lines.csv:3: a quoted field is not closed"},
          "kind,name,quantity,price\nfree,a,1,2\nfree,\"b,1,2\n"),
      est(R"({"lines": "lines.csv"})", {"lines.csv:2: quantity '1x' is not a number"},
          "kind,name,quantity,price\nfree,a,1x,2\n"),
      est(R"({"lines": "lines.csv"})", {"lines.csv:1: unknown column 'nmae'"}, "kind,nmae\n"),
      {{"print", "envelope", "--to", "/nonexistent.json", "-o", "e.pdf"}, 1,
       {"/nonexistent.json: cannot read the file"}},
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

}  // namespace
}  // namespace cmdtest
