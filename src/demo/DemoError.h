#pragma once
// The demo environment or its server company could not be made; a German sentence says why.

#include <string>

#include "base/Error.h"

namespace velra {

class DemoError : public std::runtime_error {
 public:
  explicit DemoError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace velra
