// The material master's line parsers and master reader on arbitrary input.
//
// The input is used twice: as UTF-16LE units cut into lines for the level-1,
// level-2 and level-3 line parsers, and as the bytes of a master file for the
// readers and one rewrite. Beyond finding crashes and out-of-bounds accesses,
// it checks that
//   - records are filled within their fields (text fields end with a zero
//     unit; guard bytes around a record stay untouched);
//   - the in-place field cutter agrees with SplitCStrByComma and the runtime's
//     _wtol on every field the records take;
//   - a level-2 record survives FormatMst2 and ExtractToMst2 unchanged;
//   - deleting a parent's group removes exactly that group's lines.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/master.h"
#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/util_split.h"

namespace fs = std::filesystem;

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// A record between guard bytes.
template <class Rec>
struct GuardedRec {
  static constexpr unsigned char kFill = 0x5C;
  unsigned char before[16];
  Rec rec;
  unsigned char after[16];
  GuardedRec() {
    std::memset(before, kFill, sizeof before);
    std::memset(&rec, kFill, sizeof rec);
    std::memset(after, kFill, sizeof after);
  }
  void CheckGuards() const {
    for (unsigned char c : before) Check(c == kFill);
    for (unsigned char c : after) Check(c == kFill);
  }
};

template <std::size_t N>
std::u16string TextOfField(const void* field) {
  char16_t copy[N];
  std::memcpy(copy, field, sizeof copy);
  Check(copy[N - 1] == 0);  // always terminated within the field
  return std::u16string(copy);
}

// The text a record field receives from a line field: up to its first NUL,
// at most n - 1 units.
std::u16string Expected(const CString& field, std::size_t units) {
  std::u16string s(field.GetString());  // up to the first NUL
  return s.substr(0, units - 1);
}

struct Folder {
  fs::path root, master;
  CString masterWin;
};

Folder& Work() {
  static Folder folder = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/fuzzmaster-XXXXXX";
    Folder f;
    f.root = mkdtemp(tmpl.data());
    f.master = f.root / "MASTER" / "電気";
    fs::create_directories(f.master);
    SetSystemDrv(CString::FromUtf8(f.root.string() + "/"));
    f.masterWin = GetMstDrv(1, -1);
    SetMessageBoxHook([](HWND, const CString&, const CString&, UINT) { return IDOK; });
    std::atexit([] { std::error_code ec; fs::remove_all(Work().root, ec); });
    return f;
  }();
  return folder;
}

void ParseLevel2(const CString& line) {
  GuardedRec<ZaiMst2Rec> g;
  ExtractToMst2(line, &g.rec);
  g.CheckGuards();
  std::u16string name = TextOfField<61>(&g.rec.name);

  CString codes[2], fname, attrs[5], values[3];
  SetMst2UNIData(line, codes, &fname, attrs, values);
  if (!line.IsEmpty()) {
    Check(g.rec.code == _wtol(codes[1]));
    Check(name == Expected(fname, 61));
    for (int i = 0; i < 5; ++i) Check(g.rec.attr[i] == static_cast<BYTE>(_wtoi(attrs[i])));
    for (int i = 0; i < 3; ++i) Check(g.rec.value[i] == _wtol(values[i]));
  }

  // FormatMst2 and back: the same record, byte for byte.
  CString again = FormatMst2(&g.rec, 1);
  again = again.Left(again.GetLength() - 1);  // its "\n"
  GuardedRec<ZaiMst2Rec> back;
  ExtractToMst2(again, &back.rec);
  Check(std::memcmp(&back.rec, &g.rec, sizeof g.rec) == 0);

  CString fixedCodes[2], fixedName, fixedAttrs[5], fixedValues[3];
  SetMst2Data(line, fixedCodes, &fixedName, fixedAttrs, fixedValues);
  GuardedRec<ZaiMst1Rec> g1;
  ExtractToMst1(line, &g1.rec);
  g1.CheckGuards();
  TextOfField<61>(&g1.rec.name);
  CString c1, n1, f1;
  SetMst1Data(line, &c1, &n1, &f1);
}

void ParseLevel3(const CString& line) {
  GuardedRec<ZaiMst3Rec> g;
  ExtractToMst3(line, &g.rec);
  g.CheckGuards();
  std::u16string name = TextOfField<61>(&g.rec.name);
  std::u16string text2 = TextOfField<21>(&g.rec.text2);
  std::u16string text3 = TextOfField<61>(&g.rec.text3);
  std::u16string shortText = TextOfField<9>(&g.rec.shortText);
  std::u16string closing = TextOfField<21>(&g.rec.closingText);

  CString f1, f2, f3, f4to6[3], f7, f8, f9, f10, f11to13[3], f14to16[3], f17to20[4], f21, f22, f23;
  SetMst3UNIData(line, &f1, &f2, &f3, f4to6, &f7, &f8, &f9, &f10, f11to13, f14to16, f17to20, &f21,
                 &f22, &f23);
  if (!line.IsEmpty()) {
    Check(g.rec.code == _wtol(f4to6[2]));
    Check(g.rec.cwfPrefix == _wtol(f1.Left(5)));
    Check(g.rec.cwfNumber == _wtol(f1.Mid(5)));
    Check(g.rec.classMark == f2.GetAt(0));
    Check(g.rec.useMark == f3.GetAt(0));
    Check(name == Expected(f7, 61));
    Check(text2 == Expected(f8, 21));
    Check(text3 == Expected(f9, 61));
    Check(shortText == Expected(f10, 9));
    Check(closing == Expected(f23, 21));
    double amount = g.rec.amounts1to3[0];
    float expected = static_cast<float>(_wtof(f11to13[0]));
    Check(amount == static_cast<double>(expected) || (amount != amount && expected != expected));
  }
  FormatMst3(&g.rec, 1, 2);

  CString x1, x2, x3, x4to6[3], x7, x8, x9, x10, x11to13[3], x14to16[3], x17to20[4], x21, x22, x23;
  SetMst3Data(line, &x1, &x2, &x3, x4to6, &x7, &x8, &x9, &x10, x11to13, x14to16, x17to20, &x21,
              &x22, &x23);
}

// The input as a master file: every reader, then one rewrite.
void ReadAsMaster(const uint8_t* data, size_t size, LONG parent) {
  Folder& w = Work();
  for (const char* name : {"zairyou1.mst", "zairyou2.mst", "zairyou3.mst"}) {
    std::ofstream out(w.master / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // A line takes at least one byte, so size + 1 records hold every line.
  std::vector<ZaiMst2ParentRec> all(size + 1);
  std::vector<ZaiMst1Rec> level1(500);
  std::vector<ZaiMst2Rec> group(150);
  std::vector<ZaiMst3Rec> items(300);
  GetZaiMst1_1(level1.data(), w.masterWin);
  Check(GetZaiMst2_1(group.data(), -1, w.masterWin, 0, 0) <= 150);
  Check(GetZaiMst2_3(group.data(), parent, w.masterWin, 0, 0) <= 150);
  GetZaiMst2_2(group.data(), parent, 1, w.masterWin, 0, 0);
  GetMst2Pos(parent, 1, 1, -1, group.data());
  GetMst1Pos(parent, 1, -1, level1.data());
  Check(GetZaiMst3(items.data(), 0, -1, parent, w.masterWin, 0, 0) <= 300);

  int before = GetZaiMst2(all.data(), 1, -1);
  Check(before >= 0 && static_cast<size_t>(before) <= size + 1);
  int inGroup = 0;
  for (int i = 0; i < before; ++i) inGroup += all[i].parentCode == parent;
  DelZaiMst2_1(parent, 1, -1);
  int after = GetZaiMst2(all.data(), 1, -1);
  Check(after == before - inGroup);
  for (int i = 0; i < after; ++i) Check(all[i].parentCode != parent);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  text.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2) text += char16_t(data[i] | (data[i + 1] << 8));

  LONG parent = 0;
  std::size_t start = 0;
  for (int lines = 0; start <= text.size() && lines < 64; ++lines) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    CString line(std::u16string_view(text).substr(start, end - start));
    if (lines == 0) parent = _wtol(CString(line).GetString());
    ParseLevel2(line);
    ParseLevel3(line);
    start = end + 1;
  }
  ReadAsMaster(data, size, parent);
  return 0;
}
