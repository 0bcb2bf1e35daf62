#pragma once
// What differs between the database engines in the few statements we compose ourselves.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/ConnectionParameters.h"

namespace velra {

class Dialect {
 public:
  explicit Dialect(BackendKind kind) : kind_(kind) {}

  BackendKind Kind() const { return kind_; }
  // A table or field name as the engine expects it quoted; embedded quote characters doubled.
  std::string Quote(std::string_view identifier) const;
  // "SELECT <columns> FROM <rest>" restricted to the first row.
  std::string SelectFirst(std::string_view columns, std::string_view rest) const;
  // A statement with one text parameter, the name of a lock of the database server, that takes
  // the lock for the connection's session without waiting and yields one row: 1 when taken, 0
  // when another session holds it. Empty for the file company, whose locks are files.
  std::string TryLockStatement() const;
  // How a statement that adds several records (InsertRowsStatement) tells their IDs:
  //   EachRecord: it does not; the records are added one by one (SQLite, in-process, where a
  //     statement per record costs no more);
  //   Reserved: the IDs are drawn before from the identity column's sequence
  //     (ReserveIdsStatement) and given with the records (PostgreSQL);
  //   Output: each record carries its ordinal, and the statement yields ordinal and ID per
  //     record (SQL Server; the order of an OUTPUT is not that of the rows).
  enum class AddedIds { EachRecord, Reserved, Output };
  AddedIds IdsOfAddedRecords() const;
  // Reserved: `count` new IDs of a table's identity column, one per row. Parameters: the quoted
  // table name, the ID column's name as it is, the count.
  std::string ReserveIdsStatement() const;
  // `rows` records of the quoted `columns` in one statement; the parameters of each record are
  // the ID (Reserved) or the ordinal from 0 (Output), then its columns.
  std::string InsertRowsStatement(std::string_view table, std::string_view quotedId,
                                  const std::vector<std::string>& columns, size_t rows) const;
  // The most parameters one statement may take.
  size_t MaxParameters() const { return kind_ == BackendKind::SqlServer ? 2000 : 30000; }
  // The integer the suite stores for "true": -1 in a file company (as Access did), 1 on servers.
  int16_t TrueValue() const { return kind_ == BackendKind::Sqlite ? -1 : 1; }

 private:
  BackendKind kind_;
};

}  // namespace velra
