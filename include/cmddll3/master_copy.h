// Copies of the material master: a level-2 group or level-3 items taken from
// one trade master set (or one level-3 file) to another, renumbered so that
// they hang under a new parent, and duplicates of entries inside one file.
//
// Appending copies collect the copied lines in a staging file of the work
// folder (GetWorkDrv): "temp.mst" for level 2, "temp.txt" for level 3, then
// append them to the destination ("at,ccs=UTF-16LE" for "zairyou2.mst",
// "at,ccs=UNICODE" for a level-3 file: the new lines go on in the
// destination's own encoding) and remove the staging file. The append takes
// effect in one step: a copy that fails at any point leaves the destination
// as it was, so it never holds a part of a line, and no staging file stays
// in the work folder. Copies never merge and never look for duplicate codes.
//
// A copied line is rebuilt from its fields joined by single commas (11 for
// level 2, 23 for level 3; fields the source line lacks are empty, text
// beyond the last field is dropped), so every line written is complete.
// A copy whose source file is missing leaves the destination unchanged.
// Folder strings end with a backslash; the file numbers name
// "zai%03d-3.mst" files. None of these functions throws to the caller.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// ---- Between master sets (appending)

// Appends the level-2 group of srcLevel1Code, read from srcFolder's
// "zairyou2.mst", to destFolder's "zairyou2.mst" with newLevel1Code in field
// 1. The two folders may be one: the group is then duplicated at the end.
CMD_API void CopyZaiMst2_3(CString& destFolder, LONG newLevel1Code, CString& srcFolder,
                           LONG srcLevel1Code);
// The same between the folders GetMstDrv(destTrade, destNumber) and
// GetMstDrv(srcTrade, srcNumber).
CMD_API void CopyZaiMst2_2(int destTrade, int destNumber, LONG newLevel1Code, int srcTrade,
                           int srcNumber, LONG srcLevel1Code);

// Appends the level-3 items of srcLevel1Code (srcLevel2Code -1: of every
// group; otherwise of that group only, which gets newLevel2Code in field 5)
// from the source file (srcFileNumber -1: srcFolder's "zairyou3.mst") to the
// destination file, where field 4 of every appended line is destFileNumber.
// newLevel1Code goes through the staging file only and does not reach the
// destination. A missing source or destination file is created empty first.
CMD_API void CopyZaiMst3_4(CString& destFolder, int destFileNumber, LONG newLevel1Code,
                           LONG newLevel2Code, CString& srcFolder, int srcFileNumber,
                           LONG srcLevel1Code, LONG srcLevel2Code);
// The same between the folders of two trade/number pairs.
CMD_API void CopyZaiMst3_3(int destTrade, int destNumber, int destFileNumber,
                           LONG newLevel1Code, LONG newLevel2Code, int srcTrade, int srcNumber,
                           int srcFileNumber, LONG srcLevel1Code, LONG srcLevel2Code);

// ---- Within one master set

// Writes the destination level-3 file anew as a line-for-line copy of the
// source file of the same master folder, with newLevel1Code in field 4 of
// every line. The destination is replaced in one step; when the source file
// is missing nothing happens. Equal file numbers renumber the file in place.
CMD_API void CopyZaiMst3_2(int destFileNumber, int srcFileNumber, LONG newLevel1Code, int trade,
                           int number);

// Duplicates the level-2 group of level1Code inside "zairyou2.mst": every
// line stays where it is, and after all of them comes, for each line of the
// group in file order, a copy of it with newCode as its level-2 code (field
// 2). A missing file is left missing.
CMD_API void CopyZaiMst2_1(LONG level1Code, LONG newCode, int trade, int number);
// Duplicates level-3 items inside the file of fileNumber (created empty when
// missing): every line stays where it is, and after all of them comes, for
// each line of group (level1Code, level2Code) in file order, a copy with
// newCode as its level-2 code (field 5); with level2Code -1, for each line
// of level1Code (every group), a copy with newCode as its level-1 code
// (field 4).
CMD_API void CopyZaiMst3_1(int fileNumber, LONG level1Code, LONG level2Code, LONG newCode,
                           int trade, int number);
