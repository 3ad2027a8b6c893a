// Ledger sheet files: the register "daichou.tnp" (300 records of 424
// bytes) and the sheet files (100 records of 741 bytes, each with a number
// file "<sheet>.no"), read and written whole as one block, and the searches
// for a free identifier or slot in a block the host has read.
//
// The records are the host's; the library knows only the identifier fields
// (16-bit, little-endian) laid out below. A folder argument ends with a
// backslash; an empty one means the data folder GetDataDrv(kind).
#pragma once

#include <cstddef>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

#pragma pack(push, 1)
// One record of the register file.
struct TanpyouRegisterRecord {
  BYTE hostData1[402];
  WORD fileId;  // 1 to 300; a value no record carries is free
  BYTE hostData2[20];
};
// One record of a sheet file; records are packed, not aligned.
struct TanpyouSheetRecord {
  WORD used;  // 0 for a free slot (the host's data begins here)
  BYTE hostData1[714];
  WORD fileId;  // 1 to 100
  BYTE hostData2[23];
};
#pragma pack(pop)
static_assert(sizeof(TanpyouRegisterRecord) == 424);
static_assert(offsetof(TanpyouRegisterRecord, fileId) == 402);
static_assert(sizeof(TanpyouSheetRecord) == 741);
static_assert(offsetof(TanpyouSheetRecord, fileId) == 716);

constexpr int kTanpyouRegisterRecords = 300;
constexpr int kTanpyouSheetRecords = 100;
constexpr int kTanpyouRegisterBytes = 127200;  // 300 x 424
constexpr int kTanpyouSheetBytes = 74100;      // 100 x 741

// Reads "daichou.tnp" into the block (127200 bytes). A missing file is
// created with zero bytes first (and the block cleared); a file shorter than
// the block fills only what it holds; an unreadable one leaves the block.
CMD_API void Tanpyou1Read(CString folder, void* block, int kind);
// Replaces "daichou.tnp" with the block. A file that cannot be written is
// left as it was; nothing is reported.
CMD_API void Tanpyou1Write(CString folder, const void* block, int kind);
// Reads a sheet file into the block (74100 bytes). A missing one is created
// with zero bytes, with its number file "<sheet>.no" holding 1 ("%-20ld" in a
// UTF-16 text file), and the block is cleared.
CMD_API void Tanpyou2Read(CString folder, CString fileName, void* block, int kind);
// Replaces a sheet file with the block; its number file is not touched.
// Returns 1, whether or not the file could be written.
CMD_API int Tanpyou2Write(CString folder, CString fileName, const void* block, int kind);
// The smallest identifier 1 to 300 that no record of the register block
// carries, or -1.
CMD_API int WhatIsTanp1FileID(const void* block);
// The smallest identifier 1 to 100 that no record of the sheet block
// carries, or -1.
CMD_API int WhatIsTanp2FileID(const void* block);
// The index 0 to 99 of the first free slot of the sheet block, or -1.
CMD_API int WhatIsTanp2Index(const void* block);
