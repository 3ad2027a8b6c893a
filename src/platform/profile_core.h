// The settings-file (INI) model behind the profile functions, without files.
//
// A Document holds the bytes of a settings file and, for each line, where its
// bytes are and what they say once decoded. Look-ups work on the decoded
// lines; an edit names the byte ranges it replaces and the text it puts
// there, so every byte it does not touch is copied over unchanged — also in
// a code page 932 file whose bytes would not survive decoding and encoding.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cmd::profile {

enum class Encoding { Ansi, Utf16le, Utf8 };  // Ansi: code page 932

// One line of a file.
struct Line {
  std::size_t begin = 0;  // first byte
  std::size_t end = 0;    // first byte of the line end (next when none)
  std::size_t next = 0;   // first byte after the line end
  bool HasLineEnd() const { return end != next; }
};

// Lines are decoded when first asked for: a look-up decodes the section
// headers and the lines of one section, not the whole file.
class Document {
 public:
  Document() = default;  // a missing or empty file
  explicit Document(std::string bytes);

  Encoding encoding() const { return encoding_; }
  const std::string& bytes() const { return bytes_; }
  std::size_t LineCount() const { return lines_.size(); }
  const Line& LineAt(std::size_t i) const { return lines_[i]; }
  // The decoded line without its end. Views stay valid as long as the
  // document: all lines fit in the room reserved for them at the start.
  std::u16string_view TextAt(std::size_t i) const;
  // True when the first character of the line that is not blank is "[":
  // only such a line can be a section header. Needs no decoding.
  bool MayBeHeader(std::size_t i) const;
  // Where new lines are appended: the end of the file, before the dangling
  // last byte of a UTF-16 file with an odd size (which stays last).
  std::size_t ContentEnd() const { return contentEnd_; }

 private:
  static constexpr std::size_t kUndecoded = static_cast<std::size_t>(-1);
  struct Span {
    std::size_t begin = kUndecoded;
    std::size_t end = 0;
  };

  std::string bytes_;
  Encoding encoding_ = Encoding::Ansi;
  std::size_t bodyStart_ = 0;  // after the byte-order mark
  std::size_t contentEnd_ = 0;
  std::vector<Line> lines_;
  mutable std::u16string text_;      // decoded lines, in the order decoded
  mutable std::vector<Span> spans_;  // each line's place in text_
};

// ---------------------------------------------------------------- lines
// Trims what a line loses: tab to CR, Ctrl-Z and space.
std::u16string_view TrimBlanks(std::u16string_view s);
// Trims spaces only, as the caller's section and key names are trimmed.
std::u16string_view TrimSpaces(std::u16string_view s);
// Equal with Latin letters folded (ASCII and full-width); nothing else folds.
bool SameName(std::u16string_view a, std::u16string_view b);
// A value of two or more characters enclosed in one kind of quote loses them.
std::u16string_view StripQuotes(std::u16string_view value);

// A line that starts with ";" is a comment: lists leave it out. With an
// "=" it is still an entry that a look-up by its exact name (";key") finds.
enum class LineKind { Blank, Comment, Section, Entry, Text };
struct LineInfo {
  LineKind kind = LineKind::Blank;
  std::u16string_view name;   // section name or key name
  std::u16string_view value;  // entry value, trimmed, quotes kept
  std::u16string_view trimmed;
  bool commented = false;     // an entry whose name starts with ";"
  bool IsComment() const { return kind == LineKind::Comment || commented; }
  bool IsListedEntry() const { return kind == LineKind::Entry && !commented; }
};
LineInfo Classify(std::u16string_view line);

// ---------------------------------------------------------------- look-ups
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// The header line of the first section of that name, or kNone.
std::size_t FindSection(const Document& doc, std::u16string_view section);
// The line after the last line of the section that starts at `header`.
std::size_t SectionEnd(const Document& doc, std::size_t header);
// The first entry of that key in the section, or kNone.
std::size_t FindEntry(const Document& doc, std::size_t header, std::u16string_view key);
// The stored value (trimmed, quotes kept) of a key, if there is one.
std::optional<std::u16string_view> FindValue(const Document& doc, std::u16string_view section,
                                             std::u16string_view key);

// Lists: every item is followed by a zero character.
std::u16string SectionNames(const Document& doc);
// Key names of the section; nullopt when there is no such section.
std::optional<std::u16string> KeyNames(const Document& doc, std::u16string_view section);
// "key=value" lines of the section (and lines without "=", as they are).
std::optional<std::u16string> SectionLines(const Document& doc, std::u16string_view section);

// ---------------------------------------------------------------- edits
// Each returns the new bytes of the file, or nullopt when nothing changes.
// Names are used as given (the caller trims them). Where a code page 932
// file cannot hold the new text, the result is the whole file in UTF-16LE.
std::optional<std::string> SetValue(const Document& doc, std::u16string_view section,
                                    std::u16string_view key, std::u16string_view value);
std::optional<std::string> DeleteKey(const Document& doc, std::u16string_view section,
                                     std::u16string_view key);
// Removes the section's header and lines; its comment lines stay.
std::optional<std::string> DeleteSection(const Document& doc, std::u16string_view section);
// Replaces the section's lines (up to its trailing blank lines) by `lines`.
std::optional<std::string> ReplaceSection(const Document& doc, std::u16string_view section,
                                          const std::vector<std::u16string>& lines);

}  // namespace cmd::profile
