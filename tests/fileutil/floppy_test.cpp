// The floppy restore: a floppy drive mapped to a folder, the disks swapped
// by the message-box hook, the restored archive checked byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cmddll3/fileutil.h"
#include "cmddll3/frame.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/winpath.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::ReadBytes;
using cmdtest::WriteBytes;

namespace {

const std::string kHeader = "LZHSET-0001-AB";  // 14 bytes
const std::string kOtherHeader = "LZHSET-0002-CD";
const CString kInsert2 = u"該当する取引先の[2]目のFDをｾｯﾄしてください。";
const CString kInsert3 = u"該当する取引先の[3]目のFDをｾｯﾄしてください。";
const CString kWrong2 = u"該当する取引先の[2]目のFDではありません。\n正しいFDをｾｯﾄしてください。";

class FloppyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static_assert(sizeof("LZHSET-0001-AB") == 15);
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    hadXdg_ = xdg != nullptr;
    if (xdg) oldXdg_ = xdg;
    setenv("XDG_CONFIG_HOME", (dir_ / "appdata").c_str(), 1);
    fs::create_directories(work());
    fs::create_directories(floppy());
    cmd::path::SetDriveRoot(u'A', floppy().string());
    previousHook_ = SetMessageBoxHook([this](HWND owner, const CString& text,
                                             const CString& caption, UINT type) {
      EXPECT_EQ(owner, owner_);
      EXPECT_EQ(caption, u"復元");
      EXPECT_EQ(type, MB_OKCANCEL);
      prompts_.push_back(text);
      return answer_ ? answer_(text) : IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxHook(previousHook_);
    cmd::path::SetDriveRoot(u'A', "");
    if (hadXdg_) setenv("XDG_CONFIG_HOME", oldXdg_.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
  }
  fs::path work() const { return dir_ / "appdata" / "tolv" / "WORK"; }
  fs::path floppy() const { return dir_ / "floppy"; }
  fs::path restored() const { return work() / "tokui-12.lzh"; }
  // Puts part k of client 12 "in the drive".
  void Disk(int k, const std::string& bytes) {
    WriteBytes(floppy() / ("tokui-12.lz" + std::to_string(k)), bytes);
  }
  int Restore(int disks) { return SaveFdToWork(owner_, 12, u"A:\\", u"tokui", disks); }

  cmdtest::TempDir dir_;
  HWND owner_ = reinterpret_cast<HWND>(0x1234);
  std::vector<CString> prompts_;
  std::function<int(const CString&)> answer_;
  MessageBoxHook previousHook_;
  std::string oldXdg_;
  bool hadXdg_ = false;
};

}  // namespace

TEST_F(FloppyTest, OneDiskIsCopied) {
  WriteBytes(floppy() / "tokui-12.lzh", "whole archive");
  WriteBytes(restored(), "older and longer content");
  EXPECT_EQ(Restore(1), 1);
  EXPECT_EQ(ReadBytes(restored()), "whole archive");
  EXPECT_TRUE(prompts_.empty());

  fs::remove(floppy() / "tokui-12.lzh");
  EXPECT_EQ(Restore(1), 1);  // a failed copy is not reported
  EXPECT_EQ(ReadBytes(restored()), "whole archive");
}

TEST_F(FloppyTest, PartsAfterTheFirstAreJoinedBehindTheirHeader) {
  Disk(1, kHeader + "part one is not restored");
  Disk(2, kHeader + std::string("\0\x01\x02\xFF", 4));
  Disk(3, kHeader + "tail");
  WriteBytes(restored(), "stale");
  EXPECT_EQ(Restore(3), 1);
  EXPECT_EQ(ReadBytes(restored()), std::string("\0\x01\x02\xFF", 4) + "tail");
  EXPECT_EQ(prompts_, (std::vector<CString>{kInsert2, kInsert3}));
}

TEST_F(FloppyTest, AWrongSecondDiskIsRefusedUntilTheRightOneIsIn) {
  Disk(1, kHeader);
  Disk(2, kOtherHeader + "another client's data");
  Disk(3, kHeader + "3");
  int wrongAnswers = 0;
  answer_ = [&](const CString& text) {
    if (text == kWrong2 && ++wrongAnswers == 2) Disk(2, kHeader + "2");  // the user swaps disks
    return IDOK;
  };
  EXPECT_EQ(Restore(3), 1);
  EXPECT_EQ(ReadBytes(restored()), "23");
  EXPECT_EQ(prompts_, (std::vector<CString>{kInsert2, kWrong2, kWrong2, kInsert3}));
}

TEST_F(FloppyTest, CancelOnAWrongDiskKeepsWhatWasRestored) {
  Disk(1, kHeader);
  Disk(2, kOtherHeader + "xyz");
  answer_ = [](const CString& text) { return text == kWrong2 ? IDCANCEL : IDOK; };
  EXPECT_EQ(Restore(3), 0);
  EXPECT_EQ(ReadBytes(restored()), "");
  EXPECT_EQ(prompts_, (std::vector<CString>{kInsert2, kWrong2}));
}

TEST_F(FloppyTest, CancelWhenAskedForADisk) {
  Disk(1, kHeader);
  Disk(2, kHeader + "two");
  answer_ = [](const CString& text) { return text == kInsert3 ? IDCANCEL : IDOK; };
  EXPECT_EQ(Restore(3), 0);
  EXPECT_EQ(ReadBytes(restored()), "two");
}

TEST_F(FloppyTest, MissingAndShortPartsAreWrongDisks) {
  // No first disk at all: the wrong-disk message for [1].
  answer_ = [](const CString&) { return IDCANCEL; };
  EXPECT_EQ(Restore(2), 0);
  ASSERT_EQ(prompts_.size(), 1u);
  EXPECT_TRUE(prompts_[0].ToUtf8().find("[1]目のFDではありません") != std::string::npos);

  // A second part shorter than the header is never compared past its end.
  prompts_.clear();
  Disk(1, kHeader);
  Disk(2, kHeader.substr(0, 13));
  answer_ = [&](const CString& text) {
    if (text == kWrong2) Disk(2, kHeader);  // exactly the header: no data
    return IDOK;
  };
  EXPECT_EQ(Restore(2), 1);
  EXPECT_EQ(ReadBytes(restored()), "");
  EXPECT_EQ(prompts_, (std::vector<CString>{kInsert2, kWrong2}));
}

TEST_F(FloppyTest, NoDisksGiveAnEmptyArchive) {
  WriteBytes(restored(), "stale");
  EXPECT_EQ(Restore(0), 1);
  EXPECT_EQ(ReadBytes(restored()), "");
  EXPECT_EQ(Restore(-3), 1);
  EXPECT_TRUE(prompts_.empty());
}

TEST_F(FloppyTest, AWorkFolderThatCannotBeWrittenStopsAtOnce) {
  fs::remove_all(work());
  Disk(1, kHeader);
  Disk(2, kHeader + "x");
  EXPECT_EQ(Restore(2), 0);
  EXPECT_TRUE(prompts_.empty());
}
