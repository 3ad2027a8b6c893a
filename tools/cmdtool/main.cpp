// cmdtool: the library put to work on an installation folder.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"

namespace {

std::string Text(const char16_t* s) { return Utf16ToUtf8(s); }

// "C=/srv/inst" maps drive C: to that folder.
void MapDrive(const std::string& spec) {
  char letter = spec.empty() ? 0 : char(spec[0] | 0x20);
  if (spec.size() < 3 || spec[1] != '=' || letter < 'a' || letter > 'z')
    throw CLI::ValidationError("--drive", "expected X=folder, got " + spec);
  cmd::path::SetDriveRoot(static_cast<char16_t>(spec[0]), spec.substr(2));
}

std::string ShellFolder(int csidl) {
  char16_t path[MAX_PATH];
  HRESULT hr = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return hr == S_OK ? Text(path) : "(unknown)";
}

void PrintPlatform(const std::string& root) {
  std::cout << "installation root: " << root << "\n";

  char16_t buf[MAX_PATH];
  std::cout << "per-user folders:\n";
  std::cout << "  CSIDL_APPDATA        " << ShellFolder(CSIDL_APPDATA) << "\n";
  std::cout << "  CSIDL_LOCAL_APPDATA  " << ShellFolder(CSIDL_LOCAL_APPDATA) << "\n";
  std::cout << "  Windows folder       "
            << (GetWindowsDirectoryW(buf, MAX_PATH) ? Text(buf) : std::string("(unknown)")) << "\n";
  std::cout << "  current folder       "
            << (GetCurrentDirectoryW(MAX_PATH, buf) ? Text(buf) : std::string("(too long)")) << "\n";
  std::cout << "  temporary folder     "
            << (GetTempPathW(MAX_PATH, buf) ? Text(buf) : std::string("(unknown)")) << "\n";

  std::cout << "drive map:\n";
  bool any = false;
  for (char16_t d = u'A'; d <= u'Z'; ++d) {
    std::string host = cmd::path::GetDriveRoot(d);
    if (host.empty()) continue;
    any = true;
    std::cout << "  " << char(d) << ": -> " << host;
    ULARGE_INTEGER free{}, total{};
    const char16_t drive[] = {d, u':', u'\\', 0};
    if (GetDiskFreeSpaceExW(drive, &free, &total, nullptr) && total.QuadPart > 0)
      std::cout << "  (" << free.QuadPart * 100 / total.QuadPart << "% free)";
    std::cout << "\n";
  }
  if (!any) std::cout << "  (no drive mapped)\n";

  // A Windows path as the library builds it, and where it lands.
  if (PathCombineW(buf, u"C:\\MASTER\\電気\\", u"zairyou1.mst")) {
    std::string host;
    std::cout << "  " << Text(buf) << " -> "
              << (cmd::path::ToHost(buf, host) ? host : std::string("(unmapped drive)")) << "\n";
  }

  CString amount;
  amount.Format(u"%.0f", 1234.5);
  std::cout << "\"%.0f\" of 1234.5: " << amount.ToUtf8() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"cmdtool: settings, masters and display texts of an installation"};
  app.require_subcommand(1);
  std::string root = ".";
  app.add_option("--root", root, "installation folder")->capture_default_str();
  app.add_option_function<std::vector<std::string>>(
      "--drive",
      [](const std::vector<std::string>& specs) {
        for (const std::string& spec : specs) MapDrive(spec);
      },
      "map a drive letter to a folder: X=/path (repeatable)");

  auto* platform = app.add_subcommand("platform", "the platform's view of this machine");
  platform->callback([&] { PrintPlatform(root); });

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  return 0;
}
