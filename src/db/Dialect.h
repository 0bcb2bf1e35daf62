#pragma once
// What differs between the database engines in the few statements we compose ourselves.

#include <cstdint>
#include <string>
#include <string_view>

#include "db/ConnectionParameters.h"

namespace velra {

class Dialect {
 public:
  explicit Dialect(BackendKind kind) : kind_(kind) {}

  BackendKind Kind() const { return kind_; }
  // A table or field name as the engine expects it quoted; embedded quote characters doubled.
  std::string Quote(std::string_view identifier) const;
  // "SELECT <columns> FROM <rest>" restricted to the first row.
  std::string SelectFirst(std::string_view columns, std::string_view rest) const;
  // A statement with one text parameter, the name of a lock of the database server, that takes
  // the lock for the connection's session without waiting and yields one row: 1 when taken, 0
  // when another session holds it. Empty for the file company, whose locks are files.
  std::string TryLockStatement() const;
  // The integer the suite stores for "true": -1 in a file company (as Access did), 1 on servers.
  int16_t TrueValue() const { return kind_ == BackendKind::Sqlite ? -1 : 1; }

 private:
  BackendKind kind_;
};

}  // namespace velra
