// The master rewrite through a staging file, replacing the master atomically.
#include "master/rewrite.h"

#include <fcntl.h>

#include <cerrno>
#include <string>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "master/fileerror.h"

namespace cmd::master {
namespace {

std::string HostFolderOf(const std::string& hostPath) {
  auto slash = hostPath.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : hostPath.substr(0, slash);
}

// Makes a rename in the folder durable. A failure is not reported: the rename
// has happened, and every reader already sees the new master.
void SyncFolder(const std::string& hostPath) {
  int fd = cmd::os::Open(HostFolderOf(hostPath), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  cmd::os::Flush(fd);
  cmd::os::Close(fd);
}

// A read-only master cannot be replaced, as Windows refuses to delete it.
bool IsReadOnly(const CString& path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// What an append needs to know of the master it copied: where its text
// starts (after a byte-order mark) and how it ends.
struct CopiedText {
  std::string head;  // the first bytes, up to 3
  std::string tail;  // the last bytes, up to 3
  std::size_t size = 0;
};

void NoteBytes(CopiedText& copied, const char* data, std::size_t n) {
  for (std::size_t i = 0; i < n && copied.head.size() < 3; ++i) copied.head += data[i];
  copied.tail.append(data, n);
  if (copied.tail.size() > 3) copied.tail.erase(0, copied.tail.size() - 3);
  copied.size += n;
}

// Copies a file's bytes to a file that exists (truncated first). A missing
// source gives an empty copy. False, with errno, when a step fails.
bool CopyBytes(const std::string& from, const std::string& to, CopiedText& copied) {
  int in = cmd::os::Open(from, O_RDONLY);
  if (in < 0 && errno != ENOENT) return false;
  int out = cmd::os::Open(to, O_WRONLY | O_TRUNC);
  if (out < 0) {
    int err = errno;
    if (in >= 0) cmd::os::Close(in);
    errno = err;
    return false;
  }
  bool ok = true;
  char buffer[64 * 1024];
  while (ok && in >= 0) {
    ssize_t n = cmd::os::Read(in, buffer, sizeof buffer);
    if (n == 0) break;
    ok = n > 0 && cmd::os::Write(out, buffer, static_cast<std::size_t>(n)) == n;
    if (ok) NoteBytes(copied, buffer, static_cast<std::size_t>(n));
  }
  int err = errno;
  if (in >= 0) cmd::os::Close(in);
  if (cmd::os::Close(out) != 0) ok = false;
  if (!ok) errno = err;
  return ok;
}

// Whether text in that encoding has characters after its byte-order mark
// and does not end with a line end.
bool LacksFinalLineEnd(const CopiedText& copied, cmd::text::Encoding encoding) {
  using cmd::text::Encoding;
  std::size_t mark = 0;
  if (encoding == Encoding::Utf16le && copied.head.compare(0, 2, "\xFF\xFE") == 0) mark = 2;
  if (encoding == Encoding::Utf8 && copied.head == "\xEF\xBB\xBF") mark = 3;
  if (copied.size <= mark) return false;
  if (encoding == Encoding::Utf16le)
    return copied.tail.size() < 2 || copied.tail.compare(copied.tail.size() - 2, 2,
                                                         std::string("\n\0", 2)) != 0;
  return copied.tail.empty() || copied.tail.back() != '\n';
}

// Whether UTF-16 text ends in half a unit (a file cut in the middle of a
// character): that byte is no character, and text appended after it would
// be read one byte out of step.
bool EndsInTornUnit(const CopiedText& copied) { return copied.size % 2 != 0; }

// Cuts the last byte off the copy.
bool DropLastByte(const std::string& hostPath, CopiedText& copied) {
  int fd = cmd::os::Open(hostPath, O_WRONLY);
  if (fd < 0) return false;
  bool ok = cmd::os::Truncate(fd, static_cast<off_t>(copied.size - 1)) == 0;
  int err = errno;
  if (cmd::os::Close(fd) != 0) ok = false;
  if (!ok) {
    errno = err;
    return false;
  }
  --copied.size;
  copied.tail.pop_back();
  return true;
}

// The folder part of a path in Windows form, with its separator ("" for a
// bare file name).
CString FolderPart(const CString& path) {
  int cut = -1;
  for (int i = path.GetLength() - 1; i >= 0 && cut < 0; --i)
    if (cmd::path::IsSeparator(path[i])) cut = i;
  return path.Left(cut + 1);
}

}  // namespace

CString NewStagingFile(const CString& folder) {
  std::string hostFolder = ".";
  if (!folder.IsEmpty() && !cmd::path::ToHost(folder, hostFolder)) return CString();
  std::string hostPath;
  int fd = cmd::os::CreateStagingFile(hostFolder, hostPath);
  if (fd < 0) return CString();
  cmd::os::Close(fd);
  return folder + CString::FromUtf8(hostPath.substr(hostPath.rfind('/') + 1));
}

StagedMaster::StagedMaster(CString masterPath) : masterPath_(std::move(masterPath)) {}

StagedMaster::~StagedMaster() { Abandon(); }

bool StagedMaster::CreateStaging() {
  stagingPath_ = NewStagingFile(FolderPart(masterPath_));
  stagingCreated_ = !stagingPath_.IsEmpty();
  return stagingCreated_;
}

bool StagedMaster::OpenForRewrite() {
  if (!master_.Open(masterPath_)) return false;
  if (!CreateStaging() || !staging_.Open(stagingPath_, kWriteMode)) {
    Abandon();
    return false;
  }
  return true;
}

bool StagedMaster::OpenForNewContent() {
  // Writing a read-only master in place would fail at its open; so does this.
  if (IsReadOnly(masterPath_)) return false;
  return CreateStaging() && staging_.Open(stagingPath_, kWriteMode);
}

bool StagedMaster::OpenForAppend(const char16_t* appendMode) {
  if (IsReadOnly(masterPath_)) return false;
  std::string hostMaster, hostStaging;
  if (!cmd::path::ToHost(masterPath_, hostMaster) || !CreateStaging() ||
      !cmd::path::ToHost(stagingPath_, hostStaging))
    return false;
  CopiedText copied;
  if (!CopyBytes(hostMaster, hostStaging, copied)) return false;
  if (!staging_.Open(stagingPath_, appendMode)) return false;
  if (staging_.GetEncoding() == cmd::text::Encoding::Utf16le && EndsInTornUnit(copied)) {
    // The torn unit is dropped; the new lines start on a whole unit.
    staging_.Close();
    if (!DropLastByte(hostStaging, copied) || !staging_.Open(stagingPath_, appendMode))
      return false;
  }
  appending_ = true;
  if (LacksFinalLineEnd(copied, staging_.GetEncoding())) staging_.WriteString(u"\n");
  return true;
}

bool StagedMaster::ReadLine(CString& line) { return master_.ReadLine(line); }

void StagedMaster::KeepLine(const CString& line) {
  staging_.WriteString(line);
  staging_.WriteString(u"\n");
}

void StagedMaster::Write(const CString& text) { staging_.WriteString(text); }

void StagedMaster::Write(const char16_t* text) { staging_.WriteString(text); }

void StagedMaster::Commit() {
  master_.Close();
  // Close writes what is buffered and flushes the staging file to the disk
  // (an appending stream is flushed here: its Close does not).
  if (appending_ && !staging_.Flush()) ThrowFileError(staging_, stagingPath_);
  if (!CloseReportsSuccess(staging_)) ThrowFileError(staging_, stagingPath_);
  if (IsReadOnly(masterPath_))
    CFileException::ThrowOsError(static_cast<LONG>(ERROR_ACCESS_DENIED), masterPath_);
  std::string hostStaging, hostMaster;
  if (!cmd::path::ToHost(stagingPath_, hostStaging) ||
      !cmd::path::ToHost(masterPath_, hostMaster))
    CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), stagingPath_);
  // The new master keeps the permissions the host gave the old one.
  struct stat old {};
  if (cmd::os::Stat(hostMaster, old) == 0) cmd::os::Chmod(hostStaging, old.st_mode & 07777);
  // The one step that changes the master: rename(2) replaces it atomically.
  if (cmd::os::Rename(hostStaging, hostMaster) != 0)
    ThrowHostError(errno, hostStaging, stagingPath_);
  stagingCreated_ = false;  // the staging file is the master now
  SyncFolder(hostMaster);
}

void StagedMaster::Abandon() {
  master_.Close();
  if (staging_.IsOpen()) staging_.Close();
  if (!stagingCreated_) return;
  stagingCreated_ = false;
  std::string hostStaging;
  if (cmd::path::ToHost(stagingPath_, hostStaging)) cmd::os::Remove(hostStaging);
}

}  // namespace cmd::master
