// Folder listings of the application framework: CFileFind.
//
//     CFileFind finder;
//     BOOL more = finder.FindFile(u"C:\\inst\\MASTER\\電気\\zai*.mst");
//     while (more) {
//       more = finder.FindNextFile();  // steps onto the next entry
//       if (finder.IsDots() || finder.IsDirectory()) continue;
//       ... finder.GetFileName(), finder.GetLastWriteTime(&ft) ...
//     }
//
// The pattern's folder goes through the path mapping (winpath.h); its last
// component is a Windows wildcard (MatchesWildcard). Entries come in the
// file system's own order, each taken when FindFile runs; a folder other
// than a drive root lists "." and ".." first, as Windows does.
#pragma once

#include <memory>
#include <string_view>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

namespace cmd::path {

// Windows' wildcard matching of a file name, as FindFirstFile does it:
//   "*" matches any run of characters, "?" any one character;
//   "?" also matches nothing at the end of the name or before a dot
//   ("a?.txt" matches "a.txt");
//   a dot followed by "*" or "?", or ending the pattern, also matches the
//   end of the name ("abc.*" matches "abc", "*." matches names without a
//   dot), so "*.*" matches every name;
//   a "*" followed by a dot does not pass over the name's last dot;
//   ASCII letters match without regard to case.
// (Windows also tries the 8.3 short name of a file; there are none here.)
CMD_PLATFORM_API bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name);

}  // namespace cmd::path

class CMD_PLATFORM_API CFileFind {
 public:
  CFileFind();
  virtual ~CFileFind();
  CFileFind(const CFileFind&) = delete;
  CFileFind& operator=(const CFileFind&) = delete;

  // Starts a listing (nullptr means "*.*" in the current folder). FALSE,
  // with ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND in GetLastError, when
  // nothing matches. Call FindNextFile before looking at the first entry.
  virtual BOOL FindFile(const char16_t* pattern = nullptr, DWORD flags = 0);
  // Steps onto the next entry; FALSE when that entry is the last one (it
  // can still be looked at) or when there is none (ERROR_NO_MORE_FILES).
  virtual BOOL FindNextFile();
  void Close();

  // The entry's name ("zairyou1.mst"), its path (the pattern's folder as
  // given, made absolute with the current folder, plus the name), its name
  // without extension, and the pattern's folder with a trailing separator.
  CString GetFileName() const;
  CString GetFilePath() const;
  CString GetFileTitle() const;
  CString GetRoot() const;

  ULONGLONG GetLength() const;
  // Times in FILETIME units, to the nanosecond where the file system keeps
  // them. Windows' creation time is the host's status-change time.
  BOOL GetLastWriteTime(FILETIME* time) const;
  BOOL GetLastAccessTime(FILETIME* time) const;
  BOOL GetCreationTime(FILETIME* time) const;

  BOOL IsDirectory() const;
  BOOL IsDots() const;  // "." or ".."
  BOOL IsReadOnly() const;
  BOOL IsArchived() const;
  // Whether the entry has any of the FILE_ATTRIBUTE_* bits in mask.
  BOOL MatchesMask(DWORD mask) const;

 private:
  struct Listing;
  std::unique_ptr<Listing> listing_;
};
