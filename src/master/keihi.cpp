// The expense master "keihi.mst": items of one-character kinds, read into the
// host's parallel arrays, appended, deleted and replaced in place.
#include <algorithm>
#include <string>
#include <string_view>

#include "cmddll3/keihi.h"
#include "cmddll3/platform/file.h"
#include "master/linetext.h"
#include "master/mstfile.h"
#include "master/rewrite.h"

namespace cmd::master {
namespace {

constexpr const char16_t* kKeihiFile = u"keihi.mst";
constexpr const char16_t* kKeihiLine = u"%c,%s,%.0lf,%d,%d,%d,%d,%d,%d,%d\n";
constexpr const char16_t* kKeihiShortLine = u"%c,%s,%.0lf,%d,%d,%d,%d,%d,%d\n";

// Where the fields of a line start: after the kind and its comma.
constexpr std::size_t kFieldsStart = 2;
constexpr int kFieldCount = 9;       // name, amount, f4 to f10
constexpr std::size_t kTextLimit = 199;  // name and amount
constexpr std::size_t kIntLimit = 9;     // each integer

// One item as the host sees it.
struct KeihiItem {
  CString name;
  double amount = 0;
  int f[7] = {};
};

bool IsOfKind(std::u16string_view line, char16_t kind) {
  return !line.empty() && line[0] == kind;
}

// The fields of an item line: the text after the kind and its comma cut at
// commas into nine fields, the last one taking the rest of the line. Missing
// fields are empty.
void CutFields(std::u16string_view line, std::u16string_view (&fields)[kFieldCount]) {
  std::u16string_view rest = line.size() > kFieldsStart ? line.substr(kFieldsStart) : u"";
  for (int i = 0; i < kFieldCount; ++i) {
    if (i == kFieldCount - 1) {
      fields[i] = rest;
      break;
    }
    std::size_t comma = rest.find(u',');
    if (comma == std::u16string_view::npos) {
      fields[i] = rest;
      for (int j = i + 1; j < kFieldCount; ++j) fields[j] = {};
      break;
    }
    fields[i] = rest.substr(0, comma);
    rest = rest.substr(comma + 1);
  }
}

std::u16string_view Limited(std::u16string_view field, std::size_t limit) {
  return field.substr(0, std::min(field.size(), limit));
}

KeihiItem ParseItem(std::u16string_view line) {
  std::u16string_view fields[kFieldCount];
  CutFields(line, fields);
  KeihiItem item;
  item.name = CString(Limited(fields[0], kTextLimit));
  item.amount = ToDouble(Limited(fields[1], kTextLimit));
  for (int i = 0; i < 7; ++i) item.f[i] = ToInt(Limited(fields[2 + i], kIntLimit));
  return item;
}

CString FullLine(char16_t kind, const CString& name, double amount, const int (&f)[7]) {
  CString line;
  line.Format(kKeihiLine, kind, name, amount, f[0], f[1], f[2], f[3], f[4], f[5], f[6]);
  return line;
}

CString ShortLine(char16_t kind, const CString& name, double amount, const int (&f)[6]) {
  CString line;
  line.Format(kKeihiShortLine, kind, name, amount, f[0], f[1], f[2], f[3], f[4], f[5]);
  return line;
}

CString KeihiPath(int trade) { return MasterFolder(trade, -1) + kKeihiFile; }

// Whether an item can be stored in one line of the master.
bool Storable(char16_t kind, const CString& name) {
  return kind != u'\n' && kind != u'\0' && kind != u'\x1A' && FitsOneField(name);
}

// The master, created empty when missing; "" when it cannot be created.
CString ExistingMaster(int trade) {
  CString path = KeihiPath(trade);
  return CreateEmptyIfMissing(path) ? path : CString();
}

// A rewrite of the master through a staging file: `edit` gets each line and writes
// what takes its place (itself, another line or nothing), then `finish`
// writes what comes after the last line. Both return whether the new master
// should replace the old one. Failures end silently: the master stays.
template <class Edit, class Finish>
bool Rewrite(const CString& path, Edit&& edit, Finish&& finish) {
  if (path.IsEmpty()) return false;
  try {
    StagedMaster staged(path);
    if (!staged.OpenForRewrite()) return false;
    CString line;
    while (staged.ReadLine(line)) edit(staged, line);
    if (!finish(staged)) return false;  // nothing changed: the master keeps its bytes
    staged.Commit();
    return true;
  } catch (CFileException&) {
    return false;
  }
}

}  // namespace
}  // namespace cmd::master

using namespace cmd::master;

int GetKeihiMst(CString* names, double* amounts, int* f4, int* f5, int* f6, int* f7, int* f8,
                int* f9, int* f10, char16_t kind, int trade) {
  if (!names || !amounts || !f4 || !f5 || !f6 || !f7 || !f8 || !f9 || !f10) return 0;
  int* const ints[7] = {f4, f5, f6, f7, f8, f9, f10};
  MasterReader reader;
  if (!reader.Open(KeihiPath(trade))) return 0;
  int count = 0;
  try {
    CString line;
    while (reader.ReadLine(line)) {
      if (!IsOfKind(line, kind)) continue;
      KeihiItem item = ParseItem(line);
      names[count] = item.name;
      amounts[count] = item.amount;
      for (int i = 0; i < 7; ++i) ints[i][count] = item.f[i];
      ++count;
    }
  } catch (CFileException&) {
    // The items read before the error are kept and counted.
  }
  return count;
}

int AddKeihiMst(CString name, double amount, int f4, int f5, int f6, int f7, int f8, int f9,
                int f10, char16_t kind, int trade) {
  if (!Storable(kind, name)) {
    ReportRefusedText(u"AddKeihiMst");
    return 0;
  }
  const CString line = FullLine(kind, name, amount, {f4, f5, f6, f7, f8, f9, f10});
  Rewrite(
      ExistingMaster(trade), [](StagedMaster& staged, const CString& old) { staged.KeepLine(old); },
      [&](StagedMaster& staged) {
        staged.Write(line);
        return true;
      });
  return 0;
}

void AddAllKeihiMst(const CString* names, const double* amounts, const int* f4, const int* f5,
                    const int* f6, const int* f7, const int* f8, const int* f9, const int* f10,
                    char16_t kind, int trade, int count) {
  const CString path = KeihiPath(trade);
  if (count <= 0) {
    CreateEmptyIfMissing(path);
    return;
  }
  if (!names || !amounts || !f4 || !f5 || !f6 || !f7 || !f8 || !f9 || !f10) return;
  for (int i = 0; i < count; ++i) {
    if (!Storable(kind, names[i])) {
      ReportRefusedText(u"AddAllKeihiMst");
      return;
    }
  }
  try {
    StagedMaster staged(path);
    if (!staged.OpenForAppend(kAppendMode)) return;
    for (int i = 0; i < count; ++i)
      staged.Write(FullLine(kind, names[i], amounts[i],
                            {f4[i], f5[i], f6[i], f7[i], f8[i], f9[i], f10[i]}));
    staged.Commit();
  } catch (CFileException&) {
  }
}

int DelKeihiMst(CString name, double amount, int f4, int f5, int f6, int f7, int f8, int f9,
                int f10, char16_t kind, int trade) {
  const int wanted[7] = {f4, f5, f6, f7, f8, f9, f10};
  auto matches = [&](const CString& line) {
    if (!IsOfKind(line, kind)) return false;
    KeihiItem item = ParseItem(line);
    if (item.name != name || item.amount != amount) return false;
    for (int i = 0; i < 7; ++i)
      if (item.f[i] != wanted[i]) return false;
    return true;
  };
  bool dropped = false;
  Rewrite(
      ExistingMaster(trade),
      [&](StagedMaster& staged, const CString& line) {
        if (!dropped && matches(line))
          dropped = true;
        else
          staged.KeepLine(line);
      },
      [](StagedMaster&) { return true; });
  return 0;
}

void DelAllKeihiMst(char16_t kind, int trade) {
  Rewrite(
      ExistingMaster(trade),
      [&](StagedMaster& staged, const CString& line) {
        if (!IsOfKind(line, kind)) staged.KeepLine(line);
      },
      [](StagedMaster&) { return true; });
}

int UpdateKeihiMst_1(CString name, double amount, int f4, int f5, int f6, int f7, int f8, int f9,
                     char16_t kind, int trade) {
  if (!Storable(kind, name)) {
    ReportRefusedText(u"UpdateKeihiMst_1");
    return 0;
  }
  const CString line = ShortLine(kind, name, amount, {f4, f5, f6, f7, f8, f9});
  bool replaced = false;
  Rewrite(
      ExistingMaster(trade),
      [&](StagedMaster& staged, const CString& old) {
        if (!IsOfKind(old, kind)) {
          staged.KeepLine(old);
          return;
        }
        staged.Write(line);
        replaced = true;
      },
      [&](StagedMaster& staged) {
        if (!replaced) staged.Write(line);
        return true;
      });
  return 0;
}

int UpdateKeihiMst_2(CString name, double amount, int f4, int f5, int f6, int f7, int f8, int f9,
                     int f10, int index, char16_t kind, int trade) {
  if (!Storable(kind, name)) {
    ReportRefusedText(u"UpdateKeihiMst_2");
    return 0;
  }
  const CString line = FullLine(kind, name, amount, {f4, f5, f6, f7, f8, f9, f10});
  int seen = 0;
  bool replaced = false;
  bool committed = Rewrite(
      ExistingMaster(trade),
      [&](StagedMaster& staged, const CString& old) {
        if (IsOfKind(old, kind) && seen++ == index) {
          staged.Write(line);
          replaced = true;
        } else {
          staged.KeepLine(old);
        }
      },
      [&](StagedMaster&) { return replaced; });
  return committed ? 1 : 0;
}
