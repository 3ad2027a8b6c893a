// libFuzzer harness for the C-runtime subset: formats and arguments taken
// from the input go through the printf engine (whole and into small exact
// buffers), the input's text goes through swscanf with fixed and fuzzed
// formats into bounded outputs, and numbers make round trips through text.
//
// Input layout: byte 0 = format length in bytes, byte 1 = argument count
// (mod 9), then the format, then 9 bytes per argument (kind, 8 bytes of
// payload), then a pool from which string arguments and the scanned text
// are cut. In the format and the text a byte is one unit, except 0xFF,
// which makes a unit of the two bytes after it (so any UTF-16 unit occurs).
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cmddll3/platform/crt.h"

namespace {

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Left() const { return size_ - pos_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint64_t Word() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t(Byte()) << (8 * i);
    return v;
  }
  std::u16string Units(std::size_t bytes) {
    std::u16string out;
    std::size_t end = pos_ + std::min(bytes, Left());
    while (pos_ < end) {
      std::uint8_t b = data_[pos_++];
      if (b == 0xFF && pos_ + 2 <= end) {
        out += char16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
      } else {
        out += char16_t(b);
      }
    }
    return out;
  }
  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(data_ + pos_), Left());
    pos_ = size_;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::u16string UnitsOf(const std::string& bytes) {
  Reader r(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return r.Units(bytes.size());
}

void FuzzFormat(const std::u16string& format, const std::vector<FormatArg>& args,
                std::uint64_t sizes) {
  std::u16string whole = FormatArgs(format.c_str(), args.data(), args.size());
  // Fields may be a million units wide; repeating those only costs time.
  if (whole.size() > 20000) return;
  CString viaCString;
  viaCString.FormatList(format.c_str(), args.data(), args.size());
  Check(viaCString.str() == whole);

  // Into buffers of exactly the given size, so any write past them is seen.
  for (std::size_t size : {std::size_t(sizes & 0x0F), std::size_t((sizes >> 4) & 0x3F)}) {
    std::vector<char16_t> buffer(size);
    int r = FormatArgsToBuffer(buffer.data(), size, format.c_str(), args.data(), args.size());
    if (r >= 0) {
      Check(static_cast<std::size_t>(r) == whole.size() && r < static_cast<int>(size));
      Check(std::u16string(buffer.data(), static_cast<std::size_t>(r)) == whole);
    } else if (size > 0) {
      Check(whole.size() >= size - 1 && buffer[size - 1] == 0);
      Check(std::u16string(buffer.data(), size - 1) == whole.substr(0, size - 1));
    }
  }
}

void FuzzScan(const std::u16string& text, const std::u16string& fuzzedFormat) {
  static const char16_t* const kFormats[] = {
      u"%[^,],%[^,],%[^,]", u"%d %lf %s %c",  u"%20[^,]%n,%i",
      u"%x%o%u%e%g",        u"%[^:]:%[^:]",   u"%*[^,],%3c%lld",
      u"%[]a-z^-]%5s%hd",   u"%I64d%%%[^\n]",
  };
  int i = 0;
  long long ll = 0;
  unsigned u = 0;
  double d = 0;
  float f = 0;
  short h = 0;
  CString s;
  std::u16string s2;
  std::vector<char16_t> small(3, u'#');
  std::vector<char16_t> tiny(1, u'#');
  const ScanTarget targets[] = {&i, &ll, &u, &d, &f, &s, ScanBuf{small.data(), small.size()},
                                &s2, ScanBuf{tiny.data(), tiny.size()}, &h};
  constexpr std::size_t kCount = sizeof targets / sizeof targets[0];
  for (const char16_t* format : kFormats) {
    int r = ScanArgs(text.c_str(), format, targets, kCount);
    Check(r >= -1 && r <= static_cast<int>(kCount));
  }
  int r = ScanArgs(text.c_str(), fuzzedFormat.c_str(), targets, kCount);
  Check(r >= -1 && r <= static_cast<int>(kCount));
  // A bounded output is either untouched or terminated inside its capacity.
  bool untouched = small == std::vector<char16_t>(3, u'#');
  Check(untouched || std::find(small.begin(), small.end(), u'\0') != small.end());
  Check(tiny[0] == u'#' || tiny[0] == 0);
}

void FuzzRoundTrips(std::uint64_t bits) {
  double v = std::bit_cast<double>(bits);
  if (std::isfinite(v)) {
    for (const char16_t* format : {u"%.17g", u"%.16e", u"%.17G"}) {
      CString text = FormatString(format, v);
      Check(std::bit_cast<std::uint64_t>(_wtof(text)) == bits);
    }
  }
  long long n = static_cast<long long>(bits);
  Check(_wtoi64(FormatString(u"%I64d", n)) == n);
  Check(_wtoi(FormatString(u"%d", n)) == static_cast<int>(n));
  char16_t buffer[66];
  Check(_wcstoi64(_i64tow(n, buffer, 10), nullptr, 10) == n);
  int radix = 2 + static_cast<int>(bits % 35);
  _ui64tow(bits, buffer, radix);
  Check(wcslen16(buffer) <= 64);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  Reader in(data, size);
  std::size_t formatBytes = in.Byte();
  std::size_t argCount = in.Byte() % 9;
  std::u16string format = in.Units(formatBytes);

  struct RawArg {
    std::uint8_t kind;
    std::uint64_t payload;
  };
  std::vector<RawArg> raw;
  for (std::size_t i = 0; i < argCount; ++i) {
    std::uint8_t kind = in.Byte();
    raw.push_back({kind, in.Word()});
  }
  std::string pool = in.Rest();

  // String arguments are cut from the pool and must outlive the call.
  std::vector<std::u16string> wide;
  std::vector<std::string> narrow;
  wide.reserve(raw.size());
  narrow.reserve(raw.size());
  std::vector<FormatArg> args;
  for (const RawArg& a : raw) {
    std::size_t from = pool.empty() ? 0 : (a.payload & 0xFFFF) % pool.size();
    std::size_t length = (a.payload >> 16) & 0xFF;
    switch (a.kind % 8) {
      case 0: args.emplace_back(static_cast<int>(a.payload)); break;
      case 1: args.emplace_back(static_cast<unsigned>(a.payload)); break;
      case 2: args.emplace_back(static_cast<long long>(a.payload)); break;
      case 3: args.emplace_back(std::bit_cast<double>(a.payload)); break;
      case 4:
        wide.push_back(UnitsOf(pool.substr(from, length)));
        args.emplace_back(wide.back());
        break;
      case 5:
        narrow.push_back(pool.substr(from, length));
        args.emplace_back(narrow.back().c_str());
        break;
      case 6: args.emplace_back(static_cast<const char16_t*>(nullptr)); break;
      default: args.emplace_back(reinterpret_cast<const void*>(a.payload)); break;
    }
  }

  FuzzFormat(format, args, raw.empty() ? size : raw[0].payload);
  FuzzScan(UnitsOf(pool), format);
  std::uint64_t bits = 0;
  std::memcpy(&bits, data, std::min<std::size_t>(size, 8));
  FuzzRoundTrips(bits);
  for (const RawArg& a : raw) FuzzRoundTrips(a.payload);
  return 0;
}
