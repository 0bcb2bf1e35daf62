#include "mapping/FieldList.h"

#include "base/Text.h"
#include "db/Connection.h"
#include "mapping/MappingTexts.h"

namespace velra {

FieldList ReadFieldList(const std::string& connectionString, const std::string& table,
                        const LayoutFile& layout) {
  FieldList list;
  try {
    auto connection = Connection::Open(connectionString);
    std::vector<ColumnInfo> columns = connection->Columns(table);
    if (columns.empty()) list.error = Fill(mapping_texts::kTableMissing, {table});
    for (const ColumnInfo& column : columns) {
      list.fields.push_back(column.name);
      std::string caption = layout.Lookup(column.name);
      if (!caption.empty()) list.choices.push_back({column.name, caption});
    }
  } catch (const DbError& e) {
    list.error = e.what();
  }
  return list;
}

std::string CaptionOf(const FieldList& list, const std::string& field) {
  for (const FieldChoice& choice : list.choices)
    if (EqualsIgnoreCase(choice.Field, field)) return choice.Caption;
  return field;
}

}  // namespace velra
