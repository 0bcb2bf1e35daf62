#include "config/CommandLine.h"

#include "base/Text.h"

namespace velra {

std::optional<std::string> ParseCommandLine(std::string_view commandLine) {
  std::optional<std::string> company;
  for (const std::string& part : Split(commandLine, "/")) {
    size_t colon = part.find(':');
    if (colon == std::string::npos) continue;
    if (ToLowerAscii(Trim(part.substr(0, colon + 1))) == "client:")
      company = Trim(part.substr(colon + 1));
  }
  return company;
}

}  // namespace velra
