// CFile and CFileException.
#include "cmddll3/platform/file.h"

#include <errno.h>
#include <fcntl.h>

#include <algorithm>
#include <utility>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "platform/fileimpl.h"

using namespace cmd::fileimpl;

// --------------------------------------------------------------- messages
namespace {

// The framework's message for each cause; %1 stands for the file name.
constexpr const char16_t* kCauseMessages[] = {
    u"An unknown error occurred while accessing %1.",                   // none
    u"An unknown error occurred while accessing %1.",                   // genericException
    u"%1 was not found.",                                               // fileNotFound
    u"%1 contains an invalid path.",                                    // badPath
    u"%1 could not be opened because there are too many open files.",  // tooManyOpenFiles
    u"Access to %1 was denied.",                                        // accessDenied
    u"An invalid file handle was associated with %1.",                  // invalidFile
    u"%1 could not be removed because it is the current directory.",   // removeCurrentDir
    u"%1 could not be created because the directory is full.",         // directoryFull
    u"Seek failed on %1",                                               // badSeek
    u"A hardware I/O error was reported while accessing %1.",          // hardIO
    u"A sharing violation occurred while accessing %1.",               // sharingViolation
    u"A locking violation occurred while accessing %1.",               // lockViolation
    u"Disk full while accessing %1.",                                   // diskFull
    u"An attempt was made to access %1 past its end.",                  // endOfFile
};
constexpr const char16_t* kUnnamedFile = u"an unnamed file";

// The framework's cause for each Windows error it knows.
struct ErrorCause {
  DWORD error;
  int cause;
};
constexpr ErrorCause kErrorCauses[] = {
    {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
    {ERROR_PATH_NOT_FOUND, CFileException::badPath},
    {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
    {ERROR_ACCESS_DENIED, CFileException::accessDenied},
    {ERROR_INVALID_HANDLE, CFileException::fileNotFound},
    {ERROR_CURRENT_DIRECTORY, CFileException::removeCurrentDir},
    {ERROR_NOT_SAME_DEVICE, CFileException::badPath},
    {ERROR_NO_MORE_FILES, CFileException::fileNotFound},
    {ERROR_WRITE_PROTECT, CFileException::accessDenied},
    {ERROR_NOT_READY, CFileException::hardIO},
    {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
    {ERROR_LOCK_VIOLATION, CFileException::lockViolation},
    {ERROR_HANDLE_EOF, CFileException::endOfFile},
    {39 /* ERROR_HANDLE_DISK_FULL */, CFileException::diskFull},
    {ERROR_FILE_EXISTS, CFileException::accessDenied},
    {ERROR_DISK_FULL, CFileException::diskFull},
    {ERROR_INVALID_NAME, CFileException::badPath},
    {ERROR_NEGATIVE_SEEK, CFileException::badSeek},
    {ERROR_DIR_NOT_EMPTY, CFileException::removeCurrentDir},
    {ERROR_BAD_PATHNAME, CFileException::badPath},
    {ERROR_BUSY, CFileException::accessDenied},
    {ERROR_ALREADY_EXISTS, CFileException::accessDenied},
    {ERROR_FILENAME_EXCED_RANGE, CFileException::badPath},
    {ERROR_DIRECTORY, CFileException::badPath},
    // The host's input/output errors (a failing disk, a pulled medium).
    {ERROR_IO_DEVICE, CFileException::hardIO},
};

void CopyTruncated(std::u16string_view text, char16_t* buffer, UINT maxChars) {
  std::size_t n = std::min<std::size_t>(text.size(), maxChars - 1);
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = 0;
}

bool IsRooted(std::u16string_view win) {
  return (!win.empty() && cmd::path::IsSeparator(win[0])) || (win.size() >= 2 && win[1] == u':');
}

void FillStatus(const struct stat& st, std::u16string_view fullName, CFileStatus& status) {
  status.m_ctime = st.st_ctime;
  status.m_mtime = st.st_mtime;
  status.m_atime = st.st_atime;
  status.m_size = static_cast<ULONGLONG>(st.st_size);
  status.m_attribute = static_cast<BYTE>(AttributesOf(st));
  CopyTruncated(fullName, status.m_szFullName, MAX_PATH);
}

// The name without its extension (a leading dot starts no extension).
CString WithoutExtension(const std::u16string& name) {
  auto dot = name.rfind(u'.');
  return CString(dot == std::u16string::npos || dot == 0 ? name : name.substr(0, dot));
}

}  // namespace

BOOL CException::GetErrorMessage(char16_t* buffer, UINT maxChars, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  if (buffer && maxChars) buffer[0] = 0;
  return FALSE;
}

CFileException::CFileException(int cause, LONG osError, const char16_t* fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

CString CFileException::GetErrorMessage() const {
  int cause = (m_cause >= none && m_cause <= endOfFile) ? m_cause : genericException;
  CString text = kCauseMessages[cause];
  text.Replace(u"%1", m_strFileName.IsEmpty() ? kUnnamedFile : m_strFileName.GetString());
  return text;
}

BOOL CFileException::GetErrorMessage(char16_t* buffer, UINT maxChars, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;  // no help file here
  if (!buffer || maxChars == 0) return FALSE;
  CopyTruncated(GetErrorMessage().str(), buffer, maxChars);
  return TRUE;
}

int CFileException::OsErrorToException(LONG osError) {
  for (const ErrorCause& e : kErrorCauses)
    if (static_cast<LONG>(e.error) == osError) return e.cause;
  return genericException;
}

void CFileException::ThrowOsError(LONG osError, const char16_t* fileName) {
  throw CFileException(OsErrorToException(osError), osError, fileName);
}

// ------------------------------------------------------------------ CFile
CFile::CFile(const char16_t* fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) throw error;
}

CFile::~CFile() {
  if (IsOpen()) Abort();
}

void CFile::ThrowError(DWORD winError) const {
  SetLastError(winError);
  CFileException::ThrowOsError(static_cast<LONG>(winError), path_);
}

BOOL CFile::Open(const char16_t* fileName, UINT openFlags, CFileException* error) {
  if (IsOpen()) Abort();
  path_ = fileName;
  hostPath_.clear();
  auto fail = [&](DWORD winError) {
    SetLastError(winError);
    if (error) {
      error->m_cause = CFileException::OsErrorToException(static_cast<LONG>(winError));
      error->m_lOsError = static_cast<LONG>(winError);
      error->m_strFileName = path_;
    }
    return FALSE;
  };

  std::string host;
  if (DWORD err = MapPath(fileName, host)) return fail(err);
  int flags = 0;
  switch (openFlags & 3) {
    case modeRead: flags = O_RDONLY; break;
    case modeWrite: flags = O_WRONLY; break;
    case modeReadWrite: flags = O_RDWR; break;
    default: return fail(ERROR_INVALID_PARAMETER);
  }
  bool writing = (openFlags & 3) != modeRead || (openFlags & modeCreate);
  if (openFlags & modeCreate) flags |= O_CREAT | ((openFlags & modeNoTruncate) ? 0 : O_TRUNC);

  struct stat st {};
  if (cmd::os::Stat(host, st) == 0) {
    if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
    if (writing && IsReadOnly(st)) return fail(ERROR_ACCESS_DENIED);
  }
  int fd = cmd::os::Open(host, flags, 0666);
  if (fd < 0) return fail(LastError(host));
  fd_ = fd;
  hostPath_ = std::move(host);
  return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (!IsOpen()) ThrowError(ERROR_INVALID_HANDLE);
  auto* p = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count) {
    ssize_t r = cmd::os::Read(fd_, p + done, count - done);
    if (r < 0) ThrowError(errno == EBADF ? ERROR_ACCESS_DENIED : LastError(hostPath_));
    if (r == 0) break;
    done += static_cast<UINT>(r);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  if (!IsOpen()) ThrowError(ERROR_INVALID_HANDLE);
  if (count == 0) return;
  if (cmd::os::Write(fd_, buffer, count) != static_cast<ssize_t>(count))
    ThrowError(errno == EBADF ? ERROR_ACCESS_DENIED : LastError(hostPath_));
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  if (!IsOpen()) ThrowError(ERROR_INVALID_HANDLE);
  int whence;
  switch (from) {
    case begin: whence = SEEK_SET; break;
    case current: whence = SEEK_CUR; break;
    case end: whence = SEEK_END; break;
    default: ThrowError(ERROR_INVALID_PARAMETER);
  }
  off_t pos = cmd::os::Seek(fd_, static_cast<off_t>(offset), whence);
  if (pos < 0) ThrowError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : LastError(hostPath_));
  return static_cast<ULONGLONG>(pos);
}

ULONGLONG CFile::GetPosition() const {
  if (!IsOpen()) ThrowError(ERROR_INVALID_HANDLE);
  off_t pos = cmd::os::Seek(fd_, 0, SEEK_CUR);
  if (pos < 0) ThrowError(LastError(hostPath_));
  return static_cast<ULONGLONG>(pos);
}

ULONGLONG CFile::GetLength() const {
  if (!IsOpen()) ThrowError(ERROR_INVALID_HANDLE);
  struct stat st {};
  if (cmd::os::FStat(fd_, st) != 0) ThrowError(LastError(hostPath_));
  return static_cast<ULONGLONG>(st.st_size);
}

void CFile::SetLength(ULONGLONG newLength) {
  if (!IsOpen()) ThrowError(ERROR_INVALID_HANDLE);
  if (cmd::os::Truncate(fd_, static_cast<off_t>(newLength)) != 0)
    ThrowError(errno == EINVAL || errno == EBADF ? ERROR_ACCESS_DENIED : LastError(hostPath_));
}

void CFile::Flush() {
  if (!IsOpen()) return;  // the framework ignores a flush of a closed file
  // Descriptors that cannot be synchronised (devices, pipes) have nothing
  // to write through.
  if (cmd::os::Flush(fd_) != 0 && errno != EINVAL && errno != EROFS)
    ThrowError(LastError(hostPath_));
}

void CFile::Close() {
  if (!IsOpen()) return;
  int fd = std::exchange(fd_, -1);
  if (cmd::os::Close(fd) != 0) ThrowError(LastError(hostPath_));
}

void CFile::Abort() {
  if (!IsOpen()) return;
  cmd::os::Close(std::exchange(fd_, -1));
}

CString CFile::GetFileName() const { return CString(LastComponent(path_.str())); }

CString CFile::GetFileTitle() const { return WithoutExtension(LastComponent(path_.str())); }

BOOL CFile::GetStatus(CFileStatus& status) const {
  if (!IsOpen()) return FALSE;
  struct stat st {};
  if (cmd::os::FStat(fd_, st) != 0) return FALSE;
  FillStatus(st, path_.str(), status);
  return TRUE;
}

BOOL CFile::GetStatus(const char16_t* fileName, CFileStatus& status) {
  std::string host;
  if (DWORD err = MapPath(fileName, host)) {
    SetLastError(err);
    return FALSE;
  }
  struct stat st {};
  if (cmd::os::Stat(host, st) != 0) {
    SetLastError(LastError(host));
    return FALSE;
  }
  std::u16string full = fileName;
  if (!IsRooted(full)) {
    char16_t cwd[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, cwd);
    if (n > 0 && n < MAX_PATH) full = std::u16string(cwd) + u"\\" + full;
  }
  FillStatus(st, full, status);
  return TRUE;
}

void CFile::Remove(const char16_t* fileName) {
  std::string host;
  DWORD err = MapPath(fileName, host);
  if (err == ERROR_SUCCESS) err = DeleteFile(host);
  if (err != ERROR_SUCCESS) {
    SetLastError(err);
    CFileException::ThrowOsError(static_cast<LONG>(err), fileName);
  }
}

void CFile::Rename(const char16_t* oldName, const char16_t* newName) {
  std::string from, to;
  DWORD err = MapPath(oldName, from);
  if (err == ERROR_SUCCESS) err = MapPath(newName, to);
  if (err == ERROR_SUCCESS) err = MoveFile(from, to, newName ? newName : u"");
  if (err != ERROR_SUCCESS) {
    SetLastError(err);
    CFileException::ThrowOsError(static_cast<LONG>(err), oldName);
  }
}
