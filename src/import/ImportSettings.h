#pragma once
// Everything a run takes from the wizard: the kind of data, the key, and the state of the
// settings page.

#include <cstdint>
#include <string>

#include "import/DataKind.h"

namespace velra {

struct ImportSettings {
  // The folder of the import file (of a dBase table: its folder): picture names without a whole
  // path are found there.
  std::string sourceFolder;
  DataKind datenart = DataKind::Articles;
  std::string table;                 // Zieltabelle
  std::string synchronisationField;  // Synchronisationsfeld; empty without synchronisation
  bool synchronise = false;          // chkSynchronisieren
  bool autoNumber = true;            // chkAutoNummer
  // Article settings.
  bool active = true;           // chkAktiv
  bool rebate = false;          // chkRabatt
  bool pos = false;             // chkPOS
  bool webshop = false;         // chkWebshop
  bool createSupplier = false;  // chkLieferant
  bool defaultArticleType = false;
  std::string articleType;
  bool defaultTaxKey = false;
  std::string taxKey;
  bool defaultUnit = false;
  std::string unit;
  bool defaultStorage = false;
  std::string storage;
  int priceMode = 0;  // Berechnungsart
  // Customers and suppliers.
  bool generateAddress = true;  // the address box of the kind
  int searchNameMode = 0;       // Suchnamenmodus
};

}  // namespace velra
