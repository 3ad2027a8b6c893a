// Files and folders through the Windows-form calls: CFile and its exceptions,
// the file and folder functions, listings and wildcards, the shell's path
// joining and special folders. Every failure is checked for the error it
// reports and for the files it must leave as they were.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cmddll3/platform/file.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/filefind.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/shell.h"
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
  return std::size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Every name a listing gives, in its order.
std::vector<std::string> List(const CString& pattern) {
  std::vector<std::string> names;
  CFileFind finder;
  BOOL more = finder.FindFile(pattern);
  while (more) {
    more = finder.FindNextFile();
    names.push_back(finder.GetFileName().ToUtf8());
  }
  return names;
}

// Sets (nullptr: unsets) an environment variable while it lives.
struct EnvVar {
  EnvVar(const char* n, const char* v) : name(n) {
    if (const char* was = std::getenv(n)) old = was;
    Set(v);
  }
  ~EnvVar() { Set(old ? old->c_str() : nullptr); }
  void Set(const char* v) { v ? ::setenv(name.c_str(), v, 1) : ::unsetenv(name.c_str()); }
  std::string name;
  std::optional<std::string> old;
};

}  // namespace

// ---------------------------------------------------------------- CFile
// A binary round trip with seeks and a zero-filled gap; an existing file
// reached through a differently cased path, kept or truncated on create;
// its status; a drive letter mapped to a folder.
TEST(CFile, ReadsWritesAndReachesFilesWhateverTheirCase) {
  cmdtest::TempDir dir;
  const CString path = Win(dir / "histry.mst");
  {
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
    f.Write("\x00\x01" "A\xFF" "B", 5);
    EXPECT_EQ(f.GetLength(), 5u);
    EXPECT_EQ(f.GetPosition(), 5u);
    EXPECT_EQ(f.Seek(2, CFile::begin), 2u);
    char two[2] = {};
    EXPECT_EQ(f.Read(two, 2), 2u);
    EXPECT_EQ(std::string(two, 2), "A\xFF");
    EXPECT_EQ(f.Seek(-1, CFile::current), 3u);
    EXPECT_EQ(f.SeekToEnd(), 5u);
    EXPECT_EQ(f.Read(two, 2), 0u);  // at the end
    f.Seek(8, CFile::begin);
    f.Write("Z", 1);
    f.SetLength(10);
    EXPECT_EQ(f.GetLength(), 10u);
    f.Close();
    EXPECT_FALSE(f.IsOpen());
  }
  EXPECT_EQ(cmdtest::Hex(cmdtest::ReadBytes(dir / "histry.mst")), "00 01 41 FF 42 00 00 00 5A 00");

  fs::create_directories(dir / "MASTER" / "Denki");
  const fs::path stored = dir / "MASTER" / "Denki" / "Zairyou1.MST";
  cmdtest::WriteBytes(stored, "old content");
  const CString cased = CString::FromUtf8(dir.str() + "\\master\\DENKI\\zairyou1.mst");
  {
    CFile f(cased, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
    EXPECT_EQ(f.GetLength(), 11u);
    char old[3];
    EXPECT_EQ(f.Read(old, 3), 3u);
    EXPECT_EQ(std::string(old, 3), "old");
    f.SeekToBegin();
    f.Write("NEW", 3);
    EXPECT_EQ(f.GetFileName(), CString(u"zairyou1.mst"));  // the caller's spelling
    EXPECT_EQ(f.GetFileTitle(), CString(u"zairyou1"));
  }
  EXPECT_EQ(cmdtest::ReadBytes(stored), "NEW content");
  CFile(cased, CFile::modeCreate | CFile::modeWrite).Close();
  EXPECT_EQ(cmdtest::ReadBytes(stored), "");
  EXPECT_EQ(EntryCount(stored.parent_path()), 1u);

  CFileStatus st;
  ASSERT_TRUE(CFile::GetStatus(path, st));
  EXPECT_EQ(st.m_size, 10u);
  EXPECT_EQ(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0);
  EXPECT_EQ(std::u16string(st.m_szFullName), path.str());
  EXPECT_GT(st.m_mtime, 0);
  EXPECT_FALSE(CFile::GetStatus(Win(dir / "none"), st));
  ASSERT_TRUE(CFile::GetStatus(Win(dir.path()), st));
  EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0);

  cmd::path::SetDriveRoot(u'A', dir.str());
  CFile(u"A:\\BACKUP.001", CFile::modeCreate | CFile::modeWrite).Write("disk", 4);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "BACKUP.001"), "disk");
  CFile::Rename(u"a:\\backup.001", u"A:\\BACKUP.002");
  EXPECT_TRUE(fs::exists(dir / "BACKUP.002"));
  cmd::path::SetDriveRoot(u'A', "");
  EXPECT_FALSE(PathFileExistsW(u"A:\\BACKUP.002"));  // no longer mapped
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
  // Caught as the framework's root class, it still explains itself.
  try {
    CFile::Remove(u"Q:\\nothing");
    ADD_FAILURE() << "an unmapped drive was reached";
  } catch (const CException& base) {
    char16_t text[256];
    EXPECT_TRUE(base.GetErrorMessage(text, 256));
    EXPECT_EQ(std::u16string(text), u"Q:\\nothing contains an invalid path.");
  }
}

// ---------------------------------------------------------------- file and folder functions
// Copies keep the content and the last write time, and a replacing copy the
// destination's spelling; attributes; folders made, moved and removed.
TEST(FileApi, CopiesMovesAndFoldersDoTheirWork) {
  cmdtest::TempDir dir;
  const std::string content = std::string(200000, '\x5A') + "end";
  cmdtest::WriteBytes(dir / "src.lzh", content);
  struct timespec times[2] = {{1000000000, 500}, {1000000000, 500}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "src.lzh").c_str(), times, 0), 0);
  ASSERT_TRUE(CopyFileW(Win(dir / "src.lzh"), Win(dir / "dst.lzh"), TRUE));
  EXPECT_EQ(cmdtest::ReadBytes(dir / "dst.lzh"), content);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "dst.lzh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  cmdtest::WriteBytes(dir / "B.TXT", "old");
  ASSERT_TRUE(CopyFileW(Win(dir / "src.lzh"), Win(dir / "b.txt"), FALSE));
  EXPECT_EQ(cmdtest::ReadBytes(dir / "B.TXT"), content);
  EXPECT_EQ(EntryCount(dir.path()), 3u);

  const CString b = Win(dir / "b.txt");
  EXPECT_EQ(GetFileAttributesW(b), FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(SetFileAttributesW(b, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(b), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SetFileAttributesW(b, FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(b), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesW(dir.win()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(DeleteFileW(b));
  EXPECT_FALSE(fs::exists(dir / "B.TXT"));

  const CString a = Win(dir / "A");
  EXPECT_TRUE(CreateDirectoryW(a));
  EXPECT_TRUE(CreateDirectoryW(a + u"\\B"));
  EXPECT_EQ(GetFileAttributesW(a + u"\\b"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(MoveFileW(Win(dir / "dst.lzh"), a + u"\\B\\moved.lzh"));
  EXPECT_TRUE(MoveFileW(a, Win(dir / "C")));
  EXPECT_EQ(cmdtest::ReadBytes(dir / "C" / "B" / "moved.lzh"), content);
  EXPECT_TRUE(DeleteFileW(Win(dir / "C" / "B" / "moved.lzh")));
  EXPECT_TRUE(RemoveDirectoryW(Win(dir / "C") + u"\\b"));
  EXPECT_TRUE(RemoveDirectoryW(Win(dir / "C")));
  EXPECT_EQ(EntryCount(dir.path()), 1u);

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
}

// What Windows refuses, and an injected failure of each file step: FALSE (or
// a CFileException naming its cause and file) with the Windows error, the
// files as they were and no staging file left.
TEST(FileApi, FailuresReportTheErrorAndChangeNothing) {
  cmdtest::TempDir dir;
  const char* const files[] = {"a.txt", "B.TXT", "ro.txt", "src", "dst", "temp.mst", "zairyou2.mst"};
  for (const char* name : files) cmdtest::WriteBytes(dir / name, name);
  fs::create_directories(dir / "A" / "B");
  fs::create_directory(dir / "empty");
  cmdtest::WriteBytes(dir / "A" / "B" / "f", "");
  auto at = [&](const char* name) { return Win(dir / name); };
  const CString ro = at("ro.txt"), staging = at("temp.mst"), master = at("zairyou2.mst"),
                missing = at("missing.mst"), noFolder = at("no/x.mst"), empty = at("empty"),
                fresh = at("zairyou1.mst"), tooLong(std::u16string(MAX_PATH, u'x'));
  ASSERT_TRUE(SetFileAttributesW(ro, FILE_ATTRIBUTE_READONLY));
  using Call = std::function<BOOL()>;
  auto copy = [&](const char* from, const char* to, BOOL failIfExists = FALSE) -> Call {
    return [=] { return CopyFileW(at(from), at(to), failIfExists); };
  };
  auto on = [&](BOOL (*f)(LPCWSTR), const char* name) -> Call { return [=] { return f(at(name)); }; };
  auto mkdir = [&](CString path) -> Call { return [=] { return CreateDirectoryW(path); }; };
  auto find = [](CString pattern) -> Call { return [=] { return CFileFind().FindFile(pattern); }; };
  // A CFile call that must throw its cause, its file and the last error.
  auto throws = [](int cause, CString file, std::function<void()> call) -> Call {
    return [=] {
      try {
        call();
      } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, cause);
        EXPECT_EQ(e.m_strFileName, file);
        EXPECT_EQ(DWORD(e.m_lOsError), GetLastError());
        return FALSE;
      }
      return TRUE;
    };
  };
  // Open fails without an exception object too; with one, the case throws it.
  auto open = [&](int cause, CString path, UINT flags) -> Call {
    return throws(cause, path, [=] {
      CFile f;
      CFileException e;
      EXPECT_FALSE(f.Open(path, flags));
      if (!f.Open(path, flags, &e)) throw e;
    });
  };
  using E = CFileException;
  constexpr UINT read = CFile::modeRead, write = CFile::modeWrite, create = CFile::modeCreate;
  char c;
  CFile closing;
  struct Case {
    const char* what;
    FileStep step;  // made to fail with err while the call runs, unless err is 0
    int err;
    Call call;
    DWORD error;
  };
  const Case cases[] = {
      {"copy a missing file", {}, 0, copy("none.txt", "x.txt"), ERROR_FILE_NOT_FOUND},
      {"copy from a missing folder", {}, 0, copy("no/a.txt", "x.txt"), ERROR_PATH_NOT_FOUND},
      {"copy into a missing folder", {}, 0, copy("a.txt", "no/x.txt"), ERROR_PATH_NOT_FOUND},
      {"copy a folder", {}, 0, copy("empty", "x.txt"), ERROR_ACCESS_DENIED},
      {"copy onto a folder", {}, 0, copy("a.txt", "empty"), ERROR_ACCESS_DENIED},
      {"copy onto a read-only file", {}, 0, copy("a.txt", "ro.txt"), ERROR_ACCESS_DENIED},
      {"copy onto itself", {}, 0, copy("a.txt", "A.TXT"), ERROR_SHARING_VIOLATION},
      {"copy onto an existing file", {}, 0, copy("a.txt", "b.txt", TRUE), ERROR_FILE_EXISTS},
      {"copy to too long a name", {}, 0, [&] { return CopyFileW(at("a.txt"), tooLong, FALSE); },
       ERROR_FILENAME_EXCED_RANGE},
      {"copy, reading fails", FileStep::Read, EIO, copy("src", "dst"), ERROR_IO_DEVICE},
      {"copy, writing fails", FileStep::Write, ENOSPC, copy("src", "dst"), ERROR_DISK_FULL},
      {"copy, flushing fails", FileStep::Flush, EIO, copy("src", "dst"), ERROR_IO_DEVICE},
      {"copy, closing fails", FileStep::Close, EIO, copy("src", "dst"), ERROR_IO_DEVICE},
      {"copy, renaming fails", FileStep::Rename, EIO, copy("src", "dst"), ERROR_IO_DEVICE},
      {"delete a missing file", {}, 0, on(DeleteFileW, "lock4"), ERROR_FILE_NOT_FOUND},
      {"delete a folder", {}, 0, on(DeleteFileW, "empty"), ERROR_ACCESS_DENIED},
      {"delete a read-only file", {}, 0, on(DeleteFileW, "ro.txt"), ERROR_ACCESS_DENIED},
      {"delete no name", {}, 0, [] { return DeleteFileW(nullptr); }, ERROR_PATH_NOT_FOUND},
      {"move onto a file", {}, 0, [&] { return MoveFileW(at("src"), at("dst")); },
       ERROR_ALREADY_EXISTS},
      {"move a missing file", {}, 0, [&] { return MoveFileW(at("gone"), at("c")); },
       ERROR_FILE_NOT_FOUND},
      {"make an existing folder", {}, 0, mkdir(at("A") + u"\\"), ERROR_ALREADY_EXISTS},
      {"make a folder in a missing one", {}, 0, mkdir(at("A/C/D")), ERROR_PATH_NOT_FOUND},
      {"making a folder fails", FileStep::MakeDir, EACCES, mkdir(at("new")), ERROR_ACCESS_DENIED},
      {"remove a folder not empty", {}, 0, on(RemoveDirectoryW, "A"), ERROR_DIR_NOT_EMPTY},
      {"remove a file as a folder", {}, 0, on(RemoveDirectoryW, "A/B/f"), ERROR_DIRECTORY},
      {"remove a missing folder", {}, 0, on(RemoveDirectoryW, "none"), ERROR_FILE_NOT_FOUND},
      {"removing a folder fails", FileStep::RemoveDir, EBUSY, on(RemoveDirectoryW, "empty"),
       ERROR_BUSY},
      {"change to a missing folder", {}, 0, on(SetCurrentDirectoryW, "none"), ERROR_FILE_NOT_FOUND},
      {"attributes of a missing file", {}, 0,
       [&] { return GetFileAttributesW(at("none")) != INVALID_FILE_ATTRIBUTES; },
       ERROR_FILE_NOT_FOUND},
      {"attributes on an unmapped drive", {}, 0,
       [] { return GetFileAttributesW(u"Z:\\x") != INVALID_FILE_ATTRIBUTES; },
       ERROR_PATH_NOT_FOUND},
      {"free space of a missing folder", {}, 0,
       [&] {
         ULARGE_INTEGER avail{}, total{}, free{};
         return GetDiskFreeSpaceExW(at("none/"), &avail, &total, &free);
       },
       ERROR_PATH_NOT_FOUND},
      {"list a missing folder", {}, 0, find(at("none") + u"\\*.*"), ERROR_PATH_NOT_FOUND},
      {"list too long a pattern", {}, 0, find(tooLong), ERROR_FILENAME_EXCED_RANGE},
      {"list an empty folder: the dots do not match", {}, 0, find(empty + u"\\*.mst"),
       ERROR_FILE_NOT_FOUND},
      {"listing fails", FileStep::List, EIO, find(dir.win() + u"*.*"), ERROR_IO_DEVICE},
      {"open a missing file", {}, 0, open(E::fileNotFound, missing, read), ERROR_FILE_NOT_FOUND},
      {"construct on a missing file", {}, 0,
       throws(E::fileNotFound, missing, [&] { CFile f(missing, read); }), ERROR_FILE_NOT_FOUND},
      {"create in a missing folder", {}, 0, open(E::badPath, noFolder, create | write),
       ERROR_PATH_NOT_FOUND},
      {"open a folder", {}, 0, open(E::accessDenied, empty, read), ERROR_ACCESS_DENIED},
      {"create too long a name", {}, 0, open(E::badPath, tooLong, create | write),
       ERROR_FILENAME_EXCED_RANGE},
      {"write a read-only file", {}, 0, open(E::accessDenied, ro, write), ERROR_ACCESS_DENIED},
      {"write a file opened to read", {}, 0,
       throws(E::accessDenied, ro, [&] { CFile(ro, read).Write("y", 1); }), ERROR_ACCESS_DENIED},
      {"seek before the start", {}, 0,
       throws(E::badSeek, ro, [&] { CFile(ro, read).Seek(-1, CFile::begin); }), ERROR_NEGATIVE_SEEK},
      {"remove a missing file", {}, 0, throws(E::fileNotFound, missing, [&] { CFile::Remove(missing); }),
       ERROR_FILE_NOT_FOUND},
      {"rename onto a file", {}, 0,
       throws(E::accessDenied, staging, [&] { CFile::Rename(staging, master); }), ERROR_ALREADY_EXISTS},
      {"renaming fails", FileStep::Rename, EIO,
       throws(E::hardIO, staging, [&] { CFile::Rename(staging, fresh); }), ERROR_IO_DEVICE},
      {"removing fails", FileStep::Remove, EACCES,
       throws(E::accessDenied, staging, [&] { CFile::Remove(staging); }), ERROR_ACCESS_DENIED},
      {"opening fails", FileStep::Open, EMFILE, open(E::tooManyOpenFiles, master, read),
       ERROR_TOO_MANY_OPEN_FILES},
      {"reading fails", FileStep::Read, EIO,
       throws(E::hardIO, master, [&] { CFile(master, read).Read(&c, 1); }), ERROR_IO_DEVICE},
      {"seeking fails", FileStep::Seek, EIO,
       throws(E::hardIO, master, [&] { CFile(master, read).Seek(9, CFile::begin); }), ERROR_IO_DEVICE},
      {"growing fails", FileStep::Truncate, ENOSPC,
       throws(E::diskFull, master, [&] { CFile(master, CFile::modeReadWrite).SetLength(1 << 20); }),
       ERROR_DISK_FULL},
      {"closing fails", FileStep::Close, EIO,
       throws(E::hardIO, master, [&] { closing.Open(master, write), closing.Close(); }),
       ERROR_IO_DEVICE},
      {"writing fails", FileStep::Write, ENOSPC,
       throws(E::diskFull, fresh, [&] { CFile(fresh, create | write).Write("abc", 3); }),
       ERROR_DISK_FULL},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::optional<FailStep> fail;
    if (k.err) fail.emplace(k.step, k.err);
    SetLastError(0);
    EXPECT_FALSE(k.call());
    EXPECT_EQ(GetLastError(), k.error);
  }
  EXPECT_FALSE(closing.IsOpen());  // a failed close closes all the same
  for (const char* name : files) EXPECT_EQ(cmdtest::ReadBytes(dir / name), name);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "zairyou1.mst"), "");
  EXPECT_EQ(EntryCount(dir.path()), 10u);
  EXPECT_EQ(EntryCount(dir / "empty"), 0u);

  // Read-only cleared, the file goes; the master rewrite: delete, then rename
  // the staging file; a rename that changes only the case of a name.
  ASSERT_TRUE(SetFileAttributesW(ro, FILE_ATTRIBUTE_NORMAL));
  CFile::Remove(ro);
  CFile::Remove(master);
  CFile::Rename(staging, master);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "zairyou2.mst"), "temp.mst");
  CFile::Rename(master, at("ZAIRYOU2.MST"));
  EXPECT_TRUE(fs::exists(dir / "ZAIRYOU2.MST"));
  EXPECT_EQ(EntryCount(dir.path()), 8u);
}

// ---------------------------------------------------------------- listings
// Windows wildcard matching: "*.*" takes every name, "?" may match nothing
// before a dot or at the end, a trailing "." or ".*" takes names without one,
// ASCII letters only fold case; a long pattern does not backtrack without end.
TEST(Wildcard, WindowsMatchingTable) {
  struct Case {
    const char16_t* pattern;
    const char16_t* name;
    bool match;
  };
  const Case cases[] = {
      {u"*", u"zairyou1.mst", true},   {u"*.*", u"zairyou1.mst", true}, {u"*.*", u"lock3", true},
      {u"*.*", u".profile", true},     {u"*.*", u"a.b.c", true},        {u"*.mst", u"ZAIRYOU1.MST", true},
      {u"*.MST", u"keihi.mst", true},  {u"*.mst", u"a.mst.bak", false}, {u"*.mst", u"a.mstx", false},
      {u"*.mst", u".mst", true},       {u"zai*.mst", u"zai001-3.mst", true},
      {u"zai*.mst", u"Zai.mst", true}, {u"zai*.mst", u"tanni.mst", false},
      {u"ＡＢ*", u"ａｂc", false},     {u"電気*", u"電気.txt", true},   {u"?", u"a", true},
      {u"?", u"ab", false},            {u"a?.txt", u"ab.txt", true},    {u"a?.txt", u"a.txt", true},
      {u"a?.txt", u"abc.txt", false},  {u"???.txt", u"a.txt", true},    {u"lock?", u"lock3", true},
      {u"lock?", u"lock", true},       {u"lock?", u"lock12", false},    {u"*.lz?", u"a-1.lz2", true},
      {u"abc.*", u"abc", true},        {u"abc.*", u"abc.def", true},    {u"abc.*", u"abcd", false},
      {u"*.", u"abc", true},           {u"*.", u"a.b", false},          {u"cad1_1.tbl", u"CAD1_1.TBL", true},
      {u"cad1_1.tbl", u"cad1_1.tb", false}, {u"*a", u"aba", true},      {u"*a", u"bab", false},
      {u"*a*b", u"xaxxb", true},       {u"*a*b", u"xaxxbc", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cmd::path::MatchesWildcard(c.pattern, c.name), c.match)
        << Utf16ToUtf8(c.pattern) << " vs " << Utf16ToUtf8(c.name);
  }
  std::u16string name(5000, u'a'), pattern;
  for (int i = 0; i < 200; ++i) pattern += u"*a";
  EXPECT_FALSE(cmd::path::MatchesWildcard(pattern + u"b", name));
  EXPECT_TRUE(cmd::path::MatchesWildcard(u"*", name));
}

// Listings: the dots first (never at a drive root), names as stored, sizes,
// paths, nanosecond write times; a relative pattern lists the current folder.
TEST(CFileFind, ListsMatchingEntriesWithTheirDetails) {
  cmdtest::TempDir dir;
  const char* const names[] = {"tanni.mst", "zairyou1.mst", "ZAIRYOU2.MST", "zai001-3.mst"};
  for (int i = 0; i < 4; ++i) cmdtest::WriteBytes(dir / names[i], std::string(std::size_t(i), 'x'));
  fs::create_directory(dir / "zaisub.mst");
  fs::create_directory(dir / "App");
  const std::vector<std::string> all = List(dir.win() + u"*.*");
  ASSERT_EQ(all.size(), 8u);
  EXPECT_EQ(all[0] + all[1], "...");
  EXPECT_EQ(std::set<std::string>(all.begin() + 2, all.end()),
            (std::set<std::string>{"zairyou1.mst", "ZAIRYOU2.MST", "zai001-3.mst", "tanni.mst",
                                   "zaisub.mst", "App"}));
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile(dir.win() + u"ZAI*.MST"));
  std::set<std::string> zai;
  ULONGLONG bytes = 0;
  for (BOOL more = TRUE; more;) {
    more = finder.FindNextFile();
    zai.insert(finder.GetFileName().ToUtf8() + (finder.IsDirectory() ? "/" : ""));
    EXPECT_FALSE(finder.IsDots());
    EXPECT_EQ(finder.GetFilePath(), dir.win() + finder.GetFileName());
    if (!finder.IsDirectory()) bytes += finder.GetLength();
  }
  EXPECT_EQ(zai, (std::set<std::string>{"zairyou1.mst", "ZAIRYOU2.MST", "zai001-3.mst", "zaisub.mst/"}));
  EXPECT_EQ(bytes, 6u);
  EXPECT_EQ(finder.GetRoot(), dir.win());
  EXPECT_FALSE(finder.FindNextFile());  // past the last entry
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);

  // An empty folder holds the dots, which are folders; ".." is the last entry.
  ASSERT_TRUE(finder.FindFile(Win(dir / "App") + u"\\*"));
  ASSERT_TRUE(finder.FindNextFile());
  EXPECT_TRUE(finder.GetFileName() == u"." && finder.IsDots() && finder.IsDirectory());
  EXPECT_FALSE(finder.FindNextFile());
  EXPECT_TRUE(finder.GetFileName() == u".." && finder.IsDots());
  // A folder without a wildcard lists nothing, and leaves nothing to ask.
  EXPECT_FALSE(finder.FindFile(dir.win()));
  EXPECT_FALSE(finder.FindNextFile());
  EXPECT_TRUE(finder.GetFileName().IsEmpty());
  FILETIME ft;
  EXPECT_FALSE(finder.GetLastWriteTime(&ft));

  cmdtest::WriteBytes(dir / "App" / "BACKUP-1.LZH", "x");
  cmd::path::SetDriveRoot(u'A', (dir / "App").string());
  EXPECT_EQ(List(u"A:\\*.*"), std::vector<std::string>{"BACKUP-1.LZH"});
  EXPECT_EQ(List(u"a:*.lzh"), std::vector<std::string>{"BACKUP-1.LZH"});
  ASSERT_TRUE(finder.FindFile(u"A:\\backup-1.lzh"));
  finder.FindNextFile();
  EXPECT_EQ(finder.GetFilePath(), CString(u"A:\\BACKUP-1.LZH"));
  cmd::path::SetDriveRoot(u'A', "");
  EXPECT_FALSE(finder.FindFile(u"A:\\*.*"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  // The current folder, through its buffer protocol, and a relative pattern.
  const fs::path previous = fs::current_path();
  ASSERT_TRUE(SetCurrentDirectoryW(Win(dir / "app")));
  const std::string cwd = fs::current_path().string();
  char16_t buf[MAX_PATH];
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
  EXPECT_EQ(Utf16ToUtf8(buf), cwd);
  EXPECT_EQ(n, Utf8ToUtf16(cwd).size());
  EXPECT_EQ(GetCurrentDirectoryW(n, buf), n + 1);  // no room for the terminator
  EXPECT_EQ(GetCurrentDirectoryW(0, nullptr), n + 1);
  ASSERT_TRUE(finder.FindFile(u"backup-1.*"));
  finder.FindNextFile();
  EXPECT_EQ(finder.GetFilePath(), Win(fs::current_path()) + u"\\BACKUP-1.LZH");
  EXPECT_EQ(finder.GetFileTitle(), CString(u"BACKUP-1"));
  fs::current_path(previous);

  // 2001-02-03 04:05:06.123456789 UTC and one hundred nanoseconds later.
  struct timespec older[2] = {{981173106, 123456789}, {981173106, 123456789}};
  struct timespec newer[2] = {{981173106, 123456889}, {981173106, 123456889}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "tanni.mst").c_str(), older, 0), 0);
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "zairyou1.mst").c_str(), newer, 0), 0);
  FILETIME t[2]{};
  for (int i : {0, 1}) {
    EXPECT_TRUE(finder.FindFile(dir.win() + (i ? u"zairyou1.mst" : u"tanni.mst")));
    finder.FindNextFile();
    EXPECT_TRUE(finder.GetLastWriteTime(&t[i]));
  }
  // (981173106 + 11644473600) * 10^7 + 1234567 ticks.
  EXPECT_EQ((ULONGLONG(t[0].dwHighDateTime) << 32) | t[0].dwLowDateTime, 126256467061234567ull);
  EXPECT_EQ(CompareFileTime(&t[0], &t[1]), -1);
  EXPECT_EQ(CompareFileTime(&t[1], &t[0]), 1);
  EXPECT_EQ(CompareFileTime(&t[0], &t[0]), 0);
  EXPECT_EQ(cmd::UnixFromFileTime(t[0]), 981173106);
}

// ---------------------------------------------------------------- shell
// The shell's joining: "/" is an ordinary character, "." and ".." resolve but
// never above the root, an absolute name wins, MAX_PATH or more fails.
TEST(PathCombine, ShellJoiningTable) {
  const std::u16string name256(256, u'a'), name257(257, u'a'), tooLong(MAX_PATH + 10, u'a'),
      half1(130, u'b'), half2(130, u'c');
  const std::u16string fits = u"C:\\" + name256;  // 259 with its terminator
  struct Case {
    const char16_t* dir;
    const char16_t* file;
    const char16_t* result;  // nullptr: the call fails
  };
  const Case cases[] = {
      {u"C:\\inst\\MASTER\\電気\\", u"zairyou1.mst", u"C:\\inst\\MASTER\\電気\\zairyou1.mst"},
      {u"D:\\APP", u"bmp", u"D:\\APP\\bmp"},        {u"C:\\D\\", u"zai*.mst", u"C:\\D\\zai*.mst"},
      {u"/home/u/app", u"bmp", u"/home/u/app\\bmp"}, {u"C:\\a\\b", u"\\c", u"C:\\c"},
      {u"C:", u"one\\two", u"C:\\one\\two"},       {u"C:\\", u"one\\two", u"C:\\one\\two"},
      {u"C:\\", u"\\one\\two", u"C:\\one\\two"},  {u"C:\\", u"\\one\\two\\", u"C:\\one\\two\\"},
      {u"C:\\/\\/", u"\\one\\two\\", u"C:\\one\\two\\"}, {u"\\srv\\x", u"\\y", u"\\y"},
      {u"relative\\dir", u"\\one\\two\\", nullptr}, {u"C:\\x", u"D:\\y", u"D:\\y"},
      {u"C:\\x", u"\\\\server\\share\\f", u"\\\\server\\share\\f"},
      {u"C:\\", u"one/two/three\\", u"C:\\one/two/three\\"},
      {u"../../../one/two/", u"*", u"../../../one/two/\\*"},
      {u"C:\\", u"one\\..\\two\\.\\three", u"C:\\two\\three"}, {u"C:\\", u"..", u"C:\\"},
      {u"C:\\one\\.\\..\\two\\three", u"..", u"C:\\two"},
      {u"C:\\a\\b", u"..\\..\\..\\c", u"C:\\c"}, {u"C:\\a", u".\\b\\", u"C:\\a\\b\\"},
      {u"C:\\", nullptr, u"C:\\"},  {u"C:\\", u"", u"C:\\"},  {u"", u"", u"\\"},
      {nullptr, u"one\\two", u"one\\two"},  {nullptr, u"", u"\\"},  {nullptr, nullptr, nullptr},
      {u" ", nullptr, u" "},  {u"C:\\", name256.c_str(), fits.c_str()},
      {u"C:\\", name257.c_str(), nullptr},  {u"C:\\", tooLong.c_str(), nullptr},
      {tooLong.c_str(), u"x", nullptr},  {half1.c_str(), half2.c_str(), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.dir ? Utf16ToUtf8(c.dir) : "null") + " + " +
                 (c.file ? Utf16ToUtf8(c.file) : "null"));
    char16_t dest[MAX_PATH];
    std::fill(std::begin(dest), std::end(dest), u'#');
    LPWSTR r = PathCombineW(dest, c.dir, c.file);
    if (!c.result) {
      EXPECT_EQ(r, nullptr);
      EXPECT_EQ(dest[0], 0);  // emptied
    } else {
      EXPECT_EQ(r, dest);
      EXPECT_EQ(std::u16string(dest), c.result);
    }
  }
  EXPECT_EQ(PathCombineW(nullptr, u"C:\\", u"x"), nullptr);
}

// The special folders follow the XDG variables, then HOME, else fail; the
// Windows folder defaults to the configuration folder unless set.
TEST(ShellFolders, FollowTheXdgVariablesThenHome) {
  cmdtest::TempDir dir;
  const std::string config = dir.str() + "/config", data = dir.str() + "/data";
  char16_t path[MAX_PATH];
  {
    EnvVar a("XDG_CONFIG_HOME", (config + "/").c_str());
    EnvVar b("XDG_DATA_HOME", data.c_str());
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
    EXPECT_EQ(Utf16ToUtf8(path), config);
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_EQ(Utf16ToUtf8(path), data);
    EXPECT_FALSE(fs::exists(data));  // not created unless asked
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path),
              S_OK);
    EXPECT_TRUE(fs::is_directory(data));
  }
  {
    EnvVar a("XDG_CONFIG_HOME", nullptr);
    EnvVar b("XDG_DATA_HOME", "relative/ignored");
    EnvVar h("HOME", dir.str().c_str());
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_EQ(Utf16ToUtf8(path), dir.str() + "/.config");
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_EQ(Utf16ToUtf8(path), dir.str() + "/.local/share");
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path), S_OK);
    EXPECT_TRUE(PathFileExistsW(path));
  }
  {
    EnvVar a("XDG_CONFIG_HOME", "");
    EnvVar b("XDG_DATA_HOME", nullptr);
    EnvVar h("HOME", nullptr);
    path[0] = u'x';
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path), E_FAIL);
    EXPECT_EQ(path[0], 0);
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path), E_FAIL);
    EXPECT_EQ(GetWindowsDirectoryW(path, MAX_PATH), 0u);  // no default folder either
  }
  EXPECT_EQ(SHGetFolderPathW(nullptr, 5 /* CSIDL_PERSONAL */, nullptr, 0, path), E_INVALIDARG);

  EnvVar a("XDG_CONFIG_HOME", dir.str().c_str());
  const UINT n = GetWindowsDirectoryW(path, MAX_PATH);
  EXPECT_EQ(Utf16ToUtf8(path), dir.str());
  EXPECT_EQ(n, dir.str().size());
  char16_t small[4] = {u'z', 0, 0, 0};
  EXPECT_EQ(GetWindowsDirectoryW(small, 4), n + 1);  // the size needed, nothing written
  EXPECT_EQ(small[0], u'z');
  cmd::path::SetWindowsFolder(dir.str() + "/win/");
  EXPECT_EQ(cmd::path::GetWindowsFolder(), dir.str() + "/win");
  GetWindowsDirectoryW(path, MAX_PATH);
  EXPECT_EQ(Utf16ToUtf8(path), dir.str() + "/win");
  cmd::path::SetWindowsFolder("");
  EXPECT_EQ(cmd::path::GetWindowsFolder(), dir.str());

  cmdtest::WriteBytes(dir / "lock3", "");
  for (const char* there : {"\\lock3", "\\LOCK3", "\\"})
    EXPECT_TRUE(PathFileExistsW(CString::FromUtf8(dir.str() + there))) << there;
  EXPECT_FALSE(PathFileExistsW(CString::FromUtf8(dir.str() + "\\lock4")));
  EXPECT_FALSE(PathFileExistsW(u""));
  EXPECT_FALSE(PathFileExistsW(CString(std::u16string(MAX_PATH, u'a'))));
  EXPECT_FALSE(PathFileExistsW(nullptr));
}
