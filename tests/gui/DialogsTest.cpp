// The window's dialogs on the offscreen platform: the warehouse picker, the import report and
// the help window. The program's main (GuiTestMain.cpp) makes the application.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "gui/HelpViewer.h"
#include "gui/ReportDialog.h"
#include "gui/StoragePickerDialog.h"
#include "gui/TestRunDialog.h"
#include "import/ImportReport.h"
#include "import/ImportRun.h"
#include "shell/ShownTexts.h"
#include "storage/StoragePicker.h"

namespace velra::gui {
namespace {

// While it lives, answers the next message box that comes up and records what it said.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      timer_.stop();
      title = box->windowTitle();
      text = box->text();
      box->accept();
    });
    timer_.start(10);
  }

  QString title, text;

 private:
  QTimer timer_;
};

template <typename T>
T* Named(QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

class PickerDialogTest : public ::testing::Test {
 protected:
  PickerDialogTest() {
    // Hall 1 with shelf B and place 03 on it; hall 2.
    StorageTree tree;
    tree.Add("Lagerorte", "H1", "Halle 1", 0, "1;Halle");
    tree.Add("Lagerorte", "H2", "Halle 2", 0, "2;Halle");
    tree.Add("H1", "H1-B", "Regal B", 1, "B;Regal");
    tree.Add("H1-B", "H1-B-03", "Fach 03", 2, "03;Fach");
    picker_.Load(std::move(tree), "-");
    picker_.Lagernummer = "alt";
  }

  // A fresh dialog over the picker, shown as the wizard shows it.
  StoragePickerDialog& Open() {
    dialog_ = std::make_unique<StoragePickerDialog>(picker_,
                                                    [this](int id) { helpCalls_.push_back(id); });
    dialog_->show();
    tree_ = Named<QTreeWidget>(*dialog_, "tvwLagerstruktur");
    return *dialog_;
  }

  QTreeWidgetItem* Item(const char* text) {
    QList<QTreeWidgetItem*> found = tree_->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    EXPECT_EQ(found.size(), 1) << text;
    return found.value(0);
  }

  void Click(const char* button) { Named<QPushButton>(*dialog_, button)->click(); }

  StoragePicker picker_;
  std::unique_ptr<StoragePickerDialog> dialog_;
  QTreeWidget* tree_ = nullptr;
  std::vector<int> helpCalls_;
};

TEST_F(PickerDialogTest, ShowsTheStructureUnderTheExpandedRoot) {
  Open();
  ASSERT_EQ(tree_->topLevelItemCount(), 1);
  QTreeWidgetItem* root = tree_->topLevelItem(0);
  EXPECT_EQ(root->text(0), "Lagerorte");
  EXPECT_TRUE(root->isExpanded());
  ASSERT_EQ(root->childCount(), 2);
  EXPECT_EQ(root->child(0)->text(0), "Halle 1");
  EXPECT_EQ(root->child(1)->text(0), "Halle 2");
  EXPECT_EQ(Item("Fach 03")->parent(), Item("Regal B"));
  EXPECT_FALSE(Item("Fach 03")->icon(0).isNull());
  EXPECT_EQ(tree_->currentItem(), root);
  EXPECT_EQ(dialog_->findChild<QLabel*>("lbLadefehler"), nullptr);
}

TEST_F(PickerDialogTest, OkTakesThePathOfTheSelectedLocationAndKeepsTheValueOnTheRoot) {
  Open();
  tree_->setCurrentItem(Item("Fach 03"));
  Click("cmdOK");
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(picker_.Lagernummer, "1-B-03");
  EXPECT_EQ(picker_.Action, 0);

  picker_.Lagernummer = "alt";
  Open();
  tree_->setCurrentItem(tree_->topLevelItem(0));
  Click("cmdOK");
  EXPECT_EQ(picker_.Lagernummer, "alt");
  EXPECT_EQ(picker_.Action, 0);
}

TEST_F(PickerDialogTest, ActivatingTheRootAsksForASubordinateLocationAndStaysOpen) {
  Open();
  tree_->setFocus();
  MessageBoxAnswerer seen;
  // Enter must not reach the default button as well, which would confirm the root.
  QTest::keyClick(tree_, Qt::Key_Return);
  EXPECT_EQ(seen.title, "Hinweis");
  EXPECT_EQ(seen.text, "Wählen Sie bitte ein untergeordnetes Lager aus.");
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_FALSE(picker_.Closed());
  EXPECT_EQ(picker_.Lagernummer, "alt");

  // A double click on a location takes it.
  QTreeWidgetItem* hall = Item("Halle 2");
  QPoint centre = tree_->visualItemRect(hall).center();
  QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, centre);
  QTest::mouseDClick(tree_->viewport(), Qt::LeftButton, {}, centre);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_EQ(picker_.Lagernummer, "2");

  // And so does Enter.
  picker_.Lagernummer = "alt";
  Open();
  tree_->setCurrentItem(Item("Regal B"));
  QTest::keyClick(tree_, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(picker_.Lagernummer, "1-B");
}

TEST_F(PickerDialogTest, CancelAndTheCloseBoxCancelWhileEscapeKeepsTheResult) {
  const std::vector<std::pair<std::function<void()>, int>> leavings = {
      {[this] { Click("cmdAbbrechen"); }, 1},
      {[this] { dialog_->close(); }, 1},
      {[this] { QTest::keyClick(tree_, Qt::Key_Escape); }, 0}};
  for (const auto& [leave, action] : leavings) {
    picker_.Action = 0;
    Open();
    tree_->setCurrentItem(Item("Fach 03"));
    leave();
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(picker_.Action, action);
    EXPECT_EQ(picker_.Lagernummer, "alt");
  }
}

TEST_F(PickerDialogTest, HelpButtonAndF1OpenThePickerHelp) {
  Open();
  Click("cmdHilfe");
  QTest::keyClick(tree_, Qt::Key_F1);
  EXPECT_EQ(helpCalls_, (std::vector<int>{1068, 1068}));
  EXPECT_TRUE(dialog_->isVisible());
}

TEST_F(PickerDialogTest, TheLocationPassedInIsSelected) {
  picker_.Lagernummer = "1-B-03";
  Open();
  QTreeWidgetItem* place = Item("Fach 03");
  EXPECT_EQ(tree_->currentItem(), place);
  EXPECT_TRUE(place->parent()->isExpanded());
  EXPECT_TRUE(place->parent()->parent()->isExpanded());
  Click("cmdOK");
  EXPECT_EQ(picker_.Lagernummer, "1-B-03");

  // A number that names no location leaves the root selected.
  picker_.Lagernummer = "9-Z";
  Open();
  EXPECT_EQ(tree_->currentItem(), tree_->topLevelItem(0));
}

TEST_F(PickerDialogTest, AStructureThatCannotBeReadShowsWhy) {
  test::TempDir dir;
  picker_.Load("Provider=SQLite;Data Source=" + (dir / "Fehlt.mdb"), "-");
  ASSERT_FALSE(picker_.LoadError().empty());
  Open();
  QLabel* error = Named<QLabel>(*dialog_, "lbLadefehler");
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->text().toStdString(), picker_.LoadError());
  ASSERT_EQ(tree_->topLevelItemCount(), 1);
  EXPECT_EQ(tree_->topLevelItem(0)->childCount(), 0);
}

class ReportDialogTest : public ::testing::Test {
 protected:
  ReportDialogTest() {
    report_.rowsWritten = 5;
    report_.added = 3;
    report_.updated = 1;
    report_.unchanged = 1;
    report_.rowsRejected = 1;
    report_.Add({10, 10, "Preis", "SalesPrice", "zehn", "'zehn' ist keine Zahl."});
    report_.Add({9, 9, "Datum", "DateCreation", "31.02.2026", "ist kein gültiges Datum."});
    report_.Add({0, 0, "Farbe", "Colour", "", "Das Feld gibt es in der Tabelle nicht."});
  }

  static QString Cell(QTableView* table, int row, int column) {
    return table->model()->index(row, column).data().toString();
  }

  ImportReport report_;
  // The fields as the wizard's field list offers them: "Colour" has no caption.
  static FieldList Captions() {
    FieldList list;
    list.choices = {{"SalesPrice", "Verkaufspreis netto"},
                    {"NetPrice", "Nettopreis"},
                    {"DateCreation", "Angelegt am"},
                    {"Active", "Aktiv"}};
    return list;
  }
  const ShownTexts shown_{Captions(), RegionalSettings::ForLocale("de_DE")};
};

TEST_F(ReportDialogTest, ListsEveryEntrySortableByLine) {
  ReportDialog dialog(report_, shown_);
  EXPECT_EQ(dialog.windowTitle(), "Importprotokoll");
  QTableView* table = Named<QTableView>(dialog, "tblProtokoll");
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->model()->rowCount(), 3);
  ASSERT_EQ(table->model()->columnCount(), 5);
  const QStringList headers = {"Zeile", "Spalte", "Feld", "Wert", "Grund"};
  for (int c = 0; c < 5; ++c)
    EXPECT_EQ(table->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);

  // First in the order of the run; an entry of the run as a whole stands in no line.
  EXPECT_EQ(Cell(table, 0, 0), "10");
  EXPECT_EQ(Cell(table, 0, 3), "zehn");
  // Fields by their caption, by the database name only without one.
  EXPECT_EQ(Cell(table, 0, 2), "Verkaufspreis netto");
  EXPECT_EQ(Cell(table, 1, 2), "Angelegt am");
  EXPECT_EQ(Cell(table, 2, 2), "Colour");
  EXPECT_EQ(Cell(table, 2, 0), "");
  EXPECT_EQ(Cell(table, 2, 4), "Das Feld gibt es in der Tabelle nicht.");

  // Lines sort as numbers, not as text.
  table->sortByColumn(0, Qt::AscendingOrder);
  EXPECT_EQ(Cell(table, 0, 0), "9");
  EXPECT_EQ(Cell(table, 1, 0), "10");
  EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);

  QString summary = Named<QLabel>(dialog, "lbZusammenfassung")->text();
  EXPECT_TRUE(
      summary.contains("Geschriebene Zeilen: 5 (neu angelegt: 3, geändert: 1, "
                       "unverändert: 1)"))
      << summary.toStdString();
  EXPECT_TRUE(summary.contains("Nicht importierte Zeilen: 1, Meldungen im Protokoll: 3"));
  EXPECT_EQ(dialog.findChild<QLabel*>("lbHinweis"), nullptr);
}

TEST_F(ReportDialogTest, SaysWhenOnlyPartOfTheEntriesIsListed) {
  for (size_t i = 0; i < ImportReport::kMaxEntries; ++i)
    report_.Add({1, 1, "A", "B", "x", "Grund"});
  ASSERT_GT(report_.EntryCount(), report_.Entries().size());
  ReportDialog dialog(report_, shown_);
  EXPECT_EQ(Named<QTableView>(dialog, "tblProtokoll")->model()->rowCount(),
            static_cast<int>(ImportReport::kMaxEntries));
  QString note = Named<QLabel>(dialog, "lbHinweis")->text();
  EXPECT_TRUE(note.contains("100.003")) << note.toStdString();
  EXPECT_TRUE(note.contains("100.000")) << note.toStdString();
}

TEST_F(ReportDialogTest, SavesTheReportAsCsvAndShowsWhyItCannot) {
  test::TempDir dir;
  ReportDialog dialog(report_, shown_);
  const std::string path = dir / "Protokoll äöü.csv";
  ASSERT_TRUE(dialog.SaveTo(QString::fromStdString(path)));
  const std::string csv = test::ReadBytes(path);
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBFZeile;Spalte;Feld;Wert;Grund\r\n", 0), 0u);
  EXPECT_NE(csv.find("10;Preis;Verkaufspreis netto;zehn;"), std::string::npos) << csv;

  MessageBoxAnswerer seen;
  EXPECT_FALSE(dialog.SaveTo(QString::fromStdString(dir / "fehlt/Protokoll.csv")));
  EXPECT_EQ(seen.title, "Fehler");
  EXPECT_TRUE(seen.text.contains("Protokoll.csv")) << seen.text.toStdString();
}

// The test run shows fields by their caption and values as the user writes them: flags as
// Ja/Nein, prices grouped with two decimals, quantities with the decimals they have.
TEST_F(ReportDialogTest, TheTestRunShowsCaptionsAndValuesAsTheUserWritesThem) {
  ImportResult result;
  result.testRun = true;
  RecordPreview added{1, 2, RecordPreview::Action::Add, "10001", {}};
  added.fields = {{"NetPrice", Value(), Value(1234.5)},
                  {"Active", Value(), Value(true)},
                  {"Colour", Value(), Value("rot")}};
  RecordPreview changed{2, 3, RecordPreview::Action::Update, "10002", {}};
  changed.fields = {{"Active", Value(true), Value(false)},
                    {"DateCreation", Value(DateTime{2026, 3, 1}), Value(DateTime{2026, 3, 2})},
                    {"Stock", Value(0.5), Value(1234.125)}};
  result.preview.firstRows = {added, changed};
  result.preview.changed = {changed};
  TestRunDialog dialog(result, 2, shown_, [] {});

  // Per field of the tree's first record: the field, then its value or its old and new value.
  auto fields = [&](const char* tree) {
    std::vector<std::string> out;
    QTreeWidgetItem* record = Named<QTreeWidget>(dialog, tree)->topLevelItem(0);
    for (int i = 0; record && i < record->childCount(); ++i) {
      QStringList texts;
      for (int c = 2; c < record->child(i)->columnCount(); ++c) texts << record->child(i)->text(c);
      out.push_back(texts.join(" | ").toStdString());
    }
    return out;
  };
  EXPECT_EQ(fields("tvwErsteZeilen"),
            (std::vector<std::string>{"Nettopreis | 1.234,50", "Aktiv | Ja", "Colour | rot"}));
  EXPECT_EQ(fields("tvwAenderungen"),
            (std::vector<std::string>{"Aktiv | Ja | Nein", "Angelegt am | 01.03.2026 | 02.03.2026",
                                      "Stock | 0,5 | 1.234,125"}));
}

class HelpTest : public ::testing::Test {
 protected:
  static QWidget* HelpWindow() {
    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::allWidgets())
      if (widget->objectName() == "velraHelpWindow") {
        EXPECT_EQ(found, nullptr) << "more than one help window";
        found = widget;
      }
    return found;
  }

  static QTextBrowser* Browser() {
    QWidget* window = HelpWindow();
    return window ? window->findChild<QTextBrowser*>("helpBrowser") : nullptr;
  }
};

TEST_F(HelpTest, OneWindowShowsThePageOfEachContext) {
  ShowHelpTopic(kWizardHelp, nullptr);
  QWidget* window = HelpWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  ASSERT_NE(Browser(), nullptr);
  EXPECT_EQ(Browser()->documentTitle(), "Importassistent");
  EXPECT_TRUE(window->windowTitle().contains("Importassistent"));
  EXPECT_TRUE(Browser()->toPlainText().contains("Feldzuordnung"));

  window->close();
  ShowHelpTopic(kStoragePickerHelp, nullptr);
  EXPECT_EQ(HelpWindow(), window);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(Browser()->documentTitle(), "Lagerort wählen");

  ShowHelpTopic(4711, nullptr);
  EXPECT_EQ(Browser()->documentTitle(), "Keine Hilfe vorhanden");
  EXPECT_TRUE(Browser()->toPlainText().contains("4711"));

  // The page that was shown before the missing one must load again.
  ShowHelpTopic(kStoragePickerHelp, nullptr);
  EXPECT_EQ(Browser()->documentTitle(), "Lagerort wählen");
}

// Every link of the pages leads to a page that exists, and to an anchor that exists on it.
TEST_F(HelpTest, LinksBetweenThePagesWork) {
  for (int page : {kWizardHelp, kStoragePickerHelp}) {
    ShowHelpTopic(page, nullptr);
    QTextBrowser* browser = Browser();
    ASSERT_NE(browser, nullptr);
    const QUrl source = browser->source();
    std::vector<QString> links;
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
      for (auto it = block.begin(); !it.atEnd(); ++it)
        if (QString href = it.fragment().charFormat().anchorHref(); !href.isEmpty())
          links.push_back(href);
    EXPECT_FALSE(links.empty()) << page;

    for (const QString& link : links) {
      const QUrl target = source.resolved(QUrl(link));
      browser->setSource(target);
      EXPECT_EQ(browser->source().adjusted(QUrl::RemoveFragment),
                target.adjusted(QUrl::RemoveFragment))
          << link.toStdString();
      EXPECT_FALSE(browser->documentTitle().isEmpty()) << link.toStdString();
      if (!target.fragment().isEmpty()) {
        bool found = false;
        for (QTextBlock block = browser->document()->begin(); block.isValid() && !found;
             block = block.next())
          for (auto it = block.begin(); !it.atEnd() && !found; ++it)
            found = it.fragment().charFormat().anchorNames().contains(target.fragment());
        EXPECT_TRUE(found) << "no anchor for " << link.toStdString();
      }
      browser->setSource(source);
    }
  }
}

TEST_F(HelpTest, HelpAskedForInAModalDialogCanBeUsedThere) {
  QWidget main;
  main.show();
  ShowHelpTopic(kWizardHelp, &main);
  EXPECT_EQ(HelpWindow()->parentWidget(), &main);

  // A modal dialog blocks every window that is not its own.
  auto dialog = std::make_unique<QDialog>(&main);
  dialog->setModal(true);
  dialog->show();
  ShowHelpTopic(kStoragePickerHelp, &main);
  QPointer<QWidget> window = HelpWindow();
  EXPECT_EQ(window->parentWidget(), dialog.get());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(Browser()->documentTitle(), "Lagerort wählen");

  // The help goes with the dialog; the next call opens it afresh.
  dialog.reset();
  EXPECT_TRUE(window.isNull());
  ShowHelpTopic(kWizardHelp, &main);
  ASSERT_NE(HelpWindow(), nullptr);
  EXPECT_EQ(HelpWindow()->parentWidget(), &main);
  EXPECT_EQ(Browser()->documentTitle(), "Importassistent");
}

}  // namespace
}  // namespace velra::gui
