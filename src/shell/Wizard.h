#pragma once
// The wizard's behaviour: start-up, the seven steps and their navigation, the settings, the
// source page and the mapping page, as one method per window event. The window forwards its
// events here and mirrors the session's controls; message boxes go through Dialogs.

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "app/ColumnMapping.h"
#include "app/CompanyLists.h"
#include "app/ImportRequest.h"
#include "base/Regional.h"
#include "config/InstanceLock.h"
#include "import/ImportRun.h"
#include "import/RejectFile.h"
#include "mapping/AutoMapping.h"
#include "mapping/LayoutFile.h"
#include "profile/ImportProfile.h"
#include "profile/LearnedMappings.h"
#include "shell/Dialogs.h"
#include "shell/ImportSession.h"

namespace velra {

struct StartOptions {
  std::string programPath;  // folder of velra.var
  std::string commandLine;  // "/client:Firma"
  RegionalSettings regional = RegionalSettings::FromSystem();
  bool singleInstance = true;  // the window; the command line runs beside it
  std::string lockFolder;      // where the per-user lock lives (default: the runtime folder)
};

class Wizard {
 public:
  explicit Wizard(Dialogs& dialogs) : dialogs_(dialogs) {}

  ImportSession& Session() { return session_; }
  const ImportSession& Session() const { return session_; }
  WizardControls& Controls() { return session_.Controls; }
  const WizardControls& Controls() const { return session_.Controls; }

  // Window load. False when the window closes again (second instance, no companies).
  bool Load(const StartOptions& options);
  void Unload();

  // Step 0.
  void CompanyClick(int index);  // an entry of cboFirma becomes the selected one

  // Navigation.
  void ShowStep(int step);
  void WeiterClick();
  void ZurueckClick();
  void LightClick(int step);
  void AbbrechenClick();
  void BeendenClick();
  void HilfeClick();
  void KeyDown(int keyCode);

  // Step 1.
  void DataKindClick(int listIndex);
  // Chooses the kind: by its entry in the list, or directly for a kind the list does not offer.
  void ChooseDataKind(DataKind kind);
  void ConfigureDataKind(DataKind kind);

  // Step 2. The check box handlers take the box's new value.
  void ChkLoeschenClick(int value);
  void ChkSynchronisierenClick(int value);
  void ChkArtikeltypClick(int value);
  void ChkEinheitClick(int value);
  void ChkSteuersatzClick(int value);
  void ChkLagerortClick(int value);
  void CboBerechnungsartClick(int index);
  void CboKundenSuchnameClick(int index);
  void CboLieferantenSuchnameClick(int index);
  void LagerortWaehlen();  // menu "Lagerort wählen"
  void KeinLagerort();     // menu "Kein Lagerort bestimmen"

  // Step 3.
  void CboImportformatClick(int index);
  void CmdDialogClick();
  // The file as the dialog would return it (the command line chooses files this way).
  void FileChosen(const std::string& path);
  void CboTabellenClick(int index);
  void ChkSpaltentitelClick(int value);
  void CboZeichensatzClick(int index);
  // Chooses the character set of text and dBase files by its name (see EncodingChoiceOf).
  void SelectEncoding(const std::string& name);
  void TrennzeichenChange(const std::string& text);
  void BegrenzungChange(const std::string& text);
  void ZeilenumbruchChange(const std::string& text);
  void OpenSource();
  void ListSourceTables();
  // A file that could not be opened or read is no longer the chosen one.
  void ForgetSourceFile();

  // Step 5: the import.
  void OkClick();
  // "Testlauf": the whole run, rolled back at the end; the result is in Session().LastTestRun.
  // False when it could not run (ReadyToRun said why).
  bool TestlaufClick();
  // A run in three steps, for a window that runs it on a worker thread: prepared on the window's
  // thread (the checks, the delete question, the import page), executed on any thread with a copy
  // of the request (it reads the loaded source and reports through importProgress and
  // importWaiting, never the controls), finished on the window's thread. OkClick and
  // TestlaufClick are the three in a row. nullopt: it does not run (the user was told why).
  std::optional<ImportRequest> PrepareRun(bool testRun);
  ImportResult ExecuteRun(const ImportRequest& request, bool testRun);
  void FinishRun(ImportResult result, bool testRun);
  // Writes the rows of the last run (or test run) that were not imported to a file the user
  // chooses ("Abgewiesene Zeilen speichern...").
  void AbgewieseneZeilenSpeichern(bool ofTestRun);
  // The same to a given path, saying how it went. The import file and the files of the suite
  // (see SuiteFiles) are never written.
  RejectFileResult SaveRejectFile(const std::string& path, bool ofTestRun);
  // The checks before a run (mandatory fields, one column per field, the defaults of the
  // settings page); false after saying what stands in the way.
  bool ReadyToRun();
  // The import the controls describe, and its source.
  ImportRequest CurrentRequest() const;
  SourceRequest CurrentSource() const;
  ImportSettings CurrentSettings() const;
  // Called after each imported row (on the thread that runs the import).
  RowProgress importProgress;
  // While another import into the same table of the company runs: wait for it (saying so through
  // importWaiting, on the thread that runs the import), or do not start when false.
  bool waitForOtherImport = true;
  std::function<void(const std::string& message)> importWaiting;

  // Step 4.
  void HeaderClick(int column);  // columns count from 1
  // The label names the active column as its header does; the field list shows its field, or
  // the prompt entry when it has none.
  void ShowCurrentColumn();
  void FieldPicked(int listIndex);  // an entry of cboDatenbankfelder picked by the user
  void RemoveMapping();             // "Feldzuordnung aufheben"
  void AutoMapColumns();            // "Automatische Feldzuordnung starten"
  bool IsFieldCaption(const std::string& text) const;

  // Profiles ("Profil laden...", "Profil speichern..." on the mapping page).
  ImportProfile CurrentProfile() const;
  // The kind, the settings page and the text settings of a profile; German notes about values
  // the company does not offer.
  std::vector<std::string> ApplyProfile(const ImportProfile& profile);
  // The profile's mapping on the loaded columns: matching columns get their field, the others
  // none.
  ProfileFit ApplyProfileColumns(const ImportProfile& profile);
  // "Profil laden...": the file the user picks, then the profile applied and the file loaded
  // again under it (work for the background).
  std::optional<std::string> ChooseProfile();
  void ProfilLaden(const std::string& path);
  void ProfilSpeichern();
  // After a run that wrote rows: the pairs set by hand are remembered for the company and kind.
  void RememberHandMappings();

  // Progress of loading a source; returning false cancels.
  ProgressCallback loadProgress;
  // Where the slow work of an event runs (reading the source for the mapping page): the window
  // runs `work` on a worker thread and `then` back on its own thread once it is done; without it
  // both run at once. `work` touches neither the session nor the controls.
  std::function<void(std::function<void()> work, std::function<void()> then)> runSlow;

 private:
  void FillOptionCombos();
  void FillDataKindList();
  // Without the database, the lists are only emptied.
  void FillLookupLists(bool fromDatabase);
  void ApplyDefaults();
  void UpdateSearchNameMode();
  // What reading the source for the mapping page takes along and brings back.
  struct SourceLoad {
    std::unique_ptr<SourceReader> reader;  // a database-like source, opened before
    SourceRequest source;  // its text options' header flag, encoding and progress serve all
    std::optional<MappingRules> rules;
    SourceTable data;
    LoadReport notes;
    std::vector<GridColumn> columns;
    std::vector<std::string> problems;
    std::optional<std::string> error;
  };
  void RunSlow(std::function<void()> work, std::function<void()> then);
  // Loads the source and maps its columns: prepared here, read by RunSlow's work, finished here;
  // then `after`, also when the source could not be read.
  void LoadSourceIntoGrid(std::function<void()> after = {});
  bool PrepareLoad(SourceLoad& load);
  static void ReadSource(SourceLoad& load);
  void FinishLoad(SourceLoad load);
  void ForgetLoadedSource();
  void FillFieldList(Combo& combo, bool withPrompt);
  void ShowLoadNotes();
  void ShowError(const std::string& text);
  // True when a usable company is selected; otherwise asks the user to choose one.
  bool CompanyChosen();
  const LayoutFile& Layout();
  MappingRules Rules();

  Dialogs& dialogs_;
  ImportSession session_;
  std::unique_ptr<InstanceLock> lock_;
  CompanyLists lists_;               // of the selected company
  std::atomic<size_t> rowsDone_{0};  // of the run, as the worker reported it
  LayoutFile layout_;
  std::string layoutPath_;  // the file `layout_` was read from
};

}  // namespace velra
