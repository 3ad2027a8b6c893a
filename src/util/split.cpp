// Field and line splitters.
#include "cmddll3/util_split.h"

#include <cstring>
#include <string>
#include <string_view>

#include "util/mbchar.h"

namespace {

// Cuts `text` + `separator` at every separator, storing at most `max` fields.
int SplitBySeparator(const CString& text, CString* fields, int max, std::u16string_view separator) {
  if (max <= 0 || !fields) return 0;
  if (separator.empty()) {
    fields[0] = text;
    return 1;
  }
  std::u16string s = text.str();
  s += separator;
  std::size_t p = 0;
  int count = 0;
  for (std::size_t q = s.find(separator, p); q != std::u16string::npos && count < max;
       q = s.find(separator, p)) {
    fields[count++] = std::u16string_view(s).substr(p, q - p);
    p = q + separator.size();
  }
  return count;
}

}  // namespace

CMD_API int SplitCStrByComma(CString text, CString* fields, int max) {
  return SplitBySeparator(text, fields, max, u",");
}

CMD_API int SplitCStrByChar(CString text, CString* fields, int max, const char16_t* separator) {
  return SplitBySeparator(text, fields, max,
                          separator ? std::u16string_view(separator) : std::u16string_view());
}

CMD_API int SplitCStrByWrap(CString text, CString* lines, int max) {
  return SplitBySeparator(text, lines, max, u"\r\n");
}

CMD_API int UniSSplit(CString text, CString* first, CString* second, int n) {
  if (n < 0) return 0;
  if (n == 0) {
    if (first) *first = text;
    return 1;
  }
  CString rest = text.Mid(n);
  if (first) *first = text.Left(n);
  if (second) *second = rest;
  return rest.IsEmpty() ? 1 : 2;
}

CMD_API int mbsplit(const unsigned char* text, unsigned char* first, unsigned char* second, int n) {
  if (!text) text = reinterpret_cast<const unsigned char*>("");
  const std::size_t total = std::strlen(reinterpret_cast<const char*>(text));
  std::size_t cut = total;
  if (n > 0) {
    cut = 0;
    for (int chars = 0; chars < n && cut < total; ++chars) cut += cmd::util::CharBytes932(text + cut);
  }
  // Copied out first: the caller may pass the text's own buffer as a part.
  const std::string whole(reinterpret_cast<const char*>(text), total);
  if (first) {
    std::memcpy(first, whole.data(), cut);
    first[cut] = 0;
  }
  if (second) {
    std::memcpy(second, whole.data() + cut, total - cut);
    second[total - cut] = 0;
  }
  return cut < total ? 2 : 1;
}

CMD_API CString cstrmemmove(CString text, int n, int keepSpaces) {
  CString head = text.Left(n);
  if (!keepSpaces) head.TrimRight(u' ');
  return head;
}
