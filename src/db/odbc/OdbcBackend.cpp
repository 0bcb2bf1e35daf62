#include "db/odbc/OdbcBackend.h"

#include "db/odbc/OdbcSession.h"
#include "db/odbc/OdbcStatement.h"

namespace velra {

namespace {

using odbc::OdbcSession;

class OdbcBackend final : public Backend {
 public:
  explicit OdbcBackend(std::shared_ptr<OdbcSession> session) : session_(std::move(session)) {}

  std::unique_ptr<StatementBackend> Prepare(std::string_view sql) override {
    return session_->Prepare(sql);
  }

  void ExecuteScript(std::string_view sql) override {
    session_->ForgetColumns();
    for (const std::string& statement : SplitSqlScript(sql, session_->Kind()))
      session_->Run(statement);
  }

  std::vector<ColumnInfo> Columns(std::string_view table) override {
    return session_->Columns(table);
  }
  std::vector<std::string> Tables() override { return session_->Tables(); }
  void Begin() override { session_->Begin(); }
  void Commit() override { session_->Commit(); }
  void Rollback() override { session_->Rollback(); }
  void Savepoint() override { session_->Savepoint(); }
  void ReleaseSavepoint() override { session_->ReleaseSavepoint(); }
  void RollbackToSavepoint() override { session_->RollbackToSavepoint(); }
  bool InTransaction() override { return session_->InTransaction(); }
  int64_t LastInsertId() override { return session_->LastInsertId(); }
  const Dialect& GetDialect() const override { return session_->GetDialect(); }
  std::string DisplayName() const override { return session_->DisplayName(); }

 private:
  std::shared_ptr<OdbcSession> session_;
};

}  // namespace

std::unique_ptr<Backend> OpenOdbcBackend(const ServerLogin& login) {
  auto session = std::make_shared<OdbcSession>(login);
  session->Connect(login);
  session->SetBusyTimeout(login.busyTimeoutMs);
  return std::make_unique<OdbcBackend>(std::move(session));
}

std::unique_ptr<Backend> OpenOdbcBackend(const ConnectionParameters& parameters) {
  return OpenOdbcBackend(ServerLogin::FromParameters(parameters));
}

}  // namespace velra
