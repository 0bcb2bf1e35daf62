#include <iostream>

#include "base/Text.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "demo/DemoEnvironment.h"

namespace velra::cli {

void AddDemoCommand(CLI::App& app, int& exitCode) {
  auto* command =
      app.add_subcommand("demo", "Legt eine vollständige Demo-Umgebung in einem Ordner an.");
  auto folder = std::make_shared<std::string>();
  auto replace = std::make_shared<bool>(false);
  auto server = std::make_shared<DemoServer>();
  command->add_option("--dir", *folder, "Ordner der Demo-Umgebung")->required();
  command->add_flag("--replace", *replace,
                    "Eine vorhandene Demo-Umgebung in dem Ordner und die Datenbank der "
                    "Serverfirma ersetzen");
  auto* serverOption =
      command->add_option("--server", server->dataSource,
                          "Datenbankserver der Serverfirma (HOST oder HOST,PORT); legt ihre "
                          "Datenbank dort an");
  command->add_option("--user", server->user, "Benutzer am Datenbankserver (Vorgabe: velra)")
      ->needs(serverOption);
  command->add_option("--password", server->password, "Kennwort am Datenbankserver")
      ->needs(serverOption);
  command
      ->add_option("--provider", server->provider,
                   "Anbieter des Datenbankservers (Vorgabe: PostgreSQL; SQLOLEDB für SQL Server)")
      ->needs(serverOption);
  command
      ->add_option("--catalog", server->company,
                   "Name der Serverfirma und ihrer Datenbank (Vorgabe: MusterfirmaServer)")
      ->needs(serverOption);
  command->callback([folder, replace, server, serverOption, &exitCode] {
    try {
      CreateDemoEnvironment(*folder, *replace);
    } catch (const DemoError& e) {
      std::cerr << e.what() << '\n';
      exitCode = kCannotOpen;
      return;
    }
    try {
      if (serverOption->count() > 0) CreateDemoServerCompany(*folder, *server, *replace);
    } catch (const DemoError& e) {
      std::cerr << e.what() << '\n' << Fill(texts::kDemoServerMissing, {*folder}) << '\n';
      exitCode = kCannotOpen;
      return;
    }
    std::cout << Fill(texts::kDemoCreated, {*folder}) << '\n';
    if (serverOption->count() > 0)
      std::cout << Fill(texts::kDemoServerCreated, {server->company, server->dataSource}) << '\n';
    std::cout << Fill(texts::kDemoStart, {*folder}) << '\n';
    exitCode = kOk;
  });
}

}  // namespace velra::cli
