#include <unistd.h>

#include <iostream>

#include "app/AppTexts.h"
#include "app/ColumnMapping.h"
#include "app/CompanyLists.h"
#include "app/ImportEnding.h"
#include "app/ImportJob.h"
#include "app/LoadNotesText.h"
#include "app/RequestProfile.h"
#include "app/RunChecks.h"
#include "app/SourceMapping.h"
#include "base/Text.h"
#include "cli/CliContext.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/ImportOutput.h"
#include "cli/SourceOptions.h"
#include "cli/UsageErrors.h"
#include "source/SourceError.h"

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

// The settings page as the options set it.
bool ApplySettings(const ImportOptions& o, const CompanyLists& lists, ImportSettings& s) {
  if (o.noAutoNumber) s.autoNumber = false;
  if (o.sync) s.synchronise = true;
  s.active = !o.noActive;
  s.rebate = o.rebate;
  s.pos = o.pos;
  s.webshop = o.webshop;
  s.createSupplier = o.createSupplier;
  if (!o.articleType.empty()) {
    s.defaultArticleType = true;
    s.articleType = o.articleType;
  }
  if (!o.unit.empty()) {
    s.defaultUnit = true;
    s.unit = o.unit;
  }
  if (!o.taxKey.empty()) {
    s.defaultTaxKey = true;
    s.taxKey = o.taxKey;
    if (lists.TaxIndexOf(o.taxKey) < 0) {
      std::cerr << Fill(texts::kTaxKeyMissing, {o.taxKey}) << '\n';
      return false;
    }
  }
  if (std::optional<std::string> problem = ArticleDefaultsProblem(s, lists)) {
    std::cerr << *problem << '\n';
    return false;
  }
  if (!o.storage.empty()) {
    s.defaultStorage = true;
    s.storage = o.storage;
  }
  if (!o.priceMode.empty()) {
    const int mode = IndexOf({"none", "net-to-gross", "gross-to-net"}, o.priceMode);
    if (mode < 0) {
      std::cerr << texts::kPriceModes << '\n';
      return false;
    }
    s.priceMode = mode;
  }
  if (o.noAddress) s.generateAddress = false;
  if (o.searchNameMode >= 0) s.searchNameMode = o.searchNameMode;
  return true;
}

// --map "Spalte=Bezeichnung": the column gets the field of that caption, as the user gives it in
// the window; "Spalte=" takes the column's field away, whatever gave it.
bool ApplyMaps(const ImportOptions& o, const FieldList& fields, std::vector<GridColumn>& columns) {
  for (const std::string& map : o.maps) {
    const size_t equals = map.find('=');
    const std::string columnName = map.substr(0, equals);
    const std::string caption = equals == std::string::npos ? "" : map.substr(equals + 1);
    GridColumn* column = nullptr;
    for (GridColumn& candidate : columns)
      if (candidate.SourceName == columnName) column = &candidate;
    if (column && equals != std::string::npos && caption.empty()) {
      RemoveField(*column);
      continue;
    }
    const FieldChoice* choice = ChoiceOfCaption(fields, caption);
    if (!column || !choice) {
      const std::string why =
          !column ? Fill(texts::kMapNoColumn, {columnName}) : Fill(texts::kMapNoField, {caption});
      std::cerr << Fill(texts::kMapRefused, {map, why}) << '\n';
      return false;
    }
    AssignField(*column, *choice);
  }
  return true;
}

// Options the settings page would not let be set together, or that do nothing for the kind, are
// refused rather than dropped.
bool OptionsApply(const ImportOptions& o, const CLI::App& command, DataKind kind) {
  if (o.sync && o.deleteAll) {
    std::cerr << texts::kSyncAndDelete << '\n';
    return false;
  }
  if (Describe(kind).alwaysAdds)
    for (const char* option : {"--sync", "--sync-field"})
      if (command.count(option)) {
        std::cerr << Fill(texts::kSyncNotForKind, {option, Describe(kind).listText}) << '\n';
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
  if (loaded.migrated()) std::cerr << texts::kProfileMigrated << '\n';
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

// The key of synchronisation: the caption the user names (--sync-field), else the caption of the
// profile's or the kind's key field; its field follows from the caption.
void ChooseKey(const ImportOptions& o, const ImportProfile* profile, const LayoutFile& layout,
               ImportRequest& request) {
  ImportSettings& s = request.settings;
  const std::string preferred = profile ? profile->settings.synchronisationField : std::string();
  request.synchronisationCaption =
      !o.syncField.empty()
          ? o.syncField
          : layout.Lookup(!preferred.empty() ? preferred : Describe(s.datenart).keyField);
  s.synchronisationField = s.synchronise || !o.syncField.empty()
                               ? layout.Lookup(request.synchronisationCaption)
                               : std::string();
}

// The settings of the request, from the profile or the options. False after saying why not.
bool ChooseSettings(const ImportOptions& o, const ImportProfile* profile, DataKind kind,
                    const CompanyLists& lists, ImportRequest& request) {
  if (!profile) {
    request.settings = DefaultSettings(kind);
    request.deleteFirst = o.deleteAll;
    return ApplySettings(o, lists, request.settings);
  }
  request.settings = SettingsOfProfile(*profile);
  request.deleteFirst = profile->deleteAll && !request.settings.synchronise;
  PrintProblems(ProfileSettingsNotes(request.settings, lists));
  return true;
}

bool AskOnTerminal(const std::string& question) {
  std::cerr << question << " [j/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return answer == "j" || answer == "J" || answer == "ja" || answer == "Ja";
}

int ExitCodeOf(const ImportResult& result, size_t rows) {
  if (ImportFailed(result, rows)) return kCannotOpen;
  return result.report.Empty() ? kOk : kReportEntries;
}

// The profile and the kind the command names; kOk or the exit code after saying why not.
int ReadKindAndProfile(const ImportOptions& o, const CLI::App& command,
                       std::optional<ImportProfile>& profile, DataKind& kind) {
  if (!o.profile.empty()) {
    for (const char* option : kSettingsOptions)
      if (command.count(option)) {
        std::cerr << Fill(texts::kOptionAndProfile, {option}) << '\n';
        return kUsage;
      }
    profile = ReadProfile(o.profile);
    if (!profile) return kUsage;
  }
  std::string kindText = o.kind;
  if (kindText.empty() && profile) kindText = std::to_string(NumberOf(profile->datenart));
  if (kindText.empty()) {
    std::cerr << texts::kNoKind << '\n';
    return kUsage;
  }
  std::optional<DataKind> named = KindOption(kindText);
  if (!named) return kUsage;
  kind = *named;
  if (profile && kind != profile->datenart) {
    std::cerr << Fill(texts::kProfileOfOtherKind, {profile->kindName, o.kind}) << '\n';
    return kUsage;
  }
  return OptionsApply(o, command, kind) ? kOk : kUsage;
}

// The request the options and the profile describe, with its source loaded and mapped. kOk or
// the exit code after saying why not.
int PrepareRequest(const ImportOptions& o, const CLI::App& command, const SessionContext& context,
                   const ImportProfile* profile, DataKind kind, ImportRequest& request,
                   LoadedSource& loaded, ProfileFit& fit) {
  const CompanyLists lists = LoadCompanyLists(context);
  PrintProblems(lists.problems);
  if (!ChooseSettings(o, profile, kind, lists, request)) return kUsage;
  SourceOptions source = o.source;
  if (profile) TakeSourceOptions(*profile, command, source);
  request.source = SourceRequestOf(source);
  const LayoutFile layout = LayoutFile::Load(context.LayoutFile);
  ChooseKey(o, profile, layout, request);
  try {
    loaded = LoadAndMap(context, request, layout, !o.noLearned);
  } catch (const SourceError& e) {
    std::cerr << e.Message() << '\n';
    return kCannotOpen;
  }
  if (const std::string notes = LoadNotesText(loaded.notes); !notes.empty())
    std::cerr << notes << '\n';
  PrintProblems(loaded.problems);
  if (profile) {
    fit = ApplyProfileColumns(request.columns, *profile, loaded.fields);
    if (const std::string text = fit.Text(); !text.empty()) std::cerr << text << '\n';
  }
  // Explicit assignments replace what the automatic mapping or the profile did.
  if (!ApplyMaps(o, loaded.fields, request.columns)) return kUsage;
  if (std::optional<std::string> problem = RunProblem(request, lists)) {
    std::cerr << *problem << '\n';
    return kUsage;
  }
  return kOk;
}

int Import(const GlobalOptions& global, const ImportOptions& o, const CLI::App& command) {
  const bool interactive = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
  std::optional<ImportProfile> profile;
  DataKind kind = DataKind::Articles;
  if (int read = ReadKindAndProfile(o, command, profile, kind); read != kOk) return read;
  const bool deleteAll = profile ? profile->deleteAll : o.deleteAll;
  if (deleteAll && !o.dryRun && !o.yes && !interactive) {
    std::cerr << texts::kConfirmDelete << '\n';
    return kUsage;
  }
  SessionContext context;
  if (!OpenSession(global, context)) return kCannotOpen;
  ImportRequest request;
  LoadedSource loaded;
  ProfileFit fit;
  if (int prepared = PrepareRequest(o, command, context, profile ? &*profile : nullptr, kind,
                                    request, loaded, fit);
      prepared != kOk)
    return prepared;
  if (!o.saveProfile.empty()) {
    if (std::string error = SaveProfile(o.saveProfile, ProfileOf(request)); !error.empty()) {
      std::cerr << error << '\n';
      return kCannotOpen;
    }
    std::cerr << Fill(texts::kProfileSaved, {o.saveProfile}) << '\n';
  }
  // A test run shows what deleting would do without asking.
  if (!o.dryRun && request.deleteFirst)
    request.deleteFirst = o.yes || (interactive && AskOnTerminal(velra::texts::kDeleteQuestion));

  ProgressLine progress;
  const bool showProgress = ::isatty(STDERR_FILENO);
  bool waitShown = false;
  RunOptions options;
  options.testRun = o.dryRun;
  options.waitForOtherRun = !o.noWait;
  options.loadNotes = &loaded.notes;
  options.waiting = [&](const std::string& message) {
    if (showProgress)
      progress.ShowText(message);
    else if (!waitShown)
      std::cerr << message << '\n';
    waitShown = true;
  };
  const std::atomic<bool> never{false};
  const ImportResult result = RunJob(
      context, request, loaded.table,
      [&](size_t row, size_t rows) {
        if (showProgress) progress.Show(row, rows);
      },
      never, options);
  progress.Clear();
  const size_t rows = loaded.table.RowCount();
  const RunEnding ending = EndingOf(result, rows);
  if (ending.note) std::cerr << *ending.note << '\n';
  if (ending.error) std::cerr << *ending.error << '\n';
  if (!o.dryRun && result.report.rowsWritten > 0)
    if (std::optional<std::string> problem =
            RememberHandMappings(request.columns, context.CompanyName, kind, std::string()))
      std::cerr << *problem << '\n';
  const int exitCode = ExitCodeOf(result, rows);

  RejectOutcome reject;
  if (!o.rejectFile.empty() && result.status != ImportResult::Status::NotStarted) {
    RejectSave saved =
        SaveRejectedRows(context, request, loaded.table, loaded.notes, result.report, o.rejectFile);
    std::cerr << saved.message << '\n';
    reject = {o.rejectFile, saved.written.rows, saved.written.error};
  }
  const RunOutput output{result, ending.statusText, rows, context.Regional};
  if (o.json)
    PrintJson(output, fit, reject);
  else
    PrintResult(output);
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
