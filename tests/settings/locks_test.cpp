// Lock files: taking a lock touches nothing, releasing one deletes its file.
#include "settings_fixture.h"

namespace fs = std::filesystem;
using settingstest::SettingsTest;

using LocksTest = SettingsTest;

namespace {
std::size_t CountEntries(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}
}  // namespace

TEST_F(LocksTest, OpeningAlwaysSucceedsAndCreatesNothing) {
  const fs::path data = dir() / "DATA";
  fs::create_directories(data);
  Store(u"DIR", u"DATA", Win(data));
  const std::size_t before = CountEntries(dir().path());
  EXPECT_EQ(OpenMutexFile(3, 0), 1);
  EXPECT_EQ(OpenMutexFile(3, 1), 1);
  EXPECT_EQ(OpenMutexFile(-1, 99), 1);
  EXPECT_EQ(CountEntries(dir().path()), before);
  EXPECT_TRUE(fs::is_empty(data));
}

TEST_F(LocksTest, ClosingDeletesTheNumberedFileOfTheDataFolder) {
  const fs::path data = dir() / "D";
  fs::create_directories(data);
  Store(u"DIR", u"DATA", Win(data));
  cmdtest::WriteBytes(data / "lock3", "x");
  cmdtest::WriteBytes(data / "lock30", "x");
  CloseMutexFile(4);
  EXPECT_TRUE(fs::exists(data / "lock3"));
  CloseMutexFile(3);
  EXPECT_FALSE(fs::exists(data / "lock3"));
  EXPECT_TRUE(fs::exists(data / "lock30"));
  CloseMutexFile(3);  // already gone: nothing happens

  // A folder value ending in a separator gives a doubled one, which works.
  Store(u"DIR", u"DATA", Win(data) + u"\\");
  CloseMutexFile(30);
  EXPECT_FALSE(fs::exists(data / "lock30"));
  // A folder of the lock's name is not deleted.
  fs::create_directories(data / "lock5");
  CloseMutexFile(5);
  EXPECT_TRUE(fs::is_directory(data / "lock5"));
}

TEST_F(LocksTest, WithoutADataKeyTheCurrentDirectoryIsUsed) {
  cmdtest::WriteBytes(dir() / "lock0", "x");
  CloseMutexFile(0);
  EXPECT_FALSE(fs::exists(dir() / "lock0"));
  EXPECT_FALSE(fs::exists(MainHost()));
  cmdtest::WriteBytes(dir() / "lock-2", "x");
  CloseMutexFile(-2);
  EXPECT_FALSE(fs::exists(dir() / "lock-2"));
}

TEST_F(LocksTest, SwitchAlwaysReadsOn) {
  EXPECT_EQ(GetUsingMutexFileIni(), 1);
  EXPECT_NE(SetUsingMutexFileIni(0), 0);
  EXPECT_EQ(Stored(u"共有違反", u"USE"), u"0");
  EXPECT_EQ(GetUsingMutexFileIni(), 1);
  EXPECT_NE(SetUsingMutexFileIni(-12), 0);
  EXPECT_EQ(Stored(u"共有違反", u"USE"), u"-12");
}

TEST_F(LocksTest, SwitchReportsAFailedWrite) {
  fs::create_directories(dir() / "gone");
  fs::current_path(dir() / "gone");
  SetIniFile();
  fs::current_path(dir().path());
  fs::remove(dir() / "gone");
  EXPECT_EQ(SetUsingMutexFileIni(1), 0);
}
