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

MandatoryCheckInput Kind(DataKind datenart) {
  MandatoryCheckInput input;
  input.datenart = datenart;
  return input;
}

TEST(MandatoryFields, CustomersArticlesSuppliersDependOnTheSettings) {
  MandatoryCheckInput customers = Kind(DataKind::Customers);
  customers.autoNumber = false;
  EXPECT_EQ(Missing(customers, {}), "Prüfen Sie bitte, ob Sie die Kundennummer zugeordnet haben.");
  EXPECT_EQ(Missing(customers, {"Kunden-Nr."}),
            "Prüfen Sie bitte, ob Sie den Suchnamen zugeordnet haben.");
  customers.searchNameMode = 2;
  EXPECT_EQ(Missing(customers, {"Kunden-Nr."}), "");
  customers.synchronise = true;
  customers.synchronisationCaption = "Suchname";
  // With synchronisation only the synchronisation field counts.
  EXPECT_EQ(Missing(customers, {}),
            "Prüfen Sie bitte, ob Sie das Feld 'Suchname' zugeordnet haben.");
  EXPECT_EQ(Missing(customers, {"Suchname"}), "");

  MandatoryCheckInput articles = Kind(DataKind::Articles);
  EXPECT_EQ(Missing(articles, {}),
            "Prüfen Sie bitte, ob Sie die Kurzbeschreibung zugeordnet haben.");
  EXPECT_EQ(Missing(articles, {"Kurzbeschreibung"}),
            "Prüfen Sie bitte, ob Sie den Steuersatz zugeordnet haben.");
  articles.taxRateByDefault = true;
  EXPECT_EQ(Missing(articles, {"Kurzbeschreibung"}), "");
  articles.autoNumber = false;
  EXPECT_EQ(Missing(articles, {"Kurzbeschreibung"}),
            "Prüfen Sie bitte, ob Sie die Artikel-Nr. zugeordnet haben.");

  MandatoryCheckInput suppliers = Kind(DataKind::Suppliers);
  suppliers.autoNumber = false;
  suppliers.searchNameMode = 4;
  EXPECT_EQ(Missing(suppliers, {}),
            "Prüfen Sie bitte, ob Sie die Lieferantennummer zugeordnet haben.");
}

TEST(MandatoryFields, TheOtherKindsCheckInTheirOrder) {
  EXPECT_EQ(Missing(Kind(DataKind::ArticleSuppliers), {}),
            "Prüfen Sie bitte, ob Sie die Artikelnummer zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(DataKind::Equipments), {}),
            "Prüfen Sie bitte, ob Sie die Seriennummer zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(DataKind::EquipmentPositions), {}),
            "Prüfen Sie bitte, ob Sie die Equipmentnummer zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(DataKind::Stock), {"Artikel-Nr."}),
            "Prüfen Sie bitte, ob Sie ein Lagerort zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(DataKind::Stock), {"Artikel-Nr.", "Lagernummer"}),
            "Prüfen Sie bitte, ob Sie die 'verfügbare Menge' zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(DataKind::StorageLocations), {"Lagernummer"}),
            "Prüfen Sie bitte, ob Sie die Beschreibung zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(DataKind::CustomerTypePrices), {"Artikel-Nr."}),
            "Prüfen Sie bitte, ob Sie den Kundentyp zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(DataKind::Webshop), {"Artikel-Nr."}),
            "Prüfen Sie bitte, ob Sie die Bezeichnung zugeordnet haben.");
  EXPECT_EQ(Missing(Kind(DataKind::Accounts), {"Beschreibung"}),
            "Prüfen Sie bitte, ob Sie die Kontonummer zugeordnet haben.");
  // Captions compare exactly.
  EXPECT_NE(Missing(Kind(DataKind::ArticleSuppliers), {"artikel-nr."}), "");
}

// Synchronisation replaces the checks only for the kinds that can synchronise.
TEST(MandatoryFields, SynchronisationCountsWhereTheKindOffersIt) {
  for (DataKind kind : {DataKind::ArticleSuppliers, DataKind::Stock, DataKind::Accounts}) {
    MandatoryCheckInput input = Kind(kind);
    input.synchronise = true;
    input.synchronisationCaption = "Suchname";
    const bool replaced = kind == DataKind::Accounts;
    EXPECT_EQ(Missing(input, {"Suchname"}).empty(), replaced) << NumberOf(kind);
  }
}

}  // namespace
}  // namespace velra
