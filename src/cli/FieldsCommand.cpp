#include <iostream>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "mapping/FieldList.h"

namespace velra::cli {

void AddFieldsCommand(CLI::App& app, const GlobalOptions& global, int& exitCode) {
  auto* command = app.add_subcommand(
      "fields", "Listet die Zielfelder einer Datenart: Bezeichnung, Tabulator, Datenbankfeld.");
  auto kindText = std::make_shared<std::string>();
  command->add_option("--kind", *kindText, "Datenart (z. B. \"Artikel\" oder 1)")->required();
  command->callback([&global, kindText, &exitCode] {
    std::optional<DataKind> kind = KindOption(*kindText);
    if (!kind) {
      exitCode = kUsage;
      return;
    }
    SessionContext context;
    if (!OpenSession(global, context)) {
      exitCode = kCannotOpen;
      return;
    }
    FieldList fields = ReadFieldList(context.ConnectionString, Describe(*kind).table,
                                     LayoutFile::Load(context.LayoutFile));
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
