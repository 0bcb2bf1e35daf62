#pragma once
// The session-wide values that every module reads: the environment, the regional settings and
// everything that hangs on the selected company.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/DatabaseType.h"
#include "base/Regional.h"
#include "company/CompanyOptions.h"
#include "config/Environment.h"

namespace velra {

struct SessionContext {
  Environment Env;
  RegionalSettings Regional;
  std::string TodayText;  // the start-up date in the short date format

  velra::DatabaseType DatabaseType = velra::DatabaseType::File;
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
  // Throws ConfigError when no company is selected or the value cannot be stored.
  void SetOption(std::string_view section, std::string_view key, std::string_view value);
  bool HasCompany() const { return !CompanyName.empty(); }
};

// The literal for "true": -1 for a file company (as Access stored it), 1 for a server.
inline int16_t ActiveTrueValueOf(DatabaseType databaseType) {
  return databaseType == DatabaseType::Server ? 1 : -1;
}

// The type while no company is selected: the environment's; a number there that is no type
// counts as a server, as only the literal for "true" hangs on it then.
inline DatabaseType SessionDatabaseTypeOf(const Environment& env) {
  return DatabaseTypeOfNumber(env.DatabaseTypeNumber).value_or(DatabaseType::Server);
}

// Reads the environment file and sets the session's start values. Problems are appended to
// `problems` as German sentences.
SessionContext StartSession(const std::string& programPath, const RegionalSettings& regional,
                            std::vector<std::string>& problems);

// Selecting a company first clears every value of the one selected before.

// Derives the company's type, files and connection string from the registry and the environment,
// without touching its database. False, with a German problem naming the file, section and key at
// fault, when the registry has no such company or something of it cannot be determined; no
// company is selected then.
bool ResolveCompany(SessionContext& session, const std::string& companyName,
                    std::vector<std::string>& problems);

// ResolveCompany, then opens its database and reads its options, position format, country and
// import note. False, with a problem, when the database or the options cannot be read; no company
// is selected then.
bool SelectCompany(SessionContext& session, const std::string& companyName,
                   std::vector<std::string>& problems);

}  // namespace velra
