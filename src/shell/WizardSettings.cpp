// The kinds of data and the settings page.

#include <algorithm>

#include "app/DataKinds.h"
#include "base/Text.h"
#include "shell/ShellTexts.h"
#include "shell/Wizard.h"
#include "storage/StoragePicker.h"

namespace velra {

void Wizard::DataKindClick(int listIndex) {
  ListView& list = Controls().lvwDatenarten;
  const std::vector<DataKind>& kinds = ListedDataKinds();
  if (listIndex < 0 || listIndex >= static_cast<int>(std::min(list.Items.size(), kinds.size())))
    return;
  list.Selected = listIndex;
  session_.Datenart = kinds[static_cast<size_t>(listIndex)];
  ConfigureDataKind(session_.Datenart);
  Controls().lbTipp_Datenart_Beschreibung.Caption =
      list.Items[static_cast<size_t>(listIndex)].Description;
}

void Wizard::ChooseDataKind(DataKind kind) {
  const std::vector<DataKind>& kinds = ListedDataKinds();
  auto listed = std::find(kinds.begin(), kinds.end(), kind);
  if (listed != kinds.end()) {
    DataKindClick(static_cast<int>(listed - kinds.begin()));
    return;
  }
  session_.Datenart = kind;
  ConfigureDataKind(kind);
}

void Wizard::ConfigureDataKind(DataKind value) {
  const DataKindInfo& kind = Describe(value);
  WizardControls& c = Controls();
  session_.Zieltabelle = kind.table;
  session_.PreferredSyncField.clear();
  c.statusPanels[texts::kStatusData] = kind.statusText;
  c.chkAutoNummer.Enabled = kind.autoNumber;
  c.chkAutoNummer.Value = kind.autoNumber ? 1 : 0;
  c.chkSynchronisieren.Enabled = kind.synchronise;
  if (c.chkSynchronisieren.Value != 0) ChkSynchronisierenClick(0);
  c.cboSynchronisierung.Enabled = kind.synchronise;
  session_.Synchronisationsfeld = kind.keyField;
  c.fmEinstellungen_Artikel.Visible = kind.settingsFrame == SettingsFrame::Articles;
  c.fmEinstellungen_Kunden.Visible = kind.settingsFrame == SettingsFrame::Customers;
  c.fmEinstellungen_Lieferanten.Visible = kind.settingsFrame == SettingsFrame::Suppliers;
  UpdateSearchNameMode();
}

void Wizard::ChkLoeschenClick(int value) {
  WizardControls& c = Controls();
  c.chkLoeschen.Value = value;
  if (c.chkLoeschen.Value == 1) c.chkSynchronisieren.Value = 0;
  c.chkSynchronisieren.Enabled = c.chkLoeschen.Value == 0;
}

void Wizard::ChkSynchronisierenClick(int value) {
  WizardControls& c = Controls();
  c.chkSynchronisieren.Value = value;
  const bool on = c.chkSynchronisieren.Value == 1;
  c.lbSynchronisierung.Visible = c.cboSynchronisierung.Visible = c.lbTipp_Synchronisierung.Visible =
      on;
  if (on) c.chkLoeschen.Value = 0;
  c.chkLoeschen.Enabled = !on;
}

void Wizard::ChkArtikeltypClick(int value) {
  Controls().chkArtikeltyp.Value = value;
  Controls().cboArtikeltyp.Enabled = value != 0;
}

void Wizard::ChkEinheitClick(int value) {
  Controls().chkEinheit.Value = value;
  Controls().cboEinheit.Enabled = value != 0;
}

void Wizard::ChkSteuersatzClick(int value) {
  Controls().chkSteuersatz.Value = value;
  Controls().icboSteuersatz.Enabled = value != 0;
}

void Wizard::ChkLagerortClick(int value) {
  Controls().chkLagerort.Value = value;
  Controls().cmdLagerort.Enabled = value != 0;
}

void Wizard::CboBerechnungsartClick(int index) {
  Controls().cboBerechnungsart.Select(index);
  session_.Berechnungsart = Controls().cboBerechnungsart.ListIndex;
}

void Wizard::CboKundenSuchnameClick(int index) {
  Controls().cboKunden_Suchname.Select(index);
  UpdateSearchNameMode();
}

void Wizard::CboLieferantenSuchnameClick(int index) {
  Controls().cboLieferanten_Suchname.Select(index);
  UpdateSearchNameMode();
}

// The mode in force is the one the user sees for the kind being imported: the supplier combo for
// suppliers, the customer combo otherwise.
void Wizard::UpdateSearchNameMode() {
  const WizardControls& c = Controls();
  const Combo& combo = Describe(session_.Datenart).settingsFrame == SettingsFrame::Suppliers
                           ? c.cboLieferanten_Suchname
                           : c.cboKunden_Suchname;
  session_.Suchnamenmodus = std::max(combo.ListIndex, 0);
}

void Wizard::LagerortWaehlen() {
  StoragePicker picker;
  picker.Artikelnummer.clear();
  picker.Lagernummer = Controls().txtLagerort.Text;
  picker.Load(session_.Context.ConnectionString,
              session_.Context.GetOption("Program", "StorageToken"));
  if (!picker.LoadError().empty()) session_.Problems.push_back(picker.LoadError());
  dialogs_.RunStoragePicker(picker);
  if (picker.Action == 0) Controls().txtLagerort.Text = picker.Lagernummer;
}

void Wizard::KeinLagerort() {
  Controls().txtLagerort.Text.clear();
}

}  // namespace velra
