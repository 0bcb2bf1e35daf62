#pragma once
// The properties every reader of tables (workbooks, dBase folders) must keep, checked on each
// table it lists: a load fails only with a SourceError and then leaves no data; the same table
// loads the same a second time; loaded without names it is the table with names plus the
// first row.

#include <functional>
#include <memory>
#include <string>

#include "source/SourceReader.h"

namespace velra::fuzz {

// `open` opens the source anew (throws SourceError when it cannot). At most `maxTables` tables
// are loaded.
void CheckTables(const std::function<std::unique_ptr<SourceReader>()>& open, size_t maxTables,
                 bool namesFromFirstRow);

}  // namespace velra::fuzz
