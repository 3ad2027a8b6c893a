// What every subcommand of cmdtool shares: the installation it works on, the
// one-line failure, trades, aligned tables, the progress bar and the
// library's message boxes.
#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/cstring.h"

namespace cmdtool {

// A failure to report to the user: one line on standard error, exit status 1.
// The text names the input and the problem ("catalogue.csv:12: ...").
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

inline std::string U8(const CString& s) { return s.ToUtf8(); }
inline std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }
inline std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }
inline std::string U8(const char16_t* s) { return Utf16ToUtf8(s ? s : u""); }
inline CString W(std::string_view utf8) { return CString::FromUtf8(utf8); }

// The installation folder, set up as a host sets up the library: the folder
// becomes the current directory, the root of every folder getter
// (SetSystemDrv) and the home of the settings files (SetIniFile,
// Set4IniFile), and the environment path (SetEnvPath).
class Installation {
 public:
  // The folder as given on the command line (--root); "." by default.
  std::string given = ".";
  // Sets the library up on first use; a missing folder is a Failure.
  void Open();
  bool IsOpen() const { return open_; }
  // The absolute host path of the folder, without a trailing separator.
  const std::string& Root() const { return absolute_; }
  // A library path (Windows form) shown relative to the root, for messages:
  // "/srv/inst\MASTER\電気\zairyou1.mst" gives "MASTER\電気\zairyou1.mst".
  std::string Show(const CString& libraryPath) const;
  // The host path a library path stands for ("" when it cannot be mapped).
  static std::string Host(const CString& libraryPath);

 private:
  std::string absolute_;
  bool open_ = false;
};

// Everything a subcommand gets: the installation and the output streams.
struct Context {
  Installation& install;
  std::ostream& out;
  std::ostream& err;
};

// ------------------------------------------------------------ trades

struct Trade {
  int number;        // 1 電気, 2 水道, 3 設備, 4 建築
  const char* name;  // the trade's master folder name
};
// "1".."4", the folder name (電気, 水道, 設備, 建築) or its reading
// (denki, suido, setubi, kenchiku). Anything else is a Failure.
Trade ParseTrade(const std::string& text);
std::vector<Trade> AllTrades();

// ------------------------------------------------------------ text layout

// Columns a text takes in a terminal: two for wide and full-width
// characters (kanji, kana, full-width forms), one for the rest.
int DisplayWidth(std::string_view utf8);

// A table printed with its columns aligned by display width.
class Table {
 public:
  enum Align { Left, Right };
  explicit Table(std::vector<std::string> header, std::vector<Align> align = {});
  void Row(std::vector<std::string> cells);
  std::size_t Rows() const { return rows_.size(); }
  void Print(std::ostream& out) const;

 private:
  std::vector<std::string> header_;
  std::vector<Align> align_;
  std::vector<std::vector<std::string>> rows_;
};

// ------------------------------------------------------------ progress

// A progress bar on standard error for long exports and imports, drawn only
// when standard error is a terminal and the work is long enough to watch.
class Progress {
 public:
  // `worth` is the least total for which a bar is drawn.
  Progress(std::string label, std::size_t total, std::size_t worth = 200);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  void Step(std::size_t count = 1);
  void Done();

 private:
  void Draw();
  std::string label_;
  std::size_t total_;
  std::size_t done_ = 0;
  int lastPercent_ = -1;
  bool enabled_;
};

// ------------------------------------------------------------ library messages

// The library's message boxes ("工事材料エラー: ...") are collected instead of
// being printed while this object lives; the command decides what they mean.
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;
  // The messages shown since the last call, as "caption: text".
  std::vector<std::string> Take();
};

// ------------------------------------------------------------ numbers

// Whole numbers written as a command-line or file value: optional sign and
// decimal digits only. False for anything else or a value outside [low, high].
bool ParseInteger(std::string_view text, long long low, long long high, long long& value);

// ------------------------------------------------------------ subcommand families

void AddPlatformCommand(CLI::App& app, Context& ctx);
void AddPathsCommand(CLI::App& app, Context& ctx);
void AddFormatCommand(CLI::App& app, Context& ctx);
void AddSettingsCommand(CLI::App& app, Context& ctx);
void AddMasterCommand(CLI::App& app, Context& ctx);
void AddTablesCommand(CLI::App& app, Context& ctx);
void AddHistoryCommand(CLI::App& app, Context& ctx);
void AddPrintCommand(CLI::App& app, Context& ctx);

}  // namespace cmdtool
