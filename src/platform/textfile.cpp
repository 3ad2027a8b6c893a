// Text streams with the Windows C runtime's encodings and line ends.
#include "cmddll3/platform/textfile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"

using cmd::text::Encoding;

namespace {

constexpr std::size_t kReadBlock = 256 * 1024;
std::atomic<std::size_t> g_forcedReadBlock{0};
constexpr std::size_t kWriteBlock = 256 * 1024;
constexpr char16_t kCtrlZ = 0x1A;

// ---------------------------------------------------------------- mode strings

enum class Ccs { None, Unicode, Utf16le, Utf8 };

struct Mode {
  char16_t access = 0;  // 'r', 'w' or 'a'
  bool update = false;  // '+'
  bool binary = false;  // 'b'
  Ccs ccs = Ccs::None;
};

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

void SkipSpaces(std::u16string_view s, std::size_t& i) {
  while (i < s.size() && s[i] == u' ') ++i;
}

// Parses ",ccs=NAME" (spaces allowed around the parts).
bool ParseCcs(std::u16string_view s, std::size_t i, Ccs& ccs) {
  SkipSpaces(s, i);
  if (s.substr(i, 3) != u"ccs") return false;
  i += 3;
  SkipSpaces(s, i);
  if (i >= s.size() || s[i] != u'=') return false;
  ++i;
  SkipSpaces(s, i);
  std::u16string_view name = s.substr(i);
  while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
  if (EqualNoCase(name, u"UNICODE")) ccs = Ccs::Unicode;
  else if (EqualNoCase(name, u"UTF-16LE")) ccs = Ccs::Utf16le;
  else if (EqualNoCase(name, u"UTF-8")) ccs = Ccs::Utf8;
  else return false;
  return true;
}

// The runtime's mode grammar: r, w or a; then any of + t b and the hint
// letters c n S R T D N (t and b exclusive, none twice); then ",ccs=...",
// which a binary mode takes too.
bool ParseMode(std::u16string_view s, Mode& m) {
  std::size_t i = 0;
  SkipSpaces(s, i);
  if (i >= s.size() || (s[i] != u'r' && s[i] != u'w' && s[i] != u'a')) return false;
  m.access = s[i++];
  bool sawText = false;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c == u'+') {
      if (m.update) return false;
      m.update = true;
    } else if (c == u't' || c == u'b') {
      if (sawText || m.binary) return false;
      (c == u't' ? sawText : m.binary) = true;
    } else if (c == u',') {
      return ParseCcs(s, i + 1, m.ccs);
    } else if (c == u' ' || std::u16string_view(u"cnSRTDN").find(c) != std::u16string_view::npos) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------- byte-order marks

struct Bom {
  Encoding encoding;
  std::size_t length;  // 0: no mark
};

Bom DetectBom(std::string_view bytes, Encoding otherwise) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return {Encoding::Utf16le, 2};
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return {Encoding::Utf8, 3};
  return {otherwise, 0};
}

// The encoding a ccs reads a file without a mark in: ccs=UNICODE means ANSI.
Encoding UnmarkedEncoding(Ccs ccs) {
  switch (ccs) {
    case Ccs::Utf16le: return Encoding::Utf16le;
    case Ccs::Utf8: return Encoding::Utf8;
    default: return Encoding::Ansi;
  }
}

// The encoding a ccs writes a new file in: ccs=UNICODE means UTF-16LE.
Encoding NewFileEncoding(Ccs ccs) { return ccs == Ccs::Utf8 ? Encoding::Utf8 : Encoding::Utf16le; }

std::string_view MarkOf(Encoding e) {
  switch (e) {
    case Encoding::Utf16le: return "\xFF\xFE";
    case Encoding::Utf8: return "\xEF\xBB\xBF";
    default: return "";
  }
}

// ---------------------------------------------------------------- decoding

// Turns the bytes of a stream into UTF-16 text block by block, as the
// runtime's text streams read them: CR LF becomes LF and Ctrl-Z ends the
// input in text mode (for ANSI and UTF-8 on the bytes, for UTF-16 on the
// units). Bytes that end a block in the middle of a character, or a CR
// whose next byte is still to come, are carried to the next block.
class TextDecoder {
 public:
  void Reset(Encoding encoding, bool textMode) {
    encoding_ = encoding;
    text_ = textMode;
    ended_ = false;
    carry_.clear();
  }
  bool Ended() const { return ended_; }

  // Appends the text of `bytes` to out; `eof` when no bytes follow them.
  void Feed(std::string_view bytes, bool eof, std::u16string& out) {
    if (ended_) return;
    std::string_view in = bytes;
    if (!carry_.empty()) {
      joined_.assign(carry_);
      joined_.append(bytes);
      in = joined_;
    }
    std::string carry = encoding_ == Encoding::Utf16le ? FeedUtf16(in, eof, out)
                                                        : FeedBytes(in, eof, out);
    carry_ = (eof || ended_) ? std::string() : std::move(carry);
  }

 private:
  // ANSI and UTF-8: line ends and Ctrl-Z on the bytes, then decoding.
  std::string FeedBytes(std::string_view in, bool eof, std::u16string& out) {
    std::string_view cooked = in;
    bool heldCr = false;
    if (text_) {
      cooked_.clear();
      cooked_.reserve(in.size());
      std::size_t i = 0, n = in.size();
      while (i < n) {
        std::size_t run = i;
        while (run < n && in[run] != '\r' && in[run] != '\x1A') ++run;
        cooked_.append(in.data() + i, run - i);
        i = run;
        if (i >= n) break;
        if (in[i] == '\x1A') {
          ended_ = true;
          break;
        }
        if (i + 1 < n) {
          bool crlf = in[i + 1] == '\n';
          cooked_ += crlf ? '\n' : '\r';
          i += crlf ? 2 : 1;
        } else if (eof) {
          cooked_ += '\r';
          ++i;
        } else {
          heldCr = true;
          ++i;
        }
      }
      cooked = cooked_;
    }
    bool final = (eof || ended_) && !heldCr;
    std::size_t used = encoding_ == Encoding::Ansi ? cmd::cp::Decode932Append(cooked, final, out)
                                                   : cmd::cp::DecodeUtf8Append(cooked, final, out);
    std::string carry(cooked.substr(used));
    if (heldCr) carry += '\r';
    return carry;
  }

  // UTF-16LE: units from byte pairs, then line ends and Ctrl-Z on the units.
  std::string FeedUtf16(std::string_view in, bool eof, std::u16string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    std::size_t units = in.size() / 2;
    std::size_t old = out.size();
    out.resize(old + units);
    char16_t* w = out.data() + old;
    std::size_t k = 0;
    std::string carry;
    for (; k < units; ++k) {
      char16_t c = char16_t(p[2 * k] | (p[2 * k + 1] << 8));
      if (text_ && (c == u'\r' || c == kCtrlZ)) {
        if (c == kCtrlZ) {
          ended_ = true;
          break;
        }
        if (k + 1 < units) {
          if (p[2 * k + 2] == '\n' && p[2 * k + 3] == 0) {
            *w++ = u'\n';
            ++k;
            continue;
          }
        } else if (!eof) {
          carry.assign(in.substr(2 * k));  // the CR and any odd byte after it
          break;
        }
      }
      *w++ = c;
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
    if (k >= units && in.size() % 2) carry.assign(in.substr(2 * units));  // an odd byte
    return carry;
  }

  Encoding encoding_ = Encoding::Ansi;
  bool text_ = true;
  bool ended_ = false;
  std::string carry_;
  std::string joined_;
  std::string cooked_;
};

// How a ReadString line ends: the framework's ReadString keeps the text up
// to the first NUL, and reports a line that is empty after that cut (and
// had no line end to count) as the end.
struct LineCut {
  std::u16string_view text;
  bool ok;
};

LineCut CutLine(std::u16string_view segment) {
  std::size_t nul = segment.find(u'\0');
  if (nul == std::u16string_view::npos) return {segment, true};
  return {segment.substr(0, nul), nul != 0};
}

// Bytes read from a file: one block allocated per stream and never
// zero-filled. Reserve discards what the block holds.
class ByteBlock {
 public:
  void Reserve(std::size_t capacity) {
    size_ = 0;
    if (capacity > capacity_) {
      data_.reset(new char[capacity]);
      capacity_ = capacity;
    }
  }
  char* data() { return data_.get(); }
  const char* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  void resize(std::size_t n) { size_ = n; }  // n <= capacity()
  void clear() { size_ = 0; }
  operator std::string_view() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
};

}  // namespace

// ---------------------------------------------------------------- CStdioFile

struct CStdioFile::Impl {
  int fd = -1;
  CString winPath;
  Mode mode;
  Encoding encoding = Encoding::Ansi;
  bool canRead = false;
  bool canWrite = false;
  bool failed = false;
  int error = 0;
  bool lastCloseOk = true;

  // Reading: bytes read from the file and not yet decoded, and decoded text
  // not yet returned.
  ByteBlock raw;
  std::size_t rawPos = 0;
  std::size_t blockSize = kReadBlock;  // smaller for small files
  bool sourceEnd = false;
  TextDecoder decoder;
  std::u16string text;
  std::size_t textPos = 0;

  // Writing: bytes not yet written; UTF-16 units waiting for the second
  // half of a surrogate pair (UTF-8 streams).
  std::string out;
  std::u16string pendingUnits;
  bool reading = false;  // the last operation of an update stream was a read

  bool IsOpen() const { return fd >= 0; }
  bool TextMode() const { return !mode.binary; }

  void Fail(int err) {
    if (!failed) error = err;
    failed = true;
  }

  void ResetBuffers() {
    raw.clear();
    rawPos = 0;
    sourceEnd = false;
    text.clear();
    textPos = 0;
    out.clear();
    pendingUnits.clear();
    reading = false;
  }

  // Reads the next block into raw. False at the end or on a failure.
  bool ReadBlock() {
    if (sourceEnd) return false;
    raw.Reserve(blockSize);
    rawPos = 0;
    ssize_t n = cmd::os::Read(fd, raw.data(), raw.capacity());
    if (n < 0) {
      Fail(errno);
      n = 0;
    }
    raw.resize(static_cast<std::size_t>(n));
    if (n == 0) sourceEnd = true;
    return n > 0;
  }

  // Decodes more text; false when no more can come.
  bool FillText() {
    if (decoder.Ended() || (sourceEnd && rawPos >= raw.size())) return false;
    text.erase(0, textPos);
    textPos = 0;
    if (rawPos >= raw.size()) ReadBlock();
    std::string_view chunk(raw.data() + rawPos, raw.size() - rawPos);
    rawPos = raw.size();
    decoder.Feed(chunk, sourceEnd, text);
    return true;
  }

  // Writes what is buffered. Once a step failed, nothing more is written.
  void FlushOut() {
    if (out.empty()) return;
    if (!failed) {
      if (cmd::os::Write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size()))
        Fail(errno);
    }
    out.clear();
  }

  void MaybeFlushOut() {
    if (out.size() >= kWriteBlock) FlushOut();
  }

  // Update streams: before writing, give back what was read ahead, so that
  // the bytes go where the reading stopped (an append goes to the end
  // anyway); before reading, write what is buffered.
  void PrepareWrite() {
    if (!reading) return;
    reading = false;
    std::size_t ahead = raw.size() - rawPos;
    if (ahead > 0 && mode.access != u'a' &&
        cmd::os::Seek(fd, -static_cast<off_t>(ahead), SEEK_CUR) < 0)
      Fail(errno);
    raw.clear();
    rawPos = 0;
    text.clear();
    textPos = 0;
    decoder.Reset(encoding, TextMode());
    sourceEnd = false;
  }

  void PrepareRead() {
    if (reading) return;
    reading = true;
    FlushOut();
  }

  // Reads the start of the file into raw: at least `atLeast` bytes (unless
  // the file is shorter), at most `atMost`.
  bool ReadPrefix(std::size_t atLeast, std::size_t atMost) {
    raw.Reserve(atMost);
    rawPos = 0;
    while (raw.size() < atLeast) {
      std::size_t old = raw.size();
      ssize_t n = cmd::os::Read(fd, raw.data() + old, atMost - old);
      raw.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
      if (n < 0) return false;
      if (n == 0) {
        sourceEnd = true;
        break;
      }
    }
    return true;
  }

  void AppendUtf16(std::u16string_view s) {
    bool text = TextMode();
    std::size_t old = out.size();
    out.resize(old + s.size() * 4);
    char* w = out.data() + old;
    for (char16_t c : s) {
      if (text && c == u'\n') {
        *w++ = '\r';
        *w++ = 0;
      }
      *w++ = char(c & 0xFF);
      *w++ = char(c >> 8);
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
  }

  void AppendText(std::u16string_view s) {
    if (encoding == Encoding::Utf16le) {
      AppendUtf16(s);
      return;
    }
    std::u16string translated;
    if (TextMode() && s.find(u'\n') != std::u16string_view::npos) {
      translated.reserve(s.size() + s.size() / 8);
      for (char16_t c : s) {
        if (c == u'\n') translated += u'\r';
        translated += c;
      }
      s = translated;
    }
    if (encoding == Encoding::Ansi) {
      cmd::cp::Encode932Append(s, out);
    } else {
      pendingUnits.append(s);
      std::size_t used = cmd::cp::EncodeUtf8Append(pendingUnits, false, out);
      pendingUnits.erase(0, used);
    }
  }

  bool OpenFile(const char16_t* path, const char16_t* crtMode);
  bool Close();
};

bool CStdioFile::Impl::OpenFile(const char16_t* path, const char16_t* crtMode) {
  failed = false;
  error = 0;
  lastCloseOk = true;
  ResetBuffers();
  mode = Mode{};
  if (!path || !crtMode || !ParseMode(crtMode, mode)) {
    error = errno = EINVAL;
    return false;
  }
  std::string host;
  if (!cmd::path::ToHost(path, host)) {
    error = errno = ENOENT;
    return false;
  }
  winPath = path;
  canRead = mode.access == u'r' || mode.update;
  canWrite = mode.access != u'r' || mode.update;
  int flags = canRead && canWrite ? O_RDWR : canWrite ? O_WRONLY : O_RDONLY;
  if (mode.access == u'w') flags |= O_CREAT | O_TRUNC;
  if (mode.access == u'a') flags |= O_CREAT | O_APPEND;
  // An append with a ccs looks at the file's mark first.
  bool sniffMark = mode.ccs != Ccs::None && mode.access != u'w';
  if (sniffMark && mode.access == u'a') flags = (flags & ~O_WRONLY) | O_RDWR;
  fd = cmd::os::Open(host, flags, 0666);
  if (fd < 0) {
    error = errno;
    return false;
  }
  struct stat st {};
  if (cmd::os::FStat(fd, st) == 0 && S_ISDIR(st.st_mode)) {
    cmd::os::Close(fd);
    fd = -1;
    error = errno = EACCES;  // what the runtime reports for a folder
    return false;
  }

  // A small file is read in one block of its size (plus one byte to meet
  // the end), a large one in blocks of kReadBlock.
  if (std::size_t forced = g_forcedReadBlock.load())
    blockSize = forced;
  else if (S_ISREG(st.st_mode))
    blockSize = std::clamp<std::size_t>(static_cast<std::size_t>(st.st_size) + 1, 4096, kReadBlock);
  else
    blockSize = kReadBlock;

  // Wide text on a binary stream is raw UTF-16LE, whatever the ccs: the
  // ccs of a binary mode only adds the mark of a new file and skips the
  // mark of an existing one.
  std::string_view mark;
  if (mode.ccs == Ccs::None) {
    encoding = mode.binary ? Encoding::Utf16le : Encoding::Ansi;
  } else if (mode.access == u'w' || (mode.access == u'a' && st.st_size == 0)) {
    encoding = NewFileEncoding(mode.ccs);
    mark = MarkOf(encoding);
  } else {
    // Reading, or appending to a file with content: its mark decides.
    if (!ReadPrefix(3, canRead ? std::max<std::size_t>(blockSize, 3) : 3)) {
      int err = errno;
      cmd::os::Close(fd);
      fd = -1;
      error = errno = err;
      return false;
    }
    Bom bom = DetectBom(raw, UnmarkedEncoding(mode.ccs));
    encoding = bom.encoding;
    rawPos = bom.length;
    if (!canRead) {
      raw.clear();
      rawPos = 0;
    }
    reading = canRead;
  }
  if (mode.binary) encoding = Encoding::Utf16le;
  decoder.Reset(encoding, TextMode());
  out.append(mark);
  return true;
}

bool CStdioFile::Impl::Close() {
  if (fd < 0) return lastCloseOk;
  if (canWrite) {
    if (!pendingUnits.empty()) {
      cmd::cp::EncodeUtf8Append(pendingUnits, true, out);
      pendingUnits.clear();
    }
    FlushOut();
    // New content ("w") is on disk before the file is closed, so that a
    // staging file renamed over a master afterwards is never found empty
    // after a crash. Appends and updates are not synced here (Flush does).
    if (!failed && mode.access == u'w' && cmd::os::Flush(fd) != 0) Fail(errno);
  }
  if (cmd::os::Close(fd) != 0) Fail(errno);
  fd = -1;
  ResetBuffers();
  lastCloseOk = !failed;
  return lastCloseOk;
}

CStdioFile::CStdioFile() : impl_(std::make_unique<Impl>()) {}

CStdioFile::~CStdioFile() { impl_->Close(); }

BOOL CStdioFile::Open(const char16_t* winPath, const char16_t* crtMode) {
  if (impl_->IsOpen()) impl_->Close();
  return impl_->OpenFile(winPath, crtMode) ? TRUE : FALSE;
}

BOOL CStdioFile::ReadString(CString& line) {
  Impl& f = *impl_;
  line.Empty();
  if (!f.IsOpen() || !f.canRead) return FALSE;
  f.PrepareRead();
  for (;;) {
    std::size_t nl = f.text.find(u'\n', f.textPos);
    if (nl == std::u16string::npos) {
      if (f.FillText()) continue;
      if (f.textPos >= f.text.size()) return FALSE;
      nl = f.text.size();
    }
    std::u16string_view segment(f.text.data() + f.textPos, nl - f.textPos);
    f.textPos = std::min(nl + 1, f.text.size());
    LineCut cut = CutLine(segment);
    line.str().assign(cut.text);
    return cut.ok ? TRUE : FALSE;
  }
}

bool CStdioFile::AtEnd() {
  Impl& f = *impl_;
  if (!f.IsOpen() || !f.canRead) return true;
  f.PrepareRead();
  while (f.textPos >= f.text.size())
    if (!f.FillText()) return true;
  return false;
}

void CStdioFile::WriteString(const char16_t* text) {
  Impl& f = *impl_;
  if (!f.IsOpen() || !text) return;
  if (!f.canWrite) {
    f.Fail(EBADF);
    return;
  }
  f.PrepareWrite();
  f.AppendText(std::u16string_view(text, wcslen16(text)));
  f.MaybeFlushOut();
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  Impl& f = *impl_;
  if (!f.IsOpen() || !f.canRead || !f.mode.binary || !buffer) return 0;
  f.PrepareRead();
  auto* dest = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    std::size_t avail = f.raw.size() - f.rawPos;
    if (avail == 0) {
      if (count - done >= f.blockSize) {  // large reads go straight to the caller
        ssize_t n = f.sourceEnd ? 0 : cmd::os::Read(f.fd, dest + done, count - done);
        if (n < 0) f.Fail(errno);
        if (n <= 0) {
          f.sourceEnd = true;
          break;
        }
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (!f.ReadBlock()) break;
      continue;
    }
    std::size_t take = std::min<std::size_t>(avail, count - done);
    std::memcpy(dest + done, f.raw.data() + f.rawPos, take);
    f.rawPos += take;
    done += take;
  }
  return static_cast<UINT>(done);
}

void CStdioFile::Write(const void* buffer, UINT count) {
  Impl& f = *impl_;
  if (!f.IsOpen()) return;
  if (!f.canWrite || !f.mode.binary) {
    f.Fail(f.canWrite ? EINVAL : EBADF);
    return;
  }
  if (!buffer || count == 0) return;
  f.PrepareWrite();
  f.out.append(static_cast<const char*>(buffer), count);
  f.MaybeFlushOut();
}

BOOL CStdioFile::Flush() {
  Impl& f = *impl_;
  if (!f.IsOpen()) return FALSE;
  if (f.canWrite) {
    f.FlushOut();
    if (!f.failed && cmd::os::Flush(f.fd) != 0) f.Fail(errno);
  }
  return f.failed ? FALSE : TRUE;
}

BOOL CStdioFile::Close() { return impl_->Close() ? TRUE : FALSE; }
BOOL CStdioFile::IsOpen() const { return impl_->IsOpen() ? TRUE : FALSE; }
bool CStdioFile::Failed() const { return impl_->failed; }
int CStdioFile::GetErrno() const { return impl_->error; }
Encoding CStdioFile::GetEncoding() const { return impl_->encoding; }
CString CStdioFile::GetFilePath() const { return impl_->winPath; }

// ---------------------------------------------------------------- whole files

namespace cmd::text {

void DecodeLines(std::string_view fileBytes, std::vector<CString>& lines) {
  lines.clear();
  Bom bom = DetectBom(fileBytes, UnmarkedEncoding(Ccs::Unicode));
  TextDecoder decoder;
  decoder.Reset(bom.encoding, true);
  std::u16string text;
  decoder.Feed(fileBytes.substr(bom.length), true, text);
  std::u16string_view all(text);
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t nl = all.find(u'\n', pos);
    if (nl == std::u16string_view::npos) nl = all.size();
    LineCut cut = CutLine(all.substr(pos, nl - pos));
    if (!cut.ok) break;
    lines.emplace_back(cut.text);
    pos = nl + 1;
  }
}

void SetReadBlockSize(std::size_t bytes) { g_forcedReadBlock = bytes; }

bool ReadLines(const char16_t* winPath, std::vector<CString>& lines) {
  lines.clear();
  std::string host;
  if (!winPath || !cmd::path::ToHost(winPath, host)) {
    errno = ENOENT;
    return false;
  }
  std::string bytes;
  if (!cmd::os::ReadAll(host, bytes)) return false;
  DecodeLines(bytes, lines);
  return true;
}

}  // namespace cmd::text
