#pragma once
// The company registry file: one section per company with its database type and folder, and what
// follows from it for the company's files and connection.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/DatabaseType.h"
#include "config/Environment.h"
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

// The company of the registry that `wanted` names: the rule of "/client:" (blanks around the name
// do not count), the exact spelling first, else the first that differs only in letter case.
// nullopt when none matches.
std::optional<std::string> FindCompany(const std::vector<std::string>& companies,
                                       std::string_view wanted);

// Everything the registry and the environment file say about one company.
struct CompanySettings {
  std::string Name;  // as the registry spells it
  velra::DatabaseType DatabaseType = velra::DatabaseType::File;
  int32_t InstallMode = 0;
  std::string DatabasePath;  // file company: the database file; server company: the catalog
  std::string OptionsFile;   // file company only
  std::string LayoutFile;
  std::string ConnectionString;
};

// The company's settings. nullopt, with a German sentence in `reason` that names the file,
// section and key at fault, when its name cannot be a file name or its database type, folder,
// layout file or connection string cannot be determined.
std::optional<CompanySettings> ReadCompanySettings(const Environment& env,
                                                   const IniDocument& registry,
                                                   const std::string& company, std::string& reason);

// Lists the companies of the registry. With `onlyKnownTypes`, only file companies whose database
// exists and server companies are listed. With `dropMissing`, the section of a
// file company is removed when its folder exists but holds no database file; a company whose
// folder or database cannot be reached (an unmounted share, a dangling link) or whose folder
// may have been cut by the read is only left out. Names that cannot be file names are left out
// too. Every company left out or removed is named in `Problems`.
CompanyListResult FillCompanyList(const Environment& env, bool onlyKnownTypes, bool dropMissing);

}  // namespace velra
