#include "import/ImportRun.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "base/Text.h"
#include "db/Connection.h"
#include "db/TargetTable.h"
#include "db/WriteBatch.h"
#include "import/ImportLock.h"
#include "import/ImportTexts.h"
#include "import/LoadNotes.h"
#include "import/RowRecord.h"
#include "import/ValueConversion.h"
#include "import/run/ColumnWriter.h"
#include "import/run/RecordKeys.h"
#include "import/run/RecordNumbers.h"
#include "import/run/RecordWriter.h"
#include "import/run/RowScope.h"
#include "import/run/RunPreview.h"

namespace velra {

namespace {

constexpr size_t kRowsPerCommit = 1000;
constexpr auto kTimePerCommit = std::chrono::milliseconds(250);
// The rows whose writes wait to be sent together, and the records read ahead at once.
constexpr size_t kRowsPerSend = 1000;
constexpr uint32_t kRowsReadAhead = 250;

// The run's loop: it opens the company, takes the table's lock, writes the rows in batches of
// one transaction each and keeps the report's counts to what is committed. A row is written
// completely or not at all: where its record is all it writes, its write waits with those of the
// rows around it and is sent with them (WriteBatch); otherwise it is written at once, behind a
// savepoint of its own. What a row's record gets besides its columns is the writer's business.
class Runner {
 public:
  Runner(const SessionContext& context, const ImportSettings& settings, const SourceTable& source,
         const std::vector<GridColumn>& columns, const RunOptions& options)
      : context_(context),
        settings_(settings),
        options_(options),
        source_(source),
        columns_(columns),
        converter_(context.Regional),
        kind_(Describe(settings.datenart)),
        preview_(result_.preview) {}

  ImportResult Run(const RowProgress& progress, const std::atomic<bool>& cancel) {
    const size_t rows = source_.RowCount();
    if (!Prepare(cancel)) {
      batch_.reset();                      // a run that does not start leaves the table as it was
      result_.report.rowsRejected = rows;  // none of them was imported
      return std::move(result_);
    }
    result_.status = ImportResult::Status::Finished;
    if (options_.loadNotes) AddLoadNotes(*options_.loadNotes, source_, result_.report);
    try {
      for (size_t row = 1; row <= rows; ++row) {
        if (options_.pause && options_.pause->load() && !GoOnAfterPause(cancel)) {
          result_.status = ImportResult::Status::Cancelled;
          break;
        }
        if (!WriteRow(row, rows, cancel)) break;
        if (progress) progress(row, rows);
        if (++rowsInBatch_ >= kRowsPerCommit ||
            std::chrono::steady_clock::now() - batchStart_ > kTimePerCommit)
          CommitBatch();
      }
      CommitBatch();
    } catch (const DbError& e) {
      Stopped(e, rows);
    }
    if (options_.testRun) {
      batch_.reset();  // rolls the whole run back
      result_.testRun = true;
    }
    numbers_->StoreCounter(result_.report);
    return std::move(result_);
  }

 private:
  struct Counts {
    size_t rowsWritten = 0, added = 0, updated = 0, unchanged = 0;
  };

  bool Prepare(const std::atomic<bool>& cancel) {
    try {
      connection_ = Connection::Open(context_.ConnectionString);
      table_ = std::make_unique<TargetTable>(*connection_, settings_.table);
    } catch (const DbError& e) {
      result_.message = Fill(import_texts::kCannotOpen, {e.what()});
      return false;
    }
    record_ = std::make_unique<RowRecord>(*table_);
    scope_ = std::make_unique<RowScope>(*record_, *table_, source_, converter_, result_.report);
    columnWriter_ = std::make_unique<ColumnWriter>(columns_, *table_, result_.report);
    keys_ = std::make_unique<RecordKeys>(kind_, settings_, columns_, *scope_);
    numbers_ = std::make_unique<RecordNumbers>(kind_, columns_, *scope_);
    try {
      // From the first check to the end of the run no other run writes the table.
      if (!Lock(cancel)) return false;
      StartBatch();
      if (options_.deleteFirst && !DeleteAll()) return false;
      if (!keys_->Prepare(*connection_, *table_, result_.message) ||
          !numbers_->Prepare(context_, settings_, *connection_, *table_, today_, options_.testRun,
                             result_.message))
        return false;
      writer_ = MakeRecordWriter({context_, settings_, kind_, *connection_, *scope_, *numbers_,
                                  columnWriter_->Planned(), today_});
      columnWriter_->Prepare(*connection_, converter_, settings_.sourceFolder);
      // The test run shows each record as it would be written, so it writes each at once.
      if (!options_.testRun && !writer_->WritesOtherRecords() && !columnWriter_->WritesPictures()) {
        writes_ = std::make_unique<WriteBatch>(*connection_);
        keys_->SettleWith([this] { Send(); });
      }
    } catch (const DbError& e) {
      result_.message = Fill(import_texts::kCannotOpen, {e.what()});
      return false;
    }
    return true;
  }

  bool Lock(const std::atomic<bool>& cancel) {
    const std::string other = Fill(import_texts::kOtherRun, {context_.CompanyName});
    LockWaiting waiting;
    waiting.wait = options_.waitForOtherRun;
    waiting.cancel = &cancel;
    if (options_.waiting)
      waiting.report = [&](int seconds) {
        options_.waiting(Fill(import_texts::kWaitingForOtherRun, {other, std::to_string(seconds)}));
      };
    // The tables whose records hang off the row's are written too: a run into one of them must
    // not add a record this run's index of them does not know.
    std::vector<std::string> tables{table_->Name()};
    for (std::string& table : TablesWrittenBesides(kind_, settings_))
      tables.push_back(std::move(table));
    for (const std::string& table : tables) {
      ImportLock& lock =
          locks_.emplace_back(LockImport(*connection_, context_.DatabasePath, table, waiting));
      if (lock.state == ImportLock::State::Busy)
        result_.message = Fill(import_texts::kOtherRunNotStarted, {other});
      else if (lock.state == ImportLock::State::Cancelled)
        result_.message = Fill(import_texts::kCancelledBeforeStart, {other});
      if (lock.state != ImportLock::State::Taken) return false;
    }
    return true;
  }

  bool DeleteAll() {
    int64_t deleted = 0;
    try {
      deleted = connection_->Execute("DELETE FROM " + connection_->Quote(table_->Name()));
    } catch (const DbError& e) {
      result_.message = Fill(import_texts::kNotDeleted, {e.what()});
      return false;
    }
    deletedInBatch_ = static_cast<size_t>(deleted);
    if (options_.testRun)
      result_.preview.notes.push_back(
          Fill(import_texts::kWouldDelete, {table_->Name(), std::to_string(deleted)}));
    return true;
  }

  // Writes one row, at once or with the next batch; false when the run ends at this row (stopped
  // or cancelled), with the row taken back.
  bool WriteRow(size_t row, size_t rows, const std::atomic<bool>& cancel) {
    currentRow_ = row;
    if (!batch_) StartBatch();
    ReadAhead(row, rows);
    return writes_ ? QueueRow(row, rows, cancel) : WriteRowNow(row, rows, cancel);
  }

  // The row's write waits in the batch, which is sent when full.
  bool QueueRow(size_t row, size_t rows, const std::atomic<bool>& cancel) {
    if (writes_->Rows() >= kRowsPerSend) Send();
    bool written = false;
    try {
      written = ProcessRow(static_cast<uint32_t>(row));
    } catch (const DbError& e) {
      if (e.StopsEveryWrite()) throw;
      TakeBack(row, false);
      RejectRow(row, e.what());
    }
    if (stop_ || cancel.load()) {
      TakeBack(row, written);
      return Ended(row, rows);
    }
    return true;
  }

  // Takes the row's write out of the batch, and its counts with it.
  void TakeBack(size_t row, bool written) {
    writes_->Withdraw(static_cast<uint32_t>(row));
    if (!pending_.empty() && pending_.back().row == row) pending_.pop_back();
    if (written) Tally(rowCounts_, false);
  }

  // Sends the waiting writes. A row the database refused is reported, and its counts and its
  // record's key are taken back.
  void Send() {
    if (!writes_ || writes_->Rows() == 0) return;
    const std::vector<WriteBatch::Outcome> outcomes = writes_->Send();
    for (size_t i = 0; i < outcomes.size(); ++i) {
      const WriteBatch::Outcome& outcome = outcomes[i];
      const PendingRow& pending = pending_[i];
      if (outcome.written) {
        if (pending.wasNew && !outcome.added.empty())
          keys_->Written(pending.key, outcome.added.front());
        continue;
      }
      keys_->Refused(pending.key, pending.row, pending.wasNew);
      Tally(pending.counts, false);
      RejectRow(pending.row, outcome.reason);
    }
    pending_.clear();
    numbers_->Sent();
  }

  // Reads the records the next rows find by their keys, a few statements for many rows. Nothing
  // the run wrote may wait then, so that each record is read as it is.
  void ReadAhead(size_t row, size_t rows) {
    if (!keys_->Synchronising() || row < readAheadFrom_) return;
    Send();
    const uint32_t last = static_cast<uint32_t>(std::min(rows, row + kRowsReadAhead - 1));
    table_->Fetch(keys_->RecordsOf(static_cast<uint32_t>(row), last));
    readAheadFrom_ = last + 1;
  }

  // The run ends at this row, which is not written.
  bool Ended(size_t row, size_t rows) {
    result_.status = stop_ ? ImportResult::Status::Stopped : ImportResult::Status::Cancelled;
    if (stop_) ReportRowsNotWritten(row + 1, rows);
    return false;
  }

  // Writes the row at once, behind a savepoint.
  bool WriteRowNow(size_t row, size_t rows, const std::atomic<bool>& cancel) {
    connection_->Savepoint();
    bool open = true, written = false;
    try {
      written = ProcessRow(static_cast<uint32_t>(row));
    } catch (const DbError& e) {
      // The batch goes with the run; the rows it held are reported by Stopped.
      if (e.StopsEveryWrite()) throw;
      connection_->RollbackToSavepoint();
      open = false;
      RejectRow(row, e.what());
    }
    if (stop_ || cancel.load()) {
      if (open) connection_->RollbackToSavepoint();
      if (written) Tally(rowCounts_, false);
      return Ended(row, rows);
    }
    if (open) connection_->ReleaseSavepoint();
    return true;
  }

  bool ProcessRow(uint32_t row) {
    rowCounts_ = Counts();
    if (options_.testRun) preview_.NoteKey(KeyInFile(row), scope_->LineOf(row));
    if (!Locate(row)) return false;
    columnWriter_->Write(row, *scope_);
    writer_->Complete(row);
    const bool wasNew = record_->IsNew();
    const std::string key = keys_->IndexKey();
    const RowRecord::Saved saved = writes_ ? record_->Save(*writes_, row) : record_->Save();
    keys_->Saved(row, wasNew, key);
    if (options_.testRun && preview_.Shows(saved))
      preview_.NoteRecord(row, scope_->LineOf(row), PreviewKey(), *record_, *table_, saved);
    rowCounts_.rowsWritten = 1;
    rowCounts_.added = saved == RowRecord::Saved::Added;
    rowCounts_.updated = saved == RowRecord::Saved::Updated;
    rowCounts_.unchanged = saved == RowRecord::Saved::Unchanged;
    Tally(rowCounts_, true);
    if (writes_ && saved != RowRecord::Saved::Unchanged)
      pending_.push_back({row, key, wasNew, rowCounts_});
    return true;
  }

  // Locates or adds the row's record and lets the writer fill the fields the run sets by
  // itself. False when the row cannot be imported (reported).
  bool Locate(uint32_t row) {
    std::optional<Refusal> refusal = keys_->Locate(row);
    if (!refusal) refusal = writer_->Start(row);
    if (!refusal) return true;
    RejectRow(row, refusal->reason);
    if (refusal->stopsRun) {
      result_.message = refusal->reason;
      stop_ = true;
    }
    return false;
  }

  // The key of the row as the file gives it: the synchronisation key, or the number column when
  // the numbers come from the file.
  std::vector<std::string> KeyInFile(uint32_t row) const {
    std::vector<std::string> keys = keys_->KeyInFile(row);
    if (!keys_->Synchronising() && numbers_->Numbered() && !numbers_->Drawing())
      keys.push_back(numbers_->InFile(row));
    return keys;
  }

  // The record's number, else its synchronisation key.
  std::string PreviewKey() const {
    if (numbers_->Numbered()) return numbers_->Current();
    return keys_->Synchronising() ? keys_->RecordKey() : std::string();
  }

  void RejectRow(size_t row, const std::string& reason) {
    // A row the database refuses when its batch is sent comes after rows refused before.
    rejectedSinceCommit_.insert(
        std::lower_bound(rejectedSinceCommit_.begin(), rejectedSinceCommit_.end(), row), row);
    result_.report.AddRejected({static_cast<uint32_t>(row), scope_->LineOf(row), "", "", "",
                                Fill(import_texts::kRowRejected, {reason})});
  }

  // After a stop: every row from `first` on that is not in the database and not yet reported as
  // rejected, so that the report (and the file of rejected rows) names each row not imported.
  void ReportRowsNotWritten(size_t first, size_t last) {
    auto rejected = rejectedSinceCommit_.begin();
    for (size_t row = first; row <= last; ++row) {
      while (rejected != rejectedSinceCommit_.end() && *rejected < row) ++rejected;
      if (rejected != rejectedSinceCommit_.end() && *rejected == row) continue;
      result_.report.AddRejected({static_cast<uint32_t>(row), scope_->LineOf(row), "", "", "",
                                  import_texts::kNotWrittenAfterStop});
    }
  }

  // A failure that no row can get past: the rows since the last commit are lost with the batch.
  void Stopped(const DbError& error, size_t rows) {
    batch_.reset();
    if (writes_) writes_->Clear();
    pending_.clear();
    ImportReport& report = result_.report;
    report.rowsWritten = committed_.rowsWritten;
    report.added = committed_.added;
    report.updated = committed_.updated;
    report.unchanged = committed_.unchanged;
    result_.status = ImportResult::Status::Stopped;
    result_.message = error.what();
    if (!options_.testRun) ReportRowsNotWritten(committedThrough_ + 1, rows);
  }

  // Adds the row's counts to the report, or takes them back.
  void Tally(const Counts& counts, bool add) {
    ImportReport& report = result_.report;
    auto apply = [add](size_t& total, size_t count) {
      total = add ? total + count : total - count;
    };
    apply(report.rowsWritten, counts.rowsWritten);
    apply(report.added, counts.added);
    apply(report.updated, counts.updated);
    apply(report.unchanged, counts.unchanged);
  }

  void StartBatch() {
    batch_.emplace(connection_->Begin());
    batchStart_ = std::chrono::steady_clock::now();
    rowsInBatch_ = 0;
  }

  // Waits at a row boundary while the run is paused, with the rows so far committed; false when
  // the user chose to cancel meanwhile.
  bool GoOnAfterPause(const std::atomic<bool>& cancel) {
    CommitBatch();
    while (options_.pause->load() && !cancel.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !cancel.load();
  }

  void CommitBatch() {
    if (!batch_ || options_.testRun) return;
    Send();
    batch_->Commit();
    batch_.reset();
    const ImportReport& report = result_.report;
    committed_ = {report.rowsWritten, report.added, report.updated, report.unchanged};
    committedThrough_ = currentRow_;
    rejectedSinceCommit_.clear();
    result_.deleted += deletedInBatch_;
    deletedInBatch_ = 0;
  }

  const SessionContext& context_;
  const ImportSettings& settings_;
  const RunOptions options_;
  const SourceTable& source_;
  const std::vector<GridColumn>& columns_;
  ValueConverter converter_;
  const DataKindInfo& kind_;
  const DateTime today_ = Today();

  ImportResult result_;
  RunPreview preview_;
  std::unique_ptr<Connection> connection_;
  // Held to the end of the run, released before the connection closes.
  std::vector<ImportLock> locks_;
  std::unique_ptr<TargetTable> table_;
  std::unique_ptr<RowRecord> record_;
  std::unique_ptr<RowScope> scope_;
  std::unique_ptr<ColumnWriter> columnWriter_;
  std::unique_ptr<RecordKeys> keys_;
  std::unique_ptr<RecordNumbers> numbers_;
  std::unique_ptr<RecordWriter> writer_;
  std::unique_ptr<WriteBatch> writes_;  // none where rows are written at once
  // The rows whose writes wait in the batch, in its order: what to take back when one is
  // refused.
  struct PendingRow {
    uint32_t row;
    std::string key;
    bool wasNew;
    Counts counts;
  };
  std::vector<PendingRow> pending_;
  size_t readAheadFrom_ = 1;
  bool stop_ = false;
  Counts rowCounts_, committed_;
  std::optional<Transaction> batch_;
  std::chrono::steady_clock::time_point batchStart_;
  size_t rowsInBatch_ = 0;
  size_t deletedInBatch_ = 0;
  size_t currentRow_ = 0;
  size_t committedThrough_ = 0;              // the rows up to this one are committed
  std::vector<size_t> rejectedSinceCommit_;  // reported already, ascending
};

}  // namespace

ImportResult RunImport(const SessionContext& context, const ImportSettings& settings,
                       const SourceTable& source, const std::vector<GridColumn>& columns,
                       const RowProgress& progress, const std::atomic<bool>& cancel,
                       const RunOptions& options) {
  Runner runner(context, settings, source, columns, options);
  return runner.Run(progress, cancel);
}

}  // namespace velra
