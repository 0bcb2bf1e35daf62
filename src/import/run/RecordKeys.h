#pragma once
// The keys of a run: with synchronisation a row changes the record its key finds; without it,
// a row whose number a record has already is refused, as it would be there twice. The records
// the run adds join the index, so that a later row finds them too. The run's writes may wait in
// a batch: a row whose key finds a record that the run wrote has the batch sent first (`settle`),
// so that it sees that record as the database holds it.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/TargetTable.h"
#include "import/DataKind.h"
#include "import/ImportSettings.h"
#include "import/KeyIndex.h"
#include "import/run/RowScope.h"
#include "mapping/GridColumns.h"

namespace velra {

class RecordKeys {
 public:
  RecordKeys(const DataKindInfo& kind, const ImportSettings& settings,
             const std::vector<GridColumn>& columns, RowScope& scope)
      : kind_(kind), settings_(settings), columns_(columns), scope_(scope) {}

  // Reads the key of every record. False with a German reason in `error` (untouched otherwise) when
  // the table lacks a field of the synchronisation key.
  bool Prepare(Connection& connection, const TargetTable& table, std::string& error);

  bool Synchronising() const { return settings_.synchronise && !kind_.alwaysAdds; }
  // What sends the run's waiting writes.
  void SettleWith(std::function<void()> settle) { settle_ = std::move(settle); }

  // Starts the row's record: the record its key finds, else a new one. A refusal when the row's
  // number belongs to a record already.
  std::optional<Refusal> Locate(uint32_t row);
  // The key of the row's record as the index holds it; empty when the run keeps no index or the
  // record has no key (such records are never found by one).
  std::string IndexKey() const;
  // After the record is saved under `key` (IndexKey before): a new record joins the index; a
  // found one remembers the row.
  void Saved(uint32_t row, bool wasNew, const std::string& key);
  // The record a row added under `key` is written with this ID.
  void Written(const std::string& key, int64_t id);
  // The database refused the write of `row`: a record it added leaves the index.
  void Refused(const std::string& key, uint32_t row, bool wasNew);
  // The IDs of the records that the rows from `first` to `last` find by their keys.
  std::vector<int64_t> RecordsOf(uint32_t first, uint32_t last) const;

  // The synchronisation key of the row as the file gives it; empty without synchronisation.
  std::vector<std::string> KeyInFile(uint32_t row) const;
  // The key of the record as it is now.
  std::string RecordKey() const;

 private:
  bool PrepareNumberIndex(Connection& connection, const TargetTable& table);
  bool UniqueNumbers() const { return !Synchronising() && !keyFields_.empty(); }
  std::optional<Refusal> NumberIsTaken(uint32_t row);
  void FindByKey(uint32_t row);
  KeyIndex::Entry* Find(const std::string& key);
  bool KeyOfRecordIsEmpty() const;

  const DataKindInfo& kind_;
  const ImportSettings& settings_;
  const std::vector<GridColumn>& columns_;
  RowScope& scope_;
  std::vector<int> keyColumns_;  // grid columns of the key, from 1; 0 for none
  std::vector<int> keyFields_;   // table columns of the key
  KeyIndex index_;
  std::function<void()> settle_;
};

}  // namespace velra
