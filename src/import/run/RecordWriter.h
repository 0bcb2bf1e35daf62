#pragma once
// What the run does to a record beyond writing the mapped columns, by the family of the kind
// (see DataKind.h): the fields it fills by itself, the values it derives from the imported ones
// and the records that hang off it. One writer per family; the run calls it for every row.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "company/SessionContext.h"
#include "db/Connection.h"
#include "import/DataKind.h"
#include "import/ImportSettings.h"
#include "import/run/ColumnWriter.h"
#include "import/run/RecordNumbers.h"
#include "import/run/RowScope.h"

namespace velra {

class RecordWriter {
 public:
  virtual ~RecordWriter() = default;

  // On the located record (new or found), before the mapped columns are written: the fields the
  // run fills by itself. A refusal when the row cannot be imported.
  virtual std::optional<Refusal> Start(uint32_t /*row*/) { return std::nullopt; }
  // After the mapped columns: what follows from them, before the record is saved.
  virtual void Complete(uint32_t /*row*/) {}
  // Whether rows write records besides their own (written as they come, not with the batch).
  virtual bool WritesOtherRecords() const { return false; }
};

// What a writer works with; all of it belongs to the run and outlives the writer. A writer
// prepares its statements on `connection` when it is made, so it is made inside the run's
// transaction.
struct WriterSetup {
  const SessionContext& context;
  const ImportSettings& settings;
  const DataKindInfo& kind;
  Connection& connection;
  RowScope& scope;
  RecordNumbers& numbers;
  const std::vector<PlannedColumn>& columns;  // the columns imported
  DateTime today;
};

// The writer of the kind's family.
std::unique_ptr<RecordWriter> MakeRecordWriter(const WriterSetup& setup);
// The tables the writer of the kind's family writes besides the kind's own, with these settings.
std::vector<std::string> TablesWrittenBesides(const DataKindInfo& kind,
                                              const ImportSettings& settings);

// The writers of the families, each in a file of its own.
std::unique_ptr<RecordWriter> MakeArticleWriter(const WriterSetup& setup);
std::unique_ptr<RecordWriter> MakeCustomerWriter(const WriterSetup& setup);
std::unique_ptr<RecordWriter> MakeSupplierWriter(const WriterSetup& setup);
std::unique_ptr<RecordWriter> MakeStockWriter(const WriterSetup& setup);
std::unique_ptr<RecordWriter> MakeStorageLocationWriter(const WriterSetup& setup);
std::unique_ptr<RecordWriter> MakeStructureListWriter(const WriterSetup& setup);
std::unique_ptr<RecordWriter> MakePriceWriter(const WriterSetup& setup);
std::unique_ptr<RecordWriter> MakeWebshopWriter(const WriterSetup& setup);

}  // namespace velra
