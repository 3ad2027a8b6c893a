// cmdtool platform: the platform's view of this machine (per-user folders,
// drive map, where a Windows path lands).
#include <iostream>
#include <string>

#include "cmddll3/cmddll3.h"
#include "tool.h"

namespace cmdtool {
namespace {

std::string ShellFolder(int csidl) {
  char16_t path[MAX_PATH];
  HRESULT hr = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return hr == S_OK ? U8(path) : "(unknown)";
}

void PrintPlatform(const Context& ctx) {
  std::ostream& out = ctx.out;
  out << "installation root: " << ctx.install.given << "\n";

  char16_t buf[MAX_PATH];
  out << "per-user folders:\n";
  out << "  CSIDL_APPDATA        " << ShellFolder(CSIDL_APPDATA) << "\n";
  out << "  CSIDL_LOCAL_APPDATA  " << ShellFolder(CSIDL_LOCAL_APPDATA) << "\n";
  out << "  Windows folder       "
      << (GetWindowsDirectoryW(buf, MAX_PATH) ? U8(buf) : std::string("(unknown)")) << "\n";
  out << "  current folder       "
      << (GetCurrentDirectoryW(MAX_PATH, buf) ? U8(buf) : std::string("(too long)")) << "\n";
  out << "  temporary folder     "
      << (GetTempPathW(MAX_PATH, buf) ? U8(buf) : std::string("(unknown)")) << "\n";

  out << "drive map:\n";
  bool any = false;
  for (char16_t d = u'A'; d <= u'Z'; ++d) {
    std::string host = cmd::path::GetDriveRoot(d);
    if (host.empty()) continue;
    any = true;
    out << "  " << char(d) << ": -> " << host;
    ULARGE_INTEGER free{}, total{};
    const char16_t drive[] = {d, u':', u'\\', 0};
    if (GetDiskFreeSpaceExW(drive, &free, &total, nullptr) && total.QuadPart > 0)
      out << "  (" << free.QuadPart * 100 / total.QuadPart << "% free)";
    out << "\n";
  }
  if (!any) out << "  (no drive mapped)\n";

  // A Windows path as the library builds it, and where it lands.
  if (PathCombineW(buf, u"C:\\MASTER\\電気\\", u"zairyou1.mst")) {
    std::string host;
    out << "  " << U8(buf) << " -> "
        << (cmd::path::ToHost(buf, host) ? host : std::string("(unmapped drive)")) << "\n";
  }
}

}  // namespace

void AddPlatformCommand(CLI::App& app, Context& ctx) {
  auto* cmd = app.add_subcommand("platform", "the platform's view of this machine");
  cmd->callback([&ctx] { PrintPlatform(ctx); });
}

}  // namespace cmdtool
