// libFuzzer harness over the number formatters, the token readers and the
// splitters: arbitrary UTF-16 text (lone surrogates, NULs, any length) and
// arbitrary code page 932 bytes must never crash, never write past the
// documented buffers and always keep the documented limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/cmddll3.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool HasSmallLatin(const CString& s) {
  for (char16_t c : s.str())
    if (c >= u'a' && c <= u'z') return true;
  return false;
}

void FuzzNumberTexts(const std::u16string& text, int decimals) {
  Check(KanmaFormat_2(text.c_str()).GetLength() <= 31);
  Check(KanmaFormat_2_1(text.c_str()).GetLength() <= 31);
  TrimRightZero(text.c_str());
  CString cut = getCutBack0(CString(std::u16string_view(text)));
  Check(cut.GetLength() <= static_cast<int>(text.size()));
  IsAllNumber(text.c_str());
  IsDotSyousuu(text.c_str());

  // A number-text buffer of exactly 32 units, on the heap so that ASan sees
  // its end.
  std::vector<char16_t> buffer(32, 0);
  const std::u16string_view head = std::u16string_view(text.c_str()).substr(0, 31);
  std::memcpy(buffer.data(), head.data(), head.size() * sizeof(char16_t));
  CutIfDecimalZero(buffer.data(), decimals);
}

void FuzzTokens(const std::u16string& text, char delimiter) {
  std::vector<char16_t> token(101, u'#');
  const int more = MyStrtok(text.c_str(), token.data(), delimiter);
  Check(more == 0 || more == 1);
  Check(std::u16string(token.data()).size() <= 100);

  CString out[3];
  Split3text(CString(std::u16string_view(text)), out);
  for (const CString& field : out) Check(field.GetLength() <= 99);
  Split2text(CString(std::u16string_view(text)), out);

  Check(!HasSmallLatin(BaiToHan(text.c_str())));
  UnicodeZenSuu2Han(CString(std::u16string_view(text)));
  CStrCutSpace(CString(std::u16string_view(text)), static_cast<int>(delimiter));
  MyTrim(text.c_str());
}

void FuzzSplitters(const std::u16string& text, const std::u16string& separator, int max) {
  CString fields[8];
  const int n = SplitCStrByChar(CString(std::u16string_view(text)), fields, max, separator.c_str());
  Check(n >= 0 && n <= max);
  Check(SplitCStrByComma(CString(std::u16string_view(text)), fields, max) <= max);
  Check(SplitCStrByWrap(CString(std::u16string_view(text)), fields, max) <= max);
  CString first, second;
  UniSSplit(CString(std::u16string_view(text)), &first, &second, max - 2);
  cstrmemmove(CString(std::u16string_view(text)), max, max & 1);
}

void FuzzCodePage(const std::uint8_t* data, std::size_t size, const std::u16string& text, int n) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const char* multi = bytes.c_str();  // up to the first NUL
  const std::size_t length = std::strlen(multi);
  std::vector<char> out(length + 1);
  ToHankakuNum(multi, out.data());
  std::vector<unsigned char> first(length + 1), second(length + 1);
  const int parts = mbsplit(reinterpret_cast<const unsigned char*>(multi), first.data(),
                            second.data(), n);
  Check(parts == 1 || parts == 2);
  getWideFromMultiText(multi);
  std::vector<char> narrow(static_cast<std::size_t>((n & 15) + 1));
  getMultiFromWideText(CString(std::u16string_view(text)), narrow.data(),
                       static_cast<int>(narrow.size()));
  Check(std::memchr(narrow.data(), 0, narrow.size()) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const char delimiter = static_cast<char>(data[0]);
  const int max = data[1] % 9;
  const std::size_t separatorLength = data[2] % 4;
  const int decimals = static_cast<std::int8_t>(data[3]);
  const std::uint8_t* rest = data + 4;
  const std::size_t restSize = size - 4;

  std::u16string units(restSize / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(rest[2 * i] | (rest[2 * i + 1] << 8));
  const std::u16string separator = units.substr(0, separatorLength);
  const std::u16string text = units.substr(std::min(separatorLength, units.size()));

  FuzzNumberTexts(text, decimals);
  FuzzTokens(text, delimiter);
  FuzzSplitters(text, separator, max);
  FuzzCodePage(rest, restSize, text, decimals);
  return 0;
}
