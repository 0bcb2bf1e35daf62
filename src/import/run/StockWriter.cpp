// Stock: every row adds a record with a number drawn from the range, unblocked, dated today.

#include "import/run/RecordWriter.h"

namespace velra {

namespace {

class StockWriter : public RecordWriter {
 public:
  explicit StockWriter(const WriterParts& parts) : parts_(parts) {}

  std::optional<Refusal> Start(uint32_t /*row*/) override {
    if (std::optional<Refusal> refusal = parts_.numbers.Draw()) return refusal;
    RowScope& scope = parts_.scope;
    const DateTime now = Now();
    scope.SetFixed("StockingNumber", Value(parts_.numbers.Current()));
    scope.SetFixed("Blocked", Value(false));
    scope.SetFixed("BlockedBy", Value(""));
    scope.SetFixed("BlockedAt", Value());
    scope.SetFixed("ReasonBlocking", Value(""));
    scope.SetFixed("DateCreation", Value(now));
    scope.SetUpdateStamp(now);
    scope.SetFixed("WorksOnLastOf", Value(parts_.context.ImportNote));
    return std::nullopt;
  }

  // The day of the import, whatever the file says.
  void Complete(uint32_t /*row*/) override { parts_.scope.SetFixed("Date", Value(parts_.today)); }

 private:
  const WriterParts parts_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeStockWriter(const WriterParts& parts) {
  return std::make_unique<StockWriter>(parts);
}

}  // namespace velra
