#include <gtest/gtest.h>

#include <set>

#include "import/MandatoryFields.h"

namespace velra {
namespace {

// The second line of the message for the grid captions given, empty when the check passes.
std::string Missing(MandatoryCheckInput input, std::set<std::string> mapped) {
  input.isMapped = [&mapped](const std::string& caption) { return mapped.count(caption) > 0; };
  std::optional<std::string> message = MissingMandatoryField(input);
  if (!message) return {};
  const std::string first = "Sie haben leider nicht alle nötigen Pflichtfelder zugewiesen.\r\n";
  EXPECT_EQ(message->substr(0, first.size()), first);
  return message->substr(first.size());
}

MandatoryCheckInput Kind(int datenart) {
  MandatoryCheckInput input;
  input.datenart = datenart;
  return input;
}

TEST(MandatoryFields, CustomersArticlesSuppliersDependOnTheSettings) {
  MandatoryCheckInput customers = Kind(0);
  customers.autoNumber = 0;
  EXPECT_EQ(Missing(customers, {}), "Prüfen Sie bitte, ob Sie die Kundennummer zugeordnet haben.");
  EXPECT_EQ(Missing(customers, {"Kunden-Nr."}),
            "Prüfen Sie bitte, ob Sie den Suchnamen zugeordnet haben.");
  customers.searchNameMode = 2;
  EXPECT_EQ(Missing(customers, {"Kunden-Nr."}), "");
  customers.synchronise = 1;
  customers.synchronisationCaption = "Suchname";
  // With synchronisation only the synchronisation field counts.
  EXPECT_EQ(Missing(customers, {}),
            "Prüfen Sie bitte, ob Sie das Feld 'Suchname' zugeordnet haben.");
  EXPECT_EQ(Missing(customers, {"Suchname"}), "");

  MandatoryCheckInput articles = Kind(1);
  EXPECT_EQ(Missing(articles, {}),
            "Prüfen Sie bitte, ob Sie die Kurzbeschreibung zugeordnet haben.");
  EXPECT_EQ(Missing(articles, {"Kurzbeschreibung"}),
            "Prüfen Sie bitte, ob Sie den Steuersatz zugeordnet haben.");
  articles.taxRateByDefault = 1;
  EXPECT_EQ(Missing(articles, {"Kurzbeschreibung"}), "");
  articles.autoNumber = 0;
  EXPECT_EQ(Missing(articles, {"Kurzbeschreibung"}),
            "Prüfen Sie bitte, ob Sie die Artikel-Nr. zugeordnet haben.");

  MandatoryCheckInput suppliers = Kind(2);
  suppliers.autoNumber = 0;
  suppliers.searchNameMode = 4;
  EXPECT_EQ(Missing(suppliers, {}),
            "Prüfen Sie bitte, ob Sie die Lieferantennummer zugeordnet haben.");
}

TEST(MandatoryFields, TheOtherKindsCheckInTheirOrder) {
  EXPECT_EQ(Missing(Kind(3), {}), "Prüfen Sie bitte, ob Sie die Artikelnummer zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(4), {}), "Prüfen Sie bitte, ob Sie die Seriennummer zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(5), {}), "Prüfen Sie bitte, ob Sie die Equipmentnummer zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(6), {"Artikel-Nr."}),
            "Prüfen Sie bitte, ob Sie ein Lagerort zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(6), {"Artikel-Nr.", "Lagernummer"}),
            "Prüfen Sie bitte, ob Sie die 'verfügbare Menge' zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(7), {"Lagernummer"}),
            "Prüfen Sie bitte, ob Sie die Beschreibung zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(8), {"Artikel-Nr."}),
            "Prüfen Sie bitte, ob Sie den Kundentyp zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(9), {"Artikel-Nr."}),
            "Prüfen Sie bitte, ob Sie die Bezeichnung zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(10), {"Beschreibung"}),
            "Prüfen Sie bitte, ob Sie die Kontonummer zugeordnet haben.");
  // Captions compare exactly.
  EXPECT_NE(Missing(Kind(3), {"artikel-nr."}), "");
}

TEST(MandatoryFields, NoCheckForOddValues) {
  MandatoryCheckInput odd = Kind(1);
  odd.synchronise = 2;
  EXPECT_EQ(Missing(odd, {}), "");
  EXPECT_EQ(Missing(Kind(11), {}), "");
}

}  // namespace
}  // namespace velra
