#include "db/odbc/OdbcResult.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <array>
#include <cstddef>

#include "db/ConnectionParameters.h"
#include "db/odbc/OdbcSession.h"
#include "db/odbc/Utf16.h"

namespace velra::odbc {

namespace {

// SQL Server's time(n) and datetimeoffset, which sqlext.h does not name.
constexpr SQLSMALLINT kSqlServerTime = -154;
constexpr SQLSMALLINT kSqlServerDateTimeOffset = -155;

Value::Type TypeOfSqlType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_BIT:
      return Value::Type::Boolean;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return Value::Type::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return Value::Type::Double;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case kSqlServerTime:
    case kSqlServerDateTimeOffset:
      return Value::Type::Date;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return Value::Type::Binary;
    default:
      return Value::Type::Text;
  }
}

std::string StringAttribute(SQLHSTMT handle, SQLUSMALLINT column, SQLUSMALLINT field) {
  std::u16string value(256, u'\0');
  SQLSMALLINT length = 0;
  SQLRETURN rc =
      SQLColAttributeW(handle, column, field, Wide(value),
                       static_cast<SQLSMALLINT>(value.size() * sizeof(char16_t)), &length, nullptr);
  if (!SQL_SUCCEEDED(rc) || length <= 0) return {};
  const size_t chars = std::min(static_cast<size_t>(length) / sizeof(char16_t), value.size());
  return Utf8(value.data(), chars);
}

// Whether a small integer of the result is a flag column of its table.
bool IsFlag(OdbcSession& session, SQLHSTMT handle, SQLUSMALLINT column) {
  std::string table = StringAttribute(handle, column, SQL_DESC_BASE_TABLE_NAME);
  std::string name = StringAttribute(handle, column, SQL_DESC_BASE_COLUMN_NAME);
  if (table.empty() || name.empty()) return false;
  return session.IsFlagColumn(table, name);
}

ResultColumn DescribeColumn(OdbcSession& session, SQLHSTMT handle, SQLUSMALLINT number) {
  std::u16string name(256, u'\0');
  SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
  SQLULEN size = 0;
  SQLRETURN rc = SQLDescribeColW(handle, number, Wide(name), static_cast<SQLSMALLINT>(name.size()),
                                 &nameLength, &sqlType, &size, &digits, &nullable);
  if (SQL_SUCCEEDED(rc) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
    name.assign(static_cast<size_t>(nameLength) + 1, u'\0');
    rc = SQLDescribeColW(handle, number, Wide(name), static_cast<SQLSMALLINT>(name.size()),
                         &nameLength, &sqlType, &size, &digits, &nullable);
  }
  if (!SQL_SUCCEEDED(rc)) session.Fail(SQL_HANDLE_STMT, handle);
  ResultColumn column;
  column.name =
      Utf8(name.data(),
           std::min(static_cast<size_t>(std::max<SQLSMALLINT>(nameLength, 0)), name.size()));
  column.sqlType = sqlType;
  column.type = TypeOfSqlType(sqlType);
  if (session.Kind() == BackendKind::PostgreSql &&
      (sqlType == SQL_SMALLINT || sqlType == SQL_TINYINT) && IsFlag(session, handle, number))
    column.type = Value::Type::Boolean;
  return column;
}

// One value of a fixed size; false for a null.
bool Get(OdbcSession& session, SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT cType,
         SQLPOINTER buffer, SQLLEN length) {
  SQLLEN indicator = 0;
  SQLRETURN rc = SQLGetData(handle, column, cType, buffer, length, &indicator);
  if (!SQL_SUCCEEDED(rc)) session.Fail(SQL_HANDLE_STMT, handle, false);
  return indicator != SQL_NULL_DATA;
}

Value ReadDate(OdbcSession& session, SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT sqlType) {
  DateTime date;
  if (sqlType == SQL_TYPE_DATE || sqlType == SQL_DATE) {
    SQL_DATE_STRUCT value{};
    if (!Get(session, handle, column, SQL_C_TYPE_DATE, &value, sizeof value)) return {};
    date = {value.year, value.month, value.day, 0, 0, 0};
  } else if (sqlType == SQL_TYPE_TIME || sqlType == SQL_TIME || sqlType == kSqlServerTime) {
    // A time of day alone stands on the suite's day zero.
    SQL_TIME_STRUCT value{};
    if (!Get(session, handle, column, SQL_C_TYPE_TIME, &value, sizeof value)) return {};
    date.Hour = value.hour;
    date.Minute = value.minute;
    date.Second = value.second;
  } else {
    SQL_TIMESTAMP_STRUCT value{};
    if (!Get(session, handle, column, SQL_C_TYPE_TIMESTAMP, &value, sizeof value)) return {};
    date = {value.year, value.month, value.day, value.hour, value.minute, value.second};
  }
  return Value(date);
}

Value ReadText(OdbcSession& session, SQLHSTMT handle, SQLUSMALLINT column) {
  // Most texts fit the buffer on the stack; a longer one is read on into `rest`.
  std::array<char16_t, 1024> first;
  std::u16string text, rest;
  SQLPOINTER buffer = first.data();
  size_t units = first.size();
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(handle, column, SQL_C_WCHAR, buffer,
                              static_cast<SQLLEN>(units * sizeof(char16_t)), &indicator);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) session.Fail(SQL_HANDLE_STMT, handle, false);
    if (indicator == SQL_NULL_DATA) return {};
    const size_t room = units - 1;  // one for the terminating zero
    const bool whole =
        indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) / sizeof(char16_t) <= room;
    const size_t got = whole ? static_cast<size_t>(indicator) / sizeof(char16_t) : room;
    if (whole && text.empty()) return Value(Utf8(static_cast<const char16_t*>(buffer), got));
    text.append(static_cast<const char16_t*>(buffer), got);
    if (whole) break;
    // The rest in one more call when the driver says how long it is.
    rest.assign(indicator != SQL_NO_TOTAL
                    ? static_cast<size_t>(indicator) / sizeof(char16_t) - room + 1
                    : std::max<size_t>(units, 4096),
                u'\0');
    buffer = rest.data();
    units = rest.size();
  }
  return Value(Utf8(text.data(), text.size()));
}

Value ReadBytes(OdbcSession& session, SQLHSTMT handle, SQLUSMALLINT column) {
  Bytes bytes;
  Bytes buffer(8192);
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(handle, column, SQL_C_BINARY, buffer.data(),
                              static_cast<SQLLEN>(buffer.size()), &indicator);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) session.Fail(SQL_HANDLE_STMT, handle, false);
    if (indicator == SQL_NULL_DATA) return {};
    const bool whole = indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) <= buffer.size();
    const size_t got = whole ? static_cast<size_t>(indicator) : buffer.size();
    bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(got));
    if (whole) break;
    if (indicator != SQL_NO_TOTAL) buffer.resize(static_cast<size_t>(indicator) - got);
  }
  return Value(std::move(bytes));
}

}  // namespace

std::vector<ResultColumn> DescribeResult(OdbcSession& session, SQLHSTMT handle) {
  SQLSMALLINT count = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(handle, &count))) session.Fail(SQL_HANDLE_STMT, handle);
  std::vector<ResultColumn> columns;
  for (SQLSMALLINT i = 1; i <= count; ++i)
    columns.push_back(DescribeColumn(session, handle, static_cast<SQLUSMALLINT>(i)));
  return columns;
}

Value ReadColumnValue(OdbcSession& session, SQLHSTMT handle, SQLUSMALLINT number,
                      const ResultColumn& column) {
  switch (column.type) {
    case Value::Type::Boolean: {
      SQLBIGINT value = 0;
      if (!Get(session, handle, number, SQL_C_SBIGINT, &value, 0)) return {};
      return Value(value != 0);
    }
    case Value::Type::Integer: {
      SQLBIGINT value = 0;
      if (!Get(session, handle, number, SQL_C_SBIGINT, &value, 0)) return {};
      return Value(static_cast<int64_t>(value));
    }
    case Value::Type::Double: {
      double value = 0;
      if (!Get(session, handle, number, SQL_C_DOUBLE, &value, 0)) return {};
      return Value(value);
    }
    case Value::Type::Date:
      return ReadDate(session, handle, number, column.sqlType);
    case Value::Type::Binary:
      return ReadBytes(session, handle, number);
    default:
      return ReadText(session, handle, number);
  }
}

}  // namespace velra::odbc
