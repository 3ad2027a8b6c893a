// Builds BMP files and packed DIBs for the bitmap tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cmddll3/platform/gdi.h"

namespace cmdtest {

struct DibRecipe {
  int width = 1;
  int height = 1;  // rows; stored bottom-up unless topDown
  int bitCount = 24;
  bool topDown = false;
  std::vector<RGBQUAD> colors{};  // the colour table written (biClrUsed = its size when not 2^bits)
  DWORD compression = BI_RGB;
  std::vector<DWORD> masks{};   // BI_BITFIELDS
};

// pixel(x, y), y counted from the top: a colour index for 8 bits and fewer,
// 0xRRGGBB for 24 and 32 bits, the raw value for 16 bits.
using PixelFn = std::function<std::uint32_t(int x, int y)>;

inline void PutLE(std::string& s, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
}

// A copy of bytes with a little-endian field of n bytes put at an offset:
// a header made wrong in one place.
inline std::string With(std::string s, std::size_t at, std::uint32_t v, std::size_t n = 4) {
  for (std::size_t i = 0; i < n; ++i) s.at(at + i) = char((v >> (8 * i)) & 0xFF);
  return s;
}

inline std::string DibPixels(const DibRecipe& recipe, const PixelFn& pixel) {
  std::size_t stride = ((std::size_t(recipe.width) * recipe.bitCount + 31) / 32) * 4;
  std::string bits(stride * recipe.height, '\0');
  for (int row = 0; row < recipe.height; ++row) {
    int y = recipe.topDown ? row : recipe.height - 1 - row;
    unsigned char* line = reinterpret_cast<unsigned char*>(bits.data()) + stride * row;
    for (int x = 0; x < recipe.width; ++x) {
      std::uint32_t v = pixel(x, y);
      switch (recipe.bitCount) {
        case 1: line[x / 8] |= (v & 1) << (7 - x % 8); break;
        case 4: line[x / 2] |= (v & 0xF) << (x % 2 ? 0 : 4); break;
        case 8: line[x] = std::uint8_t(v); break;
        case 16: line[2 * x] = std::uint8_t(v); line[2 * x + 1] = std::uint8_t(v >> 8); break;
        case 24:
          line[3 * x] = std::uint8_t(v);
          line[3 * x + 1] = std::uint8_t(v >> 8);
          line[3 * x + 2] = std::uint8_t(v >> 16);
          break;
        case 32: std::memcpy(line + 4 * x, &v, 4); break;
      }
    }
  }
  return bits;
}

inline std::string DibHeader(const DibRecipe& recipe, std::size_t imageBytes) {
  std::string h;
  PutLE(h, 40, 4);
  PutLE(h, std::uint32_t(recipe.width), 4);
  PutLE(h, std::uint32_t(recipe.topDown ? -recipe.height : recipe.height), 4);
  PutLE(h, 1, 2);
  PutLE(h, std::uint32_t(recipe.bitCount), 2);
  PutLE(h, recipe.compression, 4);
  PutLE(h, std::uint32_t(imageBytes), 4);
  PutLE(h, 3780, 4);
  PutLE(h, 3780, 4);
  bool full = recipe.bitCount <= 8 && recipe.colors.size() == (std::size_t(1) << recipe.bitCount);
  PutLE(h, full ? 0 : std::uint32_t(recipe.colors.size()), 4);
  PutLE(h, 0, 4);
  for (const RGBQUAD& q : recipe.colors) h.append(reinterpret_cast<const char*>(&q), 4);
  for (DWORD m : recipe.masks) PutLE(h, m, 4);
  return h;
}

// A packed DIB: header, colours (or masks), pixels.
inline std::string PackedDib(const DibRecipe& recipe, const PixelFn& pixel) {
  std::string bits = DibPixels(recipe, pixel);
  return DibHeader(recipe, bits.size()) + bits;
}

// A BMP file: the 14-byte file header before a packed DIB whose last
// pixelBytes bytes are its pixels.
inline std::string WithFileHeader(const std::string& dib, std::size_t pixelBytes) {
  std::string f = "BM";
  PutLE(f, std::uint32_t(14 + dib.size()), 4);
  PutLE(f, 0, 4);
  PutLE(f, std::uint32_t(14 + dib.size() - pixelBytes), 4);
  return f + dib;
}

inline std::string BmpFileBytes(const DibRecipe& recipe, const PixelFn& pixel) {
  return WithFileHeader(PackedDib(recipe, pixel), DibPixels(recipe, pixel).size());
}

// A run-length coded BMP file (BI_RLE8 for 8 bits, BI_RLE4 for 4) holding
// the codes given, and the same as a packed DIB.
inline std::string RunLengthDib(DibRecipe recipe, const std::string& codes) {
  recipe.compression = recipe.bitCount == 4 ? BI_RLE4 : BI_RLE8;
  return DibHeader(recipe, codes.size()) + codes;
}
inline std::string RunLengthBmpFile(const DibRecipe& recipe, const std::string& codes) {
  return WithFileHeader(RunLengthDib(recipe, codes), codes.size());
}

inline RGBQUAD Quad(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return RGBQUAD{b, g, r, 0}; }

// A grey ramp palette of n entries.
inline std::vector<RGBQUAD> GreyPalette(int n) {
  std::vector<RGBQUAD> p;
  for (int i = 0; i < n; ++i) {
    auto v = std::uint8_t(n == 1 ? 0 : i * 255 / (n - 1));
    p.push_back(Quad(v, v, v));
  }
  return p;
}

}  // namespace cmdtest
