// Material master level 3: the priced items, one file "zai%03d-3.mst" per
// level-1 code, grouped inside by level-2 code.
//
// Line: drawing code, class mark, table-use mark, level-1, level-2 and
// level-3 codes, name, second, third and short texts, amounts 1-3, amounts
// 4-6, factors 1-4, factor 5, amount 7, closing text (23 fields). Amounts are
// whole numbers; factors are kept as thousandths.
#include <bitset>
#include <cmath>
#include <limits>

#include "cmddll3/master.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/util_split.h"
#include "master/fileerror.h"
#include "master/rewrite.h"
#include "master/zaimst.h"

namespace cmd::master {
namespace {

constexpr const char16_t* kCwfErrorText = u"図面ｺｰﾄﾞエラー";
constexpr const char16_t* kCwfErrorCaption = u"DEBUG";
constexpr int kCwfPrefixDigits = 5;
constexpr int kCwfNumberDigits = 7;

// Amounts are kept at single precision, as the file's values always were.
// The conversion is IEEE's (round to nearest; beyond the float range an
// infinity), as on the Windows runtime.
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);
float ToSingle(double v) { return static_cast<float>(v); }

double AmountOf(double field) { return ToSingle(field); }
float FactorOf(double thousandths) { return ToSingle(thousandths / 1000.0); }

// A mark as a field: one character, or an empty field for 0.
CString MarkText(char16_t mark) { return mark ? CString(mark) : CString(); }

CString Zai3Path(int trade, int number, LONG fileNumber) {
  return MasterFolder(trade, number) + Zai3FileName(fileNumber);
}

// The three codes of a level-3 line (fields 4 to 6).
struct Mst3Keys {
  LONG level1, level2, level3;
};
Mst3Keys KeysOf(const CString& line) {
  FieldCursor f(line);
  f.Skip(3);
  Mst3Keys keys;
  keys.level1 = f.Long();
  keys.level2 = f.Long();
  keys.level3 = f.Long();
  return keys;
}

bool InGroup(const Mst3Keys& keys, LONG level1Code, LONG level2Code) {
  return keys.level1 == level1Code && keys.level2 == level2Code;
}
bool InGroup(const CString& line, LONG level1Code, LONG level2Code) {
  return InGroup(KeysOf(line), level1Code, level2Code);
}

// Drops the lines that `drop` selects from a level-3 file (created empty when
// missing) and appends the new lines that `append` writes.
template <class Drop, class Append>
void RewriteZai3(const CString& path, Drop&& drop, Append&& append) {
  if (!CreateEmptyIfMissing(path)) return;
  RewriteMaster(path, [&](const CString& line) { return !drop(line); }, append);
}

void DeleteWholeFile(const CString& path) {
  if (!FileExists(path)) return;
  try {
    CFile::Remove(path);
  } catch (CFileException&) {
    // What a failed delete leaves is not defined; the file simply stays.
  }
}

}  // namespace

CString Zai3FileName(LONG fileNumber) {
  CString name;
  name.Format(u"zai%03ld-3.mst", fileNumber);
  return name;
}

void FillMst3(ZaiMst3Rec* rec, std::u16string_view line) {
  FieldCursor f(line);
  std::u16string_view cwf = f.Text();
  std::size_t split = std::min<std::size_t>(cwf.size(), kCwfPrefixDigits);
  rec->cwfPrefix = ToLong(cwf.substr(0, split));
  rec->cwfNumber = ToLong(cwf.substr(split));
  std::u16string_view classMark = f.Text(), useMark = f.Text();
  rec->classMark = classMark.empty() ? 0 : classMark[0];
  rec->useMark = useMark.empty() ? 0 : useMark[0];
  f.Skip(2);  // the level-1 and level-2 codes are not kept
  rec->code = f.Long();
  StoreText(rec->name, kNameUnits, f.Text());
  StoreText(rec->text2, kText2Units, f.Text());
  StoreText(rec->text3, kText3Units, f.Text());
  StoreText(rec->shortText, kShortTextUnits, f.Text());
  for (int i = 0; i < 3; ++i) rec->amounts1to3[i] = AmountOf(f.Double());
  for (int i = 0; i < 3; ++i) rec->amounts4to6[i] = AmountOf(f.Double());
  for (int i = 0; i < 5; ++i) rec->factors[i] = FactorOf(f.Double());
  rec->amount7 = AmountOf(f.Double());
  StoreText(rec->closingText, kClosingTextUnits, f.Text());
}

bool RecordFits(const ZaiMst3Rec& rec) {
  for (const CString& text :
       {MarkText(rec.classMark), MarkText(rec.useMark), TextOf(rec.name, kNameUnits),
        TextOf(rec.text2, kText2Units), TextOf(rec.text3, kText3Units),
        TextOf(rec.shortText, kShortTextUnits), TextOf(rec.closingText, kClosingTextUnits)})
    if (!FitsOneField(text)) return false;
  return true;
}

}  // namespace cmd::master

using namespace cmd::master;

// ---- Lines and records

CString MakeCwfCode(LONG prefix, LONG number) {
  CString head, tail;
  head.Format(u"%05ld", prefix);
  tail.Format(u"%07ld", number);
  if (head.GetLength() > kCwfPrefixDigits || tail.GetLength() > kCwfNumberDigits)
    MessageBoxW(nullptr, kCwfErrorText, kCwfErrorCaption, MB_OK);
  return head + tail;
}

CString FormatMst3(const ZaiMst3Rec* rec, LONG level1Code, LONG level2Code) {
  CString line;
  if (!rec) return line;
  auto thousandths = [](float factor) { return static_cast<double>(factor) * 1000.0; };
  line.Format(
      u"%s,%s,%s,%ld,%ld,%ld,%s,%s,%s,%s,%.0f,%.0f,%.0f,%.0f,%.0f,%.0f,%.0f,%.0f,%.0f,%.0f,"
      u"%.0f,%.0f,%s\n",
      MakeCwfCode(rec->cwfPrefix, rec->cwfNumber), MarkText(rec->classMark),
      MarkText(rec->useMark), level1Code, level2Code, static_cast<LONG>(rec->code),
      TextOf(rec->name, kNameUnits), TextOf(rec->text2, kText2Units),
      TextOf(rec->text3, kText3Units), TextOf(rec->shortText, kShortTextUnits),
      static_cast<double>(rec->amounts1to3[0]), static_cast<double>(rec->amounts1to3[1]),
      static_cast<double>(rec->amounts1to3[2]), static_cast<double>(rec->amounts4to6[0]),
      static_cast<double>(rec->amounts4to6[1]), static_cast<double>(rec->amounts4to6[2]),
      thousandths(rec->factors[0]), thousandths(rec->factors[1]), thousandths(rec->factors[2]),
      thousandths(rec->factors[3]), thousandths(rec->factors[4]),
      static_cast<double>(rec->amount7), TextOf(rec->closingText, kClosingTextUnits));
  return line;
}

namespace {

// The 23 outputs of the level-3 field parsers, in field order; the entries of
// a null output pointer are null.
struct Mst3Targets {
  CString* at[kMst3Fields];
};

Mst3Targets Mst3TargetsOf(CString* f1, CString* f2, CString* f3, CString* f4to6, CString* f7,
                          CString* f8, CString* f9, CString* f10, CString* f11to13,
                          CString* f14to16, CString* f17to20, CString* f21, CString* f22,
                          CString* f23) {
  auto item = [](CString* array, int i) { return array ? &array[i] : nullptr; };
  return {{f1, f2, f3, item(f4to6, 0), item(f4to6, 1), item(f4to6, 2), f7, f8, f9, f10,
           item(f11to13, 0), item(f11to13, 1), item(f11to13, 2), item(f14to16, 0),
           item(f14to16, 1), item(f14to16, 2), item(f17to20, 0), item(f17to20, 1),
           item(f17to20, 2), item(f17to20, 3), f21, f22, f23}};
}

// The older fixed-column layout, field by field: start, length and whether
// trailing half-width spaces are removed (the two marks keep theirs).
struct FixedColumn {
  int start;
  int length;
  bool trim;
};
constexpr FixedColumn kMst3Columns[kMst3Fields] = {
    {0, 13, true},    {13, 1, false},   {14, 1, false},   {15, 4, true},    {19, 4, true},
    {23, 4, true},    {27, 60, true},   {87, 15, true},   {102, 60, true},  {162, 8, true},
    {170, 10, true},  {180, 10, true},  {190, 10, true},  {200, 10, true},  {210, 8, true},
    {218, 8, true},   {226, 5, true},   {231, 5, true},   {236, 5, true},   {241, 5, true},
    {246, 5, true},   {251, 10, true},  {261, 20, true}};

}  // namespace

void SetMst3UNIData(CString line, CString* f1, CString* f2, CString* f3, CString* f4to6,
                    CString* f7, CString* f8, CString* f9, CString* f10, CString* f11to13,
                    CString* f14to16, CString* f17to20, CString* f21, CString* f22,
                    CString* f23) {
  Mst3Targets targets = Mst3TargetsOf(f1, f2, f3, f4to6, f7, f8, f9, f10, f11to13, f14to16,
                                      f17to20, f21, f22, f23);
  CString fields[kMst3Fields];
  int n = SplitCStrByComma(line, fields, kMst3Fields);
  for (int i = 0; i < n; ++i)
    if (targets.at[i]) *targets.at[i] = fields[i];
}

void SetMst3Data(CString line, CString* f1, CString* f2, CString* f3, CString* f4to6,
                 CString* f7, CString* f8, CString* f9, CString* f10, CString* f11to13,
                 CString* f14to16, CString* f17to20, CString* f21, CString* f22, CString* f23) {
  Mst3Targets targets = Mst3TargetsOf(f1, f2, f3, f4to6, f7, f8, f9, f10, f11to13, f14to16,
                                      f17to20, f21, f22, f23);
  for (int i = 0; i < kMst3Fields; ++i) {
    if (!targets.at[i]) continue;
    const FixedColumn& c = kMst3Columns[i];
    *targets.at[i] = cstrmemmove(line.Mid(c.start), c.length, c.trim ? 0 : 1);
  }
}

void ExtractToMst3(CString line, ZaiMst3Rec* rec) {
  if (!rec) return;
  ClearRecord(rec);
  if (!line.IsEmpty()) FillMst3(rec, line);
}

// ---- Reading

int GetZaiMst3(ZaiMst3Rec* recs, int fileNumber, LONG level1Code, LONG level2Code,
               CString folder, int trade, int number) {
  if (!recs) return 0;
  CString path = folder.IsEmpty() ? Zai3Path(trade, number, fileNumber) : folder + kZai3File;
  if (!CreateEmptyIfMissing(path)) return 0;
  MasterReader reader;
  if (!reader.Open(path)) return 0;
  int count = 0;
  try {
    CString line;
    while (reader.ReadLine(line)) {
      Mst3Keys keys = KeysOf(line);
      if (keys.level2 != level2Code) continue;
      if (level1Code != -1 && keys.level1 != level1Code) continue;
      if (count == kMst3Limit) break;
      FillMst3(&recs[count], line);
      ++count;
    }
  } catch (CFileException& e) {
    ShowFileError(e);
  }
  return count;
}

int GetMst3Pos(LONG level1Code, LONG level2Code, LONG level3Code, int trade, int number,
               ZaiMst3Rec* rec) {
  MasterReader reader;
  if (!reader.Open(Zai3Path(trade, number, level1Code))) return 0;
  try {
    CString line;
    int pos = 0;
    while (reader.ReadLine(line)) {
      FieldCursor f(line);
      f.Skip(3);
      if (f.Int() != level1Code || f.Int() != level2Code) continue;
      if (f.Int() == level3Code) {
        ExtractToMst3(line, rec);
        return pos;
      }
      ++pos;
    }
  } catch (CFileException&) {
  }
  return 0;
}

int GetMst3Cnt(const ZaiMst3Rec* recs) {
  if (!recs) return 0;
  int end = 0;
  for (int i = 0; i < kMst3Limit; ++i)
    if (recs[i].name[0] != 0) end = i + 1;
  return end;
}

int GetEndLineMst3(const ZaiMst3Rec* recs) { return GetMst3Cnt(recs); }

int WhatIsMst3Code(const ZaiMst3Rec* recs, int count) {
  if (count < 1 || !recs) return 1;
  std::bitset<kMst3MaxCode + 1> taken;
  for (int i = 0; i < count; ++i) {
    LONG code = recs[i].code;
    if (code >= 1 && code <= kMst3MaxCode) taken.set(static_cast<std::size_t>(code));
  }
  for (int v = 1; v <= kMst3MaxCode; ++v)
    if (!taken.test(static_cast<std::size_t>(v))) return v;
  return -1;
}

// ---- Changing

void UpdateZaiMst3(const ZaiMst3Rec* recs, int fileNumber, LONG level1Code, LONG level2Code,
                   int count, int trade, int number) {
  if (count > 0 && !recs) return;
  if (!AllRecordsFit(u"UpdateZaiMst3", recs, count)) return;
  try {
    RewriteZai3(
        Zai3Path(trade, number, fileNumber),
        [&](const CString& line) { return InGroup(line, level1Code, level2Code); },
        [&](StagedMaster& staged) {
          for (int k = 0; k < count; ++k)
            staged.Write(FormatMst3(&recs[k], level1Code, level2Code));
        });
  } catch (CFileException& e) {
    ShowFileError(e);
  }
}

void UpdateZaiMst3_2(const ZaiMst3Rec* recs, int fileNumber, LONG level1Code, LONG level2Code,
                     LONG level3Code, int count, int trade, int number) {
  if (count > 0 && !recs) return;
  if (!AllRecordsFit(u"UpdateZaiMst3_2", recs, count)) return;
  CString path = Zai3Path(trade, number, fileNumber);
  if (!CreateEmptyIfMissing(path) || level2Code == -1) return;
  try {
    StagedMaster staged(path);
    if (!staged.OpenForRewrite()) return;
    CString line;
    while (staged.ReadLine(line)) {
      Mst3Keys keys = KeysOf(line);
      if (!InGroup(keys, level1Code, level2Code) || keys.level3 != level3Code) {
        staged.KeepLine(line);
        continue;
      }
      // The item's place receives every record that carries its code.
      for (int k = 0; k < count; ++k)
        if (recs[k].code == level3Code)
          staged.Write(FormatMst3(&recs[k], level1Code, level2Code));
    }
    staged.Commit();
  } catch (CFileException&) {
  }
}

void DelZaiMst3_1(int fileNumber, LONG level1Code, LONG level2Code, int trade, int number) {
  CString path = Zai3Path(trade, number, fileNumber);
  if (level2Code == -1) {
    DeleteWholeFile(path);
    return;
  }
  try {
    RewriteZai3(
        path, [&](const CString& line) { return InGroup(line, level1Code, level2Code); },
        [](StagedMaster&) {});
  } catch (CFileException&) {
  }
}

void DelZaiMst3_2(int fileNumber, LONG level1Code, LONG level2Code, LONG level3Code, int trade,
                  int number) {
  CString path = Zai3Path(trade, number, fileNumber);
  if (level2Code == -1) {
    DeleteWholeFile(path);
    return;
  }
  try {
    RewriteZai3(
        path,
        [&](const CString& line) {
          Mst3Keys keys = KeysOf(line);
          return InGroup(keys, level1Code, level2Code) && keys.level3 == level3Code;
        },
        [](StagedMaster&) {});
  } catch (CFileException&) {
  }
}
