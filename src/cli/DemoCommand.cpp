#include <iostream>

#include "cli/Commands.h"
#include "demo/DemoEnvironment.h"

namespace velra::cli {

void AddDemoCommand(CLI::App& app, int& exitCode) {
  auto* command =
      app.add_subcommand("demo", "Legt eine vollständige Demo-Umgebung in einem Ordner an.");
  auto folder = std::make_shared<std::string>();
  auto replace = std::make_shared<bool>(false);
  command->add_option("--dir", *folder, "Ordner der Demo-Umgebung")->required();
  command->add_flag("--replace", *replace, "Eine vorhandene Demo-Umgebung in dem Ordner ersetzen");
  command->callback([folder, replace, &exitCode] {
    std::string error;
    if (!CreateDemoEnvironment(*folder, *replace, &error)) {
      std::cerr << error << '\n';
      exitCode = kCannotOpen;
      return;
    }
    std::cout << "Demo-Umgebung angelegt in " << *folder << '\n'
              << "Starten Sie den Importassistenten mit --program-dir " << *folder << '\n';
    exitCode = kOk;
  });
}

}  // namespace velra::cli
