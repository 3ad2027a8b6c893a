// Lock files: "lock<n>" in the data folder (key "DATA" of section "DIR" of the
// settings file, default the current directory), and the switch that records
// whether they are in use (key "USE" of section "共有違反"). Taking a lock
// always succeeds and creates nothing; the switch always reads as on;
// releasing a lock deletes its file if there is one.
#pragma once

#include "cmddll3/platform/windef.h"

// Always 1 (lock granted); touches no file. The second argument is not used.
CMD_API int OpenMutexFile(int lock, int unused);

// Deletes the data folder's "lock<n>" file when it exists; a failed deletion
// is ignored.
CMD_API void CloseMutexFile(int lock);

// Always 1, whatever the settings file holds.
CMD_API int GetUsingMutexFileIni();

// Writes the value to the switch; returns the write's success flag.
CMD_API int SetUsingMutexFileIni(int value);
