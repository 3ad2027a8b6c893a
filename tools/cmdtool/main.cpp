// cmdtool: the library put to work on an installation folder.
//
//   cmdtool [--root DIR] [--drive X=FOLDER]... COMMAND ...
//
// Exit status: 0 done, 1 failure (one line on standard error naming the
// input and the problem), 2 usage error.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "cmddll3/platform/winpath.h"
#include "cmddll3/version.h"
#include "tool.h"

namespace {

// "C=/srv/inst" maps drive C: to that folder.
void MapDrive(const std::string& mapping) {
  char letter = mapping.empty() ? 0 : char(mapping[0] | 0x20);
  if (mapping.size() < 3 || mapping[1] != '=' || letter < 'a' || letter > 'z')
    throw CLI::ValidationError("--drive", "expected X=folder, got " + mapping);
  cmd::path::SetDriveRoot(static_cast<char16_t>(mapping[0]), mapping.substr(2));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace cmdtool;
  Installation install;
  Context ctx{install, std::cout, std::cerr};

  CLI::App app{"cmdtool: settings, masters and display texts of an installation folder"};
  app.name("cmdtool");
  app.require_subcommand(1);
  app.set_version_flag("--version", "cmdtool " CMDDLL3_VERSION);
  app.add_option("--root", install.given, "installation folder (holds pelmar1.ini and MASTER)")
      ->capture_default_str();
  app.add_option_function<std::vector<std::string>>(
      "--drive",
      [](const std::vector<std::string>& mappings) {
        for (const std::string& m : mappings) MapDrive(m);
      },
      "map a drive letter to a folder: X=/path (repeatable)");

  AddPathsCommand(app, ctx);
  AddSettingsCommand(app, ctx);
  AddMasterCommand(app, ctx);
  AddTablesCommand(app, ctx);
  AddHistoryCommand(app, ctx);
  AddPrintCommand(app, ctx);
  AddFormatCommand(app, ctx);
  AddPlatformCommand(app, ctx);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "cmdtool: " << e.what() << " (see cmdtool --help)\n";
    return 2;
  } catch (const Failure& e) {
    std::cout.flush();
    std::cerr << "cmdtool: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
