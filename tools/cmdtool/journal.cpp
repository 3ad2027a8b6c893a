#include "journal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>

#include "cmddll3/platform/osfile.h"

namespace cmdtool {
namespace {

namespace os = cmd::os;

constexpr const char* kManifest = "manifest";
constexpr const char* kManifestHead = "cmdtool import journal 1";

// ------------------------------------------------------------ checksums

// CRC-32 with the polynomial of zip and PNG.
std::uint32_t Crc32(std::string_view bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) c = table[(c ^ b) & 0xFFu] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string Hex(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
  return text;
}

// ------------------------------------------------------------ files

std::string Join(const std::string& folder, const std::string& name) { return folder + "/" + name; }
std::string Reason() { return std::strerror(errno); }

bool Exists(const std::string& path) {
  struct stat st {};
  return os::LStat(path, st) == 0;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return os::LStat(path, st) == 0 && S_ISREG(st.st_mode);
}

// Makes the names in a folder durable after a create, rename or remove.
bool SyncFolder(const std::string& folder) {
  int fd = os::Open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = os::Flush(fd) == 0;
  return os::Close(fd) == 0 && ok;
}

// Writes a new file and syncs it. False, with errno, when a step fails.
bool WriteNewFile(const std::string& path, std::string_view bytes) {
  int fd = os::Open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = os::Write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
            os::Flush(fd) == 0;
  int err = errno;
  if (os::Close(fd) != 0) return false;
  errno = err;
  return ok;
}

std::vector<std::string> SortedNames(const std::string& folder) {
  std::vector<std::string> names;
  if (!os::ListFolder(folder, names)) throw Failure(folder + ": cannot be listed: " + Reason());
  std::sort(names.begin(), names.end());
  return names;
}

// The files of a master folder that an import may change: the catalogue's
// files ("zai*.mst", with the letters in any case). The library's rewrites
// stage under hidden names of their own, which a recovery simply removes.
bool IsCatalogueFile(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  bool level = name.size() > 7 && name.rfind("zai", 0) == 0 &&
               name.compare(name.size() - 4, 4, ".mst") == 0;
  return level && name.find('\n') == std::string::npos;
}

// ------------------------------------------------------------ the manifest

struct Entry {
  std::string name;  // the master file's name in the folder
  bool saved = false;  // it existed, and its copy is in the journal
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  std::string copy;  // the copy's name in the journal; "-" when not saved
};

// "cmdtool import journal 1", one line per file, then "end COUNT CRC" with
// the CRC-32 of everything before it: a manifest without that line is
// incomplete.
std::string ManifestText(const std::vector<Entry>& entries) {
  std::string text = std::string(kManifestHead) + "\n";
  for (const Entry& e : entries) {
    text += e.copy + (e.saved ? " saved " : " absent ") + std::to_string(e.size) + " " +
            Hex(e.crc) + " " + e.name + "\n";
  }
  text += "end " + std::to_string(entries.size()) + " " + Hex(Crc32(text)) + "\n";
  return text;
}

// The entries of a complete manifest; nothing when it is incomplete. A
// manifest that is complete but does not add up is a Failure.
std::optional<std::vector<Entry>> ParseManifest(const std::string& text,
                                                const std::string& shown) {
  if (text.empty() || text.back() != '\n') return std::nullopt;
  std::size_t lastStart = text.rfind('\n', text.size() - 2);
  lastStart = lastStart == std::string::npos ? 0 : lastStart + 1;
  if (text.compare(lastStart, 4, "end ") != 0) return std::nullopt;

  auto damaged = [&shown](const std::string& why) {
    return Failure(shown + ": the manifest is damaged (" + why +
                   "); the interrupted import cannot be undone, and everything is left as it is");
  };
  std::string body = text.substr(0, lastStart);
  std::istringstream end(text.substr(lastStart + 4));
  std::size_t count = 0;
  std::string crc;
  end >> count >> crc;
  if (crc != Hex(Crc32(body))) throw damaged("its checksum does not match");
  std::istringstream lines(body);
  std::string line;
  std::getline(lines, line);
  if (line != kManifestHead) throw damaged("unknown first line");
  std::vector<Entry> entries;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    Entry e;
    std::string kind, crcText;
    fields >> e.copy >> kind >> e.size >> crcText;
    fields.get();  // the space before the name, which may hold spaces
    std::getline(fields, e.name);
    e.saved = kind == "saved";
    e.crc = static_cast<std::uint32_t>(std::strtoul(crcText.c_str(), nullptr, 16));
    if ((kind != "saved" && kind != "absent") || e.name.empty() ||
        e.name.find('/') != std::string::npos || (e.saved && e.copy.find('/') != std::string::npos))
      throw damaged("line " + std::to_string(entries.size() + 2));
    entries.push_back(std::move(e));
  }
  if (entries.size() != count) throw damaged("it lists fewer files than it says");
  return entries;
}

// ------------------------------------------------------------ recovery

std::string JournalOf(const std::string& folder) { return Join(folder, kJournalName); }

// Removes the journal: the manifest first (from then on the journal is
// incomplete, and anyone may finish the removal), then the copies.
void RemoveJournal(const std::string& folder, const std::string& shown) {
  const std::string journal = JournalOf(folder);
  auto fail = [&](const std::string& inside) {
    return Failure(shown + kJournalName + inside + ": cannot be removed: " + Reason());
  };
  if (os::Remove(Join(journal, kManifest)) != 0 && errno != ENOENT)
    throw fail(std::string("/") + kManifest);
  SyncFolder(journal);
  for (const std::string& name : SortedNames(journal))
    if (os::Remove(Join(journal, name)) != 0 && errno != ENOENT) throw fail("/" + name);
  if (os::RemoveDir(journal) != 0 && errno != ENOENT) throw fail("");
  SyncFolder(folder);
}

// Staging files of a restore that was cut short.
void RemoveStagingFiles(const std::string& folder) {
  for (const std::string& name : SortedNames(folder))
    if (os::IsStagingName(name)) os::Remove(Join(folder, name));
}

// Finishes what a journal in the folder says. The caller holds the folder
// exclusively.
Recovery Recover(const std::string& folder, const std::string& shown) {
  const std::string journal = JournalOf(folder);
  const std::string shownJournal = shown + kJournalName;
  Recovery r;
  struct stat st {};
  if (os::LStat(journal, st) != 0) {
    if (errno == ENOENT) return r;
    throw Failure(shownJournal + ": cannot be examined: " + Reason());
  }
  if (!S_ISDIR(st.st_mode))
    throw Failure(shownJournal + ": is not a journal folder; it is left as it is");
  std::string text;
  if (!os::ReadAll(Join(journal, kManifest), text) && errno != ENOENT)
    throw Failure(shownJournal + ": the manifest cannot be read: " + Reason());
  std::optional<std::vector<Entry>> entries = ParseManifest(text, shownJournal);
  if (!entries) {
    r.found = Recovery::Incomplete;
    RemoveJournal(folder, shown);
    return r;
  }
  r.found = Recovery::Interrupted;

  // Every copy is checked before the first file is touched: a damaged
  // journal is not guessed at.
  std::vector<std::string> copies(entries->size());
  for (std::size_t i = 0; i < entries->size(); ++i) {
    const Entry& e = (*entries)[i];
    if (!e.saved) continue;
    if (!os::ReadAll(Join(journal, e.copy), copies[i]) || copies[i].size() != e.size ||
        Crc32(copies[i]) != e.crc)
      throw Failure(shownJournal + ": the saved copy of " + e.name +
                    " is damaged (its checksum does not match); the interrupted import cannot be "
                    "undone, and everything is left as it is");
  }
  RemoveStagingFiles(folder);
  for (std::size_t i = 0; i < entries->size(); ++i) {
    const Entry& e = (*entries)[i];
    const std::string path = Join(folder, e.name);
    if (e.saved) {
      std::string now;
      if (IsRegularFile(path) && os::ReadAll(path, now) && now == copies[i]) continue;
      if (!os::ReplaceAtomically(path, copies[i]))
        throw Failure(shown + e.name + ": cannot be put back: " + Reason());
      ++r.restored;
    } else if (IsRegularFile(path)) {
      if (os::Remove(path) != 0) throw Failure(shown + e.name + ": cannot be removed: " + Reason());
      ++r.removed;
    }
  }
  SyncFolder(folder);
  RemoveJournal(folder, shown);
  return r;
}

// ------------------------------------------------------------ writing the journal

// Ctrl-C and SIGTERM, noted while an import runs.
volatile std::sig_atomic_t g_stopSignal = 0;
extern "C" void NoteStopSignal(int signal) { g_stopSignal = signal; }

class StopRequests {
 public:
  StopRequests() {
    g_stopSignal = 0;
    struct sigaction note {};
    note.sa_handler = NoteStopSignal;
    sigemptyset(&note.sa_mask);
    note.sa_flags = SA_RESTART;
    sigaction(SIGINT, &note, &oldInt_);
    sigaction(SIGTERM, &note, &oldTerm_);
  }
  ~StopRequests() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

  struct Stop {};
  // A safe point: stops the import when asked to.
  void Check() const {
    if (g_stopSignal) throw Stop{};
  }

 private:
  struct sigaction oldInt_ {}, oldTerm_ {};
};

// Saves every file the import may change and names the files it may
// create, then makes the journal durable. Cut short (a failure or a stop
// request), it removes what it wrote and lets the exception go on.
void WriteJournal(const MasterFolder& folder, const std::vector<std::string>& names,
                  const StopRequests& stops) {
  const std::string journal = JournalOf(folder.Host());
  std::vector<Entry> entries;
  for (const std::string& name : SortedNames(folder.Host())) {
    if (IsCatalogueFile(name) && IsRegularFile(Join(folder.Host(), name)))
      entries.push_back({name, true, 0, 0, std::to_string(entries.size())});
  }
  for (const std::string& name : names) {
    if (!Exists(Join(folder.Host(), name)))
      entries.push_back({name, false, 0, 0, "-"});
  }

  if (os::MakeDir(journal) != 0)
    throw Failure(folder.Shown() + ": the master folder cannot be written: " + Reason());
  try {
    for (Entry& e : entries) {
      if (!e.saved) continue;
      std::string bytes;
      if (!os::ReadAll(Join(folder.Host(), e.name), bytes))
        throw Failure(folder.Shown() + e.name + ": cannot be read: " + Reason());
      e.size = bytes.size();
      e.crc = Crc32(bytes);
      if (!WriteNewFile(Join(journal, e.copy), bytes))
        throw Failure(folder.Shown() + kJournalName + ": cannot be written: " + Reason());
      stops.Check();
    }
    if (!WriteNewFile(Join(journal, kManifest), ManifestText(entries)) || !SyncFolder(journal) ||
        !SyncFolder(folder.Host()))
      throw Failure(folder.Shown() + kJournalName + ": cannot be written: " + Reason());
  } catch (...) {
    RemoveJournal(folder.Host(), folder.Shown());
    throw;
  }
}

// Rolls the import back after `what` went wrong, as a Failure that tells
// whether the catalogue is as it was (`undone` says so).
Failure Undone(const MasterFolder& folder, const std::string& what, const char* undone) {
  try {
    Recover(folder.Host(), folder.Shown());
  } catch (const Failure& e) {
    return Failure(what + "; the old master files could not all be put back (" + e.what() +
                   "); the next cmdtool command on this master set tries again");
  }
  return Failure(what + undone);
}

}  // namespace

// ------------------------------------------------------------ the folder hold

MasterFolder::MasterFolder(const Context& ctx, const CString& folder, Use use)
    : host_(Installation::Host(folder)), shown_(ctx.install.Show(folder)) {
  while (host_.size() > 1 && host_.back() == '/') host_.pop_back();
  struct stat st {};
  if (host_.empty() || os::Stat(host_, st) != 0 || !S_ISDIR(st.st_mode))
    throw Failure(shown_ + ": no such master folder");
  fd_ = os::Open(host_, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) throw Failure(shown_ + ": cannot be opened: " + Reason());
  try {
    bool exclusive = os::TryLock(fd_, true) == 0;
    if (exclusive) recovery_ = Recover(host_, shown_);
    if (use == Use::Read) {
      // Readers share the folder; a journal now means an import has begun.
      bool shared = exclusive ? os::Lock(fd_, false) == 0 : os::TryLock(fd_, false) == 0;
      if (!shared || Exists(JournalOf(host_)))
        throw Failure(shown_ + ": an import into this master folder is running; try again "
                               "when it has finished");
    } else if (!exclusive) {
      throw Failure(shown_ + ": another import into this master folder is running (or another "
                             "cmdtool command is reading it); one import at a time");
    }
  } catch (...) {
    os::Close(fd_);
    throw;
  }
  if (recovery_.found == Recovery::Interrupted && use != Use::Recover)
    ctx.err << "cmdtool: " << shown_ << ": an interrupted import was undone ("
            << recovery_.restored << " files put back, " << recovery_.removed
            << " removed); the catalogue is as it was before it\n";
}

MasterFolder::~MasterFolder() { os::Close(fd_); }

// ------------------------------------------------------------ the import

int ImportCatalogue(const Context& ctx, const MasterSet& set, const Catalogue& c,
                    const std::function<void(std::size_t, std::size_t)>& progress) {
  MasterFolder folder(ctx, set.Folder(), MasterFolder::Use::Import);
  StopRequests stops;
  const std::string interrupted = folder.Shown() + ": the import was interrupted";
  std::vector<std::string> names = CatalogueFileNames(c);
  try {
    WriteJournal(folder, names, stops);
  } catch (const StopRequests::Stop&) {
    throw Failure(interrupted + "; the catalogue is unchanged");
  }
  int updates = 0;
  try {
    updates = WriteCatalogue(ctx, set, c, [&](std::size_t done, std::size_t total) {
      if (progress) progress(done, total);
      stops.Check();
    });
    stops.Check();
  } catch (const StopRequests::Stop&) {
    throw Undone(folder, interrupted, "; the catalogue is unchanged");
  } catch (const Failure& e) {
    throw Undone(folder, e.what(), "; the old master files were put back");
  }
  RemoveJournal(folder.Host(), folder.Shown());  // the commit
  return updates;
}

}  // namespace cmdtool
