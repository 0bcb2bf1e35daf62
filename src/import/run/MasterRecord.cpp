#include "import/run/MasterRecord.h"
#include "base/Text.h"
#include "import/ImportTexts.h"

namespace velra {

MasterRecord::MasterRecord(const WriterSetup& setup, const char* copyField)
    : setup_(setup),
      dateCreation_(setup.scope.Table(), "DateCreation"),
      worksOnLastOf_(setup.scope.Table(), "WorksOnLastOf"),
      number_(setup.scope.Table(), setup.kind.numbering.field),
      copy_(copyField ? std::optional<Field>(Field(setup.scope.Table(), copyField))
                      : std::nullopt) {}

std::optional<Refusal> MasterRecord::Start(uint32_t row) {
  if (std::optional<Refusal> refusal = GiveNumber(row)) return refusal;
  RowScope& scope = setup_.scope;
  const DateTime now = Now();
  if (scope.Record().IsNew()) scope.SetFixed(dateCreation_, Value(now));
  scope.SetUpdateStamp(now);
  scope.SetFixed(worksOnLastOf_, Value(setup_.context.ImportNote));
  return std::nullopt;
}

std::optional<Refusal> MasterRecord::GiveNumber(uint32_t row) {
  const Numbering& numbering = setup_.kind.numbering;
  RecordNumbers& numbers = setup_.numbers;
  const RowRecord& record = setup_.scope.Record();
  if (!record.IsNew()) {
    numbers.SetCurrent(NzText(number_.Of(record)));
  } else if (numbers.Drawing()) {
    if (std::optional<Refusal> refusal = numbers.Draw()) return refusal;
    WriteNumber();
  } else {
    numbers.SetCurrent(numbers.InFile(row));
    if (numbers.Current().empty())
      return Refusal{Fill(import_texts::kNoNumber, {numbering.caption})};
  }
  return std::nullopt;
}

void MasterRecord::WriteNumber() {
  const Value number(setup_.numbers.Current());
  setup_.scope.SetFixed(number_, number);
  if (copy_) setup_.scope.SetFixed(*copy_, number);
}

}  // namespace velra
