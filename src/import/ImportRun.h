#pragma once
// The import run: every row of the grid becomes one new or updated record of the target table.
// One connection per run; each row is written completely or not at all; what could not be done
// goes into the report.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "company/SessionContext.h"
#include "import/ImportReport.h"
#include "import/ImportSettings.h"
#include "import/TestRun.h"
#include "mapping/GridColumns.h"
#include "source/SourceReader.h"
#include "source/SourceTable.h"

namespace velra {

struct ImportResult {
  enum class Status {
    Finished,    // every row was processed
    Cancelled,   // the user cancelled: the rows before the current one are written
    NotStarted,  // nothing was written (the database or a number range could not be used)
    Stopped,     // stopped on the way: the rows reported as written are written
  };
  Status status = Status::NotStarted;
  // German, for NotStarted and Stopped: the reason alone; the front ends say how the run ended.
  std::string message;
  ImportReport report;
  bool testRun = false;
  TestRunPreview preview;  // filled by a test run
  size_t deleted = 0;      // records deleted before the import, once that is committed
};

struct RunOptions {
  // The whole run in one transaction that is rolled back at the end; number-range counters,
  // picture downloads and every file are left alone. The report and the counts are those of the
  // real run that would follow.
  bool testRun = false;
  // Delete every record of the table first: once every check has passed, inside the first
  // batch's transaction, so that a run that does not start deletes nothing.
  bool deleteFirst = false;
  // While another run imports into the same table of the company, wait for it (false: do not
  // start). `waiting` is called a few times a second meanwhile with a German sentence.
  bool waitForOtherRun = true;
  // What loading the file noticed; each note becomes an entry of the report.
  const LoadReport* loadNotes = nullptr;
  std::function<void(const std::string& message)> waiting;
  // Set while the user is asked whether to cancel: the run commits the rows written so far and
  // waits before its next row until the flag is cleared; then `cancel` decides whether it goes on.
  const std::atomic<bool>* pause = nullptr;
};

// Called after each row with the row's number and the number of rows.
using RowProgress = std::function<void(size_t row, size_t rows)>;

ImportResult RunImport(const SessionContext& context, const ImportSettings& settings,
                       const SourceTable& source, const std::vector<GridColumn>& columns,
                       const RowProgress& progress, const std::atomic<bool>& cancel,
                       const RunOptions& options = {});

}  // namespace velra
