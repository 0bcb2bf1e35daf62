#pragma once
// The wizard's window: seven pages, the step lights, the buttons and the status bar. It shows the
// state of the wizard (shell/Wizard) and forwards the user's actions to it; loading a source and
// the import run work on a worker thread while the window stays responsive.

#include <QMainWindow>
#include <array>
#include <atomic>
#include <functional>
#include <mutex>

#include "gui/WorkerDialogs.h"
#include "shell/Wizard.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QProgressDialog;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTreeWidget;

namespace velra::gui {

class GradientBar;
class SourceTableModel;

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(Dialogs& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The window's load: false when the wizard ends at once (second instance, no company).
  bool Start(const StartOptions& options);
  Wizard& GetWizard() { return wizard_; }
  // True while a load or an import runs in the background.
  bool Busy() const { return busy_; }

 protected:
  void keyPressEvent(class QKeyEvent* event) override;
  // The grid's keys: left and right activate the neighbouring column, Enter opens the field list.
  bool eventFilter(QObject* watched, class QEvent* event) override;
  void closeEvent(class QCloseEvent* event) override;

 private:
  // Building the window (Pages.cpp).
  QWidget* BuildStartPage();
  QWidget* BuildDataKindPage();
  QWidget* BuildSettingsPage();
  QGroupBox* BuildArticleFrame();
  // The frame of customers or suppliers: the address box and the search name.
  QGroupBox* BuildAddressFrame(const char* title, const char* frameName, QCheckBox*& box,
                               const char* boxName, QComboBox*& combo, const char* comboName,
                               const char* tip);
  QWidget* BuildSourcePage();
  QWidget* BuildMappingPage();
  QWidget* BuildImportPage();
  QWidget* BuildFinishPage();
  QWidget* BuildStepPanel();
  QWidget* BuildFooter();
  void ConnectSettings();
  void ConnectSource();
  void ConnectMapping();

  // Opens the window at its usual size, or smaller within the screen's free area.
  void FitToScreen();
  // Mirrors the wizard's state into the widgets.
  void Sync();
  void SyncSettings();
  void SyncSource();
  void SyncMapping();
  void SyncImport();
  // Runs an action of the wizard and shows its result.
  void Act(const std::function<void()>& action);
  // Runs long work (a load, the import) on a worker thread, then shows the result. On the
  // window's thread when the work is done without a fault: `finish` before the window shows the
  // result, `then` after.
  void RunInBackground(const std::function<void()>& work, bool importing,
                       const std::function<void()>& then = {},
                       const std::function<void()>& finish = {});
  // The import or the test run: prepared here, run by a worker on its own copy of the request,
  // finished here.
  void StartRun(bool testRun);
  void ShowTestRun();
  void ShowReport();
  // Locks the window's inputs while work runs in the background; the import keeps Abbrechen.
  void SetBusy(bool busy, bool importing);
  // Shows the numbers the worker left in progressDone_ and progressTotal_.
  void ShowProgress();
  std::string Waiting();

  Dialogs& dialogs_;
  WorkerDialogs workerDialogs_{dialogs_};  // the wizard's: see WorkerDialogs
  Wizard wizard_;
  bool syncing_ = false;
  bool busy_ = false;
  std::atomic<bool> cancelLoad_{false};
  std::atomic<uint64_t> progressDone_{0}, progressTotal_{0};
  std::mutex waitingMutex_;
  std::string waiting_;  // what the worker waits for before its first row; empty once it runs
  class QTimer* progressTimer_ = nullptr;
  bool closeWhenDone_ = false;       // the window was closed while work ran
  size_t problemsLogged_ = 0;        // the wizard's problems already written to the log
  unsigned focusRequestsShown_ = 0;  // the wizard's focus requests given to a widget
  QProgressDialog* loadWindow_ = nullptr;

  GradientBar* header_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  std::array<QPushButton*, kStepCount> lights_{};
  QPushButton *cmdZurueck_ = nullptr, *cmdWeiter_ = nullptr, *cmdOK_ = nullptr,
              *cmdBeenden_ = nullptr, *cmdHilfe_ = nullptr;
  QLabel *statusData_ = nullptr, *statusFile_ = nullptr, *statusTable_ = nullptr;

  QComboBox* cboFirma_ = nullptr;
  QTreeWidget* lvwDatenarten_ = nullptr;
  QLabel* lbTippDatenart_ = nullptr;

  QGroupBox *fmAllgemein_ = nullptr, *fmArtikel_ = nullptr, *fmKunden_ = nullptr,
            *fmLieferanten_ = nullptr;
  QCheckBox *chkLoeschen_ = nullptr, *chkSynchronisieren_ = nullptr, *chkAutoNummer_ = nullptr,
            *chkAktiv_ = nullptr, *chkRabatt_ = nullptr, *chkPOS_ = nullptr, *chkWebshop_ = nullptr,
            *chkLieferant_ = nullptr, *chkArtikeltyp_ = nullptr, *chkEinheit_ = nullptr,
            *chkSteuersatz_ = nullptr, *chkLagerort_ = nullptr, *chkKundenAnschrift_ = nullptr,
            *chkLieferantenAnschrift_ = nullptr;
  QComboBox *cboArtikeltyp_ = nullptr, *cboEinheit_ = nullptr, *icboSteuersatz_ = nullptr,
            *cboBerechnungsart_ = nullptr, *cboKundenSuchname_ = nullptr,
            *cboLieferantenSuchname_ = nullptr;
  QLineEdit* txtLagerort_ = nullptr;
  QPushButton* cmdLagerort_ = nullptr;

  QComboBox *cboImportformat_ = nullptr, *cboTabellen_ = nullptr, *cboSynchronisierung_ = nullptr,
            *cboZeichensatz_ = nullptr;
  QLabel* lbZeichensatz_ = nullptr;
  QLineEdit *txtDateiname_ = nullptr, *txtTrennzeichen_ = nullptr, *txtBegrenzung_ = nullptr,
            *txtZeilenumbruch_ = nullptr;
  QPushButton* cmdDialog_ = nullptr;
  QGroupBox *fmDatenbanken_ = nullptr, *fmCSV_ = nullptr;
  QCheckBox* chkSpaltentitel_ = nullptr;
  QLabel *lbSynchronisierung_ = nullptr, *lbTippSynchronisierung_ = nullptr;

  QTableView* jgTab_ = nullptr;
  SourceTableModel* model_ = nullptr;
  QComboBox* cboDatenbankfelder_ = nullptr;
  QLabel* lbSpalte_ = nullptr;
  QPushButton *cmdProfilLaden_ = nullptr, *cmdProfilSpeichern_ = nullptr;
  QCheckBox* chkGelernt_ = nullptr;

  QLabel *lbStatustext_ = nullptr, *lbStatus_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QPushButton *cmdAbbrechen_ = nullptr, *cmdTestlauf_ = nullptr;

  QLabel *lbErgebnis_ = nullptr, *lbZahlen_ = nullptr;
  QPushButton *cmdProtokoll_ = nullptr, *cmdAbgewiesene_ = nullptr;
};

}  // namespace velra::gui
