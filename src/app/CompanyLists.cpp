#include "app/CompanyLists.h"

namespace velra {

int CompanyLists::TaxIndexOf(const std::string& taxKey) const {
  for (size_t i = 0; i < taxes.size(); ++i)
    if (TaxKeyOfItem(taxes[i].key) == taxKey) return static_cast<int>(i);
  return -1;
}

CompanyLists LoadCompanyLists(const SessionContext& context) {
  CompanyLists lists;
  if (!context.HasCompany()) return lists;
  auto fill = [&](std::vector<std::string>& entries, const char* table) {
    LookupList list = FillLookupCombo(context.ConnectionString, table, "Description", true,
                                      context.ActiveTrueValue, false, true);
    if (!list.error.empty()) lists.problems.push_back(list.error);
    entries = std::move(list.entries);
  };
  fill(lists.articleTypes, "ArticleTypes");
  fill(lists.units, "Units");
  TaxList taxes = FillTaxCombo(context.ConnectionString, "Taxes", "TaxKeyNumber", "Description",
                               true, context.ActiveTrueValue, false, false);
  if (!taxes.error.empty()) lists.problems.push_back(taxes.error);
  lists.taxes = std::move(taxes.items);
  lists.preselectedTax = taxes.selected;
  return lists;
}

}  // namespace velra
