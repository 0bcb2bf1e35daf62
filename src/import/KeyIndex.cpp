#include "import/KeyIndex.h"

#include "base/Text.h"

namespace velra {

std::string KeyIndex::Compose(const std::vector<std::string>& values) {
  std::string key;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) key.push_back('\x1F');
    key += FoldCase(values[i]);
  }
  return key;
}

void KeyIndex::Load(Connection& connection, const TargetTable& table,
                    const std::vector<int>& keyColumns) {
  entries_.clear();
  const std::vector<ColumnInfo>& columns = table.Columns();
  std::string idName = connection.Quote(columns[static_cast<size_t>(table.IdIndex())].name);
  std::string sql = "SELECT " + idName;
  for (int column : keyColumns)
    sql += ", " + connection.Quote(columns[static_cast<size_t>(column)].name);
  sql += " FROM " + connection.Quote(table.Name()) + " ORDER BY " + idName;
  Statement statement = connection.Prepare(sql);
  std::vector<std::string> values(keyColumns.size());
  while (statement.Next()) {
    for (size_t i = 0; i < keyColumns.size(); ++i)
      values[i] = NzText(statement.Get(static_cast<int>(i + 1)));
    entries_.try_emplace(Compose(values), Entry{statement.Get(0).AsInteger(), 0});
  }
}

KeyIndex::Entry* KeyIndex::Find(const std::string& key) {
  auto found = entries_.find(key);
  return found == entries_.end() ? nullptr : &found->second;
}

const KeyIndex::Entry* KeyIndex::Find(const std::string& key) const {
  auto found = entries_.find(key);
  return found == entries_.end() ? nullptr : &found->second;
}

void KeyIndex::Add(const std::string& key, int64_t id, uint32_t row) {
  entries_.try_emplace(key, Entry{id, row});
}

}  // namespace velra
