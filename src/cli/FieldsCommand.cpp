#include <iostream>

#include "cli/Commands.h"
#include "cli/WizardDriver.h"
#include "mapping/FieldList.h"

namespace velra::cli {

void AddFieldsCommand(CLI::App& app, const GlobalOptions& global, int& exitCode) {
  auto* command = app.add_subcommand(
      "fields", "Listet die Zielfelder einer Datenart: Bezeichnung, Tabulator, Datenbankfeld.");
  auto kind = std::make_shared<std::string>();
  command->add_option("--kind", *kind, "Datenart (z. B. \"Artikel\" oder 1)")->required();
  command->callback([&global, kind, &exitCode] {
    CliDialogs dialogs;
    Wizard wizard(dialogs);
    if (int started = StartWizard(global, *kind, wizard); started != kOk) {
      exitCode = started;
      return;
    }
    const ImportSession& session = wizard.Session();
    FieldList fields = ReadFieldList(session.Context.ConnectionString, session.Zieltabelle,
                                     LayoutFile::Load(session.Context.LayoutFile));
    if (!fields.error.empty()) {
      std::cerr << fields.error << '\n';
      exitCode = kCannotOpen;
      return;
    }
    for (const FieldChoice& choice : fields.choices)
      std::cout << choice.Caption << '\t' << choice.Field << '\n';
    exitCode = kOk;
  });
}

}  // namespace velra::cli
