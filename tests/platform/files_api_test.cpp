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

// Every entry a listing gives, in its order: its name, then "/" for a folder
// or the size of a file; each is checked to sit in the listed folder, and to
// be a folder when it is one of the dots.
std::vector<std::string> List(const CString& pattern) {
  std::vector<std::string> entries;
  CFileFind finder;
  for (BOOL more = finder.FindFile(pattern); more;) {
    more = finder.FindNextFile();
    const std::string name = finder.GetFileName().ToUtf8();
    entries.push_back(name + (finder.IsDirectory() ? "/" : " " + std::to_string(finder.GetLength())));
    EXPECT_EQ(finder.GetFilePath(), finder.GetRoot() + finder.GetFileName());
    EXPECT_EQ(bool(finder.IsDots()), name == "." || name == "..");
  }
  return entries;
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
TEST(CFile, ReadsWritesReachesFilesWhateverTheirCaseAndExplainsFailures) {
  cmdtest::TempDir dir;
  const CString path = Win(dir / "histry.mst");
  CFile f;
  ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
  f.Write("\x00\x01" "A\xFF" "B", 5);
  char two[2] = {};
  // Length, position, a seek, a read, one back, to the end, a read there.
  const std::vector<ULONGLONG> steps{f.GetLength(), f.GetPosition(), f.Seek(2, CFile::begin),
                                     f.Read(two, 2), f.Seek(-1, CFile::current), f.SeekToEnd(),
                                     f.Read(two, 2)};
  EXPECT_EQ(steps, (std::vector<ULONGLONG>{5, 5, 2, 2, 3, 5, 0}));
  EXPECT_EQ(std::string(two, 2), "A\xFF");
  f.Seek(8, CFile::begin);
  f.Write("Z", 1);
  f.SetLength(10);
  EXPECT_EQ(f.GetLength(), 10u);
  f.Close();
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(cmdtest::Hex(cmdtest::ReadBytes(dir / "histry.mst")), "00 01 41 FF 42 00 00 00 5A 00");

  fs::create_directories(dir / "MASTER" / "Denki");
  const fs::path stored = dir / "MASTER" / "Denki" / "Zairyou1.MST";
  cmdtest::WriteBytes(stored, "old content");
  const CString cased = CString::FromUtf8(dir.str() + "\\master\\DENKI\\zairyou1.mst");
  f.Open(cased, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
  EXPECT_EQ(std::pair(f.GetLength(), f.Read(two, 2)), std::pair(ULONGLONG(11), UINT(2)));
  EXPECT_EQ(std::string(two, 2), "ol");
  f.SeekToBegin();
  f.Write("NEW", 3);
  // Names keep the caller's spelling.
  EXPECT_EQ(std::pair(f.GetFileName(), f.GetFileTitle()), std::pair(CString(u"zairyou1.mst"), CString(u"zairyou1")));
  f.Close();
  EXPECT_EQ(cmdtest::ReadBytes(stored), "NEW content");
  CFile(cased, CFile::modeCreate | CFile::modeWrite).Close();
  EXPECT_EQ(cmdtest::ReadBytes(stored), "");
  EXPECT_EQ(EntryCount(stored.parent_path()), 1u);

  CFileStatus st;
  ASSERT_TRUE(CFile::GetStatus(path, st));
  EXPECT_EQ(std::tuple(st.m_size, st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, std::u16string(st.m_szFullName)),
            std::tuple(ULONGLONG(10), 0, path.str()));
  EXPECT_GT(st.m_mtime, 0);
  EXPECT_FALSE(CFile::GetStatus(Win(dir / "none"), st));
  ASSERT_TRUE(CFile::GetStatus(Win(dir.path()), st));
  EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0);

  cmd::path::SetDriveRoot(u'A', dir.str());
  CFile(u"A:\\BACKUP.001", CFile::modeCreate | CFile::modeWrite).Write("disk", 4);
  CFile::Rename(u"a:\\backup.001", u"A:\\BACKUP.002");
  EXPECT_EQ(cmdtest::ReadBytes(dir / "BACKUP.002"), "disk");
  cmd::path::SetDriveRoot(u'A', "");
  EXPECT_FALSE(PathFileExistsW(u"A:\\BACKUP.002"));  // no longer mapped

  // Error messages name the file and fit the buffer.
  using E = CFileException;
  EXPECT_EQ(E(E::accessDenied, 5, u"C:\\d\\a.mst").GetErrorMessage(), u"Access to C:\\d\\a.mst was denied.");
  EXPECT_EQ(E(E::fileNotFound).GetErrorMessage(), u"an unnamed file was not found.");
  EXPECT_EQ(E(E::diskFull, -1, u"x").GetErrorMessage(), u"Disk full while accessing x.");
  char16_t buf[10];
  UINT help = 99;
  EXPECT_TRUE(E(E::accessDenied, 5, u"C:\\d\\a.mst").GetErrorMessage(buf, 10, &help));
  EXPECT_EQ(std::pair(std::u16string(buf), help), std::pair(std::u16string(u"Access to"), 0u));
  EXPECT_FALSE(E(E::diskFull).GetErrorMessage(buf, 0));
  try {  // caught as the framework's root class, it still explains itself
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
  cmdtest::WriteBytes(dir / "B.TXT", "old");
  struct timespec times[2] = {{1000000000, 500}, {1000000000, 500}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "src.lzh").c_str(), times, 0), 0);
  ASSERT_TRUE(CopyFileW(Win(dir / "src.lzh"), Win(dir / "dst.lzh"), TRUE));
  ASSERT_TRUE(CopyFileW(Win(dir / "src.lzh"), Win(dir / "b.txt"), FALSE));
  struct stat st {};
  ASSERT_EQ(::stat((dir / "dst.lzh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "dst.lzh"), content);
  EXPECT_EQ(cmdtest::ReadBytes(dir / "B.TXT"), content);
  EXPECT_EQ(EntryCount(dir.path()), 3u);

  const CString b = Win(dir / "b.txt"), a = Win(dir / "A");
  // Archive; read-only on, then off; a folder.
  std::vector<DWORD> attributes{GetFileAttributesW(b)};
  SetFileAttributesW(b, FILE_ATTRIBUTE_READONLY);
  attributes.push_back(GetFileAttributesW(b));
  SetFileAttributesW(b, FILE_ATTRIBUTE_NORMAL);
  attributes.push_back(GetFileAttributesW(b));
  EXPECT_TRUE(DeleteFileW(b) && CreateDirectoryW(a) && CreateDirectoryW(a + u"\\B"));
  attributes.push_back(GetFileAttributesW(a + u"\\b"));
  EXPECT_EQ(attributes, (std::vector<DWORD>{FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY,
                                            FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_DIRECTORY}));
  EXPECT_TRUE(MoveFileW(Win(dir / "dst.lzh"), a + u"\\B\\moved.lzh"));
  EXPECT_TRUE(MoveFileW(a, Win(dir / "C")));
  EXPECT_EQ(cmdtest::ReadBytes(dir / "C" / "B" / "moved.lzh"), content);
  EXPECT_TRUE(DeleteFileW(Win(dir / "C" / "B" / "moved.lzh")));
  EXPECT_TRUE(RemoveDirectoryW(Win(dir / "C") + u"\\b"));
  EXPECT_TRUE(RemoveDirectoryW(Win(dir / "C")));
  EXPECT_EQ(EntryCount(dir.path()), 1u);

  ULARGE_INTEGER avail{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(dir.win(), &avail, &total, &free));
  EXPECT_TRUE(0 < total.QuadPart && avail.QuadPart <= free.QuadPart && free.QuadPart <= total.QuadPart);
  EXPECT_TRUE(GetDiskFreeSpaceExW(nullptr, nullptr, &total, nullptr));
  DWORD spc = 0, bps = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceW(dir.win(), &spc, &bps, &freeClusters, &clusters));
  EXPECT_TRUE(spc * bps > 0 && freeClusters <= clusters);
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
                missing = at("missing.mst"), empty = at("empty"), fresh = at("zairyou1.mst"),
                tooLong(std::u16string(MAX_PATH, u'x'));
  ASSERT_TRUE(SetFileAttributesW(ro, FILE_ATTRIBUTE_READONLY));
  using Call = std::function<BOOL()>;
  auto copy = [&](const char* from, const char* to, BOOL failIfExists = FALSE) -> Call {
    return [=] { return CopyFileW(at(from), at(to), failIfExists); };
  };
  auto on = [&](BOOL (*f)(LPCWSTR), const char* name) -> Call { return [=] { return f(at(name)); }; };
  auto mkdir = [&](CString path) -> Call { return [=] { return CreateDirectoryW(path); }; };
  auto find = [](CString pattern) -> Call { return [=] { return CFileFind().FindFile(pattern); }; };
  auto attributes = [](CString path) -> Call {
    return [=] { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; };
  };
  // A CFile call must throw its cause and file, its error being the last error.
  auto throws = [](int cause, CString file, std::function<void()> call) -> Call {
    return [=] {
      try {
        call();
        return TRUE;
      } catch (const CFileException& e) {
        EXPECT_EQ(std::tuple(e.m_cause, e.m_strFileName, DWORD(e.m_lOsError)), std::tuple(cause, file, GetLastError()));
        return FALSE;
      }
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
    Call call;
    DWORD error;
    FileStep step = {};  // made to fail with err while the call runs, unless err is 0
    int err = 0;
  };
  const Case cases[] = {
      {copy("none.txt", "x.txt"), ERROR_FILE_NOT_FOUND},   {copy("a.txt", "no/x.txt"), ERROR_PATH_NOT_FOUND},
      {copy("empty", "x.txt"), ERROR_ACCESS_DENIED},       {copy("a.txt", "empty"), ERROR_ACCESS_DENIED},
      {copy("a.txt", "ro.txt"), ERROR_ACCESS_DENIED},      {copy("a.txt", "A.TXT"), ERROR_SHARING_VIOLATION},
      {copy("a.txt", "b.txt", TRUE), ERROR_FILE_EXISTS},   {copy("no/a.txt", "x.txt"), ERROR_PATH_NOT_FOUND},
      {[&] { return CopyFileW(at("a.txt"), tooLong, FALSE); }, ERROR_FILENAME_EXCED_RANGE},
      {copy("src", "dst"), ERROR_IO_DEVICE, FileStep::Read, EIO},
      {copy("src", "dst"), ERROR_DISK_FULL, FileStep::Write, ENOSPC},
      {copy("src", "dst"), ERROR_IO_DEVICE, FileStep::Flush, EIO},
      {copy("src", "dst"), ERROR_IO_DEVICE, FileStep::Close, EIO},
      {copy("src", "dst"), ERROR_IO_DEVICE, FileStep::Rename, EIO},
      {on(DeleteFileW, "lock4"), ERROR_FILE_NOT_FOUND},    {on(DeleteFileW, "empty"), ERROR_ACCESS_DENIED},
      {on(DeleteFileW, "ro.txt"), ERROR_ACCESS_DENIED},    {[] { return DeleteFileW(nullptr); }, ERROR_PATH_NOT_FOUND},
      {[&] { return MoveFileW(at("src"), at("dst")); }, ERROR_ALREADY_EXISTS},
      {[&] { return MoveFileW(at("gone"), at("c")); }, ERROR_FILE_NOT_FOUND},
      {mkdir(at("A") + u"\\"), ERROR_ALREADY_EXISTS},       {mkdir(at("A/C/D")), ERROR_PATH_NOT_FOUND},
      {mkdir(at("new")), ERROR_ACCESS_DENIED, FileStep::MakeDir, EACCES},
      {on(RemoveDirectoryW, "A"), ERROR_DIR_NOT_EMPTY},     {on(RemoveDirectoryW, "A/B/f"), ERROR_DIRECTORY},
      {on(RemoveDirectoryW, "none"), ERROR_FILE_NOT_FOUND}, {on(SetCurrentDirectoryW, "none"), ERROR_FILE_NOT_FOUND},
      {on(RemoveDirectoryW, "empty"), ERROR_BUSY, FileStep::RemoveDir, EBUSY},
      {attributes(at("none")), ERROR_FILE_NOT_FOUND},       {attributes(u"Z:\\x"), ERROR_PATH_NOT_FOUND},
      {[&] { return GetDiskFreeSpaceExW(at("none/"), nullptr, nullptr, nullptr); }, ERROR_PATH_NOT_FOUND},
      {find(at("none") + u"\\*.*"), ERROR_PATH_NOT_FOUND}, {find(tooLong), ERROR_FILENAME_EXCED_RANGE},
      {find(empty + u"\\*.mst"), ERROR_FILE_NOT_FOUND},  // the dots do not match
      {find(dir.win() + u"*.*"), ERROR_IO_DEVICE, FileStep::List, EIO},
      {open(E::fileNotFound, missing, read), ERROR_FILE_NOT_FOUND},
      {throws(E::fileNotFound, missing, [&] { CFile f(missing, read); }), ERROR_FILE_NOT_FOUND},
      {open(E::badPath, at("no/x.mst"), create | write), ERROR_PATH_NOT_FOUND},
      {open(E::accessDenied, empty, read), ERROR_ACCESS_DENIED},
      {open(E::badPath, tooLong, create | write), ERROR_FILENAME_EXCED_RANGE},
      {open(E::accessDenied, ro, write), ERROR_ACCESS_DENIED},
      {throws(E::accessDenied, ro, [&] { CFile(ro, read).Write("y", 1); }), ERROR_ACCESS_DENIED},
      {throws(E::badSeek, ro, [&] { CFile(ro, read).Seek(-1, CFile::begin); }), ERROR_NEGATIVE_SEEK},
      {throws(E::fileNotFound, missing, [&] { CFile::Remove(missing); }), ERROR_FILE_NOT_FOUND},
      {throws(E::accessDenied, staging, [&] { CFile::Rename(staging, master); }), ERROR_ALREADY_EXISTS},
      {throws(E::hardIO, staging, [&] { CFile::Rename(staging, fresh); }), ERROR_IO_DEVICE, FileStep::Rename, EIO},
      {throws(E::accessDenied, staging, [&] { CFile::Remove(staging); }), ERROR_ACCESS_DENIED, FileStep::Remove,
       EACCES},
      {open(E::tooManyOpenFiles, master, read), ERROR_TOO_MANY_OPEN_FILES, FileStep::Open, EMFILE},
      {throws(E::hardIO, master, [&] { CFile(master, read).Read(&c, 1); }), ERROR_IO_DEVICE, FileStep::Read, EIO},
      {throws(E::hardIO, master, [&] { CFile(master, read).Seek(9, 0); }), ERROR_IO_DEVICE, FileStep::Seek, EIO},
      {throws(E::diskFull, master, [&] { CFile(master, CFile::modeReadWrite).SetLength(1 << 20); }), ERROR_DISK_FULL,
       FileStep::Truncate, ENOSPC},
      {throws(E::hardIO, master, [&] { closing.Open(master, write); closing.Close(); }), ERROR_IO_DEVICE,
       FileStep::Close, EIO},
      {throws(E::diskFull, fresh, [&] { CFile(fresh, create | write).Write("abc", 3); }), ERROR_DISK_FULL,
       FileStep::Write, ENOSPC},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &k - cases);
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
  CFile::Rename(master, at("ZAIRYOU2.MST"));
  EXPECT_EQ(cmdtest::ReadBytes(dir / "ZAIRYOU2.MST"), "temp.mst");
  EXPECT_EQ(EntryCount(dir.path()), 8u);
}

// ---------------------------------------------------------------- listings
// Windows wildcard matching: "*.*" takes every name, "?" may match nothing
// before a dot or at the end, a trailing "." or ".*" takes names without one,
// ASCII letters only fold case; a long pattern does not backtrack without end.
TEST(CFileFind, WildcardsAndListingsWithTheirDetails) {
  const std::tuple<const char16_t*, const char16_t*, bool> cases[] = {
      {u"*", u"zairyou1.mst", true},  {u"*.*", u"zairyou1.mst", true}, {u"*.*", u"lock3", true},
      {u"*.*", u".profile", true},    {u"*.*", u"a.b.c", true},        {u"*.mst", u"ZAIRYOU1.MST", true},
      {u"*.MST", u"keihi.mst", true},  {u"*.mst", u"a.mst.bak", false}, {u"*.mst", u"a.mstx", false},
      {u"*.mst", u".mst", true},       {u"?", u"a", true},             {u"zai*.mst", u"zai001-3.mst", true},
      {u"zai*.mst", u"Zai.mst", true}, {u"zai*.mst", u"tanni.mst", false}, {u"ＡＢ*", u"ａｂc", false},
      {u"電気*", u"電気.txt", true},   {u"?", u"ab", false},            {u"a?.txt", u"ab.txt", true},
      {u"a?.txt", u"a.txt", true},    {u"a?.txt", u"abc.txt", false},   {u"???.txt", u"a.txt", true},
      {u"lock?", u"lock3", true},     {u"lock?", u"lock", true},        {u"lock?", u"lock12", false},
      {u"*.lz?", u"a-1.lz2", true},   {u"abc.*", u"abc", true},         {u"abc.*", u"abc.def", true},
      {u"abc.*", u"abcd", false},     {u"*.", u"abc", true},            {u"*.", u"a.b", false}, {u"*a", u"aba", true},
      {u"cad1_1.tbl", u"CAD1_1.TBL", true}, {u"cad1_1.tbl", u"cad1_1.tb", false}, {u"*a", u"bab", false},
      {u"*a*b", u"xaxxb", true},      {u"*a*b", u"xaxxbc", false},     {u"*.mst", u"zairyou1.mst", true},
      {u"*.lz?", u"a-1.lzh", true},
  };
  for (auto [pattern, name, match] : cases)
    EXPECT_EQ(cmd::path::MatchesWildcard(pattern, name), match) << Utf16ToUtf8(pattern) << " vs " << Utf16ToUtf8(name);
  std::u16string name(5000, u'a'), pattern;
  for (int i = 0; i < 200; ++i) pattern += u"*a";
  EXPECT_FALSE(cmd::path::MatchesWildcard(pattern + u"b", name));
  EXPECT_TRUE(cmd::path::MatchesWildcard(u"*", name));

  // Listings: the dots first (never at a drive root), names as stored, sizes,
  // paths, nanosecond write times; a relative pattern lists the current folder.
  cmdtest::TempDir dir;
  const char* const names[] = {"tanni.mst", "zairyou1.mst", "ZAIRYOU2.MST", "zai001-3.mst"};
  for (int i = 0; i < 4; ++i) cmdtest::WriteBytes(dir / names[i], std::string(std::size_t(i), 'x'));
  fs::create_directory(dir / "zaisub.mst");
  fs::create_directory(dir / "App");
  const std::vector<std::string> all = List(dir.win() + u"*.*");
  ASSERT_EQ(all.size(), 8u);
  EXPECT_EQ(all[0] + all[1], "./../");
  const std::set<std::string> zai{"zairyou1.mst 1", "ZAIRYOU2.MST 2", "zai001-3.mst 3", "zaisub.mst/"};
  std::set<std::string> everything = zai;
  everything.insert({"tanni.mst 0", "App/"});
  EXPECT_EQ(std::set(all.begin() + 2, all.end()), everything);
  const std::vector<std::string> matched = List(dir.win() + u"ZAI*.MST");
  EXPECT_EQ(std::set(matched.begin(), matched.end()), zai);
  EXPECT_EQ(List(Win(dir / "App") + u"\\*"), (std::vector<std::string>{"./", "../"}));  // ".." is the last entry
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile(dir.win() + u"zai*.mst"));
  while (finder.FindNextFile()) {}
  EXPECT_EQ((std::tuple<BOOL, DWORD, CString>{finder.FindNextFile(), GetLastError(), finder.GetRoot()}),
            std::tuple(FALSE, DWORD(ERROR_NO_MORE_FILES), dir.win()));  // past the last entry
  // A folder without a wildcard lists nothing, and leaves nothing to ask.
  FILETIME t[2]{};
  EXPECT_FALSE(finder.FindFile(dir.win()) || finder.FindNextFile() || finder.GetLastWriteTime(t));
  EXPECT_TRUE(finder.GetFileName().IsEmpty());

  cmdtest::WriteBytes(dir / "App" / "BACKUP-1.LZH", "x");
  cmd::path::SetDriveRoot(u'A', (dir / "App").string());
  for (const char16_t* pattern : {u"A:\\*.*", u"a:*.lzh", u"A:\\backup-1.lzh"})
    EXPECT_EQ(List(pattern), std::vector<std::string>{"BACKUP-1.LZH 1"});
  ASSERT_TRUE(finder.FindFile(u"A:\\backup-1.lzh"));
  finder.FindNextFile();
  EXPECT_EQ(finder.GetFilePath(), u"A:\\BACKUP-1.LZH");
  cmd::path::SetDriveRoot(u'A', "");
  EXPECT_EQ((std::pair<BOOL, DWORD>{finder.FindFile(u"A:\\*.*"), GetLastError()}),
            std::pair(FALSE, DWORD(ERROR_PATH_NOT_FOUND)));

  // The current folder, through its buffer protocol, and a relative pattern.
  const fs::path previous = fs::current_path();
  ASSERT_TRUE(SetCurrentDirectoryW(Win(dir / "app")));
  const std::string cwd = fs::current_path().string();
  char16_t buf[MAX_PATH];
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
  EXPECT_EQ(std::pair(Utf16ToUtf8(buf), n), std::pair(cwd, DWORD(Utf8ToUtf16(cwd).size())));
  // No room for the terminator: the size needed.
  EXPECT_EQ(std::pair(GetCurrentDirectoryW(n, buf), GetCurrentDirectoryW(0, nullptr)), std::pair(n + 1, n + 1));
  ASSERT_TRUE(finder.FindFile(u"backup-1.*"));
  finder.FindNextFile();
  EXPECT_EQ(std::pair(finder.GetFilePath(), finder.GetFileTitle()),
            std::pair(Win(fs::current_path()) + u"\\BACKUP-1.LZH", CString(u"BACKUP-1")));
  fs::current_path(previous);

  // 2001-02-03 04:05:06.123456789 UTC and one hundred nanoseconds later.
  struct timespec older[2] = {{981173106, 123456789}, {981173106, 123456789}};
  struct timespec newer[2] = {{981173106, 123456889}, {981173106, 123456889}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "tanni.mst").c_str(), older, 0), 0);
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "zairyou1.mst").c_str(), newer, 0), 0);
  for (int i : {0, 1})
    EXPECT_TRUE(finder.FindFile(Win(dir / names[i])) && !finder.FindNextFile() && finder.GetLastWriteTime(&t[i]));
  // (981173106 + 11644473600) * 10^7 + 1234567 ticks.
  EXPECT_EQ((ULONGLONG(t[0].dwHighDateTime) << 32) | t[0].dwLowDateTime, 126256467061234567ull);
  EXPECT_EQ(std::tuple(CompareFileTime(&t[0], &t[1]), CompareFileTime(&t[1], &t[0]), CompareFileTime(&t[0], &t[0])),
            std::tuple(-1, 1, 0));
  EXPECT_EQ(cmd::UnixFromFileTime(t[0]), 981173106);
}

// ---------------------------------------------------------------- shell
// The shell's joining: "/" is an ordinary character, "." and ".." resolve but
// never above the root, an absolute name wins, MAX_PATH or more fails (and
// empties the result).
TEST(Shell, JoinsPathsAndFindsFolders) {
  const std::u16string name256(256, u'a'), name257(257, u'a'), tooLong(MAX_PATH + 10, u'a'),
      half1(130, u'b'), half2(130, u'c');
  const std::u16string fits = u"C:\\" + name256;  // 259 with its terminator
  const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[] = {
      {u"C:\\inst\\MASTER\\電気\\", u"zairyou1.mst", u"C:\\inst\\MASTER\\電気\\zairyou1.mst"},
      {u"D:\\APP", u"bmp", u"D:\\APP\\bmp"}, {u"C:\\D\\", u"zai*.mst", u"C:\\D\\zai*.mst"}, {u"C:\\", u"..", u"C:\\"},
      {u"/home/u/app", u"bmp", u"/home/u/app\\bmp"}, {u"C:", u"one\\two", u"C:\\one\\two"}, {u"\\s\\x", u"\\y", u"\\y"},
      {u"C:\\", u"1\\2", u"C:\\1\\2"}, {u"C:\\", u"\\one\\two", u"C:\\one\\two"}, {u"C:\\a\\b", u"\\c", u"C:\\c"},
      {u"C:\\", u"\\one\\two\\", u"C:\\one\\two\\"}, {u"C:\\/\\/", u"\\one\\two\\", u"C:\\one\\two\\"},
      {u"relative\\dir", u"\\one\\two\\", nullptr}, {u"C:\\x", u"\\\\server\\share\\f", u"\\\\server\\share\\f"},
      {u"C:\\", u"one/two/three\\", u"C:\\one/two/three\\"}, {u"../../../one/two/", u"*", u"../../../one/two/\\*"},
      {u"C:\\", u"one\\..\\two\\.\\three", u"C:\\two\\three"}, {u"C:\\a", u".\\b\\", u"C:\\a\\b\\"},
      {u"C:\\one\\.\\..\\two\\three", u"..", u"C:\\two"}, {u"C:\\a\\b", u"..\\..\\..\\c", u"C:\\c"},
      {u"C:\\", nullptr, u"C:\\"}, {u"C:\\", u"", u"C:\\"}, {u"", u"", u"\\"}, {nullptr, u"one\\two", u"one\\two"},
      {nullptr, u"", u"\\"}, {nullptr, nullptr, nullptr}, {u" ", nullptr, u" "}, {u"C:\\x", u"D:\\y", u"D:\\y"},
      {u"C:\\", name256.c_str(), fits.c_str()}, {u"C:\\", name257.c_str(), nullptr}, {u"C:", tooLong.c_str(), nullptr},
      {tooLong.c_str(), u"x", nullptr}, {half1.c_str(), half2.c_str(), nullptr},
  };
  for (auto [dir, file, result] : cases) {
    char16_t dest[MAX_PATH];
    std::fill(std::begin(dest), std::end(dest), u'#');
    const LPWSTR r = PathCombineW(dest, dir, file);
    const std::u16string expected = result ? result : u"";
    EXPECT_EQ(std::pair(r, std::u16string(dest)), std::pair(result ? dest : nullptr, expected))
        << (dir ? Utf16ToUtf8(dir) : "null") << " + " << (file ? Utf16ToUtf8(file) : "null");
  }
  EXPECT_EQ(PathCombineW(nullptr, u"C:\\", u"x"), nullptr);

  // The special folders follow the XDG variables, then HOME, else fail; the
  // Windows folder defaults to the configuration folder unless set.
  cmdtest::TempDir dir;
  const std::string config = dir.str() + "/config", data = dir.str() + "/data";
  char16_t path[MAX_PATH];
  auto folder = [&](int csidl) {
    path[0] = u'x';
    const HRESULT r = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::pair(r, Utf16ToUtf8(path));
  };
  {
    EnvVar a("XDG_CONFIG_HOME", (config + "/").c_str()), b("XDG_DATA_HOME", data.c_str());
    EXPECT_EQ(folder(CSIDL_APPDATA), std::pair(S_OK, config));
    EXPECT_EQ(folder(CSIDL_LOCAL_APPDATA), std::pair(S_OK, data));
    EXPECT_FALSE(fs::exists(data));  // not created unless asked
    EXPECT_EQ(folder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE), std::pair(S_OK, data));
    EXPECT_TRUE(fs::is_directory(data));
  }
  {
    EnvVar a("XDG_CONFIG_HOME", nullptr), b("XDG_DATA_HOME", "relative/ignored"), h("HOME", dir.str().c_str());
    EXPECT_EQ(folder(CSIDL_APPDATA), std::pair(S_OK, dir.str() + "/.config"));
    EXPECT_EQ(folder(CSIDL_LOCAL_APPDATA), std::pair(S_OK, dir.str() + "/.local/share"));
    EXPECT_EQ(folder(CSIDL_APPDATA | CSIDL_FLAG_CREATE).first, S_OK);
    EXPECT_TRUE(PathFileExistsW(path));
  }
  {
    EnvVar a("XDG_CONFIG_HOME", ""), b("XDG_DATA_HOME", nullptr), h("HOME", nullptr);
    EXPECT_EQ(folder(CSIDL_APPDATA), std::pair(E_FAIL, std::string()));
    EXPECT_EQ(folder(CSIDL_LOCAL_APPDATA).first, E_FAIL);
    EXPECT_EQ(GetWindowsDirectoryW(path, MAX_PATH), 0u);  // no default folder either
  }
  EXPECT_EQ(folder(5 /* CSIDL_PERSONAL */).first, E_INVALIDARG);

  EnvVar a("XDG_CONFIG_HOME", dir.str().c_str());
  const UINT n = GetWindowsDirectoryW(path, MAX_PATH);
  EXPECT_EQ(std::pair(Utf16ToUtf8(path), std::size_t(n)), std::pair(dir.str(), dir.str().size()));
  char16_t small[4] = {u'z', 0, 0, 0};
  EXPECT_EQ(GetWindowsDirectoryW(small, 4), n + 1);  // the size needed, nothing written
  EXPECT_EQ(small[0], u'z');
  cmd::path::SetWindowsFolder(dir.str() + "/win/");
  GetWindowsDirectoryW(path, MAX_PATH);
  EXPECT_EQ(cmd::path::GetWindowsFolder() + "|" + Utf16ToUtf8(path), dir.str() + "/win|" + dir.str() + "/win");
  cmd::path::SetWindowsFolder("");
  EXPECT_EQ(cmd::path::GetWindowsFolder(), dir.str());

  cmdtest::WriteBytes(dir / "lock3", "");
  const std::pair<std::string, bool> probes[] = {
      {"\\lock3", true}, {"\\LOCK3", true}, {"\\", true}, {"\\lock4", false}, {std::string(MAX_PATH, 'a'), false}};
  for (const auto& [name, there] : probes)
    EXPECT_EQ(PathFileExistsW(CString::FromUtf8(dir.str() + name)), there) << name;
  EXPECT_FALSE(PathFileExistsW(u"") || PathFileExistsW(nullptr));
}
