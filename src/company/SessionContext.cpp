#include "company/SessionContext.h"

#include "base/Paths.h"
#include "base/Text.h"
#include "config/CompanyRegistry.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/TextFile.h"
#include "db/Connection.h"
#include "db/odbc/OdbcConnectionString.h"

namespace velra {

namespace {

// Every value that hangs on a company, back to where no company is selected.
void ClearCompany(SessionContext& session) {
  session.DatabaseType = SessionDatabaseTypeOf(session.Env);
  session.ActiveTrueValue = ActiveTrueValueOf(session.DatabaseType);
  session.ActiveFalseValue = 0;
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

// The company's options; throws DbError or ConfigError when its database or its options cannot
// be read. Opening the database checks it, so that a broken one is named now and not first by
// the run.
std::shared_ptr<CompanyOptions> OpenCompany(const SessionContext& session) {
  if (session.DatabaseType == DatabaseType::Server)
    return TableOptions::Load(session.ConnectionString);
  Connection::Open(session.ConnectionString);
  // A missing options file reads as empty options, as the suite treats it; one that is there
  // must be readable.
  if (FileExists(session.OptionsFile)) ReadTextFile(session.OptionsFile);
  return std::make_shared<FileOptions>(session.OptionsFile);
}

}  // namespace

std::string SessionContext::GetOption(std::string_view section, std::string_view key) const {
  return Options ? Options->Get(section, key) : std::string();
}

void SessionContext::SetOption(std::string_view section, std::string_view key,
                               std::string_view value) {
  if (!Options)
    throw ConfigError(messages::OptionNotStored(section, key, "Es ist keine Firma gewählt."));
  Options->Set(section, key, value);
}

SessionContext StartSession(const std::string& programPath, const RegionalSettings& regional,
                            std::vector<std::string>& problems) {
  SessionContext session;
  session.Regional = regional;
  session.TodayText = regional.FormatShortDate(Today());
  session.Env = ReadEnvironment(programPath, problems);
  // Server companies reach their engine through this driver.
  SetOdbcDriver(BackendOfProvider(session.Env.ProviderSql), session.Env.OdbcDriver);
  session.DatabaseType = SessionDatabaseTypeOf(session.Env);
  session.ActiveTrueValue = ActiveTrueValueOf(session.DatabaseType);
  session.ActiveFalseValue = 0;
  return session;
}

bool ResolveCompany(SessionContext& session, const std::string& wantedName,
                    std::vector<std::string>& problems) {
  ClearCompany(session);
  IniDocument registry;
  try {
    registry = IniDocument::Load(session.Env.CompanyRegistryFile);
  } catch (const ConfigError& e) {
    problems.push_back(e.what());
    return false;
  }
  const std::vector<std::string> companies = registry.Sections();
  std::optional<std::string> companyName = FindCompany(companies, wantedName);
  if (!companyName) {
    problems.push_back(messages::CompanyNotFound(wantedName, Join(companies, ", ")));
    return false;
  }
  std::string reason;
  std::optional<CompanySettings> company =
      ReadCompanySettings(session.Env, registry, *companyName, reason);
  if (!company) {
    problems.push_back(messages::CompanyNotSelectable(*companyName, reason));
    return false;
  }
  session.CompanyName = company->Name;
  session.DatabaseType = company->DatabaseType;
  session.ActiveTrueValue = ActiveTrueValueOf(session.DatabaseType);
  session.InstallMode = company->InstallMode;
  session.DatabasePath = company->DatabasePath;
  session.OptionsFile = company->OptionsFile;
  session.LayoutFile = company->LayoutFile;
  session.ConnectionString = company->ConnectionString;
  return true;
}

bool SelectCompany(SessionContext& session, const std::string& companyName,
                   std::vector<std::string>& problems) {
  if (!ResolveCompany(session, companyName, problems)) return false;
  std::string reason;
  try {
    session.Options = OpenCompany(session);
  } catch (const DbError& e) {
    reason = e.what();
  } catch (const ConfigError& e) {
    reason = e.what();
  }
  if (!session.Options) {
    problems.push_back(messages::CompanyNotSelectable(session.CompanyName, reason));
    ClearCompany(session);
    return false;
  }
  session.PositionFormat = session.GetOption("Program", "PositionFormat");
  session.Country = session.GetOption("Program", "Country");
  session.ImportNote = "Import - " + session.TodayText;
  return true;
}

}  // namespace velra
