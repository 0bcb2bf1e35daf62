#include "import/run/RowScope.h"
#include "base/Text.h"
#include "import/ImportTexts.h"

namespace velra {

uint32_t RowScope::LineOf(size_t row) const {
  uint32_t line = source_.SourceLine(row);
  return line ? line : static_cast<uint32_t>(row);
}

std::string RowScope::CellText(int gridColumn, size_t row) const {
  if (gridColumn <= 0) return {};
  return converter_.ToText(source_.Get(static_cast<size_t>(gridColumn), row))
      .value_or(std::string());
}

std::string RowScope::Text(const Field& field) const {
  return converter_.ToText(field.Of(record_)).value_or(std::string());
}

void RowScope::SetFixed(const Field& field, Value value) {
  if (field.Set(record_, std::move(value))) return;
  ReportMissingFixed(field.Name());
}

void RowScope::SetUpdateStamp(const DateTime& now) {
  if (!record_.Stamp("DateUpdate", Value(now))) ReportMissingFixed("DateUpdate");
}

void RowScope::Note(uint32_t row, const char* field, const std::string& value,
                    const std::string& reason) {
  report_.Add({row, LineOf(row), "", field, value, reason});
}

void RowScope::ReportMissingFixed(const char* field) {
  if (missingFixed_.insert(field).second)
    report_.Add({0, 0, "", field, "", Fill(import_texts::kFixedFieldMissing, {table_.Name()})});
}

}  // namespace velra
