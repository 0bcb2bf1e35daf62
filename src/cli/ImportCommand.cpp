#include <unistd.h>

#include <iostream>

#include "cli/Commands.h"
#include "cli/WizardDriver.h"
#include "config/Text.h"

namespace velra::cli {

namespace {

struct ImportOptions {
  SourceOptions source;
  std::string kind, syncField, articleType, unit, taxKey, storage, priceMode;
  std::vector<std::string> maps;
  bool sync = false, noAutoNumber = false, deleteAll = false, yes = false, noActive = false,
       rebate = false, pos = false, webshop = false, createSupplier = false, noAddress = false;
  int searchNameMode = -1;
};

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

void PrintReport(const ImportReport& report) {
  for (const ReportEntry& entry : report.Entries()) {
    std::cerr << (entry.line ? "Zeile " + std::to_string(entry.line) : std::string("Allgemein"));
    if (!entry.column.empty()) std::cerr << ", Spalte '" << entry.column << "'";
    if (!entry.field.empty()) std::cerr << ", Feld " << entry.field;
    if (!entry.value.empty()) std::cerr << ", Wert '" << entry.value << "'";
    std::cerr << ": " << entry.reason << '\n';
  }
  if (report.EntryCount() > report.Entries().size())
    std::cerr << "... und " << report.EntryCount() - report.Entries().size()
              << " weitere Meldungen\n";
}

int Import(const GlobalOptions& global, const ImportOptions& o) {
  if (o.deleteAll && !o.yes) {
    std::cerr << "--delete-all löscht alle Datensätze der Tabelle; bestätigen Sie es mit --yes.\n";
    return kUsage;
  }
  CliDialogs dialogs;
  Wizard wizard(dialogs);
  if (int started = StartWizard(global, o.kind, wizard); started != kOk) return started;
  if (!ApplySettings(o, wizard)) return kUsage;
  if (!LoadSourceForMapping(o.source, wizard, dialogs)) return kCannotOpen;
  if (!o.syncField.empty()) {
    wizard.Controls().cboSynchronisierung.SetText(o.syncField);
    wizard.Session().Synchronisationsfeld =
        LayoutFile::Load(wizard.Session().Context.LayoutFile).Lookup(o.syncField);
  }
  // Explicit assignments replace what the automatic mapping did.
  dialogs.answerYes = true;
  if (!ApplyMaps(o, wizard)) return kUsage;
  dialogs.answerYes = o.yes;

  const bool terminal = ::isatty(STDERR_FILENO);
  wizard.importProgress = [terminal](size_t row, size_t rows) {
    if (terminal && (row % 1000 == 0 || row == rows))
      std::cerr << "\r" << row << " von " << rows << std::flush;
  };
  wizard.OkClick();
  if (terminal) std::cerr << "\r\033[K";
  const ImportSession& session = wizard.Session();
  if (session.Schritt < 5) return kUsage;        // a mandatory field is not assigned
  if (session.Schritt != 6) return kCannotOpen;  // the run could not start
  const ImportReport& report = session.LastImport.report;
  std::cout << session.Controls.lbStatustext.Caption << '\n'
            << report.Summary(session.SourceData.RowCount()) << '\n';
  PrintReport(report);
  if (session.LastImport.status == ImportResult::Status::Stopped) return kCannotOpen;
  return report.Empty() ? kOk : kReportEntries;
}

}  // namespace

void AddImportCommand(CLI::App& app, const GlobalOptions& global, int& exitCode) {
  auto* command = app.add_subcommand("import", "Importiert eine Datei in die Firmendatenbank.");
  auto o = std::make_shared<ImportOptions>();
  command->add_option("--kind", o->kind, "Datenart (z. B. \"Artikel\" oder 1)")->required();
  command->add_option("--file", o->source.file, "Importdatei")->required();
  command->add_option("--table", o->source.table, "Tabelle oder Tabellenblatt");
  command->add_option("--separator", o->source.separator,
                      "Trennzeichen von Textdateien (Vorgabe: ;)");
  command->add_option("--qualifier", o->source.qualifier, "Textqualifizierer (Vorgabe: \")");
  command->add_option("--password", o->source.password, "Kennwort einer Access-Datenbank");
  command->add_flag("--no-header", o->source.noHeader, "Die erste Zeile enthält keine Feldnamen");
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
      ->check(CLI::Range(0, 4));
  command->callback([&global, o, &exitCode] { exitCode = Import(global, *o); });
}

}  // namespace velra::cli
