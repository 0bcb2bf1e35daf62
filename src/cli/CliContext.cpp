#include "cli/CliContext.h"

#include <iostream>

#include "app/DataKinds.h"
#include "base/Text.h"
#include "cli/CliTexts.h"
#include "config/CompanyRegistry.h"
#include "config/Messages.h"

namespace velra::cli {

void PrintProblems(const std::vector<std::string>& problems) {
  for (const std::string& problem : problems) std::cerr << problem << '\n';
}

bool OpenSession(const GlobalOptions& options, SessionContext& session) {
  std::vector<std::string> problems;
  session = StartSession(ResolveProgramPath(options.programDir), RegionalSettings::FromSystem(),
                         problems);
  CompanyListResult companies = FillCompanyList(session.Env, true, true);
  problems.insert(problems.end(), companies.Problems.begin(), companies.Problems.end());
  if (!companies.AnyCompany || companies.Names.empty()) {
    problems.push_back(texts::kNoCompanies);
    PrintProblems(problems);
    return false;
  }
  const std::string wanted = options.company.empty() ? session.Env.DefaultCompany : options.company;
  std::optional<std::string> company = FindCompany(companies.Names, wanted);
  if (!company) {
    problems.push_back(Trim(wanted).empty()
                           ? texts::kNoCompanyChosen
                           : messages::CompanyNotFound(wanted, Join(companies.Names, ", ")));
    PrintProblems(problems);
    return false;
  }
  bool selected = SelectCompany(session, *company, problems);
  PrintProblems(problems);
  return selected;
}

std::optional<DataKind> KindOption(const std::string& text) {
  std::optional<DataKind> kind = ParseDataKind(text);
  if (kind) return kind;
  std::vector<std::string> kindTexts, numbers;
  for (DataKind known : ListedDataKinds()) {
    kindTexts.push_back("\"" + std::string(Describe(known).listText) + "\"");
    numbers.push_back(std::to_string(NumberOf(known)));
  }
  std::cerr << Fill(texts::kUnknownKind, {text, Join(kindTexts, ", "), Join(numbers, ", ")})
            << '\n';
  return std::nullopt;
}

}  // namespace velra::cli
