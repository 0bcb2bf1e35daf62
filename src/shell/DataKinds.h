#pragma once
// The kinds of data ("Datenart") and everything that hangs on them.

#include <optional>
#include <string>
#include <vector>

namespace velra {

struct DataKind {
  int value;    // the Datenart, 0..10
  bool listed;  // offered in the list of kinds
  const char* listText;
  const char* icon;
  const char* description;
  const char* table;     // Zieltabelle
  const char* keyField;  // Synchronisationsfeld preset; empty for none
  const char* statusText;
  bool autoNumber;            // chkAutoNummer enabled and checked
  bool synchronise;           // chkSynchronisieren and cboSynchronisierung enabled
  const char* settingsFrame;  // the specific settings frame shown; empty for none
};

inline constexpr const char* kFrameArticles = "fmEinstellungen_Artikel";
inline constexpr const char* kFrameCustomers = "fmEinstellungen_Kunden";
inline constexpr const char* kFrameSuppliers = "fmEinstellungen_Lieferanten";

// All kinds in the order of their values.
const std::vector<DataKind>& DataKinds();
// The kind of a value 0..10; nullptr for other values.
const DataKind* FindDataKind(int value);
// A kind the list offers, by its list text (letter case ignored) or its number, as a user types
// it; nullptr for any other text, also for the numbers of kinds the list does not offer.
const DataKind* ParseDataKind(const std::string& text);

}  // namespace velra
