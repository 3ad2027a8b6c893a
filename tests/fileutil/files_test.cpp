// File and folder helpers on real folders (listings, wildcard deletes,
// folder chains, sizes, safe names, the dialog combo boxes) and the ledger
// register and sheet files with their free-slot searches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cmddll3/fileutil.h"
#include "cmddll3/frame.h"
#include "cmddll3/ledger.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/ui.h"
#include "cmddll3/platform/winpath.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::Hex;
using cmdtest::ReadBytes;
using cmdtest::WriteBytes;

namespace {

class FilesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    cmd::os::SetFaultHook({});
    cmd::path::SetDriveRoot(u'Q', "");
    SetSystemDrv(u"");
  }
  // The temporary folder as a Windows-form folder ending in a backslash.
  CString Folder(const fs::path& p) const { return CString::FromUtf8(p.string()) + u"\\"; }
  CString Folder() const { return Folder(dir_.path()); }
  void Files(std::initializer_list<const char*> names) {
    for (const char* n : names) WriteBytes(dir_ / n, "x");
  }
  // The names of the folder's entries in the file system's own order.
  std::vector<std::string> HostOrder(bool folders) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.path()))
      if (e.is_directory() == folders) names.push_back(e.path().filename().string());
    return names;
  }

  cmdtest::TempDir dir_;
};

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Utf8(const CString* names, std::size_t n) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < n; ++i) out.push_back(names[i].ToUtf8());
  return out;
}

}  // namespace

TEST_F(FilesTest, ListingsInTheFileSystemsOrder) {
  Files({"a.mst", "b.mst", "c.mst", "d.txt", "e.mst", "f.mst"});
  fs::create_directories(dir_ / "sub.mst");
  fs::create_directories(dir_ / "two");
  CString names[10];
  ASSERT_EQ(dir_ext(Folder() + u"*.*", names, 10), 6);
  EXPECT_EQ(Utf8(names, 6), HostOrder(false));
  // The pattern's letters match without case; the capacity caps the count.
  const std::pair<CString, int> counts[] = {
      {u"*.MST", 5}, {u"missing\\*.*", 0}};
  for (const auto& [pattern, n] : counts) EXPECT_EQ(dir_ext(Folder() + pattern, names, 10), n);
  EXPECT_EQ(dir_ext(Folder() + u"*.mst", names, 2), 2);
  EXPECT_EQ(dir_ext(Folder() + u"*.mst", names, 0), 0);
  EXPECT_EQ(dir_ext(Folder() + u"*.mst", nullptr, 5), 0);
  EXPECT_EQ(dir_ext(u"", names, 10), 0);

  // Paths and folders are appended to what the list held.
  std::vector<CString> paths{u"kept"};
  EXPECT_EQ(dir_filespath(paths, Folder() + u"*.txt"), 1);
  EXPECT_EQ(paths, (std::vector<CString>{u"kept", Folder() + u"d.txt"}));
  EXPECT_EQ(dir_filespath(paths, Folder() + u"*.*"), 6);
  std::set<CString> all;
  for (const std::string& n : HostOrder(false)) all.insert(Folder() + CString::FromUtf8(n));
  EXPECT_EQ(std::set<CString>(paths.begin() + 2, paths.end()), all);
  std::vector<CString> folders{u"a", u"b", u"c"};
  EXPECT_EQ(dirdirectory(folders, Folder() + u"*.*"), 5);
  EXPECT_EQ(Utf8(folders.data() + 3, 2), HostOrder(true));
  EXPECT_EQ(dirdirectory(folders, Folder() + u"nothing\\*"), 5);
}

TEST_F(FilesTest, DeleteFileRemovesMatchingFilesAndRaisesTheFirstFailure) {
  Files({"temp1.mst", "temp2.mst", "keep.txt"});
  fs::create_directories(dir_ / "temp3.mst");
  EXPECT_EQ(deletefile(Folder(), u"temp*.mst"), 1);
  EXPECT_EQ(HostOrder(false), std::vector<std::string>{"keep.txt"});
  EXPECT_TRUE(fs::is_directory(dir_ / "temp3.mst"));
  EXPECT_EQ(deletefile2(Folder(), u"*.txt"), 1);
  EXPECT_TRUE(HostOrder(false).empty());
  EXPECT_EQ(deletefile(Folder(dir_ / "missing"), u"*.*"), 1);

  // The failing file is named to the caller; those before it are gone.
  Files({"a.tmp", "b.tmp", "c.tmp"});
  const std::vector<std::string> order = HostOrder(false);
  cmd::os::SetFaultHook([&](cmd::os::FileStep step, const std::string& path) {
    return step == cmd::os::FileStep::Remove && path.ends_with("/" + order[1]) ? EACCES : 0;
  });
  try {
    deletefile(Folder(), u"*.tmp");
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_TRUE(e.m_strFileName.ToUtf8().ends_with(order[1]));
  }
  EXPECT_EQ(Sorted(HostOrder(false)), Sorted({order[1], order[2]}));
  cmd::os::SetFaultHook({});

  // A pass lists 3000 names and only a pass of exactly 1000 is repeated,
  // so of 3005 files five are left.
  for (int i = 0; i < 3005; ++i) WriteBytes(dir_ / ("f" + std::to_string(i)), "");
  deletefile(Folder(), u"f*");
  EXPECT_EQ(HostOrder(false).size(), 2u + 5u);
  deletefile(Folder(), u"f*");
  EXPECT_EQ(HostOrder(false).size(), 2u);
}

TEST_F(FilesTest, MyMkdirCreatesEveryMissingLevelInOrder) {
  cmd::path::SetDriveRoot(u'Q', dir_.str());
  std::vector<std::string> made;
  cmd::os::SetFaultHook([&](cmd::os::FileStep step, const std::string& path) {
    if (step == cmd::os::FileStep::MakeDir) made.push_back(path.substr(dir_.str().size()));
    return 0;
  });
  Files({"plain"});
  // One backslash has no parent to make; the parents' results do not count;
  // under a file or on a drive that is not mapped nothing is made; a file
  // of the name counts as there.
  const struct {
    const char16_t* path;
    int result;
    std::vector<std::string> made;
  } cases[] = {
      {u"Q:\\A\\B\\C\\", 0, {"/A", "/A/B", "/A/B/C"}}, {u"Q:\\A\\B\\C\\", 0, {}},
      {u"Q:\\A\\B\\D", 0, {"/A/B/D"}}, {u"Q:\\top", 0, {"/top"}}, {u"", 1, {}}, {nullptr, 1, {}},
      {u"Q:\\plain\\sub\\deeper", -1, {"/plain/sub", "/plain/sub/deeper"}}, {u"Q:\\plain", 0, {}}, {u"R:\\x\\y", -1, {}},
  };
  for (const auto& c : cases) {
    made.clear();
    EXPECT_EQ(mymkdir(c.path), c.result) << CString(c.path ? c.path : u"").ToUtf8();
    EXPECT_EQ(made, c.made) << CString(c.path ? c.path : u"").ToUtf8();
  }
  EXPECT_TRUE(fs::is_directory(dir_ / "A" / "B" / "C"));
  EXPECT_TRUE(fs::is_directory(dir_ / "top"));
}

TEST_F(FilesTest, SizesExistenceAndFreeSpace) {
  WriteBytes(dir_ / "empty", "");
  WriteBytes(dir_ / "data", std::string(1234, 'z'));
  const std::pair<CString, int> sizes[] = {{Folder() + u"empty", 0}, {Folder() + u"data", 1234},
                                           {Folder() + u"DATA", 1234}, {Folder() + u"missing", -1},
                                           {Folder(), -1}};
  for (const auto& [path, size] : sizes) EXPECT_EQ(MyGetFileSize(path), size) << path.ToUtf8();
  EXPECT_EQ(IsExist(Folder() + u"data"), 1);
  EXPECT_EQ(IsExist(Folder()), 1);
  EXPECT_EQ(IsExist(Folder() + u"missing"), 0);

  ULARGE_INTEGER available{}, total{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(Folder(), &available, &total, nullptr));
  double free = -1;
  int percent = -1;
  EXPECT_EQ(FreeSize(Folder(), &free, &percent), 0);
  // The disk is shared with other programs: allow for their writes.
  EXPECT_NEAR(free, static_cast<double>(available.QuadPart), 64.0 * 1024 * 1024);
  EXPECT_GE(percent, 0);
  EXPECT_LE(percent, 100);
  percent = -7;
  EXPECT_EQ(FreeSize(Folder() + u"missing\\", &free, &percent), 0);
  EXPECT_EQ(free, 0);
  EXPECT_EQ(percent, -7);
}

TEST_F(FilesTest, SafeNamesAndTrailingSpaces) {
  // Five occurrences of each unsafe character become "_" in place.
  const std::pair<std::u16string, std::u16string> names[] = {
      {u"a/b:c.txt", u"a_b_c_txt"}, {u"\\/;:*?<>|. \"", u"____________"},
      {u"1.2.3.4.5.6.7", u"1_2_3_4_5_6.7"}, {u"a  b  c  d", u"a__b__c_ d"},
      {u"見積書（2024）", u"見積書（2024）"}, {u"", u""}};
  for (auto [buffer, out] : names) {
    EXPECT_EQ(FileNameFormat(buffer.data()), CString(out)) << CString(out).ToUtf8();
    EXPECT_EQ(buffer, out);
  }
  EXPECT_EQ(FileNameFormat(nullptr), u"");
  // GetBuff copies without the trailing U+0020 spaces, in place too.
  for (auto [in, out] : {std::pair{u"abc  ", u"abc"}, {u" a b ", u" a b"}, {u"   ", u""},
                         {u"全角　", u"全角　"}}) {
    char16_t buffer[16];
    GetBuff(buffer, in);
    EXPECT_EQ(std::u16string(buffer), out);
  }
  char16_t inPlace[] = u"xy  ";
  GetBuff(inPlace, inPlace);
  EXPECT_EQ(std::u16string(inPlace), u"xy");
  GetBuff(inPlace, nullptr);
  EXPECT_EQ(std::u16string(inPlace), u"");
}

TEST_F(FilesTest, DialogComboBoxes) {
  Files({"est.mst", "inv.txt", "noext"});
  fs::create_directories(dir_ / "folder");
  HWND dialog = cmd::ui::CreateTestWindow(u"#32770", u"");
  HWND combo = cmd::ui::CreateTestWindow(u"COMBOBOX", u"", dialog, 100);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"stale"));
  auto items = [combo] {
    std::vector<std::string> out;
    for (LRESULT i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
      char16_t text[64] = {};
      SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
      out.push_back(CString(text).ToUtf8());
    }
    return out;
  };
  // The file names, with or without extensions, replace the list.
  const std::vector<std::string> names = HostOrder(false);
  std::vector<std::string> titles;
  for (const std::string& n : names) titles.push_back(n.substr(0, n.find('.')));
  CWnd* wnd = CWnd::FromHandle(dialog);
  EXPECT_EQ(MyDlgDirList(wnd, Folder() + u"*.*", 100, 1), 3);
  EXPECT_EQ(items(), names);
  EXPECT_EQ(MyDlgDirList(wnd, Folder() + u"*.*", 100, 0), 3);
  EXPECT_EQ(items(), titles);
  EXPECT_EQ(MyDlgDirList(wnd, Folder() + u"*.zip", 100, 1), 0);
  EXPECT_TRUE(items().empty());
  // Without the control (or the dialog) the files are still counted.
  EXPECT_EQ(MyDlgDirList(wnd, Folder() + u"*.mst", 101, 1), 1);
  EXPECT_EQ(MyDlgDirList(nullptr, Folder() + u"*.mst", 100, 1), 1);

  // A drive entry "[-x-]" gives "x:".
  EXPECT_EQ(MyDlgDirSelectComboBox(dialog, 100), u"");
  for (const char16_t* entry : {u"[-a-]", u"[-c-] ", u"[-"})
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  for (auto [selected, drive] : {std::pair{0, u"a:"}, {1, u"c:"}, {2, u""}}) {
    SendMessageW(combo, CB_SETCURSEL, WPARAM(selected), 0);
    EXPECT_EQ(MyDlgDirSelectComboBox(dialog, 100), drive);
  }
  EXPECT_EQ(MyDlgDirSelectComboBox(dialog, 8), u"");
  DestroyWindow(dialog);
}

// ---------------------------------------------------------------- ledger files
namespace {

void PutWord(std::vector<unsigned char>& block, std::size_t offset, unsigned value) {
  block[offset] = static_cast<unsigned char>(value & 0xFF);
  block[offset + 1] = static_cast<unsigned char>(value >> 8);
}
// Blocks whose records carry the given 16-bit words at an offset.
std::vector<unsigned char> Block(std::size_t bytes, std::size_t record, std::size_t offset,
                                 std::initializer_list<unsigned> words) {
  std::vector<unsigned char> block(bytes, 0);
  std::size_t r = 0;
  for (unsigned w : words) PutWord(block, record * r++ + offset, w);
  return block;
}
std::vector<unsigned char> Register(std::initializer_list<unsigned> ids) {
  return Block(kTanpyouRegisterBytes, 424, 402, ids);
}
std::vector<unsigned char> Sheet(std::initializer_list<unsigned> ids) {
  return Block(kTanpyouSheetBytes, 741, 716, ids);
}
std::string Bytes(const std::vector<unsigned char>& v) { return std::string(v.begin(), v.end()); }
std::vector<unsigned char> Filled(std::size_t n, int seed) {
  std::vector<unsigned char> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * seed % 251);
  return v;
}

}  // namespace

TEST_F(FilesTest, LedgerRegisterAndSheetsRoundTrip) {
  // A missing register is made zero-filled and read so.
  std::vector<unsigned char> block(kTanpyouRegisterBytes, 0xAB);
  Tanpyou1Read(Folder(), block.data(), 0);
  EXPECT_EQ(Bytes(block), std::string(kTanpyouRegisterBytes, '\0'));
  EXPECT_EQ(ReadBytes(dir_ / "daichou.tnp"), std::string(127200, '\0'));
  const auto reg = Filled(kTanpyouRegisterBytes, 7);
  Tanpyou1Write(Folder(), reg.data(), 0);
  EXPECT_EQ(ReadBytes(dir_ / "daichou.tnp"), Bytes(reg));
  Tanpyou1Read(Folder(), block.data(), 0);
  EXPECT_EQ(block, reg);

  // A new sheet gets a number file: "%-20ld" of 1 in UTF-16LE after its mark.
  std::vector<unsigned char> sheet(kTanpyouSheetBytes, 0xCD);
  Tanpyou2Read(Folder(), u"見積001.tnp", sheet.data(), 0);
  EXPECT_EQ(Bytes(sheet), std::string(kTanpyouSheetBytes, '\0'));
  EXPECT_EQ(ReadBytes(dir_ / "見積001.tnp"), std::string(74100, '\0'));
  std::string number = "FF FE 31 00";
  for (int i = 0; i < 19; ++i) number += " 20 00";
  EXPECT_EQ(Hex(ReadBytes(dir_ / "見積001.tnp.no")), number);
  // An existing sheet is read and written; its number file is left alone.
  const auto data = Filled(kTanpyouSheetBytes, 1), changed = Filled(kTanpyouSheetBytes, 9);
  WriteBytes(dir_ / "s.tnp", Bytes(data));
  WriteBytes(dir_ / "s.tnp.no", "host's number");
  Tanpyou2Read(Folder(), u"s.tnp", sheet.data(), 0);
  EXPECT_EQ(sheet, data);
  EXPECT_EQ(Tanpyou2Write(Folder(), u"s.tnp", changed.data(), 0), 1);
  EXPECT_EQ(ReadBytes(dir_ / "s.tnp"), Bytes(changed));
  EXPECT_EQ(ReadBytes(dir_ / "s.tnp.no"), "host's number");

  // An empty folder means the data folder of the kind.
  SetSystemDrv(Folder());
  fs::create_directories(dir_ / "DATA" / "単票");
  Tanpyou1Read(u"", block.data(), 3);
  EXPECT_EQ(fs::file_size(dir_ / "DATA" / "単票" / "daichou.tnp"), 127200u);
  EXPECT_EQ(Tanpyou2Write(u"", u"sheet.tnp", data.data(), 4), 1);
  EXPECT_EQ(ReadBytes(dir_ / "DATA" / "単票" / "sheet.tnp"), Bytes(data));
}

TEST_F(FilesTest, LedgerShortFilesAndWritesThatCannotHappen) {
  // A short file fills only what it holds; an empty sheet makes no number file.
  WriteBytes(dir_ / "daichou.tnp", std::string(1000, '\x11'));
  std::vector<unsigned char> block(kTanpyouRegisterBytes, 0xAB);
  Tanpyou1Read(Folder(), block.data(), 0);
  EXPECT_EQ(Bytes(block), std::string(1000, '\x11') + std::string(kTanpyouRegisterBytes - 1000, '\xAB'));
  WriteBytes(dir_ / "short.tnp", "");
  std::vector<unsigned char> sheet(kTanpyouSheetBytes, 0x5A);
  Tanpyou2Read(Folder(), u"short.tnp", sheet.data(), 0);
  EXPECT_EQ(Bytes(sheet), std::string(kTanpyouSheetBytes, '\x5A'));
  EXPECT_FALSE(fs::exists(dir_ / "short.tnp.no"));

  // A missing folder or a read-only file: reported done, nothing changed.
  EXPECT_EQ(Tanpyou2Write(Folder() + u"missing\\", u"x.tnp", sheet.data(), 0), 1);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  WriteBytes(dir_ / "ro.tnp", "old");
  fs::permissions(dir_ / "ro.tnp", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(Tanpyou2Write(Folder(), u"ro.tnp", sheet.data(), 0), 1);
  EXPECT_EQ(ReadBytes(dir_ / "ro.tnp"), "old");
  // A write that fails half-way leaves the old block whole and no temporary.
  const auto reg = Filled(kTanpyouRegisterBytes, 4), other = Filled(kTanpyouRegisterBytes, 5);
  Tanpyou1Write(Folder(), reg.data(), 0);
  cmd::os::SetFaultHook([](cmd::os::FileStep step, const std::string&) {
    return step == cmd::os::FileStep::Write ? ENOSPC : 0;
  });
  Tanpyou1Write(Folder(), other.data(), 0);
  cmd::os::SetFaultHook({});
  EXPECT_EQ(ReadBytes(dir_ / "daichou.tnp"), Bytes(reg));
  EXPECT_EQ(Sorted(HostOrder(false)), (std::vector<std::string>{"daichou.tnp", "ro.tnp", "short.tnp"}));
}

TEST(LedgerSlots, SmallestFreeIdsAndFirstFreeSlot) {
  // Ids 1-300 (register) and 1-100 (sheet); -1 when all are taken.
  std::vector<unsigned char> full = Register({}), sheets = Sheet({});
  for (unsigned r = 0; r < 300; ++r) PutWord(full, 424 * r + 402, 300 - r);
  for (unsigned r = 0; r < 100; ++r) PutWord(sheets, 741 * r + 716, r + 1);
  EXPECT_EQ(WhatIsTanp1FileID(Register({}).data()), 1);
  EXPECT_EQ(WhatIsTanp1FileID(Register({1, 2, 4}).data()), 3);
  EXPECT_EQ(WhatIsTanp1FileID(Register({2, 0, 301, 65535}).data()), 1);
  EXPECT_EQ(WhatIsTanp1FileID(full.data()), -1);
  PutWord(full, 424 * 299 + 402, 0x0101);  // the last record gives up id 1
  EXPECT_EQ(WhatIsTanp1FileID(full.data()), 1);
  EXPECT_EQ(WhatIsTanp1FileID(nullptr), -1);
  EXPECT_EQ(WhatIsTanp2FileID(Sheet({}).data()), 1);
  EXPECT_EQ(WhatIsTanp2FileID(Sheet({1, 2, 4}).data()), 3);
  EXPECT_EQ(WhatIsTanp2FileID(sheets.data()), -1);
  PutWord(sheets, 741 * 99 + 716, 101);
  EXPECT_EQ(WhatIsTanp2FileID(sheets.data()), 100);
  EXPECT_EQ(WhatIsTanp2FileID(nullptr), -1);

  // A slot is used when its first word is not 0, either byte.
  EXPECT_EQ(WhatIsTanp2Index(Sheet({}).data()), 0);
  EXPECT_EQ(WhatIsTanp2Index(Block(kTanpyouSheetBytes, 741, 0, {1, 0x0100}).data()), 2);
  std::vector<unsigned char> slots = Block(kTanpyouSheetBytes, 741, 0, {});
  for (unsigned r = 0; r < 99; ++r) PutWord(slots, 741 * r, 7);
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), 99);
  PutWord(slots, 741 * 99, 7);
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), -1);
  EXPECT_EQ(WhatIsTanp2Index(nullptr), -1);
}
