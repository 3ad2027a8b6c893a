// CString: the UTF-16 value string in which text crosses the library's
// interface (copies in, copies out), with the members of the framework's
// string class that the library uses.
#pragma once

#include <compare>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "cmddll3/platform/format_arg.h"
#include "cmddll3/platform/windef.h"

class CMD_PLATFORM_API CString {
 public:
  CString() = default;
  CString(const char16_t* s);            // null reads as empty
  CString(const char16_t* s, int length);
  CString(std::u16string_view s) : s_(s) {}
  CString(std::u16string s) : s_(std::move(s)) {}
  CString(char16_t c, int repeat = 1);

  // Length in UTF-16 units.
  int GetLength() const { return static_cast<int>(s_.size()); }
  bool IsEmpty() const { return s_.empty(); }
  void Empty() { s_.clear(); }
  const char16_t* GetString() const { return s_.c_str(); }
  operator const char16_t*() const { return s_.c_str(); }
  operator std::u16string_view() const { return s_; }
  const std::u16string& str() const { return s_; }
  std::u16string& str() { return s_; }

  char16_t GetAt(int i) const;  // 0 outside the string
  char16_t operator[](int i) const { return GetAt(i); }
  void SetAt(int i, char16_t c);  // ignored outside the string

  // The framework's buffer protocol: GetBuffer(n) gives room for n units plus
  // a terminator; ReleaseBuffer(-1) takes the text up to the first NUL.
  char16_t* GetBuffer(int minLength = 0);
  char16_t* GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1);

  CString& operator=(const char16_t* s);
  CString& operator=(std::u16string_view s);
  CString& operator=(char16_t c);
  CString& operator+=(const CString& s);
  CString& operator+=(const char16_t* s);
  CString& operator+=(std::u16string_view s);
  CString& operator+=(char16_t c);

  CMD_PLATFORM_API friend CString operator+(const CString& a, const CString& b);
  CMD_PLATFORM_API friend CString operator+(const CString& a, const char16_t* b);
  CMD_PLATFORM_API friend CString operator+(const char16_t* a, const CString& b);
  CMD_PLATFORM_API friend CString operator+(const CString& a, char16_t b);
  CMD_PLATFORM_API friend CString operator+(char16_t a, const CString& b);

  friend bool operator==(const CString& a, const CString& b) { return a.s_ == b.s_; }
  CMD_PLATFORM_API friend bool operator==(const CString& a, const char16_t* b);
  friend std::strong_ordering operator<=>(const CString& a, const CString& b) {
    return a.s_ <=> b.s_;
  }

  int Compare(const char16_t* s) const;         // -1, 0, 1 by code unit
  int CompareNoCase(const char16_t* s) const;   // ASCII letters folded

  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;
  CString SpanIncluding(const char16_t* set) const;
  CString SpanExcluding(const char16_t* set) const;

  int Find(char16_t c, int start = 0) const;
  int Find(const char16_t* sub, int start = 0) const;
  int ReverseFind(char16_t c) const;
  int FindOneOf(const char16_t* set) const;

  int Replace(char16_t from, char16_t to);
  int Replace(const char16_t* from, const char16_t* to);
  int Remove(char16_t c);
  int Insert(int index, char16_t c);
  int Insert(int index, const char16_t* s);
  int Delete(int index, int count = 1);

  // Trimming: the no-argument forms remove white space (space, tab to CR).
  CString& Trim();
  CString& Trim(char16_t c);
  CString& Trim(const char16_t* set);
  CString& TrimLeft();
  CString& TrimLeft(char16_t c);
  CString& TrimLeft(const char16_t* set);
  CString& TrimRight();
  CString& TrimRight(char16_t c);
  CString& TrimRight(const char16_t* set);
  CString& MakeUpper();  // ASCII letters, as the C locale's towupper
  CString& MakeLower();
  CString& MakeReverse();

  // printf-style formatting with the Windows C runtime's results.
  template <class... Args>
  void Format(const char16_t* format, const Args&... args) {
    const FormatArg list[] = {FormatArg(args)..., FormatArg()};
    FormatList(format, list, sizeof...(Args));
  }
  template <class... Args>
  void AppendFormat(const char16_t* format, const Args&... args) {
    CString more;
    more.Format(format, args...);
    *this += more;
  }
  void FormatList(const char16_t* format, const FormatArg* args, std::size_t count);

  // UTF-8 conversion for tools and tests; invalid input becomes U+FFFD.
  static CString FromUtf8(std::string_view utf8);
  std::string ToUtf8() const;

 private:
  std::u16string s_;
};

inline FormatArg::FormatArg(const CString& s)
    : kind(Wide), ws(s.GetString()), len(static_cast<std::size_t>(s.GetLength())) {}

// UTF-16 <-> UTF-8 without a CString (invalid input becomes U+FFFD).
CMD_PLATFORM_API std::string Utf16ToUtf8(std::u16string_view s);
CMD_PLATFORM_API std::u16string Utf8ToUtf16(std::string_view s);

// Length of a NUL-terminated UTF-16 string.
CMD_PLATFORM_API std::size_t wcslen16(const char16_t* s);
