#include "app/ImportRequest.h"

namespace velra {

ImportSettings DefaultSettings(DataKind kind) {
  const DataKindInfo& info = Describe(kind);
  ImportSettings settings;
  settings.datenart = kind;
  settings.table = info.table;
  settings.synchronisationField = info.keyField;
  settings.autoNumber = info.autoNumber;
  // Search names: customers and the other kinds start with "Nachname, Vorname", suppliers with
  // none.
  settings.searchNameMode = info.settingsFrame == SettingsFrame::Suppliers ? 0 : 3;
  return settings;
}

}  // namespace velra
