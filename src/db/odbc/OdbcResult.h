#pragma once
// The columns of a statement's result and their values in the current row. A value takes its
// type from the column's SQL type; on PostgreSQL a small integer that is a flag column of its
// table (a domain, reported as its base type) is a flag.

#include <sql.h>

#include <string>
#include <vector>

#include "base/Value.h"

namespace velra::odbc {

class OdbcSession;

struct ResultColumn {
  std::string name;
  SQLSMALLINT sqlType = 0;
  Value::Type type = Value::Type::Text;
};

std::vector<ResultColumn> DescribeResult(OdbcSession& session, SQLHSTMT handle);

// The value of column `number` (from 1) of the row fetched last; the columns of a row are read
// in their order, once each.
Value ReadColumnValue(OdbcSession& session, SQLHSTMT handle, SQLUSMALLINT number,
                      const ResultColumn& column);

}  // namespace velra::odbc
