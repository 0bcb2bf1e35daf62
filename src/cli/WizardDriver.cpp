#include "cli/WizardDriver.h"

#include <iostream>

#include "base/Text.h"
#include "cli/UsageErrors.h"
#include "config/Environment.h"
#include "shell/DataKinds.h"

namespace velra::cli {

std::string SeparatorOption(const std::string& text) {
  return text == "\\t" || ToLowerAscii(text) == "tab" ? "\t" : text;
}

void AddSourceOptions(CLI::App& command, SourceOptions& source) {
  command
      .add_option("--file", source.file, "Importdatei (XLS, XLSX, XLSM, DBF, MDB, TXT oder CSV)")
      ->required();
  command.add_option("--table", source.table,
                     "Tabelle oder Tabellenblatt (Vorgabe: die gewählte dBase-Datei, sonst die "
                     "erste)");
  command.add_option("--separator", source.separator, "Trennzeichen von Textdateien (Vorgabe: ;)");
  command.add_option("--qualifier", source.qualifier,
                     "Textqualifizierer von Textdateien (Vorgabe: \")");
  command.add_option("--password", source.password, "Kennwort einer Access-Datenbank");
  command
      .add_option("--encoding", source.encoding,
                  "Zeichensatz von Text- und dBase-Dateien: auto, utf-8, windows-1252 oder cp850 "
                  "(DOS)")
      ->check(OneOf({"auto", "utf-8", "windows-1252", "cp850"}));
  command.add_flag("--no-header", source.noHeader, "Die erste Zeile enthält keine Feldnamen");
}

int StartWizard(const GlobalOptions& options, const std::string& kindText, Wizard& wizard) {
  std::optional<DataKind> kind = ParseDataKind(kindText);
  if (!kind) {
    std::vector<std::string> texts, numbers;
    for (DataKind known : ListedDataKinds()) {
      texts.push_back("\"" + std::string(Describe(known).listText) + "\"");
      numbers.push_back(std::to_string(NumberOf(known)));
    }
    std::cerr << "Die Datenart '" << kindText << "' gibt es nicht. Möglich sind "
              << Join(texts, ", ") << " oder ihre Nummern " << Join(numbers, ", ") << ".\n";
    return kUsage;
  }
  StartOptions start;
  start.programPath = ResolveProgramPath(options.programDir);
  start.singleInstance = false;
  if (!options.company.empty()) start.commandLine = "/client:" + options.company;
  const bool loaded = wizard.Load(start);
  ImportSession& session = wizard.Session();
  // Also when it did not start: the problems are why.
  PrintProblems(session.Problems);
  session.Problems.clear();
  if (!loaded) return kCannotOpen;
  if (!session.Context.HasCompany()) {
    // Why a company that was asked for cannot be used has been said.
    const std::string wanted =
        options.company.empty() ? session.Context.Env.DefaultCompany : options.company;
    if (Trim(wanted).empty()) std::cerr << kNoCompanyChosen << '\n';
    return kCannotOpen;
  }
  wizard.ChooseDataKind(*kind);
  return kOk;
}

bool LoadSourceForMapping(const SourceOptions& source, Wizard& wizard, CliDialogs& dialogs) {
  ImportSession& session = wizard.Session();
  WizardControls& controls = wizard.Controls();
  wizard.LightClick(3);
  wizard.TrennzeichenChange(SeparatorOption(source.separator));
  wizard.BegrenzungChange(source.qualifier);
  wizard.ZeilenumbruchChange(source.lineBreakToken);
  wizard.SelectEncoding(source.encoding);
  controls.chkSpaltentitel.Value = source.noHeader ? 0 : 1;
  session.SourcePassword = source.password;
  wizard.FileChosen(source.file);
  if (!source.table.empty()) {
    const std::vector<std::string>& tables = controls.cboTabellen.Items;
    auto found = std::find(tables.begin(), tables.end(), source.table);
    if (found == tables.end()) {
      std::cerr << "Die Datei '" << source.file << "' enthält keine Tabelle '" << source.table
                << "'.\n";
      return false;
    }
    wizard.CboTabellenClick(static_cast<int>(found - tables.begin()));
  }
  wizard.WeiterClick();
  PrintProblems(session.Problems);
  session.Problems.clear();
  return session.Schritt == 4 && !dialogs.errorShown && !controls.txtDateiname.Text.empty();
}

}  // namespace velra::cli
