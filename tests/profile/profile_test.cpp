// Reading and writing settings files: the rules of the profile functions in
// each encoding, buffers cut to size, in-place edits byte for byte, encodings
// kept or widened, and failures that leave the file as it was.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/winpath.h"
#include "profile_support.h"
#include "support/fail_step.h"

using namespace proftest;
using namespace std::literals;
using cmd::os::FileStep;
using cmdtest::FailStep;
using cmdtest::Hex;

namespace {

constexpr Enc kEncodings[] = {Enc::Ansi, Enc::Utf16, Enc::Utf8};

class Profile : public ::testing::TestWithParam<Enc> {
 protected:
  IniFile file_;
};

INSTANTIATE_TEST_SUITE_P(Encodings, Profile, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) { return Name(info.param); });

// The files the calls below read; every encoding holds them. The first has
// most of what the reader meets.
const char* const kFiles[] = {
    "; settings\r\norphan=before any section\r\n[SYSTEM]\r\n  売価率 =  100  \r\n"
    "ﾃﾞｼﾞﾀｲｻﾞ=1\r\nガイド機能\t=\t0\r\nTitle=\"  quoted  \"\r\nsingle='x'\r\nmixed=\"x'\r\n"
    "lone=\"\r\nempty=\r\n=no name\r\n;hidden=1\r\n   ;also hidden=3\r\n;no value\r\n"
    "#not hidden=2\r\nno equals sign\r\ndup=first\r\nDUP=second\r\nideo=　全角空白　\r\n"
    "ＦＵＬＬ=full-width\r\n[  確認ﾒｯｾｰｼﾞ  ]  text after the bracket\r\n一覧to棚=5\r\n[]\r\n"
    "=empty section\r\n[a]b]\r\nk=last bracket\r\n[system]\r\nsecond=not found\r\n"
    "[no bracket\r\nk=open header\r\n",
    "[s]\r\n a = \"1\" \r\n;c=1\r\n\r\nplain text \r\n",
    "[section1]\r\nname1=1\r\nname2=2\r\nname3=3\r\n[section2]\r\n",
    "[s]\r\nk=abcdef\r\n",
    "[s]\ra=1\nb=2\r\nc=3\n\rd=4\r\r\ne=5",  // CR, LF and CR LF each end a line
};

// Section, key, default and the value read from the first file.
struct Lookup {
  const char *section, *key, *def, *value;
};
// clang-format off
constexpr Lookup kLookups[] = {
    // Values are trimmed of blanks (not U+3000) and lose matching quotes.
    {"SYSTEM", "売価率", "", "100"}, {"SYSTEM", "ガイド機能", "", "0"},
    {"SYSTEM", "Title", "", "  quoted  "}, {"SYSTEM", "single", "", "x"},
    {"SYSTEM", "mixed", "", "\"x'"}, {"SYSTEM", "lone", "", "\""},
    {"SYSTEM", "empty", "default", ""}, {"SYSTEM", "ideo", "", "　全角空白　"},
    // Latin letters fold, full-width ones too; kana match only exactly.
    {"system", "title", "", "  quoted  "}, {"SYSTEM", "ｆｕｌｌ", "", "full-width"},
    {"SYSTEM", "FULL", "-", "-"}, {"SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "", "1"},
    {"SYSTEM", "デジタイザ", "-", "-"}, {"確認ﾒｯｾｰｼﾞ", "一覧TO棚", "", "5"},
    // The caller's names lose their spaces, not their tabs.
    {"  SYSTEM ", " 売価率  ", "", "100"}, {"SYSTEM", "\t売価率", "-", "-"},
    // Section headers: up to the last "]", or the whole line without one.
    {"a]b", "k", "", "last bracket"}, {"no bracket", "k", "", "open header"},
    {"", "", "", "empty section"}, {"", "orphan", "-", "-"}, {"SYSTEM", "", "-", "no name"},
    // The first section and the first key of a name win.
    {"SYSTEM", "dup", "", "first"}, {"system", "second", "-", "-"},
    // Comments are found by their exact name (they are only left out of
    // lists); "#" starts no comment; a line without "=" is no key.
    {"SYSTEM", ";hidden", "-", "1"}, {"SYSTEM", " ;also hidden", "-", "3"},
    {"SYSTEM", "hidden", "-", "-"}, {"SYSTEM", ";", "-", "-"}, {"SYSTEM", ";no value", "-", "-"},
    {"SYSTEM", "#not hidden", "", "2"}, {"SYSTEM", "no equals sign", "-", "-"},
};
// clang-format on

// A call of a reading function on kFiles[file] (-1: no file): what it
// returns and the start of the buffer it leaves, which was all '#'.
enum Fn { kString, kSection, kNames };
struct Call {
  int file;
  Fn fn;
  const char16_t *section, *key, *def;
  DWORD size, ret;
  std::u16string_view buf;
};
// clang-format off
constexpr Call kCalls[] = {
    // Key and section lists leave out comments; a missing section gives the
    // default, which loses its trailing spaces.
    {0, kString, u"system", nullptr, u"", 400, 80,
     u"売価率\0ﾃﾞｼﾞﾀｲｻﾞ\0ガイド機能\0Title\0single\0mixed\0lone\0empty\0\0#not hidden\0dup\0DUP\0"
     u"ideo\0ＦＵＬＬ\0\0"sv},
    {0, kString, nullptr, u"ignored", u"", 400, 38, u"SYSTEM\0確認ﾒｯｾｰｼﾞ\0a]b\0system\0no bracket\0\0"sv},
    {0, kNames, nullptr, nullptr, nullptr, 400, 38, u"SYSTEM\0確認ﾒｯｾｰｼﾞ\0a]b\0system\0no bracket\0\0"sv},
    {0, kString, u"none", nullptr, u"dflt  ", 400, 4, u"dflt\0"sv},
    {0, kSection, u"確認ﾒｯｾｰｼﾞ", nullptr, nullptr, 200, 8, u"一覧to棚=5\0\0"sv},
    {0, kSection, u"a]b", nullptr, nullptr, 200, 15, u"k=last bracket\0\0"sv},
    {0, kSection, u"none", nullptr, nullptr, 200, 0, u"\0\0"sv},
    // Section contents keep lines without "=", trimmed.
    {1, kSection, u"S", nullptr, nullptr, 50, 17, u"a=\"1\"\0plain text\0\0"sv},
    {4, kSection, u"s", nullptr, nullptr, 50, 20, u"a=1\0b=2\0c=3\0d=4\0e=5\0\0"sv},
    {4, kString, u"s", nullptr, u"", 50, 10, u"a\0b\0c\0d\0e\0\0"sv},
    // Values and defaults are cut to the size less one; size 0 touches nothing.
    {3, kString, u"s", u"k", u"", 4, 3, u"abc\0#"sv}, {3, kString, u"s", u"k", u"", 7, 6, u"abcdef\0#"sv},
    {3, kString, u"s", u"k", u"", 1, 0, u"\0#"sv}, {3, kString, u"s", u"x", u"123456789", 5, 4, u"1234\0#"sv},
    {3, kString, u"s", u"k", u"", 0, 0, u"####"sv}, {3, kString, nullptr, nullptr, u"", 0, 0, u"####"sv},
    {3, kSection, u"s", nullptr, nullptr, 0, 0, u"####"sv},
    {3, kNames, nullptr, nullptr, nullptr, 0, 0, u"####"sv},
    // Lists that do not fit end with two zeros; exactly fitting ones are whole.
    {2, kString, nullptr, u"", u"", 16, 14, u"section1\0secti\0\0#"sv},
    {2, kString, u"section1", nullptr, u"", 16, 14, u"name1\0name2\0na\0\0#"sv},
    {2, kString, u"section1", nullptr, u"", 19, 18, u"name1\0name2\0name3\0\0#"sv},
    {2, kString, u"section1", nullptr, u"", 18, 16, u"name1\0name2\0name\0\0#"sv},
    {2, kNames, nullptr, nullptr, nullptr, 2, 0, u"\0\0#"sv},
    {2, kNames, nullptr, nullptr, nullptr, 1, 0, u"\0#"sv},
    {2, kSection, u"section1", nullptr, nullptr, 10, 8, u"name1=1\0\0\0#"sv},
    // A missing file: the default loses its trailing spaces only.
    {-1, kString, u"s", u"k", u"  lead", 260, 6, u"  lead\0"sv},
    {-1, kString, u"s", u"k", u"one two  ", 260, 7, u"one two\0"sv},
    {-1, kString, u"s", u"k", u"tab\t", 260, 4, u"tab\t\0"sv},
    {-1, kString, u"s", u"k", u"    ", 260, 0, u"\0"sv}, {-1, kString, u"s", u"k", u"\"q\"", 260, 3, u"\"q\"\0"sv},
    {-1, kString, u"s", u"k", nullptr, 260, 0, u"\0"sv},
};
// clang-format on

// A change of a file: the file before, one or two writes ('S': a key,
// 'W': a whole section) and the whole file after. A file that stays the same
// is not rewritten at all.
struct Write {
  char fn;
  const char16_t *section, *key, *value;
};
struct Edit {
  const char16_t* before;
  Write writes[2];
  const char16_t* after;
};
// clang-format off
const Edit kEdits[] = {
    // A changed key keeps its stored name and its line end.
    {u"pre\r\n[SYSTEM]\n  売価率 =  100  \n;c\r\n", {{'S', u"system", u"売価率", u"80"}},
     u"pre\r\n[SYSTEM]\n売価率=80\n;c\r\n"},
    {u"[Sec]\rKey=1\rnext=2", {{'S', u"SEC", u"KEY", u"2"}}, u"[Sec]\rKey=2\rnext=2"},
    {u"[ＡＢＣ]\r\nｷｰ=old", {{'S', u"ａｂｃ", u"ｷｰ", u"new"}}, u"[ＡＢＣ]\r\nｷｰ=new"},
    // A new key follows the last non-blank line of its section, in the
    // order keys are written.
    {u"[ﾃﾞｼﾞﾀｲｻﾞ]\r\nA=1\r\n;note\r\n\r\n  \r\n[b]\r\nx=1\r\n", {{'S', u"ﾃﾞｼﾞﾀｲｻﾞ", u"ポート", u"COM1"}},
     u"[ﾃﾞｼﾞﾀｲｻﾞ]\r\nA=1\r\n;note\r\nポート=COM1\r\n\r\n  \r\n[b]\r\nx=1\r\n"},
    {u"[a]\n\n[b]\n", {{'S', u"a", u"k", u"v"}}, u"[a]\nk=v\r\n\n[b]\n"},
    {u"[a]\r\nx=1", {{'S', u"a", u"k", u"v"}}, u"[a]\r\nx=1\r\nk=v\r\n"},
    {u"[a]", {{'S', u"A", u"k", u"v"}}, u"[a]\r\nk=v\r\n"},
    {u"[a]\r\n", {{'S', u"a", u"z", u"1"}, {'S', u"a", u"y", u"2"}}, u"[a]\r\nz=1\r\ny=2\r\n"},
    // A new section is appended.
    {u"[a]\r\nx=1\r\n\r\n", {{'S', u"確認ﾒｯｾｰｼﾞ", u"一覧to棚", u"1"}},
     u"[a]\r\nx=1\r\n\r\n[確認ﾒｯｾｰｼﾞ]\r\n一覧to棚=1\r\n"},
    {u"[a]\r\nx=1", {{'S', u"s", u"k", u"v"}}, u"[a]\r\nx=1\r\n[s]\r\nk=v\r\n"},
    {u"", {{'S', u"s", u"k", u"v"}}, u"[s]\r\nk=v\r\n"},
    {u"orphan=1\n", {{'S', u"", u"", u"v"}}, u"orphan=1\n[]\r\n=v\r\n"},
    // The caller's names are trimmed, values written as given.
    {u"", {{'S', u"  新規 ", u"  キー  ", u" \"値\" "}}, u"[新規]\r\nキー= \"値\" \r\n"},
    {u"[a]\r\nk=1\r\n", {{'S', u"a", u"k", u""}}, u"[a]\r\nk=\r\n"},
    {u"[a]\r\nk=1\r\n", {{'S', u"a", u"", u";not a comment"}}, u"[a]\r\nk=1\r\n=;not a comment\r\n"},
    // The first section and the first key of a name are the ones written.
    {u"[a]\r\nk=1\r\nK=2\r\n[A]\r\nk=3\r\n", {{'S', u"a", u"k", u"9"}},
     u"[a]\r\nk=9\r\nK=2\r\n[A]\r\nk=3\r\n"},
    // A comment is a key of its exact name, not of the name after the ";".
    {u"[a]\r\n;k=1\r\n", {{'S', u"a", u";k", u"2"}}, u"[a]\r\n;k=2\r\n"},
    {u"[a]\r\n;k=1\r\n", {{'S', u"a", u"k", u"2"}}, u"[a]\r\n;k=1\r\nk=2\r\n"},
    {u"[a]\r\n ;k=1\r\nx=2\r\n", {{'S', u"a", u";k", nullptr}}, u"[a]\r\nx=2\r\n"},
    // A null value deletes the key; a null key the section, not the
    // comments around it.
    {u"[a]\r\nx=1\r\ny=2\ny=3\r\n", {{'S', u"a", u"Y", nullptr}}, u"[a]\r\nx=1\r\ny=3\r\n"},
    {u"[a]\r\nx=1\r\ny=2", {{'S', u"a", u"y", nullptr}}, u"[a]\r\nx=1\r\n"},
    {u"[a]\r\nx=1\r\n", {{'S', u"a", u"missing", nullptr}, {'S', u"b", u"x", nullptr}},
     u"[a]\r\nx=1\r\n"},
    {u"top\r\n[a]\r\n;about a\r\nx=1\r\nplain\r\n\r\n;about b\r\n[b]\r\ny=2\r\n",
     {{'S', u"A", nullptr, u"ignored"}}, u"top\r\n;about a\r\n;about b\r\n[b]\r\ny=2\r\n"},
    {u"[a]\r\nx=1\r\n[b]\r\ny=2", {{'S', u"b", nullptr, nullptr}}, u"[a]\r\nx=1\r\n"},
    {u"[a]\r\nx=1\r\n", {{'S', u"a", nullptr, nullptr}}, u""},
    // The same value again writes nothing.
    {u"[a]\r\n  k =  v  \r\nq=\"x\"\r\n", {{'S', u"A", u"K", u"v"}, {'S', u"a", u"q", u"\"x\""}},
     u"[a]\r\n  k =  v  \r\nq=\"x\"\r\n"},
    {u"[a]\r\n", {{'S', u"missing", nullptr, nullptr}}, u"[a]\r\n"},
    // Whole sections: entries trimmed, lines without "=" dropped.
    {u"[a]\r\nx=1\r\n;c\r\n\r\n[b]\r\n", {{'W', u"a", nullptr, u"p=1\0 q = 2\0bad\0"}},
     u"[a]\r\np=1\r\nq= 2\r\n\r\n[b]\r\n"},
    {u"[a]\r\nx=1\r\n", {{'W', u"新", nullptr, u"ｷｰ=値\0"}}, u"[a]\r\nx=1\r\n[新]\r\nｷｰ=値\r\n"},
    {u"[a]\r\nx=1\r\n", {{'W', u"a", nullptr, u""}}, u"[a]\r\n"},
    {u"[a]\r\nx=1\r\n[b]\r\n", {{'W', u"a", nullptr, nullptr}}, u"[b]\r\n"},
};
// clang-format on

// Every table above, on files in each encoding.
TEST_P(Profile, ReadsAndWrites) {
  file_.Put(GetParam(), kFiles[0]);
  for (const Lookup& l : kLookups) {
    SCOPED_TRACE(std::string(l.section) + "/" + l.key);
    EXPECT_EQ(file_.Get(l.section, l.key, l.def), l.value);
  }
  for (const Call& c : kCalls) {
    SCOPED_TRACE(&c - kCalls);
    if (c.file < 0) std::filesystem::remove(file_.host());
    if (c.file >= 0) file_.Put(GetParam(), kFiles[c.file]);
    std::u16string buf(400, u'#');
    DWORD n =
        c.fn == kSection ? GetPrivateProfileSectionW(c.section, buf.data(), c.size, file_.win())
        : c.fn == kNames
            ? GetPrivateProfileSectionNamesW(buf.data(), c.size, file_.win())
            : GetPrivateProfileStringW(c.section, c.key, c.def, buf.data(), c.size, file_.win());
    EXPECT_EQ(n, c.ret);
    EXPECT_EQ(buf.substr(0, c.buf.size()), c.buf);
  }
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"", nullptr, 10, file_.win()), 0u);
  // Integers: the base follows a lower-case prefix (0x hex, 0o octal, 0b
  // binary; a leading zero alone is decimal); overflow wraps as on Windows;
  // a value is read as its first 29 characters; full-width digits are none.
  const std::pair<const char*, UINT> values[] = {
      {"42", 42},         {"-1", 4294967295u}, {" +7x", 7},
      {"0x10", 16},       {"abc", 0},          {"", 5},
      {"4294967296", 0},  {"１２", 0},         {"-0x10", UINT(-16)},
      {"0X1f", 0},        {"010", 10},         {"0o17", 15},
      {"0b102", 2},       {"0x", 0},           {"0xg", 0},
      {"\" +0x1A\"", 26}, {"0x100000010", 16}, {"0x0000000000000000000000000001", 0}};
  std::string text = "[n]\r\n";
  for (std::size_t i = 0; i < std::size(values); ++i)
    text += "k" + std::to_string(i) + "=" + values[i].first + "\r\n";
  file_.Put(GetParam(), text);
  for (std::size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(GetPrivateProfileIntW(u"n", U("k" + std::to_string(i)).c_str(), 5, file_.win()),
              values[i].second)
        << values[i].first;
  EXPECT_EQ(GetPrivateProfileIntW(u"n", u"missing", -3, file_.win()), UINT(-3));
  for (const Edit& e : kEdits) {
    SCOPED_TRACE(Utf16ToUtf8(e.after));
    IniFile file;
    file.Put(GetParam(), std::u16string_view(e.before));
    ino_t inode = file.inode();
    for (const Write& w : e.writes)
      EXPECT_TRUE(w.fn == 'S'   ? WritePrivateProfileStringW(w.section, w.key, w.value, file.win())
                  : w.fn == 'W' ? WritePrivateProfileSectionW(w.section, w.value, file.win())
                                : TRUE);
    EXPECT_EQ(Hex(file.bytes()), Hex(FileBytes(GetParam(), e.after)));
    EXPECT_EQ(file.Listing(), "test.ini");
    EXPECT_TRUE(std::u16string_view(e.before) != e.after || file.inode() == inode);
  }
}

}  // namespace

// Files in a given encoding, byte for byte: new files are code page 932
// unless a name or value has no code page 932 form (or one that reads back
// as another character, as U+301C would come back as U+FF5E), which turns
// the file to UTF-16 for good; UTF-16 and UTF-8 files keep their encoding;
// bytes that do not decode (invalid lead and trail bytes, NULs, a lone lead
// byte, Ctrl-Z, an odd last byte) stay as they were. Written values read back.
TEST(ProfileEncoding, BytesWritten) {
  const std::string cp932Junk = "Data \0 before \x82\x01 \xFF\xFD\x80\r\n[a]\r\nbad\x81=\x82\r\n"s;
  // clang-format off
  const std::string utf16Head = cmdtest::Utf16le(u"a\0b\r\n[s]\r\nk=1"sv);
  const struct {
    std::string before;  // "-": no file
    std::vector<std::array<const char16_t*, 3>> writes;
    std::string after;
  } cases[] = {
      {cp932Junk + "k=1\r\n\x1A junk \x85\r\n", {{u"a", u"k", u"2"}, {u"a", u"n", u"ﾃｽﾄ"}},
       cp932Junk + "k=2\r\n\x1A junk \x85\r\nn=\xC3\xBD\xC4\r\n"},
      {"-", {{u"ﾌｯﾀｰ情報", u"ガイド", u"ｱ"}},
       cmdtest::Unhex("5B CC AF C0 B0 8F EE 95 F1 5D 0D 0A 83 4B 83 43 83 68 3D B1 0D 0A")},
      {"-", {{u"SYSTEM", u"GENGOU", u"元号"}}, Cp932(u"[SYSTEM]\r\nGENGOU=元号\r\n")},
      {utf16Head + "\x7F", {{u"t", u"x", u"y"}},
       utf16Head + cmdtest::Utf16le(u"\r\n[t]\r\nx=y\r\n", false) + "\x7F"},
      {Cp932(u"; 設定\r\n[a]\r\nk=1\r\n"), {{u"a", u"k2", u"café 😀"}, {u"a", u"k", u"2"}},
       cmdtest::Utf16le(u"; 設定\r\n[a]\r\nk=2\r\nk2=café 😀\r\n")},
      {"[a]\r\n", {{u"a", u"k", u"1〜2"}}, cmdtest::Utf16le(u"[a]\r\nk=1〜2\r\n")},
      {"-", {{u"한", u"k", u"v"}}, cmdtest::Utf16le(u"[한]\r\nk=v\r\n")},
      {cmdtest::Utf16le(u""), {{u"見積No", u"番号", u"1"}}, cmdtest::Utf16le(u"[見積No]\r\n番号=1\r\n")},
      {"\xEF\xBB\xBF[a]\r\n", {{u"a", u"emoji", u"😀"}}, "\xEF\xBB\xBF[a]\r\nemoji=😀\r\n"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(Hex(c.after));
    IniFile file;
    if (c.before != "-") file.Put(c.before);
    for (const auto& [section, key, value] : c.writes)
      EXPECT_TRUE(WritePrivateProfileStringW(section, key, value, file.win()));
    EXPECT_EQ(Hex(file.bytes()), Hex(c.after));
    char16_t buf[64];
    for (const auto& [section, key, value] : c.writes) {
      GetPrivateProfileStringW(section, key, u"", buf, 64, file.win());
      EXPECT_EQ(std::u16string(buf), value);
    }
  }
}

// ------------------------------------------------------------ bad input, paths

TEST(ProfileRead, BadInputUnreadableFilesPathsAndWritesThatFail) {
  IniFile file;
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += char((i * 7919) & 0xFF);
  std::string longValue(1 << 21, 'x');
  file.Put(garbage + "\r\n[s]\r\nk=v\0w\r\nlong="s + longValue + "\r\n\x82\r\n[\r\n=x\r\n"s);
  EXPECT_EQ(file.Get("s", "k"), std::string("v\0w", 3));
  std::u16string big(1 << 21 | 8, u'\0');
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"long", u"", big.data(), DWORD(big.size()), file.win()),
            longValue.size());
  EXPECT_EQ(file.Get("", "", "-"), "x");  // "[" alone names the section ""
  // A failed read, a folder, a drive that does not exist, no name: defaults.
  {
    FailStep fail(FileStep::Read, EIO);
    EXPECT_EQ(file.Get("s", "k", "d"), "d");
  }
  IniFile folder;
  std::filesystem::create_directory(folder.host());
  EXPECT_EQ(folder.Get("s", "k", "d"), "d");
  char16_t buf[64];
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"d", buf, 8, u"Q:\\none.ini"), 1u);
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"d", buf, 8, u""), 1u);
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 8, folder.win()), 0u);
  EXPECT_EQ(std::u16string(buf, 2), std::u16string(u"\0\0", 2));

  // Bare names live in the Windows folder.
  cmdtest::TempDir root;
  std::filesystem::create_directory(root / "WINDOWS");
  cmdtest::WriteBytes(root / "WINDOWS" / "win.ini", "[devices]\r\nFax=drv,port\r\n");
  cmd::path::SetWindowsFolder((root / "WINDOWS").string());
  EXPECT_EQ(GetPrivateProfileStringW(u"devices", u"fax", u"", buf, 32, u"WIN.INI"), 8u);
  EXPECT_EQ(std::u16string(buf), u"drv,port");
  EXPECT_TRUE(WritePrivateProfileStringW(u"devices", u"x", u"1", u"win.ini"));
  EXPECT_EQ(cmdtest::ReadBytes(root / "WINDOWS" / "win.ini"),
            "[devices]\r\nFax=drv,port\r\nx=1\r\n");
  cmd::path::SetWindowsFolder("");

  // The user profile; a null file name of the private functions is it too.
  IniFile user;
  cmd::profile::SetUserProfileFile(u"");
  EXPECT_EQ(GetProfileStringW(u"devices", u"fax", u"none", buf, 64), 4u);
  EXPECT_FALSE(WriteProfileStringW(u"devices", u"fax", u"x"));
  EXPECT_EQ(GetProfileIntW(u"devices", u"n", 9), 9u);
  cmd::profile::SetUserProfileFile(user.win());
  EXPECT_TRUE(WriteProfileStringW(u"devices", u"Microsoft FAX 1", u"drv,FAX:"));
  EXPECT_TRUE(WriteProfileStringW(u"devices", u"n", u"12"));
  EXPECT_EQ(GetProfileIntW(u"devices", u"n", 9), 12u);
  EXPECT_EQ(GetProfileStringW(u"devices", nullptr, u"", buf, 64), 18u);
  EXPECT_EQ(std::u16string(buf, 19), std::u16string(u"Microsoft FAX 1\0n\0\0", 19));
  EXPECT_EQ(user.bytes(), "[devices]\r\nMicrosoft FAX 1=drv,FAX:\r\nn=12\r\n");
  EXPECT_EQ(GetPrivateProfileStringW(u"devices", u"n", u"", buf, 64, nullptr), 2u);
  cmd::profile::SetUserProfileFile(u"");

  // Writes that fail, and what they leave: the file as it was and no
  // temporary file, no file where there was none, the folder in the file's
  // place. Deletions create no file; a null section is an error ("flush the
  // cache" answers FALSE).
  enum Target { kFile, kNoFile, kFolder, kNoFolder, kNoDrive };
  constexpr DWORD kSome = ~0u;  // any error but 0
  const struct {
    Target target;
    FileStep step;
    int err;
    Write write;
    BOOL ok = FALSE;
    DWORD error = 0;
  } cases[] = {
      // clang-format off
      {kFile, FileStep::Write, ENOSPC, {'S', u"a", u"k", u"2"}, FALSE, kSome},
      {kFile, FileStep::Flush, ENOSPC, {'S', u"a", u"k", u"2"}, FALSE, kSome},
      {kFile, FileStep::Rename, ENOSPC, {'S', u"a", u"k", u"2"}, FALSE, kSome},
      {kFile, FileStep::Write, ENOSPC, {'S', u"a", u"new", u"2"}},
      {kNoFile, FileStep::Write, EIO, {'S', u"a", u"k", u"1"}},
      {kFile, FileStep::Flush, ENOSPC, {'S', u"a", u"new", u"2"}},
      {kNoFile, FileStep::Flush, EIO, {'S', u"a", u"k", u"1"}},
      {kFile, FileStep::Rename, ENOSPC, {'S', u"a", u"new", u"2"}},
      {kNoFile, FileStep::Rename, EIO, {'S', u"a", u"k", u"1"}},
      {kFile, FileStep::Open, EACCES, {'S', u"a", u"k", u"2"}, FALSE, ERROR_ACCESS_DENIED},
      {kNoFolder, FileStep::Open, 0, {'S', u"a", u"k", u"1"}, FALSE, ERROR_PATH_NOT_FOUND},
      {kFolder, FileStep::Open, 0, {'S', u"a", u"k", u"1"}},
      {kNoFolder, FileStep::Open, 0, {'S', u"a", nullptr, nullptr}},
      {kNoDrive, FileStep::Open, 0, {'S', u"a", u"k", u"1"}},
      {kNoFile, FileStep::Open, 0, {'S', u"a", u"k", nullptr}, TRUE},
      {kNoFile, FileStep::Open, 0, {'S', u"a", nullptr, nullptr}, TRUE},
      {kNoFile, FileStep::Open, 0, {'W', u"a", nullptr, u""}, TRUE},
      {kNoFile, FileStep::Open, 0, {'S', nullptr, u"k", u"v"}, FALSE, ERROR_FILE_NOT_FOUND},
      {kNoFile, FileStep::Open, 0, {'S', nullptr, nullptr, nullptr}},
      {kNoFile, FileStep::Open, 0, {'W', nullptr, nullptr, u"a=1\0"}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    IniFile file;
    if (c.target == kFile) file.Put("[a]\r\nk=1\r\n");
    if (c.target == kFolder) std::filesystem::create_directory(file.host());
    const std::u16string path = c.target == kNoFolder  ? U((file.dir() / "none" / "x.ini").string())
                                : c.target == kNoDrive ? u"Q:\\x.ini"
                                                       : file.win();
    SetLastError(0);
    {
      FailStep fail(c.step, c.err);
      const Write& w = c.write;
      EXPECT_EQ(w.fn == 'S' ? WritePrivateProfileStringW(w.section, w.key, w.value, path.c_str())
                            : WritePrivateProfileSectionW(w.section, w.value, path.c_str()),
                c.ok);
    }
    const DWORD error = GetLastError();
    EXPECT_TRUE(c.error == kSome ? error != 0 : !c.error || error == c.error) << error;
    EXPECT_EQ(file.Listing(), c.target == kFile || c.target == kFolder ? "test.ini" : "");
    EXPECT_TRUE(c.target != kFile || file.bytes() == "[a]\r\nk=1\r\n");
    EXPECT_TRUE(c.target != kFolder || std::filesystem::is_directory(file.host()));
  }
}

// ------------------------------------------------------------ failures


namespace {

// Every call of umask in this program: a write must never change the
// process's umask, or a file that another thread creates meanwhile gets
// the wrong permissions.
std::atomic<int> g_umaskCalls{0};

mode_t ModeOf(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}

}  // namespace

extern "C" mode_t umask(mode_t mask) noexcept {
  using Real = mode_t (*)(mode_t);
  static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "umask"));
  ++g_umaskCalls;
  return real(mask);
}

TEST(ProfileFailure, PermissionsAndLinksAreKept) {
  // A new file gets 0666 less the umask from the kernel itself.
  mode_t oldMask = ::umask(027);
  g_umaskCalls = 0;
  IniFile fresh;
  EXPECT_TRUE(fresh.Set("a", "k", "1"));
  EXPECT_TRUE(fresh.Set("a", "k", "2"));
  EXPECT_EQ(g_umaskCalls, 0);
  ::umask(oldMask);
  EXPECT_EQ(ModeOf(fresh.host()), 0640u);
  // A replaced file keeps its mode.
  IniFile file;
  file.Put("[a]\r\nk=1\r\n");
  std::filesystem::permissions(file.host(), std::filesystem::perms(0604));
  EXPECT_TRUE(file.Set("a", "k", "2"));
  EXPECT_EQ(ModeOf(file.host()), 0604u);

  // A settings file shared through links stays linked: the file at the end
  // of the links is replaced, in its own folder.
  IniFile shared("pelmar1.ini"), linked("pelmar1.ini");
  shared.Put("[a]\r\nk=1\r\n");
  std::filesystem::create_symlink(shared.host(), linked.dir() / "via.ini");
  std::filesystem::create_symlink("via.ini", linked.host());
  EXPECT_TRUE(linked.Set("a", "k", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(linked.host()));
  EXPECT_EQ(shared.bytes(), "[a]\r\nk=2\r\n");
  EXPECT_EQ(linked.Listing(), "pelmar1.ini|via.ini");
  EXPECT_EQ(shared.Listing(), "pelmar1.ini");
  // A link to a missing file: the file is made where the link leads.
  IniFile dangling;
  std::filesystem::create_symlink(shared.dir() / "new.ini", dangling.host());
  EXPECT_TRUE(dangling.Set("b", "x", "1"));
  EXPECT_TRUE(std::filesystem::is_symlink(dangling.host()));
  EXPECT_EQ(cmdtest::ReadBytes(shared.dir() / "new.ini"), "[b]\r\nx=1\r\n");
  // Links that lead nowhere but to themselves are an error.
  IniFile loop;
  std::filesystem::create_symlink("test.ini", loop.host());
  EXPECT_FALSE(loop.Set("a", "k", "1"));
  EXPECT_TRUE(std::filesystem::is_symlink(loop.host()));
}
