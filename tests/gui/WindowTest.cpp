// The window driven like a user drives it: clicks on its widgets, on the demo company.

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "db/Connection.h"
#include "demo/DemoEnvironment.h"
#include "gui/MainWindow.h"
#include "gui/QtDialogs.h"
#include "gui/Translations.h"
#include "import/ImportLock.h"
#include "profile/ImportProfile.h"
#include "shell/ShellTexts.h"
#include "source/Formats.h"

namespace velra::gui {
namespace {

// Scripted answers, but the real warehouse picker; with `real` also the real message boxes and
// questions, which a test answers from the event loop (AnswerModal) as a user would.
class WindowDialogs : public test::ScriptedDialogs {
 public:
  void RunStoragePicker(StoragePicker& picker) override { qt.RunStoragePicker(picker); }
  void Message(const std::string& text, const std::string& title, Icon icon) override {
    if (real)
      qt.Message(text, title, icon);
    else
      ScriptedDialogs::Message(text, title, icon);
  }
  bool Ask(const std::string& text, const std::string& title, bool yesIsDefault) override {
    return real ? qt.Ask(text, title, yesIsDefault)
                : ScriptedDialogs::Ask(text, title, yesIsDefault);
  }
  std::optional<std::string> InputBox(const std::string& prompt,
                                      const std::string& title) override {
    if (beforeInput) beforeInput();
    return ScriptedDialogs::InputBox(prompt, title);
  }
  QtDialogs qt;
  bool real = false;
  std::function<void()> beforeInput;  // sees the window as the prompt opens
};

// Answers the next modal dialog from the event loop once it shows, after `readingMs` as a user
// who reads it first (a load's progress window is no dialog to answer). The dialog found is the
// one answered, whatever opens over it meanwhile; one still open after the answer is closed so
// that a failing test cannot hang. The wait allows for the slow sanitizer builds, where loading
// a large file alone takes half a minute.
void AnswerModal(std::function<void(QWidget*)> answer, int readingMs = 0) {
  auto* timer = new QTimer;
  auto started = std::make_shared<QDeadlineTimer>(120000);
  auto found = std::make_shared<QPointer<QWidget>>();
  auto reading = std::make_shared<QElapsedTimer>();
  QObject::connect(timer, &QTimer::timeout, [=] {
    if (!*found) {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal && modal->isVisible() && modal->objectName() != "frmStatus") {
        *found = modal;
        reading->start();
      } else if (started->hasExpired()) {
        timer->deleteLater();
        return;
      }
    }
    if (!*found || reading->elapsed() < readingMs) return;
    timer->stop();
    timer->deleteLater();
    QWidget* box = *found;
    answer(box);
    if (auto* dialog = qobject_cast<QDialog*>(found->data()); dialog && dialog->isVisible()) {
      ADD_FAILURE() << "the dialog stayed open";
      dialog->reject();
    }
  });
  timer->start(10);
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds = 60000) {
  QDeadlineTimer deadline(milliseconds);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QTest::qSleep(2);
  }
  return true;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(CreateDemoEnvironment(dir_.Path(), false));
    test::UseOwnConfigFolder(dir_);
    StartOptions options;
    options.programPath = dir_.Path();
    options.regional = RegionalSettings::ForLocale("de_DE");
    options.lockFolder = dir_.Path();
    dialogs_.qt.SetParent(&window_);
    ASSERT_TRUE(window_.Start(options));
    window_.show();
    // Under a real X server without a window manager nobody activates the window for the user.
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }

  template <typename W = QWidget>
  W* Find(const char* name) {
    W* widget = window_.findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char* button) {
    auto* widget = Find<QPushButton>(button);
    ASSERT_TRUE(widget->isEnabled()) << button;
    QTest::mouseClick(widget, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([this] { return !window_.Busy(); }));
  }
  int Page() { return Find<QStackedWidget>("picFortschritt")->currentIndex(); }
  void ChooseKind(const QString& text) {
    auto* list = Find<QTreeWidget>("lvwDatenarten");
    QList<QTreeWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found[0]).center());
  }
  // From the start page to the mapping of a demo sample as articles.
  void LoadArticles(const std::string& file) {
    Click("cmdWeiter");
    ChooseKind("Artikel");
    Click("cmdWeiter");
    Click("cmdWeiter");
    dialogs_.files.push_back(file);
    Click("cmdDialog");
    Click("cmdWeiter");
  }
  QString Header(int column) {
    return Find<QTableView>("jgTab")->model()->headerData(column - 1, Qt::Horizontal).toString();
  }
  void ClickHeader(int column) {
    QHeaderView* header = Find<QTableView>("jgTab")->horizontalHeader();
    Find<QTableView>("jgTab")->scrollTo(header->model()->index(0, column - 1));
    QTest::mouseClick(
        header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(column - 1) + 5, header->height() / 2));
  }
  void PickField(const QString& caption) {
    auto* fields = Find<QComboBox>("cboDatenbankfelder");
    const int index = fields->findText(caption);
    ASSERT_GE(index, 0) << caption.toStdString();
    fields->setCurrentIndex(index);
    emit fields->activated(index);
  }
  // With VELRA_SCREENSHOT_DIR set (./run.sh screenshots), the whole screen as a picture.
  void ShootScreen(const QString& name) {
    const QString folder = qEnvironmentVariable("VELRA_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QCoreApplication::processEvents();
    EXPECT_TRUE(window_.screen()->grabWindow(0).save(folder + "/" + name + ".png"))
        << name.toStdString();
  }
  std::optional<Value> QueryValue(const std::string& sql) {
    auto connection = Connection::Open(window_.GetWizard().Session().Context.ConnectionString);
    return connection->QueryValue(sql);
  }

  test::TempDir dir_;
  WindowDialogs dialogs_;
  MainWindow window_{dialogs_};
};

TEST_F(WindowTest, ImportsTheDemoArticlesThroughTheWholeWizard) {
  EXPECT_EQ(window_.windowTitle(), "Velra: Importassistent");
  EXPECT_EQ(Find<QComboBox>("cboFirma")->currentText().toStdString(), kDemoCompany);
  EXPECT_FALSE(Find<QPushButton>("cmdZurueck")->isEnabled());

  LoadArticles(dir_ / (std::string(kDemoSampleFolder) + "Artikel.csv"));
  ASSERT_EQ(Page(), 4);
  auto* grid = Find<QTableView>("jgTab");
  EXPECT_EQ(grid->model()->rowCount(), 20);
  EXPECT_EQ(grid->model()->data(grid->model()->index(0, 1)).toString(),
            "Schraube M6 x 40 verzinkt");

  // Column 9 (EAN) is mapped automatically; take the mapping away and give it back by hand.
  const QString barcode = Header(9);
  ASSERT_FALSE(barcode.startsWith(QString::fromUtf8(velra::texts::kUnassignedMark)));
  ClickHeader(9);
  grid->findChild<QAction*>("mnuFeldzuordnungAufheben")->trigger();
  EXPECT_EQ(Header(9), QString::fromUtf8(velra::texts::kUnassignedMark) + "EAN");
  ClickHeader(9);
  EXPECT_EQ(Find<QComboBox>("cboDatenbankfelder")->currentIndex(), 0);
  PickField(barcode);
  EXPECT_EQ(Header(9), barcode);
  EXPECT_EQ(Find<QLabel>("lbSpalte")->text(), barcode);

  // A value corrected in the grid is the value imported.
  ASSERT_TRUE(grid->model()->setData(grid->model()->index(1, 1), "Mutter M6 rostfrei"));

  Click("cmdWeiter");
  ASSERT_EQ(Page(), 5);
  EXPECT_EQ(Find<QLabel>("lbStatustext")->text().toStdString(), velra::texts::kReady);
  Click("cmdOK");
  ASSERT_EQ(Page(), 6) << Find<QLabel>("lbStatustext")->text().toStdString();
  EXPECT_FALSE(Find<QPushButton>("cmdWeiter")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("cmdBeenden")->isEnabled());
  EXPECT_TRUE(Find<QLabel>("lbZahlen")->text().contains("neu angelegt: 20"));
  EXPECT_EQ(QueryValue("SELECT COUNT(*) FROM Articles")->AsInteger(), 20);
  EXPECT_EQ(
      QueryValue("SELECT Barcode FROM Articles WHERE ShortText LIKE 'Schraube M6%'")->ToText(),
      "4006209100017");
  EXPECT_EQ(QueryValue("SELECT COUNT(*) FROM Articles WHERE ShortText = 'Mutter M6 rostfrei'")
                ->AsInteger(),
            1);
}

// The row the import page shows as done ("1234 von 100000").
size_t RowShown(QLabel* status) {
  return status->text().section(' ', 0, 0).toULongLong();
}

// Presses the button of a real message box with the mouse, as a user would; a box that the
// mouse cannot reach (blocked by another modal window) stays open and fails the test.
void Press(QWidget* box, const QString& caption) {
  for (QPushButton* button : box->findChildren<QPushButton*>())
    if (button->text() == caption) {
      QTest::mouseClick(button, Qt::LeftButton);
      return;
    }
  ADD_FAILURE() << "no button " << caption.toStdString();
}

// While the question is open the run stands still at a row; "Nein" lets it go on, "Ja" ends it
// there, with every row before written.
TEST_F(WindowTest, TheCancelQuestionPausesTheRunUntilItIsAnswered) {
  dialogs_.real = true;
  const std::string file = dir_ / "Viele.csv";
  {
    std::ofstream out(file);
    out << "Artikelnummer;Bezeichnung;MwSt\n";
    for (int i = 1; i <= 100000; ++i) out << "A" << i << ";Artikel " << i << ";19\n";
  }
  LoadArticles(file);
  ASSERT_EQ(Page(), 4);
  Click("cmdWeiter");
  auto* status = Find<QLabel>("lbStatus");
  QTest::mouseClick(Find<QPushButton>("cmdOK"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return RowShown(status) >= 100; }));
  EXPECT_FALSE(Find<QPushButton>("cmdBeenden")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("cmdTestlauf")->isEnabled());

  // Asked, the run stands still; the rows it shows then are what a "Ja" keeps.
  auto askAndAnswer = [&](const QString& answer) {
    size_t first = 0, later = 0;
    QString question;
    AnswerModal([&](QWidget* box) {
      question = box->findChild<QLabel*>("qt_msgbox_label")->text();
      QTest::qWait(150);
      first = RowShown(status);
      QTest::qWait(300);
      later = RowShown(status);
      Press(box, answer);
    });
    QTest::mouseClick(Find<QPushButton>("cmdAbbrechen"), Qt::LeftButton);
    EXPECT_EQ(question.toStdString(), velra::texts::kCancelQuestion);
    EXPECT_EQ(first, later);
    return later;
  };
  const size_t pausedAt = askAndAnswer("&Nein");
  ASSERT_TRUE(WaitFor([&] { return RowShown(status) > pausedAt + 100 || !window_.Busy(); }));
  ASSERT_TRUE(window_.Busy()) << "the run ended before it could be cancelled";
  const size_t cancelledAt = askAndAnswer("&Ja");

  ASSERT_TRUE(WaitFor([this] { return !window_.Busy(); }));
  EXPECT_EQ(Find<QLabel>("lbStatustext")->text().toStdString(), velra::texts::kImportCancelled);
  EXPECT_EQ(QueryValue("SELECT COUNT(*) FROM Articles")->AsInteger(),
            static_cast<int64_t>(cancelledAt));
}

// A note of the load shows once the load is over and its progress window gone; a file that
// cannot be opened is not kept as the chosen one.
TEST_F(WindowTest, MessagesOfALoadNeverHideUnderItsProgressWindow) {
  dialogs_.real = true;
  const std::string file = dir_ / "ragged.csv";
  {
    std::ofstream out(file);
    out << "Artikelnummer;Bezeichnung\n";
    for (int i = 1; i <= 1500000; ++i)
      out << "A" << i << ";Artikel " << i << (i == 3 ? ";zu viel" : "") << "\n";
  }
  QString note;
  bool progressShown = true;
  AnswerModal([&](QWidget* box) {
    note = box->findChild<QLabel*>("qt_msgbox_label")->text();
    auto* progress = window_.findChild<QWidget*>("frmStatus");
    progressShown = progress && progress->isVisible();
    ShootScreen("4-ladehinweis");
    QTest::keyClick(box, Qt::Key_Return);
  });
  LoadArticles(file);
  EXPECT_EQ(Page(), 4);
  EXPECT_FALSE(progressShown);
  EXPECT_TRUE(note.startsWith(velra::texts::kLoadNotes)) << note.toStdString();
  EXPECT_TRUE(note.contains("Zeile 4: Die Zeile hat 3 Werte")) << note.toStdString();

  Click("cmdZurueck");
  const std::string broken = dir_ / "kaputt.xlsx";
  test::WriteBytes(broken, "PK\x03\x04 kein Archiv");
  QString error;
  AnswerModal([&](QWidget* box) {
    error = box->findChild<QLabel*>("qt_msgbox_label")->text();
    QTest::keyClick(box, Qt::Key_Return);
  });
  dialogs_.files.push_back(broken);
  Click("cmdDialog");
  EXPECT_TRUE(error.startsWith("Fehlernummer: 3003")) << error.toStdString();
  EXPECT_TRUE(Find<QLineEdit>("txtDateiname")->text().isEmpty());
  Click("cmdWeiter");
  EXPECT_EQ(Page(), 3);
}

// A load quicker than the progress window's delay leaves no progress window behind that shows
// itself later, over the load's notes.
TEST_F(WindowTest, AQuickLoadLeavesNoProgressWindowBehind) {
  dialogs_.real = true;
  const std::string file = dir_ / "kurz.csv";
  std::ofstream(file) << "Artikelnummer;Bezeichnung\nA1;Artikel\nA2;Artikel;zu viel\n";
  // The load lasts long enough for the window to take up its progress, not long enough to show it.
  Wizard& wizard = window_.GetWizard();
  wizard.loadProgress = [report = wizard.loadProgress](uint64_t done, uint64_t total) {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return report(done, total);
  };
  bool progressShown = true;
  AnswerModal(
      [&](QWidget* box) {
        auto* progress = window_.findChild<QWidget*>("frmStatus");
        progressShown = progress && progress->isVisible();
        QTest::keyClick(box, Qt::Key_Return);
      },
      800);  // well past the progress window's delay
  LoadArticles(file);
  EXPECT_EQ(Page(), 4);
  EXPECT_FALSE(progressShown);
}

TEST_F(WindowTest, AnImportWaitsForAnotherIntoTheSameTableAndCanBeCancelled) {
  const std::string file = dir_ / "Neu.csv";
  std::ofstream(file) << "Artikelnummer;Bezeichnung;MwSt\nA1;Artikel;19\n";
  const SessionContext& context = window_.GetWizard().Session().Context;
  auto other = Connection::Open(context.ConnectionString);
  ImportLock held = LockImport(*other, context.DatabasePath, "Articles", {false, {}, nullptr});
  ASSERT_EQ(held.state, ImportLock::State::Taken);
  LoadArticles(file);
  Click("cmdWeiter");

  QTest::mouseClick(Find<QPushButton>("cmdOK"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([this] {
    return Find<QLabel>("lbStatustext")
        ->text()
        .startsWith("Ein anderer Import in die Firma 'Musterfirma' läuft gerade; es wird gewartet");
  })) << Find<QLabel>("lbStatustext")->text().toStdString();
  EXPECT_TRUE(window_.Busy());
  dialogs_.answers = {true};
  QTest::mouseClick(Find<QPushButton>("cmdAbbrechen"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([this] { return !window_.Busy(); }));
  ASSERT_FALSE(dialogs_.messages.empty());
  EXPECT_NE(dialogs_.messages.back().text.find("abgebrochen, bevor er begann"), std::string::npos)
      << dialogs_.messages.back().text;
  EXPECT_EQ(QueryValue("SELECT COUNT(*) FROM Articles")->AsInteger(), 0);
}

TEST_F(WindowTest, AFieldGivenTwiceAsksFirst) {
  LoadArticles(dir_ / (std::string(kDemoSampleFolder) + "Artikel.csv"));
  ASSERT_EQ(Page(), 4);
  const QString first = Header(1), second = Header(2);

  ClickHeader(2);
  dialogs_.answers = {false};
  PickField(first);
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_NE(dialogs_.questions[0].text.find("bereits der Spalte (1)"), std::string::npos);
  EXPECT_EQ(Header(2), second);

  dialogs_.answers = {true};
  PickField(first);
  EXPECT_EQ(Header(2), first);
}

TEST_F(WindowTest, TheCharacterSetOfADbaseTableIsTheUsersToChoose) {
  test::WriteDbfTable(dir_ / "dos.dbf", "NAME",
                      {"Gr\x94\xE1"
                       "e"});
  auto firstCell = [this] {
    return Find<QTableView>("jgTab")->model()->index(0, 0).data().toString().toStdString();
  };
  auto chooseEncoding = [this](const QString& caption) {
    auto* encodings = Find<QComboBox>("cboZeichensatz");
    ASSERT_TRUE(encodings->isVisible());
    const int index = encodings->findText(caption);
    ASSERT_GE(index, 0);
    encodings->setCurrentIndex(index);
    emit encodings->activated(index);
  };
  LoadArticles(dir_ / "dos.dbf");
  ASSERT_EQ(Page(), 4);
  EXPECT_EQ(firstCell(), "Größe");

  Click("cmdZurueck");
  chooseEncoding("Windows (ANSI, 1252)");
  Click("cmdWeiter");
  EXPECT_EQ(firstCell(), "Gr\u201D\u00E1e");
}

// The keyboard alone: the focus starts on the company; the arrows choose the kind as a click
// does; in the grid the arrows activate the columns and Enter opens the field list, a list of
// twenty rows.
TEST_F(WindowTest, TheWizardGoesFromTheKeyboard) {
  EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>("cboFirma"));
  Click("cmdWeiter");
  auto* kinds = Find<QTreeWidget>("lvwDatenarten");
  ASSERT_EQ(QApplication::focusWidget(), kinds);
  const QList<QTreeWidgetItem*> customers = kinds->findItems("Kunden", Qt::MatchExactly);
  ASSERT_EQ(customers.size(), 1);
  QTest::keyClick(kinds, Qt::Key_Home);
  while (kinds->currentItem() != customers[0]) QTest::keyClick(kinds, Qt::Key_Down);
  EXPECT_EQ(window_.GetWizard().Controls().statusPanels.at(velra::texts::kStatusData),
            "Daten: Kunden");
  Click("cmdWeiter");
  EXPECT_TRUE(Find<QWidget>("fmEinstellungen_Kunden")->isVisible());
  EXPECT_FALSE(Find<QWidget>("fmEinstellungen_Artikel")->isVisible());
  // The synchronisation field shows only with "Synchronisieren" on.
  Click("cmdWeiter");
  EXPECT_FALSE(Find<QWidget>("cboSynchronisierung")->isVisible());
  dialogs_.files.push_back(dir_ / (std::string(kDemoSampleFolder) + "Kunden.csv"));
  Click("cmdDialog");
  Click("cmdWeiter");
  ASSERT_EQ(Page(), 4);

  auto* grid = Find<QTableView>("jgTab");
  auto* label = Find<QLabel>("lbSpalte");
  auto* fields = Find<QComboBox>("cboDatenbankfelder");
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_Right);
  QTest::keyClick(grid, Qt::Key_Right);
  EXPECT_EQ(window_.GetWizard().Session().CurrentColumn, 2);
  EXPECT_EQ(label->text(), Header(2).remove("× "));
  EXPECT_EQ(QApplication::focusWidget(), grid);
  QTest::keyClick(grid, Qt::Key_Return);
  ASSERT_TRUE(fields->view()->isVisible());
  EXPECT_LE(fields->view()->height(), 21 * fields->view()->sizeHintForRow(0));
  QTest::keyClick(fields->view(), Qt::Key_Escape);
}

// The label and the list always show the active column and its field, or the prompt entry.
TEST_F(WindowTest, TheLabelAndTheListFollowTheActiveColumn) {
  LoadArticles(dir_ / (std::string(kDemoSampleFolder) + "Artikel.csv"));
  ASSERT_EQ(Page(), 4);
  auto* label = Find<QLabel>("lbSpalte");
  auto* fields = Find<QComboBox>("cboDatenbankfelder");
  EXPECT_EQ(label->text(), "<Kein>");
  ClickHeader(2);
  EXPECT_EQ(label->text(), Header(2));
  EXPECT_EQ(fields->currentText(), Header(2));
  EXPECT_EQ(QApplication::focusWidget(), fields);
  ClickHeader(1);
  EXPECT_EQ(label->text(), Header(1));

  dialogs_.answers = {false};
  PickField(Header(2));
  EXPECT_EQ(fields->currentText(), Header(1));

  Find<QTableView>("jgTab")->findChild<QAction*>("mnuFeldzuordnungAufheben")->trigger();
  EXPECT_EQ(fields->currentIndex(), 0);
  EXPECT_EQ(label->text(), "Artikelnummer");

  Click("cmdZurueck");
  Click("cmdWeiter");
  EXPECT_EQ(label->text(), "<Kein>");
}

// The window opens within the screen's free area, its buttons on it, at any size of screen.
TEST_F(WindowTest, TheWindowFitsTheScreen) {
  const QRect room = window_.screen()->availableGeometry();
  ShootScreen(QString("0-start-%1x%2-skala-%3")
                  .arg(room.width() * window_.devicePixelRatio())
                  .arg(room.height() * window_.devicePixelRatio())
                  .arg(window_.devicePixelRatio()));
  EXPECT_TRUE(room.contains(window_.geometry())) << window_.width() << "x" << window_.height()
                                                 << " on " << room.width() << "x" << room.height();
  for (const char* name : {"cmdWeiter", "cmdBeenden", "cmdHilfe"}) {
    auto* button = Find<QWidget>(name);
    EXPECT_TRUE(window_.rect().contains(QRect(button->mapTo(&window_, QPoint()), button->size())))
        << name;
  }
}

// A password is asked for once the status bar names the file it is for.
TEST_F(WindowTest, ThePasswordPromptComesAfterTheStatusBarNamesTheFile) {
  const std::string file = std::string(VELRA_FIXTURES_DIR) + "/mdb/protected-jet4.mdb";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no " << file;
  QString statusAtPrompt;
  dialogs_.beforeInput = [&] {
    for (QLabel* panel : window_.statusBar()->findChildren<QLabel*>())
      if (panel->text().startsWith("Datei:")) statusAtPrompt = panel->text();
  };
  dialogs_.inputs = {std::nullopt};
  LoadArticles(file);
  EXPECT_EQ(statusAtPrompt.toStdString(), "Datei: " + file);
}

TEST_F(WindowTest, TheWarehousePickerFillsTheDefaultLocation) {
  Click("cmdWeiter");
  ChooseKind("Artikel");
  Click("cmdWeiter");
  auto* box = Find<QCheckBox>("chkLagerort");
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  ASSERT_TRUE(Find<QPushButton>("cmdLagerort")->isEnabled());

  // The picker is modal: it is answered from the event loop, by a double click on the first
  // location below the warehouse.
  QString offered;
  AnswerModal([&](QWidget* picker) {
    auto* tree = picker->findChild<QTreeWidget*>("tvwLagerstruktur");
    ASSERT_NE(tree, nullptr);
    QTreeWidgetItem* location = tree->topLevelItem(0)->child(0);
    ASSERT_NE(location, nullptr);
    offered = location->text(0);
    const QPoint centre = tree->visualItemRect(location).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centre);
  });
  Find<QMenu>("mnuLager")->actions().at(0)->trigger();
  const QString chosen = Find<QLineEdit>("txtLagerort")->text();
  EXPECT_EQ(offered, "Halle 1");
  EXPECT_EQ(chosen, "1");

  // Abbrechen keeps it, "Kein Lagerort bestimmen" empties it.
  AnswerModal([](QWidget* picker) {
    QTest::mouseClick(picker->findChild<QPushButton*>("cmdAbbrechen"), Qt::LeftButton);
  });
  Find<QMenu>("mnuLager")->actions().at(0)->trigger();
  EXPECT_EQ(Find<QLineEdit>("txtLagerort")->text(), chosen);
  Find<QMenu>("mnuLager")->actions().at(1)->trigger();
  EXPECT_TRUE(Find<QLineEdit>("txtLagerort")->text().isEmpty());
}

TEST_F(WindowTest, LightsJumpAndF1OpensTheWizardsHelp) {
  QTest::mouseClick(Find<QPushButton>("shpStepLight3"), Qt::LeftButton);
  EXPECT_EQ(Page(), 3);
  EXPECT_TRUE(Find<QPushButton>("cmdZurueck")->isEnabled());
  Click("cmdZurueck");
  EXPECT_EQ(Page(), 2);
  QTest::keyClick(&window_, Qt::Key_F1);
  EXPECT_EQ(dialogs_.helpTopics, std::vector<int>{1140});
  // Enter is Weiter.
  QTest::keyClick(&window_, Qt::Key_Return);
  EXPECT_EQ(Page(), 3);
}

TEST_F(WindowTest, AProfileATestRunAndTheRejectedRows) {
  LoadArticles(dir_ / (std::string(kDemoSampleFolder) + "Artikel.csv"));
  ASSERT_EQ(Page(), 4);
  auto* grid = Find<QTableView>("jgTab");
  grid->model()->setData(grid->model()->index(2, 4), "0,01 EUR");
  const QString barcode = Header(9);

  // Saved, changed, loaded again: the profile's mapping is back.
  dialogs_.saveFiles.push_back(dir_ / "profil.json");
  Click("cmdProfilSpeichern");
  ProfileLoad saved = LoadProfile(dir_ / "profil.json");
  ASSERT_TRUE(saved.profile) << saved.error;
  ClickHeader(9);
  grid->findChild<QAction*>("mnuFeldzuordnungAufheben")->trigger();
  ASSERT_NE(Header(9), barcode);
  dialogs_.files.push_back(dir_ / "profil.json");
  Click("cmdProfilLaden");
  EXPECT_EQ(Header(9), barcode);
  EXPECT_EQ(grid->model()->rowCount(), 20);
  grid->model()->setData(grid->model()->index(2, 4), "0,01 EUR");  // the file was read again
  // With the numbers from the file, a row without one is not imported.
  window_.GetWizard().Controls().chkAutoNummer.Value = 0;
  grid->model()->setData(grid->model()->index(5, 0), "");

  Click("cmdWeiter");
  int firstRows = -1;
  std::map<QString, QString> firstValues;  // by the field as the dialog names it
  AnswerModal([&](QWidget* testRun) {
    auto* tree = testRun->findChild<QTreeWidget*>("tvwErsteZeilen");
    firstRows = tree->topLevelItemCount();
    for (int i = 0; firstRows > 0 && i < tree->topLevelItem(0)->childCount(); ++i)
      firstValues[tree->topLevelItem(0)->child(i)->text(2)] =
          tree->topLevelItem(0)->child(i)->text(3);
    QTest::mouseClick(testRun->findChild<QPushButton*>("cmdSchliessen"), Qt::LeftButton);
  });
  Click("cmdTestlauf");
  EXPECT_EQ(firstRows, 10);
  // The fields by the captions of the company's layout file, values as the user writes them.
  EXPECT_EQ(firstValues["Artikel-Nr."], "10001");
  EXPECT_EQ(firstValues["Aktiv"], "Ja");
  EXPECT_EQ(firstValues["Einkaufspreis"], "0,04");
  EXPECT_FALSE(firstValues.count("ArticleNumber"));
  EXPECT_EQ(Page(), 5);
  EXPECT_EQ(QueryValue("SELECT COUNT(*) FROM Articles")->AsInteger(), 0);

  Click("cmdOK");
  ASSERT_EQ(Page(), 6);
  EXPECT_EQ(QueryValue("SELECT COUNT(*) FROM Articles")->AsInteger(), 19);
  dialogs_.saveFiles.push_back(dir_ / "abgewiesen.csv");
  ASSERT_TRUE(Find<QPushButton>("cmdAbgewiesene")->isVisible());
  Click("cmdAbgewiesene");
  // The row not written; the one written without its price is in the report only.
  const std::string rejected = test::ReadBytes(dir_ / "abgewiesen.csv");
  EXPECT_NE(rejected.find(";Fehler\r\n"), std::string::npos);
  EXPECT_EQ(std::count(rejected.begin(), rejected.end(), '\n'), 2) << rejected;
  EXPECT_EQ(rejected.find("0,01 EUR"), std::string::npos) << rejected;
}

TEST(QtDialogsTest, TheFileDialogsFiltersShowTheirRealPatterns) {
  const QStringList filters = QtNameFilters(FileDialogFilter());
  ASSERT_EQ(filters.size(), 7);
  EXPECT_EQ(filters[0], "Alle Datenbanken (*.xls *.xlsx *.xlsm *.dbf *.mdb *.txt *.csv)");
  // The wizard's filter index 6 (counted from 1) is CSV.
  EXPECT_EQ(filters[5], "CSV-Format (*.csv)");
  EXPECT_EQ(filters[6], "Microsoft Excel 2007-2019 (*.xlsx *.xlsm)");
}

// Qt's own dialogs speak German, also on a system set to English.
TEST(QtDialogsTest, QtsOwnTextsAreGermanAlsoOnAnEnglishSystem) {
  const QString loaded = InstallQtTranslations(*QCoreApplication::instance(),
                                               QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_TRUE(loaded.endsWith("qtbase_de.qm")) << loaded.toStdString();
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Suchen in:");
  QStringList buttons;
  AnswerModal([&](QWidget* box) {
    for (QPushButton* button : box->findChildren<QPushButton*>()) buttons << button->text();
    qobject_cast<QDialog*>(box)->reject();
  });
  QtDialogs dialogs;
  EXPECT_EQ(
      dialogs.InputBox("Geben Sie bitte das Passwort der Datenbank ein.", "Kennwort der Datenbank"),
      std::nullopt);
  EXPECT_TRUE(buttons.contains("Abbrechen")) << buttons.join(", ").toStdString();
}

// The file dialog starts in the folder of the file chosen before, else in the home folder.
TEST(QtDialogsTest, TheFileDialogStartsWhereTheLastFileLies) {
  test::TempDir dir;
  const QString folder = QDir(QString::fromStdString(dir.Path())).absolutePath();
  const std::vector<std::pair<std::string, QString>> cases = {
      {dir / "Artikel.csv", folder},
      {"", QDir::homePath()},
      {dir / "weg/Artikel.csv", QDir::homePath()}};
  for (const auto& [lastFile, expected] : cases) {
    QString shown;
    AnswerModal([&](QWidget* modal) {
      if (auto* fileDialog = qobject_cast<QFileDialog*>(modal))
        shown = fileDialog->directory().absolutePath();
      qobject_cast<QDialog*>(modal)->reject();
    });
    QtDialogs dialogs;
    EXPECT_EQ(dialogs.ChooseFile("Datei öffnen", FileDialogFilter(), 1, lastFile), std::nullopt);
    EXPECT_EQ(shown, expected) << lastFile;
  }
}

// The pictures of the README: every step, the dialogs and the help, taken when
// VELRA_SCREENSHOT_DIR names a folder (./run.sh screenshots).
TEST_F(WindowTest, Screenshots) {
  const QString folder = qEnvironmentVariable("VELRA_SCREENSHOT_DIR");
  if (folder.isEmpty()) GTEST_SKIP() << "VELRA_SCREENSHOT_DIR is not set";
  auto shoot = [&](QWidget* widget, const char* name) {
    QCoreApplication::processEvents();
    EXPECT_TRUE(widget->grab().save(folder + "/" + name + ".png")) << name;
  };
  shoot(&window_, "0-start");
  Click("cmdWeiter");
  ChooseKind("Artikel");
  shoot(&window_, "1-art-der-daten");
  Click("cmdWeiter");
  QTest::mouseClick(Find<QCheckBox>("chkSynchronisieren"), Qt::LeftButton, {}, QPoint(8, 8));
  QTest::mouseClick(Find<QCheckBox>("chkLagerort"), Qt::LeftButton, {}, QPoint(8, 8));
  AnswerModal([&](QWidget* picker) {
    auto* tree = picker->findChild<QTreeWidget*>("tvwLagerstruktur");
    tree->expandAll();
    tree->setCurrentItem(tree->topLevelItem(0)->child(0)->child(0));
    shoot(picker, "9-lagerort-waehlen");
    QTest::mouseClick(picker->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  });
  Find<QMenu>("mnuLager")->actions().at(0)->trigger();
  shoot(&window_, "2-einstellungen");
  Click("cmdWeiter");
  dialogs_.files.push_back(dir_ / (std::string(kDemoSampleFolder) + "Artikel.csv"));
  Click("cmdDialog");
  shoot(&window_, "3-importdatei");
  Click("cmdWeiter");
  // A purchase price that is no number: the report will name it.
  auto* grid = Find<QTableView>("jgTab");
  grid->model()->setData(grid->model()->index(2, 4), "0,01 EUR");
  ClickHeader(5);
  shoot(&window_, "4-feldzuordnung");
  Click("cmdWeiter");
  shoot(&window_, "5-importieren");
  AnswerModal([&](QWidget* testRun) {
    testRun->findChild<QTabWidget*>()->setCurrentIndex(0);
    shoot(testRun, "5-testlauf");
    QTest::mouseClick(testRun->findChild<QPushButton*>("cmdSchliessen"), Qt::LeftButton);
  });
  Click("cmdTestlauf");

  std::atomic<bool> reached{false}, shot{false};
  Wizard& wizard = window_.GetWizard();
  RowProgress shown = wizard.importProgress;
  wizard.importProgress = [&](size_t row, size_t rows) {
    shown(row, rows);
    if (row != 12) return;
    reached = true;
    while (!shot) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  QTest::mouseClick(Find<QPushButton>("cmdOK"), Qt::LeftButton);
  ASSERT_TRUE(
      WaitFor([&] { return reached.load() && Find<QLabel>("lbStatus")->text() == "12 von 20"; }));
  shoot(&window_, "5-importieren-laeuft");
  shot = true;
  ASSERT_TRUE(WaitFor([this] { return !window_.Busy(); }));
  shoot(&window_, "6-fertig");

  AnswerModal([&](QWidget* report) {
    shoot(report, "7-importprotokoll");
    QTest::mouseClick(report->findChild<QPushButton*>("cmdSchliessen"), Qt::LeftButton);
  });
  QTest::mouseClick(Find<QPushButton>("cmdProtokoll"), Qt::LeftButton);

  dialogs_.qt.ShowHelp(1140);
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == "velraHelpWindow") {
      top->resize(900, 700);
      shoot(top, "8-hilfe");
      top->close();
    }
}

}  // namespace
}  // namespace velra::gui
