// Fuzzes the text-file reader and the code page converters: the input is
// written to a file and read back with each mode, decoded with each code
// page, and written through the text streams to check the round trips.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/textfile.h"

namespace {

#define CHECK(cond) \
  do {              \
    if (!(cond)) __builtin_trap(); \
  } while (0)

struct Scratch {
  std::filesystem::path dir;
  CString input, output;
  Scratch() {
    std::string base = (std::filesystem::temp_directory_path() / "cmdfuzz-XXXXXX").string();
    CHECK(mkdtemp(base.data()) != nullptr);
    dir = base;
    input = CString::FromUtf8((dir / "in.txt").string());
    output = CString::FromUtf8((dir / "out.txt").string());
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

Scratch& TheScratch() {
  static Scratch s;
  return s;
}

std::vector<CString> ReadAllLines(const CString& path, const char16_t* mode) {
  std::vector<CString> lines;
  CStdioFile f;
  if (!f.Open(path, mode)) return lines;
  CString line;
  while (f.ReadString(line)) lines.push_back(line);
  return lines;
}

void ReadWithEveryMode(std::string_view bytes) {
  Scratch& s = TheScratch();
  {
    // A fresh file each time: truncating one with content is slow on ext4.
    std::error_code ec;
    std::filesystem::remove(s.dir / "in.txt", ec);
    std::ofstream out((s.dir / "in.txt").string(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
  }
  std::vector<CString> unicode = ReadAllLines(s.input, u"rt,ccs=UNICODE");
  ReadAllLines(s.input, u"rt,ccs=UTF-16LE");
  ReadAllLines(s.input, u"rt,ccs=UTF-8");
  ReadAllLines(s.input, u"rt");
  ReadAllLines(s.input, u"rb");

  // The whole-file reader agrees with the ReadString loop, whatever the
  // size of the blocks the stream reads.
  std::vector<CString> whole;
  CHECK(cmd::text::ReadLines(s.input, whole));
  CHECK(whole == unicode);
  if (!bytes.empty()) {
    cmd::text::SetReadBlockSize(std::size_t(uint8_t(bytes[0]) % 7) + 1);
    std::vector<CString> inBlocks = ReadAllLines(s.input, u"rt,ccs=UNICODE");
    cmd::text::SetReadBlockSize(0);
    CHECK(inBlocks == unicode);
  }

  CStdioFile f;
  CHECK(f.Open(s.input, u"rb"));
  std::string back(bytes.size() + 1, '\0');
  UINT n = f.Read(back.data(), UINT(back.size()));
  CHECK(n == bytes.size() && back.compare(0, n, bytes) == 0);
}

void CheckCodePages(std::string_view bytes) {
  // 932: the size query matches the conversion; what fits round-trips.
  std::u16string text = cmd::cp::Decode932(bytes);
  if (!bytes.empty()) {
    int size = MultiByteToWideChar(932, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    CHECK(size == int(text.size()));
    std::u16string small(4, u'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), small.data(),
                        int(small.size()));
  }
  if (cmd::cp::Fits932(text)) CHECK(cmd::cp::Decode932(cmd::cp::Encode932(text)) == text);
  // UTF-8: re-encoding what was decoded gives valid UTF-8 that decodes the same.
  std::u16string utf = cmd::cp::DecodeUtf8(bytes);
  CHECK(cmd::cp::DecodeUtf8(cmd::cp::EncodeUtf8(utf)) == utf);
  // The bytes as UTF-16 units, towards both code pages.
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = char16_t(uint8_t(bytes[2 * i]) | (uint8_t(bytes[2 * i + 1]) << 8));
  if (!units.empty()) {
    BOOL used = FALSE;
    int size = WideCharToMultiByte(932, 0, units.data(), int(units.size()), nullptr, 0, nullptr,
                                   &used);
    std::string mb = cmd::cp::Encode932(units);
    CHECK(size == int(mb.size()));
    char tiny[3];
    WideCharToMultiByte(CP_UTF8, 0, units.data(), int(units.size()), tiny, 3, nullptr, nullptr);
  }
}

// Text written with WriteString reads back as its lines.
void CheckWriteRoundTrip(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t c = char16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8));
    if (c == 0 || c == 0x1A) continue;  // NUL ends a string, Ctrl-Z the input
    text += c;
  }
  std::vector<CString> expected;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find(u'\n', pos);
    if (nl == std::u16string::npos) nl = text.size();
    expected.emplace_back(std::u16string_view(text).substr(pos, nl - pos));
    pos = nl + 1;
  }
  Scratch& s = TheScratch();
  for (bool utf8 : {false, true}) {
    {
      // An append to a missing file writes the mark as "w" would, without
      // the flush to disk that would slow the fuzzing down.
      std::error_code ec;
      std::filesystem::remove(s.dir / "out.txt", ec);
      CStdioFile f;
      CHECK(f.Open(s.output, utf8 ? u"at,ccs=UTF-8" : u"at,ccs=UNICODE"));
      f.WriteString(text.c_str());
      CHECK(f.Close());
    }
    std::vector<CString> back = ReadAllLines(s.output, u"rt,ccs=UNICODE");
    if (utf8) {
      // UTF-8 cannot hold lone surrogates: compare counts only.
      CHECK(back.size() == expected.size());
    } else {
      CHECK(back == expected);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadWithEveryMode(bytes);
  CheckCodePages(bytes);
  CheckWriteRoundTrip(bytes);
  return 0;
}
