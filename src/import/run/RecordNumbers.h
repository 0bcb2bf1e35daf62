#pragma once
// The numbers a run gives the records of a numbered kind: drawn from the company's number range
// (for every row, or while "AutoNummer" is on), or taken from the file. The number of the row at
// hand is kept for the test run's preview.

#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "company/SessionContext.h"
#include "db/Connection.h"
#include "db/TargetTable.h"
#include "import/DataKind.h"
#include "import/ImportSettings.h"
#include "import/NumberRanges.h"
#include "import/run/RowScope.h"
#include "mapping/GridColumns.h"

namespace velra {

class RecordNumbers {
 public:
  // `kind`: the kind's numbering; a kind that draws no numbers has none.
  RecordNumbers(const DataKindInfo& kind, const std::vector<GridColumn>& columns,
                const RowScope& scope)
      : numbering_(kind.Numbered() ? &kind.numbering : nullptr), columns_(columns), scope_(scope) {}

  // Opens the number range when the run draws numbers; a test run leaves the stored counter
  // alone. False with a German reason in `error` (untouched otherwise) when the range cannot be
  // used or the table lacks the number field.
  bool Prepare(const SessionContext& context, const ImportSettings& settings,
               Connection& connection, const TargetTable& table, const DateTime& today,
               bool testRun, std::string& error);

  bool Numbered() const { return numbering_ != nullptr; }
  bool Drawing() const { return cursor_.has_value(); }

  // Draws the next number no record has and makes it the row's; a refusal that stops the run
  // when the range gives none.
  std::optional<Refusal> Draw();
  // The number the file gives the row; empty when it gives none.
  std::string InFile(size_t row) const;

  const std::string& Current() const { return current_; }
  void SetCurrent(std::string number) { current_ = std::move(number); }

  // The run's records so far are in the database: the numbers drawn for them are found there.
  void Sent() { drawnSinceSent_.clear(); }

  // Stores the exact counter at the end of a run; a report entry when that fails.
  void StoreCounter(ImportReport& report);

 private:
  bool IsTaken(const std::string& number);

  const Numbering* numbering_;
  const std::vector<GridColumn>& columns_;
  const RowScope& scope_;
  std::optional<NumberRangeCursor> cursor_;
  std::unique_ptr<Statement> taken_;
  std::string current_;  // Satznummer
  // Drawn for records whose writes still wait: taken, though the database has them not yet.
  std::unordered_set<std::string> drawnSinceSent_;
};

}  // namespace velra
