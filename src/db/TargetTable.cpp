#include "db/TargetTable.h"

#include "base/Text.h"
#include "db/DbTexts.h"

namespace velra {

namespace {
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
}  // namespace

size_t TargetTable::NameHash::operator()(std::string_view name) const {
  size_t hash = 14695981039346656037ull;
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(Lower(c))) * 1099511628211ull;
  return hash;
}

bool TargetTable::NameEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

TargetTable::TargetTable(Connection& connection, const std::string& table)
    : connection_(connection) {
  columns_ = connection.Columns(table);
  if (columns_.empty())
    throw DbError(DbError::Kind::Statement, Fill(db_texts::kTableMissing, {table}));
  name_ = table;
  for (const std::string& actual : connection.Tables())
    if (EqualsIgnoreCase(actual, table)) name_ = actual;
  for (size_t i = 0; i < columns_.size(); ++i) {
    indexByName_.emplace(columns_[i].name, static_cast<int>(i));
    if (EqualsIgnoreCase(columns_[i].name, "ID")) idIndex_ = static_cast<int>(i);
  }
  if (idIndex_ < 0) throw DbError(DbError::Kind::Statement, Fill(db_texts::kNoIdField, {table}));
  std::string columns;
  for (size_t i = 0; i < columns_.size(); ++i)
    columns += (i ? ", " : "") + connection.Quote(columns_[i].name);
  select_ = std::make_unique<Statement>(
      connection.Prepare("SELECT " + columns + " FROM " + connection.Quote(name_) + " WHERE " +
                         connection.Quote(columns_[static_cast<size_t>(idIndex_)].name) + " = ?"));
}

int TargetTable::IndexOf(std::string_view field) const {
  auto found = indexByName_.find(field);
  return found == indexByName_.end() ? -1 : found->second;
}

bool TargetTable::Read(int64_t id, std::vector<Value>& values) {
  if (auto fetched = fetched_.find(id); fetched != fetched_.end()) {
    values = std::move(fetched->second);
    fetched_.erase(fetched);
    return true;
  }
  select_->Reset();
  select_->Bind(1, Value(id));
  if (!select_->Next()) return false;
  values.resize(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) values[i] = select_->Get(static_cast<int>(i));
  select_->Reset();
  return true;
}

Statement& TargetTable::Cached(std::map<std::vector<char>, Statement>& cache,
                               const std::vector<char>& set, bool insert) {
  auto found = cache.find(set);
  if (found != cache.end()) return found->second;
  std::string names, marks, assignments;
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (!set[i]) continue;
    const std::string quoted = connection_.Quote(columns_[i].name);
    names += (names.empty() ? "" : ", ") + quoted;
    marks += marks.empty() ? "?" : ", ?";
    assignments += (assignments.empty() ? "" : ", ") + quoted + " = ?";
  }
  const std::string table = connection_.Quote(name_);
  std::string sql;
  if (insert)
    sql = names.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                        : "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
  else
    sql = "UPDATE " + table + " SET " + assignments + " WHERE " +
          connection_.Quote(columns_[static_cast<size_t>(idIndex_)].name) + " = ?";
  Statement& statement = cache.emplace(set, connection_.Prepare(sql)).first->second;
  int parameter = 0;
  for (size_t i = 0; i < columns_.size(); ++i)
    if (set[i]) statement.ForColumn(++parameter, columns_[i].type);
  if (!insert) statement.ForColumn(++parameter, columns_[static_cast<size_t>(idIndex_)].type);
  return statement;
}

int64_t TargetTable::Insert(const std::vector<Value>& values, const std::vector<char>& set) {
  Statement& statement = Cached(inserts_, set, true);
  int parameter = 0;
  for (size_t i = 0; i < columns_.size(); ++i)
    if (set[i]) statement.BindLasting(++parameter, values[i]);
  statement.Execute();
  return connection_.LastInsertId();
}

void TargetTable::Update(int64_t id, const std::vector<Value>& values,
                         const std::vector<char>& set) {
  bool any = false;
  for (char changed : set) any = any || changed;
  if (!any) return;
  Statement& statement = Cached(updates_, set, false);
  int parameter = 0;
  for (size_t i = 0; i < columns_.size(); ++i)
    if (set[i]) statement.BindLasting(++parameter, values[i]);
  statement.Bind(++parameter, Value(id));
  statement.Execute();
}

}  // namespace velra
