#include "gui/MainWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>

#include "base/Text.h"
#include "gui/GuiTexts.h"
#include "gui/Look.h"
#include "gui/ReportDialog.h"
#include "gui/SourceTableModel.h"
#include "gui/TestRunDialog.h"
#include "shell/ShellTexts.h"
#include "shell/ShownTexts.h"

namespace velra::gui {

namespace {

// Runs work of the wizard; an exception that escapes it becomes a German message instead of
// ending the program.
std::string Guarded(const std::function<void()>& work) {
  try {
    work();
    return {};
  } catch (const std::exception& e) {
    return std::string("Unerwarteter Fehler: ") + e.what();
  }
}

// What work in the background leaves for the window. Qt's queued QThread::finished already
// orders the worker's writes (to the session too) before the window's reads; the flag states
// that order in this code, where ThreadSanitizer sees it (Qt's own locks it cannot see).
class Handover {
 public:
  void Finish(std::string error) {
    error_ = std::move(error);
    done_.store(true, std::memory_order_release);
  }
  // On the window's thread once the worker has finished.
  std::string Take() {
    done_.load(std::memory_order_acquire);
    return std::move(error_);
  }

 private:
  std::string error_;
  std::atomic<bool> done_{false};
};

// How often the window shows the progress of work in the background.
constexpr int kProgressMilliseconds = 50;

}  // namespace

MainWindow::MainWindow(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), wizard_(workerDialogs_) {
  setObjectName("frmMain");
  setWindowTitle(texts::kWindowTitle);

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  header_ = new GradientBar(kAccentColour, kWhite);
  header_->setObjectName("scHeader");
  header_->SetTitle(texts::kTitle, 22);
  header_->setFixedHeight(56);
  layout->addWidget(header_);

  auto* body = new QHBoxLayout;
  body->setSpacing(0);
  QWidget* steps = BuildStepPanel();
  steps->setFixedWidth(170);
  body->addWidget(steps);
  pages_ = new QStackedWidget;
  pages_->setObjectName("picFortschritt");
  for (QWidget* page :
       {BuildStartPage(), BuildDataKindPage(), BuildSettingsPage(), BuildSourcePage(),
        BuildMappingPage(), BuildImportPage(), BuildFinishPage()})
    pages_->addWidget(page);
  // On a small screen (or at a large scale) a page scrolls rather than pushing the buttons off.
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(pages_);
  body->addWidget(scroll, 1);
  layout->addLayout(body, 1);
  QWidget* footer = BuildFooter();
  footer->setObjectName("scFooter");
  layout->addWidget(footer);
  setCentralWidget(central);

  statusData_ = new QLabel;
  statusFile_ = new QLabel;
  statusTable_ = new QLabel;
  statusBar()->addWidget(statusData_);
  statusBar()->addWidget(statusFile_, 1);
  statusBar()->addWidget(statusTable_);
  statusBar()->addPermanentWidget(new QLabel("F1 Hilfe"));

  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  help->setContext(Qt::WindowShortcut);
  connect(help, &QShortcut::activated, this, [this] { wizard_.KeyDown(velra::texts::kKeyF1); });

  // Reading a source runs on a worker; what it brings back is taken over on the window's thread.
  wizard_.runSlow = [this](std::function<void()> work, std::function<void()> then) {
    RunInBackground(work, false, nullptr, then);
  };
  // Both callbacks run on the worker thread: they only leave their numbers, which the window
  // picks up on its own thread.
  wizard_.loadProgress = [this](uint64_t done, uint64_t total) {
    progressDone_ = done;
    progressTotal_ = total;
    return !cancelLoad_;
  };
  wizard_.importProgress = [this](size_t row, size_t rows) {
    progressDone_ = row;
    progressTotal_ = rows;
  };
  wizard_.importWaiting = [this](const std::string& message) {
    std::lock_guard<std::mutex> hold(waitingMutex_);
    waiting_ = message;
  };
  // A dialog the worker needs answered puts the progress window aside while it is open.
  workerDialogs_.aside = [this](bool aside) {
    QMetaObject::invokeMethod(
        this,
        [this, aside] {
          if (loadWindow_) loadWindow_->setVisible(!aside);
        },
        Qt::BlockingQueuedConnection);
  };
  // While work runs the worker owns the session and the window shows its progress instead; the
  // cancel question of a running import is asked then.
  workerDialogs_.showState = [this] {
    if (!syncing_ && !busy_) Sync();
  };
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressMilliseconds);
  connect(progressTimer_, &QTimer::timeout, this, &MainWindow::ShowProgress);

  FitToScreen();
}

void MainWindow::FitToScreen() {
  // The size the pages are drawn for, as far as the screen has room (a title bar and frame
  // included).
  constexpr QSize kWanted(1000, 700), kFrame(16, 48);
  const QRect room = screen()->availableGeometry();
  resize(kWanted.boundedTo(room.size() - kFrame));
  move(room.topLeft() + QPoint(std::max(0, (room.width() - width() - kFrame.width()) / 2),
                               std::max(0, (room.height() - height() - kFrame.height()) / 2)));
}

MainWindow::~MainWindow() {
  // The grid's model reads the wizard's session, a member that is gone by the time the base class
  // closes a visible window, which lays out the grid's header once more. The window is hidden and
  // the grid let go of the model here, while the session still exists.
  hide();
  if (jgTab_) jgTab_->setModel(nullptr);
}

bool MainWindow::Start(const StartOptions& options) {
  const bool started = wizard_.Load(options);
  model_->Reload();
  Sync();
  return started;
}

void MainWindow::Act(const std::function<void()>& action) {
  if (busy_ || syncing_) return;
  std::string error = Guarded(action);
  if (!error.empty()) dialogs_.Message(error, velra::texts::kFehler, Dialogs::Icon::Error);
  Sync();
}

void MainWindow::StartRun(bool testRun) {
  std::optional<ImportRequest> request;
  Act([&] { request = wizard_.PrepareRun(testRun); });
  if (!request) return;
  auto result = std::make_shared<ImportResult>();
  RunInBackground([this, request = std::move(*request), result,
                   testRun] { *result = wizard_.ExecuteRun(request, testRun); },
                  true, testRun ? std::function<void()>([this] { ShowTestRun(); }) : nullptr,
                  [this, result, testRun] { wizard_.FinishRun(std::move(*result), testRun); });
}

void MainWindow::RunInBackground(const std::function<void()>& work, bool importing,
                                 const std::function<void()>& then,
                                 const std::function<void()>& finish) {
  if (busy_ || syncing_) return;
  SetBusy(true, importing);
  model_->Suspend();
  cancelLoad_ = false;
  if (!importing) {
    loadWindow_ = new QProgressDialog(texts::kMoment, texts::kCancel, 0, 0, this);
    loadWindow_->setObjectName("frmStatus");
    loadWindow_->setWindowTitle(texts::kWindowTitle);
    loadWindow_->setWindowModality(Qt::WindowModal);
    loadWindow_->setAutoClose(false);
    loadWindow_->setAutoReset(false);
    loadWindow_->setMinimumDuration(300);
    // Wide enough for its title.
    loadWindow_->setMinimumWidth(loadWindow_->fontMetrics().horizontalAdvance(texts::kWindowTitle) +
                                 240);
    connect(loadWindow_, &QProgressDialog::canceled, this, [this] { cancelLoad_ = true; });
  }
  progressDone_ = progressTotal_ = 0;
  {
    std::lock_guard<std::mutex> hold(waitingMutex_);
    waiting_.clear();
  }
  progressTimer_->start();
  auto handover = std::make_shared<Handover>();
  QThread* thread = QThread::create([work, handover] { handover->Finish(Guarded(work)); });
  connect(thread, &QThread::finished, this, [this, thread, handover, then, finish] {
    std::string error = handover->Take();
    thread->deleteLater();
    progressTimer_->stop();
    if (loadWindow_) {
      // Reset first: a progress window not yet shown keeps its own timer, which would show it
      // later over whatever the load opens next.
      loadWindow_->reset();
      loadWindow_->hide();
      loadWindow_->deleteLater();
      loadWindow_ = nullptr;
    }
    SetBusy(false, false);
    if (error.empty() && finish) error = Guarded(finish);
    model_->Reload();
    Sync();
    // What the work had to say, now that nothing modal stands in its way.
    workerDialogs_.ShowKept();
    if (!error.empty()) dialogs_.Message(error, velra::texts::kFehler, Dialogs::Icon::Error);
    Sync();
    if (closeWhenDone_) {
      close();
      return;
    }
    if (error.empty() && then) then();
  });
  thread->start();
}

void MainWindow::SetBusy(bool busy, bool importing) {
  busy_ = busy;
  // The lights keep their colours; a click on one waits for the work (Act).
  for (QPushButton* button : {cmdZurueck_, cmdWeiter_, cmdOK_, cmdBeenden_, cmdTestlauf_})
    button->setEnabled(!busy);
  pages_->setEnabled(!busy || importing);
  if (busy && importing) {
    cmdAbbrechen_->setEnabled(true);
    cmdAbbrechen_->setFocus();
  }
}

std::string MainWindow::Waiting() {
  std::lock_guard<std::mutex> hold(waitingMutex_);
  return waiting_;
}

void MainWindow::ShowProgress() {
  const uint64_t done = progressDone_, total = progressTotal_;
  if (loadWindow_) {
    // Sizes of files can exceed the bar's range: it shows per mille.
    loadWindow_->setMaximum(total > 0 ? 1000 : 0);
    loadWindow_->setValue(total > 0 ? static_cast<int>(std::min(done, total) * 1000 / total) : 0);
  } else if (std::string waiting = Waiting(); !waiting.empty() && done == 0) {
    lbStatustext_->setText(QString::fromStdString(waiting));
    progressBar_->setRange(0, 0);  // moving: how long the other run takes is not known
  } else if (total > 0) {
    lbStatustext_->setText(velra::texts::kImporting);
    progressBar_->setRange(0, static_cast<int>(std::min<uint64_t>(total, INT32_MAX)));
    progressBar_->setValue(static_cast<int>(std::min({done, total, uint64_t{INT32_MAX}})));
    lbStatus_->setText(QString::fromStdString(
        Fill(velra::texts::kRowsDone, {std::to_string(done), std::to_string(total)})));
  }
}

void MainWindow::ShowReport() {
  const ImportSession& session = wizard_.Session();
  const ShownTexts shown(session.TargetFields, session.Context.Regional);
  ReportDialog dialog(session.LastImport.report, shown, this);
  dialog.exec();
}

void MainWindow::ShowTestRun() {
  const ImportSession& session = wizard_.Session();
  if (!session.LastTestRun.testRun ||
      session.LastTestRun.status == ImportResult::Status::NotStarted)
    return;
  const ShownTexts shown(session.TargetFields, session.Context.Regional);
  TestRunDialog dialog(
      session.LastTestRun, session.SourceData.RowCount(), shown,
      [this] { Act([&] { wizard_.AbgewieseneZeilenSpeichern(true); }); }, this);
  dialog.exec();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // The wizard's default button: Weiter, on the import page OK.
      if (cmdWeiter_->isEnabled())
        cmdWeiter_->click();
      else if (cmdOK_->isEnabled())
        cmdOK_->click();
      return;
    case Qt::Key_Escape:
      // Escape stops a running import, after the question.
      if (busy_ && cmdAbbrechen_->isEnabled()) cmdAbbrechen_->click();
      return;
    default:
      QMainWindow::keyPressEvent(event);
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != jgTab_ || event->type() != QEvent::KeyPress || busy_)
    return QMainWindow::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const int columns = model_->columnCount();
  const int current = wizard_.Session().CurrentColumn;
  const bool step = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right;
  if (step && key->modifiers() == Qt::NoModifier && columns > 0) {
    const int next = std::clamp(current + (key->key() == Qt::Key_Left ? -1 : 1), 1, columns);
    Act([&] { wizard_.HeaderClick(next); });
    if (model_->rowCount() > 0)
      jgTab_->setCurrentIndex(model_->index(std::max(jgTab_->currentIndex().row(), 0), next - 1));
    jgTab_->scrollTo(model_->index(0, next - 1));
    jgTab_->setFocus();  // the keys go on moving through the columns
    return true;
  }
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && current > 0) {
    cboDatenbankfelder_->setFocus();
    cboDatenbankfelder_->showPopup();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // The worker must let go of the session first: a load stops at once, an import after the
    // question; the window closes when the worker is done.
    event->ignore();
    if (loadWindow_) {
      cancelLoad_ = true;
      closeWhenDone_ = true;
    } else {
      wizard_.AbbrechenClick();
      closeWhenDone_ = wizard_.Session().AbbruchAngefordert;
    }
    return;
  }
  wizard_.BeendenClick();
  event->accept();
}

}  // namespace velra::gui
