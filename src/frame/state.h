// The library's process-wide path state: the installation root, the
// settings-file paths, the environment path and the current-directory copy
// (the fraction modes are kept beside the money functions that read them).
// All of it is empty when the module is loaded; the host sets it at start.
// Calls are made one at a time, so nothing here is locked.
#pragma once

#include "cmddll3/platform/cstring.h"

namespace cmd::frame {

// Buffers of 260 units, terminator included, as on Windows.
constexpr int kPathBuffer = MAX_PATH;

struct State {
  CString systemDrive;                       // SetSystemDrv
  char16_t currentDir[kPathBuffer] = {};     // refreshed by SetCwd, SetIniFile, Set4IniFile, SetEnvPath
  char16_t iniFile[kPathBuffer] = {};        // SetIniFile: "<cwd>\pelmar1.ini"
  char16_t ini4File[kPathBuffer] = {};       // Set4IniFile: "<cwd>\sek4.ini"
  char16_t envPath[kPathBuffer] = {};        // SetEnvPath: "<cwd>\"
};

State& GetState();

// Refreshes the current-directory buffer from the process's current
// directory; false (and an empty buffer) when it does not fit.
bool RefreshCurrentDir();
const char16_t* CurrentDirBuffer();
CString Get4IniFile();

// Copies a path into a 260-unit buffer; one that does not fit leaves the
// buffer empty and gives false, never a cut path.
bool StorePath(char16_t (&buffer)[kPathBuffer], std::u16string_view text);

}  // namespace cmd::frame
