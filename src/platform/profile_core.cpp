// The settings-file model: parsing, look-ups and in-place edits.
#include "platform/profile_core.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/profile_codec.h"

namespace cmd::profile {
namespace {

constexpr std::u16string_view kCrLf = u"\r\n";

bool IsBlank(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == u' '; }

char16_t FoldLatin(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 0x20);
  if (c >= 0xFF41 && c <= 0xFF5A) return char16_t(c - 0x20);  // full-width ａ to ｚ
  return c;
}

// The first unit at or after `from` that is `c`, or n. Searches the bytes
// with memchr (fast on long lines) and checks that a hit is a whole unit.
std::size_t FindUnit(const char* units, std::size_t n, std::size_t from, char c) {
  const void* hit = std::memchr(units + from, c, n - from);
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - units) : n;
}
std::size_t FindUnit(const char16_t* units, std::size_t n, std::size_t from, char c) {
  const char* bytes = reinterpret_cast<const char*>(units);
  std::size_t b = 2 * from;
  for (;;) {
    const void* hit = std::memchr(bytes + b, c, 2 * n - b);
    if (!hit) return n;
    b = static_cast<std::size_t>(static_cast<const char*>(hit) - bytes);
    if (b % 2 == 0 && units[b / 2] == char16_t(c)) return b / 2;
    ++b;
  }
}

// Calls onLine(begin, end, next) for each line of units[0, n) until it
// returns false: lines end at CR, LF or CR LF; a last line without an end
// counts, an empty rest does not.
template <typename Unit, typename OnLine>
void ForEachLine(const Unit* units, std::size_t n, OnLine onLine) {
  // The next CR and the next LF, each found once.
  std::size_t cr = FindUnit(units, n, 0, '\r');
  std::size_t lf = FindUnit(units, n, 0, '\n');
  std::size_t begin = 0;
  while (begin < n) {
    if (cr < begin) cr = FindUnit(units, n, begin, '\r');
    if (lf < begin) lf = FindUnit(units, n, begin, '\n');
    std::size_t end = std::min(cr, lf);
    std::size_t next = end;
    if (end < n) next = (end == cr && lf == cr + 1) ? end + 2 : end + 1;
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
  if (encoding_ == Encoding::Utf16le) {
    SplitUtf16();
  } else {
    SplitBytes();
  }
}

void Document::SplitUtf16() {
  std::size_t units = (bytes_.size() - bodyStart_) / 2;
  contentEnd_ = bodyStart_ + 2 * units;
  text_.resize(units);
  const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data()) + bodyStart_;
  for (std::size_t i = 0; i < units; ++i) text_[i] = char16_t(b[2 * i] | (b[2 * i + 1] << 8));
  ForEachLine(text_.data(), units, [this](std::size_t begin, std::size_t end, std::size_t next) {
    lines_.push_back(Line{bodyStart_ + 2 * begin, bodyStart_ + 2 * end, bodyStart_ + 2 * next,
                          begin, end});
    return true;
  });
}

// A code page 932 or UTF-8 file: lines are found in the bytes (a line-end
// byte is never part of a multibyte character) and decoded. Decoding the
// body at once is the fast way; when the decoded text does not split into
// the same lines (possible only for invalid bytes), each line is decoded on
// its own so that the lines the reader sees are the lines the writer edits.
void Document::SplitBytes() {
  contentEnd_ = bytes_.size();
  std::string_view body = std::string_view(bytes_).substr(bodyStart_);
  lines_.reserve(body.size() / 24 + 8);
  ForEachLine(body.data(), body.size(), [this](std::size_t begin, std::size_t end, std::size_t next) {
    lines_.push_back(Line{bodyStart_ + begin, bodyStart_ + end, bodyStart_ + next, 0, 0});
    return true;
  });
  text_ = encoding_ == Encoding::Utf8 ? codec::DecodeUtf8(body) : codec::DecodeAnsi(body);
  std::size_t i = 0;
  bool same = true;
  ForEachLine(text_.data(), text_.size(), [&](std::size_t begin, std::size_t end, std::size_t next) {
    if (i == lines_.size()) return same = false;
    Line& line = lines_[i++];
    if (next - end != line.next - line.end ||
        (end < next && char16_t(bytes_[line.end]) != text_[end]))
      return same = false;
    line.textBegin = begin;
    line.textEnd = end;
    return true;
  });
  if (!same || i != lines_.size()) DecodeLineByLine();
}

void Document::DecodeLineByLine() {
  text_.clear();
  for (Line& line : lines_) {
    std::string_view bytes = std::string_view(bytes_).substr(line.begin, line.end - line.begin);
    line.textBegin = text_.size();
    text_ += encoding_ == Encoding::Utf8 ? codec::DecodeUtf8(bytes) : codec::DecodeAnsi(bytes);
    line.textEnd = text_.size();
  }
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
  if (t[0] == u';') {
    info.kind = LineKind::Comment;
    return info;
  }
  std::size_t eq = t.find(u'=');
  if (eq == std::u16string_view::npos) {
    info.kind = LineKind::Text;
    return info;
  }
  info.kind = LineKind::Entry;
  info.name = TrimBlanks(t.substr(0, eq));
  info.value = TrimBlanks(t.substr(eq + 1));
  return info;
}

// ---------------------------------------------------------------- look-ups
namespace {

// A quick test for a header line, so that look-ups skip other lines cheaply.
bool MayBeHeader(std::u16string_view line) {
  for (char16_t c : line) {
    if (!IsBlank(c)) return c == u'[';
  }
  return false;
}

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
    std::u16string_view text = doc.TextAt(i);
    if (MayBeHeader(text) && SameName(Classify(text).name, section)) return i;
  }
  return kNone;
}

std::size_t SectionEnd(const Document& doc, std::size_t header) {
  std::size_t i = header + 1;
  while (i < doc.LineCount() && !MayBeHeader(doc.TextAt(i))) ++i;
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
    std::u16string_view text = doc.TextAt(i);
    if (!MayBeHeader(text)) continue;
    std::u16string_view name = Classify(text).name;
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
    if (info.kind != LineKind::Entry) continue;
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
    if (info.kind == LineKind::Entry) {
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
      return codec::EncodeAnsi(text);
    case Encoding::Utf8:
      return codec::EncodeUtf8(text);
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
      if (!codec::FitsAnsi(s.text)) {
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
      if (i > header && Classify(d.TextAt(i)).kind == LineKind::Comment) continue;
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
