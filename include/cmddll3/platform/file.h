// Binary files of the application framework: CFile and its exception.
//
// CFileException is thrown BY VALUE and caught by reference:
//
//     try { CFile::Remove(path); }
//     catch (const CFileException& e) { ... e.m_cause ... }
//
// (the framework threw pointers that the catcher deleted; a value needs no
// Delete and cannot leak). Every CFile member that fails throws one, with
// the framework's cause, the Windows error and the file's name; Open alone
// reports through its optional CFileException argument instead.
#pragma once

#include <ctime>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// The root of the framework's exceptions.
class CMD_PLATFORM_API CException {
 public:
  virtual ~CException() = default;
  // Copies the message into buffer (at most maxChars units, terminator
  // included); helpContext, when given, receives the message's help id.
  virtual BOOL GetErrorMessage(char16_t* buffer, UINT maxChars, UINT* helpContext = nullptr) const;
};

class CMD_PLATFORM_API CFileException : public CException {
 public:
  // The framework's causes, in its order (values 0 to 14).
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
  };

  explicit CFileException(int cause = none, LONG osError = -1, const char16_t* fileName = nullptr);

  // The framework's text for the cause with the file name in it, for
  // example "Access to C:\data\a.mst was denied."; a missing name reads
  // "an unnamed file". Always succeeds.
  BOOL GetErrorMessage(char16_t* buffer, UINT maxChars, UINT* helpContext = nullptr) const override;
  CString GetErrorMessage() const;

  // The cause the framework gives a Windows error (ERROR_FILE_NOT_FOUND:
  // fileNotFound, ERROR_PATH_NOT_FOUND and ERROR_FILENAME_EXCED_RANGE:
  // badPath, ERROR_ACCESS_DENIED and ERROR_ALREADY_EXISTS: accessDenied,
  // ERROR_DISK_FULL: diskFull, ...); genericException for the others.
  static int OsErrorToException(LONG osError);
  // Throws a CFileException for a Windows error (nothing for 0).
  [[noreturn]] static void ThrowOsError(LONG osError, const char16_t* fileName = nullptr);

  int m_cause;
  LONG m_lOsError;  // the Windows error, -1 when there is none
  CString m_strFileName;
};

// What CFile::GetStatus reports. Times are seconds since 1970 (the
// framework's CTime).
struct CFileStatus {
  std::time_t m_ctime = 0;  // status change (Windows: creation)
  std::time_t m_mtime = 0;  // last write
  std::time_t m_atime = 0;  // last access
  ULONGLONG m_size = 0;
  BYTE m_attribute = 0;     // FILE_ATTRIBUTE_* bits of the low byte
  char16_t m_szFullName[MAX_PATH] = {};
};

class CMD_PLATFORM_API CFile {
 public:
  // Open flags: one access mode, one share mode, and modifiers.
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,   // meaningful to text streams only
    typeBinary = 0x8000,
  };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

  CFile() = default;
  // Opens the file or throws CFileException.
  CFile(const char16_t* fileName, UINT openFlags);
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  // Closes an open file; errors are not reported (use Close to see them).
  virtual ~CFile();

  // Opens a file: modeCreate creates it or empties it (keeps it with
  // modeNoTruncate); without modeCreate it must exist. Share modes are
  // accepted and have no effect. A folder cannot be opened
  // (accessDenied). On failure returns FALSE and, when error is given,
  // fills it with the cause, the Windows error and the file name.
  virtual BOOL Open(const char16_t* fileName, UINT openFlags, CFileException* error = nullptr);

  // Reads up to count bytes; fewer only at the end of the file.
  virtual UINT Read(void* buffer, UINT count);
  // Writes all count bytes (a full disk throws diskFull).
  virtual void Write(const void* buffer, UINT count);
  // Moves the position; a position before the start throws badSeek.
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetPosition() const;
  virtual ULONGLONG GetLength() const;
  // Cuts or extends (with zero bytes) the file; the position stays.
  virtual void SetLength(ULONGLONG newLength);
  // Writes the file's data through to the disk.
  virtual void Flush();
  // Closes the file; throws when the system reports a failure (the file is
  // closed all the same).
  virtual void Close();
  // Closes the file, ignoring every failure.
  virtual void Abort();

  bool IsOpen() const { return fd_ >= 0; }
  // The path as given to Open, its last component, and that name without
  // its extension.
  CString GetFilePath() const { return path_; }
  CString GetFileName() const;
  CString GetFileTitle() const;
  BOOL GetStatus(CFileStatus& status) const;

  // FALSE when the file does not exist.
  static BOOL GetStatus(const char16_t* fileName, CFileStatus& status);
  // Deletes a file; throws CFileException (with the file's name) when it
  // cannot: fileNotFound, badPath, accessDenied (a folder, a read-only
  // file), ...
  static void Remove(const char16_t* fileName);
  // Renames or moves a file or folder; throws CFileException naming the old
  // file when it cannot, accessDenied when the new name exists.
  static void Rename(const char16_t* oldName, const char16_t* newName);

 protected:
  // Throws the exception for a failed step of this file.
  [[noreturn]] void ThrowError(DWORD winError) const;
  int fd_ = -1;
  CString path_;
  std::string hostPath_;
};
