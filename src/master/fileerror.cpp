#include "master/fileerror.h"

#include <cerrno>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/hooks.h"

namespace cmd::master {

bool CloseReportsSuccess(CStdioFile& file) { return file.Close() != FALSE; }

bool ReadFailed(const CStdioFile& file) { return file.Failed(); }

void ThrowHostError(int hostErrno, const std::string& hostPath, const CString& path) {
  CFileException::ThrowOsError(static_cast<LONG>(cmd::WinErrorFromErrno(hostErrno, hostPath)),
                               path);
}

void ThrowFileError(const CStdioFile& file, const CString& path) {
  int err = file.GetErrno();
  ThrowHostError(err ? err : EIO, std::string(), path);
}

void ShowFileError(const CFileException& e) {
  constexpr UINT kMessageUnits = 255;
  char16_t message[kMessageUnits] = {};
  e.GetErrorMessage(message, kMessageUnits);
  AfxMessageBox(CString(u"エラー:") + message, MB_OK | MB_ICONSTOP);
}

}  // namespace cmd::master
