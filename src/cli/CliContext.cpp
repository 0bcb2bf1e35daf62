#include "cli/CliContext.h"

#include <iostream>

#include "config/CompanyRegistry.h"
#include "config/Text.h"

namespace velra::cli {

void PrintProblems(const std::vector<std::string>& problems) {
  for (const std::string& problem : problems) std::cerr << problem << '\n';
}

bool OpenSession(const GlobalOptions& options, SessionContext& session) {
  std::vector<std::string> problems;
  session = StartSession(ResolveProgramPath(options.programDir), RegionalSettings::FromSystem(),
                         problems);
  CompanyListResult companies =
      FillCompanyList(session.Env.CompanyRegistryFile, session.Env.ProgramPath,
                      session.Env.DatabaseType, true, true);
  problems.insert(problems.end(), companies.Problems.begin(), companies.Problems.end());
  if (!companies.AnyCompany || companies.Names.empty()) {
    problems.push_back("Es sind keine Firmen vorhanden.");
    PrintProblems(problems);
    return false;
  }
  std::string wanted = options.company.empty() ? session.Env.DefaultCompany : options.company;
  bool listed = false;
  for (const std::string& name : companies.Names) listed = listed || EqualsIgnoreCase(name, wanted);
  if (!listed) {
    problems.push_back(wanted.empty()
                           ? "Es ist keine Firma gewählt: Geben Sie eine Firma mit --company an."
                           : "Die Firma '" + wanted + "' ist nicht verfügbar.");
    PrintProblems(problems);
    return false;
  }
  bool selected = SelectCompany(session, wanted, problems);
  PrintProblems(problems);
  return selected;
}

}  // namespace velra::cli
