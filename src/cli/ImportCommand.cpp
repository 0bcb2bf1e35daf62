#include <unistd.h>

#include <iostream>

#include "base/Text.h"
#include "cli/Commands.h"
#include "cli/ImportOutput.h"
#include "cli/UsageErrors.h"
#include "cli/WizardDriver.h"
#include "import/ImportSettings.h"
#include "shell/DataKinds.h"
#include "shell/ImportEnding.h"

namespace velra::cli {

namespace {

struct ImportOptions {
  SourceOptions source;
  std::string kind, syncField, articleType, unit, taxKey, storage, priceMode;
  std::vector<std::string> maps;
  bool sync = false, noAutoNumber = false, deleteAll = false, yes = false, noActive = false,
       rebate = false, pos = false, webshop = false, createSupplier = false, noAddress = false;
  int searchNameMode = -1;
  std::string profile, saveProfile, rejectFile;
  bool dryRun = false, json = false, noLearned = false, noWait = false;
};

// The options of the settings page: with a profile, the profile sets them.
constexpr const char* kSettingsOptions[] = {"--sync",
                                            "--sync-field",
                                            "--no-autonumber",
                                            "--delete-all",
                                            "--no-active",
                                            "--rebate",
                                            "--pos",
                                            "--webshop",
                                            "--create-supplier",
                                            "--article-type",
                                            "--unit",
                                            "--tax-key",
                                            "--storage",
                                            "--price-mode",
                                            "--no-address",
                                            "--search-name-mode"};

int IndexOf(const std::vector<std::string>& items, const std::string& text) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) return static_cast<int>(i);
  return -1;
}

// The settings page, as a user would set it.
bool ApplySettings(const ImportOptions& o, Wizard& wizard) {
  WizardControls& c = wizard.Controls();
  if (o.noAutoNumber) c.chkAutoNummer.Value = 0;
  if (o.sync) wizard.ChkSynchronisierenClick(1);
  if (o.deleteAll) wizard.ChkLoeschenClick(1);
  c.chkAktiv.Value = o.noActive ? 0 : 1;
  c.chkRabatt.Value = o.rebate;
  c.chkPOS.Value = o.pos;
  c.chkWebshop.Value = o.webshop;
  c.chkLieferant.Value = o.createSupplier;
  if (!o.articleType.empty()) {
    wizard.ChkArtikeltypClick(1);
    c.cboArtikeltyp.SetText(o.articleType);
  }
  if (!o.unit.empty()) {
    wizard.ChkEinheitClick(1);
    c.cboEinheit.SetText(o.unit);
  }
  if (!o.taxKey.empty()) {
    wizard.ChkSteuersatzClick(1);
    c.icboSteuersatz.Selected = -1;
    for (size_t i = 0; i < c.icboSteuersatz.Items.size(); ++i)
      if (c.icboSteuersatz.Items[i].Key == "\xC2\xA4" + o.taxKey + "\xC2\xA4")
        c.icboSteuersatz.Selected = static_cast<int>(i);
    if (c.icboSteuersatz.Selected < 0) {
      std::cerr << "Den Steuerschlüssel '" << o.taxKey << "' gibt es nicht.\n";
      return false;
    }
  }
  if (std::optional<std::string> problem = wizard.ArticleDefaultsProblem()) {
    std::cerr << *problem << '\n';
    return false;
  }
  if (!o.storage.empty()) {
    wizard.ChkLagerortClick(1);
    c.txtLagerort.Text = o.storage;
  }
  if (!o.priceMode.empty()) {
    const std::vector<std::string> modes = {"none", "net-to-gross", "gross-to-net"};
    int mode = IndexOf(modes, o.priceMode);
    if (mode < 0) {
      std::cerr << "--price-mode kennt none, net-to-gross und gross-to-net.\n";
      return false;
    }
    wizard.CboBerechnungsartClick(mode);
  }
  if (o.noAddress)
    c.chkKunden_Anschrift_generieren.Value = c.chkLieferanten_Anschrift_generieren.Value = 0;
  if (o.searchNameMode >= 0) {
    wizard.CboKundenSuchnameClick(o.searchNameMode);
    wizard.CboLieferantenSuchnameClick(o.searchNameMode);
  }
  return true;
}

// --map "Spalte=Bezeichnung": the column gets the field of that caption, as by a header click and
// a pick in the field list.
bool ApplyMaps(const ImportOptions& o, Wizard& wizard) {
  WizardControls& c = wizard.Controls();
  for (const std::string& map : o.maps) {
    size_t equals = map.find('=');
    std::string columnName = map.substr(0, equals);
    std::string caption = equals == std::string::npos ? "" : map.substr(equals + 1);
    int column = 0;
    for (size_t i = 0; i < c.columns.size(); ++i)
      if (c.columns[i].SourceName == columnName) column = static_cast<int>(i + 1);
    // "COLUMN=" takes the column's field away, whatever gave it.
    if (column > 0 && equals != std::string::npos && caption.empty()) {
      wizard.HeaderClick(column);
      wizard.RemoveMapping();
      continue;
    }
    int field = IndexOf(c.cboDatenbankfelder.Items, caption);
    if (column == 0 || field <= 0) {
      std::cerr << "--map \"" << map << "\": "
                << (column == 0
                        ? "Die Datei hat keine Spalte '" + columnName + "'."
                        : "Die Datenart hat kein Feld mit der Bezeichnung '" + caption + "'.")
                << '\n';
      return false;
    }
    wizard.HeaderClick(column);
    wizard.FieldPicked(field);
  }
  return true;
}

// Options the settings page would not let be set together, or that do nothing for the kind, are
// refused rather than dropped.
bool OptionsApply(const ImportOptions& o, const CLI::App& command, const std::string& kindText) {
  if (o.sync && o.deleteAll) {
    std::cerr << "--sync und --delete-all schließen sich aus: Synchronisieren aktualisiert die "
                 "vorhandenen Datensätze, --delete-all löscht sie vor dem Import.\n";
    return false;
  }
  std::optional<DataKind> kind = ParseDataKind(kindText);  // StartWizard names an unknown kind
  if (kind && Describe(*kind).alwaysAdds)
    for (const char* option : {"--sync", "--sync-field"})
      if (command.count(option)) {
        std::cerr << option << " gilt nicht für die Datenart '" << Describe(*kind).listText
                  << "': Jede Zeile wird als neuer Datensatz angelegt.\n";
        return false;
      }
  return true;
}

std::optional<ImportProfile> ReadProfile(const std::string& path) {
  ProfileLoad loaded = LoadProfile(path);
  if (!loaded.profile) {
    std::cerr << loaded.error << '\n';
    return std::nullopt;
  }
  if (loaded.migrated())
    std::cerr
        << "Das Profil stammt von einer älteren Version; mit --save-profile legen Sie es im neuen "
           "Format ab.\n";
  return loaded.profile;
}

// The source options a profile gives, unless the command line names them.
void TakeSourceOptions(const ImportProfile& profile, const CLI::App& command,
                       SourceOptions& source) {
  if (!command.count("--separator")) source.separator = profile.separator;
  if (!command.count("--qualifier")) source.qualifier = profile.qualifier;
  if (!command.count("--no-header")) source.noHeader = !profile.firstRowHasNames;
  if (!command.count("--table")) source.table = profile.table;
  if (!command.count("--encoding")) source.encoding = profile.encoding;
  source.lineBreakToken = profile.lineBreakToken;
}

int ExitCodeOf(const ImportResult& result, size_t rows) {
  if (ImportFailed(result, rows)) return kCannotOpen;
  return result.report.Empty() ? kOk : kReportEntries;
}

int Import(const GlobalOptions& global, const ImportOptions& o, const CLI::App& command) {
  const bool interactive = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
  std::optional<ImportProfile> profile;
  if (!o.profile.empty()) {
    for (const char* option : kSettingsOptions)
      if (command.count(option)) {
        std::cerr
            << option
            << " und --profile schließen sich aus: Die Einstellungen kommen aus dem Profil.\n";
        return kUsage;
      }
    profile = ReadProfile(o.profile);
    if (!profile) return kUsage;
  }
  std::string kind = o.kind;
  if (kind.empty() && profile) kind = std::to_string(NumberOf(profile->datenart));
  if (kind.empty()) {
    std::cerr << "Geben Sie die Datenart mit --kind oder ein Profil mit --profile an.\n";
    return kUsage;
  }
  if (!OptionsApply(o, command, kind)) return kUsage;
  const bool deleteAll = profile ? profile->deleteAll : o.deleteAll;
  if (deleteAll && !o.dryRun && !o.yes && !interactive) {
    std::cerr
        << "Der Import löscht zuerst alle Datensätze der Tabelle; bestätigen Sie es mit --yes.\n";
    return kUsage;
  }

  CliDialogs dialogs;
  Wizard wizard(dialogs);
  if (int started = StartWizard(global, kind, wizard); started != kOk) return started;
  if (profile && wizard.Session().Datenart != profile->datenart) {
    std::cerr << "Das Profil gehört zur Datenart '" << profile->kindName << "', nicht zu '"
              << o.kind << "'.\n";
    return kUsage;
  }
  ImportSession& session = wizard.Session();
  session.UseLearnedMappings = !o.noLearned;
  SourceOptions source = o.source;
  if (profile) {
    PrintProblems(wizard.ApplyProfile(*profile));
    TakeSourceOptions(*profile, command, source);
  } else if (!ApplySettings(o, wizard)) {
    return kUsage;
  }
  if (!LoadSourceForMapping(source, wizard, dialogs)) return kCannotOpen;
  if (!o.syncField.empty()) {
    wizard.Controls().cboSynchronisierung.SetText(o.syncField);
    session.Synchronisationsfeld = LayoutFile::Load(session.Context.LayoutFile).Lookup(o.syncField);
  }
  ProfileFit fit;
  if (profile) {
    fit = wizard.ApplyProfileColumns(*profile);
    if (const std::string text = fit.Text(); !text.empty()) std::cerr << text << '\n';
  }
  // Explicit assignments replace what the automatic mapping or the profile did.
  dialogs.answerYes = true;
  if (!ApplyMaps(o, wizard)) return kUsage;
  dialogs.answerYes = o.yes;
  dialogs.interactive = interactive;
  if (!o.saveProfile.empty()) {
    if (std::string error = SaveProfile(o.saveProfile, wizard.CurrentProfile()); !error.empty()) {
      std::cerr << error << '\n';
      return kCannotOpen;
    }
    std::cerr << "Das Profil wurde in '" << o.saveProfile << "' gespeichert.\n";
  }

  ProgressLine progress;
  const bool showProgress = ::isatty(STDERR_FILENO);
  wizard.importProgress = [&](size_t row, size_t rows) {
    if (showProgress) progress.Show(row, rows);
  };
  wizard.waitForOtherImport = !o.noWait;
  bool waitShown = false;
  wizard.importWaiting = [&](const std::string& message) {
    if (showProgress)
      progress.ShowText(message);
    else if (!waitShown)
      std::cerr << message << '\n';
    waitShown = true;
  };
  bool ran = true;
  if (o.dryRun) {
    ran = wizard.TestlaufClick();
  } else {
    wizard.OkClick();
    ran = session.Schritt >= 5;
  }
  progress.Clear();
  PrintProblems(session.Problems);
  if (!ran) return kUsage;  // a mandatory field is not assigned: the wizard said which
  const ImportResult& result = o.dryRun ? session.LastTestRun : session.LastImport;
  const int exitCode = ExitCodeOf(result, session.SourceData.RowCount());

  RejectOutcome reject;
  if (!o.rejectFile.empty() && result.status != ImportResult::Status::NotStarted) {
    RejectFileResult written = wizard.SaveRejectFile(o.rejectFile, o.dryRun);
    reject = {o.rejectFile, written.rows, written.error};
  }
  if (o.json)
    PrintJson(session, result, fit, reject);
  else
    PrintResult(session, result);
  if (!reject.error.empty()) return kCannotOpen;
  return exitCode;
}

}  // namespace

void AddImportCommand(CLI::App& app, const GlobalOptions& global, int& exitCode) {
  auto* command = app.add_subcommand("import", "Importiert eine Datei in die Firmendatenbank.");
  auto o = std::make_shared<ImportOptions>();
  command->add_option("--kind", o->kind,
                      "Datenart (z. B. \"Artikel\" oder 1); mit --profile aus dem Profil");
  AddSourceOptions(*command, o->source);
  command->add_flag("--sync", o->sync,
                    "Synchronisieren: vorhandene Datensätze werden aktualisiert");
  command->add_option("--sync-field", o->syncField,
                      "Bezeichnung des Synchronisationsfelds (Vorgabe: das der Datenart)");
  command->add_flag("--no-autonumber", o->noAutoNumber,
                    "Nummern aus der Datei statt aus dem Nummernkreis");
  command->add_flag("--delete-all", o->deleteAll,
                    "Vor dem Import alle Datensätze der Tabelle löschen");
  command->add_flag("--yes", o->yes, "Rückfragen mit Ja beantworten");
  command->add_option("--map", o->maps, "Zuordnung \"Spalte=Bezeichnung\" (mehrfach möglich)");
  command->add_flag("--no-active", o->noActive, "Artikel nicht aktivieren");
  command->add_flag("--rebate", o->rebate, "Artikel rabattfähig");
  command->add_flag("--pos", o->pos, "Artikel POS-fähig");
  command->add_flag("--webshop", o->webshop, "Artikel für den Webshop vorbereiten");
  command->add_flag("--create-supplier", o->createSupplier, "Lieferant zum Artikel anlegen");
  command->add_option("--article-type", o->articleType, "Vorgabe Artikeltyp");
  command->add_option("--unit", o->unit, "Vorgabe Einheit");
  command->add_option("--tax-key", o->taxKey, "Vorgabe Steuerschlüssel");
  command->add_option("--storage", o->storage, "Vorgabe Lagerort (Lagernummer)");
  command->add_option("--price-mode", o->priceMode, "none, net-to-gross oder gross-to-net");
  command->add_flag("--no-address", o->noAddress, "Anschrift nicht automatisch erzeugen");
  command->add_option("--search-name-mode", o->searchNameMode, "Suchname 0 bis 4")
      ->check(WholeNumber(0, 4));
  command->add_option("--profile", o->profile,
                      "Importprofil (JSON): Datenart, Einstellungen und Zuordnung");
  command->add_option("--save-profile", o->saveProfile,
                      "Die Einstellungen und die Zuordnung als Profil speichern");
  command->add_flag(
      "--dry-run", o->dryRun,
      "Testlauf: alles prüfen und zeigen, was der Import ändern würde, ohne zu speichern");
  command->add_option("--reject-file", o->rejectFile,
                      "Die nicht importierten Zeilen samt Spalte \"Fehler\" in diese Datei "
                      "schreiben");
  command->add_flag("--json", o->json, "Ergebnis und Meldungen als JSON auf stdout");
  command->add_flag("--no-wait", o->noWait,
                    "Nicht warten, wenn ein anderer Import in dieselbe Tabelle der Firma läuft, "
                    "sondern sofort mit Exit-Code 3 enden");
  command->add_flag("--no-learned", o->noLearned, "Gelernte Zuordnungen nicht verwenden");
  command->callback([&global, o, &exitCode, command] { exitCode = Import(global, *o, *command); });
}

}  // namespace velra::cli
