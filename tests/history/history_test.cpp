// The input history file "histry.mst" on real files: layout, order, limits,
// damaged files and write failures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/history.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/profile.h"
#include "cmddll3/platform/ui.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::Hex;
using cmdtest::ReadBytes;
using cmdtest::WriteBytes;

namespace {

constexpr std::size_t kBlock = 3000;
constexpr std::size_t kRecord = 100;

std::size_t RecordOffset(int history, int slot) { return 100 + kBlock * history + kRecord * slot; }

// A record as UpdateHist writes it: the text, its terminator, 0x20 filler.
std::string UpdateRecord(std::u16string_view text) {
  std::string r = cmdtest::Utf16le(text, false) + std::string(2, '\0');
  return r + std::string(kRecord - r.size(), ' ');
}

// Runs each test in a fresh current directory whose settings file names an
// environment folder ([DIR] PELMAR) for the history file.
class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = fs::current_path();
    fs::current_path(dir_.path());
    SetIniFile();
    fs::create_directories(env());
    SetEnvFolder(CString::FromUtf8(env().string() + "/"));
  }
  void TearDown() override {
    cmd::os::SetFaultHook({});
    fs::current_path(oldCwd_);
  }
  void SetEnvFolder(const CString& folder) {
    WritePrivateProfileStringW(u"DIR", u"PELMAR", folder, GetIniFile());
  }
  fs::path env() const { return dir_ / "env"; }
  fs::path file() const { return env() / "histry.mst"; }
  std::string bytes() const { return ReadBytes(file()); }

  // The texts of a history, most recent first.
  std::vector<std::u16string> Read(int history) {
    CString texts[30];
    int n = ReadHist(history, texts);
    std::vector<std::u16string> out;
    for (int i = 0; i < n; ++i) out.push_back(texts[i].str());
    for (int i = n; i < 30; ++i) EXPECT_TRUE(texts[i].IsEmpty()) << "slot " << i;
    return out;
  }
  // Enters texts one after the other (the last one ends up first).
  void Enter(int history, std::initializer_list<const char16_t*> texts) {
    for (const char16_t* t : texts) UpdateHist(history, t);
  }

  cmdtest::TempDir dir_;
  fs::path oldCwd_;
};

using Texts = std::vector<std::u16string>;

}  // namespace

TEST_F(HistoryTest, FirstUpdateCreatesTheFileWithTableAndOneRecord) {
  UpdateHist(5, u"A");
  const std::string b = bytes();
  ASSERT_EQ(b.size(), RecordOffset(5, 1));
  std::string table(100, '\0');
  table[5] = 1;
  EXPECT_EQ(Hex(b.substr(0, 100)), Hex(table));
  EXPECT_EQ(b.substr(100, RecordOffset(5, 0) - 100), std::string(RecordOffset(5, 0) - 100, '\0'));
  EXPECT_EQ(Hex(b.substr(RecordOffset(5, 0))), Hex(UpdateRecord(u"A")));
  EXPECT_EQ(Read(5), Texts{u"A"});
}

TEST_F(HistoryTest, TheLastHistoryEndsAtItsBlockOffset) {
  UpdateHist(99, u"Z");
  UpdateHist(0, u"Y");
  const std::string b = bytes();
  ASSERT_EQ(b.size(), RecordOffset(99, 1));
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[99], 1);
  EXPECT_EQ(b.substr(RecordOffset(0, 0), 4), cmdtest::Unhex("59 00 00 00"));
  EXPECT_EQ(b.substr(RecordOffset(99, 0), 4), cmdtest::Unhex("5A 00 00 00"));
  EXPECT_EQ(Read(99), Texts{u"Z"});
  EXPECT_EQ(Read(0), Texts{u"Y"});
  EXPECT_EQ(Read(50), Texts{});
}

TEST_F(HistoryTest, MostRecentFirstWithCopiesRemoved) {
  Enter(1, {u"C", u"B", u"A"});
  Enter(2, {u"C", u"B", u"A"});
  EXPECT_EQ(Read(1), (Texts{u"A", u"B", u"C"}));
  UpdateHist(1, u"B");
  EXPECT_EQ(Read(1), (Texts{u"B", u"A", u"C"}));
  UpdateHist(2, u"D");
  EXPECT_EQ(Read(2), (Texts{u"D", u"A", u"B", u"C"}));
  UpdateHist(2, u"D");
  EXPECT_EQ(Read(2), (Texts{u"D", u"A", u"B", u"C"}));
  UpdateHist(2, u"d");  // the comparison is case-sensitive
  EXPECT_EQ(Read(2), (Texts{u"d", u"D", u"A", u"B", u"C"}));
}

TEST_F(HistoryTest, ThirtyTextsAtMost) {
  for (int i = 29; i >= 0; --i) UpdateHist(7, CString::FromUtf8("t" + std::to_string(i)));
  Texts before = Read(7);
  ASSERT_EQ(before.size(), 30u);
  EXPECT_EQ(before[0], u"t0");
  EXPECT_EQ(before[29], u"t29");

  UpdateHist(7, u"new");
  Texts after = Read(7);
  ASSERT_EQ(after.size(), 30u);
  EXPECT_EQ(after[0], u"new");
  EXPECT_EQ(Texts(after.begin() + 1, after.end()), Texts(before.begin(), before.end() - 1));
  EXPECT_EQ(bytes()[7], 30);

  UpdateHist(7, u"t28");  // the oldest text moves to the front
  Texts moved = Read(7);
  ASSERT_EQ(moved.size(), 30u);
  EXPECT_EQ(moved[0], u"t28");
  EXPECT_EQ(moved[1], u"new");
  EXPECT_EQ(moved[29], u"t27");
}

TEST_F(HistoryTest, TrailingSpacesAreCutOnReadingOnly) {
  UpdateHist(3, u"X ");
  EXPECT_EQ(bytes().substr(RecordOffset(3, 0), kRecord), UpdateRecord(u"X "));
  EXPECT_EQ(Read(3), Texts{u"X"});
  // The old text comes back as "X", which differs from "X ": both stay.
  UpdateHist(3, u"X ");
  EXPECT_EQ(Read(3), (Texts{u"X", u"X"}));
  UpdateHist(3, u"   ");
  EXPECT_EQ(Read(3), (Texts{u"", u"X", u"X"}));
}

TEST_F(HistoryTest, LongTextsAreCutTo49Units) {
  std::u16string longText(60, u'x');
  UpdateHist(4, longText.c_str());
  UpdateHist(4, longText.c_str());  // the cut text matches its copy
  EXPECT_EQ(Read(4), Texts{std::u16string(49, u'x')});
  EXPECT_EQ(bytes().substr(RecordOffset(4, 0), kRecord),
            cmdtest::Utf16le(std::u16string(49, u'x'), false) + std::string(2, '\0'));

  // A surrogate pair that would be cut in half is dropped whole.
  std::u16string pair = std::u16string(48, u'a') + u"\U00020BB7";
  UpdateHist(4, pair.c_str());
  EXPECT_EQ(Read(4)[0], std::u16string(48, u'a'));
}

TEST_F(HistoryTest, WriteHistReplacesAHistoryWithZeroFiller) {
  Enter(3, {u"old1", u"old2", u"old3"});
  CString texts[2] = {u"書式 ", u"b"};
  WriteHist(3, 2, texts);
  EXPECT_EQ(bytes()[3], 2);
  std::string first = cmdtest::Utf16le(u"書式 ", false);
  EXPECT_EQ(Hex(bytes().substr(RecordOffset(3, 0), kRecord)),
            Hex(first + std::string(kRecord - first.size(), '\0')));
  EXPECT_EQ(Read(3), (Texts{u"書式", u"b"}));

  WriteHist(3, 0, nullptr);
  EXPECT_EQ(Read(3), Texts{});
  EXPECT_EQ(bytes()[3], 0);
}

TEST_F(HistoryTest, WithoutAFileNothingIsReadOrWritten) {
  CString texts[30];
  for (auto& t : texts) t = u"junk";
  EXPECT_EQ(ReadHist(8, texts), 0);
  for (auto& t : texts) EXPECT_TRUE(t.IsEmpty());
  texts[0] = u"a";
  WriteHist(0, 1, texts);
  EXPECT_FALSE(fs::exists(file()));
}

TEST_F(HistoryTest, BadArgumentsLeaveTheFileAlone) {
  Enter(0, {u"keep"});
  const std::string before = bytes();
  CString texts[31];
  for (int bad : {-1, 100, 1000}) {
    UpdateHist(bad, u"x");
    WriteHist(bad, 1, texts);
    CString out[30] = {u"junk"};
    EXPECT_EQ(ReadHist(bad, out), 0);
    EXPECT_TRUE(out[0].IsEmpty());
  }
  WriteHist(0, 31, texts);
  WriteHist(0, -1, texts);
  WriteHist(0, 1, nullptr);
  UpdateHist(0, nullptr);
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(ReadHist(0, nullptr), 0);
}

TEST_F(HistoryTest, CountBytesOutsideTheFormat) {
  std::string b(100, '\0');
  b[2] = 45;
  b[3] = char(0xFF);
  b.resize(RecordOffset(3, 30), '\0');
  for (int i = 0; i < 30; ++i) b.replace(RecordOffset(2, i), 4, cmdtest::Unhex("41 00 00 00"));
  WriteBytes(file(), b);
  EXPECT_EQ(Read(2).size(), 30u);  // at most the caller's 30 strings
  EXPECT_EQ(Read(3), Texts{});     // a negative count reads nothing
}

TEST_F(HistoryTest, ATruncatedFileReadsItsCompleteRecordsOnly) {
  Enter(1, {u"e", u"d", u"c", u"b", u"a"});
  std::string b = bytes();
  b.resize(RecordOffset(1, 3) + 50);  // three records and half of the fourth
  WriteBytes(file(), b);
  EXPECT_EQ(Read(1), (Texts{u"a", u"b", u"c"}));

  WriteBytes(file(), std::string(1, '\x05'));  // shorter than the count table
  EXPECT_EQ(Read(1), Texts{});
  EXPECT_EQ(Read(0), Texts{});

  // Updating a damaged file keeps what could be read.
  WriteBytes(file(), b);
  UpdateHist(1, u"f");
  EXPECT_EQ(Read(1), (Texts{u"f", u"a", u"b", u"c"}));
}

TEST_F(HistoryTest, ARecordWithoutTerminatorIsReadToItsEndOnly) {
  std::string b(100, '\0');
  b[0] = 2;
  b += std::string(kRecord, 'A');  // 50 units of U+4141, no terminator
  b += cmdtest::Unhex("42 00 00 00") + std::string(kRecord - 4, '\0');
  WriteBytes(file(), b);
  EXPECT_EQ(Read(0), (Texts{std::u16string(50, u'\x4141'), u"B"}));
  // Written again, it is cut to fit with its terminator.
  UpdateHist(0, u"C");
  EXPECT_EQ(Read(0), (Texts{u"C", std::u16string(49, u'\x4141'), u"B"}));
  EXPECT_EQ(bytes().substr(RecordOffset(0, 1) + 98, 2), std::string(2, '\0'));
}

TEST_F(HistoryTest, UpdateRaisesTheFileErrorToTheCaller) {
  SetEnvFolder(CString::FromUtf8((dir_ / "missing").string() + "/"));
  EXPECT_THROW(UpdateHist(0, u"a"), CFileException);

  SetEnvFolder(CString::FromUtf8(env().string() + "/"));
  Enter(0, {u"a"});
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
  cmd::os::SetFaultHook({});
  EXPECT_EQ(bytes(), before);
}

TEST_F(HistoryTest, ReadAndWriteSwallowTheirFileErrors) {
  Enter(0, {u"b", u"a"});
  const std::string before = bytes();
  cmd::os::SetFaultHook([](cmd::os::FileStep step, const std::string& path) {
    bool history = path.ends_with("histry.mst");
    return history && (step == cmd::os::FileStep::Read || step == cmd::os::FileStep::Write) ? EIO
                                                                                             : 0;
  });
  CString texts[30];
  EXPECT_EQ(ReadHist(0, texts), 0);
  for (auto& t : texts) EXPECT_TRUE(t.IsEmpty());
  CString one[1] = {u"z"};
  WriteHist(0, 1, one);  // no exception
  cmd::os::SetFaultHook({});
  EXPECT_EQ(bytes(), before);
}

TEST_F(HistoryTest, UpHistStringTakesTheWindowText) {
  HWND empty = cmd::ui::CreateTestWindow(u"EDIT", u"");
  EXPECT_EQ(std::u16string(UpHistString(CWnd::FromHandle(empty), 6)), u"");
  EXPECT_FALSE(fs::exists(file()));
  EXPECT_EQ(std::u16string(UpHistString(nullptr, 6)), u"");

  HWND edit = cmd::ui::CreateTestWindow(u"EDIT", u"見積 ");
  EXPECT_EQ(std::u16string(UpHistString(CWnd::FromHandle(edit), 6)), u"見積 ");
  EXPECT_EQ(Read(6), Texts{u"見積"});

  std::u16string longText(300, u'w');
  SetWindowTextW(edit, longText.c_str());
  EXPECT_EQ(std::u16string(UpHistString(CWnd::FromHandle(edit), 6)), longText.substr(0, 259));
  EXPECT_EQ(Read(6)[0], longText.substr(0, 49));
  DestroyWindow(empty);
  DestroyWindow(edit);
}
