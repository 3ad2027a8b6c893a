// File and folder helpers on real folders (listings, wildcard deletes,
// folder chains, sizes, safe names, the dialog combo boxes), the ledger
// register and sheet files with their free-slot searches, and the floppy
// restore.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmdtest::ReadBytes;
using cmdtest::WriteBytes;
using Names = std::vector<std::string>;

namespace {

class FilesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    cmd::os::SetFaultHook({});
    cmd::path::SetDriveRoot(u'Q', "");
    SetSystemDrv(u"");
  }
  // The temporary folder as a Windows-form folder ending in a backslash.
  CString Folder() const { return CString::FromUtf8(dir_.str()) + u"\\"; }
  void Files(std::initializer_list<const char*> names) {
    for (const char* n : names) WriteBytes(dir_ / n, "x");
  }
  // The names of the folder's files or folders in the file system's own order.
  Names HostOrder(bool folders, bool sorted = false) const {
    Names names;
    for (const auto& e : fs::directory_iterator(dir_.path()))
      if (e.is_directory() == folders) names.push_back(e.path().filename().string());
    if (sorted) std::sort(names.begin(), names.end());
    return names;
  }

  cmdtest::TempDir dir_;
};

template <class It>
Names Utf8(It begin, It end) {
  Names out;
  for (; begin != end; ++begin) out.push_back(begin->ToUtf8());
  return out;
}

// The ledger register and sheet blocks.
void PutWord(std::string& block, std::size_t offset, unsigned value) {
  block[offset] = char(value & 0xFF);
  block[offset + 1] = char(value >> 8);
}
// A register (300 records of 424 bytes, the id at 402) or a sheet block
// (100 of 741, the id at 716) with the ids given, then zeros.
std::string Ids(bool sheet, std::initializer_list<unsigned> ids) {
  std::string block(sheet ? kTanpyouSheetBytes : kTanpyouRegisterBytes, '\0');
  std::size_t r = 0;
  for (unsigned id : ids) PutWord(block, (sheet ? 741 * r + 716 : 424 * r + 402), id), ++r;
  return block;
}
std::string Pattern(std::size_t n, int seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = char(i * seed % 251);
  return s;
}

// The floppy restore's disks and prompts.
const std::string kHeader = "LZHSET-0001-AB";  // 14 bytes
const std::string kOtherHeader = "LZHSET-0002-CD";
const CString kInsert2 = u"該当する取引先の[2]目のFDをｾｯﾄしてください。";
const CString kInsert3 = u"該当する取引先の[3]目のFDをｾｯﾄしてください。";
const CString kWrong1 = u"該当する取引先の[1]目のFDではありません。\n正しいFDをｾｯﾄしてください。";
const CString kWrong2 = u"該当する取引先の[2]目のFDではありません。\n正しいFDをｾｯﾄしてください。";

class FloppyTest : public FilesTest {
 protected:
  void SetUp() override {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) oldXdg_ = xdg;
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
    oldXdg_ ? setenv("XDG_CONFIG_HOME", oldXdg_->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    FilesTest::TearDown();
  }
  fs::path work() const { return dir_ / "appdata" / "tolv" / "WORK"; }
  fs::path floppy() const { return dir_ / "floppy"; }
  fs::path restored() const { return work() / "tokui-12.lzh"; }
  // Puts part k of client 12 "in the drive" (0: the single-disk archive).
  void Disk(int k, const std::string& bytes) {
    WriteBytes(floppy() / ("tokui-12.lz" + (k ? std::to_string(k) : std::string("h"))), bytes);
  }
  int Restore(int disks) { return SaveFdToWork(owner_, 12, u"A:\\", u"tokui", disks); }

  HWND owner_ = reinterpret_cast<HWND>(0x1234);
  std::vector<CString> prompts_;
  std::function<int(const CString&)> answer_;
  MessageBoxHook previousHook_;
  std::optional<std::string> oldXdg_;
};

}  // namespace

TEST_F(FilesTest, ListingsInTheFileSystemsOrder) {
  Files({"a.mst", "b.mst", "c.mst", "d.txt", "e.mst", "f.mst"});
  fs::create_directories(dir_ / "sub.mst");
  fs::create_directories(dir_ / "two");
  CString names[10];
  ASSERT_EQ(dir_ext(Folder() + u"*.*", names, 10), 6);
  EXPECT_EQ(Utf8(names, names + 6), HostOrder(false));
  // The pattern's letters match without case; the capacity caps the count.
  EXPECT_EQ(dir_ext(Folder() + u"*.MST", names, 10), 5);
  EXPECT_EQ(dir_ext(Folder() + u"*.mst", names, 2), 2);
  for (int n : {0, -1}) EXPECT_EQ(dir_ext(Folder() + u"*.mst", names, n), 0);
  EXPECT_EQ(dir_ext(Folder() + u"*.mst", nullptr, 5), 0);
  EXPECT_EQ(dir_ext(Folder() + u"missing\\*.*", names, 10), 0);
  EXPECT_EQ(dir_ext(u"", names, 10), 0);
  // Paths and folders are appended to what the list held.
  std::vector<CString> paths{u"kept"}, folders{u"a", u"b", u"c"};
  EXPECT_EQ(dir_filespath(paths, Folder() + u"*.txt"), 1);
  EXPECT_EQ(dir_filespath(paths, Folder() + u"*.*"), 6);
  std::set<CString> all;
  for (const std::string& n : HostOrder(false)) all.insert(Folder() + CString::FromUtf8(n));
  EXPECT_EQ(paths[1], Folder() + u"d.txt");
  EXPECT_EQ(std::set<CString>(paths.begin() + 2, paths.end()), all);
  EXPECT_EQ(dirdirectory(folders, Folder() + u"*.*"), 5);
  EXPECT_EQ(dirdirectory(folders, Folder() + u"nothing\\*"), 5);
  EXPECT_EQ(Utf8(folders.begin() + 3, folders.end()), HostOrder(true));
}

TEST_F(FilesTest, DeleteFileRemovesMatchingFilesAndRaisesTheFirstFailure) {
  Files({"temp1.mst", "temp2.mst", "keep.txt"});
  fs::create_directories(dir_ / "temp3.mst");
  EXPECT_EQ(deletefile(Folder(), u"temp*.mst"), 1);
  EXPECT_EQ(HostOrder(false), Names{"keep.txt"});
  EXPECT_EQ(HostOrder(true), Names{"temp3.mst"});
  EXPECT_EQ(deletefile2(Folder(), u"*.txt"), 1);
  EXPECT_EQ(deletefile(Folder() + u"missing\\", u"*.*"), 1);
  EXPECT_EQ(HostOrder(false), Names{});
  // The failing file is named to the caller; those before it are gone.
  Files({"a.tmp", "b.tmp", "c.tmp"});
  const Names order = HostOrder(false);
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
  EXPECT_EQ(HostOrder(false, true),
            (Names{std::min(order[1], order[2]), std::max(order[1], order[2])}));
  cmd::os::SetFaultHook({});
  // A pass lists 3000 names and only a pass of exactly 1000 is repeated,
  // so of 3005 files five are left.
  for (int i = 0; i < 3005; ++i) WriteBytes(dir_ / ("f" + std::to_string(i)), "");
  deletefile(Folder(), u"f*");
  EXPECT_EQ(HostOrder(false).size(), 2u + 5u);
  deletefile(Folder(), u"f*");
  EXPECT_EQ(HostOrder(false).size(), 2u);
}

TEST_F(FilesTest, FolderChainsSizesFreeSpaceAndSafeNames) {
  cmd::path::SetDriveRoot(u'Q', dir_.str());
  Names made;
  cmd::os::SetFaultHook([&](cmd::os::FileStep step, const std::string& path) {
    if (step == cmd::os::FileStep::MakeDir) made.push_back(path.substr(dir_.str().size()));
    return 0;
  });
  Files({"plain"});
  // One backslash has no parent to make; the parents' results do not count;
  // under a file or on a drive that is not mapped nothing is made; a file
  // of the name counts as there.
  const struct { const char16_t* path; int result; Names made; } cases[] = {
      {u"Q:\\A\\B\\C\\", 0, {"/A", "/A/B", "/A/B/C"}}, {u"Q:\\A\\B\\C\\", 0, {}},
      {u"Q:\\A\\B\\D", 0, {"/A/B/D"}}, {u"Q:\\top", 0, {"/top"}}, {u"", 1, {}}, {nullptr, 1, {}},
      {u"Q:\\plain\\sub\\x", -1, {"/plain/sub", "/plain/sub/x"}}, {u"Q:\\plain", 0, {}},
      {u"R:\\x\\y", -1, {}},
  };
  for (const auto& c : cases) {
    made.clear();
    EXPECT_EQ(mymkdir(c.path), c.result) << (c.path ? CString(c.path).ToUtf8() : "null");
    EXPECT_EQ(made, c.made) << (c.path ? CString(c.path).ToUtf8() : "null");
  }
  EXPECT_TRUE(fs::is_directory(dir_ / "A" / "B" / "C"));
  EXPECT_TRUE(fs::is_directory(dir_ / "top"));

  WriteBytes(dir_ / "empty", "");
  WriteBytes(dir_ / "data", std::string(1234, 'z'));
  for (auto [name, size, exists] : {std::tuple{u"empty", 0, 1}, {u"data", 1234, 1},
                                    {u"DATA", 1234, 1}, {u"missing", -1, 0}, {u"", -1, 1}}) {
    EXPECT_EQ(MyGetFileSize(Folder() + name), size) << CString(name).ToUtf8();
    EXPECT_EQ(IsExist(Folder() + name), exists) << CString(name).ToUtf8();
  }
  ULARGE_INTEGER available{}, total{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(Folder(), &available, &total, nullptr));
  double free = -1;
  int percent = -1;
  EXPECT_EQ(FreeSize(Folder(), &free, &percent), 0);
  // The disk is shared with other programs: allow for their writes.
  EXPECT_NEAR(free, static_cast<double>(available.QuadPart), 64.0 * 1024 * 1024);
  EXPECT_TRUE(percent >= 0 && percent <= 100) << percent;
  percent = -7;
  EXPECT_EQ(FreeSize(Folder() + u"missing\\", &free, &percent), 0);
  EXPECT_EQ(free, 0);
  EXPECT_EQ(percent, -7);

  // Five occurrences of each unsafe character become "_" in place.
  using Names16 = std::pair<std::u16string, std::u16string>;
  for (auto [in, out] : {Names16{u"a/b:c.txt", u"a_b_c_txt"}, {u"\\/;:*?<>|. \"", u"____________"},
                         {u"1.2.3.4.5.6.7", u"1_2_3_4_5_6.7"}, {u"a  b  c  d", u"a__b__c_ d"},
                         {u"見積書（2024）", u"見積書（2024）"}, {u"", u""}}) {
    EXPECT_EQ(FileNameFormat(in.data()), CString(out)) << CString(out).ToUtf8();
    EXPECT_EQ(in, out);
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
    Names out;
    for (LRESULT i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
      char16_t text[64] = {};
      SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
      out.push_back(CString(text).ToUtf8());
    }
    return out;
  };
  // The file names, with or without extensions, replace the list; without
  // the control (or the dialog) the files are still counted.
  const Names names = HostOrder(false);
  Names titles;
  for (const std::string& n : names) titles.push_back(n.substr(0, n.find('.')));
  CWnd* wnd = CWnd::FromHandle(dialog);
  EXPECT_EQ(MyDlgDirList(wnd, Folder() + u"*.*", 100, 1), 3);
  EXPECT_EQ(items(), names);
  EXPECT_EQ(MyDlgDirList(wnd, Folder() + u"*.*", 100, 0), 3);
  EXPECT_EQ(items(), titles);
  EXPECT_EQ(MyDlgDirList(wnd, Folder() + u"*.zip", 100, 1), 0);
  EXPECT_EQ(items(), Names{});
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

TEST_F(FilesTest, LedgerFilesAndTheirFreeSlots) {
  // A missing register or sheet is made zero-filled and read so; a new
  // sheet gets a number file: "%-20ld" of 1 in UTF-16LE after its mark.
  std::string reg(kTanpyouRegisterBytes, '\xAB'), sheet(kTanpyouSheetBytes, '\xCD');
  Tanpyou1Read(Folder(), reg.data(), 0);
  Tanpyou2Read(Folder(), u"見積001.tnp", sheet.data(), 0);
  EXPECT_EQ(reg, std::string(127200, '\0'));
  EXPECT_EQ(sheet, std::string(74100, '\0'));
  EXPECT_EQ(ReadBytes(dir_ / "daichou.tnp"), reg);
  EXPECT_EQ(ReadBytes(dir_ / "見積001.tnp"), sheet);
  EXPECT_EQ(ReadBytes(dir_ / "見積001.tnp.no"), cmdtest::Utf16le(u"1" + std::u16string(19, u' ')));
  // Whole blocks are written and read back; a sheet's number file is left alone.
  const std::string pattern = Pattern(kTanpyouRegisterBytes, 7),
                    data = Pattern(kTanpyouSheetBytes, 1);
  Tanpyou1Write(Folder(), pattern.data(), 0);
  EXPECT_EQ(ReadBytes(dir_ / "daichou.tnp"), pattern);
  Tanpyou1Read(Folder(), reg.data(), 0);
  EXPECT_EQ(reg, pattern);
  WriteBytes(dir_ / "s.tnp", Pattern(kTanpyouSheetBytes, 9));
  WriteBytes(dir_ / "s.tnp.no", "host's number");
  Tanpyou2Read(Folder(), u"s.tnp", sheet.data(), 0);
  EXPECT_EQ(sheet, Pattern(kTanpyouSheetBytes, 9));
  EXPECT_EQ(Tanpyou2Write(Folder(), u"s.tnp", data.data(), 0), 1);
  EXPECT_EQ(ReadBytes(dir_ / "s.tnp"), data);
  EXPECT_EQ(ReadBytes(dir_ / "s.tnp.no"), "host's number");

  // A short file fills only what it holds; an empty sheet makes no number file.
  WriteBytes(dir_ / "daichou.tnp", std::string(1000, '\x11'));
  reg.assign(kTanpyouRegisterBytes, '\xAB');
  Tanpyou1Read(Folder(), reg.data(), 0);
  EXPECT_EQ(reg, std::string(1000, '\x11') + std::string(kTanpyouRegisterBytes - 1000, '\xAB'));
  WriteBytes(dir_ / "short.tnp", "");
  sheet.assign(kTanpyouSheetBytes, '\x5A');
  Tanpyou2Read(Folder(), u"short.tnp", sheet.data(), 0);
  EXPECT_EQ(sheet, std::string(kTanpyouSheetBytes, '\x5A'));
  EXPECT_FALSE(fs::exists(dir_ / "short.tnp.no"));
  // A missing folder or a read-only file: reported done, nothing changed.
  EXPECT_EQ(Tanpyou2Write(Folder() + u"missing\\", u"x.tnp", data.data(), 0), 1);
  WriteBytes(dir_ / "ro.tnp", "old");
  fs::permissions(dir_ / "ro.tnp", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(Tanpyou2Write(Folder(), u"ro.tnp", data.data(), 0), 1);
  EXPECT_EQ(ReadBytes(dir_ / "ro.tnp"), "old");
  // A write that fails half-way leaves the old block whole and no temporary.
  Tanpyou1Write(Folder(), pattern.data(), 0);
  cmd::os::SetFaultHook([](cmd::os::FileStep step, const std::string&) {
    return step == cmd::os::FileStep::Write ? ENOSPC : 0;
  });
  Tanpyou1Write(Folder(), data.data(), 0);
  cmd::os::SetFaultHook({});
  EXPECT_EQ(ReadBytes(dir_ / "daichou.tnp"), pattern);
  EXPECT_EQ(HostOrder(false, true), (Names{"daichou.tnp", "ro.tnp", "s.tnp", "s.tnp.no",
                                           "short.tnp", "見積001.tnp", "見積001.tnp.no"}));
  EXPECT_EQ(HostOrder(true), Names{});

  // An empty folder means the data folder of the kind.
  SetSystemDrv(Folder());
  fs::create_directories(dir_ / "DATA" / "単票");
  Tanpyou1Read(u"", reg.data(), 3);
  EXPECT_EQ(fs::file_size(dir_ / "DATA" / "単票" / "daichou.tnp"), 127200u);
  EXPECT_EQ(Tanpyou2Write(u"", u"sheet.tnp", data.data(), 4), 1);
  EXPECT_EQ(ReadBytes(dir_ / "DATA" / "単票" / "sheet.tnp"), data);

  // Ids 1-300 (register) and 1-100 (sheet); -1 when all are taken.
  std::string full = Ids(false, {}), sheets = Ids(true, {}), slots(kTanpyouSheetBytes, '\0');
  for (unsigned r = 0; r < 300; ++r) PutWord(full, 424 * r + 402, 300 - r);
  for (unsigned r = 0; r < 100; ++r) PutWord(sheets, 741 * r + 716, r + 1);
  EXPECT_EQ(WhatIsTanp1FileID(Ids(false, {}).data()), 1);
  EXPECT_EQ(WhatIsTanp1FileID(Ids(false, {1, 2, 4}).data()), 3);
  EXPECT_EQ(WhatIsTanp1FileID(Ids(false, {2, 0, 301, 65535}).data()), 1);
  EXPECT_EQ(WhatIsTanp1FileID(full.data()), -1);
  PutWord(full, 424 * 299 + 402, 0x0101);  // the last record gives up id 1
  EXPECT_EQ(WhatIsTanp1FileID(full.data()), 1);
  EXPECT_EQ(WhatIsTanp2FileID(Ids(true, {}).data()), 1);
  EXPECT_EQ(WhatIsTanp2FileID(Ids(true, {1, 2, 4}).data()), 3);
  EXPECT_EQ(WhatIsTanp2FileID(sheets.data()), -1);
  PutWord(sheets, 741 * 99 + 716, 101);
  EXPECT_EQ(WhatIsTanp2FileID(sheets.data()), 100);
  // A slot is used when its first word is not 0, either byte.
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), 0);
  PutWord(slots, 0, 1);
  PutWord(slots, 741, 0x0100);
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), 2);
  for (unsigned r = 0; r < 99; ++r) PutWord(slots, 741 * r, 7);
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), 99);
  PutWord(slots, 741 * 99, 7);
  EXPECT_EQ(WhatIsTanp2Index(slots.data()), -1);
  for (auto search : {WhatIsTanp1FileID, WhatIsTanp2FileID, WhatIsTanp2Index})
    EXPECT_EQ(search(nullptr), -1);
}

// ---------------------------------------------------------------- floppy restore
// The floppy restore: drive A: mapped to a folder, the user's answers and
// disk swaps played by the message-box hook, the restored archive checked
// byte for byte with the prompts in order.

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
