// The Windows shell's folder and path functions.
#include "cmddll3/platform/shell.h"

#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"

namespace {

constexpr HRESULT HResultFromWin32(DWORD err) {
  return err == 0 ? S_OK : HRESULT(0x80070000u | (err & 0xFFFFu));
}

// Creates a host folder and every missing parent.
DWORD CreateFolders(const std::string& folder) {
  std::string path;
  std::size_t pos = 0;
  while (pos <= folder.size()) {
    std::size_t slash = folder.find('/', pos);
    if (slash == std::string::npos) slash = folder.size();
    path = folder.substr(0, slash);
    pos = slash + 1;
    if (path.empty()) continue;  // the root
    struct stat st {};
    if (cmd::os::Stat(path, st) == 0) {
      if (!S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
      continue;
    }
    if (cmd::os::MakeDir(path, 0777) != 0 && errno != EEXIST)
      return cmd::WinErrorFromErrno(errno, path);
  }
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------- path joining
// Only the backslash separates components here, as in the shell's own
// functions.
bool IsUnc(std::u16string_view p) { return p.size() >= 2 && p[0] == u'\\' && p[1] == u'\\'; }

bool HasDrive(std::u16string_view p) { return p.size() >= 2 && p[1] == u':'; }

// "C:..." and "\..." are absolute; everything else is relative.
bool IsRelative(std::u16string_view p) { return !(HasDrive(p) || (!p.empty() && p[0] == u'\\')); }

// The length of a path's root: "C:\" (or a bare "C:"), "\", or
// "\\server\share\".
std::size_t RootLength(std::u16string_view p) {
  if (IsUnc(p)) {
    std::size_t server = p.find(u'\\', 2);
    if (server == std::u16string_view::npos) return p.size();
    std::size_t share = p.find(u'\\', server + 1);
    return share == std::u16string_view::npos ? p.size() : share + 1;
  }
  if (HasDrive(p)) return p.size() >= 3 && p[2] == u'\\' ? 3 : 2;
  if (!p.empty() && p[0] == u'\\') return 1;
  return 0;
}

// The root the shell puts a "\name" under, or "" for a relative folder.
std::u16string RootFor(std::u16string_view folder) {
  std::size_t n = RootLength(folder);
  if (n == 0) return {};
  std::u16string root(folder.substr(0, n));
  if (root.back() != u'\\') root += u'\\';
  return root;
}

// Resolves "." and ".." components; ".." stops at the root.
std::u16string Canonicalize(std::u16string_view path) {
  std::size_t rootLength = RootLength(path);
  std::u16string root(path.substr(0, rootLength));
  std::u16string_view rest = path.substr(rootLength);
  bool trailing = !rest.empty() && rest.back() == u'\\';
  if (trailing) rest.remove_suffix(1);

  std::vector<std::u16string_view> kept;
  if (!rest.empty() || trailing) {
    std::size_t start = 0;
    for (;;) {
      std::size_t sep = rest.find(u'\\', start);
      std::u16string_view part =
          rest.substr(start, sep == std::u16string_view::npos ? std::u16string_view::npos : sep - start);
      if (part == u"..") {
        if (!kept.empty()) kept.pop_back();
      } else if (part != u".") {
        kept.push_back(part);
      }
      if (sep == std::u16string_view::npos) break;
      start = sep + 1;
    }
  }
  // "C:\a\" with only an empty component kept is just "C:\a\".
  if (kept.size() == 1 && kept[0].empty() && trailing) kept.clear();

  std::u16string out = root;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) out += u'\\';
    out += kept[i];
  }
  if (trailing && !kept.empty()) out += u'\\';
  if (out.size() == 2 && out[1] == u':') out += u'\\';  // a bare drive
  if (out.empty()) out = u"\\";
  return out;
}

}  // namespace

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR path) {
  if (path) path[0] = 0;
  std::string folder;
  switch (csidl & ~CSIDL_FLAG_MASK) {
    case CSIDL_APPDATA: folder = cmd::path::UserConfigFolder(); break;
    case CSIDL_LOCAL_APPDATA: folder = cmd::path::UserDataFolder(); break;
    default: return E_INVALIDARG;
  }
  if (!path) return E_INVALIDARG;
  if (folder.empty()) return E_FAIL;
  std::u16string win = cmd::path::FromHost(folder);
  if (win.size() >= static_cast<std::size_t>(MAX_PATH))
    return HResultFromWin32(ERROR_FILENAME_EXCED_RANGE);
  if (csidl & CSIDL_FLAG_CREATE) {
    if (DWORD err = CreateFolders(folder)) return HResultFromWin32(err);
  }
  std::copy(win.begin(), win.end(), path);
  path[win.size()] = 0;
  return S_OK;
}

LPWSTR PathCombineW(LPWSTR dest, LPCWSTR dir, LPCWSTR file) {
  if (!dest) return nullptr;
  auto fail = [dest]() -> LPWSTR {
    dest[0] = 0;
    return nullptr;
  };
  if (!dir && !file) return fail();
  std::u16string_view d = dir ? std::u16string_view(dir) : std::u16string_view();
  std::u16string_view f = file ? std::u16string_view(file) : std::u16string_view();
  const std::size_t limit = static_cast<std::size_t>(MAX_PATH);
  if (d.size() >= limit || f.size() >= limit) return fail();

  std::u16string joined;
  if (f.empty()) {
    joined = d;
  } else if (d.empty() || !IsRelative(f)) {
    if (d.empty() || f[0] != u'\\' || IsUnc(f)) {
      joined = f;
    } else {
      std::u16string root = RootFor(d);
      if (root.empty()) return fail();
      joined = root + std::u16string(f.substr(1));
    }
  } else {
    joined = d;
    if (joined.back() != u'\\') joined += u'\\';
    joined += f;
  }
  if (joined.size() >= limit) return fail();

  std::u16string result = Canonicalize(joined);
  std::copy(result.begin(), result.end(), dest);
  dest[result.size()] = 0;
  return dest;
}

BOOL PathFileExistsW(LPCWSTR path) {
  return path && *path && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}
