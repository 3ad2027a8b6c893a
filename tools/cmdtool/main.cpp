// cmdtool: the library put to work on an installation folder.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "cmddll3/cmddll3.h"

int main(int argc, char** argv) {
  CLI::App app{"cmdtool: settings, masters and display texts of an installation"};
  app.require_subcommand(1);
  std::string root = ".";
  app.add_option("--root", root, "installation folder")->capture_default_str();

  auto* platform = app.add_subcommand("platform", "the platform's view of this machine");
  platform->callback([&] {
    CString amount;
    amount.Format(u"%.0f", 1234.5);
    std::cout << "installation root: " << root << "\n";
    std::cout << "\"%.0f\" of 1234.5: " << amount.ToUtf8() << "\n";
  });

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  return 0;
}
