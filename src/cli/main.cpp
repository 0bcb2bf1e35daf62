// importassistent-cli: the import wizard's engine without a window.

#include <iostream>

#include "cli/Commands.h"
#include "cli/UsageErrors.h"

int main(int argc, char** argv) {
  using namespace velra::cli;
  CLI::App app{"Importassistent der Velra-Suite, Befehlszeile"};
  app.require_subcommand(1);
  app.fallthrough();
  GlobalOptions options;
  app.add_option(
      "--program-dir", options.programDir,
      "Ordner der Umgebungsdatei velra.var (Vorgabe: VELRA_HOME, sonst der Programmordner)");
  app.add_option("--company", options.company, "Firma (Vorgabe: die Firma aus der Umgebungsdatei)");

  int exitCode = kOk;
  AddDemoCommand(app, exitCode);
  AddCompaniesCommand(app, options, exitCode);
  AddCompanyCommand(app, options, exitCode);
  AddPreviewCommand(app, options, exitCode);
  AddFieldsCommand(app, options, exitCode);
  AddImportCommand(app, options, exitCode);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << UsageMessage(app, e) << '\n';
    return kUsage;
  }
  return exitCode;
}
