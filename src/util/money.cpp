// Money and number formatting, rounding.
#include "cmddll3/util_money.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "cmddll3/platform/crt.h"
#include "util/fraction_modes.h"

namespace cmd::util {

FractionModes& ProcessFractionModes() {
  static FractionModes modes;
  return modes;
}

}  // namespace cmd::util

namespace {

// Number texts live in buffers of 32 units: 31 characters and a terminator.
constexpr std::size_t kMaxNumberText = 31;
constexpr char16_t kYenMark = u'\\';

std::u16string_view ViewOf(const char16_t* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

bool IsNumberTextChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || c == u' ' || c == u'-' || c == u',' || c == kYenMark;
}

bool IsAllSpaces(std::u16string_view s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c == u' '; });
}

// "," before every group of three digits: after a character when the count
// of characters still to copy, that one included, is 4, 7, 10, ...
std::u16string GroupThousands(std::u16string_view digits) {
  std::u16string out;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    out += digits[i];
    const std::size_t remaining = n - i;
    if (remaining >= 4 && remaining % 3 == 1) out += u',';
  }
  return out;
}

// The integer part of a number text, grouped by thousands. Empty when the
// part is blank or holds a character that a number text cannot hold.
std::u16string GroupedInteger(std::u16string_view part) {
  if (IsAllSpaces(part) || !std::all_of(part.begin(), part.end(), IsNumberTextChar)) return {};
  double value = _wtof(std::u16string(part).c_str());
  std::u16string out;
  if (part.front() == u'-') {
    // The sign is written once, here: a text with no digits after it ("-",
    // "-.5") parses as zero, and zero is formatted without a sign of its own.
    value = value == 0.0 ? 0.0 : -value;
    out = u"-";
  }
  CString digits;
  digits.Format(u"%.0f", value);
  return out + GroupThousands(digits.str());
}

// The integer output followed by the fraction with its trailing zeros
// blanked: a fraction of 2 to 5 digits has its trailing "0" (all but the
// first digit) turned into spaces; a zero fraction becomes spaces in place of
// the point and decimals, so the column stays aligned.
std::u16string WithFraction(std::u16string integer, std::u16string fraction) {
  const std::size_t n = fraction.size();
  if (_wtoi(fraction.c_str()) != 0) {
    if (n >= 2 && n <= 5) {
      for (std::size_t i = n - 1; i >= 1 && fraction[i] == u'0'; --i) fraction[i] = u' ';
    }
    return integer + u'.' + fraction;
  }
  std::size_t spaces = 0;
  if (n >= 1 && n <= 4) spaces = n + 1;
  else if (n >= 5) spaces = 2;
  return integer + std::u16string(spaces, u' ');
}

enum class IntegerPart { Grouped, Verbatim };

CString ColumnText(std::u16string_view text, IntegerPart mode) {
  if (text.size() > kMaxNumberText) return {};
  const bool yen = !text.empty() && text.front() == kYenMark;
  if (yen) text.remove_prefix(1);
  const std::size_t dot = text.rfind(u'.');
  const std::u16string_view integer = text.substr(0, dot);
  std::u16string out =
      mode == IntegerPart::Grouped ? GroupedInteger(integer) : std::u16string(integer);
  if (dot != std::u16string_view::npos)
    out = WithFraction(std::move(out), std::u16string(text.substr(dot + 1)));
  if (yen) out.insert(out.begin(), kYenMark);
  if (out.size() > kMaxNumberText) return {};
  return CString(std::move(out));
}

CString FixedDecimals(double value, int decimals) {
  CString text;
  switch (decimals) {
    case 1: text.Format(u"%.1f", value); break;
    case 2: text.Format(u"%.2f", value); break;
    case 3: text.Format(u"%.3f", value); break;
    default: text.Format(u"%.0f", value); break;
  }
  return text;
}

}  // namespace

CMD_API CString KanmaFormat_2(const char16_t* text) {
  return ColumnText(ViewOf(text), IntegerPart::Grouped);
}

CMD_API CString KanmaFormat_2_1(const char16_t* text) {
  return ColumnText(ViewOf(text), IntegerPart::Verbatim);
}

CMD_API CString KanmaFormat_1(double value, int decimals) {
  return KanmaFormat_2(FixedDecimals(value, decimals).GetString());
}

CMD_API CString KanmaFormat_3(double value, int decimals) {
  return KanmaFormat_2_1(FixedDecimals(value, decimals).GetString());
}

CMD_API CString GetMoneyStrFromLong(LONGLONG value, int group) {
  CString text;
  text.Format(u"%lld", value);
  if (group < 1) return text;
  std::u16string& s = text.str();
  const int digits = text.GetLength() - (value < 0 ? 1 : 0);
  // Separators inserted from the leftmost: with k still to insert, the next
  // one goes k groups before the end.
  for (int k = (digits + group - 1) / group - 1; k > 0; --k)
    s.insert(s.size() - static_cast<std::size_t>(k) * static_cast<std::size_t>(group), 1, u',');
  return text;
}

CMD_API CString CutKanma(CString text) {
  text.Remove(u',');
  return text;
}

CMD_API CString CutDblKanma(CString text) {
  constexpr int kMaxField = 100;
  const int n = text.GetLength();
  if (n == 0 || n >= kMaxField) return {};
  if (n >= 2 && text[0] == u'"') return text.Mid(1, n - 2);
  return text;
}

CMD_API CString CutIfDecimalZero(char16_t* buffer, int decimals) {
  if (!buffer) return {};
  const long long length = static_cast<long long>(wcslen16(buffer));
  const long long last = length - static_cast<long long>(decimals) - 1;
  for (long long i = length - 1; i >= 0 && i >= last && buffer[i] == u'0'; --i) buffer[i] = 0;
  const std::size_t now = wcslen16(buffer);
  if (now > 0 && buffer[now - 1] == u'.') buffer[now - 1] = 0;
  return CString(buffer);
}

CMD_API CString TrimRightZero(const char16_t* text) {
  const std::u16string_view s = ViewOf(text);
  const std::size_t dot = s.rfind(u'.');
  if (dot == std::u16string_view::npos) return CString(s);
  const std::u16string_view integer = s.substr(0, dot);
  std::u16string_view fraction = s.substr(dot + 1);
  if (integer.size() > kMaxNumberText || fraction.size() > kMaxNumberText) return {};
  while (!fraction.empty() && fraction.back() == u'0') fraction.remove_suffix(1);
  if (fraction.empty()) return CString(integer);
  return CString(std::u16string(integer) + u'.' + std::u16string(fraction));
}

CMD_API CString getCutBack0(CString text) {
  const std::u16string& s = text.str();
  if (s.empty()) return {};
  const std::size_t last = s.find_last_not_of(u'0');
  if (last == std::u16string::npos) return text.Left(1);
  std::size_t keep = last + 1;
  if (s[last] == u'.') --keep;
  return text.Left(static_cast<int>(keep));
}

CMD_API LONG getLongFromDouble(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483646.0 || value < -2147483647.0) return 0;
  if (value >= 0 && value < DBL_MIN) return 0;  // zero or a denormal
  return static_cast<LONG>(value);
}

CMD_API LONG roundKin(float amount) {
  // The sum is taken in single precision, as the amounts are kept: 16777215
  // gives 16777216 because 16777215.99 is not a float.
  const float sum = amount + 0.99f;
  // Out of the 64-bit range (and NaN) the conversion yields the integer
  // indefinite 0x8000000000000000, whose low 32 bits are 0.
  if (!(std::fabs(sum) < 0x1p63f)) return 0;
  const auto whole = static_cast<std::int64_t>(sum);
  return static_cast<LONG>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}

CMD_API int IsAllNumber(const char16_t* text) {
  const std::u16string_view s = ViewOf(text);
  return std::all_of(s.begin(), s.end(), IsNumberTextChar) ? 1 : 0;
}

CMD_API int IsDotSyousuu(const char16_t* text) {
  const std::size_t dot = ViewOf(text).rfind(u'.');
  if (dot == 1 || dot == 2 || dot == 3) return 3;
  if (dot == 5) return 1;
  return 2;
}

CMD_API int GetGoukeiHasuu() { return cmd::util::ProcessFractionModes().goukei; }
CMD_API int GetKeihiHasuu() { return cmd::util::ProcessFractionModes().keihi; }
CMD_API int GetRoumuHasuu() { return cmd::util::ProcessFractionModes().roumu; }
CMD_API int GetZatuHasuu() { return cmd::util::ProcessFractionModes().zatu; }
