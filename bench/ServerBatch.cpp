// How fast a PostgreSQL server takes rows through ODBC, written three ways: one prepared INSERT
// per row, one INSERT executed with an array of parameter sets, and one INSERT that carries many
// rows in its VALUES. The rows are a dozen short texts, as an article's; all go into a temporary
// table in one transaction.
//   bench-server-batch HOST,PORT USER PASSWORD [ROWS]

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "db/odbc/OdbcConnectionString.h"

namespace {

constexpr int kColumns = 12;
constexpr int kWidth = 40;  // bytes per text, its end included

struct Odbc {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  ~Odbc() {
    if (dbc) {
      SQLDisconnect(dbc);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    }
    if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
};

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what) {
  if (SQL_SUCCEEDED(rc)) return;
  SQLCHAR state[6] = {}, message[512] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
  std::fprintf(stderr, "%s: %s %s\n", what, state, message);
  std::exit(1);
}

void Run(SQLHDBC dbc, const std::string& sql) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement);
  Check(
      SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS),
      SQL_HANDLE_STMT, statement, sql.c_str());
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
}

// The INSERT for `rows` rows in its VALUES, with `prefix` in front (the row's savepoint, as the
// import takes it).
std::string Insert(int rows, const std::string& prefix) {
  std::string sql = prefix + "INSERT INTO batch_test (";
  for (int c = 1; c <= kColumns; ++c) sql += (c > 1 ? ", c" : "c") + std::to_string(c);
  sql += ") VALUES ";
  for (int r = 0; r < rows; ++r) {
    sql += r ? ", (" : "(";
    for (int c = 0; c < kColumns; ++c) sql += c ? ", ?" : "?";
    sql += ")";
  }
  return sql;
}

// Writes `total` rows with a statement of `rowsPerStatement` rows, executed with `sets` parameter
// sets at a time and `prefix` in front of each; the rows per second.
double Measure(SQLHDBC dbc, int total, int rowsPerStatement, int sets,
               const std::string& prefix = "") {
  Run(dbc, "TRUNCATE batch_test");
  SQLHSTMT statement = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement);
  const std::string sql = Insert(rowsPerStatement, prefix);
  Check(SQLPrepare(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS),
        SQL_HANDLE_STMT, statement, "prepare");
  SQLSetStmtAttr(statement, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(sets), 0);
  SQLSetStmtAttr(statement, SQL_ATTR_PARAM_BIND_TYPE, SQL_PARAM_BIND_BY_COLUMN, 0);
  // Column-wise: one buffer per parameter, `sets` values in each.
  const int parameters = rowsPerStatement * kColumns;
  std::vector<std::vector<char>> buffers(parameters, std::vector<char>(sets * kWidth));
  std::vector<std::vector<SQLLEN>> lengths(parameters, std::vector<SQLLEN>(sets, SQL_NTS));
  for (int p = 0; p < parameters; ++p)
    Check(SQLBindParameter(statement, static_cast<SQLUSMALLINT>(p + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                           SQL_VARCHAR, kWidth, 0, buffers[p].data(), kWidth, lengths[p].data()),
          SQL_HANDLE_STMT, statement, "bind");
  const int rowsPerExecute = rowsPerStatement * sets;
  const auto start = std::chrono::steady_clock::now();
  Run(dbc, "BEGIN");
  if (!prefix.empty()) Run(dbc, "SAVEPOINT r");
  for (int first = 0; first + rowsPerExecute <= total; first += rowsPerExecute) {
    for (int s = 0; s < sets; ++s)
      for (int r = 0; r < rowsPerStatement; ++r)
        for (int c = 0; c < kColumns; ++c) {
          const int row = first + s * rowsPerStatement + r;
          std::snprintf(&buffers[r * kColumns + c][s * kWidth], kWidth, "Wert %d/%d", row, c);
        }
    Check(SQLExecute(statement), SQL_HANDLE_STMT, statement, "execute");
    while (SQLMoreResults(statement) == SQL_SUCCESS) {
    }
  }
  Run(dbc, "COMMIT");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
  return total / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench-server-batch HOST,PORT USER PASSWORD [ROWS]\n");
    return 2;
  }
  const int total = argc > 4 ? std::atoi(argv[4]) : 100000;
  velra::ServerLogin login;
  login.kind = velra::BackendKind::PostgreSql;
  login.server = argv[1];
  login.database = "postgres";
  login.user = argv[2];
  login.password = argv[3];
  Odbc odbc;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &odbc.env);
  SQLSetEnvAttr(odbc.env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, odbc.env, &odbc.dbc);
  const std::string connect = velra::OdbcConnectionString(login);
  Check(SQLDriverConnect(odbc.dbc, nullptr,
                         reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect.c_str())), SQL_NTS,
                         nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
        SQL_HANDLE_DBC, odbc.dbc, "connect");
  std::string columns;
  for (int c = 1; c <= kColumns; ++c) columns += ", c" + std::to_string(c) + " text";
  Run(odbc.dbc, "CREATE TEMP TABLE batch_test (id serial PRIMARY KEY" + columns + ")");
  std::printf("one row per statement:           %.0f rows/s\n", Measure(odbc.dbc, total, 1, 1));
  std::printf("the same, each behind a savepoint: %.0f rows/s\n",
              Measure(odbc.dbc, total, 1, 1, "RELEASE SAVEPOINT r; SAVEPOINT r; "));
  std::printf("1000 parameter sets per execute: %.0f rows/s\n", Measure(odbc.dbc, total, 1, 1000));
  std::printf("100 rows in the VALUES:          %.0f rows/s\n", Measure(odbc.dbc, total, 100, 1));
  return 0;
}
