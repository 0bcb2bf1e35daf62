#pragma once
// What a run could not do: every value that could not be converted or stored, every row that
// could not be written, with where it stands in the file; and the counts of what was written.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "import/ImportError.h"

namespace velra {

struct ReportEntry {
  uint32_t row = 0;    // row of the grid, 0 for the run as a whole
  uint32_t line = 0;   // where the row stands in the file (line, sheet row, record)
  std::string column;  // the column's name in the source
  std::string field;   // the database field
  std::string value;
  std::string reason;  // German
};

class ImportReport {
 public:
  // Entries beyond this many are only counted, so that a run over a million faulty rows keeps
  // its memory.
  static constexpr size_t kMaxEntries = 100000;

  void Add(ReportEntry entry);
  // Adds the entry of a row that was not written at all, and counts the row (once) as rejected.
  void AddRejected(ReportEntry entry);
  const std::vector<ReportEntry>& Entries() const { return entries_; }
  // All entries, also those only counted.
  size_t EntryCount() const { return entries_.size() + uncounted_; }
  // The grid rows that had at least one entry, also an entry only counted: ascending, each once.
  // Entries of the run as a whole (row 0) are not among them.
  const std::vector<uint32_t>& RowsWithEntries() const { return rows_; }
  // The grid rows that were not written at all (AddRejected): ascending, each once. A row written
  // with a value left out has entries but is not among them.
  const std::vector<uint32_t>& RowsRejected() const { return rejected_; }
  bool Empty() const { return EntryCount() == 0; }

  size_t added = 0;      // records added
  size_t updated = 0;    // records changed
  size_t unchanged = 0;  // records found whose fields all kept their values
  size_t rowsWritten = 0;
  size_t rowsRejected = 0;  // rows not written at all, also those of a run that did not start

  // Writes the entries as CSV (UTF-8 with BOM, ";" between values) for a spreadsheet, each
  // field as `fieldName` names it (by its database name without one). Throws ImportError naming
  // the file when it cannot be written.
  void SaveCsv(const std::string& path,
               const std::function<std::string(const std::string&)>& fieldName = {}) const;
  // The counts in one German line, for a run over `rows` rows.
  std::string Summary(size_t rows) const;

 private:
  std::vector<ReportEntry> entries_;
  size_t uncounted_ = 0;
  std::vector<uint32_t> rows_;
  std::vector<uint32_t> rejected_;
};

}  // namespace velra
