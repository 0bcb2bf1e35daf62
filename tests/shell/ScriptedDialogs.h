#pragma once
// A Dialogs port that answers from a script and records what the wizard showed.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/Dialogs.h"

namespace velra::test {

class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    std::string text, title;
    Icon icon;
  };
  std::vector<Shown> messages;
  std::vector<Shown> questions;
  std::vector<std::string> prompts;
  std::vector<int> helpTopics;

  std::deque<bool> answers;                          // Ask: empty means No
  std::deque<std::optional<std::string>> inputs;     // InputBox: empty means cancel
  std::deque<std::optional<std::string>> files;      // ChooseFile: empty means cancel
  std::deque<std::optional<std::string>> saveFiles;  // ChooseSaveFile: empty means cancel
  std::function<void(StoragePicker&)> storageScript;

  void Message(const std::string& text, const std::string& title, Icon icon) override {
    messages.push_back({text, title, icon});
  }
  bool Ask(const std::string& text, const std::string& title, bool) override {
    questions.push_back({text, title, Icon::Question});
    if (answers.empty()) return false;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> InputBox(const std::string& prompt, const std::string&) override {
    prompts.push_back(prompt);
    if (inputs.empty()) return std::nullopt;
    auto answer = inputs.front();
    inputs.pop_front();
    return answer;
  }
  std::optional<std::string> ChooseFile(const std::string&, const std::string&, int filterIndex,
                                        const std::string& lastFile) override {
    lastFilterIndex = filterIndex;
    lastFileGiven = lastFile;
    if (files.empty()) return std::nullopt;
    auto file = files.front();
    files.pop_front();
    return file;
  }
  std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&,
                                            const std::string&) override {
    if (saveFiles.empty()) return std::nullopt;
    auto file = saveFiles.front();
    saveFiles.pop_front();
    return file;
  }
  void ShowHelp(int contextId) override { helpTopics.push_back(contextId); }
  void RunStoragePicker(StoragePicker& picker) override {
    if (storageScript) storageScript(picker);
  }

  int lastFilterIndex = 0;
  std::string lastFileGiven;  // where the last file dialog started
};

}  // namespace velra::test
