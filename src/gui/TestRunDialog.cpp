#include "gui/TestRunDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/Text.h"
#include "gui/GuiTexts.h"
#include "gui/Look.h"
#include "gui/ReportDialog.h"
#include "import/ImportRun.h"
#include "shell/ShownTexts.h"

namespace velra::gui {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QTreeWidget* Tree(const QStringList& headers, const char* name) {
  auto* tree = new QTreeWidget;
  tree->setObjectName(name);
  tree->setHeaderLabels(headers);
  tree->setAlternatingRowColors(true);
  tree->header()->setSectionResizeMode(QHeaderView::Interactive);
  tree->header()->setStretchLastSection(true);
  return tree;
}

// One record with its fields below it: new values, or old and new ones.
void AddRecord(QTreeWidget* tree, const RecordPreview& record, bool withBefore,
               const ShownTexts& shown) {
  auto* item = new QTreeWidgetItem({record.line ? QString::number(record.line) : QString(),
                                    ActionText(record.action), Q(record.key)});
  for (const FieldChange& change : record.fields) {
    auto* field =
        new QTreeWidgetItem(item, {QString(), QString(), Q(shown.FieldName(change.field))});
    const QString after = Q(shown.ValueText(change.after, change.field));
    field->setText(3, withBefore ? Q(shown.ValueText(change.before, change.field)) : after);
    if (withBefore) field->setText(4, after);
  }
  tree->addTopLevelItem(item);
}

QLabel* More(size_t count, const char* what) {
  return new QLabel(Q(Fill(texts::kTestRunMore, {std::to_string(count), what})));
}

// A tab's or a button's caption with a count.
QString Counted(const char* caption, size_t count) {
  return Q(Fill(caption, {std::to_string(count)}));
}

}  // namespace

TestRunDialog::TestRunDialog(const ImportResult& result, size_t rows, const ShownTexts& shown,
                             std::function<void()> saveRejects, QWidget* parent)
    : QDialog(parent) {
  setObjectName("frmTestlauf");
  setWindowTitle("Testlauf");
  resize(860, 600);
  QVBoxLayout* body = HeaderedLayout(this, "Testlauf", {12, 8, 12, 12});
  const TestRunPreview& preview = result.preview;
  const ImportReport& report = result.report;

  QStringList lines{Q(report.Summary(rows)), texts::kTestRunNothingSaved};
  for (const std::string& note : preview.notes) lines << Q(note);
  auto* summary = new QLabel(lines.join('\n'));
  summary->setObjectName("lbZusammenfassung");
  summary->setWordWrap(true);
  body->addWidget(summary);

  auto* tabs = new QTabWidget;
  QTreeWidget* first = Tree({"Zeile", "Aktion", "Schlüssel / Feld", "Wert"}, "tvwErsteZeilen");
  for (const RecordPreview& record : preview.firstRows) AddRecord(first, record, false, shown);
  first->expandAll();
  tabs->addTab(first, "Erste Zeilen");

  auto* changedPage = new QWidget;
  auto* changedLayout = new QVBoxLayout(changedPage);
  QTreeWidget* changed =
      Tree({"Zeile", "Aktion", "Schlüssel / Feld", "Bisher", "Neu"}, "tvwAenderungen");
  for (const RecordPreview& record : preview.changed) AddRecord(changed, record, true, shown);
  changedLayout->addWidget(changed);
  if (preview.moreChanged)
    changedLayout->addWidget(More(preview.moreChanged, texts::kTestRunMoreChanged));
  tabs->addTab(changedPage, Counted(texts::kTestRunChanges, report.updated));

  auto* duplicatePage = new QWidget;
  auto* duplicateLayout = new QVBoxLayout(duplicatePage);
  QTreeWidget* duplicates = Tree({"Schlüssel", "Zeilen der Datei"}, "tvwDoppelteSchluessel");
  for (const DuplicateKey& duplicate : preview.duplicates) {
    QStringList numbers;
    for (uint32_t line : duplicate.lines) numbers << QString::number(line);
    duplicates->addTopLevelItem(new QTreeWidgetItem({Q(duplicate.key), numbers.join(", ")}));
  }
  duplicateLayout->addWidget(duplicates);
  if (preview.moreDuplicates)
    duplicateLayout->addWidget(More(preview.moreDuplicates, texts::kTestRunMoreDuplicates));
  tabs->addTab(duplicatePage, Counted(texts::kTestRunDuplicates,
                                      preview.duplicates.size() + preview.moreDuplicates));
  body->addWidget(tabs, 1);

  auto* buttons = new QHBoxLayout;
  auto* showReport = new QPushButton(Counted(texts::kTestRunShowReport, report.EntryCount()));
  showReport->setObjectName("cmdProtokoll");
  showReport->setEnabled(!report.Empty());
  auto* rejects = new QPushButton("Abgewiesene Zeilen speichern...");
  rejects->setObjectName("cmdAbgewiesene");
  rejects->setEnabled(!report.RowsRejected().empty());
  auto* close = new QPushButton("Schließen");
  close->setObjectName("cmdSchliessen");
  close->setDefault(true);
  buttons->addWidget(showReport);
  buttons->addWidget(rejects);
  buttons->addStretch();
  buttons->addWidget(close);
  body->addLayout(buttons);
  connect(showReport, &QPushButton::clicked, this, [this, &report, &shown] {
    ReportDialog dialog(report, shown, this);
    dialog.exec();
  });
  connect(rejects, &QPushButton::clicked, this, [saveRejects] { saveRejects(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace velra::gui
