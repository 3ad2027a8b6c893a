// The rules that every master text file follows: where it lives, how it is
// opened, how a line is cut into fields and how a field reads as a number or
// is copied into a record. Shared by all master families.
//
// Reading a master: open it with "rt,ccs=UNICODE" (its byte-order mark decides
// the decoding), read it line by line with the line end removed, cut each line
// at its commas as SplitCStrByComma cuts it (one comma appended; the text
// between consecutive commas is a field; missing fields read as empty), and
// read numbers as _wtol/_wtoi/_wtof read them (an empty or non-numeric field
// is 0). Writing: "wt,ccs=UNICODE" (byte-order mark, "\n" becomes CR LF).
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/textfile.h"
#include "cmddll3/platform/windef.h"

namespace cmd::master {

inline constexpr const char16_t* kReadMode = u"rt,ccs=UNICODE";
inline constexpr const char16_t* kWriteMode = u"wt,ccs=UNICODE";
inline constexpr const char16_t* kAppendMode = u"at,ccs=UNICODE";

// ---- Where a master lives

// The caller's folder when it is not empty, else GetMstDrv(trade, number).
// Either ends in a backslash, so a file name is appended directly.
CString MasterFolder(const CString& folder, int trade, int number);
inline CString MasterFolder(int trade, int number) { return MasterFolder(CString(), trade, number); }

// A file name joined to a folder as PathCombineW joins them (a folder that
// lacks its trailing backslash gets one); "" when the result would not fit a
// Windows path.
CString CombinePath(const CString& folder, const char16_t* name);

bool FileExists(const CString& path);
// Creates the file empty (byte-order mark only) when it is missing. False
// when it is missing and cannot be created.
bool CreateEmptyIfMissing(const CString& path);

// ---- Reading a master line by line

// A master opened for reading. ReadLine gives each line without its line end
// and false at the end of the file; a read error throws CFileException, as the
// framework's ReadString does, so a reader never takes a failure for the end.
// A line that starts with a NUL unit has no readable text and is skipped.
class MasterReader {
 public:
  MasterReader() = default;
  MasterReader(const MasterReader&) = delete;
  MasterReader& operator=(const MasterReader&) = delete;
  ~MasterReader();

  // False when the file cannot be opened.
  bool Open(const CString& path);
  bool ReadLine(CString& line);
  void Close();

 private:
  CStdioFile file_;
  CString path_;
  bool open_ = false;
};

// ---- Fields and numbers
//
// A line's fields are those of SplitCStrByComma: the text between two commas,
// the line's end counting as the last comma; a field the line lacks reads as
// "". Which field a text is does not depend on how many fields a caller
// asks for, so fields are read one after the other, left to right.
//
// Numbers read as the C runtime's _wtol, _wtoi and _wtof read them (an empty
// or non-numeric field is 0). The numbers of a master are nearly always plain
// decimal digits, perhaps after a minus: those are converted while the field
// is scanned, without looking for its comma first. Anything else (blanks, a
// plus sign, full-width digits, trailing text, more digits than surely fit)
// goes to the runtime's function, so the result is always the runtime's.

// The first comma in [p, end), or end.
const char16_t* FindComma(const char16_t* p, const char16_t* end);

namespace detail {
// The runtime's function on a terminated copy of the field.
LONG RuntimeLong(std::u16string_view field);
int RuntimeInt(std::u16string_view field);
double RuntimeDouble(std::u16string_view field);
}  // namespace detail

// Reads the fields of a line from left to right. The line must outlive the
// cursor; it is not changed.
class FieldCursor {
 public:
  explicit FieldCursor(std::u16string_view line)
      : p_(line.data()), end_(line.data() + line.size()) {}

  // The next field as text.
  std::u16string_view Text() {
    if (done_) return {};
    const char16_t* comma = FindComma(p_, end_);
    std::u16string_view field(p_, static_cast<std::size_t>(comma - p_));
    Advance(comma);
    return field;
  }
  void Skip(int count = 1) {
    for (int i = 0; i < count; ++i) Text();
  }

  // The next field as a number.
  LONG Long() {
    long long v;
    return Plain(kIntDigits, v) ? static_cast<LONG>(v) : detail::RuntimeLong(Text());
  }
  int Int() {
    long long v;
    return Plain(kIntDigits, v) ? static_cast<int>(v) : detail::RuntimeInt(Text());
  }
  double Double() {
    const char16_t* start = p_;
    long long v;
    if (!Plain(kDoubleDigits, v)) return detail::RuntimeDouble(Text());
    // "-0" reads as negative zero, as the runtime reads it.
    return v == 0 && *start == u'-' ? -0.0 : static_cast<double>(v);
  }

 private:
  static constexpr int kIntDigits = 9;      // any 9 digits fit a 32-bit integer
  static constexpr int kDoubleDigits = 15;  // any 15 digits convert to a double exactly

  void Advance(const char16_t* comma) {
    if (comma == end_) done_ = true;
    else p_ = comma + 1;
  }

  // A field of [-]digits (1 to maxDigits of them) up to its comma or the
  // line's end: its value, and the cursor moves past it. Otherwise the
  // cursor stays, for the runtime to read the field.
  bool Plain(int maxDigits, long long& value) {
    if (done_) return false;
    const char16_t* s = p_;
    bool negative = s != end_ && *s == u'-';
    if (negative) ++s;
    const char16_t* digits = s;
    const char16_t* stop = end_ - s > maxDigits ? s + maxDigits : end_;
    long long v = 0;
    for (; s != stop; ++s) {
      unsigned d = static_cast<unsigned>(*s) - u'0';
      if (d > 9) break;
      v = v * 10 + d;
    }
    if (s == digits || (s != end_ && *s != u',')) return false;
    value = negative ? -v : v;
    Advance(s);
    return true;
  }

  const char16_t* p_;
  const char16_t* end_;
  bool done_ = false;
};

// A text as the runtime reads a number from it (a comma ends the number as
// any other character that cannot continue it would).
inline LONG ToLong(std::u16string_view text) { return FieldCursor(text).Long(); }
inline int ToInt(std::u16string_view text) { return FieldCursor(text).Int(); }
inline double ToDouble(std::u16string_view text) { return FieldCursor(text).Double(); }

// The field at 0-based index of a line, as a number; for the keys by which
// lines are kept, dropped or selected.
inline LONG LongField(std::u16string_view line, int index) {
  FieldCursor f(line);
  f.Skip(index);
  return f.Long();
}
inline int IntField(std::u16string_view line, int index) {
  FieldCursor f(line);
  f.Skip(index);
  return f.Int();
}

// ---- Texts in records

// Copies a text into a record's text field of `capacity` units (terminator
// included): at most capacity - 1 units, up to the text's first NUL (as the
// runtime's string copy stops there), the rest of the field zero-filled. The field may be unaligned (the
// material master records are byte-packed), so it is written bytewise.
void StoreText(void* field, std::size_t capacity, std::u16string_view text);
// The text of a record's text field of `capacity` units: up to its first NUL,
// or all of it when the field holds no NUL. Reads bytewise, like StoreText.
CString TextOf(const void* field, std::size_t capacity);

// Zeroes a record, every byte.
template <class Rec>
void ClearRecord(Rec* rec) {
  std::memset(static_cast<void*>(rec), 0, sizeof(Rec));
}

}  // namespace cmd::master
