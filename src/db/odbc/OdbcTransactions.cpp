// The transaction of an OdbcSession and the row's savepoint in it.

#include <sqlext.h>

#include "db/DbError.h"
#include "db/odbc/Diagnostics.h"
#include "db/odbc/DialectSql.h"
#include "db/odbc/OdbcErrors.h"
#include "db/odbc/OdbcMessages.h"
#include "db/odbc/OdbcSession.h"

namespace velra::odbc {

void OdbcSession::BeforeExecute() {
  if (!savepointPending_) return;
  savepointPending_ = false;
  RunNow(SavepointStatement(kind_, releasePending_));
  releasePending_ = false;
  savepointActive_ = true;
}

int OdbcSession::TakeSavepointPrefix() {
  if (kind_ != BackendKind::PostgreSql || !savepointPending_) {
    BeforeExecute();
    return 0;
  }
  savepointPending_ = false;
  savepointActive_ = true;
  const int count = releasePending_ ? 2 : 1;
  releasePending_ = false;
  return count;
}

void OdbcSession::Begin() {
  if (inTransaction_) throw DbError(DbError::Kind::Statement, text::kTransactionOpen);
  if (kind_ == BackendKind::PostgreSql)
    Check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                            reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, dbc_);
  else
    RunNow(kSqlServerBegin);
  inTransaction_ = true;
  ClearTransactionState();
}

void OdbcSession::Commit() {
  if (!inTransaction_) return;
  // After a statement that failed outside a rolled-back savepoint the transaction is not whole:
  // PostgreSQL would answer COMMIT with a silent rollback, SQL Server would commit the work before
  // the failure. Both refuse it alike.
  if (failedOutsideSavepoint_ || failedInSavepoint_) {
    Rollback();
    throw StatementError(DbError::Kind::Statement, text::kTransactionAborted, Target());
  }
  if (kind_ == BackendKind::PostgreSql) {
    Check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_);
    EndTransaction();
  } else {
    RunNow(kSqlServerCommit);
    inTransaction_ = false;
    ClearTransactionState();
  }
}

void OdbcSession::Rollback() {
  if (!inTransaction_) return;
  if (kind_ == BackendKind::PostgreSql) {
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    if (!SQL_SUCCEEDED(rc)) {
      const std::vector<DriverDiagnostic> records = ReadDiagnostics(SQL_HANDLE_DBC, dbc_);
      EndTransaction();
      throw StatementError(DbError::Kind::Statement, ReasonOf(records, secret_), Target());
    }
    EndTransaction();
  } else {
    inTransaction_ = false;
    ClearTransactionState();
    RunNow(kSqlServerRollback);
  }
}

void OdbcSession::Savepoint() {
  if (!inTransaction_) throw DbError(DbError::Kind::Statement, text::kNoTransaction);
  // The row before's savepoint, if it was not released, is released together with this one.
  if (savepointActive_ && kind_ == BackendKind::PostgreSql) releasePending_ = true;
  savepointActive_ = false;
  savepointPending_ = true;
}

void OdbcSession::ReleaseSavepoint() {
  if (savepointPending_) {
    savepointPending_ = false;
    return;
  }
  if (!savepointActive_) throw DbError(DbError::Kind::Statement, text::kNoSavepoint);
  savepointActive_ = false;
  if (kind_ == BackendKind::PostgreSql) releasePending_ = true;
}

void OdbcSession::RollbackToSavepoint() {
  if (savepointPending_) {
    savepointPending_ = false;
    return;
  }
  if (!savepointActive_) throw DbError(DbError::Kind::Statement, text::kNoSavepoint);
  RunNow(RollbackToSavepointStatement(kind_));
  savepointActive_ = false;
  failedInSavepoint_ = false;
}

void OdbcSession::EndTransaction() {
  inTransaction_ = false;
  ClearTransactionState();
  SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
}

void OdbcSession::ClearTransactionState() {
  savepointPending_ = releasePending_ = savepointActive_ = false;
  failedInSavepoint_ = failedOutsideSavepoint_ = false;
}

}  // namespace velra::odbc
