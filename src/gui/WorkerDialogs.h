#pragma once
// The wizard's dialogs while its work may run on a worker thread under the modal progress window.
// A message the work gives is kept and shown once the work has ended and the progress window is
// gone: a message box under the progress window would block both. A question, prompt or picker
// the work needs answered at once is shown after `aside(true)` has put the progress window out of
// the way, and `aside(false)` brings it back.

#include <functional>
#include <mutex>
#include <vector>

#include "shell/Dialogs.h"

namespace velra::gui {

class WorkerDialogs final : public Dialogs {
 public:
  explicit WorkerDialogs(Dialogs& dialogs) : dialogs_(dialogs) {}

  // Called on the worker thread; it must carry the request over to the window's thread.
  std::function<void(bool aside)> aside;
  // Brings the window up to date before a dialog opens on its thread, so that the dialog's
  // question fits what the window shows (the status bar names the file a password is asked for).
  std::function<void()> showState;
  // Shows the messages kept since the last call, in their order (window's thread).
  void ShowKept();

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
  struct Kept {
    std::string text, title;
    Icon icon;
  };
  // Runs a dialog the caller waits for; from a worker with the progress window aside.
  template <typename F>
  auto Answered(F dialog) -> decltype(dialog());

  Dialogs& dialogs_;
  std::mutex mutex_;
  std::vector<Kept> kept_;
};

}  // namespace velra::gui
