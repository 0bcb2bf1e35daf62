#pragma once
// The wizard's dialogs on the command line: messages go to stderr, nothing is asked.

#include <iostream>

#include "shell/Dialogs.h"

namespace velra::cli {

class CliDialogs final : public Dialogs {
 public:
  void Message(const std::string& text, const std::string&, Icon icon) override {
    std::cerr << text << '\n';
    if (icon == Icon::Error) errorShown = true;
  }
  // Questions are answered by what the command's options say (e.g. --yes).
  bool Ask(const std::string&, const std::string&, bool) override { return answerYes; }
  std::optional<std::string> InputBox(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseFile(const std::string&, const std::string&, int) override {
    return std::nullopt;
  }
  void ShowHelp(int) override {}
  void RunStoragePicker(StoragePicker&) override {}

  bool errorShown = false;
  bool answerYes = false;
};

}  // namespace velra::cli
