// libFuzzer harness over the text drawers: horizontal, vertical and
// multi-line, with fuzzed text, cells, font heights and options, on a
// recording screen and a recording printer. Every call must return without
// a crash and leave no font or pen behind, and no font of its own selected.
//
// Input: two cells of four little-endian int32 each (scaled into the
// 2^24 units either side of the origin that forms use with room to spare),
// lfHeight (int32, any value), lfWidth (int16), lfUnderline, an option byte
// (mode, vertical, oneLine, single), a DrawText format byte, percent (int8),
// a count of lines or columns, a bullet, then the text as UTF-16LE (at most
// 1200 units).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cmddll3/cmddll3.h"

namespace {

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  template <class T>
  T Take() {
    T value{};
    std::size_t n = std::min(sizeof value, size_ - at_);
    std::memcpy(&value, data_ + at_, n);
    at_ += n;
    return value;
  }
  std::u16string Rest(std::size_t maxUnits) {
    std::u16string text;
    while (at_ + 1 < size_ && text.size() < maxUnits) {
      text.push_back(char16_t(data_[at_] | (data_[at_ + 1] << 8)));
      at_ += 2;
    }
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

RECT TakeRect(Reader& in) {
  RECT r;
  r.left = in.Take<std::int32_t>() >> 7;
  r.top = in.Take<std::int32_t>() >> 7;
  r.right = in.Take<std::int32_t>() >> 7;
  r.bottom = in.Take<std::int32_t>() >> 7;
  return r;
}

CDC* Recorder(bool printer) {
  CDC* dc = new CDC;  // lives for the process
  dc->Attach(cmd::gdi::CreateRecordingDC(printer ? 300 : 96, printer));
  cmd::gdi::RecordEverything(*dc, false);
  return dc;
}

void Check(CDC* dc, int liveBefore) {
  if (cmd::gdi::LiveObjectCount() != liveBefore) std::abort();  // a font or pen leaked
  if (::GetCurrentObject(*dc, OBJ_FONT) != ::GetStockObject(SYSTEM_FONT)) std::abort();
  if (::GetCurrentObject(*dc, OBJ_PEN) != ::GetStockObject(BLACK_PEN)) std::abort();
}

struct Input {
  RECT cell, other;
  LOGFONTW font;
  int mode, vertical, oneLine, single;
  UINT format;
  int percent, count, bullet;
  CString text;
};

void DrawAll(CDC* dc, const Input& in) {
  const CString& t = in.text;
  LOGFONTW lf;
  RECT r, r2;
  auto reset = [&] {
    lf = in.font;
    r = in.cell;
    r2 = in.other;
  };
  int live = cmd::gdi::LiveObjectCount();

  reset();
  DrawText2(dc, t, &r, in.format, in.percent, in.mode, RGB(1, 2, 3), &lf, in.vertical, in.oneLine);
  reset();
  DrawTextRectSizeRet2(dc, t, &r, in.format, in.mode, 0, &lf, in.vertical, in.oneLine);
  reset();
  DrawText2Ext(dc, t, &r, t.Mid(t.GetLength() / 2), &r2, in.format, 0, &lf);
  reset();
  DrawDblTextUnderLineExt(dc, &r, &r2, nullptr, t.GetString(), &lf, in.format, in.count, 0);
  reset();
  DrawUnderLine(dc, &r, in.percent, in.count, 0);

  reset();
  DrawTateText2(dc, t, &r, in.single, 0, &lf);
  reset();
  DrawYokoText2(dc, t, &r, in.single, 0, &lf);
  reset();
  DrawSingleTateText(dc, t, &r, 0, 0, &lf);

  reset();
  DrawMaltiTateText(dc, t, &r, in.count, 0, &lf);
  reset();
  DrawMaltiYokoText(dc, t, &r, in.count, 0, &lf);
  reset();
  DrawFixMultiYokoText(dc, t, &r, UINT(in.count), in.format, in.bullet, in.percent, 0, &lf);
  reset();
  DrawFixMultiTateText(dc, t, &r, UINT(in.count), in.format, in.bullet, in.percent, 0, &lf);

  Check(dc, live);
  cmd::gdi::ClearRecording(*dc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CDC* screen = Recorder(false);
  static CDC* printer = Recorder(true);

  Reader reader(data, size);
  Input in;
  in.cell = TakeRect(reader);
  in.other = TakeRect(reader);
  MakeLogFont(&in.font, nullptr, 12, 0, FW_NORMAL, 0, 0, 0);
  in.font.lfHeight = reader.Take<std::int32_t>();
  in.font.lfWidth = reader.Take<std::int16_t>();
  in.font.lfUnderline = reader.Take<std::uint8_t>();
  auto options = reader.Take<std::uint8_t>();
  in.mode = options & 3;             // fit, direct, lines, and 3 as direct
  in.vertical = (options >> 2) & 1;
  in.oneLine = (options >> 3) & 1;
  in.single = (options >> 4) & 1;
  in.format = reader.Take<std::uint8_t>();
  in.percent = reader.Take<std::int8_t>();
  in.count = reader.Take<std::uint8_t>() % 8;
  in.bullet = reader.Take<std::uint8_t>() % 3;
  in.text = CString(reader.Rest(1200));

  DrawAll(screen, in);
  DrawAll(printer, in);

  char16_t buffer[2 * 1200 + 1] = {};
  std::u16string_view text = in.text.str();
  std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
  FormatTateText(buffer);
  return 0;
}
