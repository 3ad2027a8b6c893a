// Runs cmdtool as a process on a fresh copy of the sample installation.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace cmdtest {

namespace fs = std::filesystem;

struct ToolResult {
  int status = -1;  // exit status; -1 when the process did not exit normally
  std::string out, err;
};

// Waits for the process; `signal` receives the signal that ended it (0 when it exited).
inline ToolResult FinishTool(pid_t pid, const fs::path& home, int* signal = nullptr) {
  int status = 0;
  const bool waited = waitpid(pid, &status, 0) == pid;
  if (signal) *signal = waited && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return {waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(home / "stdout.txt"),
          ReadBytes(home / "stderr.txt")};
}

// Every file under a folder, by relative path, with its bytes.
inline std::map<std::string, std::string> FilesUnder(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
  return files;
}

// Lines of a text, without their "\n".
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The first occurrence of `from` replaced; throws when there is none.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::runtime_error("no " + from);
  return text.replace(at, from.size(), to);
}

// Compares a text with tests/cmdtool/data/<name> (a failure shows the lines
// that differ); CMD_UPDATE_GOLDEN=1 writes the file anew after a deliberate change.
inline void ExpectGolden(const std::string& actual, const std::string& name) {
  const fs::path golden = fs::path(CMD_SOURCE_DIR) / "tests" / "cmdtool" / "data" / name;
  if (std::getenv("CMD_UPDATE_GOLDEN")) WriteBytes(golden, actual);
  EXPECT_EQ(actual, ReadBytes(golden)) << golden;
}

// The sample installation, its readable sources and estimates.
inline fs::path SampleInstall() { return fs::path(CMD_SOURCE_DIR) / "examples" / "install"; }
inline fs::path SampleSources() { return fs::path(CMD_SOURCE_DIR) / "examples" / "src"; }
inline fs::path Estimates() { return fs::path(CMD_SOURCE_DIR) / "examples" / "estimates"; }
// The readable source of a trade's catalogue (UTF-8 CSV).
inline std::string SourceCsv(const std::string& trade) {
  return ReadBytes(SampleSources() / "master" / trade / "catalogue.csv");
}

// Opening an installation in this process makes it the current directory;
// the old one comes back before the temporary folder goes.
struct KeepCurrentDirectory {
  fs::path old = fs::current_path();
  ~KeepCurrentDirectory() { fs::current_path(old); }
};

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override { FreshInstall(); }
  void FreshInstall() {
    fs::remove_all(install);
    fs::copy(SampleInstall(), install, fs::copy_options::recursive);
  }
  // Starts cmdtool --root <install> args... (unless the args give --root
  // first) in `cwd` when given, with `input` on its standard input; its
  // per-user folders (XDG_CONFIG_HOME, XDG_DATA_HOME) are under `home`.
  // Start does not wait (FinishTool waits).
  pid_t Start(std::vector<std::string> args, const std::string& input = "", const fs::path& cwd = {}) {
    if (args.empty() || args[0] != "--root") args.insert(args.begin(), {"--root", install.string()});
    args.insert(args.begin(), CMDTOOL_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    fs::create_directories(home);
    WriteBytes(home / "stdin.txt", input);
    const std::string files[] = {home / "stdin.txt", home / "stdout.txt", home / "stderr.txt", home / "config",
                                 home / "data"};
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");  // a pid of -1 must never be signalled
    if (pid == 0) {
      for (int fd = 0; fd < 3; ++fd) {
        const int opened = open(files[fd].c_str(), fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (opened < 0 || dup2(opened, fd) < 0) _exit(126);
      }
      if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
      setenv("XDG_CONFIG_HOME", files[3].c_str(), 1);
      setenv("XDG_DATA_HOME", files[4].c_str(), 1);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return pid;
  }
  ToolResult Run(std::vector<std::string> args, const std::string& input = "", const fs::path& cwd = {}) {
    return FinishTool(Start(std::move(args), input, cwd), home);
  }
  fs::path Master(const std::string& trade) const { return install / "MASTER" / trade; }

  // Asserts that the installation still holds exactly the sample's files.
  void ExpectSampleUnchanged() const {
    const auto now = FilesUnder(install), sample = FilesUnder(SampleInstall());
    for (const auto& [name, bytes] : sample)
      EXPECT_TRUE(now.contains(name) && now.at(name) == bytes) << name << " changed or gone";
    EXPECT_EQ(now.size(), sample.size()) << "files were added";
  }
  // Asserts a failure: the status and one line on standard error that
  // starts with "cmdtool: " and contains every fragment.
  static void ExpectFailure(const ToolResult& r, const std::vector<std::string>& fragments, int status = 1) {
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("cmdtool: ", 0), 0u) << r.err;
    for (const std::string& f : fragments) EXPECT_NE(r.err.find(f), std::string::npos) << f << " in " << r.err;
  }

  TempDir dir;
  fs::path install = dir / "install", home = dir / "home";
};

}  // namespace cmdtest
