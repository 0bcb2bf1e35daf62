#include "config/SuiteFiles.h"

#include "config/CompanyRegistry.h"
#include "config/IniFile.h"

namespace velra {

std::vector<std::string> SuiteFiles(const Environment& env) {
  std::vector<std::string> files;
  for (const std::string* file :
       {&env.EnvironmentFile, &env.CompanyRegistryFile, &env.MatchingFile})
    if (!file->empty()) files.push_back(*file);
  if (env.CompanyRegistryFile.empty()) return files;
  IniDocument registry;
  try {
    registry = IniDocument::Load(env.CompanyRegistryFile);
  } catch (const ConfigError&) {
    return files;  // the registry itself is in the list
  }
  for (const std::string& company : registry.Sections()) {
    std::string reason;
    std::optional<CompanySettings> settings = ReadCompanySettings(env, registry, company, reason);
    if (!settings) continue;
    files.push_back(settings->LayoutFile);
    if (settings->DatabaseType != DatabaseType::File) continue;
    files.push_back(settings->OptionsFile);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
      files.push_back(settings->DatabasePath + suffix);
  }
  return files;
}

}  // namespace velra
