#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace cmdtest {

TempDir::TempDir() {
  std::string base = (std::filesystem::temp_directory_path() / "cmdtest-XXXXXX").string();
  if (!mkdtemp(base.data())) throw std::runtime_error("mkdtemp failed");
  path_ = base;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

CString TempDir::win() const { return CString::FromUtf8(path_.string() + "/"); }

std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Hex(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

std::string Unhex(std::string_view hex) {
  std::string out;
  int nibbles = 0, value = 0;
  for (char c : hex) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else continue;
    value = value * 16 + v;
    if (++nibbles == 2) {
      out += char(value);
      nibbles = value = 0;
    }
  }
  return out;
}

std::string Utf16le(std::u16string_view s, bool bom) {
  std::string out;
  if (bom) out += "\xFF\xFE";
  for (char16_t c : s) {
    out += char(c & 0xFF);
    out += char(c >> 8);
  }
  return out;
}

}  // namespace cmdtest
