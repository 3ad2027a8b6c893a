// Ledger sheet files: whole-block reads and writes, and the free-slot
// searches.
//
// A write replaces the file atomically (a temporary file beside it, flushed
// and renamed over it), so a failed or interrupted write leaves the old
// block whole. A file Windows could not open for writing (read-only, a
// folder) is left as it is.
#include "cmddll3/ledger.h"

#include <bitset>
#include <cstring>
#include <string>
#include <string_view>

#include "cmddll3/frame.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/shell.h"
#include "cmddll3/platform/textfile.h"
#include "cmddll3/platform/winpath.h"

namespace {

constexpr const char16_t* kRegisterName = u"daichou.tnp";
constexpr const char16_t* kNumberSuffix = u".no";
constexpr LONG kFirstSheetNumber = 1;

CString LedgerFolder(const CString& folder, int kind) {
  return folder.IsEmpty() ? GetDataDrv(kind) : folder;
}

bool Exists(const CString& path) { return PathFileExistsW(path) != FALSE; }

// Reads up to `size` bytes of the file into the block; what the file does
// not hold stays as it was.
void ReadBlock(const CString& path, void* block, std::size_t size) {
  try {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return;
    file.Read(block, static_cast<UINT>(size));
  } catch (const CFileException&) {
    // A read error leaves the rest of the block; as documented, not reported.
  }
}

// Replaces the file with `size` bytes of the block; false when it could not.
bool WriteBlock(const CString& path, const void* block, std::size_t size) {
  DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return false;
  std::string hostPath;
  if (!cmd::path::ToHost(path.str(), hostPath)) return false;
  return cmd::os::ReplaceAtomically(
      hostPath, std::string_view(static_cast<const char*>(block), size));
}

// A new block: the caller's cleared, the file created with zero bytes.
bool CreateZeroBlock(const CString& path, void* block, std::size_t size) {
  std::memset(block, 0, size);
  return WriteBlock(path, block, size);
}

// The number file of a new sheet: the first number, left-justified in 20
// characters, in a UTF-16 text file with byte-order mark, without line end.
void CreateNumberFile(const CString& sheetPath) {
  CString text;
  text.Format(u"%-20ld", kFirstSheetNumber);
  CStdioFile file;
  if (!file.Open(sheetPath + kNumberSuffix, u"wt,ccs=UNICODE")) return;
  file.WriteString(text);
  file.Close();
}

WORD WordAt(const unsigned char* bytes) { return WORD(bytes[0] | (bytes[1] << 8)); }

// The smallest identifier 1 to `records` that no record's identifier field
// holds, or -1.
template <class Record>
int SmallestFreeId(const void* block, int records) {
  if (!block) return -1;
  const auto* bytes = static_cast<const unsigned char*>(block);
  std::bitset<kTanpyouRegisterRecords + 1> used;
  for (int i = 0; i < records; ++i) {
    WORD id = WordAt(bytes + std::size_t(i) * sizeof(Record) + offsetof(Record, fileId));
    if (id >= 1 && id <= records) used.set(id);
  }
  for (int id = 1; id <= records; ++id)
    if (!used.test(static_cast<std::size_t>(id))) return id;
  return -1;
}

}  // namespace

void Tanpyou1Read(CString folder, void* block, int kind) {
  if (!block) return;
  CString path = LedgerFolder(folder, kind) + kRegisterName;
  if (!Exists(path)) CreateZeroBlock(path, block, kTanpyouRegisterBytes);
  ReadBlock(path, block, kTanpyouRegisterBytes);
}

void Tanpyou1Write(CString folder, const void* block, int kind) {
  if (!block) return;
  WriteBlock(LedgerFolder(folder, kind) + kRegisterName, block, kTanpyouRegisterBytes);
}

void Tanpyou2Read(CString folder, CString fileName, void* block, int kind) {
  if (!block) return;
  CString path = LedgerFolder(folder, kind) + fileName;
  if (!Exists(path) && CreateZeroBlock(path, block, kTanpyouSheetBytes)) CreateNumberFile(path);
  ReadBlock(path, block, kTanpyouSheetBytes);
}

int Tanpyou2Write(CString folder, CString fileName, const void* block, int kind) {
  if (block) WriteBlock(LedgerFolder(folder, kind) + fileName, block, kTanpyouSheetBytes);
  return 1;
}

int WhatIsTanp1FileID(const void* block) {
  return SmallestFreeId<TanpyouRegisterRecord>(block, kTanpyouRegisterRecords);
}

int WhatIsTanp2FileID(const void* block) {
  return SmallestFreeId<TanpyouSheetRecord>(block, kTanpyouSheetRecords);
}

int WhatIsTanp2Index(const void* block) {
  if (!block) return -1;
  const auto* bytes = static_cast<const unsigned char*>(block);
  for (int i = 0; i < kTanpyouSheetRecords; ++i)
    if (WordAt(bytes + std::size_t(i) * sizeof(TanpyouSheetRecord)) == 0) return i;
  return -1;
}
