// The Windows kernel's file functions on the host's file system.
//
// Paths are Windows-form (see winpath.h) and go through cmd::path::ToHost;
// every host call goes through the file seam of osfile.h. Each function
// reports failure as the Windows call does: FALSE (or the documented
// failure value) with the Windows error in GetLastError. A path of MAX_PATH
// units or more is refused with ERROR_FILENAME_EXCED_RANGE.
//
// Files have the attributes Windows would show for them: a folder is
// FILE_ATTRIBUTE_DIRECTORY, a file FILE_ATTRIBUTE_ARCHIVE, and an entry whose
// owner may not write it is FILE_ATTRIBUTE_READONLY (such a file cannot be
// deleted or overwritten, as on Windows). Sharing modes do not exist here.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "cmddll3/platform/windef.h"

// Windows errors used by the file functions, beyond those of windef.h.
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_CURRENT_DIRECTORY = 16;
constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_LOCK_VIOLATION = 33;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_BAD_PATHNAME = 161;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_IO_DEVICE = 1117;

// File attributes.
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x00000004;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x00000100;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

namespace cmd {

// The Windows error for a host errno value. For ENOENT with a host path,
// ERROR_PATH_NOT_FOUND when the path's folder is missing too, else
// ERROR_FILE_NOT_FOUND, as Windows tells the two apart.
CMD_PLATFORM_API DWORD WinErrorFromErrno(int hostErrno, const std::string& hostPath = {});
// The C runtime's errno for a Windows error (ERROR_FILE_NOT_FOUND: ENOENT,
// ERROR_ACCESS_DENIED: EACCES, ERROR_ALREADY_EXISTS: EEXIST, ...).
CMD_PLATFORM_API int ErrnoFromWinError(DWORD winError);

// FILETIME (100-nanosecond units since 1601-01-01 UTC) of a host time.
CMD_PLATFORM_API FILETIME FileTimeFromUnix(std::time_t seconds, long nanoseconds = 0);
// Seconds since 1970 of a FILETIME (the fraction dropped).
CMD_PLATFORM_API std::time_t UnixFromFileTime(const FILETIME& ft);

}  // namespace cmd

namespace cmd::path {

// The "Windows folder": where a bare file name of the profile functions
// lives (win.ini and friends). By default the per-user configuration folder
// ($XDG_CONFIG_HOME, else $HOME/.config); an empty folder restores the
// default. GetWindowsFolder gives "" when no folder is known.
CMD_PLATFORM_API void SetWindowsFolder(std::string hostFolder);
CMD_PLATFORM_API std::string GetWindowsFolder();

// The per-user folders behind SHGetFolderPathW, as host paths without a
// trailing separator; "" when neither the XDG variable nor HOME is set.
CMD_PLATFORM_API std::string UserConfigFolder();  // $XDG_CONFIG_HOME, $HOME/.config
CMD_PLATFORM_API std::string UserDataFolder();    // $XDG_DATA_HOME, $HOME/.local/share

}  // namespace cmd::path

// Copies a file with its content, permissions and last-write time. With
// failIfExists, an existing destination fails with ERROR_FILE_EXISTS;
// otherwise it is replaced (unless it is read-only: ERROR_ACCESS_DENIED).
// The copy is written beside the destination and renamed over it, so a
// failed copy leaves the old destination as it was.
CMD_PLATFORM_API BOOL CopyFileW(LPCWSTR existingFile, LPCWSTR newFile, BOOL failIfExists);
// Deletes a file; a folder or a read-only file gives ERROR_ACCESS_DENIED.
CMD_PLATFORM_API BOOL DeleteFileW(LPCWSTR fileName);
// Moves or renames a file or folder; fails with ERROR_ALREADY_EXISTS when
// the new name exists. A file moves to another file system by copying.
CMD_PLATFORM_API BOOL MoveFileW(LPCWSTR existingFile, LPCWSTR newFile);
// Creates one folder (not its parents): ERROR_ALREADY_EXISTS when it
// exists, ERROR_PATH_NOT_FOUND when its parent is missing. The security
// attributes are ignored.
CMD_PLATFORM_API BOOL CreateDirectoryW(LPCWSTR pathName, void* securityAttributes = nullptr);
// Removes an empty folder: ERROR_DIR_NOT_EMPTY, ERROR_DIRECTORY for a file.
CMD_PLATFORM_API BOOL RemoveDirectoryW(LPCWSTR pathName);
// The attributes of a file or folder, INVALID_FILE_ATTRIBUTES if missing.
CMD_PLATFORM_API DWORD GetFileAttributesW(LPCWSTR fileName);
// Only FILE_ATTRIBUTE_READONLY has an effect: with it, the write permission
// of owner, group and others is taken away; without it, the owner's write
// permission is given back.
CMD_PLATFORM_API BOOL SetFileAttributesW(LPCWSTR fileName, DWORD attributes);

// Free space of the disk that holds `directory` (the current folder's disk
// for nullptr): bytes available to the caller, total bytes, free bytes.
// Null output pointers are skipped.
CMD_PLATFORM_API BOOL GetDiskFreeSpaceExW(LPCWSTR directory, ULARGE_INTEGER* freeBytesAvailable,
                                          ULARGE_INTEGER* totalBytes,
                                          ULARGE_INTEGER* totalFreeBytes);
// The same in clusters: a cluster is the file system's fragment size, a
// sector 512 bytes; cluster counts above 0xFFFFFFFF are clamped.
CMD_PLATFORM_API BOOL GetDiskFreeSpaceW(LPCWSTR rootPath, DWORD* sectorsPerCluster,
                                        DWORD* bytesPerSector, DWORD* freeClusters,
                                        DWORD* totalClusters);

// -1, 0 or 1 as a is earlier than, equal to or later than b.
CMD_PLATFORM_API LONG CompareFileTime(const FILETIME* a, const FILETIME* b);

// Buffer protocol of the functions below, as Windows has it: with room
// enough, the text is copied with its terminator and the result is its
// length without the terminator; otherwise nothing is copied and the result
// is the size needed, terminator included. 0 means failure.
CMD_PLATFORM_API UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
CMD_PLATFORM_API DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer);
CMD_PLATFORM_API BOOL SetCurrentDirectoryW(LPCWSTR pathName);
// The temporary folder ($TMPDIR, else /tmp) with a trailing separator.
CMD_PLATFORM_API DWORD GetTempPathW(DWORD size, LPWSTR buffer);
// The running program's path (module nullptr only; other modules fail with
// ERROR_MOD_NOT_FOUND). A short buffer receives the path cut to size - 1
// units and terminated; the result is then `size` with
// ERROR_INSUFFICIENT_BUFFER.
CMD_PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
