#pragma once

#include <string>

#include "base/Error.h"

namespace velra {

// A failure of the company database, carrying a German sentence for the user.
class DbError : public std::runtime_error {
 public:
  // Storage: the database cannot take anything more (disk full, write failure).
  // Denied: the login lacks the right for the statement (a login that may only read).
  enum class Kind { Open, Locked, Statement, Constraint, Unsupported, Storage, Denied };
  DbError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind GetKind() const { return kind_; }
  // After such a failure no statement can write anything: another program holds the database,
  // the connection is gone, the disk is full, the login may not write.
  bool StopsEveryWrite() const {
    return kind_ == Kind::Locked || kind_ == Kind::Open || kind_ == Kind::Storage ||
           kind_ == Kind::Denied;
  }

 private:
  Kind kind_;
};

}  // namespace velra
