#pragma once
// The bookkeeping of the row's savepoint inside a server transaction: asked for, sent along with
// the next statement, released, rolled back to, and what a failed statement leaves. It sends
// nothing itself; the session sends what it says (OdbcTransactions.cpp).

#include "db/ConnectionParameters.h"

namespace velra::odbc {

class RowSavepoint {
 public:
  explicit RowSavepoint(BackendKind kind) : kind_(kind) {}

  // A transaction begins or ends: no savepoint, no failure.
  void Clear();
  // The next row wants its savepoint; it goes to the server with the next statement.
  void Ask();
  // The statements to send before the next one, for its savepoint: none (0), the savepoint (1)
  // or, on PostgreSQL, the release of the row before's and the savepoint (2).
  int Take();
  // The row is done: false when there is no savepoint to release.
  bool Release();

  enum class Undo {
    Nothing,           // the row sent nothing yet, or nothing that took effect
    ToSavepoint,       // roll back to the savepoint, which is gone then
    NoSavepoint,       // there is none
    TransactionEnded,  // the server has rolled back the whole transaction
  };
  Undo Rollback();

  // A statement failed on the server; `endsTransaction`: the server rolled back the whole
  // transaction with it.
  void Failed(bool endsTransaction);
  // On SQL Server, the statement that carried the savepoint in its batch failed: a batch the
  // server refused before running it did not set the savepoint either, and a failed statement
  // changes nothing there. The row has nothing to undo, and a rollback to the savepoint's name
  // would reach the row before's instead.
  void CarrierFailed();
  // Whether the transaction may be committed: no failure outside a rolled-back savepoint.
  bool Whole() const { return !failedInSavepoint_ && !failedOutsideSavepoint_; }

 private:
  BackendKind kind_;
  // Asked for but not yet sent, on the server, or released but still to be told to the server.
  bool pending_ = false, active_ = false, releasePending_ = false;
  // A failed statement aborts a PostgreSQL transaction up to the savepoint around it.
  bool failedInSavepoint_ = false, failedOutsideSavepoint_ = false;
  bool transactionEnded_ = false;
};

}  // namespace velra::odbc
