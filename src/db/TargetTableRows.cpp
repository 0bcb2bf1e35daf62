// The statements of a table that read, add or change many records at a time, in the form each
// database takes best (see Dialect::ManyRecords).

#include <algorithm>
#include <unordered_map>

#include "base/Text.h"
#include "db/DbTexts.h"
#include "db/RecordsDocument.h"
#include "db/TargetTable.h"

namespace velra {

size_t TargetTable::Fetch(const std::vector<int64_t>& ids) {
  fetched_.clear();
  if (ids.empty()) return 0;
  // One statement for every chunk: a short last chunk repeats its last ID.
  constexpr size_t kChunk = 250;
  const bool documents =
      connection_.GetDialect().HowManyRecordsAreAdded() == Dialect::ManyRecords::Document;
  if (!fetch_) {
    std::string marks;
    for (size_t i = 0; i < kChunk; ++i) marks += i ? ", ?" : "?";
    const std::string table = connection_.Quote(name_), id = connection_.Quote(IdColumn().name);
    fetch_ = std::make_unique<Statement>(connection_.Prepare(
        documents ? connection_.GetDialect().SelectDocumentsStatement(table, id, marks)
                  : "SELECT " + Join(QuotedNames(std::vector<char>(columns_.size(), 1)), ", ") +
                        " FROM " + table + " WHERE " + id + " IN (" + marks + ")"));
  }
  std::unordered_map<std::string, size_t> columnOf;
  for (size_t i = 0; i < columns_.size(); ++i) columnOf.emplace(columns_[i].name, i);
  std::vector<Value> values;
  for (size_t start = 0; start < ids.size(); start += kChunk) {
    fetch_->Reset();
    for (size_t i = 0; i < kChunk; ++i)
      fetch_->Bind(static_cast<int>(i + 1), Value(ids[std::min(start + i, ids.size() - 1)]));
    while (fetch_->Next()) {
      if (documents) {
        // A record the reader does not take is read by itself when it is wanted.
        if (!RecordFromDocument(fetch_->Get(0).AsText(), columns_, columnOf, values)) continue;
      } else {
        values.resize(columns_.size());
        for (size_t i = 0; i < columns_.size(); ++i) values[i] = fetch_->Get(static_cast<int>(i));
      }
      const int64_t id = values[static_cast<size_t>(idIndex_)].AsInteger();
      fetched_[id] = std::move(values);
    }
  }
  fetch_->Reset();
  return fetched_.size();
}

std::vector<int64_t> TargetTable::InsertRows(const std::vector<const std::vector<Value>*>& rows,
                                             const std::vector<char>& set) {
  std::vector<int64_t> ids;
  switch (connection_.GetDialect().HowManyRecordsAreAdded()) {
    case Dialect::ManyRecords::EachRecord:
      ids.reserve(rows.size());
      for (const std::vector<Value>* row : rows) ids.push_back(Insert(*row, set));
      break;
    case Dialect::ManyRecords::Document:
      ids = InsertDocument(rows, set);
      break;
    case Dialect::ManyRecords::Output:
      ids.reserve(rows.size());
      for (size_t start = 0; start < rows.size(); start += RowsPerStatement(set)) {
        const size_t count = std::min(RowsPerStatement(set), rows.size() - start);
        const std::vector<int64_t> some = InsertWithOutput(rows, start, count, set);
        ids.insert(ids.end(), some.begin(), some.end());
      }
      break;
  }
  return ids;
}

std::vector<int64_t> TargetTable::InsertDocument(const std::vector<const std::vector<Value>*>& rows,
                                                 const std::vector<char>& set) {
  std::vector<int64_t> ids = ReserveIds(rows.size());
  Statement& statement = RowsStatement(set, 0);
  statement.Bind(1, Value(RecordsDocument(columns_, idIndex_, set, rows, ids,
                                          connection_.GetDialect().TrueValue())));
  statement.Execute();
  return ids;
}

std::vector<int64_t> TargetTable::InsertWithOutput(
    const std::vector<const std::vector<Value>*>& rows, size_t start, size_t count,
    const std::vector<char>& set) {
  Statement& statement = RowsStatement(set, count);
  int parameter = 0;
  for (size_t row = 0; row < count; ++row) {
    statement.Bind(++parameter, Value(static_cast<int64_t>(row)));
    const std::vector<Value>& values = *rows[start + row];
    for (size_t i = 0; i < columns_.size(); ++i)
      if (set[i]) statement.Bind(++parameter, values[i]);
  }
  std::vector<int64_t> ids(count, 0);
  while (statement.Next()) {
    const int64_t ordinal = statement.Get(0).AsInteger();
    if (ordinal >= 0 && static_cast<size_t>(ordinal) < count)
      ids[static_cast<size_t>(ordinal)] = statement.Get(1).AsInteger();
  }
  statement.Reset();
  for (int64_t id : ids)
    if (id == 0) throw DbError(DbError::Kind::Statement, Fill(db_texts::kNoIdsOfRows, {name_}));
  return ids;
}

void TargetTable::UpdateRows(const std::vector<int64_t>& ids,
                             const std::vector<const std::vector<Value>*>& rows,
                             const std::vector<char>& set) {
  if (connection_.GetDialect().HowManyRecordsAreAdded() != Dialect::ManyRecords::Document) {
    for (size_t i = 0; i < rows.size(); ++i) Update(ids[i], *rows[i], set);
    return;
  }
  auto found = rowUpdates_.find(set);
  if (found == rowUpdates_.end()) {
    Statement statement = connection_.Prepare(connection_.GetDialect().UpdateRowsStatement(
        connection_.Quote(name_), connection_.Quote(IdColumn().name), QuotedNames(set)));
    statement.ForColumn(1, Value::Type::Text);
    found = rowUpdates_.emplace(set, std::move(statement)).first;
  }
  found->second.Bind(1, Value(RecordsDocument(columns_, idIndex_, set, rows, ids,
                                              connection_.GetDialect().TrueValue())));
  found->second.Execute();
}

std::vector<std::string> TargetTable::QuotedNames(const std::vector<char>& set) const {
  std::vector<std::string> names;
  for (size_t i = 0; i < columns_.size(); ++i)
    if (set[i]) names.push_back(connection_.Quote(columns_[i].name));
  return names;
}

// Many rows per statement, as far as the database takes that many parameters.
size_t TargetTable::RowsPerStatement(const std::vector<char>& set) const {
  size_t perRow = 1;
  for (char marked : set) perRow += marked ? 1 : 0;
  constexpr size_t kMostRows = 250;
  return std::max<size_t>(1,
                          std::min(kMostRows, connection_.GetDialect().MaxParameters() / perRow));
}

// Full statements (and that of a document, `rows` 0) are kept for the next rows; a shorter last
// one is made for its rows alone.
Statement& TargetTable::RowsStatement(const std::vector<char>& set, size_t rows) {
  const bool full = rows == 0 || rows == RowsPerStatement(set);
  if (full)
    if (auto found = rowInserts_.find(set); found != rowInserts_.end()) return found->second;
  Statement statement = connection_.Prepare(connection_.GetDialect().InsertRowsStatement(
      connection_.Quote(name_), connection_.Quote(IdColumn().name), QuotedNames(set), rows));
  int parameter = 0;
  for (size_t row = 0; row < rows; ++row) {
    statement.ForColumn(++parameter, Value::Type::Integer);
    for (size_t i = 0; i < columns_.size(); ++i)
      if (set[i]) statement.ForColumn(++parameter, columns_[i].type);
  }
  if (rows == 0) statement.ForColumn(1, Value::Type::Text);
  if (!full) {
    partial_ = std::make_unique<Statement>(std::move(statement));
    return *partial_;
  }
  return rowInserts_.insert_or_assign(set, std::move(statement)).first->second;
}

std::vector<int64_t> TargetTable::ReserveIds(size_t count) {
  if (!reserve_)
    reserve_ = std::make_unique<Statement>(
        connection_.Prepare(connection_.GetDialect().ReserveIdsStatement()));
  reserve_->Reset();
  reserve_->Bind(1, Value(connection_.Quote(name_)));
  reserve_->Bind(2, Value(IdColumn().name));
  reserve_->Bind(3, Value(static_cast<int64_t>(count)));
  std::vector<int64_t> ids;
  while (reserve_->Next()) ids.push_back(reserve_->Get(0).AsInteger());
  reserve_->Reset();
  if (ids.size() != count)
    throw DbError(DbError::Kind::Statement, Fill(db_texts::kNoIdsOfRows, {name_}));
  return ids;
}

}  // namespace velra
