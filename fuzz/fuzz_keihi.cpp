// The expense-line and remark-line readers on arbitrary masters.
//
// The first input byte picks the expense kind; the rest are UTF-16LE units
// of a master's text, written as "keihi.mst" and as "bikou.mst" (with a
// byte-order mark). Beyond finding crashes and out-of-bounds accesses, it
// checks that
//   - GetKeihiMst returns exactly the lines of the kind, each field read
//     within its limit and never past its comma, as a plain model of the
//     layout reads them, and writes no array entry beyond its count;
//   - GetBikouMst reads at most 300 remarks, each text up to its first tab
//     and each flag from between the first and the second tab;
//   - every item read back is stored by AddKeihiMst and read again with the
//     same name and integers.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/keihi.h"
#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/textfile.h"
#include "cmddll3/smallmst.h"

namespace fs = std::filesystem;

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Folder {
  fs::path root, master;
};

Folder& Work() {
  static Folder folder = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/fuzzkeihi-XXXXXX";
    Folder f;
    f.root = mkdtemp(tmpl.data());
    f.master = f.root / "MASTER" / "電気";
    fs::create_directories(f.master);
    SetSystemDrv(CString::FromUtf8(f.root.string() + "/"));
    SetMessageBoxHook([](HWND, const CString&, const CString&, UINT) { return IDOK; });
    SetDebugOutputHook([](const CString&) {});
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Work().root, ec);
    });
    return f;
  }();
  return folder;
}

void WriteFile(const fs::path& p, const std::string& bytes) {
  FILE* f = std::fopen(p.c_str(), "wb");
  Check(f != nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// ---- The model of the layouts

std::u16string Cut(std::u16string_view field, std::size_t limit) {
  return std::u16string(field.substr(0, limit));
}

struct Item {
  std::u16string name;
  double amount = 0;
  int f[7] = {};
};

// After the kind and its comma: name, amount and f4 to f9 end at a comma,
// f10 takes the rest; name and amount at most 199 characters, integers 9.
Item ModelItem(std::u16string_view line) {
  std::u16string_view rest = line.size() > 2 ? line.substr(2) : std::u16string_view();
  std::u16string_view fields[9];
  for (int i = 0; i < 9; ++i) {
    std::size_t comma = i < 8 ? rest.find(u',') : std::u16string_view::npos;
    fields[i] = rest.substr(0, comma);
    rest = comma == std::u16string_view::npos ? std::u16string_view() : rest.substr(comma + 1);
  }
  Item item;
  item.name = Cut(fields[0], 199);
  item.amount = _wtof(Cut(fields[1], 199).c_str());
  for (int i = 0; i < 7; ++i) item.f[i] = _wtoi(Cut(fields[2 + i], 9).c_str());
  return item;
}

bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b); }

struct Arrays {
  explicit Arrays(std::size_t n) : names(n + 1, CString(u"guard")), amounts(n + 1, -7.5) {
    for (auto& v : f) v.assign(n + 1, -77);
  }
  int Get(char16_t kind) {
    return GetKeihiMst(names.data(), amounts.data(), f[0].data(), f[1].data(), f[2].data(),
                       f[3].data(), f[4].data(), f[5].data(), f[6].data(), kind, 1);
  }
  // Entries from index on are untouched.
  void CheckGuards(std::size_t from) const {
    for (std::size_t i = from; i < names.size(); ++i) {
      Check(names[i] == u"guard");
      Check(amounts[i] == -7.5);
      for (const auto& v : f) Check(v[i] == -77);
    }
  }
  std::vector<CString> names;
  std::vector<double> amounts;
  std::vector<int> f[7];
};

void CheckExpenses(const std::vector<CString>& lines, char16_t kind) {
  std::vector<Item> expected;
  for (const CString& line : lines)
    if (!line.IsEmpty() && line[0] == kind) expected.push_back(ModelItem(line));

  Arrays got(lines.size());
  const int count = got.Get(kind);
  Check(count == static_cast<int>(expected.size()));
  got.CheckGuards(expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    Check(got.names[i] == CString(expected[i].name));
    Check(SameDouble(got.amounts[i], expected[i].amount));
    for (int k = 0; k < 7; ++k) Check(got.f[k][i] == expected[i].f[k]);
  }

  // Each item read is stored again and read back the same (the amount is
  // rounded to a whole number on the way).
  if (kind == 0 || kind == u'\n' || kind == 0x1A) return;
  for (int i = 0; i < count && i < 4; ++i) {
    fs::remove(Work().master / "keihi.mst");
    AddKeihiMst(got.names[i], 0, got.f[0][i], got.f[1][i], got.f[2][i], got.f[3][i], got.f[4][i],
                got.f[5][i], got.f[6][i], kind, 1);
    Arrays again(1);
    Check(again.Get(kind) == 1);
    again.CheckGuards(1);
    Check(again.names[0] == got.names[i]);
    for (int k = 0; k < 7; ++k) Check(again.f[k][0] == got.f[k][i]);
  }
}

void CheckRemarks(const std::vector<CString>& lines) {
  constexpr std::size_t kRemarks = 300;
  std::vector<CString> texts(kRemarks + 1, CString(u"guard"));
  std::vector<int> flags(kRemarks + 1, -77);
  const int count = GetBikouMst(texts.data(), flags.data(), 1);
  Check(count == static_cast<int>(std::min(lines.size(), kRemarks)));
  Check(texts[kRemarks] == u"guard" && flags[kRemarks] == -77);
  for (int i = 0; i < count; ++i) {
    std::u16string line = lines[i].str() + u'\t';
    std::size_t tab = line.find(u'\t');
    std::size_t second = line.find(u'\t', tab + 1);
    std::u16string flag =
        second == std::u16string::npos ? std::u16string() : line.substr(tab + 1, second - tab - 1);
    Check(texts[i] == CString(line.substr(0, tab)));
    Check(flags[i] == _wtoi(flag.c_str()));
  }
  for (std::size_t i = count; i < kRemarks; ++i) Check(texts[i].IsEmpty() && flags[i] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  Folder& folder = Work();
  const char16_t kind = data[0] < 0x80 ? static_cast<char16_t>(data[0]) : u'経';
  // The text's units; a NUL is replaced, since a line starting with one is
  // no line for the readers (the file's other lines are what is checked).
  std::string bytes = "\xFF\xFE";
  for (size_t i = 1; i + 1 < size; i += 2) {
    if (data[i] == 0 && data[i + 1] == 0) {
      bytes += "N";
      bytes += '\0';
    } else {
      bytes += static_cast<char>(data[i]);
      bytes += static_cast<char>(data[i + 1]);
    }
  }
  std::vector<CString> lines;
  cmd::text::DecodeLines(bytes, lines);

  WriteFile(folder.master / "keihi.mst", bytes);
  CheckExpenses(lines, kind);
  WriteFile(folder.master / "bikou.mst", bytes);
  CheckRemarks(lines);
  return 0;
}
