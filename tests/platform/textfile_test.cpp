// Text streams: the bytes the Windows runtime's modes write and how they
// read files back.
#include <gtest/gtest.h>

#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/textfile.h"
#include "support/fail_step.h"
#include "support/test_support.h"

using cmdtest::FailStep;
using cmdtest::Hex;
using cmdtest::ReadBytes;
using cmdtest::Unhex;
using cmdtest::Utf16le;
using cmdtest::WriteBytes;

namespace {

class TextFile : public ::testing::Test {
 protected:
  CString Path(const char* name) const { return dir_.win() + CString::FromUtf8(name); }
  std::filesystem::path Host(const char* name) const { return dir_ / name; }

  // Writes `texts` with WriteString through a stream opened with `mode`, and
  // returns the file's bytes as hex.
  std::string Written(const char16_t* mode, std::initializer_list<const char16_t*> texts,
                      const char* name = "out.txt") {
    CStdioFile f;
    EXPECT_TRUE(f.Open(Path(name), mode)) << f.GetErrno();
    for (const char16_t* t : texts) f.WriteString(t);
    EXPECT_TRUE(f.Close());
    return Hex(ReadBytes(Host(name)));
  }

  // The lines that a ReadString loop gets from `bytes` read with `mode`.
  std::vector<std::u16string> Lines(std::string_view bytes, const char16_t* mode) {
    std::filesystem::remove(Host("in.txt"));  // truncating a file is slow on some file systems
    WriteBytes(Host("in.txt"), bytes);
    CStdioFile f;
    std::vector<std::u16string> lines;
    if (!f.Open(Path("in.txt"), mode)) {
      ADD_FAILURE() << "open failed: " << f.GetErrno();
      return lines;
    }
    CString line;
    while (f.ReadString(line)) lines.push_back(line.str());
    EXPECT_FALSE(f.Failed());
    return lines;
  }

  cmdtest::TempDir dir_;
};

using LineList = std::vector<std::u16string>;

// Sets the streams' read block size for the life of the object.
class ReadBlockSize {
 public:
  explicit ReadBlockSize(std::size_t bytes) { cmd::text::SetReadBlockSize(bytes); }
  ~ReadBlockSize() { cmd::text::SetReadBlockSize(0); }
};

}  // namespace

TEST_F(TextFile, WriteModes) {
  EXPECT_EQ(Written(u"wt,ccs=UNICODE", {u"a\n"}), "FF FE 61 00 0D 00 0A 00");
  EXPECT_EQ(Written(u"wt,ccs=UNICODE", {u"\r\n"}), "FF FE 0D 00 0D 00 0A 00");
  EXPECT_EQ(Written(u"wt,ccs=UTF-16LE", {u"電\n"}), "FF FE FB 96 0D 00 0A 00");
  EXPECT_EQ(Written(u"w,ccs=UNICODE", {u"a\n"}), "FF FE 61 00 0D 00 0A 00");
  EXPECT_EQ(Written(u"wt,ccs=UNICODE", {}), "FF FE");
  EXPECT_EQ(Written(u"wt,ccs=UTF-8", {u"é\n"}), "EF BB BF C3 A9 0D 0A");
  // ANSI text is code page 932, with Windows' best fit.
  EXPECT_EQ(Written(u"wt", {u"ケ\n", u"é¥〜"}), "83 50 0D 0A 65 5C 3F");
  // Wide text on a binary stream is raw UTF-16LE: no mark, no CR.
  EXPECT_EQ(Written(u"wb", {u"a\n"}), "61 00 0A 00");
  // A ccs on a binary stream adds its mark; the text stays raw UTF-16LE.
  EXPECT_EQ(Written(u"wb,ccs=UNICODE", {u"a\r\nb\n"}), "FF FE 61 00 0D 00 0A 00 62 00 0A 00");
  EXPECT_EQ(Written(u"w+b,ccs=UTF-16LE", {u"x"}), "FF FE 78 00");
  EXPECT_EQ(Written(u"wb,ccs=UTF-8", {u"あ"}), "EF BB BF 42 30");
  // "w" truncates.
  EXPECT_EQ(Written(u"wt,ccs=UNICODE", {u"b"}), "FF FE 62 00");
  // A surrogate pair split between writes, and a lone one at the close.
  EXPECT_EQ(Written(u"wt,ccs=UTF-8", {u"\xD83D", u"\xDE00"}), "EF BB BF F0 9F 98 80");
  EXPECT_EQ(Written(u"wt,ccs=UTF-8", {u"x\xD83D"}), "EF BB BF 78 EF BF BD");
}

TEST_F(TextFile, AppendWritesTheMarkOnlyToAnEmptyFile) {
  // Missing file, then an existing UTF-16 file.
  EXPECT_EQ(Written(u"at,ccs=UNICODE", {u"a\n"}, "log.txt"), "FF FE 61 00 0D 00 0A 00");
  EXPECT_EQ(Written(u"at,ccs=UNICODE", {u"b\n"}, "log.txt"),
            "FF FE 61 00 0D 00 0A 00 62 00 0D 00 0A 00");
  // Empty file.
  WriteBytes(Host("empty.txt"), "");
  EXPECT_EQ(Written(u"at,ccs=UNICODE", {u"a"}, "empty.txt"), "FF FE 61 00");
  WriteBytes(Host("empty16.txt"), "");
  EXPECT_EQ(Written(u"at,ccs=UTF-16LE", {u"a"}, "empty16.txt"), "FF FE 61 00");
  EXPECT_EQ(Written(u"at,ccs=UTF-16LE", {u"a"}, "new16.txt"), "FF FE 61 00");
  EXPECT_EQ(Written(u"at,ccs=UTF-8", {u"a"}, "new8.txt"), "EF BB BF 61");
  EXPECT_EQ(Written(u"ab,ccs=UNICODE", {u"a\n"}, "bin16.txt"), "FF FE 61 00 0A 00");
  EXPECT_EQ(Written(u"ab,ccs=UNICODE", {u"b"}, "bin16.txt"), "FF FE 61 00 0A 00 62 00");
}

TEST_F(TextFile, AppendContinuesInTheFilesEncoding) {
  // No mark under ccs=UNICODE: ANSI, as the runtime appends.
  WriteBytes(Host("ansi.txt"), "x\r\n");
  EXPECT_EQ(Written(u"at,ccs=UNICODE", {u"ケ\n"}, "ansi.txt"), "78 0D 0A 83 50 0D 0A");
  // No mark under ccs=UTF-16LE: UTF-16LE.
  WriteBytes(Host("plain16.txt"), Utf16le(u"x", false));
  EXPECT_EQ(Written(u"at,ccs=UTF-16LE", {u"y\n"}, "plain16.txt"), "78 00 79 00 0D 00 0A 00");
  // A UTF-8 mark wins over the ccs.
  WriteBytes(Host("utf8.txt"), "\xEF\xBB\xBFx");
  EXPECT_EQ(Written(u"at,ccs=UNICODE", {u"é"}, "utf8.txt"), "EF BB BF 78 C3 A9");
  // A UTF-16 mark wins over ccs=UTF-8.
  WriteBytes(Host("marked16.txt"), Utf16le(u"x"));
  EXPECT_EQ(Written(u"at,ccs=UTF-8", {u"y"}, "marked16.txt"), "FF FE 78 00 79 00");
  // Plain "at" is ANSI whatever the file holds.
  WriteBytes(Host("any.txt"), Utf16le(u"x"));
  EXPECT_EQ(Written(u"at", {u"ア\n"}, "any.txt"), "FF FE 78 00 83 41 0D 0A");
  // Binary append.
  WriteBytes(Host("bin.dat"), "\x01");
  CStdioFile f;
  ASSERT_TRUE(f.Open(Path("bin.dat"), u"ab"));
  f.Write("\x02\x03", 2);
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(Hex(ReadBytes(Host("bin.dat"))), "01 02 03");
}

TEST_F(TextFile, TheMarkDecidesHowAFileIsRead) {
  std::string utf16 = Utf16le(u"1,電気\r\n2,水道\r\n");
  EXPECT_EQ(Lines(utf16, u"rt,ccs=UNICODE"), (LineList{u"1,電気", u"2,水道"}));
  EXPECT_EQ(Lines(utf16, u"rt,ccs=UTF-8"), (LineList{u"1,電気", u"2,水道"}));
  std::string utf8 = "\xEF\xBB\xBF" "1,\xE9\x9B\xBB\r\n";
  EXPECT_EQ(Lines(utf8, u"rt,ccs=UNICODE"), (LineList{u"1,電"}));
  EXPECT_EQ(Lines(utf8, u"rt,ccs=UTF-16LE"), (LineList{u"1,電"}));
  // Without a mark: ANSI under ccs=UNICODE, UTF-16LE under ccs=UTF-16LE.
  EXPECT_EQ(Lines("1,\x93\x64\x8B\x43\r\n", u"rt,ccs=UNICODE"), (LineList{u"1,電気"}));
  EXPECT_EQ(Lines(Utf16le(u"a\r\nb", false), u"rt,ccs=UTF-16LE"), (LineList{u"a", u"b"}));
  EXPECT_EQ(Lines("\xE9\x9B\xBB", u"rt,ccs=UTF-8"), (LineList{u"電"}));
  // A binary stream with a ccs reads raw units after any mark: CR LF stays.
  EXPECT_EQ(Lines(utf16, u"rb,ccs=UNICODE"), (LineList{u"1,電気\r", u"2,水道\r"}));
  EXPECT_EQ(Lines(Utf16le(u"a\r\nb", false), u"rb,ccs=UNICODE"), (LineList{u"a\r", u"b"}));
  EXPECT_EQ(Lines("\xEF\xBB\xBF" + Utf16le(u"a", false), u"r+b,ccs=UTF-8"), (LineList{u"a"}));
  // Plain "rt" reads 932 and looks for no mark.
  EXPECT_EQ(Lines("\x83\x50\r\n", u"rt"), (LineList{u"ケ"}));
  EXPECT_EQ(Lines("\xFF\xFE" "a", u"rt"), (LineList{u"\uF8F3\uF8F2a"}));
  // A mark alone, and files shorter than a mark.
  EXPECT_EQ(Lines("\xFF\xFE", u"rt,ccs=UNICODE"), LineList{});
  EXPECT_EQ(Lines("", u"rt,ccs=UNICODE"), LineList{});
  EXPECT_EQ(Lines("\xEF\xBB", u"rt,ccs=UNICODE"), (LineList{u"\u30FB"}));
  EXPECT_EQ(Lines("\xFF", u"rt,ccs=UNICODE"), (LineList{u"\uF8F3"}));
}

TEST_F(TextFile, LineEndsOnInput) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide);
    auto bytes = [&](std::u16string_view s) { return wide ? Utf16le(s) : Utf16ToUtf8(s); };
    const char16_t* mode = wide ? u"rt,ccs=UNICODE" : u"rt";
    // A lone CR stays, CR LF is one line end, LF alone is one too.
    EXPECT_EQ(Lines(bytes(u"a\rb\r\nc\nd"), mode), (LineList{u"a\rb", u"c", u"d"}));
    EXPECT_EQ(Lines(bytes(u"\r\n\r\n"), mode), (LineList{u"", u""}));
    EXPECT_EQ(Lines(bytes(u"a\r"), mode), (LineList{u"a\r"}));
    EXPECT_EQ(Lines(bytes(u"a\r\r\n"), mode), (LineList{u"a\r"}));
    EXPECT_EQ(Lines(bytes(u"a\n\r"), mode), (LineList{u"a", u"\r"}));
    // Ctrl-Z ends the input.
    EXPECT_EQ(Lines(bytes(u"a\r\nb\x1A" u"c\r\nd\r\n"), mode), (LineList{u"a", u"b"}));
    EXPECT_EQ(Lines(bytes(u"\x1A" u"a"), mode), LineList{});
  }
}

TEST_F(TextFile, Utf16UnitsAreNotBytes) {
  // The bytes 0x0A, 0x0D and 0x1A inside UTF-16 units are no line ends and no
  // end of file: U+0A0D, U+1A00 and U+041A.
  std::string bytes = Utf16le(u"\u0A0D\u1A00\u041A\r\nx");
  EXPECT_EQ(Lines(bytes, u"rt,ccs=UNICODE"), (LineList{u"\u0A0D\u1A00\u041A", u"x"}));
  // An odd last byte is no character.
  EXPECT_EQ(Lines(Utf16le(u"ab") + "c", u"rt,ccs=UNICODE"), (LineList{u"ab"}));
  EXPECT_EQ(Lines(Utf16le(u"a\r") + "c", u"rt,ccs=UNICODE"), (LineList{u"a\r"}));
}

TEST_F(TextFile, BinaryReadingSeesRawUnits) {
  std::string bytes = Utf16le(u"a\r\nb");
  EXPECT_EQ(Lines(bytes, u"rb"), (LineList{u"\uFEFFa\r", u"b"}));
  WriteBytes(Host("bin.dat"), "\x01\x02\x03\x04\x05");
  CStdioFile f;
  ASSERT_TRUE(f.Open(Path("bin.dat"), u"rb"));
  char buf[8] = {};
  EXPECT_EQ(f.Read(buf, 2), 2u);
  EXPECT_EQ(f.Read(buf + 2, 8), 3u);
  EXPECT_EQ(f.Read(buf, 8), 0u);
  EXPECT_EQ(Hex(std::string_view(buf, 5)), "01 02 03 04 05");
}

TEST_F(TextFile, WritesOfTheWrongKindFail) {
  WriteBytes(Host("r.txt"), "x");
  CStdioFile f;
  ASSERT_TRUE(f.Open(Path("r.txt"), u"rt"));
  f.WriteString(u"y");  // a read stream
  EXPECT_TRUE(f.Failed());
  EXPECT_EQ(f.GetErrno(), EBADF);
  EXPECT_FALSE(f.Close());
  EXPECT_EQ(ReadBytes(Host("r.txt")), "x");
  ASSERT_TRUE(f.Open(Path("t.txt"), u"wt,ccs=UNICODE"));
  f.Write("ab", 2);  // bytes on a text stream
  EXPECT_EQ(f.GetErrno(), EINVAL);
  EXPECT_FALSE(f.Close());
}

TEST_F(TextFile, InvalidTextReadsWithReplacements) {
  // 932: a broken pair keeps its line end; undefined bytes map as Windows maps them.
  EXPECT_EQ(Lines("a\x81\r\nb\x85\x40\r\n\x80\xA0\xFD\r\nc\x81", u"rt,ccs=UNICODE"),
            (LineList{u"a\u30FB", u"b\u30FB", u"\u0080\uF8F0\uF8F1", u"c\u30FB"}));
  // UTF-8.
  EXPECT_EQ(Lines("\xEF\xBB\xBF" "a\xC0\xE3\x81\r\nb\xE3", u"rt,ccs=UNICODE"),
            (LineList{u"a\uFFFD\uFFFD", u"b\uFFFD"}));
  // Lone surrogates in UTF-16 are passed on as they are.
  EXPECT_EQ(Lines(Utf16le(u"\xD800x\r\n"), u"rt,ccs=UNICODE"), (LineList{u"\xD800x"}));
}

TEST_F(TextFile, NulEndsALine) {
  std::string bytes = Utf16le(std::u16string(u"ab\0cd\r\nef\r\n\0g\r\nh", 16));
  WriteBytes(Host("nul.txt"), bytes);
  CStdioFile f;
  ASSERT_TRUE(f.Open(Path("nul.txt"), u"rt,ccs=UNICODE"));
  CString line;
  EXPECT_TRUE(f.ReadString(line));
  EXPECT_EQ(line, u"ab");
  EXPECT_TRUE(f.ReadString(line));
  EXPECT_EQ(line, u"ef");
  EXPECT_FALSE(f.ReadString(line));  // a line that starts with NUL reads as the end
  EXPECT_TRUE(f.ReadString(line));
  EXPECT_EQ(line, u"h");
  EXPECT_FALSE(f.ReadString(line));
  EXPECT_FALSE(f.ReadString(line));
  std::vector<CString> lines;
  cmd::text::DecodeLines(bytes, lines);
  EXPECT_EQ(lines, (std::vector<CString>{u"ab", u"ef"}));
}

// Whatever the block size, a ReadString loop reads what the whole-file
// reader reads: characters, CR LF pairs, marks and Ctrl-Z split between
// blocks at every position.
TEST_F(TextFile, EveryBlockSizeReadsTheSame) {
  const std::string files[] = {
      Utf16le(u"1,電気\r\n\r\n2,水道\r\r\nx\ry\r\n\x1A" u"z"),
      Utf16le(u"a\r\n") + "b",
      "\xEF\xBB\xBF" "1,\xE9\x9B\xBB\r\n\xF0\x9F\x98\x80\r\r\n\xE3\x81\r\nend\r",
      "1,\x93\x64\x8B\x43\r\n\x81\r\n\xB1\x83\x50\x80\xA0\r\r\n\x1A" "after",
      "\xFF\xFE",
      "\xEF\xBB",
      "",
  };
  for (const std::string& bytes : files) {
    SCOPED_TRACE(Hex(bytes));
    std::vector<CString> whole;
    cmd::text::DecodeLines(bytes, whole);
    LineList expected;
    for (const CString& l : whole) expected.push_back(l.str());
    for (std::size_t block = 1; block <= 9; ++block) {
      SCOPED_TRACE(block);
      ReadBlockSize small(block);
      EXPECT_EQ(Lines(bytes, u"rt,ccs=UNICODE"), expected);
    }
  }
}

TEST_F(TextFile, SmallBlocksInBinaryAndUpdateModes) {
  WriteBytes(Host("b.dat"), "0123456789");
  {
    ReadBlockSize small(3);
    CStdioFile f;
    ASSERT_TRUE(f.Open(Path("b.dat"), u"r+b"));
    char buf[16] = {};
    EXPECT_EQ(f.Read(buf, 4), 4u);
    f.Write("ab", 2);
    EXPECT_EQ(f.Read(buf, 16), 4u);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_TRUE(f.Close());
  }
  EXPECT_EQ(ReadBytes(Host("b.dat")), "0123ab6789");
}

// A master of 20,000 lines (1.4 MB): several blocks of the default size.
TEST_F(TextFile, ManyLinesRoundTrip) {
  std::vector<std::u16string> expected;
  {
    CStdioFile f;
    ASSERT_TRUE(f.Open(Path("zairyou2.mst"), u"wt,ccs=UNICODE"));
    CString line;
    for (int i = 0; i < 20000; ++i) {
      line.Format(u"%d,%d,ケーブル CV %dsq,%d,0,0,0,0,0,0,0", i / 100, i, i % 7, i % 255);
      expected.push_back(line.str());
      f.WriteString(line + u"\n");
    }
    EXPECT_TRUE(f.Close());
  }
  CStdioFile f;
  ASSERT_TRUE(f.Open(Path("zairyou2.mst"), u"rt,ccs=UNICODE"));
  CString line;
  std::size_t n = 0;
  while (f.ReadString(line)) {
    ASSERT_LT(n, expected.size());
    ASSERT_EQ(line.str(), expected[n]) << n;
    ++n;
  }
  EXPECT_EQ(n, expected.size());
}

TEST_F(TextFile, ModeStrings) {
  WriteBytes(Host("m.txt"), "x");
  for (const char16_t* bad : {u"", u"x", u"rr", u"rtb", u"r++", u"r,ccs=UTF-32",
                              u"rb,ccs=UTF-32", u"r,css=UNICODE", u"rt,ccs=UNICODE junk"}) {
    SCOPED_TRACE(Utf16ToUtf8(bad));
    CStdioFile f;
    EXPECT_FALSE(f.Open(Path("m.txt"), bad));
    EXPECT_EQ(f.GetErrno(), EINVAL);
    EXPECT_FALSE(f.IsOpen());
  }
  for (const char16_t* good : {u"r", u"rt", u"rb", u"r+b", u"rb+", u"r+", u"rt, ccs = unicode",
                               u"rtS,ccs=UTF-16LE", u"a+", u"a+t,ccs=UNICODE"}) {
    SCOPED_TRACE(Utf16ToUtf8(good));
    CStdioFile f;
    EXPECT_TRUE(f.Open(Path("m.txt"), good));
    EXPECT_TRUE(f.IsOpen());
  }
}

TEST_F(TextFile, OpenFailures) {
  CStdioFile f;
  EXPECT_FALSE(f.Open(Path("missing.txt"), u"rt,ccs=UNICODE"));
  EXPECT_EQ(f.GetErrno(), ENOENT);
  EXPECT_FALSE(f.Open(Path("no\\such\\folder\\x.txt"), u"wt,ccs=UNICODE"));
  EXPECT_EQ(f.GetErrno(), ENOENT);
  std::filesystem::create_directory(Host("folder"));
  EXPECT_FALSE(f.Open(Path("folder"), u"rt"));
  EXPECT_EQ(f.GetErrno(), EACCES);
  CString line;
  EXPECT_FALSE(f.ReadString(line));
  f.WriteString(u"ignored");
  EXPECT_FALSE(f.IsOpen());
  std::vector<CString> lines;
  EXPECT_FALSE(cmd::text::ReadLines(Path("missing.txt"), lines));
}

TEST_F(TextFile, OnlyNewContentIsFlushedToDiskAtClose) {
  std::vector<cmd::os::FileStep> steps;
  auto previous = cmd::os::SetFaultHook([&](cmd::os::FileStep s, const std::string&) {
    steps.push_back(s);
    return 0;
  });
  // Writes a line and returns the flushes so far.
  auto flushesAfter = [&](const char* name, const char16_t* mode, const char16_t* text,
                          bool flush) {
    CStdioFile f;
    EXPECT_TRUE(f.Open(Path(name), mode));
    f.WriteString(text);
    if (flush) EXPECT_TRUE(f.Flush());
    EXPECT_TRUE(f.Close());
    return std::count(steps.begin(), steps.end(), cmd::os::FileStep::Flush);
  };
  EXPECT_EQ(flushesAfter("temp.mst", u"wt,ccs=UNICODE", u"a\n", false), 1);
  EXPECT_EQ(flushesAfter("log.txt", u"at,ccs=UNICODE", u"a\n", false), 1);
  EXPECT_EQ(flushesAfter("log.txt", u"at,ccs=UNICODE", u"b\n", true), 2);
  cmd::os::SetFaultHook(previous);
  EXPECT_EQ(Hex(ReadBytes(Host("log.txt"))), "FF FE 61 00 0D 00 0A 00 62 00 0D 00 0A 00");
}

TEST_F(TextFile, DestructorWritesAndCloses) {
  {
    CStdioFile f;
    ASSERT_TRUE(f.Open(Path("d.txt"), u"wt,ccs=UNICODE"));
    f.WriteString(u"a");
  }
  EXPECT_EQ(Hex(ReadBytes(Host("d.txt"))), "FF FE 61 00");
}

TEST_F(TextFile, ReadLinesDecodesAsUnicodeMode) {
  WriteBytes(Host("l.mst"), Utf16le(u"1,a\r\n\r\n2,b"));
  std::vector<CString> lines;
  ASSERT_TRUE(cmd::text::ReadLines(Path("l.mst"), lines));
  EXPECT_EQ(lines, (std::vector<CString>{u"1,a", u"", u"2,b"}));
  WriteBytes(Host("l.mst"), "1,\x83\x50\r\n");
  ASSERT_TRUE(cmd::text::ReadLines(Path("l.mst"), lines));
  EXPECT_EQ(lines, (std::vector<CString>{u"1,ケ"}));
}

TEST_F(TextFile, FailedStepsAreReported) {
  struct Case {
    cmd::os::FileStep step;
    int error;
  };
  for (Case c : {Case{cmd::os::FileStep::Write, ENOSPC}, Case{cmd::os::FileStep::Flush, EIO},
                 Case{cmd::os::FileStep::Close, EIO}}) {
    SCOPED_TRACE(int(c.step));
    CStdioFile f;
    ASSERT_TRUE(f.Open(Path("temp.mst"), u"wt,ccs=UNICODE"));
    f.WriteString(u"1,a\n");
    {
      FailStep fail(c.step, c.error);
      EXPECT_FALSE(f.Close());
    }
    EXPECT_TRUE(f.Failed());
    EXPECT_EQ(f.GetErrno(), c.error);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(f.Close());  // the outcome stays until the next Open
  }
  // A write that fails while the buffer fills: later writes are dropped, the
  // close reports it.
  {
    CStdioFile f;
    ASSERT_TRUE(f.Open(Path("big.mst"), u"wt,ccs=UNICODE"));
    FailStep fail(cmd::os::FileStep::Write, ENOSPC);
    std::u16string chunk(100000, u'x');
    for (int i = 0; i < 5; ++i) f.WriteString(chunk.c_str());
    EXPECT_TRUE(f.Failed());
    EXPECT_FALSE(f.Close());
  }
  // A failed seek back over what was read ahead, in an update stream.
  {
    WriteBytes(Host("u.dat"), "abcdef");
    CStdioFile f;
    ASSERT_TRUE(f.Open(Path("u.dat"), u"r+b"));
    char buf[2];
    EXPECT_EQ(f.Read(buf, 2), 2u);
    FailStep fail(cmd::os::FileStep::Seek, EIO);
    f.Write("XY", 2);
    EXPECT_FALSE(f.Close());
    EXPECT_EQ(ReadBytes(Host("u.dat")), "abcdef");
  }
  // Open and read failures.
  WriteBytes(Host("r.txt"), Utf16le(u"a\r\n"));
  {
    FailStep fail(cmd::os::FileStep::Open, EMFILE);
    CStdioFile f;
    EXPECT_FALSE(f.Open(Path("r.txt"), u"rt,ccs=UNICODE"));
    EXPECT_EQ(f.GetErrno(), EMFILE);
  }
  {
    FailStep fail(cmd::os::FileStep::Read, EIO);
    CStdioFile f;
    EXPECT_FALSE(f.Open(Path("r.txt"), u"rt,ccs=UNICODE"));  // the mark is read at open
    EXPECT_EQ(f.GetErrno(), EIO);
    ASSERT_TRUE(f.Open(Path("r.txt"), u"rt"));
    CString line;
    EXPECT_FALSE(f.ReadString(line));
    EXPECT_TRUE(f.Failed());
    EXPECT_EQ(f.GetErrno(), EIO);
  }
  // Flush reports a failed flush of an append, which Close does not flush.
  {
    CStdioFile f;
    ASSERT_TRUE(f.Open(Path("log.txt"), u"at,ccs=UNICODE"));
    f.WriteString(u"x\n");
    FailStep fail(cmd::os::FileStep::Flush, EIO);
    EXPECT_FALSE(f.Flush());
    EXPECT_EQ(f.GetErrno(), EIO);
    EXPECT_FALSE(f.Close());
  }
}
