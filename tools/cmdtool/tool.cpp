#include "tool.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <system_error>

#include "cmddll3/frame.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/winpath.h"

namespace fs = std::filesystem;

namespace cmdtool {

// ------------------------------------------------------------ installation

void Installation::Open() {
  if (open_) return;
  std::error_code ec;
  if (!fs::is_directory(given, ec)) throw Failure(given + ": no such installation folder");
  fs::path absolute = fs::absolute(given, ec).lexically_normal();
  std::string text = absolute.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  if (chdir(text.c_str()) != 0)
    throw Failure(given + ": cannot enter the installation folder: " + std::strerror(errno));
  absolute_ = text;
  // As a host does at start: the installation folder is the current
  // directory, the system drive string and the home of the settings files.
  SetSystemDrv(W(text) + u"\\");
  SetIniFile();
  Set4IniFile();
  SetEnvPath();
  open_ = true;
}

std::string Installation::Show(const CString& libraryPath) const {
  std::string path = U8(libraryPath);
  std::string prefix = absolute_ + "\\";
  if (!absolute_.empty() && path.compare(0, prefix.size(), prefix) == 0)
    return path.substr(prefix.size());
  return path;
}

std::string Installation::Host(const CString& libraryPath) {
  return cmd::path::ToHostOrEmpty(libraryPath.str());
}

// ------------------------------------------------------------ trades

namespace {

struct TradeName {
  Trade trade;
  const char* reading;
};

constexpr TradeName kTrades[] = {
    {{1, "電気"}, "denki"},
    {{2, "水道"}, "suido"},
    {{3, "設備"}, "setubi"},
    {{4, "建築"}, "kenchiku"},
};

}  // namespace

Trade ParseTrade(const std::string& text) {
  for (const TradeName& t : kTrades) {
    if (text == std::to_string(t.trade.number) || text == t.trade.name || text == t.reading)
      return t.trade;
  }
  if (text == "setsubi") return kTrades[2].trade;
  throw Failure("unknown trade '" + text + "': use 1 to 4 or 電気, 水道, 設備, 建築");
}

std::vector<Trade> AllTrades() {
  std::vector<Trade> all;
  for (const TradeName& t : kTrades) all.push_back(t.trade);
  return all;
}

// ------------------------------------------------------------ text layout

namespace {

// Decodes one UTF-8 sequence at text[i]; advances i. Invalid bytes count as
// one column each.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  bool truncated = i + static_cast<std::size_t>(extra) >= text.size() && extra > 0;
  if (extra < 0 || truncated) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k)
    cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

bool IsWide(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) ||
         (cp >= 0x3041 && cp <= 0x33FF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
         (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

}  // namespace

int DisplayWidth(std::string_view utf8) {
  int width = 0;
  for (std::size_t i = 0; i < utf8.size();) width += IsWide(NextCodePoint(utf8, i)) ? 2 : 1;
  return width;
}

Table::Table(std::vector<std::string> header, std::vector<Align> align)
    : header_(std::move(header)), align_(std::move(align)) {
  align_.resize(header_.size(), Left);
}

void Table::Row(std::vector<std::string> cells) {
  cells.resize(header_.size());
  rows_.push_back(std::move(cells));
}

void Table::Print(std::ostream& out) const {
  std::vector<int> widths(header_.size(), 0);
  auto measure = [&](const std::vector<std::string>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(cells[c]));
  };
  measure(header_);
  for (const auto& row : rows_) measure(row);

  auto print = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      int pad = widths[c] - DisplayWidth(cells[c]);
      bool last = c + 1 == cells.size();
      if (c > 0) line += "  ";
      if (align_[c] == Right) line.append(static_cast<std::size_t>(pad), ' ');
      line += cells[c];
      if (align_[c] == Left && !last) line.append(static_cast<std::size_t>(pad), ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  };
  print(header_);
  for (const auto& row : rows_) print(row);
}

// ------------------------------------------------------------ progress

namespace {
constexpr int kBarWidth = 30;
}  // namespace

Progress::Progress(std::string label, std::size_t total, std::size_t worth)
    : label_(std::move(label)),
      total_(total),
      enabled_(total >= worth && isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() { Done(); }

void Progress::Step(std::size_t count) {
  done_ = std::min(total_, done_ + count);
  if (enabled_) Draw();
}

void Progress::Draw() {
  int percent = total_ ? static_cast<int>(done_ * 100 / total_) : 100;
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  int filled = percent * kBarWidth / 100;
  std::cerr << "\r" << label_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << done_
            << "/" << total_ << std::flush;
}

void Progress::Done() {
  if (!enabled_) return;
  done_ = total_;
  Draw();
  std::cerr << "\n" << std::flush;
  enabled_ = false;
}

// ------------------------------------------------------------ library messages

namespace {
std::mutex g_messagesMutex;
std::vector<std::string> g_messages;
}  // namespace

MessageCapture::MessageCapture() {
  SetMessageBoxHook([](HWND, const CString& text, const CString& caption, UINT type) {
    std::lock_guard<std::mutex> lock(g_messagesMutex);
    g_messages.push_back(caption.IsEmpty() ? U8(text) : U8(caption) + ": " + U8(text));
    return (type & 0x0F) == MB_OK ? IDOK : IDCANCEL;
  });
}

MessageCapture::~MessageCapture() { SetMessageBoxHook(nullptr); }

std::vector<std::string> MessageCapture::Take() {
  std::lock_guard<std::mutex> lock(g_messagesMutex);
  std::vector<std::string> taken;
  taken.swap(g_messages);
  return taken;
}

// ------------------------------------------------------------ numbers

bool ParseInteger(std::string_view text, long long low, long long high, long long& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  long long v = 0;
  int digits = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    if (++digits > 18) return false;  // far out of any range asked for
    v = v * 10 + (text[i] - '0');
  }
  v = negative ? -v : v;
  if (v < low || v > high) return false;
  value = v;
  return true;
}

}  // namespace cmdtool
