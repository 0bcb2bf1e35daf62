#pragma once
// The kinds of data ("Datenart") and everything that hangs on them: the wizard's list, the
// settings page, the target table and key, the numbers drawn, the mandatory fields and the way
// the run writes the records. A new kind is one row of the table below; a new family of kinds
// also brings its writer (import/run/RecordWriter.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace velra {

// The values are the numbers that profiles, learned mappings and the command line's --kind keep.
enum class DataKind : int {
  Customers = 0,
  Articles = 1,
  Suppliers = 2,
  ArticleSuppliers = 3,
  Equipments = 4,
  EquipmentPositions = 5,
  Stock = 6,
  StorageLocations = 7,
  CustomerTypePrices = 8,
  Webshop = 9,
  Accounts = 10,
};

inline constexpr int kDataKindCount = 11;

constexpr int NumberOf(DataKind kind) {
  return static_cast<int>(kind);
}

// The kind stored as `number`; nullopt for any number that is no kind.
constexpr std::optional<DataKind> DataKindOfNumber(int64_t number) {
  if (number < 0 || number >= kDataKindCount) return std::nullopt;
  return static_cast<DataKind>(number);
}

// What the run does to a record beyond writing the mapped columns.
enum class Family {
  Customers,         // number, bank data, address texts, invoice address, search name
  Suppliers,         // number, bank data, address, search name
  Articles,          // number, defaults of the settings page, tax key, prices, webshop, supplier
  Stock,             // a number from the range for every row, the day's date
  StorageLocations,  // warehouseman and address empty
  StructureList,     // the position number in the company's format
  Prices,            // prices computed from the article's tax key
  Webshop,           // the templates' defaults
  Plain,             // the mapped columns only
};

// The specific frame of the settings page shown for a kind.
enum class SettingsFrame { None, Articles, Customers, Suppliers };

// A field the import needs, by its caption in the grid, and the hint when no column carries it.
struct MandatoryField {
  const char* caption = nullptr;
  const char* hint = nullptr;
};

// A number drawn from the company's number range, or taken from the file.
struct Numbering {
  const char* field = nullptr;  // nullptr: the kind draws no numbers
  const char* range = nullptr;
  const char* caption = nullptr;  // for messages
  bool alwaysDrawn = false;       // drawn for every row, whatever "AutoNummer" says
};

struct DataKindInfo {
  DataKind kind = DataKind::Articles;
  bool listed = false;  // offered in the list of kinds
  const char* listText = "";
  const char* icon = "";
  const char* description = "";
  const char* table = "";     // Zieltabelle
  const char* keyField = "";  // Synchronisationsfeld preset; empty for none
  const char* statusText = "";
  bool autoNumber = false;   // chkAutoNummer enabled and checked
  bool synchronise = false;  // chkSynchronisieren and cboSynchronisierung enabled
  SettingsFrame settingsFrame = SettingsFrame::None;
  Family family = Family::Plain;
  Numbering numbering{};
  // The field whose value no two records share; nullptr when the records have none.
  const char* uniqueNumberField = nullptr;
  // Every row adds a record: synchronisation does not apply.
  bool alwaysAdds = false;
  // The key of synchronisation: the first field when it is not the synchronisation field, and a
  // second one; nullptr for none.
  const char* firstKeyField = nullptr;
  const char* secondKeyField = nullptr;
  // Mandatory: the number when it comes from the file, then the fields always needed.
  MandatoryField numberField{};
  std::array<MandatoryField, 3> mandatory{};

  constexpr bool Numbered() const { return numbering.field != nullptr; }
};

namespace data_kinds {

inline constexpr MandatoryField kArticleNumber{
    "Artikel-Nr.", "Prüfen Sie bitte, ob Sie die Artikelnummer zugeordnet haben."};
inline constexpr MandatoryField kDescription{
    "Beschreibung", "Prüfen Sie bitte, ob Sie die Beschreibung zugeordnet haben."};

// In the order of the kinds' numbers.
inline constexpr std::array<DataKindInfo, kDataKindCount> kTable{{
    {.kind = DataKind::Customers,
     .listed = true,
     .listText = "Kunden",
     .icon = "Kunden",
     .description = "Hier importieren Sie die Kundenstammdaten",
     .table = "Contacts",
     .keyField = "CustomerNumber",
     .statusText = "Daten: Kunden",
     .autoNumber = true,
     .synchronise = true,
     .settingsFrame = SettingsFrame::Customers,
     .family = Family::Customers,
     .numbering = {"CustomerNumber", "Customer", "Kundennummer"},
     .uniqueNumberField = "CustomerNumber",
     .numberField = {"Kunden-Nr.", "Prüfen Sie bitte, ob Sie die Kundennummer zugeordnet haben."}},
    {.kind = DataKind::Articles,
     .listed = true,
     .listText = "Artikel",
     .icon = "Artikel",
     .description = "Importieren Sie hier Artikelstammdaten",
     .table = "Articles",
     .keyField = "ArticleNumber",
     .statusText = "Daten: Artikel",
     .autoNumber = true,
     .synchronise = true,
     .settingsFrame = SettingsFrame::Articles,
     .family = Family::Articles,
     .numbering = {"ArticleNumber", "Article", "Artikelnummer"},
     .uniqueNumberField = "ArticleNumber",
     .numberField = {"Artikel-Nr.", "Prüfen Sie bitte, ob Sie die Artikel-Nr. zugeordnet haben."},
     .mandatory = {{{"Kurzbeschreibung",
                     "Prüfen Sie bitte, ob Sie die Kurzbeschreibung zugeordnet haben."}}}},
    {.kind = DataKind::Suppliers,
     .listed = true,
     .listText = "Lieferanten",
     .icon = "Lieferanten",
     .description = "Hier importieren Sie Lieferanten",
     .table = "Suppliers",
     .keyField = "SupplierNumber",
     .statusText = "Daten: Lieferanten",
     .autoNumber = true,
     .synchronise = true,
     .settingsFrame = SettingsFrame::Suppliers,
     .family = Family::Suppliers,
     .numbering = {"SupplierNumber", "Supplier", "Lieferantennummer"},
     .uniqueNumberField = "SupplierNumber",
     .numberField = {"Lieferanten-Nr.",
                     "Prüfen Sie bitte, ob Sie die Lieferantennummer zugeordnet haben."}},
    {.kind = DataKind::ArticleSuppliers,
     .listed = true,
     .listText = "Lieferanten zum Artikel",
     .icon = "Lieferanten",
     .description = "Hier können Sie zum Artikel die möglichen Lieferanten einlesen",
     .table = "ArticleSuppliers",
     .keyField = "ArticleNumber",
     .statusText = "Daten: Lieferanten zum Artikel",
     .secondKeyField = "OrderNumber",
     .mandatory = {{kArticleNumber}}},
    {.kind = DataKind::Equipments,
     .table = "ServiceEquipments",
     .keyField = "SerialNumber",
     .statusText = "Daten: Equipments (Stamm)",
     .mandatory = {{{"Seriennummer",
                     "Prüfen Sie bitte, ob Sie die Seriennummer zugeordnet haben."}}}},
    {.kind = DataKind::EquipmentPositions,
     .table = "PositionsServiceEquipments",
     .statusText = "Daten: Equipments (Strukturliste)",
     .family = Family::StructureList,
     .alwaysAdds = true,
     .mandatory = {{{"Equipmentnummer",
                     "Prüfen Sie bitte, ob Sie die Equipmentnummer zugeordnet haben."}}}},
    {.kind = DataKind::Stock,
     .listed = true,
     .listText = "Warenbestände",
     .icon = "Wareneingang",
     .description = "Importieren Sie hier verfügbare Artikelmengen",
     .table = "Warehouse",
     .statusText = "Daten: Warenbestände",
     .family = Family::Stock,
     .numbering = {"StockingNumber", "Stocking", "Lagerbestandsnummer", true},
     .alwaysAdds = true,
     .mandatory = {{kArticleNumber,
                    {"Lagernummer", "Prüfen Sie bitte, ob Sie ein Lagerort zugeordnet haben."},
                    {"Verfügbar",
                     "Prüfen Sie bitte, ob Sie die 'verfügbare Menge' zugeordnet haben."}}}},
    {.kind = DataKind::StorageLocations,
     .listed = true,
     .listText = "Lagerorte",
     .icon = "Lager",
     .description = "Hier können Sie eine vorhandene Lagerstruktur einlesen",
     .table = "StorageStructure",
     .statusText = "Daten: Lagerortstruktur",
     .family = Family::StorageLocations,
     .alwaysAdds = true,
     .mandatory = {{{"Lagernummer", "Prüfen Sie bitte, ob Sie die Lagernummer zugeordnet haben."},
                    kDescription}}},
    {.kind = DataKind::CustomerTypePrices,
     .listed = true,
     .listText = "Artikel (Kundentyp-Preise)",
     .icon = "Zahlungseingang",
     .description = "Import von Artikelpreisen je Kundentyp",
     .table = "ArticleCustomerTypePrices",
     .keyField = "ArticleNumber",
     .statusText = "Daten: Artikel (Kundentyppreise)",
     .family = Family::Prices,
     .firstKeyField = "ArticleNumber",
     .secondKeyField = "CustomerType",
     .mandatory = {{kArticleNumber,
                    {"Kundentyp", "Prüfen Sie bitte, ob Sie den Kundentyp zugeordnet haben."}}}},
    {.kind = DataKind::Webshop,
     .listed = true,
     .listText = "Artikel (Webshop)",
     .icon = "Bestellung_02",
     .description = "Import von Informationen zum Webshop",
     .table = "ArticleWebshop",
     .keyField = "ArticleNumber",
     .statusText = "Daten: Artikel (Webshop)",
     .family = Family::Webshop,
     .mandatory = {{kArticleNumber,
                    {"Bezeichnung",
                     "Prüfen Sie bitte, ob Sie die Bezeichnung zugeordnet haben."}}}},
    {.kind = DataKind::Accounts,
     .listed = true,
     .listText = "DATEV: Kontenrahmen",
     .icon = "Lieferschein",
     .description = "Import von Konten für DATEV",
     .table = "AccountSystem",
     .keyField = "AccountNumber",
     .statusText = "Daten: Kontenrahmen",
     .synchronise = true,
     .uniqueNumberField = "AccountNumber",
     .mandatory = {{{"Kontonummer", "Prüfen Sie bitte, ob Sie die Kontonummer zugeordnet haben."},
                    kDescription}}},
}};

constexpr bool InNumberOrder() {
  for (size_t i = 0; i < kTable.size(); ++i)
    if (NumberOf(kTable[i].kind) != static_cast<int>(i)) return false;
  return true;
}
static_assert(InNumberOrder(), "the table lists the kinds in the order of their numbers");

}  // namespace data_kinds

// All kinds in the order of their numbers.
constexpr const std::array<DataKindInfo, kDataKindCount>& DataKinds() {
  return data_kinds::kTable;
}

constexpr const DataKindInfo& Describe(DataKind kind) {
  return data_kinds::kTable[static_cast<size_t>(NumberOf(kind))];
}

}  // namespace velra
