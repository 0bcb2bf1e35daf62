#include "config/CompanyRegistry.h"

#include <sys/stat.h>

#include <climits>
#include <filesystem>

#include "base/ConnectionString.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "config/Messages.h"

namespace velra {

namespace {

int32_t IntegerOf(const std::string& text) {
  std::optional<int64_t> number = LeadingInteger(text);
  return number && *number >= INT32_MIN && *number <= INT32_MAX ? static_cast<int32_t>(*number) : 0;
}

// The company's own "databasetype", else the environment's; nullopt with the reason when that is
// no type.
std::optional<DatabaseType> DatabaseTypeOf(const Environment& env, const IniDocument& registry,
                                           const std::string& company, std::string& reason) {
  const std::string text = registry.Read(company, "databasetype");
  if (text.empty()) {
    if (std::optional<DatabaseType> type = DatabaseTypeOfNumber(env.DatabaseTypeNumber))
      return type;
    reason = messages::InheritedDatabaseTypeInvalid(env.CompanyRegistryFile, company,
                                                    env.EnvironmentFile, env.DatabaseTypeNumber);
    return std::nullopt;
  }
  std::optional<int64_t> number = LeadingInteger(text);
  if (std::optional<DatabaseType> type = number ? DatabaseTypeOfNumber(*number) : std::nullopt)
    return type;
  reason = messages::ValueInvalid(env.CompanyRegistryFile, company, "databasetype", text,
                                  messages::kDatabaseTypes);
  return std::nullopt;
}

// The company folder; nullopt with the reason when "path" is missing or so long that the read
// may have cut it, and a cut path may name another company's folder.
std::optional<std::string> CompanyFolder(const Environment& env, const IniDocument& registry,
                                         const std::string& company, std::string& reason) {
  const std::string value = registry.Read(company, "path", std::string::npos);
  if (value.empty()) {
    reason = messages::KeyMissing(env.CompanyRegistryFile, company, "path");
    return std::nullopt;
  }
  if (CharacterCount(value) >= kProfileRoom - 1) {
    reason = messages::PathMayBeCut(env.CompanyRegistryFile, company);
    return std::nullopt;
  }
  return ResolveCompanyFolder(value, env.ProgramPath);
}

// Why a file company's folder or database cannot be checked, empty when both can: then the
// database file either exists or is surely missing.
std::string UncheckableDatabase(const std::string& written, const std::string& folder,
                                const std::string& database) {
  if (!IsDirectory(folder))
    return written.find('\\') != std::string::npos ? messages::WindowsFolderMissing(written, folder)
                                                   : messages::CompanyFolderUnreachable(folder);
  struct stat info {};
  if (::lstat(database.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && !FileExists(database)) {
    std::error_code error;
    return messages::DatabaseLinkUnreachable(
        database, std::filesystem::read_symlink(database, error).string());
  }
  return {};
}

}  // namespace

std::string ResolveCompanyFolder(const std::string& pathValue, const std::string& programPath) {
  std::string folder = NormaliseFolder(pathValue);
  if (!folder.empty() && !folder.starts_with("/")) folder = NormaliseFolder(programPath) + folder;
  return folder;
}

std::optional<std::string> FindCompany(const std::vector<std::string>& companies,
                                       std::string_view wanted) {
  const std::string name = Trim(wanted);
  if (name.empty()) return std::nullopt;
  for (const std::string& company : companies)
    if (company == name) return company;
  for (const std::string& company : companies)
    if (EqualsIgnoreCase(company, name)) return company;
  return std::nullopt;
}

std::optional<CompanySettings> ReadCompanySettings(const Environment& env,
                                                   const IniDocument& registry,
                                                   const std::string& company,
                                                   std::string& reason) {
  if (!IsSafeFileName(company)) {
    reason = messages::CompanyNameUnusable();
    return std::nullopt;
  }
  std::optional<DatabaseType> type = DatabaseTypeOf(env, registry, company, reason);
  if (!type) return std::nullopt;

  CompanySettings settings;
  settings.Name = company;
  settings.DatabaseType = *type;
  const std::string installing = registry.Read(company, "installing");
  settings.InstallMode = IntegerOf(installing);
  ConnectionStringInput input;
  input.DatabaseType = settings.DatabaseType;
  input.ProviderAccess = env.ProviderAccess;
  input.ProviderSql = env.ProviderSql;
  const bool file = settings.DatabaseType == DatabaseType::File;
  const char* providerKey = file ? "access" : "sql";
  if ((file ? env.ProviderAccess : env.ProviderSql).empty()) {
    reason = messages::KeyMissing(env.EnvironmentFile, "Provider", providerKey);
    return std::nullopt;
  }

  if (file) {
    std::optional<std::string> folder = CompanyFolder(env, registry, company, reason);
    if (!folder) return std::nullopt;
    settings.OptionsFile = *folder + company + ".afk";
    settings.LayoutFile = *folder + company + ".lyt";
    settings.DatabasePath = *folder + company + ".mdb";
    input.Database = settings.DatabasePath;
    input.Password = kCompanyDatabasePassword;
  } else {
    if (settings.InstallMode == 1) {
      settings.LayoutFile = env.ProgramPath + company + ".lyt";
    } else if (settings.InstallMode == 0 || settings.InstallMode == 2) {
      std::optional<std::string> folder = CompanyFolder(env, registry, company, reason);
      if (!folder) return std::nullopt;
      settings.LayoutFile = *folder + company + ".lyt";
    } else {
      reason = messages::ValueInvalid(env.CompanyRegistryFile, company, "installing", installing,
                                      messages::kInstallModes);
      return std::nullopt;
    }
    const ServerConnectionSettings& server = env.Connection;
    if (server.Authentification != 0 && server.Authentification != 1) {
      reason = messages::ValueInvalid(env.EnvironmentFile, "Connection", "Authentification",
                                      std::to_string(server.Authentification),
                                      messages::kAuthentications);
      return std::nullopt;
    }
    settings.DatabasePath = company;
    input.Database = company;
    input.Server = server.DataSource;
    input.Authentication = server.Authentification;
    input.Timeout = server.LoginTimeout;
    input.User = server.UserID;
    input.Password = server.Password;
  }
  settings.ConnectionString = *BuildConnectionString(input);
  return settings;
}

CompanyListResult FillCompanyList(const Environment& env, bool onlyKnownTypes, bool dropMissing) {
  CompanyListResult result;
  // Without the key the environment file has said why.
  if (env.CompanyRegistryFile.empty()) return result;
  std::optional<IniDocument> registry;
  try {
    registry = IniDocument::Load(env.CompanyRegistryFile);
  } catch (const ConfigError& e) {
    result.Problems.push_back(e.what());
    return result;
  }
  std::vector<std::string> sections = registry->Sections();
  if (sections.empty()) {
    result.Problems.push_back(messages::RegistryWithoutCompanies(env.CompanyRegistryFile));
    return result;
  }

  std::vector<std::string> removals;  // messages, reported once the registry is saved
  for (const std::string& name : sections) {
    std::string reason;
    auto leaveOut = [&] { result.Problems.push_back(messages::CompanyLeftOut(name, reason)); };
    if (!IsSafeFileName(name)) {
      reason = messages::CompanyNameUnusable();
      leaveOut();
      continue;
    }
    if (!onlyKnownTypes) {
      result.Names.push_back(name);
      continue;
    }
    std::optional<DatabaseType> databaseType = DatabaseTypeOf(env, *registry, name, reason);
    if (!databaseType) {
      leaveOut();
      continue;
    }
    if (*databaseType == DatabaseType::Server) {
      result.Names.push_back(name);
      continue;
    }
    std::optional<std::string> folder = CompanyFolder(env, *registry, name, reason);
    if (!folder) {
      leaveOut();
      continue;
    }
    const std::string database = *folder + name + ".mdb";
    reason = UncheckableDatabase(registry->Read(name, "path"), *folder, database);
    if (!reason.empty()) {
      leaveOut();
      continue;
    }
    if (FileExists(database)) {
      result.Names.push_back(name);
      continue;
    }
    if (!dropMissing) continue;
    registry->RemoveSection(name);
    removals.push_back(messages::CompanyRemoved(name, database));
  }

  try {
    if (!removals.empty()) registry->SaveCompacted(env.CompanyRegistryFile);
  } catch (const ConfigError& e) {
    // The file on disk is unchanged, so it still holds the companies it held.
    result.Problems.push_back(messages::RegistryNotCleaned(env.CompanyRegistryFile, e.what()));
    result.AnyCompany = true;
    return result;
  }
  result.Problems.insert(result.Problems.end(), removals.begin(), removals.end());
  result.AnyCompany = !registry->Sections().empty();
  return result;
}

}  // namespace velra
