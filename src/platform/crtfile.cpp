// The C runtime's wide-character path and folder functions.
#include "cmddll3/platform/crtfile.h"

#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/osfile.h"
#include "platform/fileimpl.h"

using namespace cmd::fileimpl;

namespace {

// The four parts of a path, as views into it.
struct PathParts {
  std::u16string_view drive, dir, fname, ext;
};

PathParts Split(std::u16string_view path) {
  PathParts parts;
  // A drive is any first character followed by a colon.
  if (path.size() >= 2 && path[1] == u':') {
    parts.drive = path.substr(0, 2);
    path.remove_prefix(2);
  }
  std::size_t nameStart = 0;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (path[i] == u'\\' || path[i] == u'/') nameStart = i + 1;
  parts.dir = path.substr(0, nameStart);
  std::u16string_view name = path.substr(nameStart);
  std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) {
    parts.fname = name;
  } else {
    parts.fname = name.substr(0, dot);
    parts.ext = name.substr(dot);
  }
  return parts;
}

// Copies a part into a buffer of `size` units, cut to fit.
void CopyCut(std::u16string_view part, char16_t* buffer, std::size_t size) {
  if (!buffer || size == 0) return;
  std::size_t n = std::min(part.size(), size - 1);
  std::copy_n(part.begin(), n, buffer);
  buffer[n] = 0;
}

int FailWith(DWORD winError) {
  errno = cmd::ErrnoFromWinError(winError);
  SetLastError(winError);
  return -1;
}

int Result(DWORD winError) { return winError == ERROR_SUCCESS ? 0 : FailWith(winError); }

}  // namespace

void _wsplitpath(const char16_t* path, char16_t* drive, char16_t* dir, char16_t* fname,
                 char16_t* ext) {
  PathParts parts = Split(path ? std::u16string_view(path) : std::u16string_view());
  CopyCut(parts.drive, drive, _MAX_DRIVE);
  CopyCut(parts.dir, dir, _MAX_DIR);
  CopyCut(parts.fname, fname, _MAX_FNAME);
  CopyCut(parts.ext, ext, _MAX_EXT);
}

errno_t _wsplitpath_s(const char16_t* path, char16_t* drive, size_t driveSize, char16_t* dir,
                      size_t dirSize, char16_t* fname, size_t fnameSize, char16_t* ext,
                      size_t extSize) {
  struct Out {
    std::u16string_view part;
    char16_t* buffer;
    size_t size;
  };
  auto clearAll = [&] {
    if (drive && driveSize) drive[0] = 0;
    if (dir && dirSize) dir[0] = 0;
    if (fname && fnameSize) fname[0] = 0;
    if (ext && extSize) ext[0] = 0;
  };
  auto mismatched = [](char16_t* b, size_t n) { return (b == nullptr) != (n == 0); };
  if (!path || mismatched(drive, driveSize) || mismatched(dir, dirSize) ||
      mismatched(fname, fnameSize) || mismatched(ext, extSize)) {
    clearAll();
    errno = EINVAL;
    return EINVAL;
  }
  PathParts parts = Split(path);
  const Out outs[] = {{parts.drive, drive, driveSize},
                      {parts.dir, dir, dirSize},
                      {parts.fname, fname, fnameSize},
                      {parts.ext, ext, extSize}};
  for (const Out& o : outs) {
    if (o.buffer && o.part.size() >= o.size) {
      clearAll();
      errno = ERANGE;
      return ERANGE;
    }
  }
  for (const Out& o : outs) CopyCut(o.part, o.buffer, o.size);
  return 0;
}

char16_t* _wgetcwd(char16_t* buf, int maxlen) {
  if (buf && maxlen <= 0) {
    errno = EINVAL;
    return nullptr;
  }
  DWORD needed = GetCurrentDirectoryW(0, nullptr);  // length + 1
  if (needed == 0) {
    errno = cmd::ErrnoFromWinError(GetLastError());
    return nullptr;
  }
  if (!buf) {
    std::size_t units = std::max<std::size_t>(needed, maxlen > 0 ? std::size_t(maxlen) : 0);
    auto* owned = static_cast<char16_t*>(std::malloc(units * sizeof(char16_t)));
    if (!owned) {
      errno = ENOMEM;
      return nullptr;
    }
    if (GetCurrentDirectoryW(static_cast<DWORD>(units), owned) >= units) {
      std::free(owned);  // the folder changed in between
      errno = ERANGE;
      return nullptr;
    }
    return owned;
  }
  DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(maxlen), buf);
  if (n == 0 || n >= static_cast<DWORD>(maxlen)) {
    errno = ERANGE;
    return nullptr;
  }
  return buf;
}

int _wmkdir(const char16_t* dirname) {
  std::string host;
  if (DWORD err = MapPath(dirname, host)) return FailWith(err);
  return Result(CreateFolder(host));
}

int _wrmdir(const char16_t* dirname) {
  std::string host;
  if (DWORD err = MapPath(dirname, host)) return FailWith(err);
  return Result(RemoveFolder(host));
}

int _waccess(const char16_t* path, int mode) {
  if (mode != 0 && mode != 2 && mode != 4 && mode != 6) {
    errno = EINVAL;
    return -1;
  }
  std::string host;
  if (DWORD err = MapPath(path, host)) return FailWith(err);
  struct stat st {};
  if (cmd::os::Stat(host, st) != 0) return FailWith(LastError(host));
  // Everything that exists may be read; a read-only entry may not be
  // written (a folder counts as writable unless it is read-only too).
  if ((mode & 2) && IsReadOnly(st)) {
    errno = EACCES;
    return -1;
  }
  return 0;
}

int _wremove(const char16_t* path) {
  std::string host;
  if (DWORD err = MapPath(path, host)) return FailWith(err);
  return Result(DeleteFile(host));
}

int _wrename(const char16_t* oldName, const char16_t* newName) {
  std::string from, to;
  if (DWORD err = MapPath(oldName, from)) return FailWith(err);
  if (DWORD err = MapPath(newName, to)) return FailWith(err);
  return Result(MoveFile(from, to, newName));
}
