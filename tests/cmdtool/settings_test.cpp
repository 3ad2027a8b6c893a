// cmdtool settings: list, get and set through the library's accessors, on
// the sample's code page 932 settings files.
#include <gtest/gtest.h>

#include "cmddll3/platform/codepage.h"
#include "settings/scalar_settings.h"
#include "tool_fixture.h"

namespace cmdtest {
namespace {

using CmdtoolSettings = ToolTest;

std::string Cp932(const char16_t* text) { return cmd::cp::Encode932(text); }

TEST_F(CmdtoolSettings, ListShowsEveryOptionWithValueAndDefault) {
  ToolResult r = Run({"settings", "list"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), cmd::settings::ScalarSettings().size() + 1);

  auto row = [&](const std::string& getter) {
    for (const std::string& line : lines)
      if (line.rfind(getter + " ", 0) == 0) return line;
    return std::string();
  };
  // value from the sample, then the default; the key where it is kept.
  std::string baika = row("GetBaikaRituIni");
  EXPECT_NE(baika.find("SetBaikaRituIni"), std::string::npos);
  EXPECT_NE(baika.find(" 85 "), std::string::npos) << baika;
  EXPECT_NE(baika.find(" 100 "), std::string::npos) << baika;
  EXPECT_NE(baika.find("pelmar1.ini [SYSTEM] 売価率"), std::string::npos) << baika;
  EXPECT_NE(row("GetModeTankaIni").find("sek4.ini [HISTORY] 単価少数点"), std::string::npos);
  EXPECT_NE(row("GetGengouIni").find("令和"), std::string::npos);
  EXPECT_NE(row("GetCadIni").find(" - "), std::string::npos);  // no setter
  EXPECT_NE(row("-").find("SetHaisenShuukeiModeIni"), std::string::npos);
  EXPECT_NE(row("-").find("(write only)"), std::string::npos);

  // Aligned: the last column starts at the same place on every line.
  const int keptIn = Columns(lines[0].substr(0, lines[0].find("kept in")));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::size_t file = lines[i].find(".ini [");
    ASSERT_NE(file, std::string::npos) << lines[i];
    std::size_t start = lines[i].rfind(' ', file) + 1;
    EXPECT_EQ(Columns(lines[i].substr(0, start)), keptIn) << lines[i];
  }
}

TEST_F(CmdtoolSettings, GetGivesTheGettersValue) {
  struct Case {
    std::string name, value;
  } cases[] = {{"GetBaikaRituIni", "85"}, {"SetBaikaRituIni", "85"},
               {"getbaikarituini", "85"}, {"GetKaisouIni", "3"},
               {"GetModeTankaIni", "2"},  {"GetHukurihiHasuu", "1"},
               {"GetFDIni", "A:"},        {"GetSystemTitle", "見積・請求システム"},
               {"GetKanriNoOption", "0"}, {"GetPowerOffIni", "1"}};  // not in the file: its default
  for (const Case& c : cases) {
    ToolResult r = Run({"settings", "get", c.name});
    EXPECT_EQ(r.status, 0) << c.name << r.err;
    EXPECT_EQ(r.out, c.value + "\n") << c.name;
  }
}

TEST_F(CmdtoolSettings, SetWritesThroughTheSetterAndKeepsTheFilesEncoding) {
  ToolResult r = Run({"settings", "set", "SetBaikaRituIni", "80"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "GetBaikaRituIni = 80\n");
  EXPECT_EQ(Run({"settings", "get", "GetBaikaRituIni"}).out, "80\n");

  std::string ini = ReadBytes(install / "pelmar1.ini");
  EXPECT_NE(ini.find(Cp932(u"売価率=80\r\n")), std::string::npos);
  EXPECT_EQ(ini.find(Cp932(u"売価率=85")), std::string::npos);
  EXPECT_NE(ini.substr(0, 2), "\xFF\xFE");  // still code page 932

  EXPECT_EQ(Run({"settings", "set", "SetBaikaRituIni", "-5"}).out, "GetBaikaRituIni = -5\n");
  EXPECT_EQ(Run({"settings", "set", "SetGengouIni", "平成"}).out, "GetGengouIni = 平成\n");
  EXPECT_EQ(Run({"settings", "set", "SetHukurihiHasuu", "0"}).out, "GetHukurihiHasuu = 0\n");
  EXPECT_NE(ReadBytes(install / "sek4.ini").find(Cp932(u"福利費端数=0")), std::string::npos);
  // A key the file does not have yet is added.
  EXPECT_EQ(Run({"settings", "set", "SetPowerOffIni", "0"}).out, "GetPowerOffIni = 0\n");
  EXPECT_NE(ReadBytes(install / "pelmar1.ini").find(Cp932(u"電源断=0")), std::string::npos);
}

TEST_F(CmdtoolSettings, WriteOnlyOptionReportsWhatItWrote) {
  ToolResult r = Run({"settings", "set", "SetHaisenShuukeiModeIni", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "SetHaisenShuukeiModeIni wrote 3 to pelmar1.ini [図面集計] 配線種別\n");
}

TEST_F(CmdtoolSettings, BadRequestsChangeNothing) {
  ExpectFailure(Run({"settings", "get", "GetNoSuchIni"}), {"unknown setting 'GetNoSuchIni'"});
  ExpectFailure(Run({"settings", "set", "SetNoSuchIni", "1"}), {"unknown setting"});
  ExpectFailure(Run({"settings", "set", "SetBaikaRituIni", "abc"}),
                {"SetBaikaRituIni", "'abc' is not a whole number"});
  ExpectFailure(Run({"settings", "set", "SetBaikaRituIni", "12abc"}), {"not a whole number"});
  ExpectFailure(Run({"settings", "set", "SetBaikaRituIni", "2147483648"}), {"not a whole number"});
  ExpectFailure(Run({"settings", "set", "GetCadIni", "1"}),
                {"GetCadIni", "no setter", "[SYSTEM] DESIGNER"});
  ExpectFailure(Run({"settings", "get", "SetHaisenShuukeiModeIni"}), {"no getter"});
  ExpectFailure(Run({"settings", "set", "SetGengouIni", std::string(260, 'x')}),
                {"260 characters", "259"});
  ExpectSampleUnchanged();
}

}  // namespace
}  // namespace cmdtest
