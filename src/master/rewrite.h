// The master rewrite: how every master changes some of its lines and keeps
// the others.
//
//   1. The staging file lies beside the master ("temp.mst" in the master's
//      folder unless a family names another, e.g. "temp" for the expense
//      master).
//   2. The master is opened for reading ("rt,ccs=UNICODE") and the staging
//      file for writing ("wt,ccs=UNICODE"). If either open fails, nothing
//      changes and nobody is told.
//   3. Each master line that stays is written to the staging file unchanged,
//      followed by "\n"; lines may also be replaced in their place.
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
// new one. The observable results stay those of the classic protocol:
//   - on success the master holds the new content and no staging file
//     remains (the classic rename consumed it as well);
//   - when the flush or the rename fails, the master stays as it was and the
//     staging file holds the new content, which is what the classic protocol
//     left when its delete failed; its other failure, a missing master, can
//     no longer happen;
//   - a read-only master is refused as the classic delete refused it;
//   - a failure while the staging file is still being written leaves the
//     master as it was, as before; the unfinished staging file is removed
//     (the classic protocol left it behind to be overwritten by the next
//     rewrite).
// Failures of steps 3 to 5 are thrown as CFileException for the operation to
// catch; each operation decides whether it tells the user.
#pragma once

#include <memory>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/textfile.h"
#include "master/mstfile.h"

namespace cmd::master {

inline constexpr const char16_t* kStagingName = u"temp.mst";

// The staging file for a master: the master's folder + stagingName.
CString StagingPathFor(const CString& masterPath, const char16_t* stagingName = kStagingName);

// One staged change of a master. Open, read and write the lines, Commit.
// Destroyed without a Commit (an exception, an early return), it closes its
// files and removes the unfinished staging file; the master is untouched.
class StagedMaster {
 public:
  explicit StagedMaster(CString masterPath, const char16_t* stagingName = kStagingName);
  StagedMaster(const StagedMaster&) = delete;
  StagedMaster& operator=(const StagedMaster&) = delete;
  ~StagedMaster();

  // Opens the master for reading and the staging file for writing. False
  // when either cannot be opened, or when the master bears the staging
  // file's name: nothing has changed.
  bool OpenForRewrite();
  // Opens only the staging file, for a master written whole from the
  // caller's data (it need not exist yet). False when it cannot be opened.
  bool OpenForNewContent();
  // Opens the staging file as a byte-for-byte copy of the master, positioned
  // for appending with appendMode ("at,ccs=UNICODE", "at,ccs=UTF-16LE"), so
  // the new lines go on in the master's own encoding as an append to the
  // master itself would; Commit then puts the longer file in the master's
  // place in one step, and a failure at any step leaves the master as it was
  // (never a half-appended line). A missing master starts empty; a master
  // whose last line lacks its line end gets one first, so that no new line
  // runs into it. False when the master cannot be read or the staging file
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
  void Abandon();
  bool StagingIsTheMaster() const;

  CString masterPath_;
  CString stagingPath_;
  MasterReader master_;
  CStdioFile staging_;
  bool stagingCreated_ = false;  // this rewrite created (or truncated) the staging file
  bool appending_ = false;       // opened by OpenForAppend: Close does not flush to disk
  bool keepStaging_ = false;     // the staging file is complete: never removed
};

// The common rewrite: every line of the master for which keep(line) is true
// stays, in order; then appendNew(staged) writes the new lines. Returns false
// when the master or the staging file cannot be opened (nothing changed);
// throws CFileException when a later step fails.
template <class Keep, class AppendNew>
bool RewriteMaster(const CString& masterPath, Keep&& keep, AppendNew&& appendNew,
                   const char16_t* stagingName = kStagingName) {
  StagedMaster staged(masterPath, stagingName);
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
bool WriteMasterWhole(const CString& masterPath, WriteAll&& write,
                      const char16_t* stagingName = kStagingName) {
  StagedMaster staged(masterPath, stagingName);
  if (!staged.OpenForNewContent()) return false;
  write(staged);
  staged.Commit();
  return true;
}

}  // namespace cmd::master
