#pragma once
// The writes of a run's rows, gathered and sent together: the records a row adds or changes wait
// here until Send, which writes them behind one savepoint in as few statements as the database
// allows. A batch the database refuses is taken back, split and sent again in halves, down to the
// single row, so that the rows it refuses are found and every other row is written. A row's
// writes are written all or none.

#include <cstdint>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/TargetTable.h"

namespace velra {

class WriteBatch {
 public:
  explicit WriteBatch(Connection& connection) : connection_(connection) {}

  // `row` is the caller's name for the row a write belongs to; a row's writes come one after
  // the other.
  void Add(uint32_t row, TargetTable& table, std::vector<Value> values, std::vector<char> set);
  void Change(uint32_t row, TargetTable& table, int64_t id, std::vector<Value> values,
              std::vector<char> changed);
  // Takes back the writes of the last row.
  void Withdraw(uint32_t row);
  size_t Rows() const { return rowStarts_.size(); }
  void Clear();

  struct Outcome {
    uint32_t row = 0;
    bool written = false;
    std::string reason;          // why the database refused the row
    std::vector<int64_t> added;  // the IDs of the records the row added, in order
  };
  // Writes what waits; one outcome per row, in order. Throws the DbError of a failure that stops
  // every write (see DbError::StopsEveryWrite), with nothing of the batch written.
  std::vector<Outcome> Send();

 private:
  struct Write {
    uint32_t row;
    TargetTable* table;
    bool add;
    int64_t id;  // the record changed; that added, once written
    std::vector<Value> values;
    std::vector<char> set;
  };
  void Append(Write write);
  void SendRows(size_t first, size_t last, std::vector<Outcome>& outcomes);
  void WriteAll(size_t first, size_t last);
  size_t EndOf(size_t row) const;

  Connection& connection_;
  std::vector<Write> writes_;
  std::vector<size_t> rowStarts_;  // where each row's writes begin
};

}  // namespace velra
