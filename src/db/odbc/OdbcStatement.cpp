#include "db/odbc/OdbcStatement.h"

#include <sqlext.h>
#include <sqlucode.h>

#include "db/DbError.h"
#include "db/odbc/DialectSql.h"
#include "db/odbc/OdbcSession.h"
#include "db/odbc/Utf16.h"

namespace velra::odbc {

OdbcStatement::OdbcStatement(std::shared_ptr<OdbcSession> session, std::string sql,
                             InsertId insertId, bool isInsert)
    : session_(std::move(session)),
      sql_(std::move(sql)),
      insertId_(insertId),
      isInsert_(isInsert),
      parameters_(*session_) {
  Handle(0);
}

OdbcStatement::~OdbcStatement() {
  for (SQLHSTMT handle : handles_)
    if (handle != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle);
}

void OdbcStatement::Bind(int index, const Value& value) {
  parameters_.Set(index, value, handles_[0]);
  for (size_t variant = 0; variant < handles_.size(); ++variant)
    if (handles_[variant] != SQL_NULL_HSTMT) parameters_.Bind(handles_[variant], variant, index);
}

bool OdbcStatement::Step() {
  if (state_ == State::Done) Reset();
  if (state_ == State::Ready) {
    Execute();
    if (state_ != State::Rows) return false;
  }
  return Fetch();
}

void OdbcStatement::Reset() {
  CloseCursor();
  state_ = State::Ready;
}

int OdbcStatement::ColumnCount() const {
  Describe();
  return static_cast<int>(columns_.size());
}

std::string OdbcStatement::ColumnName(int index) const {
  Describe();
  if (index < 0 || static_cast<size_t>(index) >= columns_.size()) return {};
  return columns_[static_cast<size_t>(index)].name;
}

Value OdbcStatement::ColumnValue(int index) const {
  if (state_ != State::Rows || index < 0 || static_cast<size_t>(index) >= columns_.size())
    return {};
  // Columns are read in their order once per row, which every driver allows.
  while (nextUnread_ <= static_cast<size_t>(index)) {
    row_[nextUnread_] = ReadColumnValue(
        *session_, active_, static_cast<SQLUSMALLINT>(nextUnread_ + 1), columns_[nextUnread_]);
    ++nextUnread_;
  }
  return row_[static_cast<size_t>(index)];
}

// The statement handle for a number of savepoint statements in front, prepared when first
// needed, with the parameters bound so far.
SQLHSTMT OdbcStatement::Handle(size_t variant) {
  if (handles_[variant] != SQL_NULL_HSTMT) return handles_[variant];
  SQLHSTMT handle = SQL_NULL_HSTMT;
  session_->Check(SQLAllocHandle(SQL_HANDLE_STMT, session_->Dbc(), &handle), SQL_HANDLE_DBC,
                  session_->Dbc());
  std::u16string wide = Utf16(SavepointPrefix(session_->Kind(), static_cast<int>(variant)) + sql_);
  SQLRETURN rc = SQLPrepareW(handle, Wide(wide), static_cast<SQLINTEGER>(wide.size()));
  if (!SQL_SUCCEEDED(rc)) {
    try {
      session_->Fail(SQL_HANDLE_STMT, handle);
    } catch (...) {
      SQLFreeHandle(SQL_HANDLE_STMT, handle);
      throw;
    }
  }
  handles_[variant] = handle;
  parameters_.BindAll(handle, variant);
  return handle;
}

void OdbcStatement::Execute() {
  CloseCursor();
  const int prefix = session_->TakeSavepointPrefix();
  const SQLHSTMT handle = Handle(static_cast<size_t>(prefix));
  active_ = handle;
  SQLRETURN rc = SQLExecute(handle);
  cursorOpen_ = true;
  // The results of the savepoint statements come first. FreeTDS may pass over SQL Server's
  // SAVE TRANSACTION, which has no result of its own: only a result without columns and
  // without a count is one of them there.
  for (int i = 0; (rc == SQL_NO_DATA || SQL_SUCCEEDED(rc)) && i < prefix; ++i) {
    if (session_->Kind() == BackendKind::SqlServer && !IsBareResult(handle)) break;
    rc = SQLMoreResults(handle);
  }
  if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) {
    try {
      FailAndClose();
    } catch (const DbError&) {
      if (prefix > 0) session_->SavepointCarrierFailed();
      throw;
    }
  }
  changes_ = 0;
  if (insertId_ != InsertId::None) {
    ReadInsertedId();
    state_ = State::Done;
    return;
  }
  Describe();
  if (columns_.empty()) {
    SQLLEN count = 0;
    if (SQL_SUCCEEDED(SQLRowCount(handle, &count)) && count > 0) changes_ = count;
    if (isInsert_) session_->SetLastInsertId(0);
    CloseCursor();
    state_ = State::Done;
    return;
  }
  state_ = State::Rows;
}

// A result that has neither columns nor a count of changed rows: that of a statement such as a
// savepoint.
bool OdbcStatement::IsBareResult(SQLHSTMT handle) {
  SQLSMALLINT columns = 0;
  SQLLEN count = -1;
  return SQL_SUCCEEDED(SQLNumResultCols(handle, &columns)) && columns == 0 &&
         SQL_SUCCEEDED(SQLRowCount(handle, &count)) && count < 0;
}

// The INSERT came back with the ID of its row: as the result of RETURNING on PostgreSQL, as
// the result of the SELECT SCOPE_IDENTITY() behind it on SQL Server.
void OdbcStatement::ReadInsertedId() {
  int64_t id = 0;
  bool counted = false;
  for (;;) {
    SQLSMALLINT columns = 0;
    SQLNumResultCols(active_, &columns);
    SQLLEN count = -1;
    if (!counted && SQL_SUCCEEDED(SQLRowCount(active_, &count)) && count >= 0) {
      changes_ = count;
      counted = true;
    }
    if (columns > 0) {
      for (;;) {
        SQLRETURN rc = SQLFetch(active_);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) FailAndClose();
        SQLBIGINT value = 0;
        SQLLEN indicator = 0;
        rc = SQLGetData(active_, 1, SQL_C_SBIGINT, &value, 0, &indicator);
        if (!SQL_SUCCEEDED(rc)) FailAndClose();
        id = indicator == SQL_NULL_DATA ? 0 : value;
      }
    }
    SQLRETURN rc = SQLMoreResults(active_);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) FailAndClose();
  }
  CloseCursor();
  session_->SetLastInsertId(id);
}

// The diagnostics belong to the statement: they are read before it is closed.
void OdbcStatement::FailAndClose() {
  state_ = State::Ready;
  try {
    session_->Fail(SQL_HANDLE_STMT, active_);
  } catch (...) {
    CloseCursor();
    throw;
  }
}

bool OdbcStatement::Fetch() {
  SQLRETURN rc = SQLFetch(active_);
  if (rc == SQL_NO_DATA) {
    CloseCursor();
    state_ = State::Done;
    return false;
  }
  if (!SQL_SUCCEEDED(rc)) FailAndClose();
  row_.assign(columns_.size(), Value());
  nextUnread_ = 0;
  return true;
}

void OdbcStatement::CloseCursor() {
  if (!cursorOpen_) return;
  SQLFreeStmt(active_, SQL_CLOSE);
  cursorOpen_ = false;
}

// The result's columns, read once: a prepared statement keeps its shape. Before the first run
// they come from the statement without savepoints in front.
void OdbcStatement::Describe() const {
  if (described_) return;
  columns_ = DescribeResult(*session_, active_ != SQL_NULL_HSTMT ? active_ : handles_[0]);
  described_ = true;
}

}  // namespace velra::odbc
