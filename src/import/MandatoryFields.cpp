#include "import/MandatoryFields.h"

#include <vector>

namespace velra {

namespace {

constexpr const char* kFirstLine = "Sie haben leider nicht alle nötigen Pflichtfelder zugewiesen.";

struct Check {
  std::string caption;
  std::string hint;
};

std::string SyncHint(const std::string& caption) {
  return "Prüfen Sie bitte, ob Sie das Feld '" + caption + "' zugeordnet haben.";
}

// The checks of a kind in their order, for the given settings.
std::vector<Check> ChecksOf(const MandatoryCheckInput& in) {
  const bool sync = in.synchronise == 1;
  const bool autoOff = in.autoNumber == 0;
  const bool noSearchName = in.searchNameMode == 0;
  const Check syncCheck{in.synchronisationCaption, SyncHint(in.synchronisationCaption)};
  const Check article{"Artikel-Nr.",
                      "Prüfen Sie bitte, ob Sie die Artikelnummer zugeordnet haben."};
  const Check description{"Beschreibung",
                          "Prüfen Sie bitte, ob Sie die Beschreibung zugeordnet haben."};
  const Check searchName{"Suchname", "Prüfen Sie bitte, ob Sie den Suchnamen zugeordnet haben."};
  std::vector<Check> checks;
  switch (in.datenart) {
    case 0:
      if (sync) return {syncCheck};
      if (autoOff)
        checks.push_back(
            {"Kunden-Nr.", "Prüfen Sie bitte, ob Sie die Kundennummer zugeordnet haben."});
      if (noSearchName) checks.push_back(searchName);
      return checks;
    case 1:
      if (sync) return {syncCheck};
      if (autoOff)
        checks.push_back(
            {"Artikel-Nr.", "Prüfen Sie bitte, ob Sie die Artikel-Nr. zugeordnet haben."});
      checks.push_back(
          {"Kurzbeschreibung", "Prüfen Sie bitte, ob Sie die Kurzbeschreibung zugeordnet haben."});
      if (in.taxRateByDefault == 0)
        checks.push_back({"USt-Satz", "Prüfen Sie bitte, ob Sie den Steuersatz zugeordnet haben."});
      return checks;
    case 2:
      if (sync) return {syncCheck};
      if (autoOff)
        checks.push_back({"Lieferanten-Nr.",
                          "Prüfen Sie bitte, ob Sie die Lieferantennummer zugeordnet haben."});
      if (noSearchName) checks.push_back(searchName);
      return checks;
    case 3:
      return {article};
    case 4:
      return {{"Seriennummer", "Prüfen Sie bitte, ob Sie die Seriennummer zugeordnet haben."}};
    case 5:
      return {
          {"Equipmentnummer", "Prüfen Sie bitte, ob Sie die Equipmentnummer zugeordnet haben."}};
    case 6:
      return {article,
              {"Lagernummer", "Prüfen Sie bitte, ob Sie ein Lagerort zugeordnet haben."},
              {"Verfügbar", "Prüfen Sie bitte, ob Sie die 'verfügbare Menge' zugeordnet haben."}};
    case 7:
      return {{"Lagernummer", "Prüfen Sie bitte, ob Sie die Lagernummer zugeordnet haben."},
              description};
    case 8:
      return {article, {"Kundentyp", "Prüfen Sie bitte, ob Sie den Kundentyp zugeordnet haben."}};
    case 9:
      return {article,
              {"Bezeichnung", "Prüfen Sie bitte, ob Sie die Bezeichnung zugeordnet haben."}};
    case 10:
      if (sync) return {syncCheck};
      return {{"Kontonummer", "Prüfen Sie bitte, ob Sie die Kontonummer zugeordnet haben."},
              description};
    default:
      return {};
  }
}

}  // namespace

std::optional<std::string> MissingMandatoryField(const MandatoryCheckInput& input) {
  if (input.synchronise != 0 && input.synchronise != 1) return std::nullopt;
  for (const Check& check : ChecksOf(input))
    if (!input.isMapped(check.caption)) return std::string(kFirstLine) + "\r\n" + check.hint;
  return std::nullopt;
}

}  // namespace velra
