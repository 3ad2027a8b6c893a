// File and folder helpers: listings, deleting by wildcard, folder chains,
// sizes and free space, safe file names and the dialog combo boxes.
#include "cmddll3/fileutil.h"

#include <algorithm>
#include <string>
#include <vector>

#include "cmddll3/platform/crtfile.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/filefind.h"
#include "cmddll3/platform/shell.h"

namespace {

// Passes of the wildcard delete: the names one pass lists, and the count
// that makes it list again.
constexpr int kDeletePass = 3000;
constexpr int kDeletePass2 = 99000;
constexpr int kRepeatWhenFound = 1000;
constexpr int kComboListLimit = 3000;
constexpr int kFileNamePasses = 5;
constexpr int kDriveEntryUnits = 32;  // 31 characters and a terminator

// Walks the entries matching a pattern, "." and ".." left out. An empty
// pattern matches nothing, as the system's own search finds nothing for it.
template <class Visit>
void ForEachEntry(const CString& pattern, Visit visit) {
  if (pattern.IsEmpty()) return;
  CFileFind finder;
  BOOL more = finder.FindFile(pattern);
  while (more) {
    more = finder.FindNextFile();
    if (finder.IsDots()) continue;
    if (!visit(finder)) break;
  }
}

int DeleteMatching(const CString& folder, const CString& wildcard, int passSize) {
  char16_t pattern[MAX_PATH];
  if (!PathCombineW(pattern, folder, wildcard)) return 1;  // too long: matches nothing
  std::vector<CString> names(static_cast<std::size_t>(passSize));
  for (;;) {
    int found = dir_ext(pattern, names.data(), passSize);
    for (int i = 0; i < found; ++i) {
      CString file;
      file.Format(u"%s%s", folder, names[i]);
      CFile::Remove(file);  // a failure reaches the caller
    }
    // A pass of exactly 1000 names is taken as a sign of more; other
    // counts end the delete, even when the pass was full.
    if (found != kRepeatWhenFound) break;
  }
  return 1;
}

int CountBackslashes(std::u16string_view path) {
  return static_cast<int>(std::count(path.begin(), path.end(), u'\\'));
}

// The path as one level of the folder chain takes it: without a trailing
// backslash, unless the path is that backslash alone.
std::u16string ChainLevel(std::u16string path) {
  if (path.size() > 1 && path.back() == u'\\') path.pop_back();
  return path;
}

// Creates one folder of the chain when it is missing.
int MakeOneFolder(const std::u16string& path) {
  if (_waccess(path.c_str(), 0) == 0) return 0;
  return _wmkdir(path.c_str()) == 0 ? 0 : -1;
}

}  // namespace

// ---- Listings

int dir_ext(CString pattern, CString* names, int capacity) {
  if (!names || capacity < 1) return 0;
  int count = 0;
  ForEachEntry(pattern, [&](const CFileFind& entry) {
    if (!entry.IsDirectory()) names[count++] = entry.GetFileName();
    return count < capacity;
  });
  return count;
}

int dir_filespath(std::vector<CString>& list, CString pattern) {
  int count = 0;
  ForEachEntry(pattern, [&](const CFileFind& entry) {
    if (!entry.IsDirectory()) {
      list.push_back(entry.GetFilePath());
      ++count;
    }
    return true;
  });
  return count;
}

int dirdirectory(std::vector<CString>& list, CString pattern) {
  ForEachEntry(pattern, [&](const CFileFind& entry) {
    if (entry.IsDirectory()) list.push_back(entry.GetFileName());
    return true;
  });
  return static_cast<int>(list.size());
}

// ---- Deleting, creating, measuring

int deletefile(CString folder, CString wildcard) {
  return DeleteMatching(folder, wildcard, kDeletePass);
}

int deletefile2(CString folder, CString wildcard) {
  return DeleteMatching(folder, wildcard, kDeletePass2);
}

int mymkdir(const char16_t* path) {
  if (!path || !path[0]) return 1;
  // Each level with two or more backslashes first makes its parent (the
  // path cut at its last backslash); a level with one or none has no parent
  // to make. The parents' results do not count.
  std::vector<std::u16string> chain{ChainLevel(path)};
  while (CountBackslashes(chain.back()) >= 2) {
    const std::u16string& level = chain.back();
    chain.push_back(ChainLevel(level.substr(0, level.rfind(u'\\'))));
  }
  for (std::size_t i = chain.size(); i-- > 1;) MakeOneFolder(chain[i]);
  return MakeOneFolder(chain.front());
}

int MyGetFileSize(CString path) {
  try {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return -1;
    return static_cast<int>(static_cast<DWORD>(file.GetLength()));
  } catch (const CFileException&) {
    return -1;
  }
}

int IsExist(CString path) { return PathFileExistsW(path) ? 1 : 0; }

int FreeSize(CString folder, double* freeBytes, int* percent) {
  if (freeBytes) *freeBytes = 0;
  ULARGE_INTEGER available{}, total{};
  if (!GetDiskFreeSpaceExW(folder, &available, &total, nullptr)) return 0;
  double free = static_cast<double>(available.QuadPart);
  if (freeBytes) *freeBytes = free;
  if (percent)
    *percent = total.QuadPart ? static_cast<int>(free * 100 / static_cast<double>(total.QuadPart))
                              : 0;
  return 0;
}

// ---- Texts

CString FileNameFormat(char16_t* text) {
  if (!text) return CString();
  static constexpr std::u16string_view kUnsafe = u"\\/;:*?<>|. \"";
  std::size_t length = wcslen16(text);
  for (int pass = 0; pass < kFileNamePasses; ++pass) {
    for (char16_t c : kUnsafe) {
      char16_t* hit = std::find(text, text + length, c);
      if (hit != text + length) *hit = u'_';
    }
  }
  return CString(text);
}

void GetBuff(char16_t* destination, const char16_t* source) {
  if (!destination) return;
  std::size_t n = source ? wcslen16(source) : 0;
  while (n > 0 && source[n - 1] == u' ') --n;
  if (n) std::copy_n(source, n, destination);  // source may be destination
  destination[n] = 0;
}

// ---- Dialog combo boxes

int MyDlgDirList(CWnd* dialog, const char16_t* pattern, int controlId, int withExtension) {
  std::vector<CString> names(kComboListLimit);
  int count = dir_ext(pattern ? pattern : u"", names.data(), kComboListLimit);
  HWND window = dialog ? dialog->m_hWnd : nullptr;
  SendDlgItemMessageW(window, controlId, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < count; ++i) {
    CString shown = names[i];
    if (withExtension != 1) {
      char16_t title[_MAX_FNAME];
      _wsplitpath(names[i], nullptr, nullptr, title, nullptr);
      shown = title;
    }
    SendDlgItemMessageW(window, controlId, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(shown.GetString()));
  }
  return count;
}

CString MyDlgDirSelectComboBox(HWND dialog, int controlId) {
  char16_t entry[kDriveEntryUnits] = {};
  GetDlgItemTextW(dialog, controlId, entry, kDriveEntryUnits);
  // "[-a-]": the drive letter is the third character.
  if (wcslen16(entry) < 3) return CString();
  CString drive(entry[2]);
  drive += u':';
  return drive;
}
