#pragma once
// The run of a request over its loaded source, and what follows it: the rows it did not import
// written to a file of their own.

#include <atomic>
#include <string>

#include "app/ImportRequest.h"
#include "company/SessionContext.h"
#include "import/ImportRun.h"
#include "import/RejectFile.h"

namespace velra {

// The run (or, with options.testRun, the test run) of a request that RunProblem let pass, over
// `source`, loaded as the request says. `progress`, `options.waiting` and the reads of `cancel`
// and `options.pause` happen on the calling thread; nothing else of the front end is touched.
ImportResult RunJob(const SessionContext& context, const ImportRequest& request,
                    const SourceTable& source, const RowProgress& progress,
                    const std::atomic<bool>& cancel, RunOptions options);

struct RejectSave {
  RejectFileResult written;
  std::string message;  // German: what the user learns (saved where, nothing to save, or why not)
  bool failed = false;  // the file could not be written
};

// Writes the rows of `report` that were not imported to `path`, in the form of the source so that
// they can be mended and imported again. The import file and the files of the suite are never
// written.
RejectSave SaveRejectedRows(const SessionContext& context, const ImportRequest& request,
                            const SourceTable& source, const LoadReport& loadNotes,
                            const ImportReport& report, const std::string& path);

}  // namespace velra
