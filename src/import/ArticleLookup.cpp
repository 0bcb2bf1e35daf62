#include "import/ArticleLookup.h"

namespace velra {

ArticleLookup::ArticleLookup(Connection& connection, const std::string& table,
                             const std::string& resultField,
                             const std::vector<std::string>& moreKeyFields) {
  std::string where = connection.Quote("ArticleNumber") + " = ?";
  for (const std::string& field : moreKeyFields)
    where += " AND " + connection.Quote(field) + " = ?";
  statement_ = std::make_unique<Statement>(connection.Prepare(connection.GetDialect().SelectFirst(
      connection.Quote(resultField),
      connection.Quote(table) + " WHERE " + where + " ORDER BY " + connection.Quote("ID"))));
}

std::optional<Value> ArticleLookup::First(const std::string& articleNumber,
                                          const std::vector<std::string>& moreKeys) {
  statement_->Reset();
  statement_->Bind(1, Value(articleNumber));
  for (size_t i = 0; i < moreKeys.size(); ++i)
    statement_->Bind(static_cast<int>(i + 2), Value(moreKeys[i]));
  std::optional<Value> value;
  if (statement_->Next()) value = statement_->Get(0);
  statement_->Reset();
  return value;
}

int64_t ArticleLookup::FirstId(const std::string& articleNumber,
                               const std::vector<std::string>& moreKeys) {
  std::optional<Value> id = First(articleNumber, moreKeys);
  return id && id->GetType() == Value::Type::Integer ? id->AsInteger() : 0;
}

}  // namespace velra
