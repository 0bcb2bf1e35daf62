#pragma once
// The company registry file: one section per company with its database type and folder.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/IniFile.h"

namespace velra {

struct CompanyListResult {
  std::vector<std::string> Names;  // in file order
  bool AnyCompany = false;         // the registry still holds at least one section
  std::vector<std::string> Problems;
};

// The company folder from the value of a section's key "path", usable here ("\" become "/", a
// trailing "/" added); a relative folder counts from the program folder. Empty stays empty.
std::string ResolveCompanyFolder(const std::string& pathValue, const std::string& programPath);

// The database type of a company: its own "databasetype", else the environment's default;
// nullopt when its own value is no number.
std::optional<int32_t> CompanyDatabaseType(const IniDocument& registry, const std::string& company,
                                           int32_t defaultType);

// Lists the companies of the registry. With `onlyKnownTypes`, only file companies (type 0) whose
// database exists and server companies (type 1) are listed. With `dropMissing`, the section of a
// file company is removed when its folder exists but holds no database file; a company whose
// folder cannot be reached (an unmounted share) is only left out. Names that cannot be used as
// file names are left out too. Every company left out or removed is named in `Problems`.
CompanyListResult FillCompanyList(const std::string& registryFile, const std::string& programPath,
                                  int32_t defaultDatabaseType, bool onlyKnownTypes,
                                  bool dropMissing);

}  // namespace velra
