// The CAD and digitizer-panel tables: built from the level-3 files of a
// master set, rebuilt when a material master file is newer than the table.
#include "master/tables.h"

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/master.h"
#include "cmddll3/master_table.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/filefind.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "master/rewrite.h"
#include "master/zaimst.h"

namespace cmd::master {
namespace {

constexpr std::u16string_view kNoDrawing = u"000000000000";
constexpr int kCwfWidth = 12;
constexpr int kLevel1Width = 3;
constexpr int kNumberWidth = 5;

enum class Table { Cad, Degipane };

// Which items a table lists, by drawing code and table-use mark (field 1 and
// field 3, compared exactly).
bool IsListed(Table table, std::u16string_view cwf, std::u16string_view mark) {
  if (cwf == kNoDrawing) return false;
  if (mark == u"Z") return true;
  if (table == Table::Cad) return mark.empty() || mark == u"A";
  return mark == u"B";
}

// printf's "%0*d": the sign, then zeros up to the width, then the digits.
void AppendZeroPadded(std::u16string& out, long long value, int width) {
  char16_t digits[24];
  int n = 0;
  unsigned long long magnitude =
      value < 0 ? 0ull - static_cast<unsigned long long>(value) : value;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  int length = n + (value < 0 ? 1 : 0);
  if (value < 0) out += u'-';
  for (int i = length; i < width; ++i) out += u'0';
  while (n) out += digits[--n];
}

// One table line, "%12s%03d%05d\n".
void AppendTableLine(std::u16string& out, std::u16string_view cwf, LONG level1Code,
                     int number) {
  if (cwf.size() < static_cast<std::size_t>(kCwfWidth)) out.append(kCwfWidth - cwf.size(), u' ');
  out += cwf;
  AppendZeroPadded(out, level1Code, kLevel1Width);
  AppendZeroPadded(out, number, kNumberWidth);
  out += u'\n';
}

enum class Level3Read { Done, Missing };

// Adds the table lines of one level-3 file to `out`. `counter` is the CAD
// table's running number. Throws CFileException on a read error.
Level3Read AddLevel3File(Table table, const CString& path, LONG level1Code, int& counter,
                         std::u16string& out) {
  MasterReader reader;
  if (!reader.Open(path)) return Level3Read::Missing;
  CString line;
  for (int index = 0; reader.ReadLine(line); ++index) {
    if (line.IsEmpty()) continue;
    FieldCursor fields(line);
    std::u16string_view cwf = fields.Text();
    fields.Skip();
    if (!IsListed(table, cwf, fields.Text())) continue;
    AppendTableLine(out, cwf, level1Code, table == Table::Cad ? counter++ : index);
  }
  return Level3Read::Done;
}

BOOL BuildTable(Table table, const CString& tablePath, int trade, int number) {
  try {
    // The table is written to a staging file beside it, which then replaces it.
    StagedMaster staged(tablePath);
    if (!staged.OpenForNewContent()) return FALSE;
    std::vector<ZaiMst1Rec> entries(kMst1Limit);
    const int count = GetZaiMst1(entries.data(), trade, number);
    const CString folder = MasterFolder(trade, number);
    BOOL result = count > 0 || table == Table::Degipane;
    int counter = 0;
    std::u16string lines;
    for (int i = 0; i < count; ++i) {
      const LONG code = entries[i].code;
      lines.clear();
      Level3Read read = AddLevel3File(table, folder + Zai3FileName(code), code, counter, lines);
      staged.Write(lines.c_str());
      if (read == Level3Read::Missing && table == Table::Degipane) {
        result = FALSE;  // the table keeps the lines of the files before it
        break;
      }
    }
    staged.Commit();
    return result;
  } catch (CFileException&) {
    // A build that cannot be finished leaves the old table in place.
    return FALSE;
  }
}

// The last-write time of a file, to the nanosecond where the file system
// keeps it; false when there is no such file. One status query: listing the
// table's folder, as a finder would, would make the cost of an update grow
// with that folder too.
bool LastWriteTime(const CString& path, FILETIME& time) {
  std::string host;
  struct stat st {};
  if (!cmd::path::ToHost(path, host) || cmd::os::Stat(host, st) != 0 || !S_ISREG(st.st_mode))
    return false;
  time = cmd::FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  return true;
}

CString CadTableName(int trade) {
  switch (trade) {
    case 2: return u"cad2_1.tbl";
    case 3: return u"cad3_1.tbl";
    case 4: return u"cad4_1.tbl";
    default: return u"cad1_1.tbl";
  }
}

}  // namespace

// A master written in the same tick of the file system's clock as the table
// carries the table's very time; whether it was written before or after the
// table cannot be told, so such a table counts as out of date (one rebuild
// too many rather than a table that misses a change for good).
bool IsTableOutOfDate(const CString& tablePath, int trade, int number) {
  FILETIME newestMaster{};
  bool anyMaster = false;
  CFileFind finder;
  BOOL more = finder.FindFile(MasterFolder(trade, number) + u"zai*.mst");
  while (more) {
    more = finder.FindNextFile();
    if (finder.IsDots() || finder.IsDirectory()) continue;
    FILETIME written;
    if (!finder.GetLastWriteTime(&written)) continue;
    if (!anyMaster || CompareFileTime(&written, &newestMaster) == 1) newestMaster = written;
    anyMaster = true;
  }
  if (!anyMaster) return false;
  FILETIME tableTime{};
  if (!LastWriteTime(tablePath, tableTime)) return true;
  return CompareFileTime(&tableTime, &newestMaster) != 1;
}

}  // namespace cmd::master

using namespace cmd::master;

BOOL MakeCadtable(CString tablePath, int trade, int number) {
  return BuildTable(Table::Cad, tablePath, trade, number);
}

BOOL MakeDegipaneTable(CString tablePath, int trade, int number) {
  return BuildTable(Table::Degipane, tablePath, trade, number);
}

BOOL UpdateCadtable(int trade, int number) {
  const CString name = CadTableName(trade);
  if (IsTableOutOfDate(name, trade, number)) MakeCadtable(name, trade, number);
  return TRUE;
}

BOOL UpdateDegipaneTable(CString tablePath, int trade, int number) {
  if (IsTableOutOfDate(tablePath, trade, number)) MakeDegipaneTable(tablePath, trade, number);
  return TRUE;
}
