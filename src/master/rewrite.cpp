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
  std::string tail;  // the last bytes, up to 2
  std::size_t size = 0;
};

void NoteBytes(CopiedText& copied, const char* data, std::size_t n) {
  for (std::size_t i = 0; i < n && copied.head.size() < 3; ++i) copied.head += data[i];
  copied.tail.append(data, n);
  if (copied.tail.size() > 2) copied.tail.erase(0, copied.tail.size() - 2);
  copied.size += n;
}

// Copies a file's bytes to a new file (created or truncated). A missing
// source gives an empty copy. False, with errno, when a step fails.
bool CopyBytes(const std::string& from, const std::string& to, CopiedText& copied) {
  int in = cmd::os::Open(from, O_RDONLY);
  if (in < 0 && errno != ENOENT) return false;
  int out = cmd::os::Open(to, O_WRONLY | O_CREAT | O_TRUNC);
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
  if (encoding == Encoding::Utf16le) return copied.tail != std::string("\n\0", 2);
  return copied.tail.empty() || copied.tail.back() != '\n';
}

}  // namespace

CString StagingPathFor(const CString& masterPath, const char16_t* stagingName) {
  int cut = -1;
  for (int i = masterPath.GetLength() - 1; i >= 0 && cut < 0; --i)
    if (cmd::path::IsSeparator(masterPath[i])) cut = i;
  return masterPath.Left(cut + 1) + stagingName;
}

StagedMaster::StagedMaster(CString masterPath, const char16_t* stagingName)
    : masterPath_(std::move(masterPath)),
      stagingPath_(StagingPathFor(masterPath_, stagingName)) {}

StagedMaster::~StagedMaster() { Abandon(); }

bool StagedMaster::OpenForRewrite() {
  if (StagingIsTheMaster() || !master_.Open(masterPath_)) return false;
  if (!staging_.Open(stagingPath_, kWriteMode)) {
    master_.Close();
    return false;
  }
  stagingCreated_ = true;
  return true;
}

bool StagedMaster::OpenForNewContent() {
  // Writing a read-only master in place would fail at its open; so does this.
  if (StagingIsTheMaster() || IsReadOnly(masterPath_)) return false;
  if (!staging_.Open(stagingPath_, kWriteMode)) return false;
  stagingCreated_ = true;
  return true;
}

bool StagedMaster::OpenForAppend(const char16_t* appendMode) {
  if (StagingIsTheMaster() || IsReadOnly(masterPath_)) return false;
  std::string hostMaster, hostStaging;
  if (!cmd::path::ToHost(masterPath_, hostMaster) ||
      !cmd::path::ToHost(stagingPath_, hostStaging))
    return false;
  stagingCreated_ = true;  // a copy that stops half-way is removed
  CopiedText copied;
  if (!CopyBytes(hostMaster, hostStaging, copied)) return false;
  if (!staging_.Open(stagingPath_, appendMode)) return false;
  appending_ = true;
  if (LacksFinalLineEnd(copied, staging_.GetEncoding())) staging_.WriteString(u"\n");
  return true;
}

// A master that bears the staging file's own name cannot be staged beside
// itself: opening the staging file would empty the master.
bool StagedMaster::StagingIsTheMaster() const {
  return masterPath_.CompareNoCase(stagingPath_) == 0;
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
  // When it fails the staging file may be incomplete: it is removed.
  if (appending_ && !staging_.Flush()) ThrowFileError(staging_, stagingPath_);
  if (!CloseReportsSuccess(staging_)) ThrowFileError(staging_, stagingPath_);

  // From here on the staging file is complete: a failure leaves it beside the
  // untouched master.
  keepStaging_ = true;
  if (IsReadOnly(masterPath_))
    CFileException::ThrowOsError(static_cast<LONG>(ERROR_ACCESS_DENIED), masterPath_);
  std::string hostStaging, hostMaster;
  if (!cmd::path::ToHost(stagingPath_, hostStaging) ||
      !cmd::path::ToHost(masterPath_, hostMaster))
    CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), stagingPath_);
  // The one step that changes the master: rename(2) replaces it atomically.
  if (cmd::os::Rename(hostStaging, hostMaster) != 0)
    ThrowHostError(errno, hostStaging, stagingPath_);
  SyncFolder(hostMaster);
}

void StagedMaster::Abandon() {
  master_.Close();
  if (staging_.IsOpen()) staging_.Close();
  if (!stagingCreated_ || keepStaging_) return;
  stagingCreated_ = false;
  std::string hostStaging;
  if (cmd::path::ToHost(stagingPath_, hostStaging)) cmd::os::Remove(hostStaging);
}

}  // namespace cmd::master
