// Host file-system wrappers and the fault-injection seam.
#include "cmddll3/platform/osfile.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <random>

namespace cmd::os {
namespace {

std::mutex g_mutex;
FaultHook g_hook;
std::map<int, std::string> g_paths;  // descriptor -> host path, for the hook

int Injected(FileStep step, const std::string& path) {
  FaultHook hook;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    hook = g_hook;
  }
  return hook ? hook(step, path) : 0;
}

bool Fail(int err) {
  if (err == 0) return false;
  errno = err;
  return true;
}

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

FaultHook SetFaultHook(FaultHook hook) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::swap(g_hook, hook);
  return hook;
}

std::string PathOf(int fd) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_paths.find(fd);
  return it == g_paths.end() ? std::string() : it->second;
}

int Open(const std::string& hostPath, int flags, mode_t mode) {
  if (Fail(Injected(FileStep::Open, hostPath))) return -1;
  int fd;
  do {
    fd = ::open(hostPath.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_paths[fd] = hostPath;
  }
  return fd;
}

ssize_t Read(int fd, void* buf, size_t n) {
  if (Fail(Injected(FileStep::Read, PathOf(fd)))) return -1;
  ssize_t r;
  do {
    r = ::read(fd, buf, n);
  } while (r < 0 && errno == EINTR);
  return r;
}

ssize_t Write(int fd, const void* buf, size_t n) {
  if (Fail(Injected(FileStep::Write, PathOf(fd)))) return -1;
  const char* p = static_cast<const char*>(buf);
  size_t done = 0;
  while (done < n) {
    ssize_t w = ::write(fd, p + done, n - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += static_cast<size_t>(w);
  }
  return static_cast<ssize_t>(n);
}

int Flush(int fd) {
  if (Fail(Injected(FileStep::Flush, PathOf(fd)))) return -1;
  return ::fsync(fd);
}

int Close(int fd) {
  std::string path = PathOf(fd);
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_paths.erase(fd);
  }
  int err = Injected(FileStep::Close, path);
  int r = ::close(fd);  // the descriptor is released even when a failure is injected
  if (Fail(err)) return -1;
  return r;
}

int Rename(const std::string& from, const std::string& to) {
  if (Fail(Injected(FileStep::Rename, from))) return -1;
  return ::rename(from.c_str(), to.c_str());
}

int Remove(const std::string& hostPath) {
  if (Fail(Injected(FileStep::Remove, hostPath))) return -1;
  return ::unlink(hostPath.c_str());
}

int RenameNoReplace(const std::string& from, const std::string& to) {
  if (Fail(Injected(FileStep::Rename, from))) return -1;
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return -1;
#endif
  // File systems without the atomic form: check, then rename.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from.c_str(), to.c_str());
}

off_t Seek(int fd, off_t offset, int whence) {
  if (Fail(Injected(FileStep::Seek, PathOf(fd)))) return -1;
  return ::lseek(fd, offset, whence);
}

int Truncate(int fd, off_t length) {
  if (Fail(Injected(FileStep::Truncate, PathOf(fd)))) return -1;
  int r;
  do {
    r = ::ftruncate(fd, length);
  } while (r < 0 && errno == EINTR);
  return r;
}

int MakeDir(const std::string& hostPath, mode_t mode) {
  if (Fail(Injected(FileStep::MakeDir, hostPath))) return -1;
  return ::mkdir(hostPath.c_str(), mode);
}

int RemoveDir(const std::string& hostPath) {
  if (Fail(Injected(FileStep::RemoveDir, hostPath))) return -1;
  return ::rmdir(hostPath.c_str());
}

bool ListFolder(const std::string& hostPath, std::vector<std::string>& names) {
  names.clear();
  if (Fail(Injected(FileStep::List, hostPath))) return false;
  DIR* dir = ::opendir(hostPath.empty() ? "." : hostPath.c_str());
  if (!dir) return false;
  errno = 0;
  while (dirent* e = ::readdir(dir)) {
    std::string_view name = e->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  int err = errno;
  ::closedir(dir);
  errno = err;
  return err == 0;
}

int Stat(const std::string& hostPath, struct stat& st) { return ::stat(hostPath.c_str(), &st); }
int LStat(const std::string& hostPath, struct stat& st) { return ::lstat(hostPath.c_str(), &st); }
int FStat(int fd, struct stat& st) { return ::fstat(fd, &st); }
int StatFs(const std::string& hostPath, struct statvfs& st) {
  return ::statvfs(hostPath.c_str(), &st);
}
int Chmod(const std::string& hostPath, mode_t mode) { return ::chmod(hostPath.c_str(), mode); }
int SetTimes(int fd, const struct timespec times[2]) { return ::futimens(fd, times); }

bool ReadRest(int fd, std::string& bytes) {
  bytes.clear();
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t r = Read(fd, buf, sizeof buf);
    if (r < 0) return false;
    if (r == 0) return true;
    bytes.append(buf, static_cast<size_t>(r));
  }
}

bool ReadAll(const std::string& hostPath, std::string& bytes) {
  bytes.clear();
  int fd = Open(hostPath, O_RDONLY);
  if (fd < 0) return false;
  if (!ReadRest(fd, bytes)) {
    int e = errno;
    Close(fd);
    errno = e;
    return false;
  }
  return Close(fd) == 0;
}

int Lock(int fd, bool exclusive) {
  int r;
  do {
    r = ::flock(fd, exclusive ? LOCK_EX : LOCK_SH);
  } while (r < 0 && errno == EINTR);
  return r;
}

int TryLock(int fd, bool exclusive) {
  int r;
  do {
    r = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (r < 0 && errno == EINTR);
  return r;
}

int Unlock(int fd) { return ::flock(fd, LOCK_UN); }

bool IsSameFile(int fd, const std::string& hostPath) {
  struct stat open {}, named {};
  if (::fstat(fd, &open) != 0 || ::stat(hostPath.c_str(), &named) != 0) return false;
  return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

namespace {

std::string StagingName(const std::string& folder) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  char name[40];
  snprintf(name, sizeof name, "/.~cmd%016llx.tmp", static_cast<unsigned long long>(rng()));
  return folder + name;
}

constexpr std::string_view kStagingPrefix = ".~cmd", kStagingSuffix = ".tmp";
constexpr std::size_t kStagingDigits = 16;

void Track(int fd, const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_paths[fd] = path;
}

// The staging file was created with mode 0666, which the kernel cut by the
// process's umask (or a default ACL); a replaced file's mode is copied over.
bool FillStaging(int fd, std::optional<mode_t> keepMode, std::string_view bytes) {
  if (keepMode) ::fchmod(fd, *keepMode);
  return Write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
         Flush(fd) == 0;
}

// Gives the unnamed file open on fd the name `path`.
bool LinkUnnamed(int fd, const std::string& path) {
#ifdef AT_EMPTY_PATH
  if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno == EEXIST) return false;
#endif
  char self[40];
  snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, self, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Writes the staging file without a name (O_TMPFILE) and names it only when
// it is complete, so that a process that dies while writing leaves nothing
// in the folder. 1: staged as `temp`; 0: failed (errno set); -1: the file
// system cannot do this, use a named staging file.
int StageUnnamed(const std::string& folder, std::string& temp, std::optional<mode_t> mode,
                 std::string_view bytes) {
#ifdef O_TMPFILE
  int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  Track(fd, temp);
  bool ok = FillStaging(fd, mode, bytes);
  bool named = false;
  for (int attempt = 0; ok && !named && attempt < 16; ++attempt) {
    if (attempt > 0) temp = StagingName(folder);
    named = LinkUnnamed(fd, temp);
    if (!named && errno != EEXIST) break;
  }
  int err = errno;
  if (Close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    if (named) ::unlink(temp.c_str());
    errno = err;
    return 0;
  }
  return named ? 1 : -1;
#else
  (void)folder, (void)temp, (void)mode, (void)bytes;
  return -1;
#endif
}

// Creates a file under a fresh staging name (mode as the umask allows); -1
// when no name is free.
int CreateNamed(const std::string& folder, std::string& temp, mode_t mode) {
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    if (attempt > 0) temp = StagingName(folder);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) return -1;
  }
  if (fd >= 0) Track(fd, temp);
  return fd;
}

// The classic way: a staging file with a name from the start.
bool StageNamed(const std::string& folder, std::string& temp, std::optional<mode_t> mode,
                std::string_view bytes) {
  int fd = CreateNamed(folder, temp, 0666);
  if (fd < 0) return false;
  bool ok = FillStaging(fd, mode, bytes);
  int err = errno;
  if (Close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    errno = err;
  }
  return ok;
}

}  // namespace

int CreateStagingFile(const std::string& hostFolder, std::string& hostPath, mode_t mode) {
  const std::string folder = hostFolder.empty() ? std::string(".") : hostFolder;
  hostPath = StagingName(folder);
  if (Fail(Injected(FileStep::Open, hostPath))) return -1;
  return CreateNamed(folder, hostPath, mode);
}

bool ResolveLinks(const std::string& hostPath, std::string& target) {
  constexpr int kMaxLinks = 40;  // the kernel's own limit
  std::string path = hostPath;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      target = std::move(path);
      return true;
    }
    std::string link(static_cast<std::size_t>(st.st_size) + 1, '\0');
    ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) >= link.size()) continue;  // the link changed: read it again
    link.resize(static_cast<std::size_t>(n));
    path = (link.empty() || link[0] == '/') ? link : FolderOf(path) + "/" + link;
  }
  errno = ELOOP;
  return false;
}

bool IsStagingName(std::string_view name) {
  if (name.size() != kStagingPrefix.size() + kStagingDigits + kStagingSuffix.size() ||
      name.substr(0, kStagingPrefix.size()) != kStagingPrefix ||
      name.substr(name.size() - kStagingSuffix.size()) != kStagingSuffix)
    return false;
  std::string_view digits = name.substr(kStagingPrefix.size(), kStagingDigits);
  return std::all_of(digits.begin(), digits.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool ReplaceAtomically(const std::string& linkOrFile, std::string_view bytes) {
  std::string hostPath;
  if (!ResolveLinks(linkOrFile, hostPath)) return false;
  struct stat st {};
  std::optional<mode_t> mode;
  if (::stat(hostPath.c_str(), &st) == 0) mode = st.st_mode & 07777;

  std::string folder = FolderOf(hostPath);
  std::string temp = StagingName(folder);
  // The fault hook sees the staging file's name at every step, named or not.
  if (Fail(Injected(FileStep::Open, temp))) return false;
  int staged = StageUnnamed(folder, temp, mode, bytes);
  if (staged == 0) return false;
  if (staged < 0 && !StageNamed(folder, temp, mode, bytes)) return false;
  if (Rename(temp, hostPath) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    errno = err;
    return false;
  }
  // Make the rename itself durable.
  int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace cmd::os
