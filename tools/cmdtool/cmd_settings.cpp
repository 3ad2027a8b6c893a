// cmdtool settings: every single-value option of the settings files by the
// name of its accessor, read and written through the library's own getters
// and setters.
//
//   settings list              accessor, current value, default, where it lives
//   settings get NAME          the value the getter gives
//   settings set NAME VALUE    through the setter, then read back
#include <cstddef>
#include <string>

#include "cmddll3/cmddll3.h"
#include "settings/scalar_settings.h"
#include "tool.h"

namespace cmdtool {
namespace {

using cmd::settings::SettingKey;
using cmd::settings::SettingKind;

constexpr int kMaxStringValue = 259;  // the getters read into 260 units

const char* FileName(const SettingKey& row) {
  return row.file == cmd::settings::SettingFile::Main ? "pelmar1.ini" : "sek4.ini";
}

std::string Where(const SettingKey& row) {
  return std::string(FileName(row)) + " [" + U8(row.section) + "] " + U8(row.key);
}

// The value as the getter gives it, called as a host calls it.
std::string Value(const SettingKey& row) {
  const auto& call = row.call;
  if (call.getString) return U8(call.getString());
  if (call.getInt) return std::to_string(call.getInt());
  if (call.getIntOut) {
    int value = 0;
    call.getIntOut(&value);
    return std::to_string(value);
  }
  return "";
}

// The default the getter gives for a missing key ("00000000" reads as 0).
std::string DefaultValue(const SettingKey& row) {
  if (!row.getter) return "";
  if (row.kind == SettingKind::String) return U8(row.def);
  return std::to_string(_wtoi(row.def));
}

const SettingKey& Find(const std::string& name) {
  std::ptrdiff_t index = cmd::settings::FindScalarSetting(name);
  if (index < 0) {
    // Accessor names are case-sensitive in code; be forgiving on the command line.
    const auto rows = cmd::settings::ScalarSettings();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      for (const char* n : {rows[i].getter, rows[i].setter}) {
        if (n && W(n).CompareNoCase(W(name)) == 0) index = static_cast<std::ptrdiff_t>(i);
      }
    }
  }
  if (index < 0)
    throw Failure("unknown setting '" + name + "' (cmdtool settings list shows every name)");
  return cmd::settings::ScalarSettings()[static_cast<std::size_t>(index)];
}

void List(Context& ctx) {
  ctx.install.Open();
  Table table({"getter", "setter", "value", "default", "kept in"});
  for (const SettingKey& row : cmd::settings::ScalarSettings()) {
    table.Row({row.getter ? row.getter : "-", row.setter ? row.setter : "-",
               row.getter ? Value(row) : "(write only)", DefaultValue(row), Where(row)});
  }
  table.Print(ctx.out);
}

void Get(Context& ctx, const std::string& name) {
  ctx.install.Open();
  const SettingKey& row = Find(name);
  if (!row.getter)
    throw Failure(name + ": the library has no getter for " + Where(row) + ", only " + row.setter);
  ctx.out << Value(row) << "\n";
}

void Set(Context& ctx, const std::string& name, const std::string& value) {
  ctx.install.Open();
  const SettingKey& row = Find(name);
  if (!row.setter) throw Failure(name + ": the library has no setter for " + Where(row));

  CString text = W(value);
  if (row.kind == SettingKind::String) {
    if (text.GetLength() > kMaxStringValue)
      throw Failure(name + ": the value is " + std::to_string(text.GetLength()) +
                    " characters long; the settings file keeps at most 259");
    if (text.FindOneOf(u"\r\n") >= 0) throw Failure(name + ": the value holds a line break");
    row.call.setString(text);
  } else {
    long long number = 0;
    if (!ParseInteger(value, INT32_MIN, INT32_MAX, number))
      throw Failure(name + ": '" + value +
                    "' is not a whole number from -2147483648 to 2147483647");
    row.call.setInt(static_cast<int>(number));
    text = W(std::to_string(number));
  }

  if (!row.getter) {
    ctx.out << row.setter << " wrote " << U8(text) << " to " << Where(row) << "\n";
    return;
  }
  // The setters report nothing; reading back tells whether the write took.
  std::string now = Value(row);
  if (now != U8(text))
    throw Failure(std::string(FileName(row)) + ": " + row.setter + " did not store '" + value +
                  "' (the file could not be written); " + row.getter + " still gives '" + now +
                  "'");
  ctx.out << row.getter << " = " << now << "\n";
}

}  // namespace

void AddSettingsCommand(CLI::App& app, Context& ctx) {
  auto* settings = app.add_subcommand(
      "settings", "single-value options of pelmar1.ini and sek4.ini, by accessor name");
  settings->require_subcommand(1);

  auto* list = settings->add_subcommand("list", "every option: getter, setter, value, default");
  list->callback([&ctx] { List(ctx); });

  static std::string name, value;
  auto* get = settings->add_subcommand("get", "the value of one option, as its getter gives it");
  get->add_option("NAME", name, "getter or setter name, e.g. GetBaikaRituIni")->required();
  get->callback([&ctx] { Get(ctx, name); });

  auto* set = settings->add_subcommand("set", "write one option through its setter");
  set->add_option("NAME", name, "setter or getter name, e.g. SetBaikaRituIni")->required();
  set->add_option("VALUE", value, "a whole number, or the text of a string option")->required();
  set->callback([&ctx] { Set(ctx, name, value); });
}

}  // namespace cmdtool
