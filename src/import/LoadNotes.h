#pragma once
// What loading the file noticed belongs to the run's report: a value a reader could not keep is
// a value not imported, however the rest of its row went.

#include "import/ImportReport.h"
#include "source/SourceReader.h"
#include "source/SourceTable.h"

namespace velra {

// One report entry per note, at the grid row of its line (row 0 for notes on the file as a
// whole) with the column and value of its cell, and one entry that counts the notes beyond those
// kept.
void AddLoadNotes(const LoadReport& notes, const SourceTable& source, ImportReport& report);

}  // namespace velra
