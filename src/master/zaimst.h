// Internal pieces of the material master shared by its levels and by the
// families built on it (copies, derived tables).
#pragma once

#include "cmddll3/master.h"
#include "cmddll3/platform/cstring.h"
#include "master/linetext.h"
#include "master/mstfile.h"

namespace cmd::master {

inline constexpr const char16_t* kZai1File = u"zairyou1.mst";
inline constexpr const char16_t* kZai2File = u"zairyou2.mst";
// The single level-3 file of a folder that a caller names.
inline constexpr const char16_t* kZai3File = u"zairyou3.mst";

inline constexpr int kMst1Limit = 500;       // level-1 lines read, with a message beyond
inline constexpr int kMst2GroupLimit = 150;  // level-2 entries of one parent, with a message beyond
inline constexpr int kMst3Limit = 300;       // level-3 items of one group, silently
inline constexpr int kMst3MaxCode = 9999;    // level-3 codes handed out: 1 to 9999

inline constexpr int kMst2Fields = 11;
inline constexpr int kMst3Fields = 23;

// Text capacities of the records, terminator included.
inline constexpr std::size_t kNameUnits = 61;
inline constexpr std::size_t kText2Units = 21;
inline constexpr std::size_t kText3Units = 61;
inline constexpr std::size_t kShortTextUnits = 9;
inline constexpr std::size_t kClosingTextUnits = 21;

// "zai%03d-3.mst" of a level-1 code (7 gives zai007-3.mst, 1234 zai1234-3.mst).
CString Zai3FileName(LONG fileNumber);

// The level-1 reader behind GetZaiMst1 and GetZaiMst1_1: at most 500 records
// (the array holds 500), a message when the file has more lines; the result
// is the number of records read, 0 when the file cannot be opened or a read
// error occurs. out[0].code is 0 when nothing was read.
int ReadZaiMst1File(CString path, ZaiMst1Rec* out);

// Record fillers from a line. Every field of the record is written.
void FillMst1(ZaiMst1Rec* rec, std::u16string_view line);
// The record's code is field 2 of the line, or with parentAsCode field 1 (the
// parent's level-1 code).
void FillMst2(ZaiMst2Rec* rec, std::u16string_view line, bool parentAsCode = false);
// Every field but `reserved`, which the library never touches.
void FillMst3(ZaiMst3Rec* rec, std::u16string_view line);

// Whether every text of a record fits its field of one line (the rule of
// linetext.h), so that the record can be written.
bool RecordFits(const ZaiMst1Rec& rec);
bool RecordFits(const ZaiMst2Rec& rec);
bool RecordFits(const ZaiMst3Rec& rec);

// Whether count records can all be written; when not, the refusal is
// reported for `function`.
template <class Rec>
bool AllRecordsFit(const char16_t* function, const Rec* recs, int count) {
  for (int k = 0; k < count; ++k) {
    if (!RecordFits(recs[k])) {
      ReportRefusedText(function);
      return false;
    }
  }
  return true;
}

}  // namespace cmd::master
