#pragma once
// What every command of importassistent-cli shares: the global options, the session they lead
// to, and the way messages and exit codes reach the caller.

#include <optional>
#include <string>
#include <vector>

#include "company/SessionContext.h"
#include "import/DataKind.h"

namespace velra::cli {

enum ExitCode { kOk = 0, kReportEntries = 1, kUsage = 2, kCannotOpen = 3 };

struct GlobalOptions {
  std::string programDir;  // --program-dir
  std::string company;     // --company
};

// Prints each problem on its own line to stderr.
void PrintProblems(const std::vector<std::string>& problems);

// Reads the environment of the program folder and selects the company as the wizard does at
// start-up: --company, else the environment's company. False (after printing why) when no
// company can be selected.
bool OpenSession(const GlobalOptions& options, SessionContext& session);

// The kind a user names ("Artikel" or its number); nullopt after saying on stderr which kinds
// there are.
std::optional<DataKind> KindOption(const std::string& text);

}  // namespace velra::cli
