// The settings-file model: parsing, look-ups and in-place edits.
#include "platform/profile_core.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

#include "cmddll3/platform/codepage.h"

namespace cmd::profile {
namespace {

constexpr std::u16string_view kCrLf = u"\r\n";

bool IsBlank(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == u' '; }

char16_t FoldLatin(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 0x20);
  if (c >= 0xFF41 && c <= 0xFF5A) return char16_t(c - 0x20);  // full-width ａ to ｚ
  return c;
}

// Units of a word that are below 0x0E (the only units that can be CR or
// LF) set their lane's top bit; a lane above one that is set may be set as
// well, which the exact check after it sorts out.
inline std::uint64_t LowLanes(std::uint64_t w, const char*) {
  return (w - 0x0E0E0E0E0E0E0E0EULL) & ~w & 0x8080808080808080ULL;
}
inline std::uint64_t LowLanes(std::uint64_t w, const char16_t*) {
  return (w - 0x000E000E000E000EULL) & ~w & 0x8000800080008000ULL;
}

// The first CR or LF in units[from, n), or n. Skips eight bytes at a time
// while none of them can be a line end: lines are long, line ends few.
template <typename Unit>
std::size_t FindLineEnd(const Unit* units, std::size_t from, std::size_t n) {
  constexpr std::size_t kPerWord = 8 / sizeof(Unit);
  std::size_t i = from;
  while (i < n) {
    if (i + kPerWord <= n) {
      std::uint64_t w;
      std::memcpy(&w, units + i, 8);
      if (!LowLanes(w, units)) {
        i += kPerWord;
        continue;
      }
    }
    for (std::size_t stop = std::min(i + kPerWord, n); i < stop; ++i)
      if (units[i] == Unit('\r') || units[i] == Unit('\n')) return i;
  }
  return n;
}

// Calls onLine(begin, end, next) for each line of units[0, n) until it
// returns false: lines end at CR, LF or CR LF; a last line without an end
// counts, an empty rest does not.
template <typename Unit, typename OnLine>
void ForEachLine(const Unit* units, std::size_t n, OnLine onLine) {
  std::size_t begin = 0;
  while (begin < n) {
    std::size_t end = FindLineEnd(units, begin, n);
    std::size_t next = end;
    if (end < n) {
      next = (units[end] == Unit('\r') && end + 1 < n && units[end + 1] == Unit('\n')) ? end + 2
                                                                                       : end + 1;
    }
    if (!onLine(begin, end, next)) return;
    begin = next;
  }
}

}  // namespace

// ---------------------------------------------------------------- parsing

Document::Document(std::string bytes) : bytes_(std::move(bytes)) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data());
  std::size_t n = bytes_.size();
  if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    encoding_ = Encoding::Utf16le;
    bodyStart_ = 2;
  } else if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    encoding_ = Encoding::Utf8;
    bodyStart_ = 3;
  }
  std::size_t body = n - bodyStart_;
  if (encoding_ == Encoding::Utf16le) {
    // Decoding UTF-16LE is a copy: done for the whole file at once.
    std::size_t units = body / 2;
    contentEnd_ = bodyStart_ + 2 * units;
    text_.resize(units);
    const unsigned char* u = b + bodyStart_;
    for (std::size_t i = 0; i < units; ++i) text_[i] = char16_t(u[2 * i] | (u[2 * i + 1] << 8));
    ForEachLine(text_.data(), units, [this](std::size_t begin, std::size_t end, std::size_t next) {
      lines_.push_back(Line{bodyStart_ + 2 * begin, bodyStart_ + 2 * end, bodyStart_ + 2 * next});
      spans_.push_back(Span{begin, end});
      return true;
    });
    return;
  }
  // Code page 932 and UTF-8: lines are found in the bytes (a line-end byte
  // is never part of a multibyte character) and decoded one by one, so the
  // lines the reader sees are the lines the writer edits, whatever invalid
  // bytes a line holds. A line decodes to at most one unit per byte: with
  // room for the whole body reserved, text_ never moves.
  contentEnd_ = n;
  text_.reserve(body);
  lines_.reserve(body / 24 + 8);
  ForEachLine(bytes_.data() + bodyStart_, body,
              [this](std::size_t begin, std::size_t end, std::size_t next) {
                lines_.push_back(Line{bodyStart_ + begin, bodyStart_ + end, bodyStart_ + next});
                return true;
              });
  spans_.resize(lines_.size());
}

std::u16string_view Document::TextAt(std::size_t i) const {
  Span& span = spans_[i];
  if (span.begin == kUndecoded) {
    const Line& line = lines_[i];
    std::string_view bytes = std::string_view(bytes_).substr(line.begin, line.end - line.begin);
    span.begin = text_.size();
    if (encoding_ == Encoding::Utf8) cp::DecodeUtf8Append(bytes, true, text_);
    else cp::Decode932Append(bytes, true, text_);
    span.end = text_.size();
  }
  return std::u16string_view(text_).substr(span.begin, span.end - span.begin);
}

bool Document::MayBeHeader(std::size_t i) const {
  if (encoding_ == Encoding::Utf16le) {
    for (char16_t c : TextAt(i))
      if (!IsBlank(c)) return c == u'[';
    return false;
  }
  // Blanks and "[" are single bytes in code page 932 and in UTF-8, and a
  // line starts with a whole character: the bytes tell without decoding.
  const Line& line = lines_[i];
  for (std::size_t b = line.begin; b < line.end; ++b) {
    char16_t c = static_cast<unsigned char>(bytes_[b]);
    if (!IsBlank(c)) return c == u'[';
  }
  return false;
}

// ---------------------------------------------------------------- lines

std::u16string_view TrimBlanks(std::u16string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::u16string_view TrimSpaces(std::u16string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == u' ') ++b;
  while (e > b && s[e - 1] == u' ') --e;
  return s.substr(b, e - b);
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && FoldLatin(a[i]) != FoldLatin(b[i])) return false;
  return true;
}

std::u16string_view StripQuotes(std::u16string_view v) {
  if (v.size() > 1 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

LineInfo Classify(std::u16string_view line) {
  LineInfo info;
  std::u16string_view t = TrimBlanks(line);
  info.trimmed = t;
  if (t.empty()) return info;
  if (t[0] == u'[') {
    // The name runs to the last "]"; a header without one runs to the end.
    std::size_t close = t.rfind(u']');
    info.kind = LineKind::Section;
    info.name = TrimBlanks(close == std::u16string_view::npos ? t.substr(1) : t.substr(1, close - 1));
    return info;
  }
  std::size_t eq = t.find(u'=');
  if (eq == std::u16string_view::npos) {
    info.kind = t[0] == u';' ? LineKind::Comment : LineKind::Text;
    return info;
  }
  info.kind = LineKind::Entry;
  info.commented = t[0] == u';';
  info.name = TrimBlanks(t.substr(0, eq));
  info.value = TrimBlanks(t.substr(eq + 1));
  return info;
}

// ---------------------------------------------------------------- look-ups
namespace {

// The last line of the section, from its header on, that is not blank.
std::size_t LastNonBlank(const Document& doc, std::size_t header) {
  std::size_t last = header;
  std::size_t end = SectionEnd(doc, header);
  for (std::size_t i = header + 1; i < end; ++i)
    if (!TrimBlanks(doc.TextAt(i)).empty()) last = i;
  return last;
}

}  // namespace

std::size_t FindSection(const Document& doc, std::u16string_view section) {
  for (std::size_t i = 0; i < doc.LineCount(); ++i) {
    if (doc.MayBeHeader(i) && SameName(Classify(doc.TextAt(i)).name, section)) return i;
  }
  return kNone;
}

std::size_t SectionEnd(const Document& doc, std::size_t header) {
  std::size_t i = header + 1;
  while (i < doc.LineCount() && !doc.MayBeHeader(i)) ++i;
  return i;
}

std::size_t FindEntry(const Document& doc, std::size_t header, std::u16string_view key) {
  for (std::size_t i = header + 1; i < doc.LineCount(); ++i) {
    LineInfo info = Classify(doc.TextAt(i));
    if (info.kind == LineKind::Section) break;
    if (info.kind == LineKind::Entry && SameName(info.name, key)) return i;
  }
  return kNone;
}

std::optional<std::u16string_view> FindValue(const Document& doc, std::u16string_view section,
                                             std::u16string_view key) {
  std::size_t header = FindSection(doc, section);
  if (header == kNone) return std::nullopt;
  std::size_t entry = FindEntry(doc, header, key);
  if (entry == kNone) return std::nullopt;
  return Classify(doc.TextAt(entry)).value;
}

std::u16string SectionNames(const Document& doc) {
  std::u16string list;
  for (std::size_t i = 0; i < doc.LineCount(); ++i) {
    if (!doc.MayBeHeader(i)) continue;
    std::u16string_view name = Classify(doc.TextAt(i)).name;
    if (name.empty()) continue;  // "[]" cannot be listed: it would end the list
    list += name;
    list += u'\0';
  }
  return list;
}

std::optional<std::u16string> KeyNames(const Document& doc, std::u16string_view section) {
  std::size_t header = FindSection(doc, section);
  if (header == kNone) return std::nullopt;
  std::u16string list;
  std::size_t end = SectionEnd(doc, header);
  for (std::size_t i = header + 1; i < end; ++i) {
    LineInfo info = Classify(doc.TextAt(i));
    if (!info.IsListedEntry()) continue;
    list += info.name;
    list += u'\0';
  }
  return list;
}

std::optional<std::u16string> SectionLines(const Document& doc, std::u16string_view section) {
  std::size_t header = FindSection(doc, section);
  if (header == kNone) return std::nullopt;
  std::u16string list;
  std::size_t end = SectionEnd(doc, header);
  for (std::size_t i = header + 1; i < end; ++i) {
    LineInfo info = Classify(doc.TextAt(i));
    if (info.IsListedEntry()) {
      list += info.name;
      list += u'=';
      list += info.value;
    } else if (info.kind == LineKind::Text) {
      list += info.trimmed;
    } else {
      continue;
    }
    list += u'\0';
  }
  return list;
}

// ---------------------------------------------------------------- edits
namespace {

// Bytes [from, to) of the file become `text`.
struct Splice {
  std::size_t from;
  std::size_t to;
  std::u16string text;
};
using Plan = std::vector<Splice>;  // in file order, not overlapping
using Planner = std::function<std::optional<Plan>(const Document&)>;

std::string Encode(Encoding enc, std::u16string_view text) {
  switch (enc) {
    case Encoding::Ansi:
      return cp::Encode932(text);
    case Encoding::Utf8:
      return cp::EncodeUtf8(text);
    case Encoding::Utf16le:
      break;
  }
  std::string out(text.size() * 2, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    out[2 * i] = char(text[i] & 0xFF);
    out[2 * i + 1] = char(text[i] >> 8);
  }
  return out;
}

// The same lines, with the same line ends, as a UTF-16LE file.
Document ToUtf16(const Document& doc) {
  std::u16string text = u"\xFEFF";
  for (std::size_t i = 0; i < doc.LineCount(); ++i) {
    const Line& line = doc.LineAt(i);
    text += doc.TextAt(i);
    for (std::size_t b = line.end; b < line.next; ++b) text += char16_t(doc.bytes()[b]);
  }
  return Document(Encode(Encoding::Utf16le, text));
}

std::string Apply(const Document& doc, const Plan& plan) {
  const std::string& in = doc.bytes();
  std::string out;
  out.reserve(in.size() + 64);
  std::size_t at = 0;
  for (const Splice& s : plan) {
    out.append(in, at, s.from - at);
    out += Encode(doc.encoding(), s.text);
    at = s.to;
  }
  out.append(in, at, std::string::npos);
  return out;
}

std::optional<std::string> Edit(const Document& doc, const Planner& planner) {
  std::optional<Plan> plan = planner(doc);
  if (!plan) return std::nullopt;
  if (doc.encoding() == Encoding::Ansi) {
    for (const Splice& s : *plan) {
      if (!cp::Fits932(s.text)) {
        // Keep every character: the file becomes UTF-16LE, which Windows reads too.
        Document wide = ToUtf16(doc);
        std::optional<Plan> widePlan = planner(wide);
        return Apply(wide, widePlan ? *widePlan : Plan{});
      }
    }
  }
  std::string out = Apply(doc, *plan);
  if (out == doc.bytes()) return std::nullopt;
  return out;
}

// Text inserted after `line` must start on a line of its own.
std::u16string LineBreakAfter(const Document& doc, std::size_t line) {
  if (line == kNone || doc.LineAt(line).HasLineEnd()) return {};
  return std::u16string(kCrLf);
}

// A splice that appends lines at the end of the file.
Splice AppendAtEnd(const Document& doc, std::u16string text) {
  std::size_t last = doc.LineCount() == 0 ? kNone : doc.LineCount() - 1;
  return Splice{doc.ContentEnd(), doc.ContentEnd(), LineBreakAfter(doc, last) + text};
}

std::u16string Header(std::u16string_view section) {
  std::u16string s = u"[";
  s += section;
  s += u"]";
  s += kCrLf;
  return s;
}

std::u16string EntryLine(std::u16string_view key, std::u16string_view value) {
  std::u16string s(key);
  s += u'=';
  s += value;
  return s;
}

}  // namespace

std::optional<std::string> SetValue(const Document& doc, std::u16string_view section,
                                    std::u16string_view key, std::u16string_view value) {
  return Edit(doc, [&](const Document& d) -> std::optional<Plan> {
    std::size_t header = FindSection(d, section);
    if (header == kNone)
      return Plan{AppendAtEnd(d, Header(section) + EntryLine(key, value) + std::u16string(kCrLf))};
    std::size_t entry = FindEntry(d, header, key);
    if (entry == kNone) {
      std::size_t after = LastNonBlank(d, header);
      std::size_t at = d.LineAt(after).next;
      return Plan{{at, at, LineBreakAfter(d, after) + EntryLine(key, value) + std::u16string(kCrLf)}};
    }
    LineInfo info = Classify(d.TextAt(entry));
    if (info.value == value) return std::nullopt;
    const Line& line = d.LineAt(entry);
    return Plan{{line.begin, line.end, EntryLine(info.name, value)}};
  });
}

std::optional<std::string> DeleteKey(const Document& doc, std::u16string_view section,
                                     std::u16string_view key) {
  return Edit(doc, [&](const Document& d) -> std::optional<Plan> {
    std::size_t header = FindSection(d, section);
    if (header == kNone) return std::nullopt;
    std::size_t entry = FindEntry(d, header, key);
    if (entry == kNone) return std::nullopt;
    const Line& line = d.LineAt(entry);
    return Plan{{line.begin, line.next, {}}};
  });
}

std::optional<std::string> DeleteSection(const Document& doc, std::u16string_view section) {
  return Edit(doc, [&](const Document& d) -> std::optional<Plan> {
    std::size_t header = FindSection(d, section);
    if (header == kNone) return std::nullopt;
    Plan plan;
    std::size_t end = SectionEnd(d, header);
    for (std::size_t i = header; i < end; ++i) {
      if (i > header && Classify(d.TextAt(i)).IsComment()) continue;
      const Line& line = d.LineAt(i);
      if (!plan.empty() && plan.back().to == line.begin) plan.back().to = line.next;
      else plan.push_back({line.begin, line.next, {}});
    }
    return plan;
  });
}

std::optional<std::string> ReplaceSection(const Document& doc, std::u16string_view section,
                                          const std::vector<std::u16string>& lines) {
  std::u16string body;
  for (const std::u16string& l : lines) {
    body += l;
    body += kCrLf;
  }
  return Edit(doc, [&](const Document& d) -> std::optional<Plan> {
    std::size_t header = FindSection(d, section);
    if (header == kNone) {
      if (lines.empty()) return std::nullopt;
      return Plan{AppendAtEnd(d, Header(section) + body)};
    }
    std::size_t last = LastNonBlank(d, header);
    std::size_t from = d.LineAt(header).next;
    std::size_t to = d.LineAt(last).next;
    return Plan{{from, to, LineBreakAfter(d, header) + body}};
  });
}

}  // namespace cmd::profile
