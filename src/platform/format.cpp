// Placeholder printf engine: replaced by the Windows-exact formatter.
#include <cstdio>
#include <string>

#include "cmddll3/platform/cstring.h"

void CString::FormatList(const char16_t* format, const FormatArg* args, std::size_t count) {
  std::u16string out;
  std::size_t next = 0;
  for (const char16_t* p = format ? format : u""; *p; ++p) {
    if (*p != u'%') { out += *p; continue; }
    std::string spec = "%";
    ++p;
    while (*p && std::string("-+ #0123456789.lhI").find(char(*p)) != std::string::npos) spec += char(*p++);
    if (!*p) break;
    char conv = char(*p);
    if (conv == '%') { out += u'%'; continue; }
    const FormatArg& a = next < count ? args[next++] : args[count];
    char buf[512];
    std::string s;
    for (char& c : spec) if (c == 'l' || c == 'h' || c == 'I') c = 0;
    spec = spec.c_str();
    if (conv == 's') {
      if (a.kind == FormatArg::Wide) out += a.ws ? (a.len == FormatArg::npos ? std::u16string(a.ws) : std::u16string(a.ws, a.len)) : u"(null)";
      continue;
    }
    if (conv == 'c') { out += char16_t(a.i); continue; }
    if (conv == 'f' || conv == 'e' || conv == 'g') snprintf(buf, sizeof buf, (spec + conv).c_str(), a.d);
    else snprintf(buf, sizeof buf, (spec + "ll" + conv).c_str(), a.i);
    for (char* q = buf; *q; ++q) out += char16_t(static_cast<unsigned char>(*q));
  }
  str() = out;
}
