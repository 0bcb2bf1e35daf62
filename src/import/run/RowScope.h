#pragma once
// What every piece of the run works with for the row at hand: the cells of the source, the record
// being written and the report with the row's place in the file. The fields the run fills by
// itself are set through here, so that a field the table lacks is reported once per run.

#include <cstdint>
#include <set>
#include <string>

#include "db/TargetTable.h"
#include "import/ImportReport.h"
#include "import/RecordFields.h"
#include "import/RowRecord.h"
#include "import/ValueConversion.h"
#include "source/SourceTable.h"

namespace velra {

// Why a row is not imported (German, without the words that say so); `stopsRun` when no later
// row can be imported either.
struct Refusal {
  std::string reason;
  bool stopsRun = false;
};

class RowScope {
 public:
  RowScope(RowRecord& record, const TargetTable& table, const SourceTable& source,
           const ValueConverter& converter, ImportReport& report)
      : record_(record), table_(table), source_(source), converter_(converter), report_(report) {}

  RowRecord& Record() { return record_; }
  const RowRecord& Record() const { return record_; }
  const SourceTable& Source() const { return source_; }
  const ValueConverter& Converter() const { return converter_; }
  ImportReport& Report() { return report_; }
  const TargetTable& Table() const { return table_; }

  // Where the grid row stands in the file; the row itself for rows without a line.
  uint32_t LineOf(size_t row) const;
  // The text of a cell of the grid; empty for column 0 (no column). The grid's columns are the
  // source's columns in the same order.
  std::string CellText(int gridColumn, size_t row) const;
  // The field's value in the record as text; empty for none. A field of every row is found in
  // the table once (Field); the names are for the others.
  std::string Text(const Field& field) const;
  std::string Text(const char* field) const { return Text(Field(table_, field)); }

  // Sets a field the run fills by itself.
  void SetFixed(const Field& field, Value value);
  void SetFixed(const char* field, Value value) {
    SetFixed(Field(table_, field), std::move(value));
  }
  // Sets the time of the last change; it is written only with a change of another field.
  void SetUpdateStamp(const DateTime& now);
  // A note of the row about a field the run fills by itself.
  void Note(uint32_t row, const char* field, const std::string& value, const std::string& reason);

 private:
  void ReportMissingFixed(const char* field);

  RowRecord& record_;
  const TargetTable& table_;
  const SourceTable& source_;
  const ValueConverter& converter_;
  ImportReport& report_;
  std::set<std::string> missingFixed_;
};

}  // namespace velra
