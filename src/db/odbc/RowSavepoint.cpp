#include "db/odbc/RowSavepoint.h"

namespace velra::odbc {

void RowSavepoint::Clear() {
  pending_ = active_ = releasePending_ = false;
  failedInSavepoint_ = failedOutsideSavepoint_ = transactionEnded_ = false;
}

void RowSavepoint::Ask() {
  // The row before's savepoint, if it was not released, is released together with this one.
  if (active_ && kind_ == BackendKind::PostgreSql) releasePending_ = true;
  active_ = false;
  pending_ = true;
}

int RowSavepoint::Take() {
  if (!pending_) return 0;
  pending_ = false;
  active_ = true;
  const int statements = releasePending_ ? 2 : 1;
  releasePending_ = false;
  return statements;
}

bool RowSavepoint::Release() {
  if (pending_) {
    pending_ = false;
    return true;
  }
  if (!active_) return false;
  active_ = false;
  // SQL Server has no release; PostgreSQL's goes with the next savepoint.
  if (kind_ == BackendKind::PostgreSql) releasePending_ = true;
  return true;
}

RowSavepoint::Undo RowSavepoint::Rollback() {
  if (transactionEnded_) return Undo::TransactionEnded;
  if (pending_) {
    pending_ = false;
    return Undo::Nothing;
  }
  if (!active_) return Undo::NoSavepoint;
  active_ = false;
  failedInSavepoint_ = false;
  return Undo::ToSavepoint;
}

void RowSavepoint::Failed(bool endsTransaction) {
  if (endsTransaction) {
    // Nothing is left to roll back to, and nothing may be committed.
    transactionEnded_ = true;
    pending_ = releasePending_ = active_ = false;
    failedOutsideSavepoint_ = true;
    return;
  }
  (active_ ? failedInSavepoint_ : failedOutsideSavepoint_) = true;
}

void RowSavepoint::CarrierFailed() {
  if (transactionEnded_ || kind_ != BackendKind::SqlServer) return;
  active_ = false;
  pending_ = true;
  failedInSavepoint_ = false;
}

}  // namespace velra::odbc
