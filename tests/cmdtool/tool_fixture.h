// Runs cmdtool as a process on a fresh copy of the sample installation.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace cmdtest {

struct ToolResult {
  int status = -1;  // exit status; -1 when the process did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the program with the arguments; `input` goes to its standard input.
// XDG_CONFIG_HOME and XDG_DATA_HOME point into `home` so the per-user
// folders are the test's own.
// `cwd`, when not empty, is the child's current directory.
ToolResult RunTool(const std::vector<std::string>& args, const std::filesystem::path& home,
                   const std::string& input = "", const std::filesystem::path& cwd = {});
// RunTool in two halves, for a test that signals the process while it runs.
pid_t StartTool(const std::vector<std::string>& args, const std::filesystem::path& home,
                const std::string& input = "", const std::filesystem::path& cwd = {});
// Waits for the process; `signal` receives the signal that ended it (0 when
// it exited).
ToolResult FinishTool(pid_t pid, const std::filesystem::path& home, int* signal = nullptr);

// Every file under a folder, by relative path, with its bytes.
std::map<std::string, std::string> FilesUnder(const std::filesystem::path& folder);

// Lines of a text, without their "\n".
std::vector<std::string> Lines(const std::string& text);

// Columns a text takes in a terminal (two for wide and full-width characters).
int Columns(const std::string& utf8);

// The sample installation and its readable sources.
std::filesystem::path SampleInstall();
std::filesystem::path SampleSources();

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // cmdtool --root <install> args...
  ToolResult Run(std::initializer_list<std::string> args, const std::string& input = "");
  ToolResult RunArgs(std::vector<std::string> args, const std::string& input = "");
  // Starts cmdtool --root <install> args... without waiting (FinishTool waits).
  pid_t Start(std::vector<std::string> args, const std::string& input = "");

  std::filesystem::path Master(const std::string& trade) const {
    return install / "MASTER" / trade;
  }
  // Asserts that the installation still holds exactly the sample's files.
  void ExpectSampleUnchanged() const;
  // Asserts a failure: status 1 and one line on standard error that starts
  // with "cmdtool: " and contains every fragment.
  static void ExpectFailure(const ToolResult& r, std::initializer_list<std::string> fragments);

  TempDir dir;
  std::filesystem::path install;
  std::filesystem::path home;
};

}  // namespace cmdtest
