#include "config/SessionContext.h"

#include "config/CompanyRegistry.h"
#include "config/ConnectionString.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Paths.h"
#include "config/Text.h"
#include "db/odbc/OdbcConnectionString.h"

namespace velra {

namespace {

int32_t IntegerOf(const std::string& text) {
  std::optional<int64_t> number = LeadingInteger(text);
  return number && *number >= INT32_MIN && *number <= INT32_MAX ? static_cast<int32_t>(*number) : 0;
}

void ClearCompany(SessionContext& session) {
  session.CompanyName.clear();
  session.InstallMode = 0;
  session.DatabasePath.clear();
  session.OptionsFile.clear();
  session.LayoutFile.clear();
  session.ConnectionString.clear();
  session.PositionFormat.clear();
  session.Country.clear();
  session.ImportNote.clear();
  session.Options.reset();
}

}  // namespace

std::string SessionContext::GetOption(std::string_view section, std::string_view key) const {
  return Options ? Options->Get(section, key) : std::string();
}

bool SessionContext::SetOption(std::string_view section, std::string_view key,
                               std::string_view value, std::string* error) {
  if (!Options) {
    if (error) *error = messages::OptionNotStored(section, key, "Es ist keine Firma gewählt.");
    return false;
  }
  return Options->Set(section, key, value, error);
}

SessionContext StartSession(const std::string& programPath, const RegionalSettings& regional,
                            std::vector<std::string>& problems) {
  SessionContext session;
  session.Regional = regional;
  session.TodayText = regional.FormatShortDate(Today());
  session.Env = ReadEnvironment(programPath, problems);
  // Server companies reach their engine through this driver.
  SetOdbcDriver(BackendOfProvider(session.Env.ProviderSql), session.Env.OdbcDriver);
  session.DatabaseType = session.Env.DatabaseType;
  session.ActiveTrueValue = ActiveTrueValueOf(session.DatabaseType);
  session.ActiveFalseValue = 0;
  return session;
}

bool ResolveCompany(SessionContext& session, const std::string& wantedName,
                    std::vector<std::string>& problems) {
  std::optional<IniDocument> registry = IniDocument::Load(session.Env.CompanyRegistryFile);
  std::string companyName;
  if (registry)
    for (const std::string& name : registry->Sections())
      if (companyName.empty() && EqualsIgnoreCase(name, wantedName)) companyName = name;
  if (companyName.empty() || !IsSafeFileName(companyName)) {
    ClearCompany(session);
    problems.push_back(messages::CompanyNotFound(wantedName));
    return false;
  }

  session.CompanyName = companyName;
  session.InstallMode = IntegerOf(registry->Read(companyName, "installing"));
  session.DatabaseType = CompanyDatabaseType(*registry, companyName, session.Env.DatabaseType)
                             .value_or(session.Env.DatabaseType);
  session.ActiveTrueValue = ActiveTrueValueOf(session.DatabaseType);
  session.ActiveFalseValue = 0;
  const std::string folder =
      ResolveCompanyFolder(registry->Read(companyName, "path"), session.Env.ProgramPath);

  ConnectionStringInput input;
  input.DatabaseType = session.DatabaseType;
  input.ProviderAccess = session.Env.ProviderAccess;
  input.ProviderSql = session.Env.ProviderSql;
  if (session.DatabaseType == 0) {
    session.OptionsFile = folder + companyName + ".afk";
    session.LayoutFile = folder + companyName + ".lyt";
    session.DatabasePath = folder + companyName + ".mdb";
    input.Database = session.DatabasePath;
    input.Password = kCompanyDatabasePassword;
    if (auto text = BuildConnectionString(input)) session.ConnectionString = *text;
    session.Options = std::make_shared<FileOptions>(session.OptionsFile);
  } else if (session.DatabaseType == 1) {
    session.OptionsFile.clear();
    session.Options.reset();  // loaded from the server by SelectCompany
    if (session.InstallMode == 0 || session.InstallMode == 2)
      session.LayoutFile = folder + companyName + ".lyt";
    else if (session.InstallMode == 1)
      session.LayoutFile = session.Env.ProgramPath + companyName + ".lyt";
    session.DatabasePath = companyName;
    const ServerConnectionSettings& server = session.Env.Connection;
    input.Database = session.DatabasePath;
    input.Server = server.DataSource;
    input.Authentication = server.Authentification;
    input.Timeout = server.LoginTimeout;
    input.User = server.UserID;
    input.Password = server.Password;
    if (auto text = BuildConnectionString(input)) session.ConnectionString = *text;
  }
  return true;
}

bool SelectCompany(SessionContext& session, const std::string& companyName,
                   std::vector<std::string>& problems) {
  if (!ResolveCompany(session, companyName, problems)) return false;
  if (session.DatabaseType == 1) {
    std::string error;
    session.Options = TableOptions::Load(session.ConnectionString, &error);
    if (!session.Options) problems.push_back(error);
  }
  session.PositionFormat = session.GetOption("Program", "PositionFormat");
  session.Country = session.GetOption("Program", "Country");
  session.ImportNote = "Import - " + session.TodayText;
  return true;
}

}  // namespace velra
