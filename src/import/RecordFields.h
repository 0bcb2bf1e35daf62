#pragma once
// Fields of a table found once by their names, for a record that sets them row by row. A field
// the table lacks is not set.

#include <span>
#include <utility>
#include <vector>

#include "db/TargetTable.h"
#include "import/RowRecord.h"

namespace velra {

class RecordFields {
 public:
  RecordFields(const TargetTable& table, std::span<const char* const> names) {
    for (const char* name : names) indices_.push_back(table.IndexOf(name));
  }

  // Sets the field named at `position` of the names.
  void Set(RowRecord& record, size_t position, Value value) const {
    if (const int index = indices_[position]; index >= 0) record.SetAt(index, std::move(value));
  }

 private:
  std::vector<int> indices_;
};

}  // namespace velra
