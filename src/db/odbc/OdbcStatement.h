#pragma once
// A statement prepared once and executed as often as needed, with its parameters
// (OdbcParameters) and its result (OdbcResult).

#include <sql.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/Backend.h"
#include "db/odbc/OdbcParameters.h"
#include "db/odbc/OdbcResult.h"

namespace velra::odbc {

class OdbcSession;

class OdbcStatement final : public StatementBackend {
 public:
  // How an INSERT learns the ID of its row (see InsertReturningId).
  enum class InsertId { None, Returning, ScopeIdentity };

  OdbcStatement(std::shared_ptr<OdbcSession> session, std::string sql, InsertId insertId,
                bool isInsert);
  ~OdbcStatement() override;
  OdbcStatement(const OdbcStatement&) = delete;
  OdbcStatement& operator=(const OdbcStatement&) = delete;

  void Bind(int index, const Value& value) override;
  void ParameterColumn(int index, Value::Type type) override { parameters_.Declare(index, type); }
  bool Step() override;
  void Reset() override;
  int ColumnCount() const override;
  std::string ColumnName(int index) const override;
  Value ColumnValue(int index) const override;
  int64_t Changes() const override { return changes_; }

 private:
  enum class State { Ready, Rows, Done };

  SQLHSTMT Handle(size_t variant);
  void Execute();
  static bool IsBareResult(SQLHSTMT handle);
  void ReadInsertedId();
  [[noreturn]] void FailAndClose();
  bool Fetch();
  void CloseCursor();
  void Describe() const;

  std::shared_ptr<OdbcSession> session_;
  std::string sql_;
  InsertId insertId_;
  bool isInsert_;
  // The statement as it is, and with one or two savepoint statements in front.
  std::array<SQLHSTMT, kStatementVariants> handles_{SQL_NULL_HSTMT, SQL_NULL_HSTMT, SQL_NULL_HSTMT};
  SQLHSTMT active_ = SQL_NULL_HSTMT;
  OdbcParameters parameters_;
  State state_ = State::Ready;
  bool cursorOpen_ = false;
  int64_t changes_ = 0;
  mutable bool described_ = false;
  mutable std::vector<ResultColumn> columns_;
  mutable std::vector<Value> row_;
  mutable size_t nextUnread_ = 0;
};

}  // namespace velra::odbc
