// A host program built against the installed library: the typical request of
// one of the application's programs.
//
//   cmddll3-host INSTALLATION PNG LEVEL1 NEW_NAME
//
// 1. Sets up as every host does: the installation folder becomes the current
//    directory, the root of the folder getters and the home of "pelmar1.ini".
// 2. Lists the level-2 entries under the level-1 entry LEVEL1 of the
//    electrical catalogue, one line each: code, name and the cell it is drawn
//    in (left,top,right,bottom).
// 3. Draws the names into a column of cells on an image device context,
//    fitted to the cells, and saves the picture as PNG.
// 4. Adds an entry NEW_NAME to the group, as a user would in the form, and
//    writes the group back: "zairyou2.mst" keeps the other groups in order
//    and ends with the edited one.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "cmddll3/frame.h"
#include "cmddll3/version.h"

namespace {

constexpr int kElectrical = 1;  // trade 1: MASTER\電気
constexpr int kOwnFolder = -1;  // the trade's own master, not a numbered one
constexpr int kMaxEntries = 150;
constexpr int kCellWidth = 120;
constexpr int kCellHeight = 28;

int Fail(const std::string& message) {
  std::fprintf(stderr, "cmddll3-host: %s\n", message.c_str());
  return 1;
}

// ZaiMst2Rec is byte-packed (143 bytes), so the name of a record in an array
// may lie on an odd address: it is copied, never pointed at.
CString NameOf(const ZaiMst2Rec& entry) {
  char16_t name[61];
  std::memcpy(name, reinterpret_cast<const char*>(&entry) + offsetof(ZaiMst2Rec, name),
              sizeof name);
  name[60] = u'\0';
  return CString(name);
}

void SetName(ZaiMst2Rec& entry, const CString& text) {
  char16_t name[61] = {};
  std::u16string_view chars(text.GetString(), std::min<std::size_t>(text.GetLength(), 60));
  std::copy(chars.begin(), chars.end(), name);
  std::memcpy(reinterpret_cast<char*>(&entry) + offsetof(ZaiMst2Rec, name), name, sizeof name);
}

RECT CellOf(int row) {
  return RECT{0, row * kCellHeight, kCellWidth, (row + 1) * kCellHeight};
}

// The names, one cell each, in the form's font at the cell's height: DrawText2
// in fit mode shrinks a long name or breaks it into two lines.
bool DrawNames(const std::vector<ZaiMst2Rec>& entries, const std::string& png) {
  CDC dc;
  if (!dc.Attach(cmd::gdi::CreateImageDC(kCellWidth, kCellHeight * int(entries.size()))))
    return false;
  CPen rule;
  rule.CreatePen(PS_SOLID, 1, RGB(160, 160, 160));
  CPen* old = dc.SelectObject(&rule);
  for (int row = 1; row < int(entries.size()); ++row) {
    dc.MoveTo(0, row * kCellHeight);
    dc.LineTo(kCellWidth, row * kCellHeight);
  }
  dc.SelectObject(old);

  for (int row = 0; row < int(entries.size()); ++row) {
    LOGFONTW font{};
    font.lfHeight = kCellHeight - 4;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    std::u16string_view face = u"ＭＳ ゴシック";
    std::copy(face.begin(), face.end(), font.lfFaceName);
    RECT cell = CellOf(row);
    DrawText2(&dc, NameOf(entries[row]), &cell, DT_LEFT | DT_VCENTER, 100, /*mode fit*/ 0,
              RGB(0, 0, 0), &font, /*vertical*/ 0, /*oneLine*/ 0);
  }
  return cmd::gdi::SaveImagePng(dc.GetSafeHdc(), png);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::printf("cmddll3-host, built with cmddll3 %s\n", CMDDLL3_VERSION);
    return 0;
  }
  if (argc != 5) {
    std::fprintf(stderr, "usage: cmddll3-host INSTALLATION PNG LEVEL1 NEW_NAME\n");
    return 2;
  }
  const std::string png = std::filesystem::absolute(argv[2]).string();
  const LONG parent = std::atol(argv[3]);
  const CString newName = CString::FromUtf8(argv[4]);

  if (chdir(argv[1]) != 0) return Fail(std::string(argv[1]) + ": no such installation folder");
  SetSystemDrv(SetCwd() + u"\\");
  SetIniFile();

  ZaiMst1Rec group{};
  GetMst1Pos(parent, kElectrical, kOwnFolder, &group);
  std::vector<ZaiMst2Rec> entries(kMaxEntries + 1);
  int count = GetZaiMst2_1(entries.data(), parent, CString(), kElectrical, kOwnFolder);
  if (count <= 0) return Fail("no level-2 entries under " + std::to_string(parent));
  entries.resize(count);

  std::printf("%ld %s\n", long(parent), CString(group.name).ToUtf8().c_str());
  for (int row = 0; row < count; ++row) {
    RECT cell = CellOf(row);
    std::printf("%ld\t%s\t%ld,%ld,%ld,%ld\n", long(entries[row].code),
                NameOf(entries[row]).ToUtf8().c_str(), long(cell.left), long(cell.top),
                long(cell.right), long(cell.bottom));
  }
  if (!DrawNames(entries, png)) return Fail(png + ": cannot draw or save the picture");

  // The new entry takes the next free code and the attributes of the last one.
  ZaiMst2Rec added = entries.back();
  LONG next = 1;
  for (const ZaiMst2Rec& e : entries) next = std::max<LONG>(next, e.code + 1);
  added.code = next;
  SetName(added, newName);
  entries.push_back(added);
  UpdateZaiMst2_1(entries.data(), parent, int(entries.size()), kElectrical, kOwnFolder);
  std::printf("rewrote %d entries\n", int(entries.size()));
  return 0;
}
