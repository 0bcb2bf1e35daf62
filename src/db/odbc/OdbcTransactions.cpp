// The transaction of an OdbcSession and the row's savepoint in it (RowSavepoint keeps its
// bookkeeping).

#include <sqlext.h>

#include "db/DbError.h"
#include "db/odbc/Diagnostics.h"
#include "db/odbc/DialectSql.h"
#include "db/odbc/OdbcErrors.h"
#include "db/odbc/OdbcMessages.h"
#include "db/odbc/OdbcSession.h"

namespace velra::odbc {

void OdbcSession::BeforeExecute() {
  if (const int statements = savepoint_.Take()) RunNow(SavepointStatement(kind_, statements == 2));
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
  savepoint_.Clear();
}

void OdbcSession::Commit() {
  if (!inTransaction_) return;
  // After a statement that failed outside a rolled-back savepoint the transaction is not whole:
  // PostgreSQL would answer COMMIT with a silent rollback, SQL Server would commit the work before
  // the failure. Both refuse it alike.
  if (!savepoint_.Whole()) {
    Rollback();
    throw StatementError(DbError::Kind::Statement, text::kTransactionAborted, Target());
  }
  if (kind_ == BackendKind::PostgreSql) {
    Check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_);
    EndTransaction();
  } else {
    RunNow(kSqlServerCommit);
    inTransaction_ = false;
    savepoint_.Clear();
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
    savepoint_.Clear();
    RunNow(kSqlServerRollback);
  }
}

void OdbcSession::Savepoint() {
  if (!inTransaction_) throw DbError(DbError::Kind::Statement, text::kNoTransaction);
  savepoint_.Ask();
}

void OdbcSession::ReleaseSavepoint() {
  if (!savepoint_.Release()) throw DbError(DbError::Kind::Statement, text::kNoSavepoint);
}

void OdbcSession::RollbackToSavepoint() {
  switch (savepoint_.Rollback()) {
    case RowSavepoint::Undo::Nothing:
      return;
    case RowSavepoint::Undo::ToSavepoint:
      RunNow(RollbackToSavepointStatement(kind_));
      return;
    case RowSavepoint::Undo::NoSavepoint:
      throw DbError(DbError::Kind::Statement, text::kNoSavepoint);
    case RowSavepoint::Undo::TransactionEnded:
      // Undoing the row alone would hide that the rows before it are gone too.
      throw StatementError(DbError::Kind::Locked, text::kTransactionEndedByServer, Target());
  }
}

void OdbcSession::EndTransaction() {
  inTransaction_ = false;
  savepoint_.Clear();
  SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
}

}  // namespace velra::odbc
