// Money and number formatting, rounding: amounts, quantities and unit prices
// as the right-aligned column text of estimates and invoices (thousands
// grouped with ",", an optional yen mark "\" in front, trailing decimal zeros
// blanked so the digits line up), and the numeric conversions that go with
// them.
//
// Number texts are at most 31 characters (buffers of 32 units); the comma
// formatters give an empty text for a longer input or a result that would not
// fit.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// Number text to display text: the integer part grouped by thousands, the
// fraction's trailing zeros turned into spaces (an all-zero fraction becomes
// spaces in place of the point and decimals), the yen mark kept in front.
CMD_API CString KanmaFormat_2(const char16_t* text);
// As KanmaFormat_2, with the integer part copied unchanged.
CMD_API CString KanmaFormat_2_1(const char16_t* text);
// The value as "%.1f", "%.2f" or "%.3f" for 1, 2 or 3 decimals ("%.0f" for
// any other count), then through KanmaFormat_2 / KanmaFormat_2_1.
CMD_API CString KanmaFormat_1(double value, int decimals);
CMD_API CString KanmaFormat_3(double value, int decimals);
// The value with "," every `group` digits from the right (the sign is not a
// digit). A group size below 1 inserts no separators.
CMD_API CString GetMoneyStrFromLong(LONGLONG value, int group);

// The text without its ",".
CMD_API CString CutKanma(CString text);
// A quoted field without its quotes: empty for an empty text or one of 100
// characters or more; the first and last characters removed when the text
// starts with a double quote; otherwise the text.
CMD_API CString CutDblKanma(CString text);
// Removes, in the caller's buffer, trailing "0" among the last decimals+1
// characters and then a trailing "."; returns a copy of the result.
CMD_API CString CutIfDecimalZero(char16_t* buffer, int decimals);
// The fraction's trailing zeros removed, and the point when nothing of the
// fraction remains. A text without "." is returned as it is; a part longer
// than 31 characters gives an empty text.
CMD_API CString TrimRightZero(const char16_t* text);
// Every trailing "0" removed, then a trailing "."; an all-zero text gives its
// first character.
CMD_API CString getCutBack0(CString text);

// The value truncated toward zero; 0 when it is not in
// [-2147483647, 2147483646), when it is 0 or a positive denormal, or NaN.
CMD_API LONG getLongFromDouble(double value);
// The amount rounded up: amount + 0.99 in single precision, truncated toward
// zero (to 64 bits, of which the low 32 are returned).
CMD_API LONG roundKin(float amount);

// 1 if the text is empty or only "0" to "9", space, "-", "," and the yen
// mark; else 0.
CMD_API int IsAllNumber(const char16_t* text);
// Where the last "." stands: 3 at index 1 to 3, 1 at index 5, 2 otherwise
// (also without a point).
CMD_API int IsDotSyousuu(const char16_t* text);

// The fraction modes for totals, expenses, labour and miscellaneous costs.
// Nothing in the library sets them: they are 0.
CMD_API int GetGoukeiHasuu();
CMD_API int GetKeihiHasuu();
CMD_API int GetRoumuHasuu();
CMD_API int GetZatuHasuu();
