#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <vector>

#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/filefind.h"
#include "cmddll3/platform/winpath.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using cmd::path::MatchesWildcard;

namespace {

CString Win(const fs::path& p) { return CString::FromUtf8(p.string()); }

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

}  // namespace

TEST(Wildcard, WindowsMatchingTable) {
  struct Case {
    const char16_t* pattern;
    const char16_t* name;
    bool match;
  };
  const Case cases[] = {
      // "*" and "*.*" take every name, with or without a dot.
      {u"*", u"zairyou1.mst", true},
      {u"*.*", u"zairyou1.mst", true},
      {u"*.*", u"lock3", true},
      {u"*.*", u".profile", true},
      {u"*.*", u"a.b.c", true},
      // Extensions, case-insensitively for ASCII letters only.
      {u"*.mst", u"zairyou1.mst", true},
      {u"*.mst", u"ZAIRYOU1.MST", true},
      {u"*.MST", u"keihi.mst", true},
      {u"*.mst", u"a.mst.bak", false},
      {u"*.mst", u"a.mstx", false},
      {u"*.mst", u".mst", true},
      {u"zai*.mst", u"zai001-3.mst", true},
      {u"zai*.mst", u"Zai.mst", true},
      {u"zai*.mst", u"tanni.mst", false},
      {u"ＡＢ*", u"ａｂc", false},
      {u"電気*", u"電気.txt", true},
      // "?" is one character, or nothing before a dot or at the end.
      {u"?", u"a", true},
      {u"?", u"ab", false},
      {u"a?.txt", u"ab.txt", true},
      {u"a?.txt", u"a.txt", true},
      {u"a?.txt", u"abc.txt", false},
      {u"???.txt", u"a.txt", true},
      {u"lock?", u"lock3", true},
      {u"lock?", u"lock", true},
      {u"lock?", u"lock12", false},
      {u"*.lz?", u"a-1.lz2", true},
      {u"*.lz?", u"a-1.lzh", true},
      // A trailing ".*" or "." also matches a name without extension.
      {u"abc.*", u"abc", true},
      {u"abc.*", u"abc.def", true},
      {u"abc.*", u"abcd", false},
      {u"*.", u"abc", true},
      {u"*.", u"a.b", false},
      // Literal names.
      {u"cad1_1.tbl", u"CAD1_1.TBL", true},
      {u"cad1_1.tbl", u"cad1_1.tb", false},
      {u"*a", u"aba", true},
      {u"*a", u"bab", false},
      {u"*a*b", u"xaxxb", true},
      {u"*a*b", u"xaxxbc", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.match)
        << Utf16ToUtf8(c.pattern) << " vs " << Utf16ToUtf8(c.name);
  }
}

TEST(Wildcard, LongInputsStayLinear) {
  std::u16string name(5000, u'a');
  std::u16string pattern;
  for (int i = 0; i < 200; ++i) pattern += u"*a";
  pattern += u"b";
  EXPECT_FALSE(MatchesWildcard(pattern, name));
  EXPECT_TRUE(MatchesWildcard(u"*", name));
}

TEST(CFileFind, ListsMatchingEntriesWithDotsFirst) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "zairyou1.mst", "1");
  cmdtest::WriteBytes(dir / "ZAIRYOU2.MST", "22");
  cmdtest::WriteBytes(dir / "zai001-3.mst", "333");
  cmdtest::WriteBytes(dir / "tanni.mst", "");
  fs::create_directory(dir / "zaisub.mst");

  std::vector<std::string> all = List(dir.win() + u"*.*");
  ASSERT_EQ(all.size(), 7u);
  EXPECT_EQ(all[0], ".");
  EXPECT_EQ(all[1], "..");

  std::vector<std::string> zai = List(dir.win() + u"ZAI*.MST");
  std::set<std::string> got(zai.begin(), zai.end());
  EXPECT_EQ(got, (std::set<std::string>{"zairyou1.mst", "ZAIRYOU2.MST", "zai001-3.mst",
                                        "zaisub.mst"}));

  CFileFind finder;
  ASSERT_TRUE(finder.FindFile(dir.win() + u"zai*.mst"));
  int files = 0;
  ULONGLONG bytes = 0;
  BOOL more = TRUE;
  while (more) {
    more = finder.FindNextFile();
    EXPECT_FALSE(finder.IsDots());
    if (finder.IsDirectory()) {
      EXPECT_EQ(finder.GetFileName(), CString(u"zaisub.mst"));
      continue;
    }
    ++files;
    bytes += finder.GetLength();
    EXPECT_EQ(finder.GetFilePath(), dir.win() + finder.GetFileName());
  }
  EXPECT_EQ(files, 3);
  EXPECT_EQ(bytes, 6u);
  EXPECT_EQ(finder.GetRoot(), dir.win());
  // Past the last entry there is nothing more.
  EXPECT_FALSE(finder.FindNextFile());
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
}

TEST(CFileFind, DotsAreDirectories) {
  cmdtest::TempDir dir;
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile(dir.win() + u"*"));
  ASSERT_TRUE(finder.FindNextFile());
  EXPECT_EQ(finder.GetFileName(), CString(u"."));
  EXPECT_TRUE(finder.IsDots());
  EXPECT_TRUE(finder.IsDirectory());
  EXPECT_FALSE(finder.FindNextFile());  // ".." is the last one
  EXPECT_EQ(finder.GetFileName(), CString(u".."));
  EXPECT_TRUE(finder.IsDots());
  // "*.mst" does not match the dots: an empty folder has no match.
  EXPECT_FALSE(CFileFind().FindFile(dir.win() + u"*.mst"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(CFileFind, DriveRootHasNoDots) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "BACKUP-1.LZH", "x");
  cmd::path::SetDriveRoot(u'A', dir.str());
  EXPECT_EQ(List(u"A:\\*.*"), std::vector<std::string>{"BACKUP-1.LZH"});
  EXPECT_EQ(List(u"a:*.lzh"), std::vector<std::string>{"BACKUP-1.LZH"});
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile(u"A:\\backup-1.lzh"));
  finder.FindNextFile();
  EXPECT_EQ(finder.GetFilePath(), CString(u"A:\\BACKUP-1.LZH"));
  cmd::path::SetDriveRoot(u'A', "");
  EXPECT_FALSE(CFileFind().FindFile(u"A:\\*.*"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(CFileFind, MissingFolderAndOddPatterns) {
  cmdtest::TempDir dir;
  CFileFind finder;
  EXPECT_FALSE(finder.FindFile(Win(dir / "none") + u"\\*.*"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(finder.FindFile(dir.win()));  // a folder without a wildcard
  EXPECT_FALSE(finder.FindFile(CString(std::u16string(MAX_PATH, u'a'))));
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_FALSE(finder.FindNextFile());
  EXPECT_TRUE(finder.GetFileName().IsEmpty());
  FILETIME ft;
  EXPECT_FALSE(finder.GetLastWriteTime(&ft));
}

TEST(CFileFind, RelativePatternListsTheCurrentFolder) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "param.txt", "p");
  fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile(u"PARAM.*"));
  finder.FindNextFile();
  EXPECT_EQ(finder.GetFileName(), CString(u"param.txt"));
  EXPECT_EQ(finder.GetFilePath(), Win(fs::current_path()) + u"\\param.txt");
  EXPECT_EQ(finder.GetFileTitle(), CString(u"param"));
  fs::current_path(previous);
}

TEST(CFileFind, LastWriteTimeKeepsNanosecondsAndOrders) {
  cmdtest::TempDir dir;
  cmdtest::WriteBytes(dir / "zairyou1.mst", "a");
  cmdtest::WriteBytes(dir / "cad1_1.tbl", "b");
  // 2001-02-03 04:05:06.123456789 UTC and one hundred nanoseconds later.
  struct timespec older[2] = {{981173106, 123456789}, {981173106, 123456789}};
  struct timespec newer[2] = {{981173106, 123456889}, {981173106, 123456889}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "cad1_1.tbl").c_str(), older, 0), 0);
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "zairyou1.mst").c_str(), newer, 0), 0);

  auto writeTime = [&](const char16_t* name) {
    CFileFind finder;
    FILETIME ft{};
    EXPECT_TRUE(finder.FindFile(dir.win() + name));
    finder.FindNextFile();
    EXPECT_TRUE(finder.GetLastWriteTime(&ft));
    return ft;
  };
  FILETIME table = writeTime(u"cad1_1.tbl");
  FILETIME master = writeTime(u"zairyou1.mst");
  // (981173106 + 11644473600) * 10^7 + 1234567 ticks.
  ULONGLONG ticks = (ULONGLONG(table.dwHighDateTime) << 32) | table.dwLowDateTime;
  EXPECT_EQ(ticks, 126256467061234567ull);
  EXPECT_EQ(CompareFileTime(&table, &master), -1);
  EXPECT_EQ(CompareFileTime(&master, &table), 1);
  EXPECT_EQ(CompareFileTime(&table, &table), 0);
  EXPECT_EQ(cmd::UnixFromFileTime(table), 981173106);
}
