// Lookup tables derived from the level-3 material master of one trade master
// set: the CAD table and the digitizer-panel table. Each line maps the
// 12-digit drawing code of a level-3 item to the level-1 code of its file
// and a number, written as "%12s%03d%05d\n" (UTF-16LE with a byte-order mark,
// CR LF): the drawing code right-aligned in 12 characters (a longer code is
// written whole), the level-1 code zero-padded to 3 digits, the number to 5.
//
//   CAD table:             number = count of table lines before this one;
//                          lists the marks "A", "Z" and the empty mark.
//   digitizer-panel table: number = index of the item's line in its level-3
//                          file (every line counted); lists "B" and "Z".
//
// An item whose drawing code is "000000000000" is never listed; an empty
// line is no item. Lines follow the level-1 file's order, then the order of
// each level-3 file. A table is written whole and replaces the old one in one
// step; when a build cannot be finished (a read error in a level-3 file) the
// old table stays and the result is 0.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// 1 when the level-1 file of the master folder lists at least one entry, 0
// otherwise (the table then holds only its byte-order mark) or when the
// table cannot be written. A level-3 file that cannot be opened is skipped.
CMD_API BOOL MakeCadtable(CString tablePath, int trade, int number);
// 1 when the table was built (also from an empty level-1 file); 0 when it
// cannot be written or a level-3 file cannot be opened (the table then
// holds the lines of the files before it).
CMD_API BOOL MakeDegipaneTable(CString tablePath, int trade, int number);

// Rebuild the table when it is out of date: when it is missing or not newer
// than the newest "zai*.mst" file of the master folder. They read no file
// content otherwise (one listing of the folder) and always answer 1.
// The CAD table of trade 2, 3, 4 is "cad2_1.tbl", "cad3_1.tbl", "cad4_1.tbl",
// of any other trade "cad1_1.tbl", in the current directory.
CMD_API BOOL UpdateCadtable(int trade, int number);
CMD_API BOOL UpdateDegipaneTable(CString tablePath, int trade, int number);
