// Files and folders on real files in a temporary folder: CFile and its
// exceptions, the file and folder functions, listings and wildcards, the
// shell's path joining and special folders; text streams (the bytes each mode
// writes, how files read back), the runtime's file and folder calls and
// Windows paths. Every failure is checked for the error it reports and for
// the files it must leave as they were.
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
#include <utility>
#include <vector>

#include "cmddll3/platform/crtfile.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/filefind.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/shell.h"
#include "cmddll3/platform/textfile.h"
#include "cmddll3/platform/winpath.h"
#include "support/fail_step.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using namespace std::literals;
using namespace cmdtest;
using cmd::os::FileStep;

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
    EXPECT_EQ(std::pair(finder.GetFilePath(), bool(finder.IsDots())),
              std::pair(finder.GetRoot() + finder.GetFileName(), name == "." || name == ".."));
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
// its status. (Drive letters are mapped by the Windows path tests.)
TEST(FileApi, CFileTheFileAndFolderCallsAndTheirFailures) {
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
  EXPECT_EQ(std::pair(steps, std::string(two, 2)), std::pair(std::vector<ULONGLONG>{5, 5, 2, 2, 3, 5, 0}, "A\xFF"s));
  f.Seek(8, CFile::begin);
  f.Write("Z", 1);
  f.SetLength(10);
  f.Close();
  f.Close();  // a closed file: nothing to do
  EXPECT_EQ(std::pair(f.IsOpen(), cmdtest::Hex(cmdtest::ReadBytes(dir / "histry.mst"))),
            std::pair(false, "00 01 41 FF 42 00 00 00 5A 00"s));

  fs::create_directories(dir / "MASTER" / "Denki");
  const fs::path stored = dir / "MASTER" / "Denki" / "Zairyou1.MST";
  cmdtest::WriteBytes(stored, "old content");
  const CString cased = CString::FromUtf8(dir.str() + "\\master\\DENKI\\zairyou1.mst");
  f.Open(cased, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
  EXPECT_EQ((std::tuple<ULONGLONG, UINT, std::string>{f.GetLength(), f.Read(two, 2), std::string(two, 2)}),
            std::tuple(ULONGLONG(11), UINT(2), "ol"));
  f.SeekToBegin();
  f.Write("NEW", 3);
  // Names keep the caller's spelling.
  EXPECT_EQ(std::pair(f.GetFileName(), f.GetFileTitle()), std::pair(CString(u"zairyou1.mst"), CString(u"zairyou1")));
  f.Close();
  EXPECT_EQ(cmdtest::ReadBytes(stored), "NEW content");
  CFile(cased, CFile::modeCreate | CFile::modeWrite).Close();
  EXPECT_EQ(std::pair(cmdtest::ReadBytes(stored), EntryCount(stored.parent_path())), std::pair(std::string(), 1ul));

  CFileStatus st, folder;
  ASSERT_TRUE(CFile::GetStatus(path, st) && !CFile::GetStatus(Win(dir / "none"), folder) &&
              CFile::GetStatus(Win(dir.path()), folder));
  EXPECT_EQ(std::tuple(st.m_size, st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, std::u16string(st.m_szFullName),
                       st.m_mtime > 0, folder.m_attribute & FILE_ATTRIBUTE_DIRECTORY),
            std::tuple(ULONGLONG(10), 0, path.str(), true, FILE_ATTRIBUTE_DIRECTORY));

  // Error messages name the file and fit the buffer.
  using E = CFileException;
  const CString path2 = u"C:\\d\\a.mst";
  EXPECT_EQ(E(E::accessDenied, 5, path2).GetErrorMessage() + u"|" + E(E::fileNotFound).GetErrorMessage() + u"|" +
                E(E::diskFull, -1, u"x").GetErrorMessage(),
            u"Access to C:\\d\\a.mst was denied.|an unnamed file was not found.|Disk full while accessing x.");
  char16_t buf[10];
  UINT help = 99;
  EXPECT_TRUE(E(E::accessDenied, 5, path2).GetErrorMessage(buf, 10, &help) && !E(E::diskFull).GetErrorMessage(buf, 0));
  EXPECT_EQ(std::pair(std::u16string(buf), help), std::pair(std::u16string(u"Access to"), 0u));
  try {  // caught as the framework's root class, it still explains itself
    CFile::Remove(u"Q:\\nothing");
    ADD_FAILURE() << "an unmapped drive was reached";
  } catch (const CException& base) {
    char16_t text[256];
    EXPECT_EQ((std::pair<BOOL, std::u16string>{base.GetErrorMessage(text, 256), text}),
              std::pair(TRUE, u"Q:\\nothing contains an invalid path."s));
  }

  // Copies keep the content and the last write time, and a replacing copy the
  // destination's spelling; attributes; folders made, moved and removed.
  cmdtest::TempDir tmp;
  const std::string content = std::string(200000, '\x5A') + "end";
  cmdtest::WriteBytes(tmp / "src.lzh", content);
  cmdtest::WriteBytes(tmp / "B.TXT", "old");
  struct timespec times[2] = {{1000000000, 500}, {1000000000, 500}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (tmp / "src.lzh").c_str(), times, 0), 0);
  ASSERT_TRUE(CopyFileW(Win(tmp / "src.lzh"), Win(tmp / "dst.lzh"), TRUE) &&
              CopyFileW(Win(tmp / "src.lzh"), Win(tmp / "b.txt"), FALSE));
  struct stat stats {};
  ASSERT_EQ(::stat((tmp / "dst.lzh").c_str(), &stats), 0);
  EXPECT_EQ(std::tuple(stats.st_mtim.tv_sec, ReadBytes(tmp / "dst.lzh"), ReadBytes(tmp / "B.TXT"),
                       EntryCount(tmp.path())), std::tuple(1000000000L, content, content, 3ul));

  const CString b = Win(tmp / "b.txt"), a = Win(tmp / "A");
  // Archive; read-only on, then off; a folder.
  auto after = [](BOOL done, const CString& path) { return done ? GetFileAttributesW(path) : 0; };
  const CString ab = a + u"\\B";
  EXPECT_EQ((std::vector<DWORD>{GetFileAttributesW(b), after(SetFileAttributesW(b, FILE_ATTRIBUTE_READONLY), b),
                                after(SetFileAttributesW(b, FILE_ATTRIBUTE_NORMAL), b),
                                after(DeleteFileW(b) && CreateDirectoryW(a) && CreateDirectoryW(ab), a + u"\\b")}),
            (std::vector<DWORD>{FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY,
                                FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_DIRECTORY}));
  EXPECT_TRUE(MoveFileW(Win(tmp / "dst.lzh"), a + u"\\B\\moved.lzh") && MoveFileW(a, Win(tmp / "C")));
  EXPECT_EQ(cmdtest::ReadBytes(tmp / "C" / "B" / "moved.lzh"), content);
  EXPECT_TRUE(DeleteFileW(Win(tmp / "C" / "B" / "moved.lzh")) && RemoveDirectoryW(Win(tmp / "C") + u"\\b") &&
              RemoveDirectoryW(Win(tmp / "C")));
  EXPECT_EQ(EntryCount(tmp.path()), 1u);

  ULARGE_INTEGER avail{}, total{}, free{}, here{};
  DWORD spc = 0, bps = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceExW(tmp.win(), &avail, &total, &free) &&
              GetDiskFreeSpaceExW(nullptr, nullptr, &here, nullptr) &&
              GetDiskFreeSpaceW(tmp.win(), &spc, &bps, &freeClusters, &clusters));
  EXPECT_TRUE(0 < total.QuadPart && avail.QuadPart <= free.QuadPart && free.QuadPart <= total.QuadPart &&
              spc * bps > 0 && freeClusters <= clusters);

  // What Windows refuses, and an injected failure of each file step: FALSE (or
  // a CFileException naming its cause and file) with the Windows error, the
  // files as they were and no staging file left.
  cmdtest::TempDir work;
  const char* const files[] = {"a.txt", "B.TXT", "ro.txt", "src", "dst", "temp.mst", "zairyou2.mst"};
  for (const char* name : files) cmdtest::WriteBytes(work / name, name);
  fs::create_directories(work / "A" / "B");
  fs::create_directory(work / "empty");
  cmdtest::WriteBytes(work / "A" / "B" / "f", "");
  auto at = [&](const char* name) { return Win(work / name); };
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
  constexpr UINT read = CFile::modeRead, write = CFile::modeWrite, create = CFile::modeCreate;
  char c;
  CFile closing;
  // With err set, the file step is made to fail with err while the call runs.
  struct Case { Call call; DWORD error; FileStep step = {}; int err = 0; };
  const Call copySrc = copy("src", "dst");
  const Case cases[] = {
      {copy("none.txt", "x.txt"), ERROR_FILE_NOT_FOUND},   {copy("a.txt", "no/x.txt"), ERROR_PATH_NOT_FOUND},
      {copy("empty", "x.txt"), ERROR_ACCESS_DENIED},       {copy("a.txt", "empty"), ERROR_ACCESS_DENIED},
      {copy("a.txt", "ro.txt"), ERROR_ACCESS_DENIED},      {copy("a.txt", "A.TXT"), ERROR_SHARING_VIOLATION},
      {copy("a.txt", "b.txt", TRUE), ERROR_FILE_EXISTS},   {copy("no/a.txt", "x.txt"), ERROR_PATH_NOT_FOUND},
      {[&] { return CopyFileW(at("a.txt"), tooLong, FALSE); }, ERROR_FILENAME_EXCED_RANGE},
      {copySrc, ERROR_IO_DEVICE, FileStep::Read, EIO},     {copySrc, ERROR_DISK_FULL, FileStep::Write, ENOSPC},
      {copySrc, ERROR_IO_DEVICE, FileStep::Flush, EIO},    {copySrc, ERROR_IO_DEVICE, FileStep::Close, EIO},
      {copySrc, ERROR_IO_DEVICE, FileStep::Rename, EIO},   {on(DeleteFileW, "lock4"), ERROR_FILE_NOT_FOUND},
      {on(DeleteFileW, "empty"), ERROR_ACCESS_DENIED},     {on(DeleteFileW, "ro.txt"), ERROR_ACCESS_DENIED},
      {[] { return DeleteFileW(nullptr); }, ERROR_PATH_NOT_FOUND},
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
      {find(work.win() + u"*.*"), ERROR_IO_DEVICE, FileStep::List, EIO},
      {open(E::fileNotFound, missing, read), ERROR_FILE_NOT_FOUND},
      {open(E::accessDenied, ro, write), ERROR_ACCESS_DENIED},
      {open(E::accessDenied, empty, read), ERROR_ACCESS_DENIED},
      {throws(E::fileNotFound, missing, [&] { CFile f(missing, read); }), ERROR_FILE_NOT_FOUND},
      {open(E::badPath, at("no/x.mst"), create | write), ERROR_PATH_NOT_FOUND},
      {open(E::badPath, tooLong, create | write), ERROR_FILENAME_EXCED_RANGE},
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
    EXPECT_EQ((std::pair<BOOL, DWORD>{k.call(), GetLastError()}), std::pair(FALSE, k.error));
  }
  for (const char* name : files) EXPECT_EQ(cmdtest::ReadBytes(work / name), name);
  // A failed close closes all the same.
  EXPECT_EQ(std::tuple(closing.IsOpen(), ReadBytes(work / "zairyou1.mst"), EntryCount(work.path()),
                       EntryCount(work / "empty")), std::tuple(FALSE, "", 10ul, 0ul));

  // Read-only cleared, the file goes; the master rewrite: delete, then rename
  // the staging file; a rename that changes only the case of a name.
  ASSERT_TRUE(SetFileAttributesW(ro, FILE_ATTRIBUTE_NORMAL));
  CFile::Remove(ro);
  CFile::Remove(master);
  CFile::Rename(staging, master);
  CFile::Rename(master, at("ZAIRYOU2.MST"));
  EXPECT_EQ(std::pair(ReadBytes(work / "ZAIRYOU2.MST"), EntryCount(work.path())), std::pair("temp.mst"s, 8ul));
}

// ---------------------------------------------------------------- listings
// Windows wildcard matching: "*.*" takes every name, "?" may match nothing
// before a dot or at the end, a trailing "." or ".*" takes names without one,
// ASCII letters only fold case; a long pattern does not backtrack without end.
TEST(CFileFindAndShell, WildcardsListingsPathJoiningAndSpecialFolders) {
  const std::tuple<const char16_t*, const char16_t*, bool> cases[] = {
      {u"*", u"zairyou1.mst", true},  {u"*.*", u"zairyou1.mst", true}, {u"*.*", u"lock3", true},
      {u"*.*", u".profile", true},    {u"*.*", u"a.b.c", true},        {u"*.mst", u"ZAIRYOU1.MST", true},
      {u"*.MST", u"keihi.mst", true},  {u"*.mst", u"a.mst.bak", false}, {u"*.mst", u"a.mstx", false},
      {u"*.mst", u".mst", true},       {u"zai*.mst", u"zai001-3.mst", true}, {u"zai*.mst", u"Zai.mst", true},
      {u"zai*.mst", u"tanni.mst", false}, {u"ＡＢ*", u"ａｂc", false}, {u"電気*", u"電気.txt", true},
      {u"a?.txt", u"ab.txt", true},   {u"a?.txt", u"a.txt", true},     {u"a?.txt", u"abc.txt", false},
      {u"lock?", u"lock3", true},     {u"lock?", u"lock", true},        {u"lock?", u"lock12", false},
      {u"*.lz?", u"a-1.lz2", true},   {u"abc.*", u"abc", true},         {u"abc.*", u"abc.def", true},
      {u"abc.*", u"abcd", false},     {u"*.", u"abc", true},            {u"*.", u"a.b", false}, {u"*a", u"aba", true},
      {u"*a", u"bab", false},         {u"cad1_1.tbl", u"cad1_1.tb", false}, {u"*a*b", u"xaxxb", true},
      {u"*a*b", u"xaxxbc", false},
  };
  for (auto [pattern, name, match] : cases)
    EXPECT_EQ(cmd::path::MatchesWildcard(pattern, name), match) << Utf16ToUtf8(pattern) << " vs " << Utf16ToUtf8(name);
  std::u16string name(5000, u'a'), pattern;
  for (int i = 0; i < 200; ++i) pattern += u"*a";
  EXPECT_TRUE(!cmd::path::MatchesWildcard(pattern + u"b", name) && cmd::path::MatchesWildcard(u"*", name));

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
  EXPECT_FALSE(finder.FindFile(dir.win()) || finder.FindNextFile() || finder.GetLastWriteTime(t) ||
               !finder.GetFileName().IsEmpty());

  cmdtest::WriteBytes(dir / "App" / "BACKUP-1.LZH", "x");
  cmd::path::SetDriveRoot(u'A', (dir / "App").string());
  for (const char16_t* pattern : {u"A:\\*.*", u"a:*.lzh", u"A:\\backup-1.lzh"})
    EXPECT_EQ(List(pattern), std::vector<std::string>{"BACKUP-1.LZH 1"});
  ASSERT_TRUE(finder.FindFile(u"A:\\backup-1.lzh") && !finder.FindNextFile());
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
  ASSERT_TRUE(finder.FindFile(u"backup-1.*") && !finder.FindNextFile());
  EXPECT_EQ(std::pair(finder.GetFilePath(), finder.GetFileTitle()),
            std::pair(Win(fs::current_path()) + u"\\BACKUP-1.LZH", CString(u"BACKUP-1")));
  fs::current_path(previous);

  // 2001-02-03 04:05:06.123456789 UTC and one hundred nanoseconds later.
  struct timespec older[2] = {{981173106, 123456789}, {981173106, 123456789}};
  struct timespec newer[2] = {{981173106, 123456889}, {981173106, 123456889}};
  ASSERT_TRUE(::utimensat(AT_FDCWD, (dir / "tanni.mst").c_str(), older, 0) == 0 &&
              ::utimensat(AT_FDCWD, (dir / "zairyou1.mst").c_str(), newer, 0) == 0);
  for (int i : {0, 1})
    EXPECT_TRUE(finder.FindFile(Win(dir / names[i])) && !finder.FindNextFile() && finder.GetLastWriteTime(&t[i]));
  // (981173106 + 11644473600) * 10^7 + 1234567 ticks.
  EXPECT_EQ(std::tuple((ULONGLONG(t[0].dwHighDateTime) << 32) | t[0].dwLowDateTime, cmd::UnixFromFileTime(t[0]),
                       CompareFileTime(&t[0], &t[1]), CompareFileTime(&t[1], &t[0]), CompareFileTime(&t[0], &t[0])),
            std::tuple(126256467061234567ull, std::time_t(981173106), -1, 1, 0));

  // The shell's joining: "/" is an ordinary character, "." and ".." resolve but
  // never above the root, an absolute name wins, MAX_PATH or more fails (and
  // empties the result).
  const std::u16string name256(256, u'a'), name257(257, u'a'), tooLong(MAX_PATH + 10, u'a'),
      half1(130, u'b'), half2(130, u'c');
  const std::u16string fits = u"C:\\" + name256;  // 259 with its terminator
  const std::tuple<const char16_t*, const char16_t*, const char16_t*> joins[] = {
      {u"C:\\inst\\MASTER\\電気\\", u"zairyou1.mst", u"C:\\inst\\MASTER\\電気\\zairyou1.mst"},
      {u"D:\\APP", u"bmp", u"D:\\APP\\bmp"}, {u"C:", u"one\\two", u"C:\\one\\two"}, {u"\\s\\x", u"\\y", u"\\y"},
      {u"C:\\a\\b", u"\\c", u"C:\\c"}, {u"C:\\", u"\\one\\two\\", u"C:\\one\\two\\"},
      {u"C:\\/\\/", u"\\one\\two\\", u"C:\\one\\two\\"}, {u"relative\\dir", u"\\one\\two\\", nullptr},
      {u"C:\\x", u"\\\\server\\share\\f", u"\\\\server\\share\\f"},
      {u"C:\\", u"one/two/three\\", u"C:\\one/two/three\\"}, {u"../../../one/two/", u"*", u"../../../one/two/\\*"},
      {u"C:\\", u"one\\..\\two\\.\\three", u"C:\\two\\three"}, {u"C:\\one\\.\\..\\two\\three", u"..", u"C:\\two"},
      {u"C:\\a\\b", u"..\\..\\..\\c", u"C:\\c"}, {u"C:\\", nullptr, u"C:\\"}, {u"C:\\", u"", u"C:\\"},
      {u"", u"", u"\\"}, {nullptr, u"one\\two", u"one\\two"}, {nullptr, nullptr, nullptr}, {u" ", nullptr, u" "},
      {u"C:\\x", u"D:\\y", u"D:\\y"}, {u"C:\\", name256.c_str(), fits.c_str()}, {u"C:\\", name257.c_str(), nullptr},
      {u"C:", tooLong.c_str(), nullptr}, {tooLong.c_str(), u"x", nullptr}, {half1.c_str(), half2.c_str(), nullptr},
  };
  for (auto [base, file, result] : joins) {
    char16_t dest[MAX_PATH];
    std::fill(std::begin(dest), std::end(dest), u'#');
    const LPWSTR r = PathCombineW(dest, base, file);
    EXPECT_EQ(std::pair(r, std::u16string(dest)),
              std::pair(result ? dest : nullptr, std::u16string(result ? result : u"")))
        << (base ? Utf16ToUtf8(base) : "null") << " + " << (file ? Utf16ToUtf8(file) : "null");
  }
  EXPECT_EQ(PathCombineW(nullptr, u"C:\\", u"x"), nullptr);

  // The special folders follow the XDG variables, then HOME, else fail; the
  // Windows folder defaults to the configuration folder unless set.
  cmdtest::TempDir home;
  const std::string config = home.str() + "/config", data = home.str() + "/data";
  char16_t path[MAX_PATH];
  auto folder = [&](int csidl) {
    path[0] = u'x';
    const HRESULT r = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::pair(r, Utf16ToUtf8(path));
  };
  using Found = std::vector<std::pair<HRESULT, std::string>>;
  {
    EnvVar a("XDG_CONFIG_HOME", (config + "/").c_str()), b("XDG_DATA_HOME", data.c_str());
    EXPECT_EQ((Found{folder(CSIDL_APPDATA), folder(CSIDL_LOCAL_APPDATA)}), (Found{{S_OK, config}, {S_OK, data}}));
    // Not created unless asked.
    EXPECT_TRUE(!fs::exists(data) && folder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE) == std::pair(S_OK, data) &&
                fs::is_directory(data));
  }
  {
    EnvVar a("XDG_CONFIG_HOME", nullptr), b("XDG_DATA_HOME", "relative/ignored"), h("HOME", home.str().c_str());
    EXPECT_EQ((Found{folder(CSIDL_APPDATA), folder(CSIDL_LOCAL_APPDATA)}),
              (Found{{S_OK, home.str() + "/.config"}, {S_OK, home.str() + "/.local/share"}}));
    EXPECT_TRUE(folder(CSIDL_APPDATA | CSIDL_FLAG_CREATE).first == S_OK && PathFileExistsW(path));
  }
  {
    EnvVar a("XDG_CONFIG_HOME", ""), b("XDG_DATA_HOME", nullptr), h("HOME", nullptr);
    // No default folder either.
    EXPECT_EQ((std::tuple<HRESULT, std::string, HRESULT, UINT>{folder(CSIDL_APPDATA).first, Utf16ToUtf8(path),
                                                               folder(CSIDL_LOCAL_APPDATA).first,
                                                               GetWindowsDirectoryW(path, MAX_PATH)}),
              std::tuple(E_FAIL, "", E_FAIL, 0u));
  }
  EXPECT_EQ(folder(5 /* CSIDL_PERSONAL */).first, E_INVALIDARG);

  EnvVar a("XDG_CONFIG_HOME", home.str().c_str());
  const UINT needed = GetWindowsDirectoryW(path, MAX_PATH);
  EXPECT_EQ(std::pair(Utf16ToUtf8(path), std::size_t(needed)), std::pair(home.str(), home.str().size()));
  char16_t small[4] = {u'z', 0, 0, 0};
  // The size needed, nothing written.
  EXPECT_EQ((std::pair<UINT, char16_t>{GetWindowsDirectoryW(small, 4), small[0]}), std::pair(needed + 1, u'z'));
  cmd::path::SetWindowsFolder(home.str() + "/win/");
  EXPECT_EQ((std::vector<std::string>{cmd::path::GetWindowsFolder(),
                                      (GetWindowsDirectoryW(path, MAX_PATH), Utf16ToUtf8(path)),
                                      (cmd::path::SetWindowsFolder(""), cmd::path::GetWindowsFolder())}),
            (std::vector<std::string>{home.str() + "/win", home.str() + "/win", home.str()}));

  cmdtest::WriteBytes(home / "lock3", "");
  const std::pair<std::string, bool> probes[] = {
      {"\\lock3", true}, {"\\LOCK3", true}, {"\\", true}, {"\\lock4", false}, {std::string(MAX_PATH, 'a'), false}};
  for (const auto& [name, there] : probes)
    EXPECT_EQ(PathFileExistsW(CString::FromUtf8(home.str() + name)), there) << name;
  EXPECT_FALSE(PathFileExistsW(u"") || PathFileExistsW(nullptr));
}

// ---------------------------------------------------------------- text streams
namespace {

// Sets the streams' read block size for the life of the object.
struct ReadBlockSize {
  explicit ReadBlockSize(std::size_t bytes) { cmd::text::SetReadBlockSize(bytes); }
  ~ReadBlockSize() { cmd::text::SetReadBlockSize(0); }
};

class TempFolder : public ::testing::Test {
 protected:
  CString Path(const char* name) const { return dir_.win() + CString::FromUtf8(name); }
  fs::path Host(const char* name) const { return dir_ / name; }

  // Writes `texts` with WriteString through a stream opened with `mode`, and
  // returns the file's bytes as hex.
  std::string Written(const char* name, const char16_t* mode,
                      const std::vector<const char16_t*>& texts) {
    CStdioFile f;
    EXPECT_TRUE(f.Open(Path(name), mode)) << f.GetErrno();
    for (const char16_t* t : texts) f.WriteString(t);
    EXPECT_TRUE(f.Close());
    return Hex(ReadBytes(Host(name)));
  }

  // The lines, each followed by "|", that a ReadString loop gets from `bytes`
  // read with `mode`, the same in blocks of every size from 1 to 9 bytes
  // (characters, CR LF pairs, marks and Ctrl-Z split at every position);
  // ReadLines, which reads as "rt,ccs=UNICODE", must agree.
  std::u16string Lines(std::string_view bytes, const char16_t* mode) {
    fs::remove(Host("in.txt"));  // truncating a file is slow on some file systems
    WriteBytes(Host("in.txt"), bytes);
    std::u16string lines = Read(mode), whole;
    for (std::size_t block = 1; block <= 9; ++block) {
      ReadBlockSize small(block);
      EXPECT_EQ(Read(mode), lines) << "block " << block;
    }
    std::vector<CString> all;
    if (mode != u"rt,ccs=UNICODE"sv) return lines;
    EXPECT_TRUE(cmd::text::ReadLines(Path("in.txt"), all));
    for (const CString& line : all) whole += line.str() + u"|";
    EXPECT_EQ(whole, lines);
    return lines;
  }

  std::u16string Read(const char16_t* mode) {
    CStdioFile f;
    if (!f.Open(Path("in.txt"), mode)) return u"(open failed)";
    std::u16string lines;
    for (CString line; f.ReadString(line);) lines += line.str() + u"|";
    EXPECT_FALSE(f.Failed());
    return lines;
  }

  TempDir dir_;
};

using TextStream = TempFolder;
using CrtFiles = TempFolder;

}  // namespace

// The bytes each write mode gives, in order on the same files: marks, CR LF,
// best fit in ANSI text, surrogates split between writes, and appends that
// go on in the file's own encoding. Only "w" streams (new content) are
// flushed to disk at the close.
TEST_F(TextStream, WritesReadsAndReportsFailures) {
  const struct { const char16_t* mode; std::vector<const char16_t*> texts; const char* hex;
                 const char* name = "out.txt"; std::optional<std::string> before = {}; } writes[] = {
      {u"wt,ccs=UNICODE", {u"a\n"}, "FF FE 61 00 0D 00 0A 00"},
      {u"wt,ccs=UNICODE", {u"\r\n"}, "FF FE 0D 00 0D 00 0A 00"},
      {u"wt,ccs=UTF-16LE", {u"電\n"}, "FF FE FB 96 0D 00 0A 00"}, {u"w,ccs=UNICODE", {}, "FF FE"},
      {u"wt,ccs=UTF-8", {u"é\n"}, "EF BB BF C3 A9 0D 0A"}, {u"wt", {u"ケ\n", u"é¥〜"}, "83 50 0D 0A 65 5C 3F"},
      // Wide text on a binary stream is raw UTF-16LE; a ccs adds its mark.
      {u"wb", {u"a\n"}, "61 00 0A 00"}, {u"w+b,ccs=UTF-16LE", {u"x"}, "FF FE 78 00"},
      {u"wb,ccs=UNICODE", {u"a\r\nb\n"}, "FF FE 61 00 0D 00 0A 00 62 00 0A 00"},
      {u"wb,ccs=UTF-8", {u"あ"}, "EF BB BF 42 30"}, {u"wt,ccs=UNICODE", {u"b"}, "FF FE 62 00"},
      {u"wt,ccs=UTF-8", {u"\xD83D", u"\xDE00"}, "EF BB BF F0 9F 98 80"},
      {u"wt,ccs=UTF-8", {u"x\xD83D"}, "EF BB BF 78 EF BF BD"},
      // The mark goes only to a missing or empty file.
      {u"at,ccs=UNICODE", {u"a\n"}, "FF FE 61 00 0D 00 0A 00", "log.txt"},
      {u"at,ccs=UNICODE", {u"b\n"}, "FF FE 61 00 0D 00 0A 00 62 00 0D 00 0A 00", "log.txt"},
      {u"at,ccs=UNICODE", {u"a"}, "FF FE 61 00", "empty.txt", ""},
      {u"at,ccs=UTF-16LE", {u"a"}, "FF FE 61 00", "new16.txt"}, {u"at,ccs=UTF-8", {u"a"}, "EF BB BF 61", "new8.txt"},
      {u"ab,ccs=UNICODE", {u"a\n"}, "FF FE 61 00 0A 00", "bin16.txt"},
      {u"ab,ccs=UNICODE", {u"b"}, "FF FE 61 00 0A 00 62 00", "bin16.txt"},
      // No mark: ANSI under ccs=UNICODE, UTF-16LE under ccs=UTF-16LE; a mark
      // wins over the ccs; plain "at" is ANSI whatever the file holds.
      {u"at,ccs=UNICODE", {u"ケ\n"}, "78 0D 0A 83 50 0D 0A", "ansi.txt", "x\r\n"},
      {u"at,ccs=UTF-16LE", {u"y\n"}, "78 00 79 00 0D 00 0A 00", "plain16.txt", "x\0"s},
      {u"at,ccs=UNICODE", {u"é"}, "EF BB BF 78 C3 A9", "utf8.txt", "\xEF\xBB\xBFx"},
      {u"at,ccs=UTF-8", {u"y"}, "FF FE 78 00 79 00", "marked16.txt", Utf16le(u"x")},
      {u"at", {u"ア\n"}, "FF FE 78 00 83 41 0D 0A", "any.txt", Utf16le(u"x")},
  };
  int flushes = 0;
  auto previous = cmd::os::SetFaultHook([&](FileStep s, const std::string&) {
    flushes += s == FileStep::Flush;
    return 0;
  });
  for (const auto& c : writes) {
    if (c.before) WriteBytes(Host(c.name), *c.before);
    flushes = 0;
    EXPECT_EQ(std::pair(Written(c.name, c.mode, c.texts), flushes),
              std::pair(std::string(c.hex), c.mode[0] == u'w' ? 1 : 0)) << c.name << " " << Utf16ToUtf8(c.mode);
  }
  // An explicit Flush of an append reaches the disk; the destructor writes
  // the rest and closes.
  flushes = 0;
  {
    CStdioFile f;
    ASSERT_TRUE(f.Open(Path("log.txt"), u"at,ccs=UNICODE"));
    f.WriteString(u"c");
    EXPECT_TRUE(f.Flush());
    f.WriteString(u"d");
  }
  cmd::os::SetFaultHook(previous);
  EXPECT_EQ(std::pair(flushes, ReadBytes(Host("log.txt"))), std::pair(1, Utf16le(u"a\r\nb\r\ncd")));
  WriteBytes(Host("bin.dat"), "\x01");
  CStdioFile f;
  ASSERT_TRUE(f.Open(Path("bin.dat"), u"ab"));
  f.Write("\x02\x03", 2);
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(Hex(ReadBytes(Host("bin.dat"))), "01 02 03");

  // How files read back: the mark decides the encoding, UTF-16 units are no
  // bytes, binary streams see raw units, invalid text reads with replacements.
  const std::string utf16 = Utf16le(u"1,電気\r\n2,水道\r\n"), plain16 = Utf16le(u"a\r\nb", false),
                    utf8 = "\xEF\xBB\xBF" "1,\xE9\x9B\xBB\r\n";
  const struct { std::string bytes; const char16_t* mode; const char16_t* lines; } reads[] = {
      {utf16, u"rt,ccs=UNICODE", u"1,電気|2,水道|"}, {utf16, u"rt,ccs=UTF-8", u"1,電気|2,水道|"},
      {utf8, u"rt,ccs=UNICODE", u"1,電|"},           {utf8, u"rt,ccs=UTF-16LE", u"1,電|"},
      // Without a mark: ANSI under ccs=UNICODE, UTF-16LE under ccs=UTF-16LE.
      {"1,\x93\x64\x8B\x43\r\n", u"rt,ccs=UNICODE", u"1,電気|"},
      {plain16, u"rt,ccs=UTF-16LE", u"a|b|"}, {"\xE9\x9B\xBB", u"rt,ccs=UTF-8", u"電|"},
      // Binary streams read raw units after any mark: CR LF stays.
      {utf16, u"rb,ccs=UNICODE", u"1,電気\r|2,水道\r|"}, {plain16, u"rb,ccs=UNICODE", u"a\r|b|"},
      {"\xEF\xBB\xBF" + Utf16le(u"a", false), u"r+b,ccs=UTF-8", u"a|"}, {Utf16le(u"a\r\nb"), u"rb", u"\uFEFFa\r|b|"},
      // Plain "rt" reads 932 and looks for no mark.
      {"\x83\x50\r\n", u"rt", u"ケ|"}, {"\xFF\xFE" "a", u"rt", u"\uF8F3\uF8F2a|"},
      // A mark alone, and files shorter than a mark.
      {"\xFF\xFE", u"rt,ccs=UNICODE", u""}, {"", u"rt,ccs=UNICODE", u""},
      {"\xEF\xBB", u"rt,ccs=UNICODE", u"\u30FB|"}, {"\xFF", u"rt,ccs=UNICODE", u"\uF8F3|"},
      // 0x0A, 0x0D and 0x1A inside UTF-16 units are no line ends and no end
      // of file; an odd last byte is no character.
      {Utf16le(u"\u0A0D\u1A00\u041A\r\nx"), u"rt,ccs=UNICODE", u"\u0A0D\u1A00\u041A|x|"},
      {Utf16le(u"ab") + "c", u"rt,ccs=UNICODE", u"ab|"}, {Utf16le(u"a\r") + "c", u"rt,ccs=UNICODE", u"a\r|"},
      // A broken 932 pair keeps its line end; invalid UTF-8; lone
      // surrogates in UTF-16 are passed on.
      {"a\x81\r\nb\x85\x40\x81\rx\x81\n\x80\xA0\xFD\r\n\xB1\x83\x50\x1A" "c\x81", u"rt,ccs=UNICODE",
       u"a\u30FB|b\u30FB\u30FB\rx\u30FB|\u0080\uF8F0\uF8F1|\uFF71ケ|"},
      {"\xEF\xBB\xBF" "a\xC0\xE3\x81\r\n\xF0\x9F\x98\x80\r\r\nb\xE3", u"rt,ccs=UNICODE",
       u"a\uFFFD\uFFFD|\U0001F600\r|b\uFFFD|"},
      {Utf16le(u"\xD800x\r\n"), u"rt,ccs=UNICODE", u"\xD800x|"},
  };
  for (const auto& c : reads)
    EXPECT_EQ(Lines(c.bytes, c.mode), c.lines) << Hex(c.bytes) << " " << Utf16ToUtf8(c.mode);

  // Line ends in ANSI and UTF-16 alike: a lone CR stays, CR LF and LF end a
  // line, Ctrl-Z ends the input.
  const std::pair<std::u16string_view, const char16_t*> ends[] = {
      {u"a\rb\r\nc\nd", u"a\rb|c|d|"}, {u"\r\n\r\n", u"||"}, {u"a\r", u"a\r|"},
      {u"a\r\r\n", u"a\r|"}, {u"a\n\r", u"a|\r|"}, {u"\x1A" u"a", u""}, {u"a\r\nb\x1A" u"c\r\nd\r\n", u"a|b|"},
  };
  for (const auto& [text, lines] : ends)
    EXPECT_EQ(std::pair(Lines(Utf16ToUtf8(text), u"rt"), Lines(Utf16le(text), u"rt,ccs=UNICODE")),
              std::pair(std::u16string(lines), std::u16string(lines))) << Utf16ToUtf8(text);

  // A NUL ends a line's text; a line that starts with NUL reads as FALSE and
  // the stream goes on after it. The whole-file reader stops there.
  std::string nul = Utf16le(u"ab\0cd\r\nef\r\n\0g\r\nh"s);
  WriteBytes(Host("nul.txt"), nul);
  ASSERT_TRUE(f.Open(Path("nul.txt"), u"rt,ccs=UNICODE"));
  CString line;
  std::u16string got;
  for (int i = 0; i < 6; ++i) got += f.ReadString(line) ? line.str() + u"|" : u"FALSE|";
  EXPECT_EQ(got, u"ab|ef|FALSE|h|FALSE|FALSE|");
  std::vector<CString> lines;
  cmd::text::DecodeLines(nul, lines);
  EXPECT_EQ(lines, (std::vector<CString>{u"ab", u"ef"}));

  // In an update stream a write goes where the reading stopped.
  WriteBytes(Host("b.dat"), "0123456789");
  {
    ReadBlockSize small(3);
    ASSERT_TRUE(f.Open(Path("b.dat"), u"r+b"));
    char buf[16] = {};
    EXPECT_EQ((std::vector<UINT>{f.Read(buf, 4), (f.Write("ab", 2), f.Read(buf, 16)), f.Read(buf + 4, 16),
                                 UINT(f.Close())}), (std::vector<UINT>{4, 4, 0, TRUE}));
    EXPECT_EQ(std::string(buf, 4), "6789");
  }
  // Binary reads in pieces, and at the end: the write went to the disk.
  ASSERT_TRUE(f.Open(Path("b.dat"), u"rb"));
  char bytes[12] = {};
  EXPECT_EQ((std::vector<UINT>{f.Read(bytes, 2), f.Read(bytes + 2, 10), f.Read(bytes, 8)}),
            (std::vector<UINT>{2, 8, 0}));
  EXPECT_EQ(std::string(bytes, 10), "0123ab6789");

  // Malformed modes, missing files and folders, writes of the wrong kind and
  // failed file steps are reported with the runtime's errno; the file stays
  // as it was.
  WriteBytes(Host("m.txt"), "x");
  for (const char16_t* bad : {u"", u"x", u"rr", u"rtb", u"r++", u"r,ccs=UTF-32",
                              u"rb,ccs=UTF-32", u"r,css=UNICODE", u"rt,ccs=UNICODE junk"})
    EXPECT_EQ((std::pair<bool, int>{f.Open(Path("m.txt"), bad) || f.IsOpen(), f.GetErrno()}), std::pair(false, EINVAL))
        << Utf16ToUtf8(bad);
  for (const char16_t* good : {u"r", u"rt", u"rb", u"r+b", u"rb+", u"r+", u"rt, ccs = unicode",
                               u"rtS,ccs=UTF-16LE", u"a+", u"a+t,ccs=UNICODE"})
    EXPECT_TRUE(f.Open(Path("m.txt"), good) && f.IsOpen()) << Utf16ToUtf8(good);
  fs::create_directory(Host("folder"));
  for (auto [name, mode, error] : {std::tuple{"missing.txt", u"rt,ccs=UNICODE", ENOENT},
                                   {"no\\such\\folder\\x.txt", u"wt,ccs=UNICODE", ENOENT},
                                   {"folder", u"rt", EACCES}})
    EXPECT_EQ((std::pair<BOOL, int>{f.Open(Path(name), mode), f.GetErrno()}), std::pair(FALSE, error)) << name;
  f.WriteString(u"ignored");  // no file open
  EXPECT_FALSE(f.ReadString(line) || f.IsOpen() || cmd::text::ReadLines(Path("missing.txt"), lines));
  // Text on a read stream, bytes on a text stream.
  for (auto [name, mode, error] : {std::tuple{"m.txt", u"rt", EBADF}, {"t.txt", u"wt,ccs=UNICODE", EINVAL}}) {
    ASSERT_TRUE(f.Open(Path(name), mode));
    error == EBADF ? f.WriteString(u"y") : f.Write("ab", 2);
    EXPECT_EQ((std::vector<int>{f.GetErrno(), f.Close()}), (std::vector<int>{error, FALSE})) << name;
  }
  EXPECT_EQ(ReadBytes(Host("m.txt")), "x");

  // Every file step that fails is reported by the call that meets it (Close
  // for the last write, its flush and the close itself), with its errno, and
  // the outcome stays until the next Open; the file stays as it was.
  const std::u16string chunk(100000, u'x');
  WriteBytes(Host("u.dat"), "abcdef");
  const auto lineThenClose = [](CStdioFile& f) { return f.WriteString(u"1,a\n"), f.Close(); };
  const struct { FileStep step; int error; const char* name; const char16_t* mode;
                 std::function<bool(CStdioFile&)> meet; } steps[] = {
      {FileStep::Write, ENOSPC, "temp.mst", u"wt,ccs=UNICODE", lineThenClose},
      {FileStep::Flush, EIO, "temp.mst", u"wt,ccs=UNICODE", lineThenClose},
      {FileStep::Close, EIO, "temp.mst", u"wt,ccs=UNICODE", lineThenClose},
      // A write that fails while the buffer fills: later writes are dropped.
      {FileStep::Write, ENOSPC, "big.mst", u"wt,ccs=UNICODE", [&](auto& f) {
         for (int i = 0; i < 5; ++i) f.WriteString(chunk.c_str());
         return !f.Failed();
       }},
      // A failed seek back over what was read ahead, in an update stream.
      {FileStep::Seek, EIO, "u.dat", u"r+b", [](auto& f) {
         char buf[2];
         EXPECT_EQ(f.Read(buf, 2), 2u);
         return f.Write("XY", 2), f.Close();
       }},
      // Flush reports a failed flush of an append, which Close does not flush.
      {FileStep::Flush, EIO, "append.txt", u"at,ccs=UNICODE", [](auto& f) { return f.WriteString(u"x\n"), f.Flush(); }},
  };
  for (const auto& c : steps) {
    ASSERT_TRUE(f.Open(Path(c.name), c.mode));
    FailStep fail(c.step, c.error);
    EXPECT_FALSE(c.meet(f)) << c.name;
    EXPECT_EQ((std::vector<int>{f.Failed(), f.GetErrno(), f.Close(), f.IsOpen(), f.Failed()}),
              (std::vector<int>{TRUE, c.error, FALSE, FALSE, TRUE})) << c.name << " " << int(c.step);
  }
  EXPECT_EQ(ReadBytes(Host("u.dat")), "abcdef");
  // Failures at Open (the mark is read there), and a failed read for ReadString.
  WriteBytes(Host("r.txt"), Utf16le(u"a\r\n"));
  for (auto [step, error] : {std::pair{FileStep::Open, EMFILE}, {FileStep::Read, EIO}}) {
    FailStep fail(step, error);
    EXPECT_EQ((std::pair<BOOL, int>{f.Open(Path("r.txt"), u"rt,ccs=UNICODE"), f.GetErrno()}), std::pair(FALSE, error));
  }
  FailStep fail(FileStep::Read, EIO);
  ASSERT_TRUE(f.Open(Path("r.txt"), u"rt"));
  EXPECT_EQ((std::vector<int>{f.ReadString(line), f.Failed(), f.GetErrno()}), (std::vector<int>{FALSE, TRUE, EIO}));
}

// ------------------------------------------------- runtime paths and folders

namespace {

// Drive, folder, name and extension as "C:|\dir\|name|.ext".
std::string Split(const char16_t* path) {
  char16_t drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
  _wsplitpath(path, drive, dir, fname, ext);
  return Utf16ToUtf8(std::u16string(drive) + u"|" + dir + u"|" + fname + u"|" + ext);
}

// Each call's result: 0, or the errno after a -1.
int Rc(int result) { return result == 0 ? 0 : result == -1 ? errno : -999; }
void ExpectCodes(std::initializer_list<std::pair<int, int>> calls) {
  for (auto call = calls.begin(); call != calls.end(); ++call)
    EXPECT_EQ(call->first, call->second) << "call " << call - calls.begin();
}

}  // namespace

// Paths split as the runtime splits them, the bounded form emptying every
// part when one is short; the folder and file calls with the runtime's
// errno values.
TEST_F(CrtFiles, PathsFoldersFilesAndWindowsPaths) {
  const std::pair<const char16_t*, const char*> cases[] = {
      {u"C:\\inst\\MASTER\\zairyou1.mst", "C:|\\inst\\MASTER\\|zairyou1|.mst"},
      {u"C:\\DATA\\見積\\", "C:|\\DATA\\見積\\||"}, {u"\\dir\\", "|\\dir\\||"}, {u"file", "||file|"},
      {u"a.b.c", "||a.b|.c"}, {u"C:file.txt", "C:||file|.txt"}, {u"C:", "C:|||"},
      {u"x.y\\name", "|x.y\\|name|"}, {u"d:/mixed\\sep/f.", "d:|/mixed\\sep/|f|."}, {u".profile", "|||.profile"},
      {u"..", "||.|."}, {u"1:odd", "1:||odd|"}, {u"", "|||"}, {nullptr, "|||"},
  };
  for (const auto& [path, parts] : cases) EXPECT_EQ(Split(path), parts) << CString(path).ToUtf8();
  char16_t dir[_MAX_DIR], fname[_MAX_FNAME], ext[8], drive[3];
  _wsplitpath(u"C:\\a\\b.c", nullptr, dir, nullptr, nullptr);
  _wsplitpath((std::u16string(300, u'n') + u".ext").c_str(), nullptr, nullptr, fname, nullptr);
  EXPECT_EQ(std::u16string(dir) + u"|" + fname, u"\\a\\|" + std::u16string(_MAX_FNAME - 1, u'n'));
  EXPECT_EQ(_wsplitpath_s(u"C:\\ab\\name.txt", drive, 3, dir, 8, fname, 8, ext, 8), 0);
  EXPECT_EQ(std::u16string(dir) + u"|" + fname + u"|" + ext, u"\\ab\\|name|.txt");
  // "\abcdefg\" needs 10 units.
  EXPECT_EQ((std::pair<int, int>{_wsplitpath_s(u"C:\\abcdefg\\n.t", drive, 3, dir, 8, fname, 8, ext, 8),
                                 drive[0] | dir[0] | fname[0] | ext[0]}), std::pair(ERANGE, 0));
  EXPECT_EQ(_wsplitpath_s(nullptr, drive, 3, dir, 8, fname, 8, ext, 8), EINVAL);
  EXPECT_EQ(_wsplitpath_s(u"a", drive, 0, dir, 8, fname, 8, ext, 8), EINVAL);
  EXPECT_EQ(_wsplitpath_s(u"a.b", nullptr, 0, nullptr, 0, fname, 8, nullptr, 0), 0);
  EXPECT_EQ(std::u16string(fname), u"a");

  // The folder into the caller's buffer (-1: somewhere else), one unit
  // short, no size, into a buffer of its own: the text or the errno.
  std::u16string cwd = Utf8ToUtf16(fs::current_path().string()), buf(cwd.size() + 1, u'#');
  auto cwdIn = [](char16_t* into, int size) {
    errno = 0;
    char16_t* got = _wgetcwd(into, size);
    const std::pair<std::u16string, int> seen{got ? got : u"", got ? -(into && got != into) : errno};
    if (!into) std::free(got);
    return seen;
  };
  using Got = std::vector<std::pair<std::u16string, int>>;
  EXPECT_EQ((Got{cwdIn(buf.data(), int(buf.size())), cwdIn(buf.data(), int(cwd.size())), cwdIn(buf.data(), 0),
                 cwdIn(nullptr, 0)}), (Got{{cwd, 0}, {u"", ERANGE}, {u"", EINVAL}, {cwd, 0}}));

  CString a = Path("A"), ini = a + u"\\MITUNO.INI";
  ExpectCodes({{Rc(_wmkdir(a)), 0}, {Rc(_wmkdir(a)), EEXIST}, {Rc(_wmkdir(a + u"\\B\\C")), ENOENT},
               {Rc(_wmkdir(CString(std::u16string(MAX_PATH, u'd')))), ENOENT},
               {Rc(_waccess(a, 0)), 0}, {Rc(_waccess(a, 6)), 0},
               {Rc(_waccess(a + u"\\none", 0)), ENOENT}, {Rc(_waccess(a, 1)), EINVAL}});
  WriteBytes(dir_ / "A" / "mituno.ini", "x");
  SetFileAttributesW(ini, FILE_ATTRIBUTE_READONLY);
  ExpectCodes({{Rc(_waccess(ini, 4)), 0}, {Rc(_waccess(ini, 2)), EACCES},
               {Rc(_wremove(ini)), EACCES}});
  SetFileAttributesW(ini, FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(Rc(_wrmdir(a)), ENOTEMPTY);
  WriteBytes(dir_ / "A" / "other.ini", "y");
  ExpectCodes({{Rc(_wrename(ini, a + u"\\other.ini")), EEXIST},
               {Rc(_wrename(ini, a + u"\\renamed.ini")), 0}});
  EXPECT_EQ(ReadBytes(dir_ / "A" / "renamed.ini"), "x");
  ExpectCodes({{Rc(_wremove(a + u"\\renamed.ini")), 0},
               {Rc(_wremove(a + u"\\renamed.ini")), ENOENT}, {Rc(_wremove(a)), EACCES},  // a folder
               {Rc(_wremove(a + u"\\other.ini")), 0}, {Rc(_wrmdir(a)), 0}});
  EXPECT_FALSE(fs::exists(dir_ / "A"));

  // Windows paths to host paths: both separators, names matched without case
  // (ASCII only) against what exists, the drive map, and what Windows refuses.
  fs::create_directories(dir_ / "MASTER" / "電気");
  fs::create_directories(dir_ / "LAYOUT");
  fs::create_directories(dir_ / "ＡＢ");
  WriteBytes(dir_ / "LAYOUT" / "Layout.ini", "x");
  const std::string root = dir_.str(), longName(MAX_PATH - 1, 'a');
  cmd::path::SetDriveRoot(u'a', root);
  const std::pair<std::string, std::string> hosts[] = {
      {root + "\\MASTER\\電気\\", root + "/MASTER/電気/"},
      {root + "/MASTER/電気\\zairyou1.mst", root + "/MASTER/電気/zairyou1.mst"},
      {root + "\\layout\\LAYOUT.INI", root + "/LAYOUT/Layout.ini"},
      {root + "\\layout\\New\\a.txt", root + "/LAYOUT/New/a.txt"},  // a new name as spelled
      {root + "\\ａｂ", root + "/ａｂ"}, {"rel\\x.ini", "rel/x.ini"}, {longName, longName}, {"", ""},
      // The host's root with a name joined by a backslash is no share.
      {"/\\pelmar1.ini", "/pelmar1.ini"}, {"\\\\server\\share\\x", ""}, {"\\/server/share/x", ""},
      // A drive letter mapped in either case (one not mapped, and a name too long, fail below).
      {"A:\\BACKUP.001", root + "/BACKUP.001"}, {"a:", root},
  };
  for (const auto& [win, host] : hosts)
    EXPECT_EQ(cmd::path::ToHostOrEmpty(Utf8ToUtf16(win)), host) << win;
  std::string out;
  for (auto [win, error] : {std::pair{longName + "a", ERROR_FILENAME_EXCED_RANGE}, {"Q:\\x"s, ERROR_PATH_NOT_FOUND}})
    EXPECT_EQ((std::pair<bool, DWORD>{cmd::path::ToHost(Utf8ToUtf16(win), out), GetLastError()}),
              std::pair(false, error)) << win;
  cmd::path::SetDriveRoot(u'A', "");
}
