#pragma once
// A table an import writes into: its columns, and reading, adding and changing one record by its
// ID with prepared statements that are reused for every row.

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

  // The record with this ID, one value per column; false when there is none.
  bool Read(int64_t id, std::vector<Value>& values);
  // Adds a record with the columns marked in `set` (the others take their defaults); its ID.
  int64_t Insert(const std::vector<Value>& values, const std::vector<char>& set);
  // Changes the columns marked in `set` of the record with this ID.
  void Update(int64_t id, const std::vector<Value>& values, const std::vector<char>& set);

 private:
  Statement& Cached(std::map<std::vector<char>, Statement>& cache, const std::vector<char>& set,
                    bool insert);

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
  std::unique_ptr<Statement> select_;
  std::map<std::vector<char>, Statement> inserts_, updates_;
};

}  // namespace velra
