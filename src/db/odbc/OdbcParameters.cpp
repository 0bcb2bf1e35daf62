#include "db/odbc/OdbcParameters.h"

#include <sqlucode.h>

#include <algorithm>

#include "base/Text.h"
#include "db/DbError.h"
#include "db/DbTexts.h"
#include "db/odbc/OdbcErrors.h"
#include "db/odbc/OdbcMessages.h"
#include "db/odbc/OdbcSession.h"
#include "db/odbc/Utf16.h"

namespace velra::odbc {

namespace {

// Texts up to this many characters are declared as one fixed size, so that SQL Server sees the
// same parameter types for every row and keeps its plan; longer ones as long texts.
constexpr size_t kShortTextChars = 4000;
constexpr size_t kShortBinaryBytes = 8000;

}  // namespace

OdbcParameters::Parameter& OdbcParameters::At(int index) {
  if (index < 1)
    throw StatementError(DbError::Kind::Statement,
                         Fill(text::kBadParameter, {std::to_string(index)}), session_.Target());
  while (parameters_.size() < static_cast<size_t>(index))
    parameters_.push_back(std::make_unique<Parameter>());
  return *parameters_[static_cast<size_t>(index - 1)];
}

void OdbcParameters::TypeAs(Parameter& p, Value::Type type) {
  switch (type) {
    case Value::Type::Boolean:
      p.Set(SQL_C_SSHORT, SQL_SMALLINT, 5);
      break;
    case Value::Type::Integer:
      p.Set(SQL_C_SBIGINT, SQL_BIGINT, 19);
      break;
    case Value::Type::Double:
      p.Set(SQL_C_DOUBLE, SQL_DOUBLE, 15);
      break;
    case Value::Type::Date:
      p.Set(SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19);
      break;
    case Value::Type::Binary:
      p.Set(SQL_C_BINARY, SQL_VARBINARY, kShortBinaryBytes);
      break;
    case Value::Type::Text:
    case Value::Type::Null:
      p.Set(SQL_C_WCHAR, SQL_WVARCHAR, kShortTextChars);
      break;
  }
}

void OdbcParameters::Declare(int index, Value::Type column) {
  At(index).column = column;
}

void OdbcParameters::Set(int index, const Value& value, SQLHSTMT describe) {
  Parameter& p = At(index);
  p.indicator = 0;
  switch (value.GetType()) {
    case Value::Type::Null:
      SetNull(p, index, describe);
      break;
    case Value::Type::Boolean:
      TypeAs(p, Value::Type::Boolean);
      p.small = value.AsBool() ? session_.GetDialect().TrueValue() : int16_t{0};
      break;
    case Value::Type::Integer:
      TypeAs(p, Value::Type::Integer);
      p.integer = value.AsInteger();
      break;
    case Value::Type::Double:
      TypeAs(p, Value::Type::Double);
      p.real = value.AsDouble();
      break;
    case Value::Type::Text:
      SetText(p, value.AsText());
      break;
    case Value::Type::Date: {
      const DateTime& date = value.AsDate();
      TypeAs(p, Value::Type::Date);
      p.timestamp = {};
      p.timestamp.year = static_cast<SQLSMALLINT>(date.Year);
      p.timestamp.month = static_cast<SQLUSMALLINT>(date.Month);
      p.timestamp.day = static_cast<SQLUSMALLINT>(date.Day);
      p.timestamp.hour = static_cast<SQLUSMALLINT>(date.Hour);
      p.timestamp.minute = static_cast<SQLUSMALLINT>(date.Minute);
      p.timestamp.second = static_cast<SQLUSMALLINT>(date.Second);
      break;
    }
    case Value::Type::Binary:
      SetBytes(p, value.AsBytes());
      break;
  }
  if (value.GetType() != Value::Type::Null) p.typed = true;
}

void OdbcParameters::SetNull(Parameter& p, int index, SQLHSTMT describe) {
  p.indicator = SQL_NULL_DATA;
  // A null keeps the type of the values before it, which the server has planned for. SQL Server
  // converts no text to binary, not even a null: a first null takes the type of its column, else
  // the type the driver reports for the parameter (FreeTDS cannot tell it).
  if (p.typed || session_.Kind() != BackendKind::SqlServer) return;
  if (p.column) {
    TypeAs(p, *p.column);
    return;
  }
  SQLSMALLINT type = 0, digits = 0, nullable = 0;
  SQLULEN size = 0;
  if (describe != SQL_NULL_HSTMT &&
      SQL_SUCCEEDED(SQLDescribeParam(describe, static_cast<SQLUSMALLINT>(index), &type, &size,
                                     &digits, &nullable)) &&
      type != 0)
    p.Set(SQL_C_WCHAR, type, std::max<SQLULEN>(size, 1));
}

void OdbcParameters::SetText(Parameter& p, const std::string& text) {
  // PostgreSQL keeps no NUL in a text; the driver would cut the text there.
  if (session_.Kind() == BackendKind::PostgreSql && text.find('\0') != std::string::npos)
    throw DbError(DbError::Kind::Constraint, Fill(db_texts::kRejected, {db_texts::kNulInText}));
  p.text.clear();
  AppendUtf16(text, p.text);
  const size_t length = p.text.size();
  if (length <= kShortTextChars)
    p.Set(SQL_C_WCHAR, SQL_WVARCHAR, kShortTextChars);
  else
    p.Set(SQL_C_WCHAR, SQL_WLONGVARCHAR, length);
  p.indicator = static_cast<SQLLEN>(length * sizeof(char16_t));
}

void OdbcParameters::SetBytes(Parameter& p, const Bytes& bytes) {
  p.bytes = bytes;
  const size_t length = p.bytes.size();
  // psqlODBC would take a long binary for a large object rather than bytea.
  if (session_.Kind() == BackendKind::PostgreSql)
    p.Set(SQL_C_BINARY, SQL_VARBINARY, std::max<size_t>(length, 1));
  else if (length <= kShortBinaryBytes)
    p.Set(SQL_C_BINARY, SQL_VARBINARY, kShortBinaryBytes);
  else
    p.Set(SQL_C_BINARY, SQL_LONGVARBINARY, length);
  p.indicator = static_cast<SQLLEN>(length);
}

void OdbcParameters::BindAll(SQLHSTMT handle, size_t variant) {
  for (size_t i = 0; i < parameters_.size(); ++i) Bind(handle, variant, static_cast<int>(i + 1));
}

void OdbcParameters::Bind(SQLHSTMT handle, size_t variant, int index) {
  static unsigned char empty = 0;
  Parameter& p = *parameters_[static_cast<size_t>(index - 1)];
  SQLPOINTER buffer = nullptr;
  SQLLEN length = 0;
  switch (p.cType) {
    case SQL_C_SSHORT:
      buffer = &p.small;
      break;
    case SQL_C_SBIGINT:
      buffer = &p.integer;
      break;
    case SQL_C_DOUBLE:
      buffer = &p.real;
      break;
    case SQL_C_TYPE_TIMESTAMP:
      buffer = &p.timestamp;
      break;
    case SQL_C_BINARY:
      buffer = p.bytes.empty() ? static_cast<SQLPOINTER>(&empty) : p.bytes.data();
      length = static_cast<SQLLEN>(p.bytes.size());
      break;
    default:
      buffer = p.text.data();
      length = static_cast<SQLLEN>(p.text.capacity() * sizeof(char16_t));
      break;
  }
  // The driver reads the buffers when the statement runs: an unchanged binding stays.
  Binding& binding = p.bindings[variant];
  if (binding.bound && binding.cType == p.cType && binding.sqlType == p.sqlType &&
      binding.size == p.columnSize && binding.buffer == buffer && binding.length >= length)
    return;
  binding.bound = false;
  if (!SQL_SUCCEEDED(SQLBindParameter(handle, static_cast<SQLUSMALLINT>(index), SQL_PARAM_INPUT,
                                      p.cType, p.sqlType, p.columnSize, 0, buffer, length,
                                      &p.indicator)))
    session_.Fail(SQL_HANDLE_STMT, handle, false);
  binding = {true, p.cType, p.sqlType, p.columnSize, buffer, length};
}

}  // namespace velra::odbc
