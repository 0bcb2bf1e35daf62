#pragma once
// The session-wide values that every module reads: the environment, the regional settings and
// everything that hangs on the selected company.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/CompanyOptions.h"
#include "config/Environment.h"
#include "config/Regional.h"

namespace velra {

struct SessionContext {
  Environment Env;
  RegionalSettings Regional;
  std::string TodayText;  // the start-up date in the short date format

  int32_t DatabaseType = 0;  // 0 file company, 1 server company
  int16_t ActiveTrueValue = -1;
  int16_t ActiveFalseValue = 0;

  std::string CompanyName;
  int32_t InstallMode = 0;
  std::string DatabasePath;  // file company: the database file; server company: the catalog
  std::string OptionsFile;   // file company only
  std::string LayoutFile;
  std::string ConnectionString;
  std::string PositionFormat;
  std::string Country;
  std::string ImportNote;
  std::shared_ptr<CompanyOptions> Options;  // null when no company is selected

  std::string GetOption(std::string_view section, std::string_view key) const;
  bool SetOption(std::string_view section, std::string_view key, std::string_view value,
                 std::string* error = nullptr);
  bool HasCompany() const { return !CompanyName.empty(); }
};

// The literal for "true": -1 for a file company (as Access stored it), 1 for a server.
inline int16_t ActiveTrueValueOf(int32_t databaseType) {
  return databaseType != 0 ? 1 : -1;
}

// Reads the environment file and sets the session's start values. Problems are appended to
// `problems` as German sentences.
SessionContext StartSession(const std::string& programPath, const RegionalSettings& regional,
                            std::vector<std::string>& problems);

// Derives the company's type, files and connection string from its registry section, without
// touching its database. False (with a problem) when the registry has no section of that name;
// the company values are then cleared.
bool ResolveCompany(SessionContext& session, const std::string& companyName,
                    std::vector<std::string>& problems);

// ResolveCompany, then the company's options, position format, country and import note.
// Problems of the selected company (options that cannot be read) are appended to `problems`.
bool SelectCompany(SessionContext& session, const std::string& companyName,
                   std::vector<std::string>& problems);

}  // namespace velra
