// CString members and the UTF-16/UTF-8 helpers.
#include "cmddll3/platform/cstring.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsWhite(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

bool InSet(char16_t c, const char16_t* set) {
  if (!set) return false;
  for (; *set; ++set)
    if (*set == c) return true;
  return false;
}

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

template <class Pred>
void TrimRightIf(std::u16string& s, Pred pred) {
  std::size_t n = s.size();
  while (n > 0 && pred(s[n - 1])) --n;
  s.resize(n);
}

template <class Pred>
void TrimLeftIf(std::u16string& s, Pred pred) {
  std::size_t n = 0;
  while (n < s.size() && pred(s[n])) ++n;
  s.erase(0, n);
}

}  // namespace

std::size_t wcslen16(const char16_t* s) {
  if (!s) return 0;
  std::size_t n = 0;
  while (s[n]) ++n;
  return n;
}

CString::CString(const char16_t* s) {
  if (s) s_.assign(s, wcslen16(s));
}

CString::CString(const char16_t* s, int length) {
  if (s && length > 0) s_.assign(s, static_cast<std::size_t>(length));
}

CString::CString(char16_t c, int repeat) {
  if (repeat > 0) s_.assign(static_cast<std::size_t>(repeat), c);
}

char16_t CString::GetAt(int i) const {
  return (i >= 0 && i < GetLength()) ? s_[static_cast<std::size_t>(i)] : char16_t(0);
}

void CString::SetAt(int i, char16_t c) {
  if (i >= 0 && i < GetLength()) s_[static_cast<std::size_t>(i)] = c;
}

char16_t* CString::GetBuffer(int minLength) {
  std::size_t want = static_cast<std::size_t>(std::max(minLength, GetLength()));
  std::size_t keep = s_.size();
  s_.resize(want);
  std::fill(s_.begin() + static_cast<std::ptrdiff_t>(keep), s_.end(), char16_t(0));
  s_.reserve(want + 1);
  return s_.data();
}

char16_t* CString::GetBufferSetLength(int length) {
  s_.resize(static_cast<std::size_t>(std::max(length, 0)));
  return s_.data();
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) {
    s_.resize(wcslen16(s_.c_str()));
  } else {
    s_.resize(std::min(static_cast<std::size_t>(newLength), s_.size()));
  }
}

CString& CString::operator=(const char16_t* s) {
  if (s) s_.assign(s, wcslen16(s)); else s_.clear();
  return *this;
}
CString& CString::operator=(std::u16string_view s) { s_.assign(s); return *this; }
CString& CString::operator=(char16_t c) { s_.assign(1, c); return *this; }
CString& CString::operator+=(const CString& s) { s_ += s.s_; return *this; }
CString& CString::operator+=(const char16_t* s) {
  if (s) s_.append(s, wcslen16(s));
  return *this;
}
CString& CString::operator+=(std::u16string_view s) { s_ += s; return *this; }
CString& CString::operator+=(char16_t c) { s_ += c; return *this; }

CString operator+(const CString& a, const CString& b) { return CString(a.s_ + b.s_); }
CString operator+(const CString& a, const char16_t* b) { CString r(a); r += b; return r; }
CString operator+(const char16_t* a, const CString& b) { CString r(a); r += b; return r; }
CString operator+(const CString& a, char16_t b) { CString r(a); r += b; return r; }
CString operator+(char16_t a, const CString& b) { CString r(a); r += b; return r; }

bool operator==(const CString& a, const char16_t* b) {
  return a.s_ == std::u16string_view(b ? b : u"");
}

int CString::Compare(const char16_t* s) const {
  int c = s_.compare(s ? s : u"");
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CString::CompareNoCase(const char16_t* s) const {
  std::u16string_view b(s ? s : u"");
  std::size_t n = std::min(s_.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = FoldAscii(s_[i]), y = FoldAscii(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (s_.size() == b.size()) return 0;
  return s_.size() < b.size() ? -1 : 1;
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  if (first >= GetLength()) return CString();
  count = std::min(count, GetLength() - first);
  return CString(s_.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
  if (count < 0) count = 0;
  count = std::min(count, GetLength());
  return Mid(GetLength() - count, count);
}

CString CString::SpanIncluding(const char16_t* set) const {
  int n = 0;
  while (n < GetLength() && InSet(s_[static_cast<std::size_t>(n)], set)) ++n;
  return Left(n);
}

CString CString::SpanExcluding(const char16_t* set) const {
  int n = 0;
  while (n < GetLength() && !InSet(s_[static_cast<std::size_t>(n)], set)) ++n;
  return Left(n);
}

int CString::Find(char16_t c, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  auto p = s_.find(c, static_cast<std::size_t>(start));
  return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const char16_t* sub, int start) const {
  if (!sub || start < 0 || start > GetLength()) return -1;
  auto p = s_.find(sub, static_cast<std::size_t>(start));
  return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char16_t c) const {
  auto p = s_.rfind(c);
  return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const char16_t* set) const {
  for (int i = 0; i < GetLength(); ++i)
    if (InSet(s_[static_cast<std::size_t>(i)], set)) return i;
  return -1;
}

int CString::Replace(char16_t from, char16_t to) {
  int n = 0;
  for (auto& c : s_)
    if (c == from) { c = to; ++n; }
  return n;
}

int CString::Replace(const char16_t* from, const char16_t* to) {
  std::u16string_view f(from ? from : u"");
  std::u16string_view t(to ? to : u"");
  if (f.empty()) return 0;
  int n = 0;
  std::u16string out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = s_.find(f, pos);
    if (hit == std::u16string::npos) break;
    out.append(s_, pos, hit - pos);
    out += t;
    pos = hit + f.size();
    ++n;
  }
  if (n == 0) return 0;
  out.append(s_, pos, std::u16string::npos);
  s_.swap(out);
  return n;
}

int CString::Remove(char16_t c) {
  auto old = s_.size();
  s_.erase(std::remove(s_.begin(), s_.end(), c), s_.end());
  return static_cast<int>(old - s_.size());
}

int CString::Insert(int index, char16_t c) {
  index = std::clamp(index, 0, GetLength());
  s_.insert(s_.begin() + index, c);
  return GetLength();
}

int CString::Insert(int index, const char16_t* s) {
  index = std::clamp(index, 0, GetLength());
  if (s) s_.insert(static_cast<std::size_t>(index), s);
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0) index = 0;
  if (count > 0 && index < GetLength()) {
    count = std::min(count, GetLength() - index);
    s_.erase(static_cast<std::size_t>(index), static_cast<std::size_t>(count));
  }
  return GetLength();
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char16_t c) { return TrimRight(c).TrimLeft(c); }
CString& CString::Trim(const char16_t* set) { return TrimRight(set).TrimLeft(set); }
CString& CString::TrimLeft() { TrimLeftIf(s_, IsWhite); return *this; }
CString& CString::TrimLeft(char16_t c) {
  TrimLeftIf(s_, [c](char16_t x) { return x == c; });
  return *this;
}
CString& CString::TrimLeft(const char16_t* set) {
  TrimLeftIf(s_, [set](char16_t x) { return InSet(x, set); });
  return *this;
}
CString& CString::TrimRight() { TrimRightIf(s_, IsWhite); return *this; }
CString& CString::TrimRight(char16_t c) {
  TrimRightIf(s_, [c](char16_t x) { return x == c; });
  return *this;
}
CString& CString::TrimRight(const char16_t* set) {
  TrimRightIf(s_, [set](char16_t x) { return InSet(x, set); });
  return *this;
}

CString& CString::MakeUpper() {
  for (auto& c : s_) c = FoldAscii(c);
  return *this;
}

CString& CString::MakeLower() {
  for (auto& c : s_)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(s_.begin(), s_.end());
  return *this;
}

CString CString::FromUtf8(std::string_view utf8) { return CString(Utf8ToUtf16(utf8)); }
std::string CString::ToUtf8() const { return Utf16ToUtf8(s_); }

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 3);
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xF0 | (cp >> 18));
      out += char(0x80 | ((cp >> 12) & 0x3F));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    char32_t cp;
    std::size_t n;
    if (b < 0x80) { cp = b; n = 1; }
    else if (b >= 0xC2 && b <= 0xDF) { cp = b & 0x1F; n = 2; }
    else if (b >= 0xE0 && b <= 0xEF) { cp = b & 0x0F; n = 3; }
    else if (b >= 0xF0 && b <= 0xF4) { cp = b & 0x07; n = 4; }
    else { out += kReplacement; ++i; continue; }
    std::size_t j = 1;
    for (; j < n && i + j < s.size(); ++j) {
      unsigned char c = static_cast<unsigned char>(s[i + j]);
      if ((c & 0xC0) != 0x80) break;
      cp = (cp << 6) | (c & 0x3F);
    }
    bool bad = j < n || (n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
               (n == 4 && (cp < 0x10000 || cp > 0x10FFFF));
    if (bad) {
      out += kReplacement;
      i += std::max<std::size_t>(j, 1);
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += char16_t(0xD800 + (cp >> 10));
      out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      out += char16_t(cp);
    }
    i += n;
  }
  return out;
}
