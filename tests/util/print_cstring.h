// Readable failure messages: CString values printed as UTF-8 in quotes, with
// spaces visible at the ends.
#pragma once

#include <ostream>

#include "cmddll3/platform/cstring.h"

inline void PrintTo(const CString& s, std::ostream* os) { *os << '"' << s.ToUtf8() << '"'; }
