// cmdtool format: the display texts of estimates and invoices.
//
//   format money TEXT...        "\1,234,567" (the yen mark is the backslash
//                               that Japanese fonts draw as ¥)
//   format number VALUE... -d N  grouped, decimals aligned (KanmaFormat_1)
//   format date DATE|today...   "2024/5/3", or today's "2024/ 5/ 3"
//
// Several values print as one right-aligned column, as the forms show them.
#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "tool.h"

namespace cmdtool {
namespace {

constexpr int kMaxNumberText = 31;  // the formatters work in 32-unit buffers

// A plain decimal number text: optional minus, digits, optional fraction.
bool IsNumberText(const std::string& text) {
  std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
  std::size_t digits = 0, point = 0;
  for (; i < text.size(); ++i) {
    if (text[i] == '.') {
      if (++point > 1) return false;
    } else if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else {
      return false;
    }
  }
  return digits > 0;
}

std::string CheckedNumber(const std::string& value) {
  std::string text = value;
  // A yen mark typed in front (either spelling) is the formatter's own.
  for (const char* yen : {"\\", "¥", "￥"}) {
    if (text.rfind(yen, 0) == 0) text = text.substr(std::char_traits<char>::length(yen));
  }
  if (!IsNumberText(text)) throw Failure("'" + value + "' is not a number");
  if (static_cast<int>(text.size()) + 1 > kMaxNumberText)
    throw Failure("'" + value + "' is longer than the 30 digits a display text holds");
  return text;
}

void PrintColumn(Context& ctx, const std::vector<std::string>& texts, bool quote) {
  int width = 0;
  for (const std::string& t : texts) width = std::max(width, DisplayWidth(t));
  for (const std::string& t : texts) {
    std::string pad(static_cast<std::size_t>(width - DisplayWidth(t)), ' ');
    ctx.out << (quote ? "\"" + t + "\"" : pad + t) << "\n";
  }
}

struct FormatOptions {
  std::vector<std::string> values;
  int decimals = 0;
  int group = 0;
  bool quote = false;
};

void Money(Context& ctx, const FormatOptions& o) {
  std::vector<std::string> texts;
  for (const std::string& value : o.values) {
    std::string number = CheckedNumber(value);
    if (o.group > 0) {
      long long whole = 0;
      if (!ParseInteger(number, INT64_MIN + 1, INT64_MAX, whole))
        throw Failure("'" + value + "': --group takes a whole number");
      texts.push_back(U8(GetMoneyStrFromLong(whole, o.group)));
    } else {
      texts.push_back(U8(KanmaFormat_2((u"\\" + W(number)).GetString())));
    }
  }
  PrintColumn(ctx, texts, o.quote);
}

void Number(Context& ctx, const FormatOptions& o) {
  std::vector<std::string> texts;
  for (const std::string& value : o.values) {
    std::string number = CheckedNumber(value);
    double v = 0;
    std::from_chars(number.data(), number.data() + number.size(), v);
    texts.push_back(U8(KanmaFormat_1(v, o.decimals)));
  }
  PrintColumn(ctx, texts, o.quote);
}

void Date(Context& ctx, const FormatOptions& o) {
  std::vector<std::string> texts;
  for (const std::string& value : o.values) {
    if (value == "today") {
      texts.push_back(U8(GetDate(nullptr, nullptr, nullptr)));
      continue;
    }
    // A stored date: four-digit year, month and day at fixed places.
    bool ok = value.size() == 10;
    for (std::size_t i = 0; ok && i < value.size(); ++i) {
      bool separator = i == 4 || i == 7;
      ok = separator ? !(value[i] >= '0' && value[i] <= '9') : (value[i] >= '0' && value[i] <= '9');
    }
    if (!ok) throw Failure("'" + value + "' is not a date like 2024/05/03 (or today)");
    texts.push_back(U8(GetStrDateFromArray(W(value).GetString())));
  }
  for (const std::string& t : texts) ctx.out << (o.quote ? "\"" + t + "\"" : t) << "\n";
}

}  // namespace

void AddFormatCommand(CLI::App& app, Context& ctx) {
  auto* format = app.add_subcommand("format", "display texts of money, numbers and dates");
  format->require_subcommand(1);
  static FormatOptions o;

  auto* money = format->add_subcommand("money", "amounts with the yen mark and thousands commas");
  money->add_option("TEXT", o.values, "number texts, e.g. 1234567 or 1234.50")->required();
  money
      ->add_option("--group", o.group,
                   "digits per group, without the yen mark (GetMoneyStrFromLong)")
      ->check(CLI::Range(1, 30));
  money->add_flag("--quote", o.quote, "print each text in quotes, trailing spaces visible");
  money->callback([&ctx] { Money(ctx, o); });

  auto* number = format->add_subcommand("number", "quantities and unit prices (KanmaFormat_1)");
  number->add_option("VALUE", o.values, "numbers, e.g. 1234.5")->required();
  number->add_option("-d,--decimals", o.decimals, "decimals shown: 0 to 3")
      ->check(CLI::Range(0, 3))
      ->capture_default_str();
  number->add_flag("--quote", o.quote, "print each text in quotes, trailing spaces visible");
  number->callback([&ctx] { Number(ctx, o); });

  auto* date = format->add_subcommand("date", "display dates (GetStrDateFromArray, GetDate)");
  date->add_option("DATE", o.values, "stored dates like 2024/05/03, or today")->required();
  date->add_flag("--quote", o.quote, "print each text in quotes");
  date->callback([&ctx] { Date(ctx, o); });
}

}  // namespace cmdtool
