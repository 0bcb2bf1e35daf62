#include "import/MandatoryFields.h"

#include <vector>

#include "base/Text.h"
#include "import/ImportTexts.h"

namespace velra {

namespace {

struct Check {
  std::string caption;
  std::string hint;
};

// The checks of a kind in their order, for the given settings: with synchronisation only its
// field; else the number when it comes from the file, the kind's own fields, and the search name
// or tax rate when nothing else provides them.
std::vector<Check> ChecksOf(const MandatoryCheckInput& in) {
  const DataKindInfo& kind = Describe(in.datenart);
  if (kind.synchronise && in.synchronise)
    return {{in.synchronisationCaption,
             Fill(import_texts::kSyncFieldHint, {in.synchronisationCaption})}};
  std::vector<Check> checks;
  if (kind.numberField.caption && !in.autoNumber)
    checks.push_back({kind.numberField.caption, kind.numberField.hint});
  for (const MandatoryField& field : kind.mandatory)
    if (field.caption) checks.push_back({field.caption, field.hint});
  const bool addresses = kind.family == Family::Customers || kind.family == Family::Suppliers;
  if (addresses && in.searchNameMode == 0)
    checks.push_back({"Suchname", import_texts::kSearchNameHint});
  if (kind.family == Family::Articles && !in.taxRateByDefault)
    checks.push_back({"USt-Satz", import_texts::kTaxRateHint});
  return checks;
}

}  // namespace

std::optional<std::string> MissingMandatoryField(const MandatoryCheckInput& input) {
  for (const Check& check : ChecksOf(input))
    if (!input.isMapped(check.caption)) return Fill(import_texts::kMandatoryMissing, {check.hint});
  return std::nullopt;
}

}  // namespace velra
