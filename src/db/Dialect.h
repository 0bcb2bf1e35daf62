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
  // How a statement adds several records (InsertRowsStatement) and tells their IDs:
  //   EachRecord: it does not; the records are added one by one (SQLite, in-process, where a
  //     statement per record costs no more);
  //   Document: the records travel as one JSON text (RecordsDocument.h), with IDs drawn before
  //     from the identity column's sequence (ReserveIdsStatement) (PostgreSQL, whose driver
  //     costs more per parameter than the server per record);
  //   Output: each record's values are parameters, behind the record's ordinal, and the
  //     statement yields ordinal and ID per record (SQL Server; the order of an OUTPUT is not
  //     that of the rows).
  enum class ManyRecords { EachRecord, Document, Output };
  ManyRecords HowManyRecordsAreAdded() const;
  // Document: `count` new IDs of a table's identity column, one per row. Parameters: the quoted
  // table name, the ID column's name as it is, the count.
  std::string ReserveIdsStatement() const;
  // Adds records of the quoted `columns` (and the ID, Document) in one statement: Document, from
  // the text of its one parameter; Output, `rows` records, whose parameters are the ordinal from
  // 0, then the record's columns.
  std::string InsertRowsStatement(std::string_view table, std::string_view quotedId,
                                  const std::vector<std::string>& columns, size_t rows) const;
  // Document: changes records of the quoted `columns` to the values in the JSON text of its one
  // parameter, each record found by its ID there.
  std::string UpdateRowsStatement(std::string_view table, std::string_view quotedId,
                                  const std::vector<std::string>& columns) const;
  // Document: the records whose IDs are in the list of parameter marks `marks`, each as one JSON
  // text (RecordFromDocument).
  std::string SelectDocumentsStatement(std::string_view table, std::string_view quotedId,
                                       std::string_view marks) const;
  // The most parameters one statement may take.
  size_t MaxParameters() const { return kind_ == BackendKind::SqlServer ? 2000 : 30000; }
  // The integer the suite stores for "true": -1 in a file company (as Access did), 1 on servers.
  int16_t TrueValue() const { return kind_ == BackendKind::Sqlite ? -1 : 1; }

 private:
  BackendKind kind_;
};

}  // namespace velra
