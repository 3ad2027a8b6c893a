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
  // Close writes what is buffered and flushes the staging file to the disk.
  // When it fails the staging file may be incomplete: it is removed.
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
