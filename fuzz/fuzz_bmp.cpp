// libFuzzer harness over the bitmap readers: BMP files, packed DIBs in
// global memory (DrawBitmapFile3) and bitmap resources, each drawn when
// accepted, on an image and a recording device context.
#include <cstdint>
#include <cstring>
#include <string>

#include "cmddll3/cmddll3.h"

namespace {

void Draw(HDC dc, const cmd::gdi::BmpFile& bmp) {
  std::vector<std::uint32_t> block;
  StretchDIBits(dc, 3, 2, 40, 50, 0, 0, bmp.layout.width, bmp.layout.height, bmp.bits.data(),
                bmp.Info(block), DIB_RGB_COLORS, SRCCOPY);
  StretchDIBits(dc, 60, 60, -7, -9, 1, 1, 3, 2, bmp.bits.data(), bmp.Info(block), DIB_RGB_COLORS,
                SRCPAINT);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static HDC image = cmd::gdi::CreateImageDC(64, 64);
  static HDC recorder = [] {
    HDC dc = cmd::gdi::CreateRecordingDC();
    cmd::gdi::RecordEverything(dc, false);
    return dc;
  }();
  static HINSTANCE module = cmd::res::NewModuleHandle();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  cmd::gdi::BmpFile bmp;
  if (cmd::gdi::ParseBmpFile(bytes, bmp)) {
    Draw(image, bmp);
    Draw(recorder, bmp);
  }
  if (cmd::gdi::ParsePackedDib(bytes, bmp)) Draw(image, bmp);

  // The same bytes as an in-memory DIB whose pixel offset is its last WORD.
  if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size)) {
    if (size) std::memcpy(GlobalLock(block), data, size);
    WORD offset = size >= 2 ? WORD(data[size - 2] | (data[size - 1] << 8)) : 0;
    RECT area{0, 0, 64, 64};
    DrawBitmapFile3(image, &area, block, offset, SRCCOPY);
    DrawBitmapFile3(recorder, &area, block, offset, SRCAND);
    GlobalFree(block);
  }

  // And as a bitmap resource drawn through a mask.
  if (cmd::res::RegisterBitmap(module, MAKEINTRESOURCEW(1), bytes)) {
    RECT area{4, 4, 30, 20};
    MaskDrawBitmap(module, image, &area, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(1));
  }
  cmd::gdi::ClearRecording(recorder);
  return 0;
}
