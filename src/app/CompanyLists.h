#pragma once
// The company's entries that the defaults of the article settings choose from: the active
// article types, units and tax keys.

#include <string>
#include <vector>

#include "company/SessionContext.h"
#include "import/SelectionLists.h"

namespace velra {

struct CompanyLists {
  std::vector<std::string> articleTypes, units;
  std::vector<TaxItem> taxes;
  int preselectedTax = -1;  // the tax entry chosen before the user chooses one
  // German: a list the database could not give.
  std::vector<std::string> problems;

  // The index of the entry of tax key `taxKey` in `taxes`; -1 when the company has none.
  int TaxIndexOf(const std::string& taxKey) const;
};

// The lists of the selected company; empty lists without a company.
CompanyLists LoadCompanyLists(const SessionContext& context);

}  // namespace velra
