#include "db/odbc/OdbcSession.h"

#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <optional>

#include "base/Text.h"
#include "db/DbError.h"
#include "db/odbc/Diagnostics.h"
#include "db/odbc/DialectSql.h"
#include "db/odbc/OdbcErrors.h"
#include "db/odbc/OdbcMessages.h"
#include "db/odbc/OdbcStatement.h"
#include "db/odbc/SqlText.h"
#include "db/odbc/Utf16.h"

namespace velra::odbc {

OdbcSession::OdbcSession(const ServerLogin& login)
    : kind_(login.kind),
      server_(login.server),
      database_(login.database),
      user_(login.integrated ? std::string() : login.user),
      driver_(OdbcDriver(login.kind)),
      secret_(login.password),
      dialect_(login.kind),
      savepoint_(login.kind) {}

OdbcSession::~OdbcSession() {
  if (util_) SQLFreeHandle(SQL_HANDLE_STMT, util_);
  if (connected_) {
    if (inTransaction_ && kind_ == BackendKind::PostgreSql)
      SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SQLDisconnect(dbc_);
  }
  if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void OdbcSession::Connect(const ServerLogin& login) {
  if (server_.empty()) throw DbError(DbError::Kind::Open, text::kNoServer);
  if (database_.empty()) throw DbError(DbError::Kind::Open, text::kNoDatabase);
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
    throw DbError(DbError::Kind::Open,
                  ConnectFailureMessage(ConnectFailure::Other, Target(), text::kNoEnvironment));
  SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) FailOpen(SQL_HANDLE_ENV, env_);
  if (login.timeoutSeconds)
    SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(*login.timeoutSeconds)),
                      0);
  std::u16string connectionString = Utf16(OdbcConnectionString(login));
  SQLSMALLINT outLength = 0;
  SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, Wide(connectionString), SQL_NTS, nullptr, 0,
                                   &outLength, SQL_DRIVER_NOPROMPT);
  std::fill(connectionString.begin(), connectionString.end(), u'\0');
  if (!SQL_SUCCEEDED(rc)) FailOpen(SQL_HANDLE_DBC, dbc_);
  connected_ = true;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &util_))) FailOpen(SQL_HANDLE_DBC, dbc_);
  if (kind_ == BackendKind::SqlServer) RunNow(kSqlServerQuotedNames);
}

void OdbcSession::SetBusyTimeout(int milliseconds) {
  if (kind_ == BackendKind::PostgreSql) {
    std::unique_ptr<OdbcStatement> set = Prepare(kPostgreSqlLockTimeout);
    set->Bind(1, Value(std::to_string(milliseconds)));
    while (set->Step()) {
    }
  } else {
    Run(SqlServerLockTimeout(milliseconds));
  }
}

std::string OdbcSession::DisplayName() const {
  return DisplayNameOf(Target());
}

std::unique_ptr<OdbcStatement> OdbcSession::Prepare(std::string_view sql) {
  const std::string code = CodeOnly(sql, kind_);
  if (IsSchemaChange(code)) ForgetColumns();
  std::string text(sql);
  auto insertId = OdbcStatement::InsertId::None;
  const std::optional<std::string> table = InsertTable(sql, code, kind_);
  if (table) {
    if (kind_ == BackendKind::PostgreSql) {
      for (const ColumnInfo& column : KnownColumns(*table)) {
        if (!EqualsIgnoreCase(column.name, "ID")) continue;
        text = InsertReturningId(kind_, WithoutTail(sql, code), dialect_.Quote(column.name));
        insertId = OdbcStatement::InsertId::Returning;
        break;
      }
    } else {
      text = InsertReturningId(kind_, WithoutTail(sql, code), {});
      insertId = OdbcStatement::InsertId::ScopeIdentity;
    }
  }
  return std::make_unique<OdbcStatement>(shared_from_this(), std::move(text), insertId,
                                         table.has_value());
}

void OdbcSession::Run(std::string_view sql) {
  BeforeExecute();
  RunNow(sql);
}

void OdbcSession::Fail(SQLSMALLINT type, SQLHANDLE handle, bool onServer) {
  const std::vector<DriverDiagnostic> records = ReadDiagnostics(type, handle);
  const std::string reason = ReasonOf(records, secret_);
  if (inTransaction_ && onServer) savepoint_.Failed(EndsTransaction(kind_, records));
  const DbError::Kind kind =
      StatementFailureKind(kind_, records, [this] { return ConnectionDead(); });
  throw StatementError(kind, reason, Target());
}

void OdbcSession::FailOpen(SQLSMALLINT type, SQLHANDLE handle) {
  const std::vector<DriverDiagnostic> records = ReadDiagnostics(type, handle);
  throw OpenError(kind_, records, ReasonOf(records, secret_), driver_, Target());
}

bool OdbcSession::ConnectionDead() const {
  SQLUINTEGER dead = SQL_CD_FALSE;
  return SQL_SUCCEEDED(SQLGetConnectAttr(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
         dead == SQL_CD_TRUE;
}

void OdbcSession::RunNow(std::string_view sql) {
  std::u16string wide = Utf16(sql);
  SQLRETURN rc = SQLExecDirectW(util_, Wide(wide), static_cast<SQLINTEGER>(wide.size()));
  // The driver's messages belong to the statement: they are read before it is closed.
  auto fail = [this] {
    try {
      Fail(SQL_HANDLE_STMT, util_);
    } catch (...) {
      SQLFreeStmt(util_, SQL_CLOSE);
      throw;
    }
  };
  if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) fail();
  for (;;) {
    rc = SQLMoreResults(util_);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) fail();
  }
  SQLFreeStmt(util_, SQL_CLOSE);
}

}  // namespace velra::odbc
