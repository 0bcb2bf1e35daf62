#pragma once
// The values bound to a statement's parameters, kept in buffers that the driver reads when the
// statement runs. Booleans travel as the server's true value 1 and 0, dates as timestamps,
// integers as 64 bits, texts as UTF-16.

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Value.h"

namespace velra::odbc {

class OdbcSession;

// The statement handles a statement may have: as it is, and with one or two savepoint
// statements in front.
inline constexpr size_t kStatementVariants = 3;

class OdbcParameters {
 public:
  explicit OdbcParameters(OdbcSession& session) : session_(session) {}

  // Takes the value of parameter `index` (from 1). `describe` is the statement handle the driver
  // can tell a parameter's type from.
  void Set(int index, const Value& value, SQLHSTMT describe);
  // Parameter `index` is written to a column of this type: a first null takes it on SQL Server.
  void Declare(int index, Value::Type column);
  // The server's type the driver is told for parameter `index`.
  SQLSMALLINT SqlType(int index) const {
    return parameters_.at(static_cast<size_t>(index - 1))->sqlType;
  }
  // Tells the driver where parameter `index` (from 1) is, for the statement handle of one
  // variant; a binding that the driver has already stays.
  void Bind(SQLHSTMT handle, size_t variant, int index);
  void BindAll(SQLHSTMT handle, size_t variant);

 private:
  // What the driver was told last for one parameter of one statement handle.
  struct Binding {
    bool bound = false;
    SQLSMALLINT cType = 0, sqlType = 0;
    SQLULEN size = 0;
    SQLPOINTER buffer = nullptr;
    SQLLEN length = 0;
  };

  struct Parameter {
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 1;
    SQLLEN indicator = SQL_NULL_DATA;
    int64_t integer = 0;
    double real = 0;
    int16_t small = 0;
    SQL_TIMESTAMP_STRUCT timestamp{};
    std::u16string text;
    Bytes bytes;
    bool typed = false;                 // a value other than null was bound
    std::optional<Value::Type> column;  // the type of the column it is written to, if known
    std::array<Binding, kStatementVariants> bindings;

    void Set(SQLSMALLINT c, SQLSMALLINT sql, size_t size) {
      cType = c;
      sqlType = sql;
      columnSize = static_cast<SQLULEN>(size);
    }
  };

  Parameter& At(int index);
  // The type for a value of `type`, texts and bytes in their short form.
  static void TypeAs(Parameter& p, Value::Type type);
  void SetNull(Parameter& p, int index, SQLHSTMT describe);
  void SetText(Parameter& p, const std::string& text);
  void SetBytes(Parameter& p, const Bytes& bytes);

  OdbcSession& session_;
  // Each in a place of its own: the driver keeps the addresses of the buffers.
  std::vector<std::unique_ptr<Parameter>> parameters_;
};

}  // namespace velra::odbc
