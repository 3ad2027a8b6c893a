// The floppy restore: drive A: mapped to a folder, the user's answers and
// disk swaps played by the message-box hook, the restored archive checked
// byte for byte with the prompts in order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::ReadBytes;
using cmdtest::WriteBytes;

namespace {

const std::string kHeader = "LZHSET-0001-AB";  // 14 bytes
const std::string kOtherHeader = "LZHSET-0002-CD";
const CString kInsert2 = u"該当する取引先の[2]目のFDをｾｯﾄしてください。";
const CString kInsert3 = u"該当する取引先の[3]目のFDをｾｯﾄしてください。";
const CString kWrong1 = u"該当する取引先の[1]目のFDではありません。\n正しいFDをｾｯﾄしてください。";
const CString kWrong2 = u"該当する取引先の[2]目のFDではありません。\n正しいFDをｾｯﾄしてください。";

class FloppyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    hadXdg_ = xdg != nullptr;
    if (xdg) oldXdg_ = xdg;
    setenv("XDG_CONFIG_HOME", (dir_ / "appdata").c_str(), 1);
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
  // Puts part k of client 12 "in the drive" (0: the single-disk archive).
  void Disk(int k, const std::string& bytes) {
    WriteBytes(floppy() / ("tokui-12.lz" + (k ? std::to_string(k) : std::string("h"))), bytes);
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

TEST_F(FloppyTest, DisksAnswersAndTheRestoredArchive) {
  // Each case: the disks in the drive (0: the single-disk archive), the
  // count asked for, the prompt the user cancels, the n-th wrong-disk prompt
  // after which the user puts in another second disk, and what comes out.
  const std::string bytes("\0\x01\x02\xFF", 4), stale = "stale content, longer than an archive";
  const struct {
    std::map<int, std::string> disks;
    int count;
    const CString* cancel;
    int swapAfter;
    std::string swapTo;
    int result;
    std::string restored;
    std::vector<CString> prompts;
  } cases[] = {
      {{{0, "whole archive"}}, 1, nullptr, 0, "", 1, "whole archive", {}},
      {{}, 1, nullptr, 0, "", 1, stale, {}},  // a failed copy is not reported
      // Parts after the first are joined behind their header.
      {{{1, kHeader + "part one is not restored"}, {2, kHeader + bytes}, {3, kHeader + "tail"}},
       3, nullptr, 0, "", 1, bytes + "tail", {kInsert2, kInsert3}},
      // A wrong second disk is refused until the user swaps it.
      {{{1, kHeader}, {2, kOtherHeader + "another client's data"}, {3, kHeader + "3"}}, 3, nullptr,
       2, kHeader + "2", 1, "23", {kInsert2, kWrong2, kWrong2, kInsert3}},
      // Cancelling keeps what was restored; no first disk is a wrong disk.
      {{{1, kHeader}, {2, kOtherHeader + "xyz"}}, 3, &kWrong2, 0, "", 0, "", {kInsert2, kWrong2}},
      {{{1, kHeader}, {2, kHeader + "two"}}, 3, &kInsert3, 0, "", 0, "two", {kInsert2, kInsert3}},
      {{}, 2, &kWrong1, 0, "", 0, "", {kWrong1}},
      // A part shorter than the header is never compared past its end.
      {{{1, kHeader}, {2, kHeader.substr(0, 13)}}, 2, nullptr, 1, kHeader, 1, "",
       {kInsert2, kWrong2}},
      {{}, 0, nullptr, 0, "", 1, "", {}},  // no disks: an empty archive
      {{}, -3, nullptr, 0, "", 1, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    fs::remove_all(floppy());
    fs::create_directories(floppy());
    fs::create_directories(work());
    WriteBytes(restored(), stale);
    for (const auto& [k, content] : c.disks) Disk(k, content);
    prompts_.clear();
    int wrong = 0;
    answer_ = [&](const CString& text) {
      if (text == kWrong2 && ++wrong == c.swapAfter) Disk(2, c.swapTo);
      return c.cancel && text == *c.cancel ? IDCANCEL : IDOK;
    };
    EXPECT_EQ(Restore(c.count), c.result);
    EXPECT_EQ(ReadBytes(restored()), c.restored);
    EXPECT_EQ(prompts_, c.prompts);
  }
  // A work folder that cannot be written stops at once.
  fs::remove_all(work());
  Disk(1, kHeader);
  Disk(2, kHeader + "x");
  prompts_.clear();
  EXPECT_EQ(Restore(2), 0);
  EXPECT_TRUE(prompts_.empty());
}
