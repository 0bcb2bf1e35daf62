#include "app/RunChecks.h"

#include <algorithm>

#include "app/AppTexts.h"
#include "base/Text.h"
#include "import/MandatoryFields.h"
#include "mapping/OneColumnPerField.h"

namespace velra {

namespace {

bool Listed(const std::vector<std::string>& entries, const std::string& entry) {
  return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

bool HasArticleSettings(const ImportSettings& settings) {
  return Describe(settings.datenart).settingsFrame == SettingsFrame::Articles;
}

}  // namespace

std::optional<std::string> ArticleDefaultsProblem(const ImportSettings& s,
                                                  const CompanyLists& lists) {
  if (!HasArticleSettings(s)) return std::nullopt;
  if (s.defaultArticleType && !Listed(lists.articleTypes, s.articleType))
    return Fill(texts::kArticleTypeNotListed, {s.articleType});
  if (s.defaultUnit && !Listed(lists.units, s.unit)) return Fill(texts::kUnitNotListed, {s.unit});
  if (s.defaultTaxKey && lists.TaxIndexOf(s.taxKey) < 0) return std::string(texts::kNoTaxKeyChosen);
  return std::nullopt;
}

std::vector<std::string> ProfileSettingsNotes(const ImportSettings& s, const CompanyLists& lists) {
  std::vector<std::string> notes;
  if (s.defaultArticleType && !Listed(lists.articleTypes, s.articleType))
    notes.push_back(Fill(texts::kProfileArticleTypeMissing, {s.articleType}));
  if (s.defaultUnit && !Listed(lists.units, s.unit))
    notes.push_back(Fill(texts::kProfileUnitMissing, {s.unit}));
  if (s.defaultTaxKey && lists.TaxIndexOf(s.taxKey) < 0)
    notes.push_back(Fill(texts::kProfileTaxKeyMissing, {s.taxKey}));
  return notes;
}

std::optional<std::string> RunProblem(const ImportRequest& request, const CompanyLists& lists) {
  const ImportSettings& s = request.settings;
  MandatoryCheckInput check;
  check.datenart = s.datenart;
  check.synchronise = s.synchronise;
  check.autoNumber = s.autoNumber;
  check.taxRateByDefault = s.defaultTaxKey;
  check.searchNameMode = s.searchNameMode;
  check.synchronisationCaption = request.synchronisationCaption;
  check.isMapped = [&request](const std::string& caption) {
    return std::any_of(
        request.columns.begin(), request.columns.end(),
        [&caption](const GridColumn& column) { return column.FieldCaption == caption; });
  };
  if (std::optional<std::string> missing = MissingMandatoryField(check)) return missing;
  if (std::optional<std::string> twice = TwoColumnsOnOneField(request.columns)) return twice;
  return ArticleDefaultsProblem(s, lists);
}

}  // namespace velra
