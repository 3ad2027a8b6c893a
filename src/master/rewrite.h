// The master rewrite: how every master changes some of its lines and keeps
// the others.
//
//   1. The staging file lies beside the master, in its folder, under a name
//      that no host file has (hidden and unique, see NewStagingFile), so a
//      file or folder of the host's is never overwritten, removed or in the
//      way.
//   2. The master is opened for reading ("rt,ccs=UNICODE") and the staging
//      file for writing ("wt,ccs=UNICODE"). If either open fails, nothing
//      changes and nobody is told.
//   3. Each master line that stays is written to the staging file unchanged,
//      followed by "\n"; lines may also be replaced in their place. Every
//      line up to the real end of the master is read, so none is lost.
//   4. The new lines follow all kept lines, so a replaced group always moves
//      to the end of the file.
//   5. Both files are closed; the staging file is flushed to the disk and
//      renamed over the master in one step.
//
// The result is a UTF-16LE file with a byte-order mark and CR LF line ends,
// whatever the old master's encoding was.
//
// Step 5 differs from the classic protocol, which deleted the master and then
// renamed the staging file to its name. Between those two calls the folder
// held no master at all, and a failed rename (or a crash) left it that way. A
// rename over the master replaces it atomically: every reader, and the folder
// after a crash at any instant, sees either the whole old master or the whole
// new one. So:
//   - on success the master holds the new content and no staging file
//     remains;
//   - when any step fails, the master stays as it was and the staging file
//     is removed (nobody could find it under its unique name later);
//   - a read-only master is refused as the classic delete refused it.
// Failures of steps 3 to 5 are thrown as CFileException for the operation to
// catch; each operation decides whether it tells the user.
#pragma once

#include <memory>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/textfile.h"
#include "master/mstfile.h"

namespace cmd::master {

// Creates an empty staging file in a folder (Windows form, ending in a
// separator; "" for the current directory) under a hidden name no host file
// has, and gives its path in Windows form; "" when it cannot be created.
CString NewStagingFile(const CString& folder);

// One staged change of a master. Open, read and write the lines, Commit.
// Destroyed without a Commit (an exception, an early return), it closes its
// files and removes the unfinished staging file; the master is untouched.
class StagedMaster {
 public:
  explicit StagedMaster(CString masterPath);
  StagedMaster(const StagedMaster&) = delete;
  StagedMaster& operator=(const StagedMaster&) = delete;
  ~StagedMaster();

  // Opens the master for reading and the staging file for writing. False
  // when either cannot be opened: nothing has changed.
  bool OpenForRewrite();
  // Opens only the staging file, for a master written whole from the
  // caller's data (it need not exist yet). False when it cannot be opened.
  bool OpenForNewContent();
  // Opens the staging file as a byte-for-byte copy of the master, positioned
  // for appending with appendMode ("at,ccs=UNICODE", "at,ccs=UTF-16LE"), so
  // the new lines go on in the master's own encoding as an append to the
  // master itself would; Commit then puts the longer file in the master's
  // place in one step, and a failure at any step leaves the master as it was
  // (never a half-appended line). A missing master starts empty. The copy is
  // completed first so that the first new line starts on a whole character
  // and a line of its own: a UTF-16 master cut in the middle of a unit loses
  // that half unit (no character), and a last line without its line end gets
  // one. False when the master cannot be read or the staging file
  // cannot be written: nothing has changed.
  bool OpenForAppend(const char16_t* appendMode);

  // The old master's next line without its line end; false at its end.
  // Throws CFileException on a read error.
  bool ReadLine(CString& line);
  // Writes a line of the old master unchanged, followed by "\n".
  void KeepLine(const CString& line);
  // Writes text as given; formatted master lines already end in "\n".
  void Write(const CString& text);
  void Write(const char16_t* text);

  // Closes both files, flushes the staging file and renames it over the
  // master. Throws CFileException when a step fails (see above for what the
  // folder then holds). Call it once.
  void Commit();

  const CString& masterPath() const { return masterPath_; }
  const CString& stagingPath() const { return stagingPath_; }

 private:
  bool CreateStaging();
  void Abandon();

  CString masterPath_;
  CString stagingPath_;
  MasterReader master_;
  CStdioFile staging_;
  bool stagingCreated_ = false;  // the staging file exists and is not the master yet
  bool appending_ = false;       // opened by OpenForAppend: Close does not flush to disk
};

// The common rewrite: every line of the master for which keep(line) is true
// stays, in order; then appendNew(staged) writes the new lines. Returns false
// when the master or the staging file cannot be opened (nothing changed);
// throws CFileException when a later step fails.
template <class Keep, class AppendNew>
bool RewriteMaster(const CString& masterPath, Keep&& keep, AppendNew&& appendNew) {
  StagedMaster staged(masterPath);
  if (!staged.OpenForRewrite()) return false;
  CString line;
  while (staged.ReadLine(line))
    if (keep(static_cast<const CString&>(line))) staged.KeepLine(line);
  appendNew(staged);
  staged.Commit();
  return true;
}

// A master written whole: write(staged) produces every line; the result
// replaces the master (or creates it) as a rewrite does. False when the
// staging file cannot be opened; throws CFileException when a later step fails.
template <class WriteAll>
bool WriteMasterWhole(const CString& masterPath, WriteAll&& write) {
  StagedMaster staged(masterPath);
  if (!staged.OpenForNewContent()) return false;
  write(staged);
  staged.Commit();
  return true;
}

}  // namespace cmd::master
