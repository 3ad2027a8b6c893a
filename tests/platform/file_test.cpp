#include <gtest/gtest.h>

#include <errno.h>

#include <filesystem>

#include "cmddll3/platform/file.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "support/fail_step.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmd::os::FileStep;
using cmdtest::FailStep;

namespace {

CString Win(const fs::path& p) { return CString::FromUtf8(p.string()); }

// Runs f and returns the CFileException it throws (fails the test if none).
template <class F>
CFileException Thrown(F f) {
  try {
    f();
  } catch (const CFileException& e) {
    return e;
  }
  ADD_FAILURE() << "no CFileException";
  return CFileException();
}

}  // namespace

TEST(CFile, WritesReadsSeeksAndResizesBinaryData) {
  cmdtest::TempDir dir;
  CString path = Win(dir / "histry.mst");
  {
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
    const char bytes[] = {'\x00', '\x01', 'A', '\xFF', 'B'};
    f.Write(bytes, sizeof bytes);
    EXPECT_EQ(f.GetLength(), 5u);
    EXPECT_EQ(f.GetPosition(), 5u);
    EXPECT_EQ(f.Seek(2, CFile::begin), 2u);
    char two[2] = {};
    EXPECT_EQ(f.Read(two, 2), 2u);
    EXPECT_EQ(std::string(two, 2), "A\xFF");
    EXPECT_EQ(f.Seek(-1, CFile::current), 3u);
    EXPECT_EQ(f.SeekToEnd(), 5u);
    char rest[8];
    EXPECT_EQ(f.Read(rest, sizeof rest), 0u);  // at the end
    // Writing past the end fills the gap with zero bytes.
    f.Seek(8, CFile::begin);
    f.Write("Z", 1);
    f.SetLength(10);
    EXPECT_EQ(f.GetLength(), 10u);
    f.Close();
    EXPECT_FALSE(f.IsOpen());
  }
  EXPECT_EQ(cmdtest::Hex(cmdtest::ReadBytes(dir / "histry.mst")),
            "00 01 41 FF 42 00 00 00 5A 00");
}

TEST(CFile, CreateTruncatesUnlessNoTruncate) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "a.bin", "old content");
  CString path = Win(dir / "a.bin");
  {
    CFile f(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
    EXPECT_EQ(f.GetLength(), 11u);
    f.Write("NEW", 3);
  }
  EXPECT_EQ(cmdtest::ReadBytes(dir / "a.bin"), "NEW content");
  {
    CFile f(path, CFile::modeCreate | CFile::modeWrite);
    EXPECT_EQ(f.GetLength(), 0u);
  }
  EXPECT_EQ(cmdtest::ReadBytes(dir / "a.bin"), "");
}

TEST(CFile, OpenReportsTheCauseAndTheFileName) {
  cmdtest::TempDir dir;
  fs::create_directory(dir / "folder");
  struct Case {
    CString path;
    UINT flags;
    int cause;
    LONG osError;
  };
  const Case cases[] = {
      {Win(dir / "missing.mst"), CFile::modeRead, CFileException::fileNotFound,
       LONG(ERROR_FILE_NOT_FOUND)},
      {Win(dir / "nofolder" / "x.mst"), CFile::modeRead, CFileException::badPath,
       LONG(ERROR_PATH_NOT_FOUND)},
      {Win(dir / "nofolder" / "x.mst"), CFile::modeCreate | CFile::modeWrite,
       CFileException::badPath, LONG(ERROR_PATH_NOT_FOUND)},
      {Win(dir / "folder"), CFile::modeRead, CFileException::accessDenied,
       LONG(ERROR_ACCESS_DENIED)},
      {CString(std::u16string(MAX_PATH, u'a')), CFile::modeCreate | CFile::modeWrite,
       CFileException::badPath, LONG(ERROR_FILENAME_EXCED_RANGE)},
      {CString(u"Q:\\unmapped.txt"), CFile::modeRead, CFileException::badPath,
       LONG(ERROR_PATH_NOT_FOUND)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.ToUtf8().substr(0, 80));
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(c.path, c.flags, &e));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(e.m_cause, c.cause);
    EXPECT_EQ(e.m_lOsError, c.osError);
    EXPECT_EQ(e.m_strFileName, c.path);
    EXPECT_EQ(GetLastError(), DWORD(c.osError));
    // Without an exception object the failure is only the result.
    EXPECT_FALSE(f.Open(c.path, c.flags));
  }
  // The constructor throws instead.
  CFileException e = Thrown([&] { CFile f(Win(dir / "missing.mst"), CFile::modeRead); });
  EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
}

TEST(CFile, OpensAnExistingFileThroughADifferentlyCasedPath) {
  cmdtest::TempDir dir;
  fs::create_directories(dir / "MASTER" / "Denki");
  cmdtest::WriteBytes(dir / "MASTER" / "Denki" / "Zairyou1.MST", "abc");
  CFile f;
  ASSERT_TRUE(f.Open(CString::FromUtf8(dir.str() + "\\master\\DENKI\\zairyou1.mst"), CFile::modeRead));
  char buf[4] = {};
  EXPECT_EQ(f.Read(buf, 3), 3u);
  EXPECT_STREQ(buf, "abc");
  // Names keep the caller's spelling.
  EXPECT_EQ(f.GetFileName(), CString(u"zairyou1.mst"));
  EXPECT_EQ(f.GetFileTitle(), CString(u"zairyou1"));
}

TEST(CFile, ReadOnlyFilesCannotBeWrittenOrDeleted) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "ro.txt", "keep");
  CString path = Win(dir / "ro.txt");
  ASSERT_TRUE(SetFileAttributesW(path, FILE_ATTRIBUTE_READONLY));
  CFile f;
  CFileException e;
  EXPECT_FALSE(f.Open(path, CFile::modeWrite, &e));
  EXPECT_EQ(e.m_cause, CFileException::accessDenied);
  EXPECT_TRUE(f.Open(path, CFile::modeRead));
  f.Close();
  e = Thrown([&] { CFile::Remove(path); });
  EXPECT_EQ(e.m_cause, CFileException::accessDenied);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "ro.txt"), "keep");
  ASSERT_TRUE(SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL));
  CFile::Remove(path);
  EXPECT_FALSE(fs::exists(dir / "ro.txt"));
}

TEST(CFile, WritingAFileOpenedForReadingThrows) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "r.bin", "x");
  CFile f(Win(dir / "r.bin"), CFile::modeRead);
  CFileException e = Thrown([&] { f.Write("y", 1); });
  EXPECT_EQ(e.m_cause, CFileException::accessDenied);
  EXPECT_EQ(e.m_strFileName, Win(dir / "r.bin"));
  e = Thrown([&] { f.Seek(-1, CFile::begin); });
  EXPECT_EQ(e.m_cause, CFileException::badSeek);
}

TEST(CFile, RemoveAndRenameThrowWithCauseAndFileName) {
  cmdtest::TempDir dir;
  fs::create_directory(dir / "sub");
  cmdtest::WriteBytes(dir / "temp.mst", "new");
  cmdtest::WriteBytes(dir / "zairyou2.mst", "old");
  CString missing = Win(dir / "nothere.mst");

  CFileException e = Thrown([&] { CFile::Remove(missing); });
  EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(e.m_lOsError, LONG(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(e.m_strFileName, missing);

  e = Thrown([&] { CFile::Remove(Win(dir / "sub")); });
  EXPECT_EQ(e.m_cause, CFileException::accessDenied);

  e = Thrown([&] { CFile::Remove(Win(dir / "no" / "x")); });
  EXPECT_EQ(e.m_cause, CFileException::badPath);

  // Renaming onto an existing name fails and names the old file.
  CString staging = Win(dir / "temp.mst");
  CString master = Win(dir / "zairyou2.mst");
  e = Thrown([&] { CFile::Rename(staging, master); });
  EXPECT_EQ(e.m_cause, CFileException::accessDenied);
  EXPECT_EQ(e.m_lOsError, LONG(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(e.m_strFileName, staging);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "zairyou2.mst"), "old");

  e = Thrown([&] { CFile::Rename(missing, Win(dir / "y.mst")); });
  EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(e.m_strFileName, missing);

  // The master rewrite: delete, then rename the staging file.
  CFile::Remove(master);
  CFile::Rename(staging, master);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "zairyou2.mst"), "new");
  EXPECT_FALSE(fs::exists(dir / "temp.mst"));
  // A rename that changes only the case of a name.
  cmdtest::WriteBytes(dir / "layout.ini", "x");
  CFile::Rename(Win(dir / "layout.ini"), Win(dir / "LAYOUT.INI"));
  EXPECT_TRUE(fs::exists(dir / "LAYOUT.INI"));
  EXPECT_FALSE(fs::exists(dir / "layout.ini"));
}

TEST(CFile, InjectedFailuresBecomeFileExceptions) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "temp.mst", "new");
  CString staging = Win(dir / "temp.mst");
  CString master = Win(dir / "zairyou1.mst");
  {
    FailStep fail(FileStep::Rename, EIO);
    CFileException e = Thrown([&] { CFile::Rename(staging, master); });
    EXPECT_EQ(e.m_cause, CFileException::hardIO);
    EXPECT_EQ(e.m_strFileName, staging);
  }
  EXPECT_TRUE(fs::exists(dir / "temp.mst"));
  EXPECT_FALSE(fs::exists(dir / "zairyou1.mst"));
  {
    FailStep fail(FileStep::Remove, EACCES);
    CFileException e = Thrown([&] { CFile::Remove(staging); });
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
  }
  EXPECT_TRUE(fs::exists(dir / "temp.mst"));
  {
    CFile f(master, CFile::modeCreate | CFile::modeWrite);
    FailStep fail(FileStep::Write, ENOSPC);
    CFileException e = Thrown([&] { f.Write("abc", 3); });
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
    EXPECT_EQ(e.m_strFileName, master);
  }
  {
    CFile f(master, CFile::modeRead);
    FailStep fail(FileStep::Read, EIO);
    char c;
    EXPECT_EQ(Thrown([&] { f.Read(&c, 1); }).m_cause, CFileException::hardIO);
  }
  {
    CFile f(master, CFile::modeWrite);
    FailStep fail(FileStep::Close, EIO);
    EXPECT_EQ(Thrown([&] { f.Close(); }).m_cause, CFileException::hardIO);
    EXPECT_FALSE(f.IsOpen());  // closed all the same
  }
  {
    CFile f(master, CFile::modeReadWrite);
    FailStep seek(FileStep::Seek, EIO);
    EXPECT_EQ(Thrown([&] { f.Seek(100, CFile::begin); }).m_cause, CFileException::hardIO);
    FailStep truncate(FileStep::Truncate, ENOSPC);
    EXPECT_EQ(Thrown([&] { f.SetLength(1 << 20); }).m_cause, CFileException::diskFull);
  }
  {
    FailStep fail(FileStep::Open, EMFILE);
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(master, CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::tooManyOpenFiles);
  }
}

TEST(CFile, ErrorMessagesNameTheFileAndFitTheBuffer) {
  CFileException e(CFileException::accessDenied, LONG(ERROR_ACCESS_DENIED), u"C:\\d\\a.mst");
  EXPECT_EQ(e.GetErrorMessage(), CString(u"Access to C:\\d\\a.mst was denied."));
  char16_t buf[10];
  UINT help = 99;
  EXPECT_TRUE(e.GetErrorMessage(buf, 10, &help));
  EXPECT_EQ(std::u16string(buf), u"Access to");
  EXPECT_FALSE(e.GetErrorMessage(buf, 0));

  EXPECT_EQ(CFileException(CFileException::fileNotFound).GetErrorMessage(),
            CString(u"an unnamed file was not found."));
  EXPECT_EQ(CFileException(CFileException::diskFull, -1, u"x").GetErrorMessage(),
            CString(u"Disk full while accessing x."));
  // An exception caught as the framework's root class still explains itself.
  try {
    CFile::Remove(u"Q:\\nothing");
  } catch (const CException& base) {
    char16_t text[256];
    EXPECT_TRUE(base.GetErrorMessage(text, 256));
    EXPECT_EQ(std::u16string(text), u"Q:\\nothing contains an invalid path.");
  }
}

TEST(CFile, StatusOfAFile) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "s.bin", "12345");
  CFileStatus st;
  ASSERT_TRUE(CFile::GetStatus(Win(dir / "s.bin"), st));
  EXPECT_EQ(st.m_size, 5u);
  EXPECT_EQ(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0);
  EXPECT_EQ(std::u16string(st.m_szFullName), Win(dir / "s.bin").str());
  EXPECT_GT(st.m_mtime, 0);
  EXPECT_FALSE(CFile::GetStatus(Win(dir / "none"), st));
  ASSERT_TRUE(CFile::GetStatus(Win(dir.path()), st));
  EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0);
}

TEST(CFile, DriveMapReachesTheMappedFolder) {
  cmdtest::TempDir dir;
  cmd::path::SetDriveRoot(u'A', dir.str());
  {
    CFile f(u"A:\\BACKUP.001", CFile::modeCreate | CFile::modeWrite);
    f.Write("disk", 4);
  }
  EXPECT_EQ(cmdtest::ReadBytes(dir / "BACKUP.001"), "disk");
  CFile::Rename(u"a:\\backup.001", u"A:\\BACKUP.002");
  EXPECT_TRUE(fs::exists(dir / "BACKUP.002"));
  cmd::path::SetDriveRoot(u'A', "");
  EXPECT_EQ(Thrown([] { CFile::Remove(u"A:\\BACKUP.002"); }).m_cause, CFileException::badPath);
}
