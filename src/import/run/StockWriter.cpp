// Stock: every row adds a record with a number drawn from the range, unblocked, dated today.

#include "import/run/RecordWriter.h"

namespace velra {

namespace {

class StockWriter : public RecordWriter {
 public:
  explicit StockWriter(const WriterSetup& setup) : setup_(setup) {}

  std::optional<Refusal> Start(uint32_t /*row*/) override {
    if (std::optional<Refusal> refusal = setup_.numbers.Draw()) return refusal;
    RowScope& scope = setup_.scope;
    const DateTime now = Now();
    scope.SetFixed("StockingNumber", Value(setup_.numbers.Current()));
    scope.SetFixed("Blocked", Value(false));
    scope.SetFixed("BlockedBy", Value(""));
    scope.SetFixed("BlockedAt", Value());
    scope.SetFixed("ReasonBlocking", Value(""));
    scope.SetFixed("DateCreation", Value(now));
    scope.SetUpdateStamp(now);
    scope.SetFixed("WorksOnLastOf", Value(setup_.context.ImportNote));
    return std::nullopt;
  }

  // The day of the import, whatever the file says.
  void Complete(uint32_t /*row*/) override { setup_.scope.SetFixed("Date", Value(setup_.today)); }

 private:
  const WriterSetup setup_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeStockWriter(const WriterSetup& setup) {
  return std::make_unique<StockWriter>(setup);
}

}  // namespace velra
