// The rollback journal of a catalogue import, and the hold that every
// command keeps on a trade's master folder.
//
// A catalogue is many files. Before its first write an import copies every
// file it may change into the journal, a folder ".~cmd:journal" inside the
// master folder (the colon keeps the name out of reach of every Windows-form
// path, so no file of the application can have it), together with a
// manifest that names each file, whether it existed, its size and its
// CRC-32. The journal is made durable (the copies, the manifest and both
// folders synced) before the updates start; removing the manifest is the
// commit, and the rest of the journal goes after it.
//
// Whoever finds a journal with a complete manifest rolls the import back:
// every saved file is put back (through a staging file, atomically), the
// files the import created are removed, then the journal goes. A journal
// without a complete manifest was left before the first master write or
// after the commit: it is removed. Both steps can be repeated, so a
// recovery that is itself cut short is finished by the next command.
//
// The application's own programs never look at the journal: they see each
// master file either old or new, as the library's rewrite leaves it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "catalogue.h"
#include "tool.h"

namespace cmdtool {

// The journal's folder name inside a master folder.
inline constexpr const char* kJournalName = ".~cmd:journal";

// What a look at a master folder's journal found.
struct Recovery {
  enum Found { Nothing, Incomplete, Interrupted } found = Nothing;
  int restored = 0;  // files put back as they were before the import
  int removed = 0;   // files the import had created
};

// A command's hold on a trade's master folder while it lives: an advisory
// lock on the folder (shared for reading, exclusive for an import or a
// recovery; the kernel drops it when the process ends), taken after an
// interrupted import found there has been finished.
class MasterFolder {
 public:
  enum class Use {
    Read,     // says on standard error when it undid an interrupted import
    Import,   // the same, and refuses at once while another command holds it
    Recover,  // exclusive, silent: the caller reports `recovery`
  };
  // A missing folder, a folder in use by an import (or, for an import, by
  // any command) and a damaged journal are Failures.
  MasterFolder(const Context& ctx, const CString& folder, Use use);
  ~MasterFolder();
  MasterFolder(const MasterFolder&) = delete;
  MasterFolder& operator=(const MasterFolder&) = delete;

  const std::string& Host() const { return host_; }  // without a trailing '/'
  const std::string& Shown() const { return shown_; }  // for messages
  const Recovery& Recovered() const { return recovery_; }

 private:
  std::string host_, shown_;
  int fd_ = -1;
  Recovery recovery_;
};

// Replaces the catalogue as WriteCatalogue does, all or nothing: under the
// folder's exclusive hold and the journal, with Ctrl-C and SIGTERM taken as
// a request to stop at the next safe point (between two files of the
// journal, between two updates, before the commit). A stop, a failed
// update or a read-back that does not give the catalogue rolls back and is
// a Failure that says the catalogue is unchanged. Returns the update count.
int ImportCatalogue(const Context& ctx, const MasterSet& set, const Catalogue& c,
                    const std::function<void(std::size_t done, std::size_t total)>& progress = {});

}  // namespace cmdtool
