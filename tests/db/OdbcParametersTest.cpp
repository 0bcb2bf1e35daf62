#include "db/odbc/OdbcParameters.h"

#include <gtest/gtest.h>

#include "db/odbc/OdbcSession.h"

namespace velra::odbc {
namespace {

// FreeTDS cannot describe a parameter: a null bound first to a picture column would travel as
// a text, which SQL Server refuses to convert to binary. It takes its column's type instead, and
// keeps the type of the values before it.
TEST(OdbcParameters, AFirstNullOnSqlServerTakesItsColumnsType) {
  ServerLogin login;
  login.kind = BackendKind::SqlServer;
  OdbcSession session(login);
  OdbcParameters parameters(session);
  parameters.Declare(1, Value::Type::Binary);
  parameters.Declare(2, Value::Type::Date);
  parameters.Set(1, Value(), SQL_NULL_HSTMT);
  parameters.Set(2, Value(), SQL_NULL_HSTMT);
  parameters.Set(3, Value(), SQL_NULL_HSTMT);
  EXPECT_EQ(parameters.SqlType(1), SQL_VARBINARY);
  EXPECT_EQ(parameters.SqlType(2), SQL_TYPE_TIMESTAMP);
  EXPECT_EQ(parameters.SqlType(3), SQL_WVARCHAR);  // no column known: a text, as before

  parameters.Set(3, Value(int64_t{7}), SQL_NULL_HSTMT);
  parameters.Set(3, Value(), SQL_NULL_HSTMT);
  EXPECT_EQ(parameters.SqlType(3), SQL_BIGINT);
}

}  // namespace
}  // namespace velra::odbc
