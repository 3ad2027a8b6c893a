// The input history file "histry.mst" on real files: layout, order, limits,
// damaged files and write failures.
#include "cmddll3/history.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/profile.h"
#include "cmddll3/platform/ui.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::Hex;
using cmdtest::WriteBytes;

namespace {

constexpr std::size_t kRecord = 100;
std::size_t RecordOffset(int history, int slot) { return 100 + 3000 * history + kRecord * slot; }

// A record: the text, its terminator, filler (0x20 from UpdateHist, 0 from WriteHist).
std::string Record(std::u16string_view text, char filler = ' ') {
  std::string r = cmdtest::Utf16le(text, false) + std::string(2, '\0');
  return r + std::string(kRecord - r.size(), filler);
}

// Runs each test in a fresh current directory whose settings file names an
// environment folder ([DIR] PELMAR) for the history file.
class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::current_path(dir_.path());
    SetIniFile();
    fs::create_directories(dir_ / "env");
    SetEnvFolder(dir_ / "env");
  }
  void TearDown() override {
    cmd::os::SetFaultHook({});
    fs::current_path(oldCwd_);
  }
  void SetEnvFolder(const fs::path& folder) {
    WritePrivateProfileStringW(u"DIR", u"PELMAR", CString::FromUtf8(folder.string() + "/"),
                               GetIniFile());
  }
  fs::path file() const { return dir_ / "env" / "histry.mst"; }
  std::string bytes() const { return cmdtest::ReadBytes(file()); }

  // The texts of a history, most recent first, joined by "|"; a string of
  // the caller's 30 that ReadHist did not empty shows as "<junk>".
  std::string Read(int history) {
    CString texts[30];
    for (auto& t : texts) t = u"<junk>";
    const int n = ReadHist(history, texts);
    std::string out;
    for (int i = 0; i < 30; ++i) {
      if (i < n || !texts[i].IsEmpty()) out += (i ? "|" : "") + texts[i].ToUtf8();
    }
    return out;
  }
  // Enters texts one after the other (the last one ends up first).
  void Enter(int history, const std::vector<std::u16string>& texts) {
    for (const auto& t : texts) UpdateHist(history, t.c_str());
  }

  fs::path oldCwd_ = fs::current_path();
  cmdtest::TempDir dir_;
};

}  // namespace

TEST_F(HistoryTest, LayoutOrderAndLimits) {
  // The first update creates the count table and the history's block up to
  // its record; the last history ends at its block's offset.
  UpdateHist(5, u"A");
  EXPECT_EQ(bytes().size(), RecordOffset(5, 1));
  UpdateHist(99, u"Z");
  UpdateHist(0, u"Y");
  std::string want(RecordOffset(99, 1), '\0');
  want[0] = want[5] = want[99] = 1;
  const std::pair<int, const char16_t*> records[] = {{0, u"Y"}, {5, u"A"}, {99, u"Z"}};
  for (auto [history, text] : records)
    want.replace(RecordOffset(history, 0), kRecord, Record(text));
  EXPECT_EQ(Hex(bytes()), Hex(want));
  EXPECT_EQ(Read(99) + Read(50), "Z");

  // Each history alone: the texts entered and what is read back. Most
  // recent first, copies removed (case-sensitive); trailing spaces are cut
  // on reading only, so "X " entered twice stays twice; texts are cut to 49
  // units, never in the middle of a surrogate pair.
  const std::u16string x60(60, u'x'), pair = std::u16string(48, u'a') + u"\U00020BB7";
  const std::string x49(49, 'x'), a48(48, 'a');
  // clang-format off
  const std::pair<std::vector<std::u16string>, std::string> cases[] = {
      {{u"C", u"B", u"A", u"B"}, "B|A|C"},
      {{u"C", u"B", u"A", u"D", u"D", u"d"}, "d|D|A|B|C"},
      {{u"X "}, "X"},
      {{u"X ", u"X ", u"   "}, "|X|X"},
      {{x60, x60}, x49},
      {{x60, pair}, a48 + "|" + x49},
      {{std::u16string(48, u'a') + u"\uD7FF\uD7FF"}, a48 + "\uD7FF"},  // U+D7FF is no lead surrogate
  };
  // clang-format on
  for (int h = 0; h < int(std::size(cases)); ++h) {
    Enter(10 + h, cases[h].first);
    EXPECT_EQ(Read(10 + h), cases[h].second) << h;
  }
  EXPECT_EQ(bytes().substr(RecordOffset(12, 0), kRecord), Record(u"X "));
  EXPECT_EQ(bytes().substr(RecordOffset(14, 0), kRecord), Record(x60.substr(0, 49)));

  // Thirty texts at most: a new one drops the oldest; an old one moves up.
  std::string thirty;
  for (int i = 29; i >= 0; --i) {
    UpdateHist(7, CString::FromUtf8("t" + std::to_string(i)));
    thirty = "t" + std::to_string(i) + (i == 29 ? "" : "|") + thirty;
  }
  EXPECT_EQ(Read(7), thirty);
  UpdateHist(7, u"new");
  EXPECT_EQ(Read(7), "new|" + thirty.substr(0, thirty.rfind('|')));
  EXPECT_EQ(bytes()[7], 30);
  UpdateHist(7, u"t28");
  EXPECT_EQ(Read(7), "t28|new|" + thirty.substr(0, thirty.find("|t28")));

  // WriteHist replaces a whole history, with zero filler.
  Enter(3, {u"old1", u"old2", u"old3"});
  CString texts[2] = {u"書式 ", u"b"};
  WriteHist(3, 2, texts);
  EXPECT_EQ(bytes()[3], 2);
  EXPECT_EQ(Hex(bytes().substr(RecordOffset(3, 0), 2 * kRecord)),
            Hex(Record(u"書式 ", 0) + Record(u"b", 0)));
  EXPECT_EQ(Read(3), "書式|b");
  WriteHist(3, 0, nullptr);
  EXPECT_EQ(Read(3), "");
  EXPECT_EQ(bytes()[3], 0);
}


TEST_F(HistoryTest, BadArgumentsAndDamagedFiles) {
  // Without a file nothing is read or written.
  EXPECT_EQ(Read(8), "");
  CString texts[31] = {u"a"};
  WriteHist(0, 1, texts);
  EXPECT_FALSE(fs::exists(file()));
  // Histories outside 0 to 99, counts outside 0 to 30, null pointers.
  Enter(0, {u"keep"});
  const std::string kept = bytes();
  for (int bad : {-1, 100, 1000}) {
    UpdateHist(bad, u"x");
    WriteHist(bad, 1, texts);
    EXPECT_EQ(Read(bad), "");
  }
  WriteHist(0, 31, texts);
  WriteHist(0, -1, texts);
  WriteHist(0, 1, nullptr);
  UpdateHist(0, nullptr);
  EXPECT_EQ(bytes(), kept);
  EXPECT_EQ(ReadHist(0, nullptr), 0);

  // Count bytes outside 0 to 30: at most the caller's 30 strings; negative
  // counts read nothing.
  std::string b(RecordOffset(3, 30), '\0');
  b[2] = 45;
  b[3] = char(0xFF);
  for (int i = 0; i < 30; ++i) b.replace(RecordOffset(2, i), 4, cmdtest::Unhex("41 00 00 00"));
  WriteBytes(file(), b);
  EXPECT_EQ(Read(2), "A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A|A");
  EXPECT_EQ(Read(3), "");
  // A file shorter than the count table; a truncated file reads its
  // complete records only, and an update keeps them.
  WriteBytes(file(), std::string(1, '\x05'));
  EXPECT_EQ(Read(0) + Read(1), "");
  fs::remove(file());
  Enter(1, {u"e", u"d", u"c", u"b", u"a"});
  WriteBytes(file(), bytes().substr(0, RecordOffset(1, 3) + 50));
  EXPECT_EQ(Read(1), "a|b|c");
  UpdateHist(1, u"f");
  EXPECT_EQ(Read(1), "f|a|b|c");
  // A record without a terminator is read to its end, and cut to fit with
  // its terminator when written again.
  b.assign(100, '\0');
  b[0] = 2;
  b += std::string(kRecord, 'A') + Record(u"B", 0);  // 50 units of U+4141
  WriteBytes(file(), b);
  const std::string a50 = CString(std::u16string(50, u'\x4141')).ToUtf8();
  EXPECT_EQ(Read(0), a50 + "|B");
  UpdateHist(0, u"C");
  EXPECT_EQ(Read(0), "C|" + a50.substr(0, 49 * 3) + "|B");
  EXPECT_EQ(bytes().substr(RecordOffset(0, 1) + 98, 2), std::string(2, '\0'));
}

// UpHistString takes the window text; then file errors.
TEST_F(HistoryTest, UpHistStringAndFileErrors) {
  HWND empty = cmd::ui::CreateTestWindow(u"EDIT", u"");
  HWND edit = cmd::ui::CreateTestWindow(u"EDIT", u"見積 ");
  EXPECT_EQ(std::u16string(UpHistString(CWnd::FromHandle(empty), 6)), u"");
  EXPECT_EQ(std::u16string(UpHistString(nullptr, 6)), u"");
  EXPECT_FALSE(fs::exists(file()));
  EXPECT_EQ(std::u16string(UpHistString(CWnd::FromHandle(edit), 6)), u"見積 ");
  EXPECT_EQ(Read(6), "見積");
  std::u16string longText(300, u'w');
  SetWindowTextW(edit, longText.c_str());
  EXPECT_EQ(std::u16string(UpHistString(CWnd::FromHandle(edit), 6)), longText.substr(0, 259));
  EXPECT_EQ(Read(6), std::string(49, 'w') + "|見積");
  DestroyWindow(empty);
  DestroyWindow(edit);

  // An update raises its file error to the caller.
  SetEnvFolder(dir_ / "missing");
  EXPECT_THROW(UpdateHist(0, u"a"), CFileException);
  SetEnvFolder(dir_ / "env");
  Enter(0, {u"b", u"a"});
  const std::string before = bytes();
  cmd::os::SetFaultHook([](cmd::os::FileStep step, const std::string& path) {
    return step == cmd::os::FileStep::Open && path.ends_with("histry.mst") ? EACCES : 0;
  });
  try {
    UpdateHist(0, u"b");
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
  }
  // Reading and writing swallow theirs.
  cmd::os::SetFaultHook([](cmd::os::FileStep step, const std::string& path) {
    using cmd::os::FileStep;
    return path.ends_with("histry.mst") && (step == FileStep::Read || step == FileStep::Write) ? EIO
                                                                                               : 0;
  });
  EXPECT_EQ(Read(0), "");
  CString one[1] = {u"z"};
  WriteHist(0, 1, one);
  cmd::os::SetFaultHook({});
  EXPECT_EQ(bytes(), before);
}

