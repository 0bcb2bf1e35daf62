#pragma once
// The import report: one line per value or row that was not imported, and "Speichern unter..."
// for a spreadsheet.

#include <QDialog>

namespace velra {
class ImportReport;
class ShownTexts;
}  // namespace velra

namespace velra::gui {

class ReportDialog : public QDialog {
 public:
  // `shown` names the fields; it must outlive the dialog.
  ReportDialog(const ImportReport& report, const ShownTexts& shown, QWidget* parent = nullptr);

  // Writes the report as CSV; a failure is shown to the user. "Speichern unter..." ends here
  // after the file dialog.
  bool SaveTo(const QString& path);

 private:
  void SaveAs();

  const ImportReport& report_;
  const ShownTexts& shown_;
};

}  // namespace velra::gui
