// The one place where the platform touches the host's file system.
//
// Every file operation of the platform (text streams, binary files, settings
// files, copies, listings) goes through these wrappers. They are also the
// test seam: a test can make a chosen step fail, for the fault-injection
// tests of the master rewrite and the settings writer.
#pragma once

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <time.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/windef.h"

namespace cmd::os {

// The steps a test can make fail. Seek and Truncate act on a descriptor;
// MakeDir, RemoveDir and List on a folder.
enum class FileStep { Open, Read, Write, Flush, Close, Rename, Remove,
                      Seek, Truncate, MakeDir, RemoveDir, List };

// Called before each step with the host path involved (for Read, Write,
// Flush and Close: the path the descriptor was opened with). Returning a
// non-zero errno value makes the step fail with that error without doing
// it. Returns the previous hook; an empty hook injects nothing.
using FaultHook = std::function<int(FileStep step, const std::string& hostPath)>;
CMD_PLATFORM_API FaultHook SetFaultHook(FaultHook hook);

// POSIX-style wrappers: -1 (or false) with errno set on failure.
CMD_PLATFORM_API int Open(const std::string& hostPath, int flags, mode_t mode = 0666);
// Reads up to n bytes; retries on EINTR. Returns bytes read, 0 at end, -1.
CMD_PLATFORM_API ssize_t Read(int fd, void* buf, size_t n);
// Writes all n bytes (looping over short writes). Returns n or -1.
CMD_PLATFORM_API ssize_t Write(int fd, const void* buf, size_t n);
CMD_PLATFORM_API int Flush(int fd);  // fsync
CMD_PLATFORM_API int Close(int fd);
CMD_PLATFORM_API int Rename(const std::string& from, const std::string& to);
CMD_PLATFORM_API int Remove(const std::string& hostPath);  // unlink
// The host path a descriptor was opened with ("" if unknown).
CMD_PLATFORM_API std::string PathOf(int fd);

// Renames like Rename, but fails with EEXIST when `to` exists (atomically
// where the file system can; otherwise checked just before the rename).
CMD_PLATFORM_API int RenameNoReplace(const std::string& from, const std::string& to);
CMD_PLATFORM_API off_t Seek(int fd, off_t offset, int whence);  // lseek
CMD_PLATFORM_API int Truncate(int fd, off_t length);             // ftruncate
CMD_PLATFORM_API int MakeDir(const std::string& hostPath, mode_t mode = 0777);
CMD_PLATFORM_API int RemoveDir(const std::string& hostPath);  // rmdir
// The names in a folder, in the file system's order, without "." and "..".
CMD_PLATFORM_API bool ListFolder(const std::string& hostPath, std::vector<std::string>& names);

// Queries and attribute changes; they never fail by injection.
CMD_PLATFORM_API int Stat(const std::string& hostPath, struct stat& st);   // follows links
CMD_PLATFORM_API int LStat(const std::string& hostPath, struct stat& st);  // the link itself
CMD_PLATFORM_API int FStat(int fd, struct stat& st);
CMD_PLATFORM_API int StatFs(const std::string& hostPath, struct statvfs& st);
CMD_PLATFORM_API int Chmod(const std::string& hostPath, mode_t mode);
// Sets access and modification times of an open file (futimens).
CMD_PLATFORM_API int SetTimes(int fd, const struct timespec times[2]);

// Whole-file helpers built on the wrappers above.
CMD_PLATFORM_API bool ReadAll(const std::string& hostPath, std::string& bytes);
// The file that a chain of symbolic links ends at (hostPath itself when it
// is no link; the target need not exist). False with errno set (ELOOP) when
// the chain does not end.
CMD_PLATFORM_API bool ResolveLinks(const std::string& hostPath, std::string& target);
// Writes bytes to a temporary file in the folder of the file that hostPath
// names (through symbolic links, which stay), flushes it and renames it over
// that file: readers see the old content or the new, never a torn file. A
// replaced file keeps its permissions; a new one gets 0666 less the
// process's umask, applied by the kernel.
CMD_PLATFORM_API bool ReplaceAtomically(const std::string& hostPath, std::string_view bytes);
// True for the name of a staging file of ReplaceAtomically (".~cmd" and 16
// hex digits and ".tmp"), which a process killed between naming it and the
// rename leaves behind.
CMD_PLATFORM_API bool IsStagingName(std::string_view name);

// Creates a new, empty file in hostFolder under a name that no host file
// has, for content that will replace another file (or be used and removed):
// hidden and unique, ".~cmd" + 16 random hexadecimal digits + ".tmp",
// created exclusively (with mode, as the umask allows). Every staging file of
// the platform and of the library is named so. Returns the descriptor, open
// for writing, and the file's host path; -1 with errno set on failure.
CMD_PLATFORM_API int CreateStagingFile(const std::string& hostFolder, std::string& hostPath,
                                       mode_t mode = 0666);

// Advisory lock on an open file (flock): exclusive, or shared when
// `exclusive` is false; waits until granted. Every open descriptor holds its
// own lock, so two threads of one process exclude each other too; the lock
// ends with Unlock, with Close, or when the process ends.
CMD_PLATFORM_API int Lock(int fd, bool exclusive = true);
// Lock without waiting: -1 with errno EWOULDBLOCK while another descriptor
// holds a lock that excludes this one.
CMD_PLATFORM_API int TryLock(int fd, bool exclusive = true);
CMD_PLATFORM_API int Unlock(int fd);
// True while hostPath still names the file open on fd (same device and
// inode); false once the path was replaced, removed or cannot be examined.
CMD_PLATFORM_API bool IsSameFile(int fd, const std::string& hostPath);
// Reads from fd's current position to the end of the file.
CMD_PLATFORM_API bool ReadRest(int fd, std::string& bytes);

}  // namespace cmd::os
