#pragma once
// A table an import writes into: its columns, and reading, adding and changing records by their
// IDs with prepared statements that are reused for every row.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/Connection.h"

namespace velra {

class TargetTable {
 public:
  // Reads the table's columns; throws DbError when the table does not exist.
  TargetTable(Connection& connection, const std::string& table);

  const std::string& Name() const { return name_; }
  const std::vector<ColumnInfo>& Columns() const { return columns_; }
  // The column of that name ignoring letter case; -1 when the table has none.
  int IndexOf(std::string_view field) const;
  int IdIndex() const { return idIndex_; }

  // The record with this ID, one value per column; false when there is none. A record fetched
  // ahead (Fetch) is taken from there, once.
  bool Read(int64_t id, std::vector<Value>& values);
  // Reads the records with these IDs in a few statements, for the Read of each that follows;
  // how many it holds then. Replaces what was fetched before; the caller sees to it that nothing
  // it fetched is changed before it is read.
  size_t Fetch(const std::vector<int64_t>& ids);
  // Adds a record with the columns marked in `set` (the others take their defaults); its ID.
  int64_t Insert(const std::vector<Value>& values, const std::vector<char>& set);
  // Adds the records, each with the columns marked in `set`, in as few statements as the
  // database allows; their IDs in the same order.
  std::vector<int64_t> InsertRows(const std::vector<const std::vector<Value>*>& rows,
                                  const std::vector<char>& set);
  // Changes the columns marked in `set` of the record with this ID.
  void Update(int64_t id, const std::vector<Value>& values, const std::vector<char>& set);
  // Changes the columns marked in `set` of the records with these IDs (each once), in as few
  // statements as the database allows.
  void UpdateRows(const std::vector<int64_t>& ids,
                  const std::vector<const std::vector<Value>*>& rows, const std::vector<char>& set);

 private:
  Statement& Cached(std::map<std::vector<char>, Statement>& cache, const std::vector<char>& set,
                    bool insert);
  std::vector<std::string> QuotedNames(const std::vector<char>& set) const;
  size_t RowsPerStatement(const std::vector<char>& set) const;
  Statement& RowsStatement(const std::vector<char>& set, size_t rows);
  std::vector<int64_t> InsertDocument(const std::vector<const std::vector<Value>*>& rows,
                                      const std::vector<char>& set);
  std::vector<int64_t> InsertWithOutput(const std::vector<const std::vector<Value>*>& rows,
                                        size_t start, size_t count, const std::vector<char>& set);
  std::vector<int64_t> ReserveIds(size_t count);
  const ColumnInfo& IdColumn() const { return columns_[static_cast<size_t>(idIndex_)]; }

  Connection& connection_;
  std::string name_;
  std::vector<ColumnInfo> columns_;
  // Field names ignoring ASCII letter case, looked up without building a string per call.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const;
  };
  struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  std::unordered_map<std::string, int, NameHash, NameEqual> indexByName_;
  int idIndex_ = -1;
  std::unique_ptr<Statement> select_, fetch_, reserve_, partial_;
  std::map<std::vector<char>, Statement> inserts_, updates_, rowInserts_, rowUpdates_;
  std::unordered_map<int64_t, std::vector<Value>> fetched_;
};

}  // namespace velra
