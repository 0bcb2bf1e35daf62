#pragma once
// What the import command tells its caller: the result as text for people or as JSON for
// scripts, and the progress of the run on a terminal.

#include <chrono>
#include <string>

#include "app/ColumnMapping.h"
#include "base/Regional.h"
#include "import/ImportRun.h"

namespace velra::cli {

// Where a reject file went (empty path: none was asked for).
struct RejectOutcome {
  std::string path;
  size_t rows = 0;
  std::string error;
};

// A run that has ended, with what the user learns of it.
struct RunOutput {
  const ImportResult& result;
  std::string text;  // how it ended (see EndingOf)
  size_t rows = 0;   // of the file
  RegionalSettings regional;
};

// The counts, the test run's preview and the report entries, for people (stdout and stderr).
void PrintResult(const RunOutput& output);

// The same as one JSON object on stdout.
void PrintJson(const RunOutput& output, const ProfileFit& fit, const RejectOutcome& reject);

// A progress line on stderr with rows per second and the time still needed; redrawn at most
// ten times a second.
class ProgressLine {
 public:
  void Show(size_t row, size_t rows);
  // A line of its own in place of the progress, such as the wait for another run.
  void ShowText(const std::string& text);
  void Clear();

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shown_;
  bool drawn_ = false;
};

}  // namespace velra::cli
