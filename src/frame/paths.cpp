// Installation paths and folder layout.
#include <string>
#include <string_view>

#include "cmddll3/frame.h"
#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/crtfile.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/profile.h"
#include "cmddll3/platform/shell.h"
#include "frame/state.h"

namespace cmd::frame {

bool StorePath(char16_t (&buffer)[kPathBuffer], std::u16string_view text) {
  if (text.size() >= static_cast<std::size_t>(kPathBuffer)) {
    buffer[0] = 0;
    return false;
  }
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  return true;
}

bool RefreshCurrentDir() {
  char16_t* cwd = GetState().currentDir;
  if (_wgetcwd(cwd, kPathBuffer)) return true;
  cwd[0] = 0;
  return false;
}

const char16_t* CurrentDirBuffer() { return GetState().currentDir; }

CString Get4IniFile() { return CString(GetState().ini4File); }

namespace {

// A path that would not fit its buffer is left empty, and the debug output
// says why: cut to fit, it would name another file.
void ReportPathTooLong(const char16_t* caller, std::u16string_view path) {
  CString line(caller);
  line += u": the path does not fit in 259 characters: ";
  line += path.empty() ? std::u16string_view(u"(the current directory)") : path;
  OutputDebugStringW(line);
}

// Sets a path to the refreshed current directory followed by `tail`.
void SetPathInCurrentDir(const char16_t* caller, char16_t (&target)[kPathBuffer],
                         std::u16string_view tail) {
  target[0] = 0;
  if (!RefreshCurrentDir()) return ReportPathTooLong(caller, {});
  std::u16string path = GetState().currentDir;
  path += tail;
  if (!StorePath(target, path)) ReportPathTooLong(caller, path);
}

// The backslash before the file name is inserted even after a drive root.
void SetFileInCurrentDir(const char16_t* caller, char16_t (&target)[kPathBuffer],
                         const char16_t* fileName) {
  SetPathInCurrentDir(caller, target, std::u16string(u"\\") + fileName);
}

CString UnderSystemDrive(const char16_t* folder) {
  return GetState().systemDrive + folder;
}

constexpr const char16_t* kTradeFolders[] = {u"MASTER\\電気\\", u"MASTER\\水道\\",
                                             u"MASTER\\設備\\", u"MASTER\\建築\\"};

}  // namespace
}  // namespace cmd::frame

using namespace cmd::frame;

void SetIniFile() { SetFileInCurrentDir(u"SetIniFile", GetState().iniFile, u"pelmar1.ini"); }

CString GetIniFile() { return CString(GetState().iniFile); }

void Set4IniFile() { SetFileInCurrentDir(u"Set4IniFile", GetState().ini4File, u"sek4.ini"); }

CString GetPathIni() {
  char16_t value[kPathBuffer] = {};
  GetPrivateProfileStringW(u"DIR", u"PELMAR", u"", value, kPathBuffer, GetState().iniFile);
  return CString(value);
}

void SetPathIni(CString* record) {
  static constexpr const char16_t* kKeys[] = {u"DATA", u"MASTER", u"WORK", u"BMP",   u"WAV",
                                              u"LAYOUT", u"LOGO", u"MAIL", u"PELMAR"};
  if (!record) return;
  for (int i = 0; i < 9; ++i)
    WritePrivateProfileStringW(u"DIR", kKeys[i], record[i], GetState().iniFile);
}

CString GetIniFile2() {
  CString path;
  path.Format(u"%s\\%s", GetPathIni(), u"pelmar2.ini");
  return path;
}

CString SetCwd() {
  RefreshCurrentDir();
  return CString(GetState().currentDir);
}

void SetEnvPath() { SetPathInCurrentDir(u"SetEnvPath", GetState().envPath, u"\\"); }

CString GetEnvPath() { return CString(GetState().envPath); }

CString GetExeBmpPath() {
  char16_t path[kPathBuffer] = {};
  if (!PathCombineW(path, GetState().currentDir, u"bmp")) path[0] = 0;
  return CString(path);
}

int ReadEnvFile() {
  CString value = GetPathIni();
  if (!value.IsEmpty()) return 1;
  MessageBoxW(nullptr, value, u"環境PATHが空です", MB_OK);
  return 0;
}

void SetSystemDrv(CString root) { GetState().systemDrive = root; }

CString GetSysDrv() { return GetState().systemDrive; }

CString GetDataDrv(int kind) {
  switch (kind) {
    case 1: return UnderSystemDrive(u"DATA\\見積\\");
    case 2: return UnderSystemDrive(u"DATA\\請求\\");
    case 3:
    case 4: return UnderSystemDrive(u"DATA\\単票\\");
    default: return UnderSystemDrive(u"DATA\\");
  }
}

CString GetGrpDrv() { return UnderSystemDrive(u"data\\"); }
CString GetTanaDrv() { return UnderSystemDrive(u"data\\"); }
CString GetBmpDrv() { return UnderSystemDrive(u"BMP\\"); }
CString GetWaveDrv() { return UnderSystemDrive(u"WAV\\"); }
CString GetLayoutDrv() { return UnderSystemDrive(u"LAYOUT\\"); }
CString GetLogoDrv() { return UnderSystemDrive(u"LOGO\\"); }
CString GetMailDrv() { return UnderSystemDrive(u"MAIL\\"); }

CString GetMstDrv(int trade, int number) {
  CString folder;
  if (trade == 10) {
    folder.Format(u"%s", GetWorkDrv());
  } else if (trade >= 1 && trade <= 4) {
    const char16_t* tradeFolder = kTradeFolders[trade - 1];
    if (number == -1)
      folder.Format(u"%s%s", GetState().systemDrive, tradeFolder);
    else
      // Sub-folders are numbered from 1; the addition wraps as 32-bit
      // int arithmetic does on Windows.
      folder.Format(u"%s%s%d\\", GetState().systemDrive, tradeFolder,
                    static_cast<int>(static_cast<unsigned>(number) + 1u));
  }
  return folder;
}

CString GetWorkDrv() {
  char16_t appData[kPathBuffer] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData) != S_OK) return CString(u"\\WORK\\");
  if (appData[0] == 0) return CString();
  CString folder;
  folder.Format(u"%s%s", appData, u"\\tolv\\WORK\\");
  return folder;
}
