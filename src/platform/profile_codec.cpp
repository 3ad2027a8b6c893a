// Text encodings of settings files.
//
// TODO: forward to the platform's code-page layer (codepage.h) once it is
// available; until then code page 932 goes through the C library's iconv.
#include "platform/profile_codec.h"

#include <errno.h>
#include <iconv.h>

#include <cstring>

#include <vector>

#include "cmddll3/platform/cstring.h"

namespace cmd::profile::codec {
namespace {

// One converter per thread and direction; iconv descriptors are not shared.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts in, appending to out. On a sequence it cannot convert it calls
  // onError(out) and skips `skip` input bytes, or stops when onError
  // returns false.
  template <typename OnError>
  void Run(std::string_view in, std::string& out, std::size_t skip, OnError onError) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return;
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    // Room for everything at once: the converter is slow when it runs out
    // of room (no conversion here more than doubles the size).
    std::vector<char> buf(2 * in.size() + 16);
    while (left > 0) {
      char* dst = buf.data();
      std::size_t room = buf.size();
      std::size_t r = ::iconv(cd_, &src, &left, &dst, &room);
      out.append(buf.data(), static_cast<std::size_t>(dst - buf.data()));
      if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
        if (!onError(out)) return;
        std::size_t n = skip < left ? skip : left;
        src += n;
        left -= n;
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
  }

 private:
  iconv_t cd_;
};

Converter& FromAnsi() {
  thread_local Converter c("UTF-16LE", "CP932");
  return c;
}
Converter& ToAnsi() {
  thread_local Converter c("CP932", "UTF-16LE");
  return c;
}

std::string_view AsBytes(std::u16string_view s) {
  return {reinterpret_cast<const char*>(s.data()), s.size() * 2};
}

}  // namespace

std::u16string DecodeAnsi(std::string_view bytes) {
  std::string units;
  FromAnsi().Run(bytes, units, 1, [](std::string& out) {
    out += "\xFB\x30";  // the code page's default character U+30FB
    return true;
  });
  std::u16string text(units.size() / 2, u'\0');
  std::memcpy(text.data(), units.data(), text.size() * 2);  // little-endian host
  return text;
}

std::string EncodeAnsi(std::u16string_view text) {
  std::string out;
  ToAnsi().Run(AsBytes(text), out, 2, [](std::string& o) {
    o += '?';
    return true;
  });
  return out;
}

bool FitsAnsi(std::u16string_view text) {
  bool fits = true;
  std::string out;
  ToAnsi().Run(AsBytes(text), out, 2, [&fits](std::string&) { return fits = false; });
  // Some characters have a code page 932 form that reads back as another
  // character (U+301C becomes U+FF5E): they do not fit either.
  return fits && DecodeAnsi(out) == text;
}

std::u16string DecodeUtf8(std::string_view bytes) { return Utf8ToUtf16(bytes); }
std::string EncodeUtf8(std::u16string_view text) { return Utf16ToUtf8(text); }

}  // namespace cmd::profile::codec
