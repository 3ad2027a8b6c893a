// The settings family leaves libcmddll3.so under exactly the names of the
// documented accessors: every one of them is exported, the public headers of
// the family declare no other, and the counts match the documented tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "documented_keys.h"

namespace {

// Single-value options: the getters and setters of the option table, and the
// accessors with arguments of their own.
std::vector<std::string> ScalarNames() {
  std::vector<std::string> names = {"GetShubetuIni",    "GetExOptionIni",   "SetExOptionIni",
                                    "GetKakuninMsgIni", "SetKakuninMsgIni", "GetCadcmdIni"};
  for (const DocumentedKey& row : kDocumented) {
    if (row.getter) names.push_back(row.getter);
    if (row.setter) names.push_back(row.setter);
  }
  return names;
}
const std::vector<std::string> kScalar = ScalarNames();
// Records and grouped keys.
const std::vector<std::string> kRecords = {
    "GetWindowPosIni", "SetWindowPosIni", "GetWindowIni", "SetWindowIni", "GetAnimeInfoIni",
    "GetBackupInfoIni", "SetBackupInfoIni", "GetDegitizerComIni", "SetDegitizerComIni",
    "GetTaxIni", "SetTaxIni", "GetTaxModeIni", "SetTaxModeIni", "GetAdressSheetAttrIni",
    "SetAdressSheetAttrIni", "GetInitLayoutGroupIni", "SetInitLayoutGroupIni", "GetRoumuTankaIni",
    "SetRoumuTankaIni", "GetZairyouCategoryIni", "GetBukakeCategoryIni", "GetGenkaCategoryIni",
    "GetTankaCategoryIni", "GetWarikakeCategoryIni", "SetZairyouCategoryIni",
    "SetBukakeCategoryIni", "SetGenkaCategoryIni", "SetTankaCategoryIni",
    "SetWarikakeCategoryIni", "GetHasuuDecModeIni", "GetHasuuPathIni", "SetHasuuDecModeIni",
    "SetHasuuPathIni", "GetPaswordIni", "SetPaswordIni", "GetShoukeiIni", "GetChuukeiIni",
    "GetGoukeiIni", "GetRuikeiIni", "GetAreaShoukeiIni", "SetShoukeiIni", "SetChuukeiIni",
    "SetGoukeiIni", "SetRuikeiIni", "SetAreaShoukeiIni", "GetOdvanIni", "SetOdvanIni",
    "GetOdvanHistIni", "GetOdvanVerIni", "GetDocpathIni", "SetDocpathIni", "GetExcelIni",
};
// Numbering, layout and envelope files.
const std::vector<std::string> kSideFiles = {
    "GetMituNoIni", "SetMituNoIni", "GetMituNo2Ini", "SetMituNo2Ini", "GetLayoutIni",
    "SetLayoutIni", "GetFuutouMergenIni", "SetFuutouMergenIni", "GetFuutouMergenInsPosIni",
    "GetFuutouMergenPrnPosIni", "GetFuutouMergenTypeIni", "SetFuutouMergenInsPosIni",
    "SetFuutouMergenPrnPosIni", "SetFuutouMergenTypeIni", "GetFuutouPaperSizeIni",
    "SetFuutouPaperSizeIni", "GetPrnFuutouNorisiroIni", "SetPrnFuutouNorisiroIni",
};
// Lock files.
const std::vector<std::string> kLocks = {
    "OpenMutexFile", "CloseMutexFile", "GetUsingMutexFileIni", "SetUsingMutexFileIni",
};
// Print settings.
const std::vector<std::string> kPrint = {
    "GetFooterInfoIni", "SetFooterInfoIni", "GetFooterInfoAttrIni", "SetFooterInfoAttrIni",
    "GetJishaInfoIni", "SetJishaInfoIni", "GetJishaInfoAttrIni", "SetJishaInfoAttrIni",
    "_GetFooterInfoIni", "_SetFooterInfoIni", "_GetFooterInfoAttrIni", "_SetFooterInfoAttrIni",
    "_GetJishaInfoIni", "_SetJishaInfoIni", "_GetJishaInfoAttrIni", "_SetJishaInfoAttrIni",
    "GetPrnDrvIni", "SetPrnDrvIni", "GetStdPrnIni", "SetStdPrnIni", "GetPrnMergeIni",
    "SetPrnMergeIni",
};
// Colours.
const std::vector<std::string> kColors = {
    "ColorCodeToRGB", "GetColorMst", "MyGetColor", "GetUserColorMst", "SetUserColorMst",
    "GetUserColor", "GetUserColorId", "GetUserHojoColor", "GetHojoColorGyoIni",
    "SetHojoColorGyoIni",
};

std::set<std::string> ExportedNames() {
  std::set<std::string> names;
  const std::string command = std::string("nm -D --defined-only '") + CMD_DLL3_PATH + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name && type == "T") names.insert(name);
  }
  pclose(pipe);
  return names;
}

std::string ReadSource(const std::string& relative) {
  std::ifstream in(std::string(CMD_SOURCE_DIR) + "/" + relative);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TEST(SettingsExports, EveryAccessorIsExportedUnderItsOwnName) {
  const std::set<std::string> exported = ExportedNames();
  ASSERT_FALSE(exported.empty()) << "nm gave no names for " << CMD_DLL3_PATH;
  std::set<std::string> all;
  for (const auto* list : {&kScalar, &kRecords, &kSideFiles, &kLocks, &kPrint, &kColors}) {
    for (const std::string& name : *list) {
      EXPECT_TRUE(exported.count(name)) << name << " is not exported";
      EXPECT_TRUE(all.insert(name).second) << name << " is listed twice";
    }
  }
  EXPECT_EQ(all.size(), 241u);
  // No C++ name of the family leaks out.
  for (const std::string& name : exported) {
    EXPECT_EQ(name.find("settings"), std::string::npos) << name;
  }
}

TEST(SettingsExports, PublicHeadersDeclareExactlyTheDocumentedAccessors) {
  std::set<std::string> declared;
  const std::regex function(R"(CMD_API\s+[\w\s\*]+?\b(\w+)\s*\()");
  for (const char* header :
       {"include/cmddll3/settings_scalar.h", "include/cmddll3/settings_records.h",
        "include/cmddll3/settings_side.h", "include/cmddll3/settings_lock.h",
        "include/cmddll3/settings_print.h", "include/cmddll3/colors.h"}) {
    const std::string text = ReadSource(header);
    ASSERT_FALSE(text.empty()) << header;
    for (std::sregex_iterator it(text.begin(), text.end(), function), end; it != end; ++it) {
      declared.insert((*it)[1]);
    }
  }
  // The option table's rows: getter and setter names of each row.
  const std::string table = ReadSource("include/cmddll3/settings_keys.def");
  const std::regex row(R"(SETTING_(RW|RO|WO)\(\s*(\w+),\s*(\w+),)");
  for (std::sregex_iterator it(table.begin(), table.end(), row), end; it != end; ++it) {
    declared.insert((*it)[2]);
    if ((*it)[1] == "RW") declared.insert((*it)[3]);
  }
  // The row macros themselves, as the headers and the table's notes name them.
  declared.erase("getter");
  declared.erase("setter");
  std::set<std::string> documented;
  for (const auto* list : {&kScalar, &kRecords, &kSideFiles, &kLocks, &kPrint, &kColors}) {
    documented.insert(list->begin(), list->end());
  }
  for (const std::string& name : declared) {
    EXPECT_TRUE(documented.count(name)) << name << " is declared but not documented";
  }
  for (const std::string& name : documented) {
    EXPECT_TRUE(declared.count(name)) << name << " is documented but not declared";
  }
}
