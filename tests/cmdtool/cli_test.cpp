// The program's frame: help, usage errors, the installation folder, paths.
#include <gtest/gtest.h>

#include "tool_fixture.h"

namespace fs = std::filesystem;

namespace cmdtest {
namespace {

using CmdtoolCli = ToolTest;

TEST_F(CmdtoolCli, HelpEverywhereExitsZero) {
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"--help"},
                                             {"paths", "--help"},
                                             {"settings", "--help"},
                                             {"settings", "set", "--help"},
                                             {"master", "list", "--help"},
                                             {"master", "import", "--help"},
                                             {"tables", "build", "--help"},
                                             {"history", "add", "--help"},
                                             {"format", "money", "--help"}}) {
    ToolResult r = RunTool(args, home);
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_NE(r.out.find("Usage:"), std::string::npos) << args[0];
  }
}

TEST_F(CmdtoolCli, UsageErrorsExitTwoWithOneLine) {
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{},
                                             {"nosuchcommand"},
                                             {"settings"},
                                             {"settings", "get"},
                                             {"master", "list"},
                                             {"history", "show", "100"},
                                             {"history", "show", "x"},
                                             {"format", "number", "-d", "4", "1"},
                                             {"master", "export", "1", "--format", "xml"},
                                             {"paths", "extra"}}) {
    ToolResult r = RunTool(args, home);
    EXPECT_EQ(r.status, 2) << (args.empty() ? "(none)" : args.back()) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(CmdtoolCli, MissingInstallationFolderIsAFailure) {
  std::string missing = (dir / "nowhere").string();
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"paths"}, {"settings", "list"}, {"master", "list", "1"}, {"history", "show", "1"}}) {
    args.insert(args.begin(), {"--root", missing});
    ToolResult r = RunTool(args, home);
    ExpectFailure(r, {missing, "no such installation folder"});
  }
}

TEST_F(CmdtoolCli, PathsShowsEveryGetterUnderTheRoot) {
  ToolResult r = Run({"paths"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string root = install.string();
  std::map<std::string, std::string> rows;  // getter -> rest of the line
  for (const std::string& line : Lines(r.out)) rows[line.substr(0, line.find(' '))] = line;

  EXPECT_NE(rows["GetSysDrv()"].find(root + "\\"), std::string::npos);
  EXPECT_NE(rows["GetIniFile()"].find(root + "\\pelmar1.ini"), std::string::npos);
  EXPECT_NE(rows["GetIniFile()"].find("file"), std::string::npos);
  EXPECT_NE(rows["GetPathIni()"].find("PELMAR\\"), std::string::npos);
  EXPECT_NE(rows["GetDataDrv(1)"].find(root + "\\DATA\\見積\\"), std::string::npos);
  EXPECT_NE(rows["GetDataDrv(4)"].find("\\DATA\\単票\\"), std::string::npos);
  EXPECT_NE(rows["GetGrpDrv()"].find(root + "\\data\\"), std::string::npos);
  EXPECT_NE(rows["GetGrpDrv()"].find("folder"), std::string::npos);  // "data" finds "DATA"
  const char* trades[] = {"電気", "水道", "設備", "建築"};
  for (int t = 1; t <= 4; ++t) {
    const std::string& row = rows["GetMstDrv(" + std::to_string(t) + ","];
    EXPECT_NE(row.find(root + "\\MASTER\\" + trades[t - 1] + "\\"), std::string::npos) << row;
    EXPECT_NE(row.find("folder"), std::string::npos) << row;
  }
  EXPECT_NE(rows["GetWorkDrv()"].find((home / "config").string() + "\\tolv\\WORK\\"),
            std::string::npos);
  EXPECT_NE(rows["GetWorkDrv()"].find("missing"), std::string::npos);
  EXPECT_EQ(Lines(r.out).size(), 27u);  // header, 25 folder getters and GetCadcmdIni
}

TEST_F(CmdtoolCli, FormatMoneyNumberAndDate) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"format", "money", "1234567"}, "\\1,234,567\n"},
      {{"format", "money", "1234567.50", "--quote"}, "\"\\1,234,567.5 \"\n"},
      {{"format", "money", "--group", "4", "123456"}, "12,3456\n"},
      {{"format", "number", "-d", "2", "1234.5", "--quote"}, "\"1,234.5 \"\n"},
      {{"format", "number", "-d", "2", "1234", "--quote"}, "\"1,234   \"\n"},
      {{"format", "number", "-1234567"}, "-1,234,567\n"},
      // Several values: one right-aligned column, decimals under each other.
      {{"format", "number", "-d", "2", "1234.5", "12", "0.25"}, "1,234.5 \n   12   \n    0.25\n"},
      {{"format", "date", "2024/05/03", "0000/00/00"}, "2024/5/3\n-\n"},
  };
  for (const Case& c : cases) {
    ToolResult r = RunTool(c.args, home);
    EXPECT_EQ(r.status, 0) << c.args.back() << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.back();
  }
  ToolResult today = RunTool({"format", "date", "today"}, home);
  EXPECT_EQ(today.status, 0);
  EXPECT_EQ(today.out.size(), 11u);  // "yyyy/mm/dd" with month and day padded by spaces
}

TEST_F(CmdtoolCli, FormatRefusesWhatIsNotANumberOrDate) {
  ExpectFailure(RunTool({"format", "money", "12a"}, home), {"'12a' is not a number"});
  ExpectFailure(RunTool({"format", "number", "1.2.3"}, home), {"'1.2.3' is not a number"});
  ExpectFailure(RunTool({"format", "number", std::string(40, '9')}, home), {"longer than"});
  ExpectFailure(RunTool({"format", "date", "2024-5-3"}, home), {"'2024-5-3' is not a date"});
}

}  // namespace
}  // namespace cmdtest
