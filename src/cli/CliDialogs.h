#pragma once
// The wizard's dialogs on the command line: messages go to stderr, nothing is asked.

#include <iostream>
#include <string>

#include "shell/Dialogs.h"

namespace velra::cli {

class CliDialogs final : public Dialogs {
 public:
  void Message(const std::string& text, const std::string&, Icon icon) override {
    std::cerr << text << '\n';
    if (icon == Icon::Error) errorShown = true;
  }
  // Questions are answered by what the command's options say (e.g. --yes); on a terminal the
  // user is asked.
  bool Ask(const std::string& text, const std::string&, bool) override {
    if (answerYes || !interactive) return answerYes;
    std::cerr << text << " [j/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "j" || answer == "J" || answer == "ja" || answer == "Ja";
  }
  std::optional<std::string> InputBox(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseFile(const std::string&, const std::string&, int,
                                        const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&,
                                            const std::string&) override {
    return std::nullopt;
  }
  void ShowHelp(int) override {}
  void RunStoragePicker(StoragePicker&) override {}

  bool errorShown = false;
  bool answerYes = false;
  bool interactive = false;
};

}  // namespace velra::cli
