// CFileFind and Windows wildcard matching.
#include "cmddll3/platform/filefind.h"

#include <utility>
#include <vector>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "platform/fileimpl.h"

using namespace cmd::fileimpl;

// --------------------------------------------------------------- matching
namespace cmd::path {
namespace {

// A wildcard pattern becomes a list of tokens, the way Windows rewrites it
// before matching.
enum class Token { Literal, Star, DosStar, DosQm, DosDot };

struct Element {
  Token token;
  char16_t c;  // for Literal
};

std::vector<Element> Compile(std::u16string_view pattern) {
  std::vector<Element> out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char16_t c = pattern[i];
    char16_t next = i + 1 < pattern.size() ? pattern[i + 1] : 0;
    if (c == u'*') out.push_back({next == u'.' ? Token::DosStar : Token::Star, 0});
    else if (c == u'?') out.push_back({Token::DosQm, 0});
    else if (c == u'.' && (next == u'*' || next == u'?' || next == 0)) out.push_back({Token::DosDot, 0});
    else out.push_back({Token::Literal, c});
  }
  return out;
}

char16_t Fold(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

// Matching by dynamic programming over (token, name position), from the
// ends backwards: can[ni] says whether tokens pi.. match name[ni..]. Two
// rows suffice, so any length is matched in O(tokens x name) time.
bool Match(const std::vector<Element>& p, std::u16string_view n) {
  const std::size_t size = n.size();
  const std::size_t lastDot = n.rfind(u'.');
  std::vector<char> next(size + 1, 0), can(size + 1, 0);
  next[size] = 1;  // no tokens left: only the end of the name matches
  for (std::size_t pi = p.size(); pi-- > 0;) {
    const Element& e = p[pi];
    for (std::size_t ni = size + 1; ni-- > 0;) {
      bool atEnd = ni == size;
      bool m = false;
      switch (e.token) {
        case Token::Literal:
          m = !atEnd && Fold(n[ni]) == Fold(e.c) && next[ni + 1];
          break;
        case Token::Star:
          m = next[ni] || (!atEnd && can[ni + 1]);
          break;
        case Token::DosStar:  // never passes over the name's last dot
          m = next[ni] || (!atEnd && ni != lastDot && can[ni + 1]);
          break;
        case Token::DosQm:  // one character, or nothing before a dot or the end
          m = (atEnd || n[ni] == u'.') ? next[ni] : next[ni + 1];
          break;
        case Token::DosDot:  // a dot, or nothing at the end
          m = atEnd ? next[ni] : (n[ni] == u'.' && next[ni + 1]);
          break;
      }
      can[ni] = m;
    }
    std::swap(next, can);
  }
  return next[0] != 0;
}

}  // namespace

bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name) {
  return Match(Compile(pattern), name);
}

}  // namespace cmd::path

// --------------------------------------------------------------- CFileFind
namespace {

struct Entry {
  std::u16string name;
  struct stat st {};
};

// A Windows path names a drive root when nothing but a separator follows its
// drive ("C:\", "\", "C:").
bool IsDriveRoot(std::u16string_view folder) {
  if (folder.size() >= 2 && folder[1] == u':') folder.remove_prefix(2);
  for (char16_t c : folder)
    if (!cmd::path::IsSeparator(c)) return false;
  return true;
}

bool IsRooted(std::u16string_view win) {
  return (!win.empty() && cmd::path::IsSeparator(win[0])) || (win.size() >= 2 && win[1] == u':');
}

}  // namespace

struct CFileFind::Listing {
  std::u16string root;  // the pattern's folder, absolute, with a separator
  std::vector<Entry> entries;
  std::size_t next = 0;      // the entry FindNextFile steps onto
  std::ptrdiff_t current = -1;

  const Entry* Current() const {
    return current >= 0 && static_cast<std::size_t>(current) < entries.size()
               ? &entries[static_cast<std::size_t>(current)]
               : nullptr;
  }
};

CFileFind::CFileFind() = default;
CFileFind::~CFileFind() = default;

void CFileFind::Close() { listing_.reset(); }

BOOL CFileFind::FindFile(const char16_t* pattern, DWORD) {
  Close();
  std::u16string_view full = pattern && *pattern ? pattern : u"*.*";
  if (full.size() >= static_cast<std::size_t>(MAX_PATH)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return FALSE;
  }
  // Split into the folder (with its separator or drive) and the wildcard.
  std::size_t cut = 0;
  for (std::size_t i = 0; i < full.size(); ++i)
    if (cmd::path::IsSeparator(full[i])) cut = i + 1;
  if (cut == 0 && full.size() >= 2 && full[1] == u':') cut = 2;
  std::u16string folder(full.substr(0, cut));
  std::u16string wildcard(full.substr(cut));
  if (wildcard.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }

  std::string hostFolder = ".";
  if (!folder.empty()) {
    if (DWORD err = MapPath(folder.c_str(), hostFolder)) {
      SetLastError(err);
      return FALSE;
    }
  }
  std::vector<std::string> names;
  if (!cmd::os::ListFolder(hostFolder, names)) {
    DWORD err = LastError(hostFolder);
    SetLastError(err == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : err);
    return FALSE;
  }

  auto listing = std::make_unique<Listing>();
  listing->root = folder;
  if (!IsRooted(folder)) {
    char16_t cwd[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, cwd);
    if (n > 0 && n < MAX_PATH) listing->root = std::u16string(cwd) + u"\\" + folder;
  }
  auto add = [&](std::u16string name, const std::string& host) {
    if (!cmd::path::MatchesWildcard(wildcard, name)) return;
    Entry e;
    e.name = std::move(name);
    if (cmd::os::Stat(host, e.st) != 0) cmd::os::LStat(host, e.st);  // a dangling link
    listing->entries.push_back(std::move(e));
  };
  auto hostChild = [&](const std::string& name) {
    if (hostFolder.empty() || hostFolder == ".") return name;
    return hostFolder.back() == '/' ? hostFolder + name : hostFolder + "/" + name;
  };
  if (!IsDriveRoot(folder) || (folder.empty() && hostFolder == ".")) {
    // A relative pattern lists the current folder, which is never a root
    // here; Windows lists "." and ".." first in every other folder.
    add(u".", hostChild("."));
    add(u"..", hostChild(".."));
  }
  for (const std::string& name : names) add(cmd::path::FromHost(name), hostChild(name));

  if (listing->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  listing_ = std::move(listing);
  return TRUE;
}

BOOL CFileFind::FindNextFile() {
  if (!listing_ || listing_->next >= listing_->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  listing_->current = static_cast<std::ptrdiff_t>(listing_->next++);
  if (listing_->next < listing_->entries.size()) return TRUE;
  SetLastError(ERROR_NO_MORE_FILES);
  return FALSE;
}

CString CFileFind::GetFileName() const {
  const Entry* e = listing_ ? listing_->Current() : nullptr;
  return e ? CString(e->name) : CString();
}

CString CFileFind::GetFilePath() const {
  const Entry* e = listing_ ? listing_->Current() : nullptr;
  return e ? CString(listing_->root + e->name) : CString();
}

CString CFileFind::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind(u'.');
  return dot > 0 ? name.Left(dot) : name;
}

CString CFileFind::GetRoot() const { return listing_ ? CString(listing_->root) : CString(); }

ULONGLONG CFileFind::GetLength() const {
  const Entry* e = listing_ ? listing_->Current() : nullptr;
  return e && !S_ISDIR(e->st.st_mode) ? static_cast<ULONGLONG>(e->st.st_size) : 0;
}

namespace {
BOOL TimeOf(const Entry* e, const struct timespec& (*pick)(const struct stat&), FILETIME* out) {
  if (!e || !out) return FALSE;
  const struct timespec& t = pick(e->st);
  *out = cmd::FileTimeFromUnix(t.tv_sec, t.tv_nsec);
  return TRUE;
}
const struct timespec& WriteTime(const struct stat& st) { return st.st_mtim; }
const struct timespec& AccessTime(const struct stat& st) { return st.st_atim; }
const struct timespec& ChangeTime(const struct stat& st) { return st.st_ctim; }
}  // namespace

BOOL CFileFind::GetLastWriteTime(FILETIME* time) const {
  return TimeOf(listing_ ? listing_->Current() : nullptr, WriteTime, time);
}
BOOL CFileFind::GetLastAccessTime(FILETIME* time) const {
  return TimeOf(listing_ ? listing_->Current() : nullptr, AccessTime, time);
}
BOOL CFileFind::GetCreationTime(FILETIME* time) const {
  return TimeOf(listing_ ? listing_->Current() : nullptr, ChangeTime, time);
}

BOOL CFileFind::MatchesMask(DWORD mask) const {
  const Entry* e = listing_ ? listing_->Current() : nullptr;
  return e && (AttributesOf(e->st) & mask) != 0;
}

BOOL CFileFind::IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
BOOL CFileFind::IsReadOnly() const { return MatchesMask(FILE_ATTRIBUTE_READONLY); }
BOOL CFileFind::IsArchived() const { return MatchesMask(FILE_ATTRIBUTE_ARCHIVE); }

BOOL CFileFind::IsDots() const {
  const Entry* e = listing_ ? listing_->Current() : nullptr;
  return e && IsDirectory() && (e->name == u"." || e->name == u"..");
}
