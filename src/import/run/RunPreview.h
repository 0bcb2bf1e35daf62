#pragma once
// What a test run gathers for its preview, row by row: the keys the file holds more than once,
// every value of the first records, and every record it would change, field by field.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/TargetTable.h"
#include "import/RowRecord.h"
#include "import/TestRun.h"

namespace velra {

class RunPreview {
 public:
  explicit RunPreview(TestRunPreview& preview) : preview_(preview) {}

  // The key of the row at `line` as the file gives it; a key found again is listed with the
  // lines of its rows. An empty key is none.
  void NoteKey(const std::vector<std::string>& keys, uint32_t line);
  // Whether the record the row saved is shown: one of the first records, or a changed one.
  bool Shows(RowRecord::Saved saved) const {
    return saved == RowRecord::Saved::Updated ||
           preview_.firstRows.size() < TestRunPreview::kFirstRows;
  }
  // The record as the row saved it, under its number or key; only for a record that is shown.
  void NoteRecord(uint32_t row, uint32_t line, const std::string& key, const RowRecord& record,
                  const TargetTable& table, RowRecord::Saved saved);

 private:
  TestRunPreview& preview_;
  // The first line of every key, and where a key found again is listed (-1: not yet, -2: beyond
  // the list's limit).
  struct SeenKey {
    uint32_t firstLine;
    int duplicate;
  };
  std::unordered_map<std::string, SeenKey> keyLines_;
};

}  // namespace velra
