#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/filefind.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "support/fail_step.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmd::os::FileStep;
using cmdtest::FailStep;

namespace {

CString Win(const fs::path& p) { return CString::FromUtf8(p.string()); }

// The entries of a folder, to check that nothing is left behind.
std::size_t EntryCount(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

TEST(CopyFile, CopiesContentAndLastWriteTime) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "src.lzh", std::string(200000, '\x5A') + "end");
  struct timespec times[2] = {{1000000000, 500}, {1000000000, 500}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "src.lzh").c_str(), times, 0), 0);
  ASSERT_TRUE(CopyFileW(Win(dir / "src.lzh"), Win(dir / "dst.lzh"), TRUE));
  EXPECT_EQ(cmdtest::ReadBytes(dir / "dst.lzh"), cmdtest::ReadBytes(dir / "src.lzh"));
  struct stat st {};
  ASSERT_EQ(::stat((dir / "dst.lzh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(EntryCount(dir.path()), 2u);
}

TEST(CopyFile, FailIfExistsKeepsTheDestination) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "a.txt", "new");
  cmdtest::WriteBytes(dir / "B.TXT", "old");
  EXPECT_FALSE(CopyFileW(Win(dir / "a.txt"), Win(dir / "b.txt"), TRUE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "B.TXT"), "old");
  // Replacing writes over the existing file, keeping its spelling.
  ASSERT_TRUE(CopyFileW(Win(dir / "a.txt"), Win(dir / "b.txt"), FALSE));
  EXPECT_EQ(cmdtest::ReadBytes(dir / "B.TXT"), "new");
  EXPECT_FALSE(fs::exists(dir / "b.txt"));
  EXPECT_EQ(EntryCount(dir.path()), 2u);
}

TEST(CopyFile, RefusesWhatWindowsRefuses) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "a.txt", "a");
  cmdtest::WriteBytes(dir / "ro.txt", "ro");
  fs::create_directory(dir / "sub");
  ASSERT_TRUE(SetFileAttributesW(Win(dir / "ro.txt"), FILE_ATTRIBUTE_READONLY));
  struct Case {
    CString from, to;
    BOOL failIfExists;
    DWORD error;
  };
  const Case cases[] = {
      {Win(dir / "none.txt"), Win(dir / "x.txt"), FALSE, ERROR_FILE_NOT_FOUND},
      {Win(dir / "no" / "a.txt"), Win(dir / "x.txt"), FALSE, ERROR_PATH_NOT_FOUND},
      {Win(dir / "a.txt"), Win(dir / "no" / "x.txt"), FALSE, ERROR_PATH_NOT_FOUND},
      {Win(dir / "sub"), Win(dir / "x.txt"), FALSE, ERROR_ACCESS_DENIED},
      {Win(dir / "a.txt"), Win(dir / "sub"), FALSE, ERROR_ACCESS_DENIED},
      {Win(dir / "a.txt"), Win(dir / "ro.txt"), FALSE, ERROR_ACCESS_DENIED},
      {Win(dir / "a.txt"), Win(dir / "A.TXT"), FALSE, ERROR_SHARING_VIOLATION},
      {Win(dir / "a.txt"), CString(std::u16string(MAX_PATH, u'x')), FALSE,
       ERROR_FILENAME_EXCED_RANGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from.ToUtf8() + " -> " + c.to.ToUtf8().substr(0, 60));
    EXPECT_FALSE(CopyFileW(c.from, c.to, c.failIfExists));
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(cmdtest::ReadBytes(dir / "ro.txt"), "ro");
  EXPECT_EQ(cmdtest::ReadBytes(dir / "a.txt"), "a");
  EXPECT_EQ(EntryCount(dir.path()), 3u);
}

TEST(CopyFile, AFailedCopyLeavesTheOldDestinationAndNoStagingFile) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "src", "fresh");
  cmdtest::WriteBytes(dir / "dst", "previous");
  for (FileStep step : {FileStep::Read, FileStep::Write, FileStep::Flush, FileStep::Close,
                        FileStep::Rename}) {
    FailStep fail(step, step == FileStep::Write ? ENOSPC : EIO);
    EXPECT_FALSE(CopyFileW(Win(dir / "src"), Win(dir / "dst"), FALSE));
    EXPECT_EQ(cmdtest::ReadBytes(dir / "dst"), "previous");
    EXPECT_EQ(EntryCount(dir.path()), 2u) << static_cast<int>(step);
  }
  {
    FailStep fail(FileStep::Write, ENOSPC);
    CopyFileW(Win(dir / "src"), Win(dir / "dst"), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  }
}

TEST(DeleteAndMove, DeleteFileErrors) {
  cmdtest::TempDir dir;
  fs::create_directory(dir / "sub");
  cmdtest::WriteBytes(dir / "lock3", "");
  EXPECT_FALSE(DeleteFileW(Win(dir / "lock4")));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(Win(dir / "none" / "lock4")));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(Win(dir / "sub")));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteFileW(nullptr));
  EXPECT_TRUE(DeleteFileW(Win(dir / "LOCK3")));
  EXPECT_FALSE(fs::exists(dir / "lock3"));
}

TEST(DeleteAndMove, MoveFileNeverReplaces) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "a", "a");
  cmdtest::WriteBytes(dir / "b", "b");
  fs::create_directory(dir / "folder");
  EXPECT_FALSE(MoveFileW(Win(dir / "a"), Win(dir / "b")));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "b"), "b");
  EXPECT_TRUE(MoveFileW(Win(dir / "a"), Win(dir / "folder" / "a2")));
  EXPECT_EQ(cmdtest::ReadBytes(dir / "folder" / "a2"), "a");
  EXPECT_TRUE(MoveFileW(Win(dir / "folder"), Win(dir / "moved")));
  EXPECT_TRUE(fs::exists(dir / "moved" / "a2"));
  EXPECT_FALSE(MoveFileW(Win(dir / "gone"), Win(dir / "c")));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(Folders, CreateAndRemoveDirectory) {
  cmdtest::TempDir dir;
  CString a = Win(dir / "A");
  EXPECT_TRUE(CreateDirectoryW(a));
  EXPECT_FALSE(CreateDirectoryW(a + u"\\"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryW(a + u"\\B\\C"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(CreateDirectoryW(a + u"\\B"));
  EXPECT_EQ(GetFileAttributesW(a + u"\\b"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(RemoveDirectoryW(a));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  cmdtest::WriteBytes(dir / "A" / "B" / "f", "");
  EXPECT_FALSE(RemoveDirectoryW(a + u"\\B\\f"));
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
  fs::remove(dir / "A" / "B" / "f");
  EXPECT_TRUE(RemoveDirectoryW(a + u"\\b"));
  EXPECT_TRUE(RemoveDirectoryW(a));
  EXPECT_FALSE(RemoveDirectoryW(a));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(Folders, AttributesOfFilesAndFolders) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "f", "");
  EXPECT_EQ(GetFileAttributesW(Win(dir / "f")), FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(SetFileAttributesW(Win(dir / "f"), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(Win(dir / "f")), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(DeleteFileW(Win(dir / "f")));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_TRUE(SetFileAttributesW(Win(dir / "f"), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(Win(dir / "f")), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesW(dir.win()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesW(Win(dir / "none")), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesW(u"Z:\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Folders, CurrentDirectoryAndItsBufferProtocol) {
  cmdtest::TempDir dir;
  fs::create_directory(dir / "App");
  fs::path previous = fs::current_path();
  ASSERT_TRUE(SetCurrentDirectoryW(Win(dir / "app")));
  std::string cwd = fs::current_path().string();
  char16_t buf[MAX_PATH];
  DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
  EXPECT_EQ(Utf16ToUtf8(buf), cwd);
  EXPECT_EQ(n, Utf8ToUtf16(cwd).size());
  EXPECT_EQ(GetCurrentDirectoryW(n, buf), n + 1);  // no room for the terminator
  EXPECT_EQ(GetCurrentDirectoryW(0, nullptr), n + 1);
  EXPECT_FALSE(SetCurrentDirectoryW(Win(dir / "none")));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  fs::current_path(previous);
}

TEST(Disk, FreeSpaceOfTheDiskOfAFolder) {
  cmdtest::TempDir dir;
  ULARGE_INTEGER avail{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(dir.win(), &avail, &total, &free));
  EXPECT_GT(total.QuadPart, 0u);
  EXPECT_LE(avail.QuadPart, free.QuadPart);
  EXPECT_LE(free.QuadPart, total.QuadPart);
  EXPECT_TRUE(GetDiskFreeSpaceExW(nullptr, nullptr, &total, nullptr));
  DWORD spc = 0, bps = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceW(dir.win(), &spc, &bps, &freeClusters, &clusters));
  EXPECT_GT(spc * bps, 0u);
  EXPECT_LE(freeClusters, clusters);
  EXPECT_FALSE(GetDiskFreeSpaceExW(Win(dir / "none" / ""), &avail, &total, &free));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(FaultInjection, FolderStepsCanBeFailed) {
  cmdtest::TempDir dir;
  {
    FailStep fail(FileStep::MakeDir, EACCES);
    EXPECT_FALSE(CreateDirectoryW(Win(dir / "new")));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  }
  ASSERT_TRUE(CreateDirectoryW(Win(dir / "new")));
  {
    FailStep fail(FileStep::RemoveDir, EBUSY);
    EXPECT_FALSE(RemoveDirectoryW(Win(dir / "new")));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
  }
  EXPECT_TRUE(fs::exists(dir / "new"));
  {
    FailStep fail(FileStep::List, EIO);
    EXPECT_FALSE(CFileFind().FindFile(dir.win() + u"*.*"));
    EXPECT_EQ(GetLastError(), ERROR_IO_DEVICE);
  }
}
