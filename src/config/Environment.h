#pragma once
// The suite's environment file "velra.var" in the program folder.

#include <cstdint>
#include <string>
#include <vector>

namespace velra {

struct ServerConnectionSettings {
  std::string DataSource;
  int32_t Authentification = 0;  // 0 = server login with user and password, 1 = integrated login
  int32_t LoginTimeout = 0;      // seconds
  std::string UserID;
  std::string Password;
};

struct Environment {
  std::string ProgramPath;      // ends in "/"
  std::string EnvironmentFile;  // ProgramPath & "velra.var"
  // [program] databasetype as written: the type of companies without their own, checked where
  // a company takes it (see DatabaseType).
  int32_t DatabaseTypeNumber = 0;
  std::string HelpFilePath;
  std::string CompanyRegistryFile;
  std::string MatchingFile;
  std::string DefaultCompany;  // [program] company
  ServerConnectionSettings Connection;
  std::string ProviderAccess;  // [Provider] access
  std::string ProviderSql;     // [Provider] sql
  std::string
      OdbcDriver;  // [Provider] odbcdriver: the ODBC driver for that provider, if not the usual one
};

// Reads the environment file of `programPath`. Missing keys read as empty text, numbers that are
// empty or not numbers as 0. Every problem found (missing or unreadable file, a number that is
// none) is appended to `problems` as a German sentence; the values then keep their defaults.
Environment ReadEnvironment(const std::string& programPath, std::vector<std::string>& problems);

// The program folder: --program-dir when given, else VELRA_HOME, else the executable's folder.
std::string ResolveProgramPath(const std::string& programDirOption);

}  // namespace velra
