// The Windows kernel's file functions, the error mapping between the host
// and Windows, and the per-user folders.
#include "cmddll3/platform/fileapi.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <vector>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "platform/fileimpl.h"

namespace cmd {

DWORD WinErrorFromErrno(int e, const std::string& hostPath) {
  switch (e) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: {
      if (hostPath.empty()) return ERROR_FILE_NOT_FOUND;
      struct stat st {};
      std::string folder = fileimpl::FolderOf(hostPath);
      bool folderExists = os::Stat(folder, st) == 0 && S_ISDIR(st.st_mode);
      return folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EBUSY: return ERROR_BUSY;
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    case EIO: return ERROR_IO_DEVICE;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ESPIPE:
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_INVALID_FUNCTION;
    default: return ERROR_GEN_FAILURE;
  }
}

int ErrnoFromWinError(DWORD w) {
  switch (w) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE: return ENOENT;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_ACCESS_DENIED:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_BUSY: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_DISK_FULL: return ENOSPC;
    default:
      // The runtime maps the whole range from "write protected" to "sharing
      // buffer exceeded" (19 to 36) to EACCES.
      if (w >= ERROR_WRITE_PROTECT && w <= 36) return EACCES;
      return EINVAL;
  }
}

namespace {
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
}  // namespace

FILETIME FileTimeFromUnix(std::time_t seconds, long nanoseconds) {
  std::int64_t ticks = (static_cast<std::int64_t>(seconds) + kSecondsFrom1601To1970) * kTicksPerSecond +
                       nanoseconds / 100;
  if (ticks < 0) ticks = 0;
  auto u = static_cast<std::uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(u & 0xFFFFFFFFu), static_cast<DWORD>(u >> 32)};
}

std::time_t UnixFromFileTime(const FILETIME& ft) {
  std::uint64_t ticks = (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<std::time_t>(static_cast<std::int64_t>(ticks / kTicksPerSecond) -
                                  kSecondsFrom1601To1970);
}

}  // namespace cmd

// ------------------------------------------------------------ shared steps
namespace cmd::fileimpl {
namespace {

bool SameEntry(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder == ".") return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

DWORD MapPath(const char16_t* winPath, std::string& hostPath) {
  if (!winPath || !*winPath) {
    hostPath.clear();
    return ERROR_PATH_NOT_FOUND;
  }
  if (!cmd::path::ToHost(winPath, hostPath)) return ::GetLastError();
  return ERROR_SUCCESS;
}

DWORD LastError(const std::string& hostPath) { return WinErrorFromErrno(errno, hostPath); }

DWORD AttributesOf(const struct stat& st) {
  DWORD a = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (IsReadOnly(st)) a |= FILE_ATTRIBUTE_READONLY;
  return a;
}

std::string FolderOf(const std::string& hostPath) {
  std::string p = hostPath;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  auto slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

std::u16string LastComponent(std::u16string_view win) {
  while (!win.empty() && cmd::path::IsSeparator(win.back())) win.remove_suffix(1);
  std::size_t start = 0;
  for (std::size_t i = 0; i < win.size(); ++i)
    if (cmd::path::IsSeparator(win[i])) start = i + 1;
  if (start == 0 && win.size() >= 2 && win[1] == u':') start = 2;
  return std::u16string(win.substr(start));
}

DWORD DeleteFile(const std::string& host) {
  struct stat st {};
  if (os::LStat(host, st) != 0) return LastError(host);
  if (S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
  if (!S_ISLNK(st.st_mode) && IsReadOnly(st)) return ERROR_ACCESS_DENIED;
  if (os::Remove(host) != 0) return LastError(host);
  return ERROR_SUCCESS;
}

DWORD CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  int in = os::Open(from, O_RDONLY);
  if (in < 0) return LastError(from);
  struct stat src {};
  if (os::FStat(in, src) != 0 || S_ISDIR(src.st_mode)) {
    os::Close(in);
    return ERROR_ACCESS_DENIED;
  }
  struct stat dst {};
  if (os::Stat(to, dst) == 0) {
    DWORD refusal = ERROR_SUCCESS;
    if (SameEntry(src, dst)) refusal = failIfExists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION;
    else if (failIfExists) refusal = ERROR_FILE_EXISTS;
    else if (S_ISDIR(dst.st_mode) || IsReadOnly(dst)) refusal = ERROR_ACCESS_DENIED;
    if (refusal != ERROR_SUCCESS) {
      os::Close(in);
      return refusal;
    }
  }

  // The copy goes to a hidden file beside the destination and is renamed
  // over it only when complete.
  std::string temp;
  int out = os::CreateStagingFile(FolderOf(to), temp, 0600);
  if (out < 0) {
    DWORD err = LastError(temp.empty() ? to : temp);
    os::Close(in);
    return err;
  }
  DWORD err = ERROR_SUCCESS;
  std::vector<char> buf(1 << 16);
  for (;;) {
    ssize_t n = os::Read(in, buf.data(), buf.size());
    if (n < 0) {
      err = LastError(from);
      break;
    }
    if (n == 0) break;
    if (os::Write(out, buf.data(), static_cast<size_t>(n)) != n) {
      err = LastError(to);
      break;
    }
  }
  if (err == ERROR_SUCCESS) {
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    os::SetTimes(out, times);  // a copy keeps the last-write time, as on Windows
    if (os::Flush(out) != 0) err = LastError(to);
  }
  if (os::Close(out) != 0 && err == ERROR_SUCCESS) err = LastError(to);
  os::Close(in);
  if (err == ERROR_SUCCESS) os::Chmod(temp, src.st_mode & 07777);
  if (err == ERROR_SUCCESS) {
    int r = failIfExists ? os::RenameNoReplace(temp, to) : os::Rename(temp, to);
    if (r != 0) err = errno == EEXIST ? ERROR_FILE_EXISTS : LastError(to);
  }
  // The staging file is cleaned up directly, past the fault seam: an
  // injected failure must not leave it behind.
  if (err != ERROR_SUCCESS) ::unlink(temp.c_str());
  return err;
}

DWORD MoveFile(const std::string& from, const std::string& to, std::u16string_view toWin) {
  struct stat src {};
  if (os::LStat(from, src) != 0) return LastError(from);
  struct stat dst {};
  if (os::LStat(to, dst) == 0) {
    if (to != from) return ERROR_ALREADY_EXISTS;
    // The new name found the entry itself (through case-insensitive
    // matching): rename it to the spelling given, if that differs.
    std::string spelled = Join(FolderOf(to), Utf16ToUtf8(LastComponent(toWin)));
    if (spelled == from) return ERROR_SUCCESS;
    if (os::Rename(from, spelled) != 0) return LastError(spelled);
    return ERROR_SUCCESS;
  }
  if (os::RenameNoReplace(from, to) == 0) return ERROR_SUCCESS;
  if (errno == EEXIST) return ERROR_ALREADY_EXISTS;
  if (errno != EXDEV) return LastError(to);
  if (!S_ISREG(src.st_mode)) return ERROR_NOT_SAME_DEVICE;
  // Another file system: copy, then delete the original.
  if (DWORD err = CopyFile(from, to, true)) return err;
  if (os::Remove(from) != 0) return LastError(from);
  return ERROR_SUCCESS;
}

DWORD CreateFolder(const std::string& host) {
  if (os::MakeDir(host, 0777) == 0) return ERROR_SUCCESS;
  return LastError(host);
}

DWORD RemoveFolder(const std::string& host) {
  struct stat st {};
  if (os::LStat(host, st) != 0) return LastError(host);
  if (!S_ISDIR(st.st_mode)) return ERROR_DIRECTORY;
  if (os::RemoveDir(host) == 0) return ERROR_SUCCESS;
  if (errno == EEXIST) return ERROR_DIR_NOT_EMPTY;
  return LastError(host);
}

DWORD CopyOut(std::u16string_view text, char16_t* buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}

}  // namespace cmd::fileimpl

// ----------------------------------------------------------- user folders
namespace cmd::path {
namespace {

std::mutex g_mutex;
std::string g_windowsFolder;  // empty: the default

std::string TrimTrailingSlashes(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

// An environment variable that names an absolute folder, or "".
std::string AbsoluteFromEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v || v[0] != '/') return {};
  return TrimTrailingSlashes(v);
}

std::string UserFolder(const char* xdgVariable, const char* underHome) {
  std::string folder = AbsoluteFromEnv(xdgVariable);
  if (!folder.empty()) return folder;
  std::string home = AbsoluteFromEnv("HOME");
  if (home.empty()) return {};
  return (home == "/" ? std::string() : home) + underHome;
}

}  // namespace

std::string UserConfigFolder() { return UserFolder("XDG_CONFIG_HOME", "/.config"); }
std::string UserDataFolder() { return UserFolder("XDG_DATA_HOME", "/.local/share"); }

void SetWindowsFolder(std::string hostFolder) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_windowsFolder = hostFolder.empty() ? std::string() : TrimTrailingSlashes(std::move(hostFolder));
}

std::string GetWindowsFolder() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_windowsFolder.empty()) return g_windowsFolder;
  }
  return UserConfigFolder();
}

}  // namespace cmd::path

// ------------------------------------------------------- kernel functions
using namespace cmd::fileimpl;

namespace {

BOOL Fail(DWORD err) {
  SetLastError(err);
  return FALSE;
}

BOOL Result(DWORD err) { return err == ERROR_SUCCESS ? TRUE : Fail(err); }

// The error for a folder that a call needs: a missing one is a missing path.
DWORD FolderError(const std::string& host) {
  DWORD err = LastError(host);
  return err == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : err;
}

std::string HostCurrentDirectory() {
  std::vector<char> buf(512);
  while (!::getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

}  // namespace

BOOL CopyFileW(LPCWSTR existingFile, LPCWSTR newFile, BOOL failIfExists) {
  std::string from, to;
  if (DWORD err = MapPath(existingFile, from)) return Fail(err);
  if (DWORD err = MapPath(newFile, to)) return Fail(err);
  return Result(CopyFile(from, to, failIfExists != FALSE));
}

BOOL DeleteFileW(LPCWSTR fileName) {
  std::string host;
  if (DWORD err = MapPath(fileName, host)) return Fail(err);
  return Result(DeleteFile(host));
}

BOOL MoveFileW(LPCWSTR existingFile, LPCWSTR newFile) {
  std::string from, to;
  if (DWORD err = MapPath(existingFile, from)) return Fail(err);
  if (DWORD err = MapPath(newFile, to)) return Fail(err);
  return Result(MoveFile(from, to, newFile));
}

BOOL CreateDirectoryW(LPCWSTR pathName, void*) {
  std::string host;
  if (DWORD err = MapPath(pathName, host)) return Fail(err);
  return Result(CreateFolder(host));
}

BOOL RemoveDirectoryW(LPCWSTR pathName) {
  std::string host;
  if (DWORD err = MapPath(pathName, host)) return Fail(err);
  return Result(RemoveFolder(host));
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  std::string host;
  if (DWORD err = MapPath(fileName, host)) {
    SetLastError(err);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat st {};
  if (cmd::os::Stat(host, st) != 0 && cmd::os::LStat(host, st) != 0) {
    SetLastError(LastError(host));
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(st);
}

BOOL SetFileAttributesW(LPCWSTR fileName, DWORD attributes) {
  std::string host;
  if (DWORD err = MapPath(fileName, host)) return Fail(err);
  struct stat st {};
  if (cmd::os::Stat(host, st) != 0) return Fail(LastError(host));
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
  if (cmd::os::Chmod(host, mode) != 0) return Fail(LastError(host));
  return TRUE;
}

BOOL GetDiskFreeSpaceExW(LPCWSTR directory, ULARGE_INTEGER* freeBytesAvailable,
                         ULARGE_INTEGER* totalBytes, ULARGE_INTEGER* totalFreeBytes) {
  std::string host = ".";
  if (directory && *directory) {
    if (DWORD err = MapPath(directory, host)) return Fail(err);
  }
  struct statvfs vfs {};
  if (cmd::os::StatFs(host, vfs) != 0) return Fail(FolderError(host));
  ULONGLONG unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
  if (freeBytesAvailable) freeBytesAvailable->QuadPart = ULONGLONG(vfs.f_bavail) * unit;
  if (totalBytes) totalBytes->QuadPart = ULONGLONG(vfs.f_blocks) * unit;
  if (totalFreeBytes) totalFreeBytes->QuadPart = ULONGLONG(vfs.f_bfree) * unit;
  return TRUE;
}

BOOL GetDiskFreeSpaceW(LPCWSTR rootPath, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters) {
  std::string host = ".";
  if (rootPath && *rootPath) {
    if (DWORD err = MapPath(rootPath, host)) return Fail(err);
  }
  struct statvfs vfs {};
  if (cmd::os::StatFs(host, vfs) != 0) return Fail(FolderError(host));
  ULONGLONG cluster = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
  DWORD sector = cluster >= 512 ? 512 : static_cast<DWORD>(std::max<ULONGLONG>(cluster, 1));
  auto clamp = [](ULONGLONG v) {
    return static_cast<DWORD>(std::min<ULONGLONG>(v, std::numeric_limits<DWORD>::max()));
  };
  if (sectorsPerCluster) *sectorsPerCluster = clamp(std::max<ULONGLONG>(cluster / sector, 1));
  if (bytesPerSector) *bytesPerSector = sector;
  if (freeClusters) *freeClusters = clamp(vfs.f_bavail);
  if (totalClusters) *totalClusters = clamp(vfs.f_blocks);
  return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  auto value = [](const FILETIME* f) {
    return f ? (std::uint64_t(f->dwHighDateTime) << 32) | f->dwLowDateTime : 0;
  };
  std::uint64_t x = value(a), y = value(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  std::string folder = cmd::path::GetWindowsFolder();
  if (folder.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  return CopyOut(cmd::path::FromHost(folder), buffer, size);
}

DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer) {
  std::string cwd = HostCurrentDirectory();
  if (cwd.empty()) {
    SetLastError(LastError(""));
    return 0;
  }
  return CopyOut(cmd::path::FromHost(cwd), buffer, size);
}

BOOL SetCurrentDirectoryW(LPCWSTR pathName) {
  std::string host;
  if (DWORD err = MapPath(pathName, host)) return Fail(err);
  struct stat st {};
  if (cmd::os::Stat(host, st) != 0) return Fail(LastError(host));
  if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
  if (::chdir(host.c_str()) != 0) return Fail(LastError(host));
  return TRUE;
}

DWORD GetTempPathW(DWORD size, LPWSTR buffer) {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = (tmp && tmp[0] == '/') ? tmp : "/tmp";
  if (folder.back() != '/') folder += '/';
  return CopyOut(cmd::path::FromHost(folder), buffer, size);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  if (module) return Fail(ERROR_MOD_NOT_FOUND);
  std::vector<char> link(4096);
  ssize_t n = ::readlink("/proc/self/exe", link.data(), link.size() - 1);
  if (n < 0) return Fail(LastError("/proc/self/exe"));
  std::u16string path = cmd::path::FromHost(std::string_view(link.data(), static_cast<size_t>(n)));
  if (!buffer || size == 0) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (path.size() < size) {
    std::copy(path.begin(), path.end(), buffer);
    buffer[path.size()] = 0;
    return static_cast<DWORD>(path.size());
  }
  std::copy(path.begin(), path.begin() + (size - 1), buffer);
  buffer[size - 1] = 0;
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}
