// Copies of the material master: level-2 groups and level-3 items taken to
// another master set or file and renumbered, and duplicates inside one file.
//
// An appending copy works in three steps: the lines to copy go to a staging
// file of the work folder; the destination is then copied beside itself,
// the staged lines are appended to that copy in the destination's append
// mode, and the copy replaces the destination in one step (the master
// rewrite's commit); last, the work folder's staging file is removed. So a
// copy that fails leaves the destination whole, as it was.
#include <initializer_list>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/master.h"
#include "cmddll3/master_copy.h"
#include "cmddll3/platform/fileapi.h"
#include "master/fileerror.h"
#include "master/rewrite.h"
#include "master/zaimst.h"

namespace cmd::master {
namespace {

// The destinations' append modes.
constexpr const char16_t* kLevel2AppendMode = u"at,ccs=UTF-16LE";
constexpr const char16_t* kLevel3AppendMode = kAppendMode;

// Field indexes (0-based) that copies renumber.
constexpr int kMst2Parent = 0;
constexpr int kMst2Code = 1;
constexpr int kMst3Level1 = 3;
constexpr int kMst3Level2 = 4;

struct Renumbered {
  int field;
  LONG value;
};

CString Decimal(LONG value) {
  CString text;
  text.Format(u"%ld", value);
  return text;
}

// The line rebuilt from its first `fields` fields joined by commas, some of
// them replaced by numbers, ended with "\n". Missing fields are empty; text
// after the last field is dropped.
CString Rebuilt(std::u16string_view line, int fields,
                std::initializer_list<Renumbered> replaced = {}) {
  FieldCursor cursor(line);
  CString out;
  for (int i = 0; i < fields; ++i) {
    if (i > 0) out += u',';
    std::u16string_view field = cursor.Text();
    const Renumbered* r = nullptr;
    for (const Renumbered& candidate : replaced)
      if (candidate.field == i) r = &candidate;
    if (r)
      out += Decimal(r->value);
    else
      out += field;
  }
  out += u'\n';
  return out;
}

CString Rebuilt2(std::u16string_view line, std::initializer_list<Renumbered> replaced = {}) {
  return Rebuilt(line, kMst2Fields, replaced);
}
CString Rebuilt3(std::u16string_view line, std::initializer_list<Renumbered> replaced = {}) {
  return Rebuilt(line, kMst3Fields, replaced);
}

// A staging file of the work folder, under a name no host file has: written
// whole, then read back. It is removed when the copy ends, whether the copy
// succeeded or not.
class WorkStaging {
 public:
  WorkStaging() = default;
  WorkStaging(const WorkStaging&) = delete;
  WorkStaging& operator=(const WorkStaging&) = delete;
  ~WorkStaging() {
    reader_.Close();
    if (writer_.IsOpen()) writer_.Close();
    if (!path_.IsEmpty()) DeleteFileW(path_);
  }

  bool OpenForWriting() {
    const CString folder = GetWorkDrv();
    if (folder.IsEmpty()) return false;
    path_ = NewStagingFile(folder);
    return !path_.IsEmpty() && writer_.Open(path_, kWriteMode) != FALSE;
  }
  void Write(const CString& line) {
    writer_.WriteString(line);
    ++lines_;
  }
  // Closes the written file and opens it for reading. False when a write
  // failed or the file cannot be read back.
  bool Reopen() { return CloseReportsSuccess(writer_) && reader_.Open(path_); }
  bool ReadLine(CString& line) { return reader_.ReadLine(line); }
  int lines() const { return lines_; }

 private:
  CString path_;
  CStdioFile writer_;
  MasterReader reader_;
  int lines_ = 0;
};

// Appends what `write` writes to the destination in one step.
template <class Write>
void AppendInOneStep(const CString& destPath, const char16_t* appendMode, Write&& write) {
  StagedMaster dest(destPath);
  if (!dest.OpenForAppend(appendMode)) return;
  write(dest);
  dest.Commit();
}

// ---- Level 2

void CopyLevel2Group(const CString& destFolder, LONG newLevel1Code, const CString& srcFolder,
                     LONG srcLevel1Code) {
  MasterReader source;
  if (!source.Open(CombinePath(srcFolder, kZai2File))) return;
  WorkStaging staging;
  if (!staging.OpenForWriting()) return;
  CString line;
  while (source.ReadLine(line)) {
    if (LongField(line, kMst2Parent) == srcLevel1Code)
      staging.Write(Rebuilt2(line, {{kMst2Parent, newLevel1Code}}));
  }
  source.Close();
  if (!staging.Reopen() || staging.lines() == 0) return;
  AppendInOneStep(CombinePath(destFolder, kZai2File), kLevel2AppendMode,
                  [&](StagedMaster& dest) {
                    while (staging.ReadLine(line)) dest.KeepLine(line);
                  });
}

// ---- Level 3

CString Level3Name(int fileNumber) {
  return fileNumber == -1 ? CString(kZai3File) : Zai3FileName(fileNumber);
}

void CopyLevel3Items(const CString& destFolder, int destFileNumber, LONG newLevel1Code,
                     LONG newLevel2Code, const CString& srcFolder, int srcFileNumber,
                     LONG srcLevel1Code, LONG srcLevel2Code) {
  const CString sourcePath = srcFolder + Level3Name(srcFileNumber);
  const CString destPath = destFolder + Zai3FileName(destFileNumber);
  if (!CreateEmptyIfMissing(sourcePath) || !CreateEmptyIfMissing(destPath)) return;

  MasterReader source;
  if (!source.Open(sourcePath)) return;
  WorkStaging staging;
  if (!staging.OpenForWriting()) return;
  CString line;
  while (source.ReadLine(line)) {
    if (LongField(line, kMst3Level1) != srcLevel1Code) continue;
    if (srcLevel2Code == -1)
      staging.Write(Rebuilt3(line));
    else if (LongField(line, kMst3Level2) == srcLevel2Code)
      staging.Write(Rebuilt3(line, {{kMst3Level1, newLevel1Code}, {kMst3Level2, newLevel2Code}}));
  }
  source.Close();
  if (!staging.Reopen() || staging.lines() == 0) return;
  // Field 4 of every appended line names the file that holds it.
  AppendInOneStep(destPath, kLevel3AppendMode, [&](StagedMaster& dest) {
    while (staging.ReadLine(line)) dest.Write(Rebuilt3(line, {{kMst3Level1, destFileNumber}}));
  });
}

void CopyLevel3File(int destFileNumber, int srcFileNumber, LONG newLevel1Code, int trade,
                    int number) {
  const CString folder = MasterFolder(trade, number);
  const CString sourcePath = folder + Zai3FileName(srcFileNumber);
  // A missing source is created empty, as every level-3 operation creates a
  // missing file; the destination then becomes its copy, empty as well.
  if (!CreateEmptyIfMissing(sourcePath)) return;
  MasterReader source;
  if (!source.Open(sourcePath)) return;
  WriteMasterWhole(folder + Zai3FileName(destFileNumber), [&](StagedMaster& dest) {
    CString line;
    while (source.ReadLine(line)) dest.Write(Rebuilt3(line, {{kMst3Level1, newLevel1Code}}));
    source.Close();
  });
}

// ---- Duplicates inside one file

// Keeps every line of the master and appends, after all of them, the
// duplicate that `duplicate` makes of each selected line (in file order).
// `duplicate` returns false for a line it does not select.
template <class Duplicate>
void AppendDuplicates(const CString& path, Duplicate&& duplicate) {
  std::vector<CString> duplicates;
  RewriteMaster(
      path,
      [&](const CString& line) {
        CString copy;
        if (duplicate(line, copy)) duplicates.push_back(std::move(copy));
        return true;
      },
      [&](StagedMaster& staged) {
        for (const CString& copy : duplicates) staged.Write(copy);
      });
}

}  // namespace
}  // namespace cmd::master

using namespace cmd::master;

void CopyZaiMst2_3(CString& destFolder, LONG newLevel1Code, CString& srcFolder,
                   LONG srcLevel1Code) {
  try {
    CopyLevel2Group(destFolder, newLevel1Code, srcFolder, srcLevel1Code);
  } catch (CFileException&) {
  }
}

void CopyZaiMst2_2(int destTrade, int destNumber, LONG newLevel1Code, int srcTrade,
                   int srcNumber, LONG srcLevel1Code) {
  CString dest = GetMstDrv(destTrade, destNumber);
  CString src = GetMstDrv(srcTrade, srcNumber);
  CopyZaiMst2_3(dest, newLevel1Code, src, srcLevel1Code);
}

void CopyZaiMst3_4(CString& destFolder, int destFileNumber, LONG newLevel1Code,
                   LONG newLevel2Code, CString& srcFolder, int srcFileNumber,
                   LONG srcLevel1Code, LONG srcLevel2Code) {
  try {
    CopyLevel3Items(destFolder, destFileNumber, newLevel1Code, newLevel2Code, srcFolder,
                    srcFileNumber, srcLevel1Code, srcLevel2Code);
  } catch (CFileException&) {
  }
}

void CopyZaiMst3_3(int destTrade, int destNumber, int destFileNumber, LONG newLevel1Code,
                   LONG newLevel2Code, int srcTrade, int srcNumber, int srcFileNumber,
                   LONG srcLevel1Code, LONG srcLevel2Code) {
  CString dest = GetMstDrv(destTrade, destNumber);
  CString src = GetMstDrv(srcTrade, srcNumber);
  CopyZaiMst3_4(dest, destFileNumber, newLevel1Code, newLevel2Code, src, srcFileNumber,
                srcLevel1Code, srcLevel2Code);
}

void CopyZaiMst3_2(int destFileNumber, int srcFileNumber, LONG newLevel1Code, int trade,
                   int number) {
  try {
    CopyLevel3File(destFileNumber, srcFileNumber, newLevel1Code, trade, number);
  } catch (CFileException&) {
  }
}

void CopyZaiMst2_1(LONG level1Code, LONG newCode, int trade, int number) {
  try {
    AppendDuplicates(MasterFolder(trade, number) + kZai2File,
                     [&](const CString& line, CString& copy) {
                       if (LongField(line, kMst2Parent) != level1Code) return false;
                       copy = Rebuilt2(line, {{kMst2Code, newCode}});
                       return true;
                     });
  } catch (CFileException&) {
  }
}

void CopyZaiMst3_1(int fileNumber, LONG level1Code, LONG level2Code, LONG newCode, int trade,
                   int number) {
  const CString path = MasterFolder(trade, number) + Zai3FileName(fileNumber);
  try {
    if (!CreateEmptyIfMissing(path)) return;
    AppendDuplicates(path, [&](const CString& line, CString& copy) {
      if (LongField(line, kMst3Level1) != level1Code) return false;
      if (level2Code == -1) {
        copy = Rebuilt3(line, {{kMst3Level1, newCode}});
        return true;
      }
      if (LongField(line, kMst3Level2) != level2Code) return false;
      copy = Rebuilt3(line, {{kMst3Level2, newCode}});
      return true;
    });
  } catch (CFileException&) {
  }
}
