// Placeholders for families whose library functions have not landed yet.
#include "tool.h"
namespace cmdtool {
void AddFormatCommand(CLI::App&, Context&) {}
void AddSettingsCommand(CLI::App&, Context&) {}
void AddMasterCommand(CLI::App&, Context&) {}
void AddTablesCommand(CLI::App&, Context&) {}
void AddHistoryCommand(CLI::App&, Context&) {}
}  // namespace cmdtool
