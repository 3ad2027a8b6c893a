// Ledger register and sheet files on real files, and the free-slot searches.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/ledger.h"
#include "cmddll3/platform/osfile.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::Hex;
using cmdtest::ReadBytes;
using cmdtest::WriteBytes;

namespace {

class LedgerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    cmd::os::SetFaultHook({});
    SetSystemDrv(u"");
  }
  CString Folder() const { return CString::FromUtf8(dir_.str() + "/"); }

  cmdtest::TempDir dir_;
};

void PutWord(std::vector<unsigned char>& block, std::size_t offset, unsigned value) {
  block[offset] = static_cast<unsigned char>(value & 0xFF);
  block[offset + 1] = static_cast<unsigned char>(value >> 8);
}

std::vector<unsigned char> RegisterWithIds(std::initializer_list<unsigned> ids) {
  std::vector<unsigned char> block(kTanpyouRegisterBytes, 0);
  std::size_t record = 0;
  for (unsigned id : ids) PutWord(block, 424 * record++ + 402, id);
  return block;
}

std::vector<unsigned char> SheetWithIds(std::initializer_list<unsigned> ids) {
  std::vector<unsigned char> block(kTanpyouSheetBytes, 0);
  std::size_t record = 0;
  for (unsigned id : ids) PutWord(block, 741 * record++ + 716, id);
  return block;
}

std::string Bytes(const std::vector<unsigned char>& v) { return std::string(v.begin(), v.end()); }

}  // namespace

TEST_F(LedgerTest, ReadingAMissingRegisterCreatesItZeroFilled) {
  std::vector<unsigned char> block(kTanpyouRegisterBytes, 0xAB);
  Tanpyou1Read(Folder(), block.data(), 0);
  EXPECT_EQ(Bytes(block), std::string(kTanpyouRegisterBytes, '\0'));
  EXPECT_EQ(ReadBytes(dir_ / "daichou.tnp"), std::string(127200, '\0'));
}

TEST_F(LedgerTest, RegisterRoundTripsWhole) {
  std::vector<unsigned char> block(kTanpyouRegisterBytes);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 7);
  Tanpyou1Write(Folder(), block.data(), 0);
  EXPECT_EQ(ReadBytes(dir_ / "daichou.tnp"), Bytes(block));
  std::vector<unsigned char> back(kTanpyouRegisterBytes, 0);
  Tanpyou1Read(Folder(), back.data(), 0);
  EXPECT_EQ(back, block);
}

TEST_F(LedgerTest, AnEmptyFolderMeansTheDataFolderOfTheKind) {
  SetSystemDrv(CString::FromUtf8(dir_.str() + "/"));
  fs::create_directories(dir_ / "DATA" / "単票");
  std::vector<unsigned char> block(kTanpyouRegisterBytes, 1);
  Tanpyou1Read(u"", block.data(), 3);
  EXPECT_EQ(fs::file_size(dir_ / "DATA" / "単票" / "daichou.tnp"), 127200u);
  std::vector<unsigned char> sheet(kTanpyouSheetBytes, 1);
  EXPECT_EQ(Tanpyou2Write(u"", u"sheet.tnp", sheet.data(), 4), 1);
  EXPECT_EQ(ReadBytes(dir_ / "DATA" / "単票" / "sheet.tnp"), Bytes(sheet));
}

TEST_F(LedgerTest, ANewSheetGetsItsNumberFile) {
  std::vector<unsigned char> block(kTanpyouSheetBytes, 0xCD);
  Tanpyou2Read(Folder(), u"見積001.tnp", block.data(), 0);
  EXPECT_EQ(Bytes(block), std::string(kTanpyouSheetBytes, '\0'));
  EXPECT_EQ(ReadBytes(dir_ / "見積001.tnp"), std::string(74100, '\0'));
  // "%-20ld" of 1 in UTF-16LE after its byte-order mark, no line end.
  std::string expected = "FF FE 31 00";
  for (int i = 0; i < 19; ++i) expected += " 20 00";
  EXPECT_EQ(Hex(ReadBytes(dir_ / "見積001.tnp.no")), expected);
}

TEST_F(LedgerTest, AnExistingSheetIsReadAndItsNumberFileLeftAlone) {
  std::vector<unsigned char> block(kTanpyouSheetBytes);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i % 251);
  WriteBytes(dir_ / "s.tnp", Bytes(block));
  WriteBytes(dir_ / "s.tnp.no", "host's number");
  std::vector<unsigned char> back(kTanpyouSheetBytes, 0);
  Tanpyou2Read(Folder(), u"s.tnp", back.data(), 0);
  EXPECT_EQ(back, block);
  std::vector<unsigned char> changed(kTanpyouSheetBytes, 9);
  EXPECT_EQ(Tanpyou2Write(Folder(), u"s.tnp", changed.data(), 0), 1);
  EXPECT_EQ(ReadBytes(dir_ / "s.tnp"), Bytes(changed));
  EXPECT_EQ(ReadBytes(dir_ / "s.tnp.no"), "host's number");
}

TEST_F(LedgerTest, AShortFileFillsOnlyWhatItHolds) {
  WriteBytes(dir_ / "daichou.tnp", std::string(1000, '\x11'));
  std::vector<unsigned char> block(kTanpyouRegisterBytes, 0xAB);
  Tanpyou1Read(Folder(), block.data(), 0);
  EXPECT_EQ(Bytes(block).substr(0, 1000), std::string(1000, '\x11'));
  EXPECT_EQ(Bytes(block).substr(1000), std::string(kTanpyouRegisterBytes - 1000, '\xAB'));

  WriteBytes(dir_ / "short.tnp", "");
  std::vector<unsigned char> sheet(kTanpyouSheetBytes, 0x5A);
  Tanpyou2Read(Folder(), u"short.tnp", sheet.data(), 0);
  EXPECT_EQ(Bytes(sheet), std::string(kTanpyouSheetBytes, '\x5A'));
  EXPECT_FALSE(fs::exists(dir_ / "short.tnp.no"));
}

TEST_F(LedgerTest, WritesThatCannotHappenLeaveTheFiles) {
  std::vector<unsigned char> block(kTanpyouSheetBytes, 3);
  EXPECT_EQ(Tanpyou2Write(Folder() + u"missing\\", u"x.tnp", block.data(), 0), 1);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));

  WriteBytes(dir_ / "ro.tnp", "old");
  fs::permissions(dir_ / "ro.tnp", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(Tanpyou2Write(Folder(), u"ro.tnp", block.data(), 0), 1);
  EXPECT_EQ(ReadBytes(dir_ / "ro.tnp"), "old");

  // A write that fails half-way leaves the old block whole.
  std::vector<unsigned char> reg(kTanpyouRegisterBytes, 4);
  Tanpyou1Write(Folder(), reg.data(), 0);
  cmd::os::SetFaultHook([](cmd::os::FileStep step, const std::string&) {
    return step == cmd::os::FileStep::Write ? ENOSPC : 0;
  });
  std::vector<unsigned char> other(kTanpyouRegisterBytes, 5);
  Tanpyou1Write(Folder(), other.data(), 0);
  cmd::os::SetFaultHook({});
  EXPECT_EQ(ReadBytes(dir_ / "daichou.tnp"), Bytes(reg));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), {}), 2);  // no temporary left
}

TEST_F(LedgerTest, SmallestFreeRegisterId) {
  EXPECT_EQ(WhatIsTanp1FileID(RegisterWithIds({}).data()), 1);
  EXPECT_EQ(WhatIsTanp1FileID(RegisterWithIds({1, 2, 4}).data()), 3);
  EXPECT_EQ(WhatIsTanp1FileID(RegisterWithIds({2, 0, 301, 65535}).data()), 1);
  std::vector<unsigned char> full(kTanpyouRegisterBytes, 0);
  for (unsigned r = 0; r < 300; ++r) PutWord(full, 424 * r + 402, 300 - r);
  EXPECT_EQ(WhatIsTanp1FileID(full.data()), -1);
  PutWord(full, 424 * 299 + 402, 0x0101);  // the last record gives up id 1
  EXPECT_EQ(WhatIsTanp1FileID(full.data()), 1);
  EXPECT_EQ(WhatIsTanp1FileID(nullptr), -1);
}

TEST_F(LedgerTest, SmallestFreeSheetIdAndFirstFreeSlot) {
  EXPECT_EQ(WhatIsTanp2FileID(SheetWithIds({}).data()), 1);
  EXPECT_EQ(WhatIsTanp2FileID(SheetWithIds({1, 2, 4}).data()), 3);
  std::vector<unsigned char> full(kTanpyouSheetBytes, 0);
  for (unsigned r = 0; r < 100; ++r) PutWord(full, 741 * r + 716, r + 1);
  EXPECT_EQ(WhatIsTanp2FileID(full.data()), -1);
  PutWord(full, 741 * 99 + 716, 101);
  EXPECT_EQ(WhatIsTanp2FileID(full.data()), 100);
  EXPECT_EQ(WhatIsTanp2FileID(nullptr), -1);

  std::vector<unsigned char> slots(kTanpyouSheetBytes, 0);
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), 0);
  PutWord(slots, 0, 1);
  PutWord(slots, 741, 0x0100);  // only the high byte set: still used
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), 2);
  for (unsigned r = 0; r < 100; ++r) PutWord(slots, 741 * r, 7);
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), -1);
  PutWord(slots, 741 * 99, 0);
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), 99);
  EXPECT_EQ(WhatIsTanp2Index(nullptr), -1);
}
