#pragma once
// The warehouse location picker: the storage tree, OK, Abbrechen, Hilfe. The behaviour is the
// StoragePicker's; the dialog shows its tree and forwards the user's actions.

#include <QDialog>
#include <functional>

class QCloseEvent;
class QKeyEvent;
class QTreeWidget;

namespace velra {
class StoragePicker;
}

namespace velra::gui {

class StoragePickerDialog : public QDialog {
 public:
  // `showHelp` opens the help at a context id.
  StoragePickerDialog(StoragePicker& picker, std::function<void(int)> showHelp,
                      QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  StoragePicker& picker_;
  std::function<void(int)> showHelp_;
  QTreeWidget* tree_ = nullptr;
};

}  // namespace velra::gui
