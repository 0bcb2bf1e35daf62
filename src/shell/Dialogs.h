#pragma once
// What the wizard asks of its window: message boxes, questions, the input box, the file dialog,
// help, and the warehouse picker. The Qt window implements it; tests script it.

#include <optional>
#include <string>

namespace velra {

class StoragePicker;

class Dialogs {
 public:
  enum class Icon { Information, Question, Warning, Error };

  virtual ~Dialogs() = default;
  virtual void Message(const std::string& text, const std::string& title, Icon icon) = 0;
  // Yes/No with the question icon; true for Yes.
  virtual bool Ask(const std::string& text, const std::string& title, bool yesIsDefault) = 0;
  // nullopt when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& prompt,
                                              const std::string& title) = 0;
  // The file-open dialog; nullopt when cancelled. `filter` as "Text (*.x) |*.x|...". It starts
  // in the folder of `lastFile` (the file chosen before), else in the home folder.
  virtual std::optional<std::string> ChooseFile(const std::string& title, const std::string& filter,
                                                int filterIndex, const std::string& lastFile) = 0;
  // The file-save dialog, asking before it replaces a file; nullopt when cancelled.
  virtual std::optional<std::string> ChooseSaveFile(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& defaultName) = 0;
  virtual void ShowHelp(int contextId) = 0;
  // Shows the warehouse picker modally; returns when it is closed.
  virtual void RunStoragePicker(StoragePicker& picker) = 0;
};

}  // namespace velra
