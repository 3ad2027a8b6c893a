// Settings-file parser and writer: a write (or a deletion) into arbitrary
// file content, then read back.
//
// Input: three bytes that size the section name, key and value, the bytes
// that spell them (each byte picks a character from a table that holds the
// risky ones: blanks, quotes, brackets, kana, characters code page 932 lacks),
// then the file content. Checked: the call succeeds; the value reads back as
// Windows reads a written value (trimmed, quotes stripped) or, after a
// deletion, is gone; and every other section reads exactly as before.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/profile.h"

namespace {

// Room for any list the file can give: set from the size of each input.
std::size_t g_listSize = 256;

const char16_t* const kAlphabet[] = {
    u"a", u"B", u"z", u"0", u"7", u" ", u" ", u"\t", u"\x1A", u"\"", u"'", u";", u"[", u"]",
    u"=", u"#", u"\\", u"-", u"ｱ", u"ﾃﾞ", u"ア", u"ガ", u"漢", u"Ａ", u"ａ", u"ｚ", u"　", u"é",
    u"😀", u"〜", u"～", u"\x7F"};
constexpr std::size_t kAlphabetSize = sizeof kAlphabet / sizeof kAlphabet[0];

std::u16string Spell(const uint8_t*& p, const uint8_t* end, std::size_t count) {
  std::u16string s;
  for (std::size_t i = 0; i < count && p < end; ++i, ++p) s += kAlphabet[*p % kAlphabetSize];
  return s;
}

bool IsBlank(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == u' '; }

std::u16string_view Trim(std::u16string_view s, bool (*blank)(char16_t)) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}
bool IsSpace(char16_t c) { return c == u' '; }

bool SameLatin(std::u16string_view a, std::u16string_view b) {
  auto fold = [](char16_t c) -> char16_t {
    if ((c >= u'a' && c <= u'z') || (c >= 0xFF41 && c <= 0xFF5A)) return char16_t(c - 0x20);
    return c;
  };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

std::u16string ReadList(DWORD (*read)(const char16_t*, char16_t*, DWORD, const char16_t*),
                        const char16_t* arg, const char16_t* file) {
  std::u16string buf(g_listSize, u'\0');
  DWORD n = read(arg, buf.data(), DWORD(buf.size()), file);
  buf.resize(n);
  return buf;
}

DWORD Sections(const char16_t*, char16_t* buf, DWORD n, const char16_t* file) {
  return GetPrivateProfileSectionNamesW(buf, n, file);
}

DWORD Keys(const char16_t* section, char16_t* buf, DWORD n, const char16_t* file) {
  return GetPrivateProfileStringW(section, nullptr, u"", buf, n, file);
}

std::vector<std::u16string> Split(const std::u16string& list) {
  std::vector<std::u16string> items;
  for (std::size_t at = 0; at < list.size();) {
    std::size_t end = list.find(u'\0', at);
    if (end == std::u16string::npos) end = list.size();
    items.emplace_back(list, at, end - at);
    at = end + 1;
  }
  return items;
}

// How many items of a list have the name (trimmed of spaces, Latin folded).
std::size_t Count(const std::u16string& list, std::u16string_view name) {
  std::size_t n = 0;
  for (const std::u16string& item : Split(list)) n += SameLatin(item, Trim(name, IsSpace));
  return n;
}

// Every section other than `target`, as GetPrivateProfileSectionW reads it
// (the target's header may read back as a name trimmed of more than spaces).
std::vector<std::u16string> OtherSections(std::u16string_view target, const char16_t* file) {
  std::vector<std::u16string> out;
  for (const std::u16string& name : Split(ReadList(Sections, nullptr, file))) {
    // (A name with zero characters in it splits into pieces here; a piece
    // is looked up trimmed of spaces, as every caller's name is.)
    std::u16string_view asked = Trim(name, IsSpace);
    if (SameLatin(asked, target) || SameLatin(asked, Trim(target, IsBlank))) continue;
    out.push_back(name);
    out.push_back(ReadList(GetPrivateProfileSectionW, name.c_str(), file));
  }
  return out;
}

// A zero character: a zero byte, or in a UTF-16 file a zero unit.
bool HasZeroCharacter(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      if (bytes[i] == 0 && bytes[i + 1] == 0) return true;
    return false;
  }
  return bytes.find('\0') != std::string_view::npos;
}

std::string g_folder;

void RemoveFolder() {
  unlink((g_folder + "/t.ini").c_str());
  rmdir(g_folder.c_str());
}

// A scratch folder, in memory where there is one; removed at exit.
const std::string& Folder() {
  if (g_folder.empty()) {
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string t = base + "/fuzz_profile-XXXXXX";
    if (!mkdtemp(t.data())) abort();
    g_folder = t;
    atexit(RemoveFolder);
  }
  return g_folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t* p = data + 3;
  const uint8_t* end = data + size;
  bool remove = data[2] & 0x80;
  std::u16string section = Spell(p, end, data[0] % 8);
  std::u16string key = Spell(p, end, data[1] % 8);
  std::u16string value = Spell(p, end, data[2] % 16);
  // A key that starts with "[" writes a line that is a section header, as
  // on Windows; that is no round trip to check.
  if (!Trim(key, IsBlank).empty() && Trim(key, IsBlank)[0] == u'[') key.insert(0, u"k");

  g_listSize = std::size_t(end - p) * 2 + 256;
  std::string host = Folder() + "/t.ini";
  int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) abort();
  if (write(fd, p, size_t(end - p)) != end - p) abort();
  close(fd);
  std::u16string file(host.begin(), host.end());

  // Names with zero characters in them make the zero-separated lists
  // ambiguous; counting names is only done in files without them.
  bool countable = !HasZeroCharacter(std::string_view(reinterpret_cast<const char*>(p), end - p));
  std::u16string target(Trim(section, IsSpace));
  std::vector<std::u16string> before = OtherSections(target, file.c_str());
  bool removeSection = remove && (data[1] & 0x80);
  std::size_t keysBefore = Count(ReadList(Keys, section.c_str(), file.c_str()), key);
  std::size_t sectionsBefore = Count(ReadList(Sections, nullptr, file.c_str()), section);

  BOOL ok = WritePrivateProfileStringW(section.c_str(), removeSection ? nullptr : key.c_str(),
                                       remove ? nullptr : value.c_str(), file.c_str());
  if (!ok) abort();
  if (removeSection) {
    // The first section of the name is gone (a later one may now be found).
    std::size_t after = Count(ReadList(Sections, nullptr, file.c_str()), section);
    if (countable && after != (sectionsBefore ? sectionsBefore - 1 : 0)) abort();
    if (OtherSections(target, file.c_str()) != before) abort();
    return 0;
  }

  // A name survives the round trip when the file's trimming leaves it as the
  // caller's did and it cannot be read as something else: a key with "=",
  // or that starts a comment or a header.
  std::u16string_view k = Trim(key, IsSpace);
  bool readable = Trim(target, IsBlank) == std::u16string_view(target) &&
                  Trim(k, IsBlank) == k && k.find(u'=') == std::u16string_view::npos &&
                  (k.empty() || k[0] != u';');
  if (readable) {
    std::u16string buf(64, u'\0');
    DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), u"\x1F", buf.data(),
                                       DWORD(buf.size()), file.c_str());
    std::u16string_view got(buf.data(), n);
    if (remove) {
      // The first entry of the name is gone (a later one may now be found).
      std::size_t after = Count(ReadList(Keys, section.c_str(), file.c_str()), key);
      if (countable && after != (keysBefore ? keysBefore - 1 : 0)) abort();
    } else {
      std::u16string_view want = Trim(value, IsBlank);
      if (want.size() > 1 && (want[0] == u'"' || want[0] == u'\'') && want.back() == want[0])
        want = want.substr(1, want.size() - 2);
      if (got != want) abort();
    }
  }
  if (OtherSections(target, file.c_str()) != before) abort();
  return 0;
}
