#include "tool_fixture.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace cmdtest {

ToolResult RunTool(const std::vector<std::string>& args, const fs::path& home,
                   const std::string& input, const fs::path& cwd) {
  return FinishTool(StartTool(args, home, input, cwd), home);
}

pid_t StartTool(const std::vector<std::string>& args, const fs::path& home,
                const std::string& input, const fs::path& cwd) {
  fs::create_directories(home);
  fs::path outFile = home / "stdout.txt", errFile = home / "stderr.txt",
           inFile = home / "stdin.txt";
  WriteBytes(inFile, input);

  std::vector<std::string> argv = {CMDTOOL_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (std::string& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  std::string config = (home / "config").string(), data = (home / "data").string();

  pid_t pid = fork();
  if (pid == 0) {
    int in = open(inFile.c_str(), O_RDONLY);
    int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    execv(raw[0], raw.data());
    _exit(127);
  }
  return pid;
}

ToolResult FinishTool(pid_t pid, const fs::path& home, int* signal) {
  ToolResult r;
  int status = 0;
  bool waited = pid > 0 && waitpid(pid, &status, 0) == pid;
  if (waited && WIFEXITED(status)) r.status = WEXITSTATUS(status);
  if (signal) *signal = waited && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  r.out = ReadBytes(home / "stdout.txt");
  r.err = ReadBytes(home / "stderr.txt");
  return r;
}

std::map<std::string, std::string> FilesUnder(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
  }
  return files;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

int Columns(const std::string& utf8) {
  int columns = 0;
  std::u16string text = Utf8ToUtf16(utf8);
  for (char16_t c : text) {
    bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                (c >= 0xFFE0 && c <= 0xFFE6);
    columns += wide ? 2 : 1;
  }
  return columns;
}

fs::path SampleInstall() { return fs::path(CMD_SOURCE_DIR) / "examples" / "install"; }
fs::path SampleSources() { return fs::path(CMD_SOURCE_DIR) / "examples" / "src"; }

void ToolTest::SetUp() {
  install = dir / "install";
  home = dir / "home";
  fs::copy(SampleInstall(), install, fs::copy_options::recursive);
}

ToolResult ToolTest::Run(std::initializer_list<std::string> args, const std::string& input) {
  return RunArgs(std::vector<std::string>(args), input);
}

ToolResult ToolTest::RunArgs(std::vector<std::string> args, const std::string& input) {
  return FinishTool(Start(std::move(args), input), home);
}

pid_t ToolTest::Start(std::vector<std::string> args, const std::string& input) {
  args.insert(args.begin(), {"--root", install.string()});
  return StartTool(args, home, input);
}

void ToolTest::ExpectSampleUnchanged() const {
  auto now = FilesUnder(install), sample = FilesUnder(SampleInstall());
  ASSERT_EQ(now.size(), sample.size());
  for (const auto& [name, bytes] : sample) {
    auto it = now.find(name);
    ASSERT_NE(it, now.end()) << name << " is gone";
    EXPECT_TRUE(it->second == bytes) << name << " changed";
  }
}

void ToolTest::ExpectFailure(const ToolResult& r, std::initializer_list<std::string> fragments) {
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
  EXPECT_EQ(r.err.rfind("cmdtool: ", 0), 0u) << r.err;
  for (const std::string& f : fragments)
    EXPECT_NE(r.err.find(f), std::string::npos) << f << " in " << r.err;
}

}  // namespace cmdtest
