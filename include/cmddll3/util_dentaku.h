// The string calculator: arithmetic on number texts and the rule by which a
// key press is added to the display text. Operands are read as the runtime's
// text-to-double does (a text without a number is 0, a "," ends the number:
// remove separators first with CutKanma); results are "%f" text without
// trailing zeros ("3", "0.3", "0.333333").
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

CMD_API CString DenCalAdd(CString a, CString b);
CMD_API CString DenCalMinus(CString a, CString b);
CMD_API CString DenCalMull(CString a, CString b);
// No check for a zero divisor: the result is the runtime's text for an
// infinity or not-a-number.
CMD_API CString DenCalDiv(CString a, CString b);

// The display after a key press, in `out` (the display is not changed): a
// second "." is ignored, a leading "0" of a display without a point is
// replaced by the key, anything else is appended.
CMD_API void DentakuAddString(CString& display, CString& key, CString& out);
