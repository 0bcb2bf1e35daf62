#include <iostream>

#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "config/CompanyRegistry.h"
#include "db/Connection.h"
#include "db/ConnectionParameters.h"

namespace velra::cli {

namespace {

std::string DatabaseTypeName(DatabaseType type) {
  return type == DatabaseType::File ? "Dateifirma" : "Serverfirma";
}

std::string DatabaseLocation(const SessionContext& company) {
  if (company.DatabaseType == DatabaseType::File) return company.DatabasePath;
  return company.DatabasePath + " auf " + company.Env.Connection.DataSource;
}

}  // namespace

void AddCompaniesCommand(CLI::App& app, const GlobalOptions& options, int& exitCode) {
  auto* command =
      app.add_subcommand("companies", "Listet die Firmen mit Datenbanktyp und Datenbank.");
  command->callback([&options, &exitCode] {
    std::vector<std::string> problems;
    SessionContext session = StartSession(ResolveProgramPath(options.programDir),
                                          RegionalSettings::FromSystem(), problems);
    CompanyListResult companies = FillCompanyList(session.Env, true, true);
    problems.insert(problems.end(), companies.Problems.begin(), companies.Problems.end());
    for (const std::string& name : companies.Names) {
      SessionContext company = session;
      if (ResolveCompany(company, name, problems))
        std::cout << name << '\t' << DatabaseTypeName(company.DatabaseType) << '\t'
                  << DatabaseLocation(company) << '\n';
    }
    PrintProblems(problems);
    if (companies.Names.empty()) std::cerr << texts::kNoCompanies << '\n';
    exitCode = companies.Names.empty() ? kCannotOpen : kOk;
  });
}

void AddCompanyCommand(CLI::App& app, const GlobalOptions& options, int& exitCode) {
  auto* command = app.add_subcommand(
      "company", "Zeigt die gewählte Firma: Dateien, Verbindung, Einstellungen und Tabellen.");
  command->callback([&options, &exitCode] {
    SessionContext session;
    if (!OpenSession(options, session)) {
      exitCode = kCannotOpen;
      return;
    }
    std::cout << "Firma:            " << session.CompanyName << '\n'
              << "Datenbanktyp:     " << DatabaseTypeName(session.DatabaseType) << '\n'
              << "Datenbank:        " << DatabaseLocation(session) << '\n'
              << "Layoutdatei:      " << session.LayoutFile << '\n';
    if (session.DatabaseType == DatabaseType::File)
      std::cout << "Einstellungen:    " << session.OptionsFile << '\n';
    std::cout << "Verbindung:       " << HidePasswords(session.ConnectionString) << '\n'
              << "Heimatland:       " << session.Country << '\n'
              << "Positionsformat:  " << session.PositionFormat << '\n'
              << "Importvermerk:    " << session.ImportNote << '\n';
    try {
      auto connection = Connection::Open(session.ConnectionString);
      std::cout << "Tabellen (Datensätze):\n";
      for (const std::string& table : connection->Tables()) {
        auto count = connection->QueryValue("SELECT COUNT(*) FROM " + connection->Quote(table));
        std::cout << "  " << table << '\t' << (count ? count->ToText() : "?") << '\n';
      }
      exitCode = kOk;
    } catch (const DbError& e) {
      std::cerr << e.what() << '\n';
      exitCode = kCannotOpen;
    }
  });
}

}  // namespace velra::cli
