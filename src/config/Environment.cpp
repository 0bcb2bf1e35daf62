#include "config/Environment.h"

#include <cstdlib>

#include "base/Paths.h"
#include "base/Text.h"
#include "config/IniFile.h"
#include "config/Messages.h"

namespace velra {

namespace {

int32_t ReadNumber(const IniDocument& ini, const std::string& file, const char* section,
                   const char* key, std::vector<std::string>& problems) {
  std::string text = ini.Read(section, key);
  if (text.empty()) return 0;
  std::optional<int64_t> number = LeadingInteger(text);
  if (!number || *number < INT32_MIN || *number > INT32_MAX) {
    problems.push_back(messages::EnvironmentValueInvalid(file, section, key, text));
    return 0;
  }
  return static_cast<int32_t>(*number);
}

}  // namespace

std::string ResolveProgramPath(const std::string& programDirOption) {
  if (!programDirOption.empty()) return NormaliseFolder(programDirOption);
  const char* home = std::getenv("VELRA_HOME");
  if (home && *home) return NormaliseFolder(home);
  return ExecutableFolder();
}

Environment ReadEnvironment(const std::string& programPath, std::vector<std::string>& problems) {
  Environment environment;
  environment.ProgramPath = NormaliseFolder(programPath);
  environment.EnvironmentFile = environment.ProgramPath + "velra.var";

  std::optional<IniDocument> loaded;
  try {
    loaded = IniDocument::Load(environment.EnvironmentFile);
  } catch (const ConfigError& e) {
    problems.push_back(messages::EnvironmentFileProblem(e.what()));
  }
  IniDocument ini = loaded ? std::move(*loaded) : IniDocument();
  const std::string& file = environment.EnvironmentFile;

  environment.DatabaseTypeNumber = ReadNumber(ini, file, "program", "databasetype", problems);
  environment.DefaultCompany = ini.Read("program", "company");
  // Relative to the program folder, as the suite writes them; absolute paths are kept. A missing
  // key names no file.
  auto inProgramFolder = [&](const char* key) {
    std::string value = ini.Read("files", key);
    for (char& c : value)
      if (c == '\\') c = '/';
    return value.empty() || value.starts_with("/") ? value : environment.ProgramPath + value;
  };
  environment.HelpFilePath = inProgramFolder("helpfile");
  environment.CompanyRegistryFile = inProgramFolder("uiffile");
  environment.MatchingFile = inProgramFolder("matchingfile");
  if (loaded && environment.CompanyRegistryFile.empty())
    problems.push_back(messages::KeyMissing(file, "files", "uiffile") +
                       " Er nennt das Firmenverzeichnis; ohne ihn gibt es keine Firmen.");
  if (loaded && environment.MatchingFile.empty())
    problems.push_back(
        messages::KeyMissing(file, "files", "matchingfile") +
        " Er nennt die Zuordnungsdatei; ohne sie werden keine Spalten automatisch zugeordnet.");

  environment.Connection.DataSource = ini.Read("Connection", "DataSource");
  environment.Connection.Authentification =
      ReadNumber(ini, file, "Connection", "Authentification", problems);
  environment.Connection.LoginTimeout =
      ReadNumber(ini, file, "Connection", "LoginTimeout", problems);
  environment.Connection.UserID = ini.Read("Connection", "UserID");
  environment.Connection.Password = ini.Read("Connection", "Password");
  environment.ProviderAccess = ini.Read("Provider", "access");
  environment.ProviderSql = ini.Read("Provider", "sql");
  environment.OdbcDriver = ini.Read("Provider", "odbcdriver");
  return environment;
}

}  // namespace velra
