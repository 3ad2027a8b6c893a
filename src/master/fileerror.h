// File errors of the master families: the platform's text streams report
// failures through their state; the masters' operations catch them as the
// framework's CFileException, as every Part of the library does.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/textfile.h"

namespace cmd::master {

// Closes a stream; true when everything written to it reached the file.
bool CloseReportsSuccess(CStdioFile& file);
// True when a read (or any other step) of the stream has failed.
bool ReadFailed(const CStdioFile& file);

// The CFileException for a failed step of a stream, naming the file.
[[noreturn]] void ThrowFileError(const CStdioFile& file, const CString& path);
// The CFileException for a failed host call (errno value), naming the file.
[[noreturn]] void ThrowHostError(int hostErrno, const std::string& hostPath,
                                 const CString& path);

// The framework's message box for a caught file error: "エラー:" followed by
// the exception's message (at most 255 characters with its terminator), stop
// icon, OK button.
void ShowFileError(const CFileException& e);

}  // namespace cmd::master
