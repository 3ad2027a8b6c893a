// Device-independent bitmaps: measuring a header, taking BMP files and
// packed DIBs apart without trusting their headers, and decoding pixels.
#include <bit>
#include <cstring>

#include "platform/gdi/internal.h"

namespace cmd::gdi {
namespace {

constexpr int kMaxSide = 32767;
constexpr std::int64_t kMaxDots = std::int64_t(1) << 26;

bool KnownHeaderSize(DWORD size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

template <class T>
T ReadLE(const unsigned char* p) {
  T v{};
  std::memcpy(&v, p, sizeof v);  // the records are little-endian, as is the host
  return v;
}

const unsigned char* Bytes(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// Masks of a BI_BITFIELDS image: inside headers of 52 bytes and more, else
// the three DWORDs after the header.
bool MasksInHeader(const BITMAPINFOHEADER& h) { return h.biSize >= 52; }

struct Channel {
  DWORD mask = 0;
  int shift = 0;
  int bits = 0;
  BYTE Of(DWORD p) const {
    if (!mask) return 0;
    DWORD v = (p & mask) >> shift;
    DWORD max = (bits >= 32) ? 0xFFFFFFFFu : ((DWORD(1) << bits) - 1);
    if (bits >= 8) return BYTE(v >> (bits - 8));
    return BYTE((v * 255 + max / 2) / max);
  }
};

Channel MakeChannel(DWORD mask) {
  Channel c;
  c.mask = mask;
  if (mask) {
    c.shift = std::countr_zero(mask);
    c.bits = std::popcount(mask);
  }
  return c;
}

// Fills a BmpFile's colours from the bytes after (or inside) the header.
bool TakeColors(std::string_view bytes, std::size_t headerAt, const BITMAPINFOHEADER& raw,
                BmpFile& bmp) {
  const DibLayout& L = bmp.layout;
  std::size_t after = headerAt + raw.biSize;
  bmp.colors.clear();
  if (raw.biCompression == BI_BITFIELDS) {
    std::size_t at = MasksInHeader(raw) ? headerAt + 40 : after;
    if (at + 12 > bytes.size()) return false;
    for (int i = 0; i < 3; ++i) {
      DWORD m = ReadLE<DWORD>(Bytes(bytes) + at + 4 * i);
      RGBQUAD q;
      std::memcpy(&q, &m, 4);
      bmp.colors.push_back(q);
    }
    return true;
  }
  if (L.bitCount > 8) return true;
  std::size_t declared = raw.biClrUsed ? raw.biClrUsed : (std::size_t(1) << L.bitCount);
  if (after + 4 * declared > bytes.size()) return false;  // table past the end
  for (std::size_t i = 0; i < declared; ++i) {
    RGBQUAD q;
    std::memcpy(&q, bytes.data() + after + 4 * i, 4);
    bmp.colors.push_back(q);
  }
  return true;
}

// The header handed on describes exactly the colours kept: 40 bytes, and no
// colour table for images of more than 8 bits (where a table is only a hint
// for palette devices, and is not copied).
void Normalise(const BITMAPINFOHEADER& raw, BmpFile& bmp) {
  bmp.header = raw;
  bmp.header.biSize = 40;
  if (raw.biBitCount > 8) bmp.header.biClrUsed = 0;
  MeasureDib(bmp.header, DIB_RGB_COLORS, bmp.layout);
}

// Run-length codes (BI_RLE8, BI_RLE4) as the stretch call reads them: a
// count and a colour byte paint count dots (two alternating nibbles in
// RLE4); a 0 byte escapes: 0 ends the line, 1 ends the image, 2 moves right
// and up by the next two bytes, n >= 3 is n literal dots, padded to a WORD.
// Rows count from the bottom. Dots outside the image are dropped; dots never
// painted keep what out held; the codes end at the end of the data.
void DecodeRunLength(const unsigned char* src, std::size_t size, const DibLayout& L,
                     const std::uint32_t* table, Pixmap& out) {
  const bool four = L.bitCount == 4;
  long long x = 0, row = 0;
  auto paint = [&](unsigned index) {
    if (x < L.width && row < L.height)
      out.Set(int(x), L.height - 1 - int(row), table[index]);
    ++x;
  };
  std::size_t p = 0;
  while (p + 2 <= size && row < L.height) {
    const unsigned count = src[p], code = src[p + 1];
    p += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i)
        paint(four ? ((i % 2 == 0) ? code >> 4 : code & 0xF) : code);
    } else if (code == 0) {
      x = 0;
      ++row;
    } else if (code == 1) {
      return;
    } else if (code == 2) {
      if (p + 2 > size) return;
      x += src[p];
      row += src[p + 1];
      p += 2;
    } else {
      const std::size_t bytes = four ? (code + 1) / 2 : code;
      for (unsigned i = 0; i < code && p + (four ? i / 2 : i) < size; ++i) {
        const unsigned byte = src[p + (four ? i / 2 : i)];
        paint(four ? ((i % 2 == 0) ? byte >> 4 : byte & 0xF) : byte);
      }
      p += (bytes + 1) & ~std::size_t(1);
    }
  }
}

}  // namespace

bool MeasureDib(const BITMAPINFOHEADER& h, UINT usage, DibLayout& L) {
  L = DibLayout{};
  if (h.biSize < 40 || h.biSize > 124) return false;
  if (h.biWidth <= 0 || h.biWidth > kMaxSide) return false;
  if (h.biHeight == 0 || h.biHeight < -kMaxSide || h.biHeight > kMaxSide) return false;
  std::int64_t height = h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight;
  if (h.biWidth * height > kMaxDots) return false;
  int bits = h.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const bool runLength = (h.biCompression == BI_RLE8 && bits == 8) ||
                         (h.biCompression == BI_RLE4 && bits == 4);
  if (h.biCompression != BI_RGB && !runLength &&
      !(h.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)))
    return false;
  if (runLength && h.biHeight < 0) return false;  // run-length images are bottom-up
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return false;
  if (h.biClrUsed > 256) return false;
  L.width = h.biWidth;
  L.height = int(height);
  L.topDown = h.biHeight < 0;
  L.bitCount = bits;
  std::size_t entry = usage == DIB_PAL_COLORS ? 2 : 4;
  if (bits <= 8) {
    std::size_t max = std::size_t(1) << bits;
    std::size_t declared = h.biClrUsed ? h.biClrUsed : max;
    L.colorCount = declared < max ? declared : max;
    L.colorBytes = declared * entry;
  } else {
    L.colorBytes = std::size_t(h.biClrUsed) * 4;
    if (h.biCompression == BI_BITFIELDS && !MasksInHeader(h)) L.colorBytes += 12;
  }
  L.stride = ((std::size_t(L.width) * std::size_t(bits) + 31) / 32) * 4;
  L.imageBytes = runLength ? std::size_t(h.biSizeImage) : L.stride * std::size_t(L.height);
  L.runLength = runLength;
  return true;
}

std::vector<std::uint32_t> BmpFile::InfoBlock() const {
  std::vector<std::uint32_t> block(10 + (colors.empty() ? 1 : colors.size()), 0);
  std::memcpy(block.data(), &header, sizeof header);
  if (!colors.empty()) std::memcpy(block.data() + 10, colors.data(), colors.size() * 4);
  return block;
}

bool ParseBmpFile(std::string_view bytes, BmpFile& bmp) {
  bmp = BmpFile{};
  if (bytes.size() < 14 + 40) return false;
  const unsigned char* p = Bytes(bytes);
  bmp.file.bfType = ReadLE<WORD>(p);
  bmp.file.bfSize = ReadLE<DWORD>(p + 2);
  bmp.file.bfReserved1 = ReadLE<WORD>(p + 6);
  bmp.file.bfReserved2 = ReadLE<WORD>(p + 8);
  bmp.file.bfOffBits = ReadLE<DWORD>(p + 10);
  if (bmp.file.bfType != 0x4D42) return false;  // "BM"
  BITMAPINFOHEADER raw;
  std::memcpy(&raw, p + 14, sizeof raw);
  if (!KnownHeaderSize(raw.biSize) || 14 + std::size_t(raw.biSize) > bytes.size()) return false;
  if (!MeasureDib(raw, DIB_RGB_COLORS, bmp.layout)) return false;
  std::size_t offset = bmp.file.bfOffBits;
  if (offset < 14 + std::size_t(raw.biSize) || offset >= bytes.size()) return false;
  if (!TakeColors(bytes, 14, raw, bmp)) return false;
  // The pixel data is what the header implies, from bfOffBits; of a file
  // that ends early, what it holds (bfSize is not trusted either way).
  const std::size_t held = bytes.size() - offset;
  const DibLayout& L = bmp.layout;
  bmp.fullHeight = L.height;
  if (L.runLength) {
    if (raw.biSizeImage == 0 || raw.biSizeImage > held) raw.biSizeImage = DWORD(held);
    bmp.bits = bytes.substr(offset, raw.biSizeImage);
  } else if (held < L.imageBytes) {
    const std::size_t rows = held / L.stride;  // the whole rows the file holds
    if (rows == 0) return false;
    raw.biHeight = L.topDown ? -int(rows) : int(rows);
    bmp.bits = bytes.substr(offset, rows * L.stride);
  } else {
    bmp.bits = bytes.substr(offset, L.imageBytes);
  }
  Normalise(raw, bmp);
  return true;
}

bool ParsePackedDib(std::string_view bytes, BmpFile& bmp) {
  bmp = BmpFile{};
  if (bytes.size() < 40) return false;
  BITMAPINFOHEADER raw;
  std::memcpy(&raw, bytes.data(), sizeof raw);
  if (!KnownHeaderSize(raw.biSize) || raw.biSize > bytes.size()) return false;
  if (!MeasureDib(raw, DIB_RGB_COLORS, bmp.layout)) return false;
  if (!TakeColors(bytes, 0, raw, bmp)) return false;
  std::size_t offset = std::size_t(raw.biSize) + bmp.layout.colorBytes;
  if (offset > bytes.size() || bytes.size() - offset < bmp.layout.imageBytes) return false;
  bmp.bits = bytes.substr(offset, bmp.layout.imageBytes);
  Normalise(raw, bmp);
  return true;
}

bool DecodeDib(const BITMAPINFO* info, const void* bits, UINT usage, const PaletteObj* palette,
               Pixmap& out, std::uint32_t skipped) {
  if (!info || !bits) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  DibLayout L;
  if (!MeasureDib(h, usage, L)) return false;
  const auto* colors = reinterpret_cast<const unsigned char*>(info) + h.biSize;

  std::uint32_t table[256];
  std::fill(std::begin(table), std::end(table), kBlack);
  for (std::size_t i = 0; i < L.colorCount; ++i) {
    if (usage == DIB_PAL_COLORS) {
      WORD index = ReadLE<WORD>(colors + 2 * i);
      if (palette && index < palette->entries.size()) {
        const PALETTEENTRY& e = palette->entries[index];
        table[i] = ToArgb(RGB(e.peRed, e.peGreen, e.peBlue));
      }
    } else {
      table[i] = 0xFF000000u | (std::uint32_t(colors[4 * i + 2]) << 16) |
                 (std::uint32_t(colors[4 * i + 1]) << 8) | colors[4 * i];
    }
  }
  Channel r, g, b;
  if (h.biCompression == BI_BITFIELDS) {
    const auto* m = MasksInHeader(h) ? reinterpret_cast<const unsigned char*>(info) + 40 : colors;
    r = MakeChannel(ReadLE<DWORD>(m));
    g = MakeChannel(ReadLE<DWORD>(m + 4));
    b = MakeChannel(ReadLE<DWORD>(m + 8));
  } else if (L.bitCount == 16) {
    r = MakeChannel(0x7C00);
    g = MakeChannel(0x03E0);
    b = MakeChannel(0x001F);
  } else {
    r = MakeChannel(0xFF0000);
    g = MakeChannel(0x00FF00);
    b = MakeChannel(0x0000FF);
  }

  const auto* src = static_cast<const unsigned char*>(bits);
  if (L.runLength) {
    out = Pixmap(L.width, L.height, skipped);
    DecodeRunLength(src, L.imageBytes, L, table, out);
    return true;
  }
  out = Pixmap(L.width, L.height, kBlack);
  for (int row = 0; row < L.height; ++row) {
    const unsigned char* line = src + L.stride * std::size_t(row);
    int y = L.topDown ? row : L.height - 1 - row;
    std::uint32_t* dst = out.px.data() + std::size_t(y) * L.width;
    for (int x = 0; x < L.width; ++x) {
      std::uint32_t v;
      switch (L.bitCount) {
        case 1: v = table[(line[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: v = table[(line[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]; break;
        case 8: v = table[line[x]]; break;
        case 16: {
          DWORD p = ReadLE<WORD>(line + 2 * x);
          v = 0xFF000000u | (std::uint32_t(r.Of(p)) << 16) | (std::uint32_t(g.Of(p)) << 8) | b.Of(p);
          break;
        }
        case 24: {
          const unsigned char* q = line + 3 * std::size_t(x);
          v = 0xFF000000u | (std::uint32_t(q[2]) << 16) | (std::uint32_t(q[1]) << 8) | q[0];
          break;
        }
        default: {
          DWORD p = ReadLE<DWORD>(line + 4 * std::size_t(x));
          v = 0xFF000000u | (std::uint32_t(r.Of(p)) << 16) | (std::uint32_t(g.Of(p)) << 8) | b.Of(p);
          break;
        }
      }
      dst[x] = v;
    }
  }
  return true;
}

}  // namespace cmd::gdi
