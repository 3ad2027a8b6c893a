// Placeholders for families whose library functions have not landed yet.
#include "tool.h"
namespace cmdtool {
void AddTablesCommand(CLI::App&, Context&) {}
void AddHistoryCommand(CLI::App&, Context&) {}
}  // namespace cmdtool
