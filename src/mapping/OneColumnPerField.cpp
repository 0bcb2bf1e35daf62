#include "mapping/OneColumnPerField.h"

#include "base/Text.h"
#include "mapping/MappingTexts.h"

namespace velra {
namespace {

// How strongly a column holds its field: by hand, by its exact caption, by any other rule.
int Claim(const GridColumn& column) {
  if (column.ByHand) return 2;
  return Trim(column.SourceName) == column.FieldCaption ? 1 : 0;
}

// The column that first takes `field` from `from` on, or columns.size().
size_t NextOn(const std::vector<GridColumn>& columns, size_t from, const std::string& field) {
  for (size_t i = from; i < columns.size(); ++i)
    if (!columns[i].TargetField.empty() && EqualsIgnoreCase(columns[i].TargetField, field))
      return i;
  return columns.size();
}

}  // namespace

std::vector<std::string> KeepOneColumnPerField(std::vector<GridColumn>& columns) {
  std::vector<std::string> notes;
  for (size_t first = 0; first < columns.size(); ++first) {
    const std::string field = columns[first].TargetField;
    if (field.empty() || NextOn(columns, first + 1, field) == columns.size()) continue;
    size_t keeper = first;
    for (size_t i = first; i < columns.size(); i = NextOn(columns, i + 1, field))
      if (Claim(columns[i]) > Claim(columns[keeper])) keeper = i;
    for (size_t i = first; i < columns.size(); i = NextOn(columns, i + 1, field)) {
      if (i == keeper) continue;
      GridColumn& left = columns[i];
      notes.push_back(
          Fill(mapping_texts::kColumnLeftOut,
               {left.SourceName, columns[keeper].FieldCaption, columns[keeper].SourceName}));
      ClearAutomaticAssignment(left);
    }
  }
  return notes;
}

std::optional<std::string> TwoColumnsOnOneField(const std::vector<GridColumn>& columns) {
  for (size_t first = 0; first < columns.size(); ++first) {
    if (columns[first].TargetField.empty()) continue;
    const size_t second = NextOn(columns, first + 1, columns[first].TargetField);
    if (second < columns.size())
      return Fill(
          mapping_texts::kTwoColumnsOnOneField,
          {columns[first].SourceName, columns[second].SourceName, columns[first].FieldCaption});
  }
  return std::nullopt;
}

std::vector<std::string> OfferedFields(const FieldList& list) {
  std::vector<std::string> fields;
  for (const FieldChoice& choice : list.choices) fields.push_back(choice.Field);
  return fields;
}

}  // namespace velra
