#include "config/CompanyRegistry.h"

#include "config/Messages.h"
#include "config/Paths.h"
#include "config/Text.h"

namespace velra {

std::string ResolveCompanyFolder(const std::string& pathValue, const std::string& programPath) {
  std::string folder = NormaliseFolder(pathValue);
  if (!folder.empty() && !folder.starts_with("/")) folder = NormaliseFolder(programPath) + folder;
  return folder;
}

std::optional<int32_t> CompanyDatabaseType(const IniDocument& registry, const std::string& company,
                                           int32_t defaultType) {
  std::string text = registry.Read(company, "databasetype");
  if (text.empty()) return defaultType;
  std::optional<int64_t> number = LeadingInteger(text);
  if (!number || *number < INT32_MIN || *number > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(*number);
}

CompanyListResult FillCompanyList(const std::string& registryFile, const std::string& programPath,
                                  int32_t defaultDatabaseType, bool onlyKnownTypes,
                                  bool dropMissing) {
  CompanyListResult result;
  std::string error;
  std::optional<IniDocument> registry = IniDocument::Load(registryFile, &error);
  if (!registry) {
    result.Problems.push_back(error);
    return result;
  }
  std::vector<std::string> sections = registry->Sections();
  if (sections.empty()) {
    result.Problems.push_back(messages::RegistryWithoutCompanies(registryFile));
    return result;
  }

  std::vector<std::string> removals;  // messages, reported once the registry is saved
  for (const std::string& name : sections) {
    if (!IsSafeFileName(name)) {
      result.Problems.push_back(messages::CompanyNameUnusable(name));
      continue;
    }
    if (!onlyKnownTypes) {
      result.Names.push_back(name);
      continue;
    }
    std::optional<int32_t> databaseType = CompanyDatabaseType(*registry, name, defaultDatabaseType);
    if (databaseType == 1) {
      result.Names.push_back(name);
      continue;
    }
    if (databaseType != 0) {
      result.Problems.push_back(
          messages::CompanyTypeUnknown(name, registry->Read(name, "databasetype")));
      continue;
    }
    std::string folder = ResolveCompanyFolder(registry->Read(name, "path"), programPath);
    if (folder.empty()) {
      result.Problems.push_back(messages::CompanyWithoutPath(name, registryFile));
      continue;
    }
    if (!IsDirectory(folder)) {
      result.Problems.push_back(messages::CompanyFolderUnreachable(name, folder));
      continue;
    }
    std::string database = folder + name + ".mdb";
    if (FileExists(database)) {
      result.Names.push_back(name);
      continue;
    }
    if (!dropMissing) continue;
    registry->RemoveSection(name);
    removals.push_back(messages::CompanyRemoved(name, database));
  }

  if (!removals.empty() && !registry->SaveCompacted(registryFile, &error)) {
    // The file on disk is unchanged, so it still holds the companies it held.
    result.Problems.push_back(messages::RegistryNotCleaned(registryFile, error));
    result.AnyCompany = true;
    return result;
  }
  result.Problems.insert(result.Problems.end(), removals.begin(), removals.end());
  result.AnyCompany = !registry->Sections().empty();
  return result;
}

}  // namespace velra
