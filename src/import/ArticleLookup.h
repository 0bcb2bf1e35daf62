#pragma once
// A field of the first record of a table with a given article number (and, where named, given
// values of further key fields), in table order, asked of the database row by row.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/Connection.h"

namespace velra {

class ArticleLookup {
 public:
  ArticleLookup(Connection& connection, const std::string& table, const std::string& resultField,
                const std::vector<std::string>& moreKeyFields = {});
  // The field of the first record; nullopt when there is none. `moreKeys` holds the values of
  // the further key fields, in their order.
  std::optional<Value> First(const std::string& articleNumber,
                             const std::vector<std::string>& moreKeys = {});
  // Its ID, 0 when there is none (for lookups of the ID).
  int64_t FirstId(const std::string& articleNumber, const std::vector<std::string>& moreKeys = {});

 private:
  std::unique_ptr<Statement> statement_;
};

}  // namespace velra
