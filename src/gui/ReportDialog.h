#pragma once
// The import report: one line per value or row that was not imported, and "Speichern unter..."
// for a spreadsheet.

#include <QDialog>

namespace velra {
class ImportReport;
}

namespace velra::gui {

class ReportDialog : public QDialog {
 public:
  explicit ReportDialog(const ImportReport& report, QWidget* parent = nullptr);

  // Writes the report as CSV; a failure is shown to the user. "Speichern unter..." ends here
  // after the file dialog.
  bool SaveTo(const QString& path);

 private:
  void SaveAs();

  const ImportReport& report_;
};

}  // namespace velra::gui
