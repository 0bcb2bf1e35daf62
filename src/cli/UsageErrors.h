#pragma once
// Mistakes on the command line, told in one German line whatever the command-line library calls
// them, and the checks of option values whose complaints are German too.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace velra::cli {

// The line for a parse error of `app`, the program with the subcommands parsed so far.
std::string UsageMessage(const CLI::App& app, const CLI::ParseError& error);

// Checks for add_option(...)->check(...). Their complaint continues "Die Option --name ".
// One of `values`, exactly as written.
CLI::Validator OneOf(std::vector<std::string> values);
// A whole number from `min` to `max`.
CLI::Validator WholeNumber(int64_t min, int64_t max = std::numeric_limits<int64_t>::max());

}  // namespace velra::cli
