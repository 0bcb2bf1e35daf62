#pragma once
// The subcommands of importassistent-cli. Each Add function registers one subcommand whose
// callback stores its exit code in `exitCode`.

#include <CLI/CLI.hpp>

#include "cli/CliContext.h"

namespace velra::cli {

void AddDemoCommand(CLI::App& app, int& exitCode);
void AddCompaniesCommand(CLI::App& app, const GlobalOptions& options, int& exitCode);
void AddCompanyCommand(CLI::App& app, const GlobalOptions& options, int& exitCode);
void AddPreviewCommand(CLI::App& app, const GlobalOptions& options, int& exitCode);
void AddFieldsCommand(CLI::App& app, const GlobalOptions& options, int& exitCode);
void AddImportCommand(CLI::App& app, const GlobalOptions& options, int& exitCode);

}  // namespace velra::cli
