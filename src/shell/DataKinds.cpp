#include "shell/DataKinds.h"

#include "base/Text.h"

namespace velra {

const std::vector<DataKind>& DataKinds() {
  static const std::vector<DataKind> kinds = {
      {0, true, "Kunden", "Kunden", "Hier importieren Sie die Kundenstammdaten", "Contacts",
       "CustomerNumber", "Daten: Kunden", true, true, kFrameCustomers},
      {1, true, "Artikel", "Artikel", "Importieren Sie hier Artikelstammdaten", "Articles",
       "ArticleNumber", "Daten: Artikel", true, true, kFrameArticles},
      {2, true, "Lieferanten", "Lieferanten", "Hier importieren Sie Lieferanten", "Suppliers",
       "SupplierNumber", "Daten: Lieferanten", true, true, kFrameSuppliers},
      {3, true, "Lieferanten zum Artikel", "Lieferanten",
       "Hier können Sie zum Artikel die möglichen Lieferanten einlesen", "ArticleSuppliers",
       "ArticleNumber", "Daten: Lieferanten zum Artikel", false, false, ""},
      {4, false, "", "", "", "ServiceEquipments", "SerialNumber", "Daten: Equipments (Stamm)",
       false, false, ""},
      {5, false, "", "", "", "PositionsServiceEquipments", "", "Daten: Equipments (Strukturliste)",
       false, false, ""},
      {6, true, "Warenbestände", "Wareneingang", "Importieren Sie hier verfügbare Artikelmengen",
       "Warehouse", "", "Daten: Warenbestände", false, false, ""},
      {7, true, "Lagerorte", "Lager", "Hier können Sie eine vorhandene Lagerstruktur einlesen",
       "StorageStructure", "", "Daten: Lagerortstruktur", false, false, ""},
      {8, true, "Artikel (Kundentyp-Preise)", "Zahlungseingang",
       "Import von Artikelpreisen je Kundentyp", "ArticleCustomerTypePrices", "ArticleNumber",
       "Daten: Artikel (Kundentyppreise)", false, false, ""},
      {9, true, "Artikel (Webshop)", "Bestellung_02", "Import von Informationen zum Webshop",
       "ArticleWebshop", "ArticleNumber", "Daten: Artikel (Webshop)", false, false, ""},
      {10, true, "DATEV: Kontenrahmen", "Lieferschein", "Import von Konten für DATEV",
       "AccountSystem", "AccountNumber", "Daten: Kontenrahmen", false, true, ""},
  };
  return kinds;
}

const DataKind* FindDataKind(int value) {
  if (value < 0 || value >= static_cast<int>(DataKinds().size())) return nullptr;
  return &DataKinds()[static_cast<size_t>(value)];
}

const DataKind* ParseDataKind(const std::string& text) {
  std::string wanted = Trim(text);
  for (const DataKind& kind : DataKinds())
    if (kind.listed && EqualsIgnoreCase(kind.listText, wanted)) return &kind;
  std::optional<int64_t> number = LeadingInteger(wanted);
  if (!number || std::to_string(*number) != wanted) return nullptr;
  const DataKind* kind = FindDataKind(static_cast<int>(*number));
  return kind && kind->listed ? kind : nullptr;
}

}  // namespace velra
