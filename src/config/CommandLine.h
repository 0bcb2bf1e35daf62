#pragma once
// The window's command line as the suite passes it: parts separated by "/", a part
// "client:<company>" selects the company.

#include <optional>
#include <string>
#include <string_view>

namespace velra {

// The company named by the last "client:" part (key compared ignoring case, name trimmed);
// nullopt when no part names one.
std::optional<std::string> ParseCommandLine(std::string_view commandLine);

}  // namespace velra
