#include "import/run/ColumnWriter.h"

#include "base/Text.h"
#include "import/ArticleSteps.h"
#include "import/ImportTexts.h"

namespace velra {

ColumnWriter::ColumnWriter(const std::vector<GridColumn>& columns, const TargetTable& table,
                           ImportReport& report) {
  for (size_t i = 0; i < columns.size(); ++i) {
    const GridColumn& column = columns[i];
    if (column.FieldCaption.empty() || column.TargetField.empty()) continue;
    int field = table.IndexOf(column.TargetField);
    if (field < 0) {
      report.Add({0, 0, column.SourceName, column.TargetField, "",
                  Fill(import_texts::kColumnFieldMissing, {table.Name()})});
      continue;
    }
    const ColumnInfo& info = table.Columns()[static_cast<size_t>(field)];
    planned_.push_back(
        {i + 1, field, column.SourceName, info.name, info.type, TypeClassOf(info.name)});
  }
}

void ColumnWriter::Prepare(Connection& connection, const ValueConverter& converter,
                           const std::string& sourceFolder) {
  for (const PlannedColumn& column : planned_)
    if (column.typeClass == TypeClass::Picture && !pictures_)
      pictures_ = std::make_unique<PictureStore>(connection, converter, downloader_, sourceFolder);
}

void ColumnWriter::Write(uint32_t row, RowScope& scope) {
  const ValueConverter& converter = scope.Converter();
  for (const PlannedColumn& column : planned_) {
    const Value value = ImportedValue(scope.Source(), column.sourceColumn, row, column.fieldName);
    if (column.typeClass == TypeClass::Picture) {
      WritePicture(row, column, value, scope);
      continue;
    }
    Conversion conversion = converter.ForClass(value, column.typeClass, column.type);
    if (conversion.outcome == Conversion::Outcome::Converted)
      scope.Record().SetAt(column.field, std::move(conversion.value));
    else if (conversion.outcome == Conversion::Outcome::Failed)
      scope.Report().Add({row, scope.LineOf(row), column.name, column.fieldName,
                          converter.ToText(value).value_or(std::string()), conversion.reason});
  }
}

void ColumnWriter::WritePicture(uint32_t row, const PlannedColumn& column, const Value& value,
                                RowScope& scope) {
  std::string reference = TrimBlanks(scope.Converter().ToText(value).value_or(std::string()));
  if (reference.empty()) return;
  std::string error;
  if (std::optional<int64_t> id = pictures_->PictureFor(reference, error))
    scope.Record().SetAt(column.field, Value(*id));
  else if (!error.empty())
    scope.Report().Add({row, scope.LineOf(row), column.name, column.fieldName, reference, error});
}

}  // namespace velra
