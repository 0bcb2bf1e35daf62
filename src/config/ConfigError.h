#pragma once
// A file of the suite or of the user's settings that cannot be read or written, or a company
// option that cannot be stored, with a German sentence naming the file or the option.

#include <string>

#include "base/Error.h"

namespace velra {

class ConfigError : public std::runtime_error {
 public:
  explicit ConfigError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace velra
