#pragma once
// How an import run ended, in the words the window and the command line both use.

#include <cstddef>
#include <optional>
#include <string>

#include "import/ImportRun.h"

namespace velra {

// The sentence that ends a run over a file of `rows` rows:
// - finished: imported successfully, or imported with entries in the report, or (when none of
//   the file's rows could be written) not imported;
// - cancelled by the user;
// - stopped on the way: the reason and how many of the rows were saved;
// - not started: nothing was imported.
std::string ImportEndingText(const ImportResult& result, size_t rows);

// What the user learns when a run or test run has ended: the status line (as ImportEndingText
// says it for a run), a note that informs and an error that stands out, in that order.
struct RunEnding {
  std::string statusText;
  std::optional<std::string> note;
  std::optional<std::string> error;
};
RunEnding EndingOf(const ImportResult& result, size_t rows);

// True when the file did not get into the database: the run stopped or did not start, or it
// wrote none of the file's rows.
bool ImportFailed(const ImportResult& result, size_t rows);

}  // namespace velra
