#pragma once
// The options that name and describe the source file, alike for every command that reads one.

#include <CLI/CLI.hpp>

#include <string>

#include "source/SourceOpening.h"

namespace velra::cli {

struct SourceOptions {
  std::string file, table, separator = ";", qualifier = "\"", password;
  std::string lineBreakToken = "<br/>", encoding = "auto";
  bool noHeader = false;
};

void AddSourceOptions(CLI::App& command, SourceOptions& source);

// The source as the options name it; the format follows from the file's name (else CSV).
SourceRequest SourceRequestOf(const SourceOptions& source);

}  // namespace velra::cli
