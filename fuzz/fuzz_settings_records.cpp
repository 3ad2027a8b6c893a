// Settings records read from whatever a settings file holds: the record
// readers cut overlong records and fields, fill missing fields and never
// write past a field or a caller's variable.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cmddll3/cmddll3.h"
#include "cmddll3/frame.h"
#include "cmddll3/platform/osfile.h"

namespace {

std::string g_folder;

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
}

// A scratch folder whose "pelmar1.ini" and "fuutou.ini" are rewritten for
// every input, removed at exit. The settings paths are taken from it while
// it is the current directory; the fuzzer's own current directory is then
// given back, since its corpus and artifact paths are relative to it.
const std::string& Folder() {
  if (g_folder.empty()) {
    char name[] = "/tmp/fuzz-settings-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    g_folder = name;
    std::atexit(RemoveFolder);
    char previous[4096];
    if (!getcwd(previous, sizeof previous) || chdir(name) != 0) std::abort();
    SetIniFile();
    Set4IniFile();
    if (chdir(previous) != 0) std::abort();
  }
  return g_folder;
}

void ReadEverything() {
  int v[9];
  RECT rect{};
  CString text, names[10];
  double d1, d2;
  GetWindowPosIni(&v[0], &v[1], &v[2], &v[3], &v[4]);
  for (int window = 0; window < 3; ++window) GetWindowIni(&rect, window);
  GetAnimeInfoIni(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  GetBackupInfoIni(&v[0], &v[1], &v[2], &v[3]);
  GetDegitizerComIni(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
  GetTaxIni(&v[0], &v[1], &v[2], &v[3]);
  GetTaxModeIni(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  GetAdressSheetAttrIni(1, &v[0], &v[1], &v[2], &v[3], &v[4]);
  GetAdressSheetAttrIni(2, &v[0], &v[1], &v[2], &v[3], &v[4]);
  GetInitLayoutGroupIni(&v[0], &v[1]);
  GetRoumuTankaIni(1, &v[0], &text, &d1, &d2, &v[1], &v[2], &v[3], &v[4]);
  GetRoumuTankaIni(2, &v[0], &text, &d1, &d2, &v[1], &v[2], &v[3], &v[4]);
  GetZairyouCategoryIni(names);
  GetHasuuDecModeIni(0);
  GetPaswordIni(&v[0]);
  GetShoukeiIni(&v[0]);
  GetOdvanHistIni(&v[0], &v[1], &v[2], &v[3], &v[4]);
  GetDocpathIni(1);
  GetFooterInfoAttrIni(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  GetJishaInfoAttrIni(1, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  GetStdPrnIni(-1);
  GetColorMst();
  GetUserColorMst(v);
  GetHojoColorGyoIni();
  GetFuutouMergenIni(1, 14, v);
  GetPrnFuutouNorisiroIni(u"角2");
  GetMituNoIni(1, 1);
  GetBaikaRituIni();
  GetSystemTitle();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = Folder();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  cmd::os::ReplaceAtomically(folder + "/pelmar1.ini", bytes);
  cmd::os::ReplaceAtomically(folder + "/fuutou.ini", bytes);
  ReadEverything();
  return 0;
}
