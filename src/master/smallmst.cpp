// The small masters: construction items, units, supply entries and remarks,
// each a whole list read from and written to one file of the trade's folder.
#include <string_view>

#include "cmddll3/smallmst.h"
#include "master/fileerror.h"
#include "master/linetext.h"
#include "master/mstfile.h"
#include "master/rewrite.h"

namespace cmd::master {
namespace {

constexpr const char16_t* kKouji1File = u"kouji1.mst";
constexpr const char16_t* kKouji2File = u"kouji2.mst";
constexpr const char16_t* kTanniFile = u"tanni.mst";
constexpr const char16_t* kHokyuFile = u"hokyu.mst";
constexpr const char16_t* kBikouFile = u"bikou.mst";
constexpr int kKoujiLimit = 300;
constexpr int kBikouLimit = 300;  // the capacity of the host's arrays
constexpr int kNoLimit = -1;
constexpr char16_t kBikouSeparator = u'\t';

CString SmallMasterPath(int trade, const char16_t* name) {
  return CombinePath(MasterFolder(trade, -1), name);
}

const char16_t* KoujiFile(int list) { return list == 1 ? kKouji1File : kKouji2File; }

// Stores each line of the file in lines[0], lines[1], ... up to limit lines
// (kNoLimit: all). The count stored; 0 when the file cannot be opened or a
// read fails (the lines stored before the failure stay in the array).
int ReadList(const CString& path, CString* lines, int limit) {
  if (!lines) return 0;
  MasterReader reader;
  if (!reader.Open(path)) return 0;
  int count = 0;
  try {
    CString line;
    while ((limit == kNoLimit || count < limit) && reader.ReadLine(line)) lines[count++] = line;
  } catch (CFileException&) {
    return 0;
  }
  return count;
}

bool AllFitOneLine(const CString* texts, int count, char16_t separator = 0) {
  for (int i = 0; i < count; ++i)
    if (!FitsOneLine(texts[i], separator)) return false;
  return true;
}

// Writes the list whole and puts it in the master's place. Throws
// CFileException when writing or replacing fails (the master then stays).
template <class WriteLine>
void ReplaceList(const CString& path, int count, WriteLine&& writeLine) {
  WriteMasterWhole(path, [&](StagedMaster& staged) {
    for (int i = 0; i < count; ++i) writeLine(staged, i);
  });
}

// Writes a list of opaque lines; failures end silently.
void UpdateTextList(const char16_t* function, const CString& path, const CString* lines,
                    int count) {
  if (count < 0) count = 0;
  if (count > 0 && !lines) return;
  if (!AllFitOneLine(lines, count)) {
    ReportRefusedText(function);
    return;
  }
  try {
    ReplaceList(path, count, [&](StagedMaster& staged, int i) { staged.KeepLine(lines[i]); });
  } catch (CFileException&) {
  }
}

// A remark line: the text before the first tab, and the flag from the text
// between the first and the second tab (the line is read with one tab
// appended, so a line without a tab has an empty flag, 0).
void ParseRemark(std::u16string_view line, CString& text, int& flag) {
  std::size_t tab = line.find(kBikouSeparator);
  if (tab == std::u16string_view::npos) {
    text = CString(line);
    flag = 0;
    return;
  }
  text = CString(line.substr(0, tab));
  std::u16string_view rest = line.substr(tab + 1);
  flag = ToInt(rest.substr(0, rest.find(kBikouSeparator)));
}

}  // namespace
}  // namespace cmd::master

using namespace cmd::master;

int GetKoujiMst(int list, CString* lines, int trade) {
  return ReadList(SmallMasterPath(trade, KoujiFile(list)), lines, kKoujiLimit);
}

void UpdateKoujiMst(int list, const CString* lines, int count, int trade) {
  UpdateTextList(u"UpdateKoujiMst", SmallMasterPath(trade, KoujiFile(list)), lines, count);
}

int GetTanniMst(CString* lines, int trade) {
  return ReadList(SmallMasterPath(trade, kTanniFile), lines, kNoLimit);
}

void UpdateTanniMst(const CString* lines, int count, int trade) {
  UpdateTextList(u"UpdateTanniMst", SmallMasterPath(trade, kTanniFile), lines, count);
}

int GetHokyuMst(CString* lines, int trade) {
  return ReadList(SmallMasterPath(trade, kHokyuFile), lines, kNoLimit);
}

void UpdateHokyuMst(const CString* lines, int count, int trade) {
  UpdateTextList(u"UpdateHokyuMst", SmallMasterPath(trade, kHokyuFile), lines, count);
}

int GetBikouMst(CString* texts, int* flags, int trade) {
  if (!texts || !flags) return 0;
  for (int i = 0; i < kBikouLimit; ++i) {
    texts[i].Empty();
    flags[i] = 0;
  }
  MasterReader reader;
  if (!reader.Open(SmallMasterPath(trade, kBikouFile))) return 0;
  int count = 0;
  try {
    CString line;
    while (count < kBikouLimit && reader.ReadLine(line)) {
      ParseRemark(line, texts[count], flags[count]);
      ++count;
    }
  } catch (CFileException&) {
    return 0;
  }
  return count;
}

void UpdateBikouMst(const CString* texts, const int* flags, int count, int trade) {
  if (count < 0) count = 0;
  if (count > 0 && (!texts || !flags)) return;
  if (!AllFitOneLine(texts, count, kBikouSeparator)) {
    ReportRefusedText(u"UpdateBikouMst");
    return;
  }
  try {
    ReplaceList(SmallMasterPath(trade, kBikouFile), count, [&](StagedMaster& staged, int i) {
      CString line;
      line.Format(u"%s\t%d\n", texts[i], flags[i]);
      staged.Write(line);
    });
  } catch (CFileException& e) {
    ShowFileError(e);
  }
}
