// Lock files in the data folder and the switch that records their use.
#include "cmddll3/settings_lock.h"

#include <cstdio>
#include <exception>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/shell.h"
#include "settings/profile_access.h"

using namespace cmd::settings;

CMD_API int OpenMutexFile(int /*lock*/, int /*unused*/) { return 1; }

CMD_API void CloseMutexFile(int lock) {
  try {
    const CString folder = ReadText(MainFile(), u"DIR", u"DATA", u".");
    // The format puts the backslash in; a folder that ends with one gives a
    // doubled backslash, which the file system accepts.
    CString path;
    path.Format(u"%s\\lock%d", folder, lock);
    if (PathFileExistsW(path)) DeleteFileW(path);
  } catch (const std::exception& e) {
    std::printf("%s", e.what());
  }
}

CMD_API int GetUsingMutexFileIni() { return 1; }

CMD_API int SetUsingMutexFileIni(int value) {
  return WriteInt(MainFile(), u"共有違反", u"USE", value);
}
