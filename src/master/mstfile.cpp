// The master text-file rules: folders, reading, fields, numbers, texts.
#include "master/mstfile.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "cmddll3/frame.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/shell.h"
#include "master/fileerror.h"

namespace cmd::master {

CString MasterFolder(const CString& folder, int trade, int number) {
  return folder.IsEmpty() ? GetMstDrv(trade, number) : folder;
}

CString CombinePath(const CString& folder, const char16_t* name) {
  char16_t path[MAX_PATH] = {};
  if (!PathCombineW(path, folder, name)) return CString();
  return CString(path);
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

namespace {

// Records the field that ends at the comma (or the end) at `end`.
inline void EndField(char16_t* s, std::size_t end, std::size_t& start, int& count,
                     const char16_t** begins, std::size_t* lengths) {
  s[end] = 0;
  begins[count] = s + start;
  lengths[count] = end - start;
  ++count;
  start = end + 1;
}

}  // namespace

int CutAtCommas(char16_t* s, std::size_t n, int max, const char16_t** begins,
                std::size_t* lengths) {
  int count = 0;
  std::size_t start = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Eight units at a time: a master line is mostly text between few commas,
  // and a comparison of eight units takes one step and no guess.
  const __m128i comma = _mm_set1_epi16(static_cast<short>(u','));
  for (; i + 8 <= n && count < max; i += 8) {
    __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, comma)));
    while (mask && count < max) {
      std::size_t at = i + (static_cast<unsigned>(__builtin_ctz(mask)) >> 1);
      EndField(s, at, start, count, begins, lengths);
      mask &= mask - 1;  // each unit sets two bits
      mask &= mask - 1;
    }
  }
#endif
  for (; i < n && count < max; ++i)
    if (s[i] == u',') EndField(s, i, start, count, begins, lengths);
  // The line's end ends the last field; s[n] is the string's terminator.
  if (count < max) {
    begins[count] = s + start;
    lengths[count] = n - start;
    ++count;
  }
  return count;
}

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

template <class Convert>
auto ThroughRuntime(std::u16string_view field, Convert convert) {
  std::u16string terminated(field);
  return convert(terminated.c_str());
}

}  // namespace

LONG ToLong(std::u16string_view field) {
  long long v;
  if (detail::PlainDecimal(field.data(), field.size(), detail::kIntDigits, v))
    return static_cast<LONG>(v);
  return ThroughRuntime(field, [](const char16_t* s) { return _wtol(s); });
}

int ToInt(std::u16string_view field) {
  long long v;
  if (detail::PlainDecimal(field.data(), field.size(), detail::kIntDigits, v))
    return static_cast<int>(v);
  return ThroughRuntime(field, [](const char16_t* s) { return _wtoi(s); });
}

double ToDouble(std::u16string_view field) {
  long long v;
  if (detail::PlainDecimal(field.data(), field.size(), detail::kDoubleDigits, v))
    return detail::PlainDouble(v, field[0] == u'-');
  return ThroughRuntime(field, [](const char16_t* s) { return _wtof(s); });
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
