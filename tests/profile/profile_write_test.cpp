// Writing settings files: in-place edits, byte for byte, in each encoding;
// encodings kept or widened; failures that leave the file as it was.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <functional>

#include "cmddll3/platform/osfile.h"
#include "profile_support.h"

using namespace proftest;
using namespace std::literals;

namespace {

constexpr Enc kEncodings[] = {Enc::Ansi, Enc::Utf16, Enc::Utf8};

class ProfileWrite : public ::testing::TestWithParam<Enc> {
 protected:
  // Puts `before` in the file (nullptr: no file), runs the change and
  // compares the whole file with `after`, byte for byte.
  void Expect(const char* before, const std::function<BOOL(const IniFile&)>& change,
              const char* after) {
    IniFile file;
    if (before) file.Put(GetParam(), before);
    EXPECT_TRUE(change(file));
    EXPECT_EQ(cmdtest::Hex(file.bytes()), cmdtest::Hex(FileBytes(GetParam(), U(after))))
        << "after: " << after;
    EXPECT_EQ(file.Listing(), "test.ini");
  }
  static std::function<BOOL(const IniFile&)> Set(const char* s, const char* k, const char* v) {
    return [=](const IniFile& f) { return f.Set(s, k, v); };
  }
};

INSTANTIATE_TEST_SUITE_P(Encodings, ProfileWrite, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) { return Name(info.param); });

TEST_P(ProfileWrite, EditsInPlace) {
  // A changed key keeps its stored name and its line end.
  Expect("pre\r\n[SYSTEM]\n  売価率 =  100  \n;c\r\n", Set("system", "売価率", "80"),
         "pre\r\n[SYSTEM]\n売価率=80\n;c\r\n");
  Expect("[Sec]\rKey=1\rnext=2", Set("SEC", "KEY", "2"), "[Sec]\rKey=2\rnext=2");
  Expect("[ＡＢＣ]\r\nｷｰ=old", Set("ａｂｃ", "ｷｰ", "new"), "[ＡＢＣ]\r\nｷｰ=new");
  // A new key follows the last non-blank line of its section.
  Expect("[ﾃﾞｼﾞﾀｲｻﾞ]\r\nA=1\r\n;note\r\n\r\n  \r\n[b]\r\nx=1\r\n", Set("ﾃﾞｼﾞﾀｲｻﾞ", "ポート", "COM1"),
         "[ﾃﾞｼﾞﾀｲｻﾞ]\r\nA=1\r\n;note\r\nポート=COM1\r\n\r\n  \r\n[b]\r\nx=1\r\n");
  Expect("[a]\n\n[b]\n", Set("a", "k", "v"), "[a]\nk=v\r\n\n[b]\n");
  Expect("[a]\r\nx=1", Set("a", "k", "v"), "[a]\r\nx=1\r\nk=v\r\n");
  Expect("[a]", Set("A", "k", "v"), "[a]\r\nk=v\r\n");
  // Keys are kept in the order they were written.
  Expect("[a]\r\n", [](const IniFile& f) { return f.Set("a", "z", "1") && f.Set("a", "y", "2"); },
         "[a]\r\nz=1\r\ny=2\r\n");
  // A new section is appended.
  Expect("[a]\r\nx=1\r\n\r\n", Set("確認ﾒｯｾｰｼﾞ", "一覧to棚", "1"),
         "[a]\r\nx=1\r\n\r\n[確認ﾒｯｾｰｼﾞ]\r\n一覧to棚=1\r\n");
  Expect("[a]\r\nx=1", Set("s", "k", "v"), "[a]\r\nx=1\r\n[s]\r\nk=v\r\n");
  Expect("", Set("s", "k", "v"), "[s]\r\nk=v\r\n");
  Expect("orphan=1\n", Set("", "", "v"), "orphan=1\n[]\r\n=v\r\n");
  // The caller's names are trimmed, values written as given.
  Expect("", Set("  新規 ", "  キー  ", " \"値\" "), "[新規]\r\nキー= \"値\" \r\n");
  Expect("[a]\r\nk=1\r\n", Set("a", "k", ""), "[a]\r\nk=\r\n");
  Expect("[a]\r\nk=1\r\n", Set("a", "", ";not a comment"), "[a]\r\nk=1\r\n=;not a comment\r\n");
  // The first section and the first key of a name are the ones written.
  Expect("[a]\r\nk=1\r\nK=2\r\n[A]\r\nk=3\r\n", Set("a", "k", "9"),
         "[a]\r\nk=9\r\nK=2\r\n[A]\r\nk=3\r\n");
  // A comment is a key of its exact name, not of the name after the ";".
  Expect("[a]\r\n;k=1\r\n", Set("a", ";k", "2"), "[a]\r\n;k=2\r\n");
  Expect("[a]\r\n;k=1\r\n", Set("a", "k", "2"), "[a]\r\n;k=1\r\nk=2\r\n");
  Expect("[a]\r\n ;k=1\r\nx=2\r\n", Set("a", ";k", nullptr), "[a]\r\nx=2\r\n");
  // A null value deletes the key.
  Expect("[a]\r\nx=1\r\ny=2\ny=3\r\n", Set("a", "Y", nullptr), "[a]\r\nx=1\r\ny=3\r\n");
  Expect("[a]\r\nx=1\r\ny=2", Set("a", "y", nullptr), "[a]\r\nx=1\r\n");
  Expect("[a]\r\nx=1\r\n", Set("a", "missing", nullptr), "[a]\r\nx=1\r\n");
  Expect("[a]\r\nx=1\r\n", Set("b", "x", nullptr), "[a]\r\nx=1\r\n");
  // A null key deletes the section, not the comments around it.
  Expect("top\r\n[a]\r\n;about a\r\nx=1\r\nplain\r\n\r\n;about b\r\n[b]\r\ny=2\r\n",
         Set("A", nullptr, "ignored"), "top\r\n;about a\r\n;about b\r\n[b]\r\ny=2\r\n");
  Expect("[a]\r\nx=1\r\n[b]\r\ny=2", Set("b", nullptr, nullptr), "[a]\r\nx=1\r\n");
  Expect("[a]\r\nx=1\r\n", Set("a", nullptr, nullptr), "");
}

TEST_P(ProfileWrite, WholeSection) {
  auto write = [](const char* section, std::u16string_view data) {
    return [=](const IniFile& f) {
      return WritePrivateProfileSectionW(U(section).c_str(), data.data(), f.win());
    };
  };
  Expect("[a]\r\nx=1\r\n;c\r\n\r\n[b]\r\n", write("a", u"p=1\0 q = 2\0bad\0\0"sv),
         "[a]\r\np=1\r\nq= 2\r\n\r\n[b]\r\n");
  Expect("[a]\r\nx=1\r\n", write("新", u"ｷｰ=値\0\0"sv), "[a]\r\nx=1\r\n[新]\r\nｷｰ=値\r\n");
  Expect("[a]\r\nx=1\r\n", write("a", u"\0"sv), "[a]\r\n");
  Expect("[a]\r\nx=1\r\n[b]\r\n", [](const IniFile& f) {
    return WritePrivateProfileSectionW(u"a", nullptr, f.win());
  }, "[b]\r\n");
}

TEST_P(ProfileWrite, IdenticalValueWritesNothing) {
  IniFile file;
  file.Put(GetParam(), "[a]\r\n  k =  v  \r\nq=\"x\"\r\n");
  std::string before = file.bytes();
  ino_t inode = file.inode();
  EXPECT_TRUE(file.Set("A", "K", "v"));
  EXPECT_TRUE(file.Set("a", "q", "\"x\""));
  EXPECT_TRUE(file.Set("a", "missing", nullptr));
  EXPECT_TRUE(file.Set("missing", nullptr, nullptr));
  EXPECT_EQ(file.bytes(), before);
  EXPECT_EQ(file.inode(), inode);
}

}  // namespace

// ------------------------------------------------------------ bytes nobody touched

TEST(ProfileInPlace, Cp932BytesThatDoNotDecodeStayAsTheyWere) {
  IniFile file;
  // Invalid lead and trail bytes, NULs, a lone lead byte at a line end and
  // Ctrl-Z, before the first section and in the section itself.
  std::string head = "Data \0 before \x82\x01 \xFF\xFD\x80\r\n"s;
  std::string section = "[a]\r\nbad\x81=\x82\r\nk=1\r\n\x1A junk \x85\r\n"s;
  file.Put(head + section);
  EXPECT_TRUE(file.Set("a", "k", "2"));
  EXPECT_EQ(cmdtest::Hex(file.bytes()),
            cmdtest::Hex(head + "[a]\r\nbad\x81=\x82\r\nk=2\r\n\x1A junk \x85\r\n"s));
  EXPECT_TRUE(file.Set("a", "n", "ﾃｽﾄ"));
  EXPECT_EQ(cmdtest::Hex(file.bytes()),
            cmdtest::Hex(head + "[a]\r\nbad\x81=\x82\r\nk=2\r\n\x1A junk \x85\r\nn=\xC3\xBD\xC4\r\n"s));
}

TEST(ProfileInPlace, Cp932FileBytes) {
  // The code page 932 bytes written, spelled out: full-width and half-width
  // katakana and kanji.
  IniFile file;
  EXPECT_TRUE(file.Set("ﾌｯﾀｰ情報", "ガイド", "ｱ"));
  EXPECT_EQ(cmdtest::Hex(file.bytes()),
            "5B CC AF C0 B0 8F EE 95 F1 5D 0D 0A 83 4B 83 43 83 68 3D B1 0D 0A");
}

TEST(ProfileInPlace, Utf16FileKeepsNulsAndAnOddLastByte) {
  IniFile file;
  std::string head = cmdtest::Utf16le(u"a\0b\r\n[s]\r\nk=1"sv);
  file.Put(head + "\x7F");
  EXPECT_TRUE(file.Set("t", "x", "y"));
  EXPECT_EQ(cmdtest::Hex(file.bytes()),
            cmdtest::Hex(head + cmdtest::Utf16le(u"\r\n[t]\r\nx=y\r\n", false) + "\x7F"));
  EXPECT_EQ(file.Get("s", "k"), "1");
}

// ------------------------------------------------------------ encodings

TEST(ProfileEncoding, NewFilesAreCodePage932) {
  IniFile file;
  EXPECT_TRUE(file.Set("SYSTEM", "GENGOU", "元号"));
  EXPECT_EQ(file.bytes(), Cp932(u"[SYSTEM]\r\nGENGOU=元号\r\n"));
}

TEST(ProfileEncoding, WhatCodePage932CannotHoldTurnsTheFileToUtf16) {
  IniFile file;
  file.Put(Cp932(u"; 設定\r\n[a]\r\nk=1\r\n"));
  EXPECT_TRUE(file.Set("a", "k2", "café 😀"));
  EXPECT_EQ(cmdtest::Hex(file.bytes()),
            cmdtest::Hex(cmdtest::Utf16le(u"; 設定\r\n[a]\r\nk=1\r\nk2=café 😀\r\n")));
  EXPECT_EQ(file.Get("a", "k2"), "café 😀");
  // From then on it stays UTF-16.
  EXPECT_TRUE(file.Set("a", "k", "2"));
  EXPECT_EQ(cmdtest::Hex(file.bytes()),
            cmdtest::Hex(cmdtest::Utf16le(u"; 設定\r\n[a]\r\nk=2\r\nk2=café 😀\r\n")));

  // A character whose code page 932 form reads back as another one does
  // not fit either (U+301C would come back as U+FF5E).
  IniFile wave("wave.ini");
  wave.Put("[a]\r\n");
  EXPECT_TRUE(wave.Set("a", "k", "1〜2"));
  EXPECT_EQ(wave.bytes(), cmdtest::Utf16le(u"[a]\r\nk=1〜2\r\n"));
  EXPECT_EQ(wave.Get("a", "k"), "1〜2");

  IniFile fresh("new.ini");
  EXPECT_TRUE(fresh.Set("한", "k", "v"));  // a section name counts as well
  EXPECT_EQ(fresh.bytes(), cmdtest::Utf16le(u"[한]\r\nk=v\r\n"));
}

TEST(ProfileEncoding, Utf16AndUtf8FilesKeepTheirEncoding) {
  IniFile wide;
  wide.Put(cmdtest::Utf16le(u""));
  EXPECT_TRUE(wide.Set("見積No", "番号", "1"));
  EXPECT_EQ(wide.bytes(), cmdtest::Utf16le(u"[見積No]\r\n番号=1\r\n"));

  IniFile utf8;
  utf8.Put("\xEF\xBB\xBF[a]\r\n");
  EXPECT_TRUE(utf8.Set("a", "emoji", "😀"));
  EXPECT_EQ(utf8.bytes(), "\xEF\xBB\xBF[a]\r\nemoji=😀\r\n");
  EXPECT_EQ(utf8.Get("a", "emoji"), "😀");
}

// ------------------------------------------------------------ failures

namespace {

// Makes one file step fail while alive.
class FailStep {
 public:
  FailStep(cmd::os::FileStep step, int err)
      : old_(cmd::os::SetFaultHook([=](cmd::os::FileStep s, const std::string&) {
          return s == step ? err : 0;
        })) {}
  ~FailStep() { cmd::os::SetFaultHook(old_); }

 private:
  cmd::os::FaultHook old_;
};

}  // namespace

TEST(ProfileFailure, AFailedWriteLeavesTheFileAsItWas) {
  for (auto step : {cmd::os::FileStep::Write, cmd::os::FileStep::Flush, cmd::os::FileStep::Rename}) {
    IniFile file;
    file.Put("[a]\r\nk=1\r\n");
    {
      FailStep fail(step, ENOSPC);
      SetLastError(0);
      EXPECT_FALSE(file.Set("a", "k", "2"));
      EXPECT_NE(GetLastError(), 0u);
      EXPECT_FALSE(file.Set("a", "new", "2"));
    }
    EXPECT_EQ(file.bytes(), "[a]\r\nk=1\r\n");
    EXPECT_EQ(file.Listing(), "test.ini");  // no temporary file left behind
    IniFile fresh;
    {
      FailStep fail(step, EIO);
      EXPECT_FALSE(fresh.Set("a", "k", "1"));
    }
    EXPECT_EQ(fresh.Listing(), "");  // a failed first write leaves no file
  }
}

TEST(ProfileFailure, FilesThatCannotBeWritten) {
  IniFile file;
  file.Put("[a]\r\nk=1\r\n");
  {
    FailStep readOnly(cmd::os::FileStep::Open, EACCES);
    EXPECT_FALSE(file.Set("a", "k", "2"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  }
  EXPECT_EQ(file.bytes(), "[a]\r\nk=1\r\n");

  IniFile folder;
  std::filesystem::create_directory(folder.host());
  EXPECT_FALSE(folder.Set("a", "k", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.host()));

  std::u16string missing = U((file.dir() / "no folder" / "x.ini").string());
  EXPECT_FALSE(WritePrivateProfileStringW(u"a", u"k", u"1", missing.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(WritePrivateProfileStringW(u"a", nullptr, nullptr, missing.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringW(u"a", u"k", u"1", u"Q:\\x.ini"));
}

TEST(ProfileFailure, DeletionsAndNullSectionsCreateNoFile) {
  IniFile file;
  EXPECT_TRUE(file.Set("a", "k", nullptr));
  EXPECT_TRUE(file.Set("a", nullptr, nullptr));
  EXPECT_TRUE(WritePrivateProfileSectionW(u"a", u"\0", file.win()));
  SetLastError(0);
  EXPECT_FALSE(file.Set(nullptr, "k", "v"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(file.Set(nullptr, nullptr, nullptr));  // "flush the cache" answers FALSE
  EXPECT_FALSE(WritePrivateProfileSectionW(nullptr, u"a=1\0", file.win()));
  EXPECT_FALSE(file.exists());
}

namespace {

// Every call of umask in this program: a write must never change the
// process's umask, or a file that another thread creates meanwhile gets
// the wrong permissions.
std::atomic<int> g_umaskCalls{0};

mode_t ModeOf(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}

}  // namespace

extern "C" mode_t umask(mode_t mask) noexcept {
  using Real = mode_t (*)(mode_t);
  static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "umask"));
  ++g_umaskCalls;
  return real(mask);
}

TEST(ProfileFailure, PermissionsAndLinksAreKept) {
  // A new file gets 0666 less the umask from the kernel itself.
  mode_t oldMask = ::umask(027);
  g_umaskCalls = 0;
  IniFile fresh;
  EXPECT_TRUE(fresh.Set("a", "k", "1"));
  EXPECT_TRUE(fresh.Set("a", "k", "2"));
  EXPECT_EQ(g_umaskCalls, 0);
  ::umask(oldMask);
  EXPECT_EQ(ModeOf(fresh.host()), 0640u);
  // A replaced file keeps its mode.
  IniFile file;
  file.Put("[a]\r\nk=1\r\n");
  std::filesystem::permissions(file.host(), std::filesystem::perms(0604));
  EXPECT_TRUE(file.Set("a", "k", "2"));
  EXPECT_EQ(ModeOf(file.host()), 0604u);

  // A settings file shared through links stays linked: the file at the end
  // of the links is replaced, in its own folder.
  IniFile shared("pelmar1.ini");
  shared.Put("[a]\r\nk=1\r\n");
  IniFile linked("pelmar1.ini");
  std::filesystem::create_symlink(shared.host(), linked.dir() / "via.ini");
  std::filesystem::create_symlink("via.ini", linked.host());
  EXPECT_TRUE(linked.Set("a", "k", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(linked.host()));
  EXPECT_EQ(shared.bytes(), "[a]\r\nk=2\r\n");
  EXPECT_EQ(linked.Listing(), "pelmar1.ini|via.ini");
  EXPECT_EQ(shared.Listing(), "pelmar1.ini");
  // A link to a missing file: the file is made where the link leads.
  IniFile dangling;
  std::filesystem::create_symlink(shared.dir() / "new.ini", dangling.host());
  EXPECT_TRUE(dangling.Set("b", "x", "1"));
  EXPECT_TRUE(std::filesystem::is_symlink(dangling.host()));
  EXPECT_EQ(cmdtest::ReadBytes(shared.dir() / "new.ini"), "[b]\r\nx=1\r\n");
  // Links that lead nowhere but to themselves are an error.
  IniFile loop;
  std::filesystem::create_symlink("test.ini", loop.host());
  EXPECT_FALSE(loop.Set("a", "k", "1"));
  EXPECT_TRUE(std::filesystem::is_symlink(loop.host()));
}
