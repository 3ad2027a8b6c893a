// Text streams, the runtime's file and folder calls and Windows paths, on
// real files in a temporary folder: the bytes each mode writes, how files
// read back, and every failed step reported.
#include <gtest/gtest.h>

#include <errno.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cmddll3/platform/crtfile.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/textfile.h"
#include "cmddll3/platform/winpath.h"
#include "support/fail_step.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using namespace std::literals;
using namespace cmdtest;
using cmd::os::FileStep;

namespace {

// Sets the streams' read block size for the life of the object.
class ReadBlockSize {
 public:
  explicit ReadBlockSize(std::size_t bytes) { cmd::text::SetReadBlockSize(bytes); }
  ~ReadBlockSize() { cmd::text::SetReadBlockSize(0); }
};

class TempFolder : public ::testing::Test {
 protected:
  CString Path(const char* name) const { return dir_.win() + CString::FromUtf8(name); }
  fs::path Host(const char* name) const { return dir_ / name; }

  // Writes `texts` with WriteString through a stream opened with `mode`, and
  // returns the file's bytes as hex.
  std::string Written(const char* name, const char16_t* mode,
                      const std::vector<const char16_t*>& texts) {
    CStdioFile f;
    EXPECT_TRUE(f.Open(Path(name), mode)) << f.GetErrno();
    for (const char16_t* t : texts) f.WriteString(t);
    EXPECT_TRUE(f.Close());
    return Hex(ReadBytes(Host(name)));
  }

  // The lines, each followed by "|", that a ReadString loop gets from `bytes`
  // read with `mode`, the same in blocks of every size from 1 to 9 bytes
  // (characters, CR LF pairs, marks and Ctrl-Z split at every position);
  // ReadLines, which reads as "rt,ccs=UNICODE", must agree.
  std::u16string Lines(std::string_view bytes, const char16_t* mode) {
    fs::remove(Host("in.txt"));  // truncating a file is slow on some file systems
    WriteBytes(Host("in.txt"), bytes);
    std::u16string lines = Read(mode), whole;
    for (std::size_t block = 1; block <= 9; ++block) {
      ReadBlockSize small(block);
      EXPECT_EQ(Read(mode), lines) << "block " << block;
    }
    std::vector<CString> all;
    if (mode != u"rt,ccs=UNICODE"sv) return lines;
    EXPECT_TRUE(cmd::text::ReadLines(Path("in.txt"), all));
    for (const CString& line : all) whole += line.str() + u"|";
    EXPECT_EQ(whole, lines);
    return lines;
  }

  std::u16string Read(const char16_t* mode) {
    CStdioFile f;
    if (!f.Open(Path("in.txt"), mode)) return u"(open failed)";
    std::u16string lines;
    for (CString line; f.ReadString(line);) lines += line.str() + u"|";
    EXPECT_FALSE(f.Failed());
    return lines;
  }

  TempDir dir_;
};

using TextStream = TempFolder;
using CrtFiles = TempFolder;
using WindowsPath = TempFolder;

}  // namespace

// The bytes each write mode gives, in order on the same files: marks, CR LF,
// best fit in ANSI text, surrogates split between writes, and appends that
// go on in the file's own encoding. Only "w" streams (new content) are
// flushed to disk at the close.
TEST_F(TextStream, WriteModesAppendsAndFlushes) {
  const struct { const char16_t* mode; std::vector<const char16_t*> texts; const char* hex;
                 const char* name = "out.txt"; std::optional<std::string> before = {}; } cases[] = {
      {u"wt,ccs=UNICODE", {u"a\n"}, "FF FE 61 00 0D 00 0A 00"},
      {u"wt,ccs=UNICODE", {u"\r\n"}, "FF FE 0D 00 0D 00 0A 00"},
      {u"wt,ccs=UTF-16LE", {u"電\n"}, "FF FE FB 96 0D 00 0A 00"},
      {u"w,ccs=UNICODE", {}, "FF FE"},
      {u"wt,ccs=UTF-8", {u"é\n"}, "EF BB BF C3 A9 0D 0A"},
      {u"wt", {u"ケ\n", u"é¥〜"}, "83 50 0D 0A 65 5C 3F"},
      // Wide text on a binary stream is raw UTF-16LE; a ccs adds its mark.
      {u"wb", {u"a\n"}, "61 00 0A 00"}, {u"w+b,ccs=UTF-16LE", {u"x"}, "FF FE 78 00"},
      {u"wb,ccs=UNICODE", {u"a\r\nb\n"}, "FF FE 61 00 0D 00 0A 00 62 00 0A 00"},
      {u"wb,ccs=UTF-8", {u"あ"}, "EF BB BF 42 30"}, {u"wt,ccs=UNICODE", {u"b"}, "FF FE 62 00"},
      {u"wt,ccs=UTF-8", {u"\xD83D", u"\xDE00"}, "EF BB BF F0 9F 98 80"},
      {u"wt,ccs=UTF-8", {u"x\xD83D"}, "EF BB BF 78 EF BF BD"},
      // The mark goes only to a missing or empty file.
      {u"at,ccs=UNICODE", {u"a\n"}, "FF FE 61 00 0D 00 0A 00", "log.txt"},
      {u"at,ccs=UNICODE", {u"b\n"}, "FF FE 61 00 0D 00 0A 00 62 00 0D 00 0A 00", "log.txt"},
      {u"at,ccs=UNICODE", {u"a"}, "FF FE 61 00", "empty.txt", ""},
      {u"at,ccs=UTF-16LE", {u"a"}, "FF FE 61 00", "new16.txt"},
      {u"at,ccs=UTF-8", {u"a"}, "EF BB BF 61", "new8.txt"},
      {u"ab,ccs=UNICODE", {u"a\n"}, "FF FE 61 00 0A 00", "bin16.txt"},
      {u"ab,ccs=UNICODE", {u"b"}, "FF FE 61 00 0A 00 62 00", "bin16.txt"},
      // No mark: ANSI under ccs=UNICODE, UTF-16LE under ccs=UTF-16LE; a mark
      // wins over the ccs; plain "at" is ANSI whatever the file holds.
      {u"at,ccs=UNICODE", {u"ケ\n"}, "78 0D 0A 83 50 0D 0A", "ansi.txt", "x\r\n"},
      {u"at,ccs=UTF-16LE", {u"y\n"}, "78 00 79 00 0D 00 0A 00", "plain16.txt", "x\0"s},
      {u"at,ccs=UNICODE", {u"é"}, "EF BB BF 78 C3 A9", "utf8.txt", "\xEF\xBB\xBFx"},
      {u"at,ccs=UTF-8", {u"y"}, "FF FE 78 00 79 00", "marked16.txt", Utf16le(u"x")},
      {u"at", {u"ア\n"}, "FF FE 78 00 83 41 0D 0A", "any.txt", Utf16le(u"x")},
  };
  int flushes = 0;
  auto previous = cmd::os::SetFaultHook([&](FileStep s, const std::string&) {
    flushes += s == FileStep::Flush;
    return 0;
  });
  for (const auto& c : cases) {
    if (c.before) WriteBytes(Host(c.name), *c.before);
    flushes = 0;
    EXPECT_EQ(Written(c.name, c.mode, c.texts), c.hex) << c.name << " " << Utf16ToUtf8(c.mode);
    EXPECT_EQ(flushes, c.mode[0] == u'w' ? 1 : 0) << c.name << " " << Utf16ToUtf8(c.mode);
  }
  // An explicit Flush of an append reaches the disk; the destructor writes
  // the rest and closes.
  flushes = 0;
  {
    CStdioFile f;
    ASSERT_TRUE(f.Open(Path("log.txt"), u"at,ccs=UNICODE"));
    f.WriteString(u"c");
    EXPECT_TRUE(f.Flush());
    f.WriteString(u"d");
  }
  cmd::os::SetFaultHook(previous);
  EXPECT_EQ(flushes, 1);
  EXPECT_EQ(ReadBytes(Host("log.txt")), Utf16le(u"a\r\nb\r\ncd"));
  WriteBytes(Host("bin.dat"), "\x01");
  CStdioFile f;
  ASSERT_TRUE(f.Open(Path("bin.dat"), u"ab"));
  f.Write("\x02\x03", 2);
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(Hex(ReadBytes(Host("bin.dat"))), "01 02 03");
}

// How files read back: the mark decides the encoding, UTF-16 units are no
// bytes, binary streams see raw units, invalid text reads with replacements.
TEST_F(TextStream, ReadsByMarkAndMode) {
  const std::string utf16 = Utf16le(u"1,電気\r\n2,水道\r\n"), plain16 = Utf16le(u"a\r\nb", false),
                    utf8 = "\xEF\xBB\xBF" "1,\xE9\x9B\xBB\r\n";
  const struct { std::string bytes; const char16_t* mode; const char16_t* lines; } cases[] = {
      {utf16, u"rt,ccs=UNICODE", u"1,電気|2,水道|"}, {utf16, u"rt,ccs=UTF-8", u"1,電気|2,水道|"},
      {utf8, u"rt,ccs=UNICODE", u"1,電|"},           {utf8, u"rt,ccs=UTF-16LE", u"1,電|"},
      // Without a mark: ANSI under ccs=UNICODE, UTF-16LE under ccs=UTF-16LE.
      {"1,\x93\x64\x8B\x43\r\n", u"rt,ccs=UNICODE", u"1,電気|"},
      {plain16, u"rt,ccs=UTF-16LE", u"a|b|"}, {"\xE9\x9B\xBB", u"rt,ccs=UTF-8", u"電|"},
      // Binary streams read raw units after any mark: CR LF stays.
      {utf16, u"rb,ccs=UNICODE", u"1,電気\r|2,水道\r|"}, {plain16, u"rb,ccs=UNICODE", u"a\r|b|"},
      {"\xEF\xBB\xBF" + Utf16le(u"a", false), u"r+b,ccs=UTF-8", u"a|"},
      {Utf16le(u"a\r\nb"), u"rb", u"\uFEFFa\r|b|"},
      // Plain "rt" reads 932 and looks for no mark.
      {"\x83\x50\r\n", u"rt", u"ケ|"}, {"\xFF\xFE" "a", u"rt", u"\uF8F3\uF8F2a|"},
      // A mark alone, and files shorter than a mark.
      {"\xFF\xFE", u"rt,ccs=UNICODE", u""}, {"", u"rt,ccs=UNICODE", u""},
      {"\xEF\xBB", u"rt,ccs=UNICODE", u"\u30FB|"}, {"\xFF", u"rt,ccs=UNICODE", u"\uF8F3|"},
      // 0x0A, 0x0D and 0x1A inside UTF-16 units are no line ends and no end
      // of file; an odd last byte is no character.
      {Utf16le(u"\u0A0D\u1A00\u041A\r\nx"), u"rt,ccs=UNICODE", u"\u0A0D\u1A00\u041A|x|"},
      {Utf16le(u"ab") + "c", u"rt,ccs=UNICODE", u"ab|"},
      {Utf16le(u"a\r") + "c", u"rt,ccs=UNICODE", u"a\r|"},
      // A broken 932 pair keeps its line end; invalid UTF-8; lone
      // surrogates in UTF-16 are passed on.
      {"a\x81\r\nb\x85\x40\x81\rx\x81\n\x80\xA0\xFD\r\n\xB1\x83\x50\x1A" "c\x81", u"rt,ccs=UNICODE",
       u"a\u30FB|b\u30FB\u30FB\rx\u30FB|\u0080\uF8F0\uF8F1|\uFF71ケ|"},
      {"\xEF\xBB\xBF" "a\xC0\xE3\x81\r\n\xF0\x9F\x98\x80\r\r\nb\xE3", u"rt,ccs=UNICODE",
       u"a\uFFFD\uFFFD|\U0001F600\r|b\uFFFD|"},
      {Utf16le(u"\xD800x\r\n"), u"rt,ccs=UNICODE", u"\xD800x|"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Lines(c.bytes, c.mode), c.lines) << Hex(c.bytes) << " " << Utf16ToUtf8(c.mode);

  // Line ends in ANSI and UTF-16 alike: a lone CR stays, CR LF and LF end a
  // line, Ctrl-Z ends the input.
  const std::pair<std::u16string_view, const char16_t*> ends[] = {
      {u"a\rb\r\nc\nd", u"a\rb|c|d|"}, {u"\r\n\r\n", u"||"}, {u"a\r", u"a\r|"},
      {u"a\r\r\n", u"a\r|"}, {u"a\n\r", u"a|\r|"}, {u"\x1A" u"a", u""},
      {u"a\r\nb\x1A" u"c\r\nd\r\n", u"a|b|"},
  };
  for (const auto& [text, lines] : ends) {
    EXPECT_EQ(Lines(Utf16ToUtf8(text), u"rt"), lines) << Utf16ToUtf8(text);
    EXPECT_EQ(Lines(Utf16le(text), u"rt,ccs=UNICODE"), lines) << Utf16ToUtf8(text);
  }

  // A NUL ends a line's text; a line that starts with NUL reads as FALSE and
  // the stream goes on after it. The whole-file reader stops there.
  std::string nul = Utf16le(u"ab\0cd\r\nef\r\n\0g\r\nh"s);
  WriteBytes(Host("nul.txt"), nul);
  CStdioFile f;
  ASSERT_TRUE(f.Open(Path("nul.txt"), u"rt,ccs=UNICODE"));
  CString line;
  std::u16string got;
  for (int i = 0; i < 6; ++i) got += f.ReadString(line) ? line.str() + u"|" : u"FALSE|";
  EXPECT_EQ(got, u"ab|ef|FALSE|h|FALSE|FALSE|");
  std::vector<CString> lines;
  cmd::text::DecodeLines(nul, lines);
  EXPECT_EQ(lines, (std::vector<CString>{u"ab", u"ef"}));

  // In an update stream a write goes where the reading stopped.
  WriteBytes(Host("b.dat"), "0123456789");
  {
    ReadBlockSize small(3);
    ASSERT_TRUE(f.Open(Path("b.dat"), u"r+b"));
    char buf[16] = {};
    EXPECT_EQ(f.Read(buf, 4), 4u);
    f.Write("ab", 2);
    EXPECT_EQ(f.Read(buf, 16), 4u);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(f.Read(buf, 16), 0u);
    EXPECT_TRUE(f.Close());
  }
  EXPECT_EQ(ReadBytes(Host("b.dat")), "0123ab6789");
  // Binary reads in pieces, and at the end.
  ASSERT_TRUE(f.Open(Path("b.dat"), u"rb"));
  char bytes[12] = {};
  EXPECT_EQ(f.Read(bytes, 2), 2u);
  EXPECT_EQ(f.Read(bytes + 2, 10), 8u);
  EXPECT_EQ(f.Read(bytes, 8), 0u);
  EXPECT_EQ(std::string(bytes, 10), "0123ab6789");
}

// Malformed modes, missing files and folders, writes of the wrong kind and
// failed file steps are reported with the runtime's errno; the file stays
// as it was.
TEST_F(TextStream, FailuresAreReported) {
  WriteBytes(Host("m.txt"), "x");
  CStdioFile f;
  for (const char16_t* bad : {u"", u"x", u"rr", u"rtb", u"r++", u"r,ccs=UTF-32",
                              u"rb,ccs=UTF-32", u"r,css=UNICODE", u"rt,ccs=UNICODE junk"}) {
    EXPECT_FALSE(f.Open(Path("m.txt"), bad) || f.IsOpen()) << Utf16ToUtf8(bad);
    EXPECT_EQ(f.GetErrno(), EINVAL) << Utf16ToUtf8(bad);
  }
  for (const char16_t* good : {u"r", u"rt", u"rb", u"r+b", u"rb+", u"r+", u"rt, ccs = unicode",
                               u"rtS,ccs=UTF-16LE", u"a+", u"a+t,ccs=UNICODE"})
    EXPECT_TRUE(f.Open(Path("m.txt"), good) && f.IsOpen()) << Utf16ToUtf8(good);
  for (auto [name, mode, error] : {std::tuple{"missing.txt", u"rt,ccs=UNICODE", ENOENT},
                                   {"no\\such\\folder\\x.txt", u"wt,ccs=UNICODE", ENOENT},
                                   {"folder", u"rt", EACCES}}) {
    fs::create_directory(Host("folder"));
    EXPECT_FALSE(f.Open(Path(name), mode)) << name;
    EXPECT_EQ(f.GetErrno(), error) << name;
  }
  CString line;
  EXPECT_FALSE(f.ReadString(line));
  f.WriteString(u"ignored");
  EXPECT_FALSE(f.IsOpen());
  std::vector<CString> lines;
  EXPECT_FALSE(cmd::text::ReadLines(Path("missing.txt"), lines));

  ASSERT_TRUE(f.Open(Path("m.txt"), u"rt"));
  f.WriteString(u"y");  // a read stream
  EXPECT_TRUE(f.Failed());
  EXPECT_EQ(f.GetErrno(), EBADF);
  EXPECT_FALSE(f.Close());
  EXPECT_EQ(ReadBytes(Host("m.txt")), "x");
  ASSERT_TRUE(f.Open(Path("t.txt"), u"wt,ccs=UNICODE"));
  f.Write("ab", 2);  // bytes on a text stream
  EXPECT_EQ(f.GetErrno(), EINVAL);
  EXPECT_FALSE(f.Close());

  // Every file step that fails is reported: by Close, by Flush, by Open and
  // by ReadString, with its errno, and the outcome stays until the next Open.
  for (auto [step, error] : {std::pair{FileStep::Write, ENOSPC}, {FileStep::Flush, EIO},
                             {FileStep::Close, EIO}}) {
    ASSERT_TRUE(f.Open(Path("temp.mst"), u"wt,ccs=UNICODE"));
    f.WriteString(u"1,a\n");
    {
      FailStep fail(step, error);
      EXPECT_FALSE(f.Close());
    }
    EXPECT_TRUE(f.Failed() && !f.IsOpen() && !f.Close()) << int(step);
    EXPECT_EQ(f.GetErrno(), error) << int(step);
  }
  {  // A write that fails while the buffer fills: later writes are dropped.
    ASSERT_TRUE(f.Open(Path("big.mst"), u"wt,ccs=UNICODE"));
    FailStep fail(FileStep::Write, ENOSPC);
    std::u16string chunk(100000, u'x');
    for (int i = 0; i < 5; ++i) f.WriteString(chunk.c_str());
    EXPECT_TRUE(f.Failed());
    EXPECT_FALSE(f.Close());
  }
  {  // A failed seek back over what was read ahead, in an update stream.
    WriteBytes(Host("u.dat"), "abcdef");
    ASSERT_TRUE(f.Open(Path("u.dat"), u"r+b"));
    char buf[2];
    EXPECT_EQ(f.Read(buf, 2), 2u);
    FailStep fail(FileStep::Seek, EIO);
    f.Write("XY", 2);
    EXPECT_FALSE(f.Close());
    EXPECT_EQ(ReadBytes(Host("u.dat")), "abcdef");
  }
  WriteBytes(Host("r.txt"), Utf16le(u"a\r\n"));
  {
    FailStep fail(FileStep::Open, EMFILE);
    EXPECT_FALSE(f.Open(Path("r.txt"), u"rt,ccs=UNICODE"));
    EXPECT_EQ(f.GetErrno(), EMFILE);
  }
  {
    FailStep fail(FileStep::Read, EIO);
    EXPECT_FALSE(f.Open(Path("r.txt"), u"rt,ccs=UNICODE"));  // the mark is read at open
    EXPECT_EQ(f.GetErrno(), EIO);
    ASSERT_TRUE(f.Open(Path("r.txt"), u"rt"));
    EXPECT_FALSE(f.ReadString(line));
    EXPECT_TRUE(f.Failed());
    EXPECT_EQ(f.GetErrno(), EIO);
  }
  // Flush reports a failed flush of an append, which Close does not flush.
  ASSERT_TRUE(f.Open(Path("log.txt"), u"at,ccs=UNICODE"));
  f.WriteString(u"x\n");
  FailStep fail(FileStep::Flush, EIO);
  EXPECT_FALSE(f.Flush());
  EXPECT_EQ(f.GetErrno(), EIO);
  EXPECT_FALSE(f.Close());
}

// ------------------------------------------------- runtime paths and folders

namespace {

// Drive, folder, name and extension as "C:|\dir\|name|.ext".
std::string Split(const char16_t* path) {
  char16_t drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
  _wsplitpath(path, drive, dir, fname, ext);
  return Utf16ToUtf8(std::u16string(drive) + u"|" + dir + u"|" + fname + u"|" + ext);
}

// Each call's result: 0, or the errno after a -1.
int Rc(int result) { return result == 0 ? 0 : result == -1 ? errno : -999; }
void ExpectCodes(std::initializer_list<std::pair<int, int>> calls) {
  for (auto call = calls.begin(); call != calls.end(); ++call)
    EXPECT_EQ(call->first, call->second) << "call " << call - calls.begin();
}

}  // namespace

// Paths split as the runtime splits them, the bounded form emptying every
// part when one is short; the folder and file calls with the runtime's
// errno values.
TEST_F(CrtFiles, PathsFoldersAndFiles) {
  const std::pair<const char16_t*, const char*> cases[] = {
      {u"C:\\inst\\MASTER\\zairyou1.mst", "C:|\\inst\\MASTER\\|zairyou1|.mst"},
      {u"C:\\DATA\\見積\\", "C:|\\DATA\\見積\\||"}, {u"\\dir\\", "|\\dir\\||"}, {u"file", "||file|"},
      {u"a.b.c", "||a.b|.c"}, {u"C:file.txt", "C:||file|.txt"}, {u"C:", "C:|||"},
      {u"x.y\\name", "|x.y\\|name|"}, {u"/usr/local/a.tar.gz", "|/usr/local/|a.tar|.gz"},
      {u"d:/mixed\\sep/f.", "d:|/mixed\\sep/|f|."}, {u".profile", "|||.profile"},
      {u"..", "||.|."}, {u"1:odd", "1:||odd|"}, {u"", "|||"}, {nullptr, "|||"},
  };
  for (const auto& [path, parts] : cases) EXPECT_EQ(Split(path), parts) << CString(path).ToUtf8();
  char16_t dir[_MAX_DIR], fname[_MAX_FNAME], ext[8], drive[3];
  _wsplitpath(u"C:\\a\\b.c", nullptr, dir, nullptr, nullptr);
  EXPECT_EQ(std::u16string(dir), u"\\a\\");
  _wsplitpath((std::u16string(300, u'n') + u".ext").c_str(), nullptr, nullptr, fname, nullptr);
  EXPECT_EQ(std::u16string(fname), std::u16string(_MAX_FNAME - 1, u'n'));
  EXPECT_EQ(_wsplitpath_s(u"C:\\ab\\name.txt", drive, 3, dir, 8, fname, 8, ext, 8), 0);
  EXPECT_EQ(std::u16string(dir) + u"|" + fname + u"|" + ext, u"\\ab\\|name|.txt");
  // "\abcdefg\" needs 10 units.
  EXPECT_EQ(_wsplitpath_s(u"C:\\abcdefg\\n.t", drive, 3, dir, 8, fname, 8, ext, 8), ERANGE);
  EXPECT_EQ(drive[0] | dir[0] | fname[0] | ext[0], 0);
  EXPECT_EQ(_wsplitpath_s(nullptr, drive, 3, dir, 8, fname, 8, ext, 8), EINVAL);
  EXPECT_EQ(_wsplitpath_s(u"a", drive, 0, dir, 8, fname, 8, ext, 8), EINVAL);
  EXPECT_EQ(_wsplitpath_s(u"a.b", nullptr, 0, nullptr, 0, fname, 8, nullptr, 0), 0);
  EXPECT_EQ(std::u16string(fname), u"a");

  std::u16string cwd = Utf8ToUtf16(fs::current_path().string()), buf(cwd.size() + 1, u'#');
  ASSERT_EQ(_wgetcwd(buf.data(), static_cast<int>(buf.size())), buf.data());
  EXPECT_EQ(std::u16string(buf.c_str()), cwd);
  errno = 0;
  EXPECT_EQ(_wgetcwd(buf.data(), static_cast<int>(cwd.size())), nullptr);
  EXPECT_EQ(errno, ERANGE);
  EXPECT_EQ(_wgetcwd(buf.data(), 0), nullptr);
  EXPECT_EQ(errno, EINVAL);
  char16_t* owned = _wgetcwd(nullptr, 0);
  ASSERT_NE(owned, nullptr);
  EXPECT_EQ(std::u16string(owned), cwd);
  std::free(owned);

  CString a = Path("A"), ini = a + u"\\MITUNO.INI";
  ExpectCodes({{Rc(_wmkdir(a)), 0}, {Rc(_wmkdir(a)), EEXIST}, {Rc(_wmkdir(a + u"\\B\\C")), ENOENT},
               {Rc(_wmkdir(CString(std::u16string(MAX_PATH, u'd')))), ENOENT},
               {Rc(_waccess(a, 0)), 0}, {Rc(_waccess(a, 6)), 0},
               {Rc(_waccess(a + u"\\none", 0)), ENOENT}, {Rc(_waccess(a, 1)), EINVAL}});
  WriteBytes(dir_ / "A" / "mituno.ini", "x");
  EXPECT_EQ(Rc(_waccess(ini, 4)), 0);
  SetFileAttributesW(ini, FILE_ATTRIBUTE_READONLY);
  ExpectCodes({{Rc(_waccess(ini, 4)), 0}, {Rc(_waccess(ini, 2)), EACCES},
               {Rc(_wremove(ini)), EACCES}});
  SetFileAttributesW(ini, FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(Rc(_wrmdir(a)), ENOTEMPTY);
  WriteBytes(dir_ / "A" / "other.ini", "y");
  ExpectCodes({{Rc(_wrename(ini, a + u"\\other.ini")), EEXIST},
               {Rc(_wrename(ini, a + u"\\renamed.ini")), 0}});
  EXPECT_EQ(ReadBytes(dir_ / "A" / "renamed.ini"), "x");
  ExpectCodes({{Rc(_wremove(a + u"\\renamed.ini")), 0},
               {Rc(_wremove(a + u"\\renamed.ini")), ENOENT}, {Rc(_wremove(a)), EACCES},  // a folder
               {Rc(_wremove(a + u"\\other.ini")), 0}, {Rc(_wrmdir(a)), 0}});
  EXPECT_FALSE(fs::exists(dir_ / "A"));
}

// Windows paths to host paths: both separators, names matched without case
// (ASCII only) against what exists, the drive map, and what Windows refuses.
TEST_F(WindowsPath, MapsToTheHost) {
  fs::create_directories(dir_ / "MASTER" / "電気");
  fs::create_directories(dir_ / "LAYOUT");
  fs::create_directories(dir_ / "ＡＢ");
  WriteBytes(dir_ / "LAYOUT" / "Layout.ini", "x");
  const std::string root = dir_.str(), longName(MAX_PATH - 1, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {root + "\\MASTER\\電気\\", root + "/MASTER/電気/"},
      {root + "/MASTER/電気\\zairyou1.mst", root + "/MASTER/電気/zairyou1.mst"},
      {root + "\\layout\\LAYOUT.INI", root + "/LAYOUT/Layout.ini"},
      {root + "\\layout\\New\\a.txt", root + "/LAYOUT/New/a.txt"},  // a new name as spelled
      {root + "\\ａｂ", root + "/ａｂ"}, {"rel\\x.ini", "rel/x.ini"}, {longName, longName},
      // The host's root with a name joined by a backslash is no share.
      {"/\\pelmar1.ini", "/pelmar1.ini"}, {"/\\tolv\\WORK\\", "/tolv/WORK/"},
      {"", ""}, {"\\\\server\\share\\x", ""}, {"\\/server/share/x", ""}, {longName + "a", ""},
  };
  for (const auto& [win, host] : cases)
    EXPECT_EQ(cmd::path::ToHostOrEmpty(Utf8ToUtf16(win)), host) << win;
  std::string out;
  EXPECT_FALSE(cmd::path::ToHost(Utf8ToUtf16(longName + "a"), out));
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
  cmd::path::SetDriveRoot(u'A', "");
  EXPECT_FALSE(cmd::path::ToHost(u"A:\\BACKUP.001", out));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  cmd::path::SetDriveRoot(u'a', root);
  EXPECT_EQ(cmd::path::ToHostOrEmpty(u"A:\\BACKUP.001"), root + "/BACKUP.001");
  EXPECT_EQ(cmd::path::ToHostOrEmpty(u"a:"), root);
  cmd::path::SetDriveRoot(u'A', "");
}
