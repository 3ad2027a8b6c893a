// The library frame: installation paths and folder layout, the parameter
// file and the log record file.
//
// The host makes the installation folder its current directory, then calls
// SetSystemDrv (the root every folder getter prefixes, with a trailing
// backslash), SetIniFile and, where it uses them, Set4IniFile and
// SetEnvPath. Until then paths are relative to the current directory.
// Every folder getter returns a Windows-form folder ending in a backslash.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// ---- Settings-file paths and the process-wide path state
CMD_API void SetIniFile();           // "<current directory>\pelmar1.ini"
CMD_API CString GetIniFile();
CMD_API void Set4IniFile();          // "<current directory>\sek4.ini"
CMD_API CString GetPathIni();        // [DIR] PELMAR of the settings file
// Writes [DIR] DATA, MASTER, WORK, BMP, WAV, LAYOUT, LOGO, MAIL, PELMAR
// from a record of nine strings in that order.
CMD_API void SetPathIni(CString* record);
CMD_API CString GetIniFile2();       // GetPathIni() + "\pelmar2.ini"
CMD_API CString SetCwd();            // refreshes and returns the current-directory copy
CMD_API void SetEnvPath();           // environment path = current directory + "\"
CMD_API CString GetEnvPath();
CMD_API CString GetExeBmpPath();     // current-directory copy joined with "bmp"
CMD_API int ReadEnvFile();           // 1 when [DIR] PELMAR is set, else a message box and 0
CMD_API void SetSystemDrv(CString root);
CMD_API CString GetSysDrv();

// ---- Folder getters
CMD_API CString GetDataDrv(int kind);  // 1 見積, 2 請求, 3 and 4 単票, others DATA
CMD_API CString GetGrpDrv();
CMD_API CString GetTanaDrv();
CMD_API CString GetBmpDrv();
CMD_API CString GetWaveDrv();
CMD_API CString GetLayoutDrv();
CMD_API CString GetLogoDrv();
CMD_API CString GetMailDrv();
// Trade 1 電気, 2 水道, 3 設備, 4 建築 (number -1: the trade's folder; n: its
// sub-master n+1), 10 the work folder; any other trade gives "".
CMD_API CString GetMstDrv(int trade, int number);
CMD_API CString GetWorkDrv();          // <application data>\tolv\WORK\ .

// ---- Parameter file "param.txt" and log record file "log.txt" (work folder)
CMD_API void ParamFileRead(CString* values, int count);   // at most 20 lines
CMD_API void ParamFileWrite(CString* values, int count);
CMD_API CString GetExecType();
CMD_API void SetExecType(int type);
CMD_API int ZorvikLog(CString key, CString value);
CMD_API int GetZorvikLog(const char16_t* key, CString* value);
