#include "import/run/RecordNumbers.h"
#include "base/Text.h"
#include "import/ImportTexts.h"

namespace velra {

bool RecordNumbers::Prepare(const SessionContext& context, const ImportSettings& settings,
                            Connection& connection, const TargetTable& table, const DateTime& today,
                            bool testRun, std::string& error) {
  if (!numbering_ || (!numbering_->alwaysDrawn && !settings.autoNumber)) return true;
  if (!context.Options) {
    error = import_texts::kRangesUnreadable;
    return false;
  }
  std::string reason;
  cursor_ = NumberRangeCursor::Open(*context.Options, numbering_->range, today, reason);
  if (!cursor_) {
    error = reason;
    return false;
  }
  if (testRun) cursor_->LeaveStoredCounter();
  int field = table.IndexOf(numbering_->field);
  if (field < 0) {
    error = Fill(import_texts::kNumberFieldMissing, {numbering_->field, table.Name()});
    return false;
  }
  taken_ = std::make_unique<Statement>(connection.Prepare(connection.GetDialect().SelectFirst(
      "1", connection.Quote(table.Name()) + " WHERE " +
               connection.Quote(table.Columns()[static_cast<size_t>(field)].name) + " = ?")));
  return true;
}

std::optional<Refusal> RecordNumbers::Draw() {
  std::string error;
  std::optional<std::string> number =
      cursor_->Next([this](const std::string& n) { return IsTaken(n); }, error);
  if (!number) return Refusal{error, true};
  cursor_->CountOn();
  current_ = *number;
  drawnSinceSent_.insert(current_);
  return std::nullopt;
}

std::string RecordNumbers::InFile(size_t row) const {
  return scope_.CellText(FindMappedColumn(columns_, numbering_->field), row);
}

void RecordNumbers::StoreCounter(ImportReport& report) {
  if (!cursor_) return;
  std::string error;
  if (!cursor_->StoreExact(error)) report.Add({0, 0, "", "", "", error});
}

bool RecordNumbers::IsTaken(const std::string& number) {
  if (drawnSinceSent_.count(number)) return true;
  taken_->Reset();
  taken_->Bind(1, Value(number));
  bool taken = taken_->Next();
  taken_->Reset();
  return taken;
}

}  // namespace velra
