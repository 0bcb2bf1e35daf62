#pragma once
// A step of the import that cannot be done (a number range that gives no number, a report that
// cannot be written), with a German sentence for the user.

#include <string>

#include "base/Error.h"

namespace velra {

class ImportError : public std::runtime_error {
 public:
  explicit ImportError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace velra
