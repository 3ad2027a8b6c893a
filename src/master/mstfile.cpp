// The master text-file rules: folders, reading, fields, numbers, texts.
#include "master/mstfile.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "cmddll3/frame.h"
#include "cmddll3/platform/crt.h"
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
  // lines after it, however many such lines precede them, must not be lost (a
  // rewrite would drop them all). Only the stream itself says where it ends.
  for (;;) {
    if (file_.ReadString(line)) return true;
    if (ReadFailed(file_)) ThrowFileError(file_, path_);
    if (file_.AtEnd()) break;
  }
  if (ReadFailed(file_)) ThrowFileError(file_, path_);
  line.Empty();
  return false;
}

void MasterReader::Close() {
  if (!open_) return;
  open_ = false;
  CloseReportsSuccess(file_);  // nothing was written: a failed close loses nothing
}

// ---- Fields and numbers

const char16_t* FindComma(const char16_t* p, const char16_t* end) {
#if defined(__SSE2__)
  // Eight units at a time: a master's texts are mostly long runs without a
  // comma, and one comparison of eight units needs no guess per unit.
  const __m128i comma = _mm_set1_epi16(static_cast<short>(u','));
  for (; end - p >= 8; p += 8) {
    __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(units, comma));
    if (mask) return p + (__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
  }
#endif
  for (; p != end; ++p)
    if (*p == u',') return p;
  return end;
}

namespace detail {
namespace {

// The runtime reads a field that is not plain decimal from a terminated
// copy. An empty field is 0 without it.
template <class Convert>
auto ThroughRuntime(std::u16string_view field, Convert convert) -> decltype(convert(u"")) {
  if (field.empty()) return 0;
  std::u16string terminated(field);
  return convert(terminated.c_str());
}

}  // namespace

LONG RuntimeLong(std::u16string_view field) {
  return ThroughRuntime(field, [](const char16_t* s) { return _wtol(s); });
}
int RuntimeInt(std::u16string_view field) {
  return ThroughRuntime(field, [](const char16_t* s) { return _wtoi(s); });
}
double RuntimeDouble(std::u16string_view field) {
  return ThroughRuntime(field, [](const char16_t* s) { return _wtof(s); });
}

}  // namespace detail

// ---- Texts

void StoreText(void* field, std::size_t capacity, std::u16string_view text) {
  if (capacity == 0) return;
  std::size_t n = std::min(text.size(), capacity - 1);
  n = std::min(n, text.substr(0, n).find(u'\0'));
  auto* bytes = static_cast<unsigned char*>(field);
  if (n) std::memcpy(bytes, text.data(), n * sizeof(char16_t));
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
