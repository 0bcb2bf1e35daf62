// The import page: the request from the controls, the checks before a run, deleting before the
// import, the run in three steps (prepared and finished on the window's thread, executed on any),
// and the rows not imported.

#include "app/AppTexts.h"
#include "app/ImportEnding.h"
#include "app/ImportJob.h"
#include "app/RunChecks.h"
#include "base/Text.h"
#include "import/SelectionLists.h"
#include "shell/ShellTexts.h"
#include "shell/Wizard.h"
#include "source/Formats.h"

namespace velra {

ImportRequest Wizard::CurrentRequest() const {
  const WizardControls& c = Controls();
  ImportRequest request;
  request.settings = CurrentSettings();
  request.synchronisationCaption = c.cboSynchronisierung.Text;
  request.deleteFirst = c.chkLoeschen.Checked();
  request.source = CurrentSource();
  request.columns = c.columns;
  return request;
}

SourceRequest Wizard::CurrentSource() const {
  SourceRequest source;
  source.format = FormatOfCode(session_.SourceFormat).value_or(SourceFormat::Csv);
  source.path = session_.SourceFile;
  source.table = session_.SourceTableName;
  source.password = session_.SourcePassword;
  source.text.separator = session_.Separator;
  source.text.qualifier = session_.TextQualifier;
  source.text.lineBreakToken = session_.LineBreakToken;
  source.text.encoding = session_.SourceEncoding;
  source.text.firstRowHasNames = Controls().chkSpaltentitel.Checked();
  return source;
}

ImportSettings Wizard::CurrentSettings() const {
  const WizardControls& c = Controls();
  ImportSettings settings;
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

bool Wizard::ReadyToRun() {
  if (std::optional<std::string> problem = RunProblem(CurrentRequest(), lists_)) {
    dialogs_.Message(*problem, texts::kHinweis, Dialogs::Icon::Information);
    return false;
  }
  return true;
}

std::optional<ImportRequest> Wizard::PrepareRun(bool testRun) {
  if (!ReadyToRun()) return std::nullopt;
  WizardControls& c = Controls();
  ImportRequest request = CurrentRequest();
  // Without a yes the records stay and the import runs; a test run shows what deleting would do
  // without asking.
  if (!testRun)
    request.deleteFirst =
        request.deleteFirst && dialogs_.Ask(texts::kDeleteQuestion, texts::kDeleteTitle, true);
  if (!testRun) {
    session_.Schritt = 5;
    ShowStep(5);
  }
  // Reset before the run starts, so that a cancel the user confirms from now on counts.
  session_.AbbruchAngefordert = false;
  c.cmdAbbrechen.Enabled = true;
  c.lbStatustext.Caption = texts::kImporting;
  c.progressBar.Max = static_cast<double>(session_.SourceData.RowCount());
  c.progressBar.Value = 0.1;
  rowsDone_ = 0;
  return request;
}

ImportResult Wizard::ExecuteRun(const ImportRequest& request, bool testRun) {
  RunOptions options;
  options.testRun = testRun;
  options.waitForOtherRun = waitForOtherImport;
  options.loadNotes = &session_.LoadNotes;
  options.pause = &session_.RunPaused;
  options.waiting = importWaiting;
  // The worker reports its progress here and to the front end; the controls follow when the run
  // has ended.
  RowProgress progress = [this](size_t row, size_t rows) {
    rowsDone_.store(row, std::memory_order_relaxed);
    if (importProgress) importProgress(row, rows);
  };
  return RunJob(session_.Context, request, session_.SourceData, progress,
                session_.AbbruchAngefordert, options);
}

void Wizard::FinishRun(ImportResult result, bool testRun) {
  WizardControls& c = Controls();
  const size_t rows = session_.SourceData.RowCount();
  const size_t done = rowsDone_.load(std::memory_order_relaxed);
  c.cmdAbbrechen.Enabled = false;
  session_.AbbruchAngefordert = false;
  c.progressBar.Value = static_cast<double>(done);
  c.lbStatus.Caption = Fill(texts::kRowsDone, {std::to_string(done), std::to_string(rows)});
  ImportResult& kept = testRun ? session_.LastTestRun : session_.LastImport;
  kept = std::move(result);
  const RunEnding ending = EndingOf(kept, rows);
  c.lbStatustext.Caption = ending.statusText;
  if (ending.note) dialogs_.Message(*ending.note, texts::kHinweis, Dialogs::Icon::Information);
  if (ending.error) dialogs_.Message(*ending.error, texts::kFehler, Dialogs::Icon::Error);
  if (testRun || kept.status == ImportResult::Status::NotStarted) return;
  if (kept.report.rowsWritten > 0) RememberHandMappings();
  session_.Schritt = 6;
  ShowStep(6);
}

void Wizard::OkClick() {
  if (std::optional<ImportRequest> request = PrepareRun(false))
    FinishRun(ExecuteRun(*request, false), false);
}

bool Wizard::TestlaufClick() {
  std::optional<ImportRequest> request = PrepareRun(true);
  if (!request) return false;
  FinishRun(ExecuteRun(*request, true), true);
  return true;
}

RejectFileResult Wizard::SaveRejectFile(const std::string& path, bool ofTestRun) {
  const ImportReport& report = (ofTestRun ? session_.LastTestRun : session_.LastImport).report;
  RejectSave save = SaveRejectedRows(session_.Context, CurrentRequest(), session_.SourceData,
                                     session_.LoadNotes, report, path);
  if (save.failed)
    ShowError(save.message);
  else
    dialogs_.Message(save.message, texts::kHinweis, Dialogs::Icon::Information);
  return save.written;
}

void Wizard::AbgewieseneZeilenSpeichern(bool ofTestRun) {
  std::optional<std::string> path = dialogs_.ChooseSaveFile(
      texts::kRejectSaveTitle, texts::kRejectFilter, texts::kRejectDefaultName);
  if (path) SaveRejectFile(*path, ofTestRun);
}

}  // namespace velra
