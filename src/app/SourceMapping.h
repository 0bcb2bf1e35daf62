#pragma once
// A request's source loaded and its columns mapped in one step, for a front end that does not
// stop between them (the window loads and maps on its pages).

#include <string>
#include <vector>

#include "app/ImportRequest.h"
#include "company/SessionContext.h"
#include "mapping/FieldList.h"
#include "mapping/LayoutFile.h"
#include "source/SourceTable.h"

namespace velra {

struct LoadedSource {
  SourceTable table;
  LoadReport notes;                   // what loading noticed
  FieldList fields;                   // of the target table
  std::vector<std::string> problems;  // German: a list that could not be read, a column left out
};

// Loads the source of `request` (throws SourceError), reads the target table's fields and maps
// the columns automatically into request.columns; request.source.table becomes the table read.
LoadedSource LoadAndMap(const SessionContext& context, ImportRequest& request,
                        const LayoutFile& layout, bool useLearned,
                        const std::string& learnedPath = {});

}  // namespace velra
