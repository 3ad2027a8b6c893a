// Helpers shared by the test programs: temporary folders and byte files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "cmddll3/platform/cstring.h"

namespace cmdtest {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  // The folder as a Windows-form string with a trailing separator.
  CString win() const;
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& p);
void WriteBytes(const std::filesystem::path& p, std::string_view bytes);
// "61 00 0D 00" style hex of bytes, for readable byte-exact assertions.
std::string Hex(std::string_view bytes);
// Bytes from hex ("FF FE 61 00"); spaces are ignored.
std::string Unhex(std::string_view hex);
// UTF-16LE bytes of a UTF-16 string, optionally after an FF FE mark.
std::string Utf16le(std::u16string_view s, bool bom = true);

}  // namespace cmdtest
