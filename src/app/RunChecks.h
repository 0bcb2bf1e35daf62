#pragma once
// What must hold before a run starts, whoever asks for it.

#include <optional>
#include <string>
#include <vector>

#include "app/CompanyLists.h"
#include "app/ImportRequest.h"

namespace velra {

// The first default of the article settings that the company does not offer (an article type or
// unit not among its active entries, a tax rate without a tax key of the company), as a German
// sentence; nullopt when there is none or the kind has no article settings.
std::optional<std::string> ArticleDefaultsProblem(const ImportSettings& settings,
                                                  const CompanyLists& lists);

// One German note per default of a profile's settings that the company does not offer.
std::vector<std::string> ProfileSettingsNotes(const ImportSettings& settings,
                                              const CompanyLists& lists);

// What stands in the way of the run, as the German sentence to show: a mandatory field no column
// carries, two columns on one field, a default the company does not offer. nullopt: it can run.
std::optional<std::string> RunProblem(const ImportRequest& request, const CompanyLists& lists);

}  // namespace velra
