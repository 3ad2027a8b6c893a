// The parameter file "param.txt" and the log record file "log.txt" in the
// work folder, through which the host programs hand values to one another.
#include <cerrno>

#include "cmddll3/frame.h"
#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/crterror.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/shell.h"
#include "cmddll3/platform/textfile.h"
#include "frame/state.h"

namespace {

constexpr int kParamLines = 20;

CString ParamFilePath() {
  char16_t path[MAX_PATH] = {};
  if (!PathCombineW(path, GetWorkDrv(), u"param.txt")) return CString();
  return CString(path);
}

CString LogFilePath() { return GetWorkDrv() + u"log.txt"; }

void ReportOpenFailure(const CStdioFile& file) { OutputDebugStringW(_wcserror(file.GetErrno())); }

// Creates the parameter file empty when it is missing. False when it is
// missing and cannot be created.
bool EnsureParamFile(const CString& path) {
  if (PathFileExistsW(path)) return true;
  CStdioFile file;
  if (!file.Open(path, u"wt,ccs=UNICODE")) return false;
  file.Close();
  OutputDebugStringW(u"param.txt not existent under AppData");
  return true;
}

void WriteLines(const CString& path, const CString* values, int count) {
  CStdioFile file;
  if (!file.Open(path, u"wt,ccs=UNICODE")) {
    ReportOpenFailure(file);
    return;
  }
  for (int i = 0; i < count; ++i) {
    CString line;
    line.Format(u"%s\n", values[i]);
    file.WriteString(line);
  }
  file.Close();
}

}  // namespace

void ParamFileRead(CString* values, int count) {
  if (!values) return;
  for (int i = 0; i < count; ++i) values[i].Empty();
  CString path = ParamFilePath();
  if (!EnsureParamFile(path)) return;
  CStdioFile file;
  if (!file.Open(path, u"rt,ccs=UNICODE")) {
    ReportOpenFailure(file);
    return;
  }
  int limit = count < kParamLines ? count : kParamLines;
  CString line;
  for (int i = 0; i < limit && file.ReadString(line); ++i) values[i] = line;
  file.Close();
}

void ParamFileWrite(CString* values, int count) {
  if (!values && count > 0) return;
  WriteLines(ParamFilePath(), values, count);
}

CString GetExecType() {
  CStdioFile file;
  if (!file.Open(ParamFilePath(), u"rt,ccs=UNICODE")) return CString();
  CString line;
  if (!file.ReadString(line)) line.Empty();
  file.Close();
  return line;
}

void SetExecType(int type) {
  CString values[kParamLines];
  ParamFileRead(values, kParamLines);
  values[0].Format(u"%d", type);
  WriteLines(ParamFilePath(), values, kParamLines);
}

int ZorvikLog(CString key, CString value) {
  CStdioFile file;
  if (!file.Open(LogFilePath(), u"wt,ccs=UNICODE")) return 0;
  file.WriteString(key + u":" + value + u"\n");
  file.Close();
  return 1;
}

int GetZorvikLog(const char16_t* key, CString* value) {
  CStdioFile file;
  if (!file.Open(LogFilePath(), u"rt,ccs=UNICODE")) return 0;
  CString line;
  bool read = file.ReadString(line);
  file.Close();
  if (!read) line.Empty();
  // Key and value are each read into 260-unit buffers.
  char16_t storedKey[MAX_PATH] = {};
  char16_t storedValue[MAX_PATH] = {};
  swscanf(line, u"%[^:]:%[^:]", ScanBuf{storedKey, MAX_PATH}, ScanBuf{storedValue, MAX_PATH});
  if (CString(storedKey) != CString(key)) return 0;
  if (value) *value = storedValue;
  return 1;
}
