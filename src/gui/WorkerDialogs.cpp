#include "gui/WorkerDialogs.h"

#include <QCoreApplication>
#include <QThread>

namespace velra::gui {

namespace {

bool OnWorker() {
  return QThread::currentThread() != QCoreApplication::instance()->thread();
}

}  // namespace

template <typename F>
auto WorkerDialogs::Answered(F dialog) -> decltype(dialog()) {
  if (!OnWorker()) {
    if (showState) showState();
    return dialog();
  }
  if (!aside) return dialog();
  aside(true);
  struct Back {
    const std::function<void(bool)>& aside;
    ~Back() { aside(false); }
  } back{aside};
  return dialog();
}

void WorkerDialogs::ShowKept() {
  std::vector<Kept> kept;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    kept.swap(kept_);
  }
  for (const Kept& message : kept) dialogs_.Message(message.text, message.title, message.icon);
}

void WorkerDialogs::Message(const std::string& text, const std::string& title, Icon icon) {
  if (!OnWorker()) {
    dialogs_.Message(text, title, icon);
    return;
  }
  std::lock_guard<std::mutex> hold(mutex_);
  kept_.push_back({text, title, icon});
}

bool WorkerDialogs::Ask(const std::string& text, const std::string& title, bool yesIsDefault) {
  return Answered([&] { return dialogs_.Ask(text, title, yesIsDefault); });
}

std::optional<std::string> WorkerDialogs::InputBox(const std::string& prompt,
                                                   const std::string& title) {
  return Answered([&] { return dialogs_.InputBox(prompt, title); });
}

std::optional<std::string> WorkerDialogs::ChooseFile(const std::string& title,
                                                     const std::string& filter, int filterIndex,
                                                     const std::string& lastFile) {
  return Answered([&] { return dialogs_.ChooseFile(title, filter, filterIndex, lastFile); });
}

std::optional<std::string> WorkerDialogs::ChooseSaveFile(const std::string& title,
                                                         const std::string& filter,
                                                         const std::string& defaultName) {
  return Answered([&] { return dialogs_.ChooseSaveFile(title, filter, defaultName); });
}

void WorkerDialogs::ShowHelp(int contextId) {
  Answered([&] {
    dialogs_.ShowHelp(contextId);
    return 0;
  });
}

void WorkerDialogs::RunStoragePicker(StoragePicker& picker) {
  Answered([&] {
    dialogs_.RunStoragePicker(picker);
    return 0;
  });
}

}  // namespace velra::gui
