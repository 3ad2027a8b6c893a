// The small masters of a trade master set, each a list that moves whole
// between its file and the host's array. The files lie in the trade's own
// master folder (GetMstDrv(trade, -1)):
//
//   "kouji1.mst", "kouji2.mst"  construction items, lists 1 and 2  (300 lines read)
//   "tanni.mst"                 units
//   "hokyu.mst"                 supply entries
//   "bikou.mst"                 remarks: text TAB flag, "%s\t%d\n"  (300 lines read)
//
// Lines of the first four are opaque texts, stored as the host passes them
// and read back whole (empty lines are entries too). A remark line is cut at
// tabs: the text before the first tab, and the flag read with _wtoi from the
// text between the first and a second tab (a line without a tab is a text
// with flag 0).
//
// Every update writes the whole list to "temp.mst" in the master folder and
// puts it in the master's place in one step; a failure at any step leaves
// the old master. A list holding a text that cannot stay one line (a line
// end, NUL or Ctrl-Z; for a remark also a tab) is refused whole: the master
// stays as it was. The host's arrays for GetTanniMst and GetHokyuMst hold an
// entry for every line of the file.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// List 1 reads "kouji1.mst", any other list "kouji2.mst"; at most 300 lines
// (the array holds 300). Returns the count; 0 (array untouched) when the
// file cannot be opened.
CMD_API int GetKoujiMst(int list, CString* lines, int trade);
CMD_API void UpdateKoujiMst(int list, const CString* lines, int count, int trade);

CMD_API int GetTanniMst(CString* lines, int trade);
CMD_API void UpdateTanniMst(const CString* lines, int count, int trade);

CMD_API int GetHokyuMst(CString* lines, int trade);
CMD_API void UpdateHokyuMst(const CString* lines, int count, int trade);

// Empties the 300 texts and flags, then reads at most 300 remarks.
CMD_API int GetBikouMst(CString* texts, int* flags, int trade);
// A file error while the new list is written or put in place is reported in
// a message box, "エラー:" followed by the error's message (error icon, OK).
CMD_API void UpdateBikouMst(const CString* texts, const int* flags, int count, int trade);
