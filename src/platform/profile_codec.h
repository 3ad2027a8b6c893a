// Text encodings of settings files, as the profile functions need them.
//
// A settings file is code page 932 (no mark), UTF-16LE (FF FE) or UTF-8
// (EF BB BF). These helpers convert one run of bytes at a time; the caller
// splits lines first, so a line end is never part of a multibyte character.
#pragma once

#include <string>
#include <string_view>

namespace cmd::profile::codec {

std::u16string DecodeAnsi(std::string_view bytes);
std::string EncodeAnsi(std::u16string_view text);
// True when every character of text has an exact code page 932 form.
bool FitsAnsi(std::u16string_view text);
std::u16string DecodeUtf8(std::string_view bytes);
std::string EncodeUtf8(std::u16string_view text);

}  // namespace cmd::profile::codec
