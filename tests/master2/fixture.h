// Helpers of the tests of the copies, the derived tables, the expense master
// and the small masters: the material master fixture plus a work folder, a
// second master set and the installation root as the current directory.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "cmddll3/cmddll3.h"
#include "cmddll3/platform/osfile.h"
#include "master/master_fixture.h"

namespace m2test {

using namespace mtest;

// The work folder is <XDG_CONFIG_HOME>/tolv/WORK (GetWorkDrv); the plumbing
// master set (trade 2) is a second master folder; the current directory is
// the installation root, where the CAD tables go.
class Master2Test : public MasterTest {
 protected:
  void SetUp() override {
    MasterTest::SetUp();
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) oldXdg_ = xdg;
    setenv("XDG_CONFIG_HOME", (dir_.path() / "appdata").c_str(), 1);
    fs::create_directories(work());
    fs::create_directories(plumbing());
    oldCwd_ = fs::current_path();
    fs::current_path(dir_.path());
  }
  void TearDown() override {
    fs::current_path(oldCwd_);
    if (oldXdg_) setenv("XDG_CONFIG_HOME", oldXdg_->c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
    MasterTest::TearDown();
  }

  fs::path work() const { return dir_.path() / "appdata" / "tolv" / "WORK"; }
  fs::path plumbing() const { return dir_.path() / "MASTER" / "水道"; }
  fs::path root() const { return dir_.path(); }

  // The names in a folder, sorted.
  static std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::optional<std::string> oldXdg_;
  fs::path oldCwd_;
};

// Sets a file's last-write time, to the nanosecond.
inline void SetWriteTime(const fs::path& p, time_t seconds, long nanoseconds = 0) {
  struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, p.c_str(), times, 0), 0) << p;
}

inline struct timespec WriteTime(const fs::path& p) {
  struct stat st {};
  stat(p.c_str(), &st);
  return st.st_mtim;
}

// Runs the operation with its n-th file step (0-based) failing with EIO.
inline void FailStep(std::size_t n, const std::function<void()>& operation) {
  std::size_t seen = 0;
  FaultScope scope([&](cmd::os::FileStep, const std::string&) { return seen++ == n ? EIO : 0; });
  operation();
}

inline std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }

}  // namespace m2test
