#pragma once
// One import as a front end asks for it: what to import (the kind and the settings page), from
// where (the source), with which columns on which fields, and whether the table is emptied first.
// The window builds it from its controls, the command line from its options and profiles; the
// steps in this folder take it from there.

#include <string>
#include <vector>

#include "import/ImportSettings.h"
#include "mapping/GridColumns.h"
#include "source/SourceOpening.h"

namespace velra {

struct ImportRequest {
  ImportSettings settings;  // the kind, its table, the key and the settings page
  // The caption of the synchronisation field as the user chose it (its field is in settings).
  std::string synchronisationCaption;
  bool deleteFirst = false;  // every record of the table is deleted first
  SourceRequest source;
  std::vector<GridColumn> columns;  // the source's columns and the fields they go to
};

// The settings a kind starts with, as the settings page shows them before the user changes
// anything.
ImportSettings DefaultSettings(DataKind kind);

}  // namespace velra
