// The restore of a client's backup archive from floppy disks into the work
// folder.
//
// An archive that did not fit on one disk was split into parts
// "<stem>-<id>.lz1", ".lz2", ... one a disk. Every part starts with the same
// 14-byte set header; the restore checks it byte for byte, so that a disk of
// another set or another client is refused, and joins the archive data that
// follows the header of parts 2 and up.
#include <string>

#include "cmddll3/fileutil.h"
#include "cmddll3/frame.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/hooks.h"

namespace {

constexpr std::size_t kSetHeaderBytes = 14;
constexpr const char16_t* kCaption = u"復元";
constexpr const char16_t* kInsertDisk = u"該当する取引先の[%d]目のFDをｾｯﾄしてください。";
constexpr const char16_t* kWrongDisk =
    u"該当する取引先の[%d]目のFDではありません。\n正しいFDをｾｯﾄしてください。";

// Asks the user about disk k; true when the answer is OK.
bool UserAgrees(HWND owner, const char16_t* format, int disk) {
  CString text;
  text.Format(format, disk);
  return MessageBoxW(owner, text, kCaption, MB_OKCANCEL) == IDOK;
}

// Reads a whole part. False when it cannot be opened (for reading and
// writing, as the disk in the drive must be) or read, or is too short to
// hold the set header.
bool ReadPart(const CString& path, std::string& bytes) {
  int size = MyGetFileSize(path);
  if (size < 0) return false;
  try {
    CFile part;
    if (!part.Open(path, CFile::modeReadWrite | CFile::typeBinary)) return false;
    bytes.assign(static_cast<std::size_t>(size), '\0');
    UINT got = size ? part.Read(bytes.data(), static_cast<UINT>(size)) : 0;
    bytes.resize(got);
    part.Close();
  } catch (const CFileException&) {
    return false;
  }
  return bytes.size() >= kSetHeaderBytes;
}

// Reads part k until it is a part of the set whose header is `header` (any
// readable part for the first disk, whose header starts the set). False
// when the user cancels.
bool ReadRightPart(HWND owner, const CString& path, int disk, const std::string& header,
                   std::string& bytes) {
  for (;;) {
    if (ReadPart(path, bytes) &&
        (header.empty() || bytes.compare(0, kSetHeaderBytes, header) == 0))
      return true;
    if (!UserAgrees(owner, kWrongDisk, disk)) return false;
  }
}

}  // namespace

int SaveFdToWork(HWND owner, int id, CString folder, CString stem, int disks) {
  CString target;
  target.Format(u"%s%s-%d.lzh", GetWorkDrv(), stem, id);
  if (disks == 1) {
    CString source;
    source.Format(u"%s%s-%d.lzh", folder, stem, id);
    CopyFileW(source, target, FALSE);  // the result is not checked: 1 whatever it reports
    return 1;
  }

  CFile out;
  if (!out.Open(target, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) return 0;
  try {
    std::string header;
    for (int disk = 1; disk <= disks; ++disk) {
      if (disk >= 2 && !UserAgrees(owner, kInsertDisk, disk)) {
        out.Close();
        return 0;
      }
      CString path;
      path.Format(u"%s%s-%d.lz%d", folder, stem, id, disk);
      std::string part;
      if (!ReadRightPart(owner, path, disk, header, part)) {
        out.Close();
        return 0;
      }
      if (disk == 1) {
        header = part.substr(0, kSetHeaderBytes);  // part 1 gives only the header
      } else {
        out.Write(part.data() + kSetHeaderBytes,
                  static_cast<UINT>(part.size() - kSetHeaderBytes));
      }
    }
    out.Close();
  } catch (const CFileException&) {
    // The work file could not be written in full: the restore did not run
    // to its end.
    out.Abort();
    return 0;
  }
  return 1;
}
