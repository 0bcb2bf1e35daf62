#pragma once
// How an import run ended, in the words the window and the command line both use.

#include <cstddef>
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

// True when the file did not get into the database: the run stopped or did not start, or it
// wrote none of the file's rows.
bool ImportFailed(const ImportResult& result, size_t rows);

}  // namespace velra
