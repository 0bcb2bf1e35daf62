#pragma once
// Commands that work on a kind of data drive the wizard itself, so that the command line and the
// window load, map and import in exactly the same way.

#include <CLI/CLI.hpp>

#include <string>

#include "cli/CliContext.h"
#include "cli/CliDialogs.h"
#include "shell/Wizard.h"

namespace velra::cli {

struct SourceOptions {
  std::string file, table, separator = ";", qualifier = "\"", password;
  std::string lineBreakToken = "<br/>", encoding = "auto";
  bool noHeader = false;
};

// The options that name and describe the source file, alike for every command that reads one.
void AddSourceOptions(CLI::App& command, SourceOptions& source);

// Starts the wizard on the company of the global options and chooses the kind ("Artikel" or its
// number). Returns kOk, or after saying why on stderr kUsage (no such kind) or kCannotOpen.
int StartWizard(const GlobalOptions& options, const std::string& kind, Wizard& wizard);

// Chooses the source file and moves on to the mapping page, which loads and maps it. False when
// the file could not be read.
bool LoadSourceForMapping(const SourceOptions& source, Wizard& wizard, CliDialogs& dialogs);

// "\t" and "tab" stand for the tab character, which a shell does not pass easily.
std::string SeparatorOption(const std::string& text);

}  // namespace velra::cli
