// The private-profile functions over settings files on the host.
//
// Reads take the file as it is at that moment (a writer replaces it by
// rename, so a reader never sees half of a write). Writers serialise their
// read-modify-write with an advisory lock on the settings file itself, so
// that nothing but the settings file appears in its folder: the writer
// opens the file, locks it, and checks that the path still names the file it
// locked (a writer before it may have renamed a new file over it while it
// waited); if not, it locks the new one.
#include "cmddll3/platform/profile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "platform/profile_core.h"

namespace cmd::profile {
namespace {

constexpr DWORD kErrorMoreData = 234;
// A writer that keeps finding its file replaced by others gives up after
// this many rounds (it never happens in practice: each round means another
// writer finished).
constexpr int kMaxLockRounds = 10000;

std::mutex g_userProfileMutex;
std::u16string g_userProfile;

bool IsBareName(std::u16string_view name) {
  return !name.empty() &&
         std::none_of(name.begin(), name.end(),
                      [](char16_t c) { return cmd::path::IsSeparator(c) || c == u':'; });
}

// The host path of a settings file: a null name is the user profile, a bare
// name lives in the Windows folder.
bool HostPathOf(LPCWSTR fileName, std::string& host) {
  std::u16string win = fileName ? std::u16string(fileName) : GetUserProfileFile();
  if (win.empty() && !fileName) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (IsBareName(win)) {
    std::string folder = cmd::path::GetWindowsFolder();
    if (folder.empty()) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return false;
    }
    win = cmd::path::FromHost(folder) + u"\\" + win;
  }
  return cmd::path::ToHost(win, host);
}

std::string FolderOf(const std::string& host) {
  std::size_t slash = host.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return host.substr(0, slash);
}

bool FolderExists(const std::string& folder) {
  struct stat st {};
  return cmd::os::Stat(folder, st) == 0 && S_ISDIR(st.st_mode);
}

// The file as it is now; an empty document when it is missing or cannot be
// read (the reads then give their defaults).
Document Load(LPCWSTR fileName) {
  std::string host, bytes;
  if (!HostPathOf(fileName, host)) return Document();
  if (!cmd::os::ReadAll(host, bytes)) {
    SetLastError(cmd::WinErrorFromErrno(errno, host));
    return Document();
  }
  return Document(std::move(bytes));
}

std::u16string_view WithoutTrailingSpaces(LPCWSTR text) {
  std::u16string_view s = text ? std::u16string_view(text) : std::u16string_view();
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

// A single string: at most nSize-1 characters and a zero.
DWORD CopyString(std::u16string_view s, LPWSTR buffer, DWORD nSize) {
  std::size_t count = std::min<std::size_t>(s.size(), nSize - 1);
  std::copy_n(s.data(), count, buffer);
  buffer[count] = u'\0';
  if (count < s.size()) SetLastError(kErrorMoreData);
  return static_cast<DWORD>(count);
}

// A list whose items each end with a zero, ended by one more zero; cut to
// nSize-2 characters and two zeros when it does not fit.
DWORD CopyList(std::u16string_view list, LPWSTR buffer, DWORD nSize) {
  if (list.size() < nSize) {
    std::copy_n(list.data(), list.size(), buffer);
    buffer[list.size()] = u'\0';
    if (list.empty() && nSize > 1) buffer[1] = u'\0';
    return static_cast<DWORD>(list.size());
  }
  SetLastError(kErrorMoreData);
  if (nSize < 2) {
    buffer[0] = u'\0';
    return 0;
  }
  std::copy_n(list.data(), nSize - 2, buffer);
  buffer[nSize - 2] = u'\0';
  buffer[nSize - 1] = u'\0';
  return nSize - 2;
}

using Change = std::function<std::optional<std::string>(const Document&)>;

// An open, locked settings file that its path still names.
class LockedFile {
 public:
  ~LockedFile() {
    if (fd_ >= 0) cmd::os::Close(fd_);
  }
  // Opens and locks the file; a missing file is created when `create`.
  // Returns false with GetLastError set, or with fd() < 0 when the file is
  // missing and not to be created.
  bool Acquire(const std::string& host, bool create) {
    host_ = host;
    for (int round = 0; round < kMaxLockRounds; ++round) {
      created_ = false;
      fd_ = cmd::os::Open(host, O_RDWR);
      if (fd_ < 0 && errno == ENOENT) {
        if (!create) return true;
        fd_ = cmd::os::Open(host, O_RDWR | O_CREAT | O_EXCL, 0666);
        if (fd_ < 0 && errno == EEXIST) continue;  // another writer created it first
        if (fd_ < 0 && errno == ENOENT) {
          SetLastError(ERROR_PATH_NOT_FOUND);
          return false;
        }
        created_ = fd_ >= 0;
      }
      if (fd_ < 0) return Fail();
      if (cmd::os::Lock(fd_) != 0) return Fail();
      if (cmd::os::IsSameFile(fd_, host)) return true;
      cmd::os::Close(fd_);  // replaced while we waited: lock the file that is there now
      fd_ = -1;
    }
    SetLastError(ERROR_SHARING_VIOLATION);
    return false;
  }
  int fd() const { return fd_; }
  bool created() const { return created_; }

 private:
  bool Fail() {
    SetLastError(cmd::WinErrorFromErrno(errno, host_));
    if (fd_ >= 0) cmd::os::Close(fd_);
    fd_ = -1;
    return false;
  }
  std::string host_;
  int fd_ = -1;
  bool created_ = false;
};

// The read-modify-write of every writer. `create` tells whether a missing
// file is to be created for the change (a deletion never creates one).
BOOL ModifyFile(LPCWSTR fileName, bool create, const Change& change) {
  std::string named, host;
  if (!HostPathOf(fileName, named)) return FALSE;
  // A settings file that is a symbolic link (shared by installations)
  // stays one: the file it leads to is the one locked and replaced.
  if (!cmd::os::ResolveLinks(named, host)) {
    SetLastError(cmd::WinErrorFromErrno(errno, named));
    return FALSE;
  }
  LockedFile file;
  if (!file.Acquire(host, create)) return FALSE;
  if (file.fd() < 0) {  // nothing to delete from a missing file
    if (FolderExists(FolderOf(host))) return TRUE;
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string bytes;
  if (!cmd::os::ReadRest(file.fd(), bytes)) {
    SetLastError(cmd::WinErrorFromErrno(errno, host));
    return FALSE;
  }
  std::optional<std::string> updated = change(Document(std::move(bytes)));
  bool ok = !updated || cmd::os::ReplaceAtomically(host, *updated);
  if (!ok) SetLastError(cmd::WinErrorFromErrno(errno, host));
  if ((!ok || !updated) && file.created()) {
    cmd::os::Remove(host);  // leave no empty file behind where there was none
  }
  return ok ? TRUE : FALSE;
}

// The value of a number text as the system's own string-to-integer
// conversion reads it: blanks and control characters skipped, a sign, then
// a base from a lower-case prefix ("0x" 16, "0o" 8, "0b" 2, else 10),
// digits up to the first that the base lacks; the value wraps at 32 bits.
UINT LeadingNumber(std::u16string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] <= u' ') ++i;
  bool minus = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) minus = s[i++] == u'-';
  UINT base = 10;
  if (i + 1 < s.size() && s[i] == u'0') {
    constexpr std::pair<char16_t, UINT> kPrefixes[] = {{u'x', 16}, {u'o', 8}, {u'b', 2}};
    for (auto [letter, prefixBase] : kPrefixes) {
      if (s[i + 1] != letter) continue;
      base = prefixBase;
      i += 2;
      break;
    }
  }
  UINT value = 0;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    UINT digit = c >= u'0' && c <= u'9'   ? UINT(c - u'0')
                 : c >= u'a' && c <= u'z' ? UINT(c - u'a' + 10)
                 : c >= u'A' && c <= u'Z' ? UINT(c - u'A' + 10)
                                           : base;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return minus ? 0u - value : value;
}

}  // namespace

void SetUserProfileFile(std::u16string winPath) {
  std::lock_guard<std::mutex> lock(g_userProfileMutex);
  g_userProfile = std::move(winPath);
}

std::u16string GetUserProfileFile() {
  std::lock_guard<std::mutex> lock(g_userProfileMutex);
  return g_userProfile;
}

}  // namespace cmd::profile

using namespace cmd::profile;

DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                               LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName) {
  if (!lpReturnedString || nSize == 0) return 0;
  SetLastError(ERROR_SUCCESS);
  Document doc = Load(lpFileName);
  if (!lpAppName) return CopyList(SectionNames(doc), lpReturnedString, nSize);
  std::u16string_view section = TrimSpaces(lpAppName);
  if (!lpKeyName) {
    std::optional<std::u16string> keys = KeyNames(doc, section);
    if (keys && !keys->empty()) return CopyList(*keys, lpReturnedString, nSize);
  } else if (auto value = FindValue(doc, section, TrimSpaces(lpKeyName))) {
    return CopyString(StripQuotes(*value), lpReturnedString, nSize);
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return CopyString(WithoutTrailingSpaces(lpDefault), lpReturnedString, nSize);
}

UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, int nDefault,
                           LPCWSTR lpFileName) {
  char16_t buffer[30];
  if (GetPrivateProfileStringW(lpAppName, lpKeyName, u"", buffer, 30, lpFileName) == 0)
    return static_cast<UINT>(nDefault);
  return LeadingNumber(buffer);
}

DWORD GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                LPCWSTR lpFileName) {
  if (!lpReturnedString || nSize == 0) return 0;
  SetLastError(ERROR_SUCCESS);
  std::optional<std::u16string> lines;
  if (lpAppName) lines = SectionLines(Load(lpFileName), TrimSpaces(lpAppName));
  if (!lines) SetLastError(ERROR_FILE_NOT_FOUND);
  return CopyList(lines ? *lines : std::u16string(), lpReturnedString, nSize);
}

DWORD GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize, LPCWSTR lpFileName) {
  if (!lpszReturnBuffer || nSize == 0) return 0;
  SetLastError(ERROR_SUCCESS);
  return CopyList(SectionNames(Load(lpFileName)), lpszReturnBuffer, nSize);
}

BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                LPCWSTR lpFileName) {
  if (!lpAppName) {
    // All three null asks Windows to flush its cache, which answers FALSE;
    // there is no cache here.
    if (lpKeyName || lpString) SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::u16string section(TrimSpaces(lpAppName));
  if (!lpKeyName)
    return ModifyFile(lpFileName, false, [&](const Document& d) { return DeleteSection(d, section); });
  std::u16string key(TrimSpaces(lpKeyName));
  if (!lpString)
    return ModifyFile(lpFileName, false, [&](const Document& d) { return DeleteKey(d, section, key); });
  std::u16string value(lpString);
  return ModifyFile(lpFileName, true,
                    [&](const Document& d) { return SetValue(d, section, key, value); });
}

BOOL WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName) {
  if (!lpAppName) {
    if (lpString) SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::u16string section(TrimSpaces(lpAppName));
  if (!lpString)
    return ModifyFile(lpFileName, false, [&](const Document& d) { return DeleteSection(d, section); });
  std::vector<std::u16string> lines;
  for (LPCWSTR p = lpString; *p; p += std::char_traits<char16_t>::length(p) + 1) {
    std::u16string_view item(p);
    std::size_t eq = item.find(u'=');
    if (eq == std::u16string_view::npos) continue;
    std::u16string line(TrimSpaces(item.substr(0, eq)));
    line += item.substr(eq);
    lines.push_back(std::move(line));
  }
  return ModifyFile(lpFileName, !lines.empty(),
                    [&](const Document& d) { return ReplaceSection(d, section, lines); });
}

DWORD GetProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                        LPWSTR lpReturnedString, DWORD nSize) {
  return GetPrivateProfileStringW(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize,
                                  nullptr);
}

UINT GetProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, int nDefault) {
  return GetPrivateProfileIntW(lpAppName, lpKeyName, nDefault, nullptr);
}

BOOL WriteProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString) {
  return WritePrivateProfileStringW(lpAppName, lpKeyName, lpString, nullptr);
}
