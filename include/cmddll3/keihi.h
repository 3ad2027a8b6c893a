// The expense master: "keihi.mst" in the trade's own master folder
// (GetMstDrv(trade, -1)), one item per line, grouped by a one-character kind:
//
//   kind,name,amount,f4,f5,f6,f7,f8,f9,f10      "%c,%s,%.0lf,%d,%d,%d,%d,%d,%d,%d\n"
//
// The amount is stored as a whole number. Every operation selects lines by
// their first character. Reading cuts a line after its first two characters
// (the kind and its comma) into name, amount and f4 to f10 at commas, the
// last field taking the rest of the line; a field the line lacks reads as
// empty or 0. Each field is read within its own limits and never past its
// end: the name and the amount at most 199 characters, each integer at most 9
// (a longer field is cut, and the fields after it are still read from their
// own places). A line that holds only the kind character is an item with an
// empty name and zeros, so that the items of a kind are exactly the lines
// that UpdateKeihiMst_2 counts; an empty line is never an item.
//
// Changes go through the staging file "temp" beside the master and replace it
// in one step; a missing master is created empty first. A name holding a
// comma, a line end, NUL or Ctrl-Z (or a kind that is one of the last three)
// cannot be stored in one line: such a change is refused and the master
// stays as it was. The host owns the arrays: GetKeihiMst's hold an entry for
// every line of the kind.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// The items of one kind, in file order. Returns their number (0 when the
// file cannot be opened).
CMD_API int GetKeihiMst(CString* names, double* amounts, int* f4, int* f5, int* f6, int* f7,
                        int* f8, int* f9, int* f10, char16_t kind, int trade);
// Appends one item (through the staging file). Always 0.
CMD_API int AddKeihiMst(CString name, double amount, int f4, int f5, int f6, int f7, int f8,
                        int f9, int f10, char16_t kind, int trade);
// Appends count items of one kind ("at,ccs=UNICODE": in the master's own
// encoding), all or none.
CMD_API void AddAllKeihiMst(const CString* names, const double* amounts, const int* f4,
                            const int* f5, const int* f6, const int* f7, const int* f8,
                            const int* f9, const int* f10, char16_t kind, int trade, int count);
// Removes the first line of that kind whose name (exactly), amount (as read)
// and seven integers equal the arguments; later identical lines stay. Always 0.
CMD_API int DelKeihiMst(CString name, double amount, int f4, int f5, int f6, int f7, int f8,
                        int f9, int f10, char16_t kind, int trade);
// Removes every line of the kind.
CMD_API void DelAllKeihiMst(char16_t kind, int trade);
// Replaces every line of the kind, each in its place, by the one short line
// "%c,%s,%.0lf,%d,%d,%d,%d,%d,%d\n" (no f10: it reads back as 0); appends it
// when the kind has no line. Always 0.
CMD_API int UpdateKeihiMst_1(CString name, double amount, int f4, int f5, int f6, int f7, int f8,
                             int f9, char16_t kind, int trade);
// Replaces the index-th line of the kind (from 0, in file order) in its
// place. 1 when a line was replaced; 0 (the master untouched) otherwise.
CMD_API int UpdateKeihiMst_2(CString name, double amount, int f4, int f5, int f6, int f7, int f8,
                             int f9, int f10, int index, char16_t kind, int trade);
