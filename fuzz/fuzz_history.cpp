// Fuzzes the reader of the input history file "histry.mst": any bytes in
// the file read without crashing, reading past a record or returning more
// than the caller's 30 strings, and an update on top of them always leaves
// the new text first and no copy of it after.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cmddll3/frame.h"
#include "cmddll3/history.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/profile.h"

namespace {

std::string g_folder;
std::string g_historyFile;

void Check(bool ok) {
  if (!ok) std::abort();
}

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
}

// One temporary installation for the whole run, removed at exit: its
// settings file names the folder of the history file.
void SetUpOnce() {
  if (!g_historyFile.empty()) return;
  char folder[] = "/tmp/fuzz-history-XXXXXX";
  Check(mkdtemp(folder) != nullptr);
  g_folder = folder;
  std::atexit(RemoveFolder);
  // The settings file is named after the current folder; the fuzzer's own
  // corpus and artifact paths are relative to the folder it started in.
  char started[4096];
  Check(getcwd(started, sizeof started) != nullptr);
  Check(chdir(folder) == 0);
  SetIniFile();
  Check(chdir(started) == 0);
  std::string env = std::string(folder) + "/";
  WritePrivateProfileStringW(u"DIR", u"PELMAR", CString::FromUtf8(env), GetIniFile());
  g_historyFile = env + "histry.mst";
}

int ReadChecked(int history, CString (&texts)[30]) {
  int n = ReadHist(history, texts);
  Check(n >= 0 && n <= 30);
  for (int i = 0; i < 30; ++i) Check(texts[i].GetLength() <= 50 && (i < n || texts[i].IsEmpty()));
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpOnce();
  FILE* f = std::fopen(g_historyFile.c_str(), "wb");
  Check(f != nullptr);
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  CString texts[30];
  for (int history : {0, 1, 2, 99, size ? data[0] % 100 : 0}) ReadChecked(history, texts);

  const int history = size > 1 ? data[1] % 2 : 0;
  try {
    UpdateHist(history, u"fuzz");
  } catch (const CFileException&) {
    std::abort();  // the file exists and is writable
  }
  int n = ReadChecked(history, texts);
  Check(n >= 1 && texts[0] == u"fuzz");
  for (int i = 1; i < n; ++i) Check(texts[i] != u"fuzz");
  return 0;
}
