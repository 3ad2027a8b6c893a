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

#include "cmddll3/platform/crt.h"
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

// ---- Numbers, as the C runtime reads them
//
// The numbers of a master are nearly always plain decimal digits, perhaps
// after a minus; those are converted here, inline. Anything else (blanks, a
// plus sign, full-width digits, trailing text, more digits than surely fit)
// goes to the runtime's _wtol, _wtoi or _wtof, so the result is always the
// runtime's: an empty or non-numeric field reads as 0.

namespace detail {

inline constexpr int kIntDigits = 9;      // any 9 digits fit a 32-bit integer
inline constexpr int kDoubleDigits = 15;  // any 15 digits convert to a double exactly

// Parses [-]digits (1 to maxDigits of them) filling all n units; false for
// anything else.
inline bool PlainDecimal(const char16_t* s, std::size_t n, int maxDigits, long long& value) {
  std::size_t i = 0;
  bool negative = n > 0 && s[0] == u'-';
  if (negative) i = 1;
  if (n == i || n - i > static_cast<std::size_t>(maxDigits)) return false;
  long long v = 0;
  for (; i < n; ++i) {
    unsigned d = static_cast<unsigned>(s[i]) - u'0';
    if (d > 9) return false;
    v = v * 10 + d;
  }
  value = negative ? -v : v;
  return true;
}

inline double PlainDouble(long long v, bool negative) {
  // "-0" reads as negative zero, as the runtime reads it.
  return v == 0 && negative ? -0.0 : static_cast<double>(v);
}

}  // namespace detail

// A field that is not terminated (it is copied for the runtime when needed).
LONG ToLong(std::u16string_view field);   // _wtol
int ToInt(std::u16string_view field);     // _wtoi
double ToDouble(std::u16string_view field);  // _wtof

// ---- Fields

// Cuts the n units at s at their commas, in place: each comma becomes a NUL
// and at most `max` fields are recorded (start and length); the text after
// the last comma is the last field, ended by the NUL that follows the n
// units. Returns the number of fields recorded.
int CutAtCommas(char16_t* s, std::size_t n, int max, const char16_t** begins,
                std::size_t* lengths);

// A line cut in place at its commas, with the results of SplitCStrByComma:
// at most Max fields, each the text between two commas (the line's end counts
// as a comma); fields the line lacks read as "". The commas are overwritten
// with NUL units, so each field is a terminated string inside the line's own
// buffer: the line must outlive the fields and is no longer the line.
template <int Max>
class CommaFields {
 public:
  explicit CommaFields(std::u16string& line)
      : count_(CutAtCommas(line.data(), line.size(), Max, begin_, length_)) {}
  int count() const { return count_; }
  bool has(int i) const { return i < count_; }
  // Field i (0-based) as a terminated string; "" when the line lacks it.
  const char16_t* operator[](int i) const { return i < count_ ? begin_[i] : u""; }
  std::u16string_view view(int i) const {
    return i < count_ ? std::u16string_view(begin_[i], length_[i]) : std::u16string_view();
  }

  // Field i as the runtime's _wtol, _wtoi and _wtof read it.
  LONG Long(int i) const {
    long long v;
    if (i < count_ && detail::PlainDecimal(begin_[i], length_[i], detail::kIntDigits, v))
      return static_cast<LONG>(v);
    return _wtol((*this)[i]);
  }
  int Int(int i) const {
    long long v;
    if (i < count_ && detail::PlainDecimal(begin_[i], length_[i], detail::kIntDigits, v))
      return static_cast<int>(v);
    return _wtoi((*this)[i]);
  }
  double Double(int i) const {
    long long v;
    if (i < count_ && detail::PlainDecimal(begin_[i], length_[i], detail::kDoubleDigits, v))
      return detail::PlainDouble(v, begin_[i][0] == u'-');
    return _wtof((*this)[i]);
  }

 private:
  const char16_t* begin_[Max];
  std::size_t length_[Max];
  int count_;
};

// The field at 0-based index of a line, without cutting the line: the text
// after the index-th comma up to the next comma or the end ("" when the line
// has fewer commas). The same field as CommaFields gives for any Max > index.
std::u16string_view FieldOf(std::u16string_view line, int index);

// ---- Texts in records

// Copies a terminated text into a record's text field of `capacity` units
// (terminator included): at most capacity - 1 units, up to the text's first
// NUL, the rest of the field zero-filled. The field may be unaligned (the
// material master records are byte-packed), so it is written bytewise.
void StoreText(void* field, std::size_t capacity, const char16_t* text);
// The text of a record's text field of `capacity` units: up to its first NUL,
// or all of it when the field holds no NUL. Reads bytewise, like StoreText.
CString TextOf(const void* field, std::size_t capacity);

// Zeroes a record, every byte.
template <class Rec>
void ClearRecord(Rec* rec) {
  std::memset(static_cast<void*>(rec), 0, sizeof(Rec));
}

}  // namespace cmd::master
