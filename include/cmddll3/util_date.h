// Dates: today's date as text, stored date texts ("2024/05/03": year at
// characters 0-3, month at 5-6, day at 8-9, any separators) split into
// numbers, display dates ("2024/5/3", "-" for no date) and the two-digit year
// of file headers.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// Today's local date as "%4d/%2d/%2d" ("2024/ 5/ 3"); the three parts are
// also written to the out strings that are not null.
CMD_API CString GetDate(CString* year, CString* month, CString* day);
// The numbers of a stored date text; a part that is not a number, or lies
// beyond the end of the text, is 0.
CMD_API void SplitDate(CString date, int* year, int* month, int* day);
// A stored date text as "%d/%d/%d"; "-" when its year is below 1.
CMD_API CString GetStrDateFromArray(const char16_t* date);
// "%d/%d/%d" of the numbers as given; "-" when the year is below 1.
CMD_API CString GetStrDateFromInt(int year, int month, int day);
// The last two digits of the year (2024 gives 24, 2005 gives 5).
CMD_API int GetFileHeaderYear(int year);
