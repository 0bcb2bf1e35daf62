#include "mapping/GridColumns.h"

#include "base/Text.h"

namespace velra {

namespace {

const std::string* FindField(const std::vector<std::string>& fields, const std::string& name) {
  for (const std::string& field : fields)
    if (EqualsIgnoreCase(field, name)) return &field;
  return nullptr;
}

}  // namespace

int FindMappedColumn(const std::vector<GridColumn>& columns, const std::string& field) {
  if (field.empty()) return 0;  // an empty key names no column
  for (size_t i = columns.size(); i > 0; --i)
    if (columns[i - 1].TargetField == field) return static_cast<int>(i);
  return 0;
}

std::vector<GridColumn> BuildGridColumns(const std::vector<std::string>& sourceNames,
                                         const LayoutFile& layout,
                                         const std::vector<std::string>* targetFields) {
  std::vector<GridColumn> columns;
  columns.reserve(sourceNames.size());
  for (const std::string& name : sourceNames) {
    GridColumn column;
    column.SourceName = name;
    column.FieldCaption = name;
    column.TargetField = layout.Lookup(name);
    if (targetFields) {
      const std::string* looked = FindField(*targetFields, column.TargetField);
      const std::string* same = FindField(*targetFields, name);
      column.TargetField = looked ? *looked : same ? *same : std::string();
    }
    columns.push_back(std::move(column));
  }
  return columns;
}

}  // namespace velra
