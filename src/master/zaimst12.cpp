// Material master levels 1 and 2: "zairyou1.mst" (the top list) and
// "zairyou2.mst" (the entries of every level-1 entry, grouped by parent).
#include <algorithm>

#include "cmddll3/master.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/util_split.h"
#include "master/fileerror.h"
#include "master/rewrite.h"
#include "master/zaimst.h"

namespace cmd::master {
namespace {

constexpr const char16_t* kMst1LimitText = u"工事材料が%d件を超えています。";
constexpr const char16_t* kMst1LimitCaption = u"工事材料エラー";
constexpr const char16_t* kMst2LimitText = u"工事種類が150件を超えています。";
constexpr const char16_t* kMst2LimitCaption = u"工事種類エラー";

void ShowMst1Limit(int count) {
  CString text;
  text.Format(kMst1LimitText, count);
  MessageBoxW(nullptr, text, kMst1LimitCaption, MB_OK);
}

void ShowMst2Limit() { MessageBoxW(nullptr, kMst2LimitText, kMst2LimitCaption, MB_OK); }

CString Zai1Path(int trade, int number) { return MasterFolder(trade, number) + kZai1File; }
CString Zai2Path(const CString& folder, int trade, int number) {
  return MasterFolder(folder, trade, number) + kZai2File;
}

LONG ParentOf(const CString& line) { return LongField(line, 0); }
LONG Level2CodeOf(const CString& line) { return LongField(line, 1); }

// Fields 3 to 11 of a level-2 line: name, attributes, integer attributes.
template <class Rec>
void FillMst2Body(Rec* rec, FieldCursor& f) {
  StoreText(rec->name, kNameUnits, f.Text());
  for (int i = 0; i < 5; ++i) rec->attr[i] = static_cast<BYTE>(f.Int());
  for (int i = 0; i < 3; ++i) rec->value[i] = f.Long();
}

// The level-2 readers that collect one parent's group (-1: every parent).
int ReadMst2Group(ZaiMst2Rec* recs, LONG parentCode, const CString& folder, int trade,
                  int number, bool parentAsCode) {
  if (!recs) return 0;
  MasterReader reader;
  if (!reader.Open(Zai2Path(folder, trade, number))) return 0;
  int count = 0;
  try {
    CString line;
    while (reader.ReadLine(line)) {
      LONG parent = ParentOf(line);
      if (parentCode != -1 && parent != parentCode) continue;
      if (count == kMst2GroupLimit) {
        ShowMst2Limit();
        break;
      }
      FillMst2(&recs[count], line, parentAsCode);
      ++count;
    }
  } catch (CFileException&) {
    return -1;
  }
  return count;
}

// Keeps every level-2 line but those that `drop` selects, then appends the
// records as the parent's new lines. A missing file is created when `create`.
template <class Drop>
void RewriteZai2(const char16_t* function, int trade, int number, bool create, Drop&& drop,
                 const ZaiMst2Rec* recs, int count, LONG parentCode) {
  if (count > 0 && !recs) return;  // no records to write: leave the master alone
  if (!AllRecordsFit(function, recs, count)) return;
  CString path = Zai2Path(CString(), trade, number);
  if (create && !CreateEmptyIfMissing(path)) return;
  try {
    RewriteMaster(
        path, [&](const CString& line) { return !drop(line); },
        [&](StagedMaster& staged) {
          for (int k = 0; k < count; ++k) staged.Write(FormatMst2(&recs[k], parentCode));
        });
  } catch (CFileException&) {
    // The master stays as it was; writers end silently.
  }
}

}  // namespace

bool RecordFits(const ZaiMst1Rec& rec) { return FitsOneField(TextOf(rec.name, kNameUnits)); }
bool RecordFits(const ZaiMst2Rec& rec) { return FitsOneField(TextOf(rec.name, kNameUnits)); }

void FillMst1(ZaiMst1Rec* rec, std::u16string_view line) {
  FieldCursor f(line);
  rec->code = f.Long();
  StoreText(rec->name, kNameUnits, f.Text());
  rec->flag = static_cast<WORD>(f.Int());
}

void FillMst2(ZaiMst2Rec* rec, std::u16string_view line, bool parentAsCode) {
  FieldCursor f(line);
  LONG parent = f.Long();
  LONG code = f.Long();
  rec->code = parentAsCode ? parent : code;
  FillMst2Body(rec, f);
}

int ReadZaiMst1File(CString path, ZaiMst1Rec* out) {
  if (!out) return 0;
  out[0].code = 0;
  MasterReader reader;
  if (!reader.Open(path)) return 0;
  int count = 0;
  try {
    CString line;
    while (reader.ReadLine(line)) {
      if (count == kMst1Limit) {
        ShowMst1Limit(count);
        break;
      }
      ExtractToMst1(line, &out[count]);
      ++count;
    }
  } catch (CFileException&) {
    return 0;
  }
  return count;
}

}  // namespace cmd::master

using namespace cmd::master;

// ---- Lines and records

CString FormatMst1(const ZaiMst1Rec* rec) {
  CString line;
  if (!rec) return line;
  line.Format(u"%ld,%s,%d\n", rec->code, TextOf(rec->name, kNameUnits),
              static_cast<int>(rec->flag));
  return line;
}

CString FormatMst2(const ZaiMst2Rec* rec, LONG parentCode) {
  CString line;
  if (!rec) return line;
  line.Format(u"%ld,%ld,%s,%d,%d,%d,%d,%d,%d,%d,%d\n", parentCode, static_cast<LONG>(rec->code),
              TextOf(rec->name, kNameUnits), static_cast<int>(rec->attr[0]),
              static_cast<int>(rec->attr[1]), static_cast<int>(rec->attr[2]),
              static_cast<int>(rec->attr[3]), static_cast<int>(rec->attr[4]),
              static_cast<LONG>(rec->value[0]), static_cast<LONG>(rec->value[1]),
              static_cast<LONG>(rec->value[2]));
  return line;
}

namespace {

// A field of the older fixed-column layouts: the text from `start`, cut to
// `length` characters, trailing half-width spaces removed.
CString FixedField(const CString& line, int start, int length) {
  return cstrmemmove(line.Mid(start), length, 0);
}

void SetIf(CString* target, const CString& value) {
  if (target) *target = value;
}

}  // namespace

void SetMst1Data(CString line, CString* code, CString* name, CString* flag) {
  SetIf(code, FixedField(line, 0, 4));
  SetIf(name, FixedField(line, 4, 60));
  SetIf(flag, FixedField(line, 64, 3));
}

void SetMst2Data(CString line, CString* codes, CString* name, CString* attrs,
                 CString* values) {
  if (codes) {
    codes[0] = FixedField(line, 0, 4);
    codes[1] = FixedField(line, 4, 4);
  }
  SetIf(name, FixedField(line, 8, 60));
  if (attrs)
    for (int i = 0; i < 5; ++i) attrs[i] = FixedField(line, 68 + 5 * i, 5);
  if (values)
    for (int i = 0; i < 3; ++i) values[i] = FixedField(line, 93 + 5 * i, 5);
}

void SetMst2UNIData(CString line, CString* codes, CString* name, CString* attrs,
                    CString* values) {
  CString fields[kMst2Fields];
  int n = SplitCStrByComma(line, fields, kMst2Fields);
  CString* targets[kMst2Fields] = {
      codes ? &codes[0] : nullptr,  codes ? &codes[1] : nullptr,  name,
      attrs ? &attrs[0] : nullptr,  attrs ? &attrs[1] : nullptr,  attrs ? &attrs[2] : nullptr,
      attrs ? &attrs[3] : nullptr,  attrs ? &attrs[4] : nullptr,  values ? &values[0] : nullptr,
      values ? &values[1] : nullptr, values ? &values[2] : nullptr};
  for (int i = 0; i < n; ++i) SetIf(targets[i], fields[i]);
}

void ExtractToMst1(CString line, ZaiMst1Rec* rec) {
  if (!rec) return;
  ClearRecord(rec);
  if (!line.IsEmpty()) FillMst1(rec, line);
}

void ExtractToMst2(CString line, ZaiMst2Rec* rec) {
  if (!rec) return;
  ClearRecord(rec);
  if (!line.IsEmpty()) FillMst2(rec, line);
}

// ---- Level 1

int GetZaiMst1(ZaiMst1Rec* recs, int trade, int number) {
  return ReadZaiMst1File(Zai1Path(trade, number), recs);
}

int GetZaiMst1_1(ZaiMst1Rec* recs, CString folder) {
  return ReadZaiMst1File(folder + kZai1File, recs);
}

void UpdateZaiMst1(const ZaiMst1Rec* recs, int count, int trade, int number) {
  if (count > 0 && !recs) return;
  if (!AllRecordsFit(u"UpdateZaiMst1", recs, count)) return;
  try {
    // Written whole, through the staging file, so that a failed write leaves
    // the old list rather than a cut one.
    WriteMasterWhole(Zai1Path(trade, number), [&](StagedMaster& staged) {
      for (int k = 0; k < count; ++k) staged.Write(FormatMst1(&recs[k]));
    });
  } catch (CFileException&) {
  }
}

int GetMst1Pos(LONG code, int trade, int number, ZaiMst1Rec* rec) {
  MasterReader reader;
  if (!reader.Open(Zai1Path(trade, number))) return 0;
  try {
    CString line;
    for (int pos = 0; reader.ReadLine(line); ++pos) {
      if (IntField(line, 0) != code) continue;
      ExtractToMst1(line, rec);
      return pos;
    }
  } catch (CFileException&) {
  }
  return 0;
}

// ---- Level 2

int GetZaiMst2(ZaiMst2ParentRec* recs, int trade, int number) {
  if (!recs) return 0;
  MasterReader reader;
  if (!reader.Open(Zai2Path(CString(), trade, number))) return 0;
  int count = 0;
  try {
    CString line;
    while (reader.ReadLine(line)) {
      FieldCursor f(line);
      ZaiMst2ParentRec* rec = &recs[count];
      rec->parentCode = f.Long();
      rec->code = f.Long();
      FillMst2Body(rec, f);
      ++count;
    }
  } catch (CFileException&) {
    return -1;
  }
  return count;
}

int GetZaiMst2_1(ZaiMst2Rec* recs, LONG parentCode, CString folder, int trade, int number) {
  return ReadMst2Group(recs, parentCode, folder, trade, number, false);
}

int GetZaiMst2_3(ZaiMst2Rec* recs, LONG parentCode, CString folder, int trade, int number) {
  return ReadMst2Group(recs, parentCode, folder, trade, number, true);
}

int GetZaiMst2_2(ZaiMst2Rec* rec, LONG parentCode, LONG code, CString folder, int trade,
                 int number) {
  MasterReader reader;
  if (!reader.Open(Zai2Path(folder, trade, number))) return 0;
  try {
    CString line;
    while (reader.ReadLine(line)) {
      if (ParentOf(line) != parentCode || Level2CodeOf(line) != code) continue;
      ExtractToMst2(line, rec);
      return 1;
    }
  } catch (CFileException&) {
  }
  return 0;
}

int GetMst2Pos(LONG parentCode, LONG code, int trade, int number, ZaiMst2Rec* rec) {
  MasterReader reader;
  if (!reader.Open(Zai2Path(CString(), trade, number))) return 0;
  try {
    CString line;
    int pos = 0;
    while (reader.ReadLine(line)) {
      if (ParentOf(line) != parentCode) continue;
      if (Level2CodeOf(line) == code) {
        ExtractToMst2(line, rec);
        return pos;
      }
      ++pos;
    }
  } catch (CFileException&) {
  }
  return 0;
}

void UpdateZaiMst2_1(const ZaiMst2Rec* recs, LONG parentCode, int count, int trade,
                     int number) {
  RewriteZai2(
      u"UpdateZaiMst2_1", trade, number, true,
      [&](const CString& line) { return ParentOf(line) == parentCode; }, recs, count,
      parentCode);
}

void UpdateZaiMst2_2(const ZaiMst2Rec* recs, LONG parentCode, LONG code, int count, int trade,
                     int number) {
  RewriteZai2(
      u"UpdateZaiMst2_2", trade, number, true,
      [&](const CString& line) {
        return ParentOf(line) == parentCode && Level2CodeOf(line) == code;
      },
      recs, count, parentCode);
}

void DelZaiMst2_1(LONG parentCode, int trade, int number) {
  RewriteZai2(
      u"DelZaiMst2_1", trade, number, false,
      [&](const CString& line) { return ParentOf(line) == parentCode; }, nullptr, 0,
      parentCode);
}

void DelZaiMst2_2(LONG parentCode, LONG code, int trade, int number) {
  RewriteZai2(
      u"DelZaiMst2_2", trade, number, false,
      [&](const CString& line) {
        return ParentOf(line) == parentCode && Level2CodeOf(line) == code;
      },
      nullptr, 0, parentCode);
}

bool IsZaiMstExzist(int trade, int number) {
  CString folder = MasterFolder(trade, number);
  return FileExists(folder + kZai1File) && FileExists(folder + kZai2File);
}
