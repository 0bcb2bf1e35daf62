// The import page: the mandatory fields, deleting before the import, and the run.

#include <filesystem>

#include "base/Text.h"
#include "config/SuiteFiles.h"
#include "import/MandatoryFields.h"
#include "import/RejectFile.h"
#include "import/RejectTarget.h"
#include "import/SelectionLists.h"
#include "mapping/OneColumnPerField.h"
#include "shell/ImportEnding.h"
#include "shell/ShellTexts.h"
#include "shell/Wizard.h"

namespace velra {

namespace {

// The folder of the import file as a whole path (a dBase source may name its folder itself), so
// that the run finds picture names beside the file whatever the working folder.
std::string SourceFolder(const std::string& sourceFile) {
  if (sourceFile.empty()) return {};
  std::error_code ignored;
  std::filesystem::path path = std::filesystem::absolute(sourceFile, ignored);
  if (!std::filesystem::is_directory(path, ignored)) path = path.parent_path();
  return path.lexically_normal().string();
}

}  // namespace

bool Wizard::MandatoryFieldsAssigned() {
  const WizardControls& c = Controls();
  MandatoryCheckInput check;
  check.datenart = session_.Datenart;
  check.synchronise = c.chkSynchronisieren.Checked();
  check.autoNumber = c.chkAutoNummer.Value != 0;
  check.taxRateByDefault = c.chkSteuersatz.Value != 0;
  check.searchNameMode = session_.Suchnamenmodus;
  check.synchronisationCaption = c.cboSynchronisierung.Text;
  check.isMapped = [&c](const std::string& caption) {
    for (const GridColumn& column : c.columns)
      if (column.FieldCaption == caption) return true;
    return false;
  };
  if (std::optional<std::string> missing = MissingMandatoryField(check)) {
    dialogs_.Message(*missing, texts::kHinweis, Dialogs::Icon::Information);
    return false;
  }
  return true;
}

bool Wizard::ReadyToRun() {
  if (!MandatoryFieldsAssigned()) return false;
  if (std::optional<std::string> twice = TwoColumnsOnOneField(Controls().columns)) {
    dialogs_.Message(*twice, texts::kHinweis, Dialogs::Icon::Information);
    return false;
  }
  if (std::optional<std::string> problem = ArticleDefaultsProblem()) {
    dialogs_.Message(*problem, texts::kHinweis, Dialogs::Icon::Information);
    return false;
  }
  return true;
}

void Wizard::OkClick() {
  WizardControls& c = Controls();
  if (!ReadyToRun()) return;
  // Without a yes the records stay and the import runs.
  const bool deleteFirst =
      c.chkLoeschen.Value == 1 && dialogs_.Ask(texts::kDeleteQuestion, texts::kDeleteTitle, true);
  session_.Schritt = 5;
  ShowStep(5);
  c.cmdAbbrechen.Enabled = true;
  DatenImportieren(deleteFirst);
}

ImportSettings Wizard::CurrentSettings() const {
  const WizardControls& c = Controls();
  ImportSettings settings;
  settings.sourceFolder = SourceFolder(session_.SourceFile);
  settings.datenart = session_.Datenart;
  settings.table = session_.Zieltabelle;
  settings.synchronisationField = session_.Synchronisationsfeld;
  settings.synchronise = c.chkSynchronisieren.Value == 1;
  settings.autoNumber = c.chkAutoNummer.Value == 1;
  settings.active = c.chkAktiv.Value != 0;
  settings.rebate = c.chkRabatt.Value != 0;
  settings.pos = c.chkPOS.Value != 0;
  settings.webshop = c.chkWebshop.Value == 1;
  settings.createSupplier = c.chkLieferant.Value == 1;
  settings.defaultArticleType = c.chkArtikeltyp.Value == 1;
  settings.articleType = c.cboArtikeltyp.Text;
  settings.defaultTaxKey = c.chkSteuersatz.Value == 1;
  if (c.icboSteuersatz.Selected >= 0 &&
      c.icboSteuersatz.Selected < static_cast<int>(c.icboSteuersatz.Items.size()))
    settings.taxKey =
        TaxKeyOfItem(c.icboSteuersatz.Items[static_cast<size_t>(c.icboSteuersatz.Selected)].Key);
  settings.defaultUnit = c.chkEinheit.Value == 1;
  settings.unit = c.cboEinheit.Text;
  settings.defaultStorage = c.chkLagerort.Value == 1;
  settings.storage = c.txtLagerort.Text;
  settings.priceMode = session_.Berechnungsart;
  settings.generateAddress = (Describe(session_.Datenart).settingsFrame == SettingsFrame::Suppliers
                                  ? c.chkLieferanten_Anschrift_generieren
                                  : c.chkKunden_Anschrift_generieren)
                                 .Value == 1;
  settings.searchNameMode = session_.Suchnamenmodus;
  return settings;
}

RowProgress Wizard::ImportProgress() {
  WizardControls& c = Controls();
  session_.AbbruchAngefordert = false;
  c.lbStatustext.Caption = texts::kImporting;
  c.progressBar.Max = static_cast<double>(session_.SourceData.RowCount());
  c.progressBar.Value = 0.1;
  return [this, &c](size_t row, size_t total) {
    c.progressBar.Value = static_cast<double>(row);
    c.lbStatus.Caption = std::to_string(row) + " von " + std::to_string(total);
    if (importProgress) importProgress(row, total);
  };
}

RunOptions Wizard::ImportOptions(bool testRun, bool deleteFirst) {
  RunOptions options;
  options.testRun = testRun;
  options.deleteFirst = deleteFirst;
  options.waitForOtherRun = waitForOtherImport;
  options.loadNotes = &session_.LoadNotes;
  options.pause = &session_.RunPaused;
  options.waiting = [this](const std::string& message) {
    Controls().lbStatus.Caption = message;
    if (importWaiting) importWaiting(message);
  };
  return options;
}

void Wizard::DatenImportieren(bool deleteFirst) {
  WizardControls& c = Controls();
  session_.LastImport =
      RunImport(session_.Context, CurrentSettings(), session_.SourceData, c.columns,
                ImportProgress(), session_.AbbruchAngefordert, ImportOptions(false, deleteFirst));
  const ImportResult& result = session_.LastImport;
  c.lbStatustext.Caption = ImportEndingText(result, session_.SourceData.RowCount());
  c.cmdAbbrechen.Enabled = false;
  if (result.status == ImportResult::Status::NotStarted) {
    dialogs_.Message(result.message, texts::kFehler, Dialogs::Icon::Error);
    return;
  }
  if (result.deleted > 0)
    dialogs_.Message(texts::kDeleted, texts::kHinweis, Dialogs::Icon::Information);
  if (result.status == ImportResult::Status::Stopped)
    dialogs_.Message(c.lbStatustext.Caption, texts::kFehler, Dialogs::Icon::Error);
  session_.AbbruchAngefordert = false;
  if (result.report.rowsWritten > 0) RememberHandMappings();
  session_.Schritt = 6;
  ShowStep(6);
}

bool Wizard::TestlaufClick() {
  WizardControls& c = Controls();
  if (!ReadyToRun()) return false;
  c.cmdAbbrechen.Enabled = true;
  session_.LastTestRun = RunImport(session_.Context, CurrentSettings(), session_.SourceData,
                                   c.columns, ImportProgress(), session_.AbbruchAngefordert,
                                   ImportOptions(true, c.chkLoeschen.Checked()));
  c.cmdAbbrechen.Enabled = false;
  session_.AbbruchAngefordert = false;
  const ImportResult& result = session_.LastTestRun;
  if (result.status == ImportResult::Status::NotStarted ||
      result.status == ImportResult::Status::Stopped) {
    dialogs_.Message(result.status == ImportResult::Status::Stopped
                         ? std::string(texts::kTestRunStopped) + result.message
                         : result.message,
                     texts::kFehler, Dialogs::Icon::Error);
    c.lbStatustext.Caption = texts::kReady;
    return true;
  }
  c.lbStatustext.Caption = result.status == ImportResult::Status::Cancelled
                               ? std::string(texts::kImportCancelled)
                               : ReplaceAll(texts::kTestRunDone, "%1",
                                            result.report.Summary(session_.SourceData.RowCount()));
  return true;
}

RejectFileResult Wizard::SaveRejectFile(const std::string& path, bool ofTestRun) {
  const ImportReport& report = (ofTestRun ? session_.LastTestRun : session_.LastImport).report;
  RejectFileResult written;
  const SessionContext& context = session_.Context;
  std::vector<std::string> suiteFiles = SuiteFiles(context.Env);
  // The selected company's files also when the registry can no longer be read.
  for (const std::string& file : {context.OptionsFile, context.LayoutFile})
    suiteFiles.push_back(file);
  if (context.DatabaseType == DatabaseType::File) suiteFiles.push_back(context.DatabasePath);
  if (std::optional<std::string> problem =
          RejectTargetProblem(path, session_.SourceFile, suiteFiles)) {
    written.error = *problem;
  } else if (report.RowsRejected().empty()) {
    dialogs_.Message(texts::kNoRejectedRows, texts::kHinweis, Dialogs::Icon::Information);
    return written;
  } else {
    TextOptions text;
    text.separator = session_.Separator;
    text.qualifier = session_.TextQualifier;
    text.lineBreakToken = session_.LineBreakToken;
    text.firstRowHasNames = Controls().chkSpaltentitel.Checked();
    written = WriteRejectFile(path, session_.SourceData, report,
                              RejectFormatFor(session_.SourceFormat, text, session_.LoadNotes));
  }
  if (!written.error.empty()) {
    ShowError(written.error);
    return written;
  }
  std::string message = ReplaceAll(
      ReplaceAll(texts::kRejectedRowsSaved, "%1", std::to_string(written.rows)), "%2", path);
  if (!written.note.empty()) message += "\r\n" + written.note;
  dialogs_.Message(message, texts::kHinweis, Dialogs::Icon::Information);
  return written;
}

void Wizard::AbgewieseneZeilenSpeichern(bool ofTestRun) {
  std::optional<std::string> path = dialogs_.ChooseSaveFile(
      texts::kRejectSaveTitle, texts::kRejectFilter, texts::kRejectDefaultName);
  if (path) SaveRejectFile(*path, ofTestRun);
}

}  // namespace velra
