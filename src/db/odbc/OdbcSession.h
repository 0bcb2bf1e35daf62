#pragma once
// One connection to the server, shared by the backend and its statements: the driver's handles,
// the transaction with the row's savepoint (OdbcTransactions.cpp) and the columns of the tables
// read so far (OdbcCatalog.cpp).

#include <sql.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Backend.h"
#include "db/ConnectionParameters.h"
#include "db/Dialect.h"
#include "db/odbc/ConnectFailure.h"
#include "db/odbc/OdbcConnectionString.h"
#include "db/odbc/RowSavepoint.h"

namespace velra::odbc {

class OdbcStatement;

class OdbcSession : public std::enable_shared_from_this<OdbcSession> {
 public:
  explicit OdbcSession(const ServerLogin& login);
  ~OdbcSession();
  OdbcSession(const OdbcSession&) = delete;
  OdbcSession& operator=(const OdbcSession&) = delete;

  // Throws DbError::Kind::Open with the server's reason.
  void Connect(const ServerLogin& login);
  // A row that another user holds is waited for as long as a file company waits.
  void SetBusyTimeout(int milliseconds);

  SQLHDBC Dbc() const { return dbc_; }
  BackendKind Kind() const { return kind_; }
  const Dialect& GetDialect() const { return dialect_; }
  ConnectTarget Target() const { return {server_, database_, user_}; }
  std::string DisplayName() const;

  std::unique_ptr<OdbcStatement> Prepare(std::string_view sql);
  // Runs statements without parameters and discards what they return.
  void Run(std::string_view sql);

  // Throws the DbError the diagnostics of `handle` tell. `onServer`: the server ran the
  // statement and failed, which aborts a PostgreSQL transaction; a failure of the driver alone
  // (reading a value) leaves it intact.
  [[noreturn]] void Fail(SQLSMALLINT type, SQLHANDLE handle, bool onServer = true);
  void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) {
    if (!SQL_SUCCEEDED(rc)) Fail(type, handle);
  }

  void SetLastInsertId(int64_t id) { lastInsertId_ = id; }
  int64_t LastInsertId() const { return lastInsertId_; }

  // ---- Transactions and the row's savepoint (OdbcTransactions.cpp)

  // Every statement goes through here first: a savepoint asked for goes to the server now,
  // together with the release of the row before.
  void BeforeExecute();
  // A prepared statement takes the savepoint asked for along in front of itself, in its batch,
  // so that it costs no round trip of its own: the number of statements put in front (0, 1 or
  // 2, see SavepointPrefix).
  int TakeSavepointPrefix() { return savepoint_.Take(); }
  // The statement that took the savepoint along failed (see RowSavepoint::CarrierFailed).
  void SavepointCarrierFailed() { savepoint_.CarrierFailed(); }
  void Begin();
  void Commit();
  void Rollback();
  void Savepoint();
  void ReleaseSavepoint();
  void RollbackToSavepoint();
  bool InTransaction() const { return inTransaction_; }

  // ---- Tables and their columns (OdbcCatalog.cpp)

  std::vector<ColumnInfo> Columns(std::string_view table);
  std::vector<std::string> Tables();
  // The columns of a table as read last; for what the backend finds out by itself.
  const std::vector<ColumnInfo>& KnownColumns(const std::string& table);
  void ForgetColumns() { columnCache_.clear(); }
  bool IsFlagColumn(const std::string& table, const std::string& column);

 private:
  [[noreturn]] void FailOpen(SQLSMALLINT type, SQLHANDLE handle);
  bool ConnectionDead() const;
  // Runs statements on the utility handle, without a savepoint asked for.
  void RunNow(std::string_view sql);
  void EndTransaction();

  BackendKind kind_;
  std::string server_, database_, user_, driver_, secret_;
  Dialect dialect_;
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  SQLHSTMT util_ = SQL_NULL_HSTMT;
  bool connected_ = false;
  bool inTransaction_ = false;
  RowSavepoint savepoint_;
  int64_t lastInsertId_ = 0;
  std::map<std::string, std::vector<ColumnInfo>> columnCache_;
};

}  // namespace velra::odbc
