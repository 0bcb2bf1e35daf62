#pragma once
// The help of importassistent-cli in German: the command-line library's own words (headings,
// placeholders of values, the help flag) and --version.

#include <CLI/CLI.hpp>

namespace velra::cli {

// Before any option or command is added: the labels, the help and version flags and the group of
// options, which every command added afterwards takes over.
void PrepareGermanHelp(CLI::App& app);
// After every command is added: the headings the commands and their help flags stand under (a
// command takes its help flag over before the group of options).
void FinishGermanHelp(CLI::App& app);

}  // namespace velra::cli
