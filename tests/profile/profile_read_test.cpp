// Reading settings files: the rules of the profile functions, in each encoding.
#include <gtest/gtest.h>

#include <filesystem>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "profile_support.h"

using namespace proftest;
using namespace std::literals;

namespace {

constexpr Enc kEncodings[] = {Enc::Ansi, Enc::Utf16, Enc::Utf8};

// A file with most of what the reader meets; every encoding holds it.
const char* const kSample =
    "; settings\r\n"
    "orphan=before any section\r\n"
    "[SYSTEM]\r\n"
    "  売価率 =  100  \r\n"
    "ﾃﾞｼﾞﾀｲｻﾞ=1\r\n"
    "ガイド機能\t=\t0\r\n"
    "Title=\"  quoted  \"\r\n"
    "single='x'\r\n"
    "mixed=\"x'\r\n"
    "lone=\"\r\n"
    "empty=\r\n"
    "=no name\r\n"
    ";hidden=1\r\n"
    "   ;also hidden=3\r\n"
    ";no value\r\n"
    "#not hidden=2\r\n"
    "no equals sign\r\n"
    "dup=first\r\n"
    "DUP=second\r\n"
    "ideo=　全角空白　\r\n"
    "ＦＵＬＬ=full-width\r\n"
    "[  確認ﾒｯｾｰｼﾞ  ]  text after the bracket\r\n"
    "一覧to棚=5\r\n"
    "[]\r\n"
    "=empty section\r\n"
    "[a]b]\r\n"
    "k=last bracket\r\n"
    "[system]\r\n"
    "second=not found\r\n"
    "[no bracket\r\n"
    "k=open header\r\n";

class ProfileRead : public ::testing::TestWithParam<Enc> {
 protected:
  void SetUp() override { file_.Put(GetParam(), kSample); }
  IniFile file_;
};

INSTANTIATE_TEST_SUITE_P(Encodings, ProfileRead, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) { return Name(info.param); });

// Section, key, default and the value read from kSample.
struct Lookup {
  const char* section;
  const char* key;
  const char* def;
  const char* value;
};

constexpr Lookup kLookups[] = {
    // Values are trimmed of blanks (not U+3000) and lose matching quotes.
    {"SYSTEM", "売価率", "", "100"},
    {"SYSTEM", "ガイド機能", "", "0"},
    {"SYSTEM", "Title", "", "  quoted  "},
    {"SYSTEM", "single", "", "x"},
    {"SYSTEM", "mixed", "", "\"x'"},
    {"SYSTEM", "lone", "", "\""},
    {"SYSTEM", "empty", "default", ""},
    {"SYSTEM", "ideo", "", "　全角空白　"},
    // Latin letters fold, full-width ones too; kana match only exactly.
    {"system", "title", "", "  quoted  "},
    {"SYSTEM", "ｆｕｌｌ", "", "full-width"},
    {"SYSTEM", "FULL", "-", "-"},
    {"SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "", "1"},
    {"SYSTEM", "デジタイザ", "-", "-"},
    {"確認ﾒｯｾｰｼﾞ", "一覧TO棚", "", "5"},
    // The caller's names lose their spaces, not their tabs.
    {"  SYSTEM ", " 売価率  ", "", "100"},
    {"SYSTEM", "\t売価率", "-", "-"},
    // Section headers: up to the last "]", or the whole line without one.
    {"a]b", "k", "", "last bracket"},
    {"no bracket", "k", "", "open header"},
    {"", "", "", "empty section"},
    {"", "orphan", "-", "-"},
    {"SYSTEM", "", "-", "no name"},
    // The first section and the first key of a name win.
    {"SYSTEM", "dup", "", "first"},
    {"system", "second", "-", "-"},
    // Comments are found by their exact name (they are only left out of
    // lists); "#" starts no comment; a line without "=" is no key.
    {"SYSTEM", ";hidden", "-", "1"},
    {"SYSTEM", " ;also hidden", "-", "3"},
    {"SYSTEM", "hidden", "-", "-"},
    {"SYSTEM", ";", "-", "-"},
    {"SYSTEM", ";no value", "-", "-"},
    {"SYSTEM", "#not hidden", "", "2"},
    {"SYSTEM", "no equals sign", "-", "-"},
};

TEST_P(ProfileRead, Lookups) {
  for (const Lookup& l : kLookups) {
    SCOPED_TRACE(std::string(l.section) + "/" + l.key);
    EXPECT_EQ(file_.Get(l.section, l.key, l.def), l.value);
  }
}

TEST_P(ProfileRead, KeyAndSectionLists) {
  char16_t buf[400];
  DWORD n = GetPrivateProfileStringW(u"system", nullptr, u"", buf, 400, file_.win());
  EXPECT_EQ(std::u16string(buf, n + 1),
            U("売価率\0ﾃﾞｼﾞﾀｲｻﾞ\0ガイド機能\0Title\0single\0mixed\0lone\0empty\0\0"
              "#not hidden\0dup\0DUP\0ideo\0ＦＵＬＬ\0\0"sv));
  n = GetPrivateProfileStringW(nullptr, u"ignored", u"", buf, 400, file_.win());
  EXPECT_EQ(std::u16string(buf, n + 1),
            U("SYSTEM\0確認ﾒｯｾｰｼﾞ\0a]b\0system\0no bracket\0\0"sv));
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 400, file_.win()), n);
  // A missing section lists nothing and gives the default instead.
  n = GetPrivateProfileStringW(u"none", nullptr, u"dflt  ", buf, 400, file_.win());
  EXPECT_EQ(std::u16string(buf, n + 1), std::u16string(u"dflt\0", 5));
}

TEST_P(ProfileRead, SectionContents) {
  char16_t buf[200];
  DWORD n = GetPrivateProfileSectionW(u"確認ﾒｯｾｰｼﾞ", buf, 200, file_.win());
  EXPECT_EQ(std::u16string(buf, n + 1), U("一覧to棚=5\0\0"sv));
  n = GetPrivateProfileSectionW(u"a]b", buf, 200, file_.win());
  EXPECT_EQ(std::u16string(buf, n + 1), U("k=last bracket\0\0"sv));
  n = GetPrivateProfileSectionW(u"none", buf, 200, file_.win());
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], 0);
}

TEST_P(ProfileRead, SectionContentsKeepLinesWithoutEquals) {
  file_.Put(GetParam(), "[s]\r\n a = \"1\" \r\n;c=1\r\n\r\nplain text \r\n");
  char16_t buf[50];
  DWORD n = GetPrivateProfileSectionW(u"S", buf, 50, file_.win());
  EXPECT_EQ(std::u16string(buf, n + 1), U("a=\"1\"\0plain text\0\0"sv));
}

TEST_P(ProfileRead, Integers) {
  file_.Put(GetParam(),
            "[n]\r\na=42\r\nb=-1\r\nc= +7x\r\nd=0x10\r\ne=abc\r\nf=\r\ng=4294967296\r\n"
            "h=１２\r\ni=-0x10\r\nj=0X1f\r\nk=010\r\nl=0o17\r\nm=0b102\r\nn=0x\r\no=0xg\r\n"
            "p=\" +0x1A\"\r\nq=0x100000010\r\nr=0x0000000000000000000000000001\r\n");
  auto get = [&](const char16_t* key, int def) {
    return GetPrivateProfileIntW(u"n", key, def, file_.win());
  };
  EXPECT_EQ(get(u"a", 5), 42u);
  EXPECT_EQ(get(u"b", 5), 4294967295u);
  EXPECT_EQ(get(u"c", 5), 7u);
  EXPECT_EQ(get(u"e", 5), 0u);
  EXPECT_EQ(get(u"f", 5), 5u);  // empty: the default
  EXPECT_EQ(get(u"g", 5), 0u);  // wraps as Windows does
  EXPECT_EQ(get(u"h", 5), 0u);  // full-width digits are not digits here
  // The base follows a lower-case prefix: 0x hex, 0o octal, 0b binary;
  // a leading zero alone is decimal.
  EXPECT_EQ(get(u"d", 5), 16u);
  EXPECT_EQ(get(u"i", 5), static_cast<UINT>(-16));
  EXPECT_EQ(get(u"j", 5), 0u);
  EXPECT_EQ(get(u"k", 5), 10u);
  EXPECT_EQ(get(u"l", 5), 15u);
  EXPECT_EQ(get(u"m", 5), 2u);
  EXPECT_EQ(get(u"n", 5), 0u);
  EXPECT_EQ(get(u"o", 5), 0u);
  EXPECT_EQ(get(u"p", 5), 26u);
  EXPECT_EQ(get(u"q", 5), 16u);  // wraps
  EXPECT_EQ(get(u"r", 5), 0u);   // read as its first 29 characters
  EXPECT_EQ(get(u"missing", -3), static_cast<UINT>(-3));
}

}  // namespace

// ------------------------------------------------------------ buffers

TEST(ProfileBuffer, ValueIsCutToSizeMinusOne) {
  IniFile file;
  file.Put("[s]\r\nk=abcdef\r\n");
  char16_t buf[8];
  std::fill(std::begin(buf), std::end(buf), u'#');
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"", buf, 4, file.win()), 3u);
  EXPECT_EQ(std::u16string(buf, 5), std::u16string(u"abc\0#", 5));
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"", buf, 7, file.win()), 6u);
  EXPECT_EQ(std::u16string(buf, 7), std::u16string(u"abcdef\0", 7));
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"", buf, 1, file.win()), 0u);
  EXPECT_EQ(buf[0], 0);
  // The default is cut the same way.
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"x", u"123456789", buf, 5, file.win()), 4u);
  EXPECT_EQ(std::u16string(buf, 5), std::u16string(u"1234\0", 5));
}

TEST(ProfileBuffer, SizeZeroLeavesTheBufferAlone) {
  IniFile file;
  file.Put("[s]\r\nk=abc\r\n");
  char16_t buf[4] = {u'#', u'#', u'#', u'#'};
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"", buf, 0, file.win()), 0u);
  EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, u"", buf, 0, file.win()), 0u);
  EXPECT_EQ(GetPrivateProfileSectionW(u"s", buf, 0, file.win()), 0u);
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 0, file.win()), 0u);
  EXPECT_EQ(std::u16string(buf, 4), u"####");
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"", nullptr, 10, file.win()), 0u);
}

TEST(ProfileBuffer, ListsThatDoNotFitEndWithTwoZeros) {
  IniFile file;
  file.Put("[section1]\r\nname1=1\r\nname2=2\r\nname3=3\r\n[section2]\r\n");
  char16_t buf[32];
  // "section1\0section2\0\0" needs 19; 16 holds "section1\0secti\0\0".
  EXPECT_EQ(GetPrivateProfileStringW(nullptr, u"", u"", buf, 16, file.win()), 14u);
  EXPECT_EQ(std::u16string(buf, 16), std::u16string(u"section1\0secti\0\0", 16));
  EXPECT_EQ(GetPrivateProfileStringW(u"section1", nullptr, u"", buf, 16, file.win()), 14u);
  EXPECT_EQ(std::u16string(buf, 16), std::u16string(u"name1\0name2\0na\0\0", 16));
  // Exactly fitting lists are whole.
  EXPECT_EQ(GetPrivateProfileStringW(u"section1", nullptr, u"", buf, 19, file.win()), 18u);
  EXPECT_EQ(std::u16string(buf, 19), std::u16string(u"name1\0name2\0name3\0\0", 19));
  EXPECT_EQ(GetPrivateProfileStringW(u"section1", nullptr, u"", buf, 18, file.win()), 16u);
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 2, file.win()), 0u);
  EXPECT_EQ(std::u16string(buf, 2), std::u16string(u"\0\0", 2));
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 1, file.win()), 0u);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(GetPrivateProfileSectionW(u"section1", buf, 10, file.win()), 8u);
  EXPECT_EQ(std::u16string(buf, 10), std::u16string(u"name1=1\0\0\0", 10));
}

// ------------------------------------------------------------ defaults

TEST(ProfileDefault, LosesTrailingSpacesOnly) {
  IniFile file;
  EXPECT_EQ(file.Get("s", "k", "default  "), "default");
  EXPECT_EQ(file.Get("s", "k", "  lead"), "  lead");
  EXPECT_EQ(file.Get("s", "k", "one two  "), "one two");
  EXPECT_EQ(file.Get("s", "k", "tab\t"), "tab\t");
  EXPECT_EQ(file.Get("s", "k", "    "), "");
  EXPECT_EQ(file.Get("s", "k", "\"q\""), "\"q\"");
  EXPECT_EQ(file.Get("s", "k", nullptr), "");
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(ProfileDefault, MissingOrUnreadableFiles) {
  IniFile file;
  EXPECT_EQ(file.Get("s", "k", "d"), "d");                                  // missing file
  std::filesystem::create_directory(file.host());                           // a folder
  EXPECT_EQ(file.Get("s", "k", "d"), "d");
  char16_t buf[8];
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"d", buf, 8, u"Q:\\none.ini"), 1u);  // no drive
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"d", buf, 8, u""), 1u);
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 8, file.win()), 0u);
  EXPECT_EQ(std::u16string(buf, 2), std::u16string(u"\0\0", 2));
}

TEST(ProfileDefault, ReadFailureGivesTheDefault) {
  IniFile file;
  file.Put("[s]\r\nk=v\r\n");
  auto old = cmd::os::SetFaultHook([](cmd::os::FileStep step, const std::string&) {
    return step == cmd::os::FileStep::Read ? EIO : 0;
  });
  EXPECT_EQ(file.Get("s", "k", "d"), "d");
  cmd::os::SetFaultHook(old);
  EXPECT_EQ(file.Get("s", "k", "d"), "v");
}

// ------------------------------------------------------------ line ends and bad input

TEST(ProfileLines, CrLfAndCrLfEndLines) {
  IniFile file;
  file.Put("[s]\ra=1\nb=2\r\nc=3\n\rd=4\r\r\ne=5");
  for (const char* key : {"a", "b", "c", "d", "e"}) EXPECT_NE(file.Get("s", key, "-"), "-") << key;
  EXPECT_EQ(file.Get("s", "e"), "5");
}

TEST(ProfileLines, BadInputReadsWhatCanBeParsed) {
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
}

// ------------------------------------------------------------ paths

TEST(ProfilePaths, BareNamesLiveInTheWindowsFolder) {
  cmdtest::TempDir root;
  std::filesystem::create_directory(root / "WINDOWS");
  cmdtest::WriteBytes(root / "WINDOWS" / "win.ini", "[devices]\r\nFax=drv,port\r\n");
  cmd::path::SetWindowsFolder((root / "WINDOWS").string());
  char16_t buf[32];
  EXPECT_EQ(GetPrivateProfileStringW(u"devices", u"fax", u"", buf, 32, u"WIN.INI"), 8u);
  EXPECT_EQ(std::u16string(buf), u"drv,port");
  EXPECT_TRUE(WritePrivateProfileStringW(u"devices", u"x", u"1", u"win.ini"));
  EXPECT_EQ(cmdtest::ReadBytes(root / "WINDOWS" / "win.ini"),
            "[devices]\r\nFax=drv,port\r\nx=1\r\n");
  cmd::path::SetWindowsFolder("");
}

TEST(ProfilePaths, UserProfile) {
  IniFile file;
  cmd::profile::SetUserProfileFile(u"");
  char16_t buf[64];
  EXPECT_EQ(GetProfileStringW(u"devices", u"fax", u"none", buf, 64), 4u);
  EXPECT_FALSE(WriteProfileStringW(u"devices", u"fax", u"x"));
  EXPECT_EQ(GetProfileIntW(u"devices", u"n", 9), 9u);

  cmd::profile::SetUserProfileFile(file.win());
  EXPECT_TRUE(WriteProfileStringW(u"devices", u"Microsoft FAX 1", u"drv,FAX:"));
  EXPECT_TRUE(WriteProfileStringW(u"devices", u"n", u"12"));
  EXPECT_EQ(GetProfileIntW(u"devices", u"n", 9), 12u);
  EXPECT_EQ(GetProfileStringW(u"devices", nullptr, u"", buf, 64), 18u);
  EXPECT_EQ(std::u16string(buf, 19), std::u16string(u"Microsoft FAX 1\0n\0\0", 19));
  EXPECT_EQ(file.bytes(), "[devices]\r\nMicrosoft FAX 1=drv,FAX:\r\nn=12\r\n");
  // A null file name of the private functions is the user profile too.
  EXPECT_EQ(GetPrivateProfileStringW(u"devices", u"n", u"", buf, 64, nullptr), 2u);
  cmd::profile::SetUserProfileFile(u"");
}
