// The input history file "histry.mst".
//
// Layout: bytes 0 to 99 hold the count of each history (0 to 30); the block
// of history k starts at 100 + 3000 * k and holds 30 records of 100 bytes,
// slot 0 the text entered last. A record is the UTF-16LE text, a zero unit
// and filler. An update rewrites one count byte and one block in place,
// never the whole file.
#include "cmddll3/history.h"

#include <algorithm>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/util_hankaku.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/shell.h"

namespace {

constexpr int kHistories = 100;     // the size of the count table
constexpr int kTexts = 30;          // records of a block
constexpr int kRecordBytes = 100;
constexpr int kRecordUnits = kRecordBytes / 2;
constexpr int kMaxTextUnits = kRecordUnits - 1;  // room for the terminator
constexpr int kBlockBytes = kTexts * kRecordBytes;
constexpr int kTableBytes = kHistories;
constexpr int kWindowTextUnits = MAX_PATH;

bool IsHistoryNumber(int history) { return history >= 0 && history < kHistories; }

LONGLONG BlockOffset(int history) {
  return kTableBytes + static_cast<LONGLONG>(kBlockBytes) * history;
}

CString HistoryPath() { return GetPathIni() + u"histry.mst"; }

// A text as a record holds it: up to its first NUL, at most 49 units, and
// never ending in the first half of a surrogate pair.
std::u16string_view RecordFit(std::u16string_view t) {
  t = t.substr(0, t.find(u'\0'));
  if (t.size() <= kMaxTextUnits) return t;
  std::size_t n = kMaxTextUnits;
  if (t[n - 1] >= 0xD800 && t[n - 1] <= 0xDBFF) --n;
  return t.substr(0, n);
}

// One record: the text (cut to fit), its terminator and `filler` up to 100
// bytes.
void AppendRecord(std::string& out, std::u16string_view text, char filler) {
  text = RecordFit(text);
  std::string record(kRecordBytes, filler);
  for (std::size_t i = 0; i < text.size(); ++i) {
    record[2 * i] = char(text[i] & 0xFF);
    record[2 * i + 1] = char(text[i] >> 8);
  }
  record[2 * text.size()] = 0;
  record[2 * text.size() + 1] = 0;
  out += record;
}

// The text of a record: up to its terminator, or all 50 units of a record
// that has none.
CString RecordText(const unsigned char* record) {
  std::u16string text;
  for (int i = 0; i < kRecordUnits; ++i) {
    char16_t c = char16_t(record[2 * i] | (record[2 * i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return CString(std::move(text));
}

// Writes the count byte of a history and then its records, in that order.
void WriteHistory(CFile& file, int history, const std::string& records, int count) {
  BYTE countByte = static_cast<BYTE>(count);
  file.Seek(history, CFile::begin);
  file.Write(&countByte, 1);
  file.Seek(BlockOffset(history), CFile::begin);
  file.Write(records.data(), static_cast<UINT>(records.size()));
}

}  // namespace

int ReadHist(int history, CString* texts) {
  if (!texts) return 0;
  for (int i = 0; i < kTexts; ++i) texts[i].Empty();
  if (!IsHistoryNumber(history)) return 0;
  CString path = HistoryPath();
  if (!PathFileExistsW(path)) return 0;
  try {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return 0;
    file.Seek(history, CFile::begin);
    signed char countByte;
    if (file.Read(&countByte, 1) != 1) return 0;
    // The library writes 0 to 30; a byte outside that reads as what fits in
    // the caller's 30 strings.
    int count = std::clamp<int>(countByte, 0, kTexts);
    std::vector<unsigned char> block(static_cast<std::size_t>(count) * kRecordBytes);
    file.Seek(BlockOffset(history), CFile::begin);
    UINT got = count ? file.Read(block.data(), static_cast<UINT>(block.size())) : 0;
    int complete = std::min<int>(count, static_cast<int>(got / kRecordBytes));
    for (int i = 0; i < complete; ++i)
      texts[i] = CStrCutSpace(RecordText(&block[static_cast<std::size_t>(i) * kRecordBytes]), 0);
    return complete;
  } catch (const CFileException&) {
    for (int i = 0; i < kTexts; ++i) texts[i].Empty();
    return 0;
  }
}

void WriteHist(int history, int count, const CString* texts) {
  if (!IsHistoryNumber(history) || count < 0 || count > kTexts || (count > 0 && !texts)) return;
  std::string records;
  for (int i = 0; i < count; ++i) AppendRecord(records, texts[i].str(), 0);
  try {
    CFile file;
    if (!file.Open(HistoryPath(), CFile::modeReadWrite | CFile::typeBinary)) return;
    WriteHistory(file, history, records, count);
    file.Close();
  } catch (const CFileException&) {
    // As documented: a history that cannot be written is left as it is.
  }
}

void UpdateHist(int history, const char16_t* text) {
  if (!IsHistoryNumber(history) || !text) return;
  const std::u16string_view newest = RecordFit(text);

  // The old texts as they will be written again: a record read without a
  // terminator holds 50 units and is cut like any other text.
  CString old[kTexts];
  int oldCount = ReadHist(history, old);
  std::vector<std::u16string_view> list{newest};
  for (int i = 0; i < oldCount && list.size() < kTexts; ++i) {
    std::u16string_view kept = RecordFit(old[i].str());
    if (kept != newest) list.push_back(kept);
  }

  std::string records;
  for (std::u16string_view t : list) AppendRecord(records, t, ' ');

  CString path = HistoryPath();
  CFile file;
  CFileException error;
  if (!PathFileExistsW(path)) {
    if (!file.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary, &error))
      throw error;
    const char table[kTableBytes] = {};
    file.Write(table, kTableBytes);
  } else if (!file.Open(path, CFile::modeReadWrite | CFile::typeBinary, &error)) {
    throw error;
  }
  WriteHistory(file, history, records, static_cast<int>(list.size()));
  file.Close();
}

const char16_t* UpHistString(CWnd* window, int history) {
  static char16_t buffer[kWindowTextUnits];
  buffer[0] = 0;
  if (window) window->GetWindowTextW(buffer, kWindowTextUnits);
  if (buffer[0]) UpdateHist(history, buffer);
  return buffer;
}
