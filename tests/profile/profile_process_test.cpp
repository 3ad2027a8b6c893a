// Several processes on one settings file: writers that must not lose each
// other's keys, readers that must see every finished write, and writers
// killed in the middle of a write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "profile_support.h"

using namespace proftest;

namespace {

constexpr int kWriters = 4, kKeysPerWriter = 200;

// State the processes share: how many keys (or writes) each writer finished.
struct Shared {
  std::atomic<int> start, done[kWriters], failedWrites;
};

Shared* MapShared() {
  void* p =
      mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : new (p) Shared{};
}

std::u16string KeyName(int writer, int n) {
  return U("ｷｰ" + std::to_string(writer) + "_" + std::to_string(n));
}

// The key names of a section, read in one call.
std::set<std::u16string> KeysOf(const IniFile& file) {
  std::u16string buf(64 * 1024, u'\0');
  DWORD n =
      GetPrivateProfileStringW(u"共有", nullptr, u"", buf.data(), DWORD(buf.size()), file.win());
  std::set<std::u16string> keys;
  for (std::size_t at = 0; at < n; at += buf.find(u'\0', at) - at + 1)
    keys.insert(buf.c_str() + at);
  return keys;
}

}  // namespace

TEST(ProfileProcesses, ConcurrentWritersLoseNoKeyAndReadersSeeEveryFinishedWrite) {
  IniFile file;
  file.Put(Cp932(u"[設定]\r\nversion=2\r\n"));
  Shared* shared = MapShared();
  ASSERT_NE(shared, nullptr);
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      while (shared->start.load() == 0) std::this_thread::yield();
      for (int n = 0; n < kKeysPerWriter; ++n) {
        std::u16string value = U(std::to_string(w * 1000 + n));
        if (!WritePrivateProfileStringW(u"共有", KeyName(w, n).c_str(), value.c_str(), file.win()))
          shared->failedWrites.fetch_add(1);
        shared->done[w].store(n + 1);
      }
      _exit(0);
    }
    writers.push_back(pid);
  }
  shared->start.store(1);

  // Poll while they write: every key finished before a poll began is there.
  int polls = 0, missed = 0, finished[kWriters], total = 0;
  for (; total < kWriters * kKeysPerWriter; ++polls) {
    total = 0;
    for (int w = 0; w < kWriters; ++w) total += finished[w] = shared->done[w].load();
    std::set<std::u16string> keys = KeysOf(file);
    for (int w = 0; w < kWriters; ++w)
      for (int n = 0; n < finished[w]; ++n) missed += !keys.count(KeyName(w, n));
  }
  for (pid_t pid : writers) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(shared->failedWrites.load(), 0);
  EXPECT_EQ(missed, 0);
  EXPECT_GT(polls, 1);
  EXPECT_EQ(KeysOf(file).size(), std::size_t(kWriters * kKeysPerWriter));
  for (int w = 0; w < kWriters; ++w)
    for (int n = 0; n < kKeysPerWriter; n += 37)
      EXPECT_EQ(GetPrivateProfileIntW(u"共有", KeyName(w, n).c_str(), -1, file.win()),
                UINT(w * 1000 + n));
  EXPECT_EQ(file.Get("設定", "version"), "2");
  EXPECT_EQ(file.Listing(), "test.ini");  // the lock left nothing behind
  munmap(shared, sizeof(Shared));
}

TEST(ProfileProcesses, AKilledWriterLeavesTheOldFileOrTheNew) {
  // A large section the writer never touches, then the counter it writes.
  std::string filler = "[data]\r\n";
  for (int i = 0; i < 2000; ++i)
    filler += "key" + std::to_string(i) + "=" + std::string(40, 'v') + "\r\n";
  auto counterFile = [&](long n) {
    return filler + Cp932(U("[状態]\r\ncounter=" + std::to_string(n) + "\r\n"));
  };
  IniFile file;
  file.Put(counterFile(0));
  Shared* shared = MapShared();  // done[0]: writes the current writer finished
  ASSERT_NE(shared, nullptr);
  std::mt19937 rng(12345);
  long counter = 0;
  int stray = 0;
  for (int round = 0; round < 40; ++round) {
    shared->done[0].store(0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    for (long n = counter + 1; pid == 0; ++n) {  // the writer writes until it is killed
      WritePrivateProfileStringW(u"状態", u"counter", U(std::to_string(n)).c_str(), file.win());
      shared->done[0].fetch_add(1);
    }
    // Time one write, then kill at a random moment of the writes after it.
    while (shared->done[0].load() < 1) std::this_thread::yield();
    auto start = std::chrono::steady_clock::now();
    while (shared->done[0].load() < 2) std::this_thread::yield();
    std::this_thread::sleep_for((std::chrono::steady_clock::now() - start) * (rng() % 1000) / 500);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    long finished = shared->done[0].load();
    long seen = std::stol("0" + file.Get("状態", "counter"));
    ASSERT_GE(seen, counter + finished) << "round " << round;  // finished writes are there
    ASSERT_LE(seen, counter + finished + 1) << "round " << round;
    ASSERT_TRUE(file.bytes() == counterFile(seen)) << "round " << round;
    counter = seen;
    // Writing in an unnamed file leaves nothing behind where the file system
    // offers that; else a killed writer may leave its unfinished temporary
    // file (never a torn settings file). Clear them for the next round.
    for (const auto& e : std::filesystem::directory_iterator(file.dir().path()))
      if (e.path() != file.host()) stray += std::filesystem::remove(e.path());
  }
  // The lock of a killed writer went with it: writing still works.
  EXPECT_TRUE(file.Set("状態", "counter", "done"));
  EXPECT_EQ(file.Get("状態", "counter"), "done");
  RecordProperty("stray_temporary_files", stray);
  munmap(shared, sizeof(Shared));
}
