#pragma once
// The wizard's dialogs as Qt message boxes, input box and file dialog. Calls from a worker thread
// (a load or an import running in the background) are carried over to the window's thread and
// wait for the answer there.

#include <QWidget>

#include "shell/Dialogs.h"

namespace velra::gui {

class QtDialogs final : public Dialogs {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }

  void Message(const std::string& text, const std::string& title, Icon icon) override;
  bool Ask(const std::string& text, const std::string& title, bool yesIsDefault) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title) override;
  std::optional<std::string> ChooseFile(const std::string& title, const std::string& filter,
                                        int filterIndex, const std::string& lastFile) override;
  std::optional<std::string> ChooseSaveFile(const std::string& title, const std::string& filter,
                                            const std::string& defaultName) override;
  void ShowHelp(int contextId) override;
  void RunStoragePicker(StoragePicker& picker) override;

 private:
  QWidget* parent_ = nullptr;
};

// Where the file dialog starts: the folder of `lastFile` while it exists, else the home folder.
QString StartFolder(const std::string& lastFile);

// "Text (*.txt) |*.txt|..." as Qt's name filters ("Text (*.txt)").
QStringList QtNameFilters(const std::string& filter);

}  // namespace velra::gui
