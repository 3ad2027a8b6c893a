// Mapping of Windows-form paths to host paths.
#include "cmddll3/platform/winpath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <array>
#include <mutex>
#include <vector>

#include "cmddll3/platform/cstring.h"

namespace cmd::path {
namespace {

std::mutex g_mutex;
std::array<std::string, 26> g_drives;

int DriveIndex(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - u'a';
  if (c >= u'A' && c <= u'Z') return c - u'A';
  return -1;
}

bool Exists(const std::string& hostPath) {
  struct stat st {};
  return ::lstat(hostPath.c_str(), &st) == 0;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

// The entry of `folder` whose name equals `name` with ASCII letters folded,
// or "" when there is none.
std::string FindNoCase(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return {};
  std::string found;
  while (dirent* e = ::readdir(dir)) {
    if (EqualNoCase(e->d_name, name)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// Splits the part of a path after its root into components.
std::vector<std::string> Components(std::u16string_view rest) {
  std::vector<std::string> parts;
  std::u16string current;
  for (char16_t c : rest) {
    if (IsSeparator(c)) {
      if (!current.empty()) parts.push_back(Utf16ToUtf8(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(Utf16ToUtf8(current));
  return parts;
}

}  // namespace

void SetDriveRoot(char16_t drive, const std::string& hostFolder) {
  int i = DriveIndex(drive);
  if (i < 0) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  g_drives[static_cast<std::size_t>(i)] = hostFolder;
}

std::string GetDriveRoot(char16_t drive) {
  int i = DriveIndex(drive);
  if (i < 0) return {};
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_drives[static_cast<std::size_t>(i)];
}

bool ToHost(std::u16string_view win, std::string& host) {
  host.clear();
  if (win.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (win.size() >= static_cast<std::size_t>(MAX_PATH)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  std::string base;  // host folder the components are resolved in
  std::u16string_view rest = win;
  if (win.size() >= 2 && win[1] == u':' && DriveIndex(win[0]) >= 0) {
    base = GetDriveRoot(win[0]);
    if (base.empty()) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return false;
    }
    rest = win.substr(2);
    if (base.size() > 1 && base.back() == '/') base.pop_back();
  } else if (win.size() >= 2 && win[0] == u'\\' && IsSeparator(win[1])) {
    SetLastError(ERROR_PATH_NOT_FOUND);  // UNC shares do not exist here
    return false;
  } else if (IsSeparator(win[0])) {
    // Also a host folder with a name joined to it by a backslash: with the
    // current directory "/", "/\\pelmar1.ini" is "/pelmar1.ini".
    base = "/";
  }

  bool trailing = IsSeparator(win.back());
  std::string path = base;
  bool resolving = true;  // stop matching once a component is new
  for (const std::string& part : Components(rest)) {
    std::string next = path.empty() ? part : (path.back() == '/' ? path + part : path + "/" + part);
    if (resolving && part != "." && part != ".." && !Exists(next)) {
      std::string match = FindNoCase(path, part);
      if (!match.empty()) {
        next = path.empty() ? match : (path.back() == '/' ? path + match : path + "/" + match);
      } else {
        resolving = false;
      }
    }
    path = std::move(next);
  }
  if (path.empty()) path = ".";
  if (trailing && path.back() != '/') path += '/';
  host = std::move(path);
  return true;
}

std::string ToHostOrEmpty(std::u16string_view winPath) {
  std::string host;
  ToHost(winPath, host);
  return host;
}

std::u16string FromHost(std::string_view hostPath) { return Utf8ToUtf16(hostPath); }

}  // namespace cmd::path
