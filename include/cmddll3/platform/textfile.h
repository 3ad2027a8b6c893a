// Text streams with the Windows C runtime's rules, wrapped the way the
// application framework's CStdioFile wrapped them.
//
// Open takes the runtime's mode strings: "r", "w", "a", optionally with "+",
// "t" or "b", optionally followed by ",ccs=UNICODE", ",ccs=UTF-16LE" or
// ",ccs=UTF-8":
//   - Reading: with a ccs, a byte-order mark in the file decides the encoding
//     (FF FE: UTF-16LE, EF BB BF: UTF-8) and is skipped; without one,
//     ccs=UNICODE reads ANSI text (code page 932), ccs=UTF-16LE reads
//     UTF-16LE and ccs=UTF-8 reads UTF-8. Without a ccs, text is ANSI and no
//     mark is looked for.
//   - Writing: "w" with ccs=UNICODE or UTF-16LE writes FF FE first and
//     UTF-16LE text; with ccs=UTF-8, EF BB BF and UTF-8. "a" with a ccs on a
//     missing or empty file does the same; on a file with content it goes on
//     in that file's encoding (its mark, or without one: ANSI for
//     ccs=UNICODE, as the runtime does, UTF-16LE for ccs=UTF-16LE) and writes
//     no second mark. ANSI text takes Windows' best fit or "?" for
//     characters that code page 932 lacks.
//   - Text mode ("t" or neither "t" nor "b") writes "\n" as CR LF and reads CR
//     LF as "\n", in UTF-16 too (a lone CR stays); Ctrl-Z (0x1A, U+001A in
//     UTF-16) ends the input. An odd last byte of a UTF-16 file is no
//     character. Invalid bytes read as replacement characters.
//   - Binary mode ("b") moves bytes with Read and Write; ReadString and
//     WriteString then see the file as raw UTF-16LE units, as the runtime's
//     wide functions do on a binary stream, CR LF kept as it is. A ccs on a
//     binary mode changes only the mark: it is skipped when reading, and
//     written (the ccs's own mark) where a text mode would write one.
// Reads go through large blocks and writes are buffered until Close (or
// until the buffer is full). All file access goes through cmd::os, so the
// fault hook of osfile.h can fail any step.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

namespace cmd::text {

enum class Encoding {
  Ansi,     // code page 932
  Utf16le,
  Utf8,
};

}  // namespace cmd::text

class CMD_PLATFORM_API CStdioFile {
 public:
  CStdioFile();
  ~CStdioFile();  // closes the file, ignoring a failure
  CStdioFile(const CStdioFile&) = delete;
  CStdioFile& operator=(const CStdioFile&) = delete;

  // Opens a Windows-form path with a runtime mode string. FALSE when the
  // mode is malformed (EINVAL), the path cannot be mapped or the file cannot
  // be opened; GetErrno then tells why. An open file is closed first.
  BOOL Open(const char16_t* winPath, const char16_t* crtMode);

  // The next line without its line end. FALSE at the end of the file with
  // nothing read. As the framework's ReadString, a NUL ends the line's text,
  // and a line whose first character is NUL reads as FALSE (the stream goes
  // on after it).
  BOOL ReadString(CString& line);
  // True when no more text can be read: the end of the file (or a Ctrl-Z in
  // text mode) has been reached. After a FALSE from ReadString it tells the
  // end of the input from a line that starts with NUL.
  bool AtEnd();
  // Writes text (up to its NUL) in the stream's encoding. On a stream not
  // open for writing it counts as a failed step (EBADF).
  void WriteString(const char16_t* text);

  // Bytes, for binary streams. Read returns the count read (0 at the end, or
  // on a text stream); Write on a text stream is refused and counts as a
  // failure (EINVAL). In an update stream ("+") a write after reading goes
  // where the reading stopped; for text streams, where the last block read
  // ended.
  UINT Read(void* buffer, UINT count);
  void Write(const void* buffer, UINT count);

  // Writes what is buffered and flushes the file to disk. FALSE when this or
  // an earlier step failed.
  BOOL Flush();
  // Writes what is buffered and closes the file; a stream opened with "w"
  // (new content, such as a staging file that will replace a master) is
  // flushed to disk first. FALSE when any write, the flush or the close
  // failed since Open: the file may then hold less than was written to it.
  BOOL Close();
  BOOL IsOpen() const;
  // True once a read, write, flush or close step has failed.
  bool Failed() const;
  // The errno value of the failed Open or of the first failed step (0 if
  // none).
  int GetErrno() const;
  // The encoding in which the stream reads and writes text.
  cmd::text::Encoding GetEncoding() const;
  CString GetFilePath() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

namespace cmd::text {

// Reads a whole file as "rt,ccs=UNICODE" and a ReadString loop read it: the
// lines without their line ends, up to the end of the file or the first
// line that ReadString reports as FALSE. False when the file cannot be
// opened or read (errno tells why).
CMD_PLATFORM_API bool ReadLines(const char16_t* winPath, std::vector<CString>& lines);
// The same for bytes already in memory.
CMD_PLATFORM_API void DecodeLines(std::string_view fileBytes, std::vector<CString>& lines);

// The size of the blocks in which streams opened afterwards read their file
// (by default 256 KiB, or less for a smaller file). For tests that split
// characters and line ends between blocks; 0 restores the default.
CMD_PLATFORM_API void SetReadBlockSize(std::size_t bytes);

}  // namespace cmd::text
