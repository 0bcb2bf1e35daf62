#include "gui/ReportDialog.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

#include "base/Text.h"
#include "gui/GuiTexts.h"
#include "gui/Look.h"
#include "import/ImportReport.h"
#include "shell/ShownTexts.h"

namespace velra::gui {

namespace {

constexpr const char* kCaption = "Importprotokoll";
constexpr const char* kHeaders[] = {"Zeile", "Spalte", "Feld", "Wert", "Grund"};
constexpr const char* kSaveAs = "Speichern unter...";
constexpr const char* kClose = "Schließen";
constexpr const char* kSaveTitle = "Importprotokoll speichern";
constexpr const char* kCsvFilter = "CSV-Datei (*.csv)";
constexpr const char* kDefaultName = "Importprotokoll.csv";
constexpr const char* kError = "Fehler";

enum Column { kLine, kColumn, kField, kValue, kReason, kColumnCount };

// Reads the entries in place: a report may list up to a hundred thousand of them.
class EntriesModel : public QAbstractTableModel {
 public:
  EntriesModel(const std::vector<ReportEntry>& entries, const ShownTexts& shown, QObject* parent)
      : QAbstractTableModel(parent), entries_(entries), shown_(shown) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : kColumnCount;
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const ReportEntry& entry = entries_[static_cast<size_t>(index.row())];
    switch (index.column()) {
      case kLine:
        // Entries of the run as a whole stand in no line; a number sorts numerically.
        if (role == Qt::ToolTipRole || entry.line == 0) return {};
        return static_cast<uint>(entry.line);
      case kColumn:
        return QString::fromStdString(entry.column);
      case kField:
        return QString::fromStdString(shown_.FieldName(entry.field));
      case kValue:
        return QString::fromStdString(entry.value);
      case kReason:
        return QString::fromStdString(entry.reason);
      default:
        return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumnCount)
      return QString::fromUtf8(kHeaders[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
  }

 private:
  const std::vector<ReportEntry>& entries_;
  const ShownTexts& shown_;
};

std::string Number(size_t value) {
  return QLocale(QLocale::German).toString(static_cast<qulonglong>(value)).toStdString();
}

}  // namespace

ReportDialog::ReportDialog(const ImportReport& report, const ShownTexts& shown, QWidget* parent)
    : QDialog(parent), report_(report), shown_(shown) {
  setWindowTitle(QString::fromUtf8(kCaption));
  resize(820, 520);

  auto* summary = new QLabel(this);
  summary->setObjectName("lbZusammenfassung");
  summary->setText(QString::fromStdString(
      Fill(texts::kReportWritten, {Number(report_.rowsWritten), Number(report_.added),
                                   Number(report_.updated), Number(report_.unchanged)}) +
      "\n" +
      Fill(texts::kReportNotWritten,
           {Number(report_.rowsRejected), Number(report_.EntryCount())})));

  auto* proxy = new QSortFilterProxyModel(this);
  proxy->setSourceModel(new EntriesModel(report_.Entries(), shown_, this));
  proxy->setSortLocaleAware(true);
  proxy->setSortCaseSensitivity(Qt::CaseInsensitive);

  auto* table = new QTableView(this);
  table->setObjectName("tblProtokoll");
  table->setModel(proxy);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setAlternatingRowColors(true);
  table->setWordWrap(false);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  // No sort column yet: the entries first appear in the order of the run.
  table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  table->setSortingEnabled(true);
  table->horizontalHeader()->setStretchLastSection(true);
  table->setColumnWidth(kLine, 60);
  table->setColumnWidth(kColumn, 130);
  table->setColumnWidth(kField, 130);
  table->setColumnWidth(kValue, 160);

  QLabel* note = nullptr;
  if (report_.Empty()) {
    note = new QLabel(QString::fromUtf8(texts::kReportNoEntries), this);
  } else if (report_.EntryCount() > report_.Entries().size()) {
    note = new QLabel(
        QString::fromStdString(Fill(texts::kReportTruncated, {Number(report_.EntryCount()),
                                                              Number(report_.Entries().size())})),
        this);
  }
  if (note) {
    note->setObjectName("lbHinweis");
    note->setWordWrap(true);
  }

  auto* save = new QPushButton(QString::fromUtf8(kSaveAs), this);
  save->setObjectName("cmdSpeichern");
  save->setAutoDefault(false);
  auto* close = new QPushButton(QString::fromUtf8(kClose), this);
  close->setObjectName("cmdSchliessen");
  close->setDefault(true);
  connect(save, &QPushButton::clicked, this, [this] { SaveAs(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save);
  buttons->addStretch();
  buttons->addWidget(close);

  QVBoxLayout* body = HeaderedLayout(this, QString::fromUtf8(kCaption), {12, 8, 12, 12});
  body->addWidget(summary);
  body->addWidget(table, 1);
  if (note) body->addWidget(note);
  body->addLayout(buttons);
}

void ReportDialog::SaveAs() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  QFileDialog dialog(this, QString::fromUtf8(kSaveTitle),
                     QDir(folder).filePath(QString::fromUtf8(kDefaultName)),
                     QString::fromUtf8(kCsvFilter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The suffix is added before the dialog asks about overwriting, so a name typed without it
  // cannot replace a file silently.
  dialog.setDefaultSuffix("csv");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SaveTo(dialog.selectedFiles().constFirst());
}

bool ReportDialog::SaveTo(const QString& path) {
  const auto fieldName = [this](const std::string& field) { return shown_.FieldName(field); };
  try {
    report_.SaveCsv(QFile::encodeName(path).toStdString(), fieldName);
    return true;
  } catch (const ImportError& e) {
    QMessageBox::warning(this, QString::fromUtf8(kError), QString::fromStdString(e.what()));
    return false;
  }
}

}  // namespace velra::gui
