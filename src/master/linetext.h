// Texts that the host asks a master to store: each must stay inside its own
// line and field, or the master would gain, lose or shift records.
//
// The one rule of every master writer (material master levels 1 to 3, the
// expense master, the small masters): fields are not quoted or escaped, so a
// text that cannot be written as it is, inside its field of one line, is
// refused, never written. The whole change is then refused: the master stays
// as it was, and the debugger output says why (ReportRefusedText).
#pragma once

#include <string_view>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/hooks.h"

namespace cmd::master {

// Whether a text can be written as (part of) one master line: no line feed
// (it would start a new record), no NUL (a line is written up to it, line
// end included), no Ctrl-Z (a text stream's input ends at it, and every line
// after it would be lost) and, when separator is not 0, no field separator.
inline bool FitsOneLine(std::u16string_view text, char16_t separator = 0) {
  for (char16_t c : text)
    if (c == u'\n' || c == u'\0' || c == u'\x1A' || (separator && c == separator)) return false;
  return true;
}

// A text of a comma-separated master field.
inline bool FitsOneField(std::u16string_view text) { return FitsOneLine(text, u','); }

// A change refused because of such a text leaves the master as it was; the
// developer learns why from the debugger output.
inline void ReportRefusedText(const char16_t* function) {
  OutputDebugStringW(CString(function) + u": a text holds a line end, NUL, Ctrl-Z or its "
                                         u"field separator; the master was not changed\n");
}

}  // namespace cmd::master
