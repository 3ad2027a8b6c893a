// The master text-file rules: folders, reading, fields, numbers, texts.
#include "master/mstfile.h"

#include <algorithm>

#include "cmddll3/frame.h"
#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/shell.h"
#include "master/fileerror.h"

namespace cmd::master {

CString MasterFolder(const CString& folder, int trade, int number) {
  return folder.IsEmpty() ? GetMstDrv(trade, number) : folder;
}

bool FileExists(const CString& path) { return PathFileExistsW(path) != FALSE; }

bool CreateEmptyIfMissing(const CString& path) {
  if (FileExists(path)) return true;
  CStdioFile file;
  if (!file.Open(path, kWriteMode)) return false;
  return CloseReportsSuccess(file);
}

// ---- MasterReader

MasterReader::~MasterReader() { Close(); }

bool MasterReader::Open(const CString& path) {
  Close();
  path_ = path;
  open_ = file_.Open(path, kReadMode) != FALSE;
  return open_;
}

bool MasterReader::ReadLine(CString& line) {
  if (!open_) return false;
  // The framework's ReadString answers FALSE for a line that starts with a
  // NUL, as it does at the end of the file, yet the stream goes on after such
  // a line. The line holds no text the library could read and is skipped; the
  // lines after it must not be lost (a rewrite would drop them all). The end
  // of the file answers FALSE every time, so a run of FALSE answers ends it.
  constexpr int kEndAnswers = 64;
  for (int answers = 0; answers < kEndAnswers; ++answers) {
    if (file_.ReadString(line)) return true;
    if (ReadFailed(file_)) ThrowFileError(file_, path_);
  }
  line.Empty();
  return false;
}

void MasterReader::Close() {
  if (!open_) return;
  open_ = false;
  CloseReportsSuccess(file_);  // nothing was written: a failed close loses nothing
}

// ---- Fields

std::u16string_view FieldOf(std::u16string_view line, int index) {
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    std::size_t comma = line.find(u',', start);
    if (comma == std::u16string_view::npos) return {};
    start = comma + 1;
  }
  std::size_t end = line.find(u',', start);
  return line.substr(start, end == std::u16string_view::npos ? line.size() - start : end - start);
}

// ---- Numbers

namespace {

// Plain decimal digits, optionally after a minus: the form every number of a
// master written by the library takes. Up to maxDigits digits, so the value
// cannot overflow; anything else (blanks, plus signs, full-width digits,
// trailing text, overlong numbers) is left to the runtime.
template <class Char>
bool PlainDecimal(const Char* s, std::size_t n, int maxDigits, long long& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < n && s[i] == u'-') {
    negative = true;
    ++i;
  }
  std::size_t digits = n - i;
  if (digits == 0 || digits > static_cast<std::size_t>(maxDigits)) return false;
  long long v = 0;
  for (; i < n; ++i) {
    unsigned d = static_cast<unsigned>(s[i]) - u'0';
    if (d > 9) return false;
    v = v * 10 + d;
  }
  value = negative ? -v : v;
  return true;
}

std::size_t TerminatedLength(const char16_t* s) {
  std::size_t n = 0;
  while (s[n]) ++n;
  return n;
}

constexpr int kIntDigits = 9;      // fits a 32-bit integer whatever the digits
constexpr int kDoubleDigits = 15;  // converts to a double exactly

}  // namespace

LONG ToLong(const char16_t* field) {
  long long v;
  if (PlainDecimal(field, TerminatedLength(field), kIntDigits, v)) return static_cast<LONG>(v);
  return static_cast<LONG>(_wtol(field));
}

int ToInt(const char16_t* field) {
  long long v;
  if (PlainDecimal(field, TerminatedLength(field), kIntDigits, v)) return static_cast<int>(v);
  return _wtoi(field);
}

double ToDouble(const char16_t* field) {
  long long v;
  if (PlainDecimal(field, TerminatedLength(field), kDoubleDigits, v)) {
    // "-0" reads as negative zero, as the runtime reads it.
    if (v == 0 && field[0] == u'-') return -0.0;
    return static_cast<double>(v);
  }
  return _wtof(field);
}

LONG ToLong(std::u16string_view field) {
  long long v;
  if (PlainDecimal(field.data(), field.size(), kIntDigits, v)) return static_cast<LONG>(v);
  std::u16string terminated(field);
  return static_cast<LONG>(_wtol(terminated.c_str()));
}

int ToInt(std::u16string_view field) {
  long long v;
  if (PlainDecimal(field.data(), field.size(), kIntDigits, v)) return static_cast<int>(v);
  std::u16string terminated(field);
  return _wtoi(terminated.c_str());
}

// ---- Texts

void StoreText(void* field, std::size_t capacity, const char16_t* text) {
  if (capacity == 0) return;
  std::size_t n = 0;
  while (n + 1 < capacity && text[n]) ++n;
  auto* bytes = static_cast<unsigned char*>(field);
  std::memcpy(bytes, text, n * sizeof(char16_t));
  std::memset(bytes + n * sizeof(char16_t), 0, (capacity - n) * sizeof(char16_t));
}

CString TextOf(const void* field, std::size_t capacity) {
  std::u16string text(capacity, u'\0');
  std::memcpy(text.data(), field, capacity * sizeof(char16_t));
  std::size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return CString(std::move(text));
}

}  // namespace cmd::master
