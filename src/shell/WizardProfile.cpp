// Import profiles in the wizard: the state of the wizard as a profile, a profile applied to the
// settings, the source settings and the columns of the grid.

#include "base/Text.h"
#include "import/SelectionLists.h"
#include "shell/DataKinds.h"
#include "shell/ShellTexts.h"
#include "shell/Wizard.h"

namespace velra {

namespace {

void SetBox(CheckBox& box, bool on) {
  box.Value = on ? 1 : 0;
}

const FieldChoice* ChoiceOfField(const FieldList& fields, const std::string& field) {
  for (const FieldChoice& choice : fields.choices)
    if (EqualsIgnoreCase(choice.Field, field)) return &choice;
  return nullptr;
}

const ProfileColumn* ProfileColumnNamed(const ImportProfile& profile, const std::string& name) {
  const ProfileColumn* loose = nullptr;
  for (const ProfileColumn& column : profile.columns) {
    if (column.column == name) return &column;
    if (!loose && EqualsIgnoreCase(Trim(column.column), Trim(name))) loose = &column;
  }
  return loose;
}

}  // namespace

ImportProfile Wizard::CurrentProfile() const {
  const WizardControls& c = Controls();
  ImportProfile profile;
  profile.datenart = session_.Datenart;
  profile.kindName = Describe(session_.Datenart).listText;
  profile.format = session_.SourceFormat;
  profile.table = session_.SourceTableName;
  profile.separator = session_.Separator;
  profile.qualifier = session_.TextQualifier;
  profile.lineBreakToken = session_.LineBreakToken;
  profile.firstRowHasNames = c.chkSpaltentitel.Checked();
  profile.encoding = session_.SourceEncoding;
  profile.settings = CurrentSettings();
  profile.settings.table.clear();
  profile.deleteAll = c.chkLoeschen.Checked();
  for (const GridColumn& column : c.columns)
    if (!column.TargetField.empty())
      profile.columns.push_back({column.SourceName, column.TargetField});
  return profile;
}

std::vector<std::string> Wizard::ApplyProfile(const ImportProfile& profile) {
  std::vector<std::string> notes;
  WizardControls& c = Controls();
  // The kind first: it resets the options that depend on it.
  if (session_.Datenart != profile.datenart) ChooseDataKind(profile.datenart);
  const ImportSettings& s = profile.settings;
  ChkSynchronisierenClick(s.synchronise ? 1 : 0);
  ChkLoeschenClick(profile.deleteAll && !s.synchronise ? 1 : 0);
  session_.PreferredSyncField = s.synchronisationField;
  if (c.chkAutoNummer.Enabled) SetBox(c.chkAutoNummer, s.autoNumber);
  SetBox(c.chkAktiv, s.active);
  SetBox(c.chkRabatt, s.rebate);
  SetBox(c.chkPOS, s.pos);
  SetBox(c.chkWebshop, s.webshop);
  SetBox(c.chkLieferant, s.createSupplier);
  auto preset = [&](bool on, void (Wizard::*click)(int), Combo& combo, const std::string& value,
                    const char* what) {
    (this->*click)(on ? 1 : 0);
    if (on && !combo.SetText(value))
      notes.push_back(std::string(what) + " '" + value +
                      "' aus dem Profil gibt es in der Firma nicht.");
  };
  preset(s.defaultArticleType, &Wizard::ChkArtikeltypClick, c.cboArtikeltyp, s.articleType,
         "Den Artikeltyp");
  preset(s.defaultUnit, &Wizard::ChkEinheitClick, c.cboEinheit, s.unit, "Die Einheit");
  ChkSteuersatzClick(s.defaultTaxKey ? 1 : 0);
  if (s.defaultTaxKey) {
    c.icboSteuersatz.Selected = -1;
    for (size_t i = 0; i < c.icboSteuersatz.Items.size(); ++i)
      if (TaxKeyOfItem(c.icboSteuersatz.Items[i].Key) == s.taxKey)
        c.icboSteuersatz.Selected = static_cast<int>(i);
    if (c.icboSteuersatz.Selected < 0)
      notes.push_back("Den Steuerschlüssel '" + s.taxKey +
                      "' aus dem Profil gibt es in der Firma nicht.");
  }
  ChkLagerortClick(s.defaultStorage ? 1 : 0);
  c.txtLagerort.Text = s.defaultStorage ? s.storage : std::string();
  CboBerechnungsartClick(s.priceMode);
  SetBox(c.chkKunden_Anschrift_generieren, s.generateAddress);
  SetBox(c.chkLieferanten_Anschrift_generieren, s.generateAddress);
  CboKundenSuchnameClick(s.searchNameMode);
  CboLieferantenSuchnameClick(s.searchNameMode);

  TrennzeichenChange(profile.separator);
  BegrenzungChange(profile.qualifier);
  ZeilenumbruchChange(profile.lineBreakToken);
  SetBox(c.chkSpaltentitel, profile.firstRowHasNames);
  SelectEncoding(profile.encoding);
  return notes;
}

ProfileFit Wizard::ApplyProfileColumns(const ImportProfile& profile) {
  ProfileFit fit;
  std::vector<const ProfileColumn*> used;
  for (GridColumn& column : Controls().columns) {
    column.ByHand = false;
    const ProfileColumn* wanted = ProfileColumnNamed(profile, column.SourceName);
    const FieldChoice* choice =
        wanted ? ChoiceOfField(session_.TargetFields, wanted->field) : nullptr;
    if (wanted) used.push_back(wanted);
    if (wanted && !choice) fit.unknownFields.push_back(wanted->column + " → " + wanted->field);
    if (!choice) {
      // The profile decides: a column it does not name is not imported.
      if (!wanted) fit.notInProfile.push_back(column.SourceName);
      column.FieldCaption = texts::kUnassignedMark + column.SourceName;
      column.TargetField.clear();
      column.CellStyle = kCellsNone;
      column.HeaderStyle = kHeaderNone;
      continue;
    }
    column.FieldCaption = choice->Caption;
    column.TargetField = choice->Field;
    column.CellStyle = kCellsBound;
    column.HeaderStyle = kHeaderBound;
  }
  for (const ProfileColumn& column : profile.columns)
    if (std::find(used.begin(), used.end(), &column) == used.end())
      fit.missing.push_back(column.column);
  return fit;
}

std::string ProfileFit::Text() const {
  std::string text;
  auto list = [&text](const char* heading, const std::vector<std::string>& names) {
    if (names.empty()) return;
    text += (text.empty() ? "" : "\r\n") + std::string(heading) + " " + Join(names, ", ");
  };
  list("Spalten des Profils, die die Datei nicht hat:", missing);
  list("Spalten der Datei, die das Profil nicht kennt (werden nicht importiert):", notInProfile);
  list("Felder des Profils, die es in der Tabelle nicht gibt:", unknownFields);
  return text;
}

std::optional<std::string> Wizard::ChooseProfile() {
  return dialogs_.ChooseFile(texts::kProfileOpenTitle, texts::kProfileFilter, 1,
                             session_.SourceFile);
}

void Wizard::ProfilLaden(const std::string& path) {
  ProfileLoad loaded = LoadProfile(path);
  if (!loaded.profile) {
    ShowError(loaded.error);
    return;
  }
  std::vector<std::string> notes = ApplyProfile(*loaded.profile);
  // A table of the profile counts only where the file has it.
  if (!loaded.profile->table.empty()) session_.SourceTableName = loaded.profile->table;
  if (!Controls().txtDateiname.Text.empty()) {
    // Chosen again: the synchronisation column and the table follow the profile.
    FileChosen(session_.SourceFile);
    if (!loaded.profile->table.empty() && !Controls().cboTabellen.Items.empty() &&
        !EqualsIgnoreCase(Controls().cboTabellen.Text, loaded.profile->table))
      notes.push_back("Die Tabelle '" + loaded.profile->table +
                      "' aus dem Profil gibt es in der Datei nicht.");
    session_.Synchronisationsfeld = Controls().chkSynchronisieren.Checked()
                                        ? Layout().Lookup(Controls().cboSynchronisierung.Text)
                                        : std::string();
    LoadSourceIntoGrid();
    const std::string fit = ApplyProfileColumns(*loaded.profile).Text();
    if (!fit.empty()) notes.push_back(fit);
  }
  if (loaded.migrated())
    notes.insert(notes.begin(),
                 "Das Profil stammt von einer älteren Version und wurde übernommen; speichern "
                 "Sie es erneut, um es im neuen Format abzulegen.");
  if (!notes.empty())
    dialogs_.Message(Join(notes, "\r\n"), texts::kHinweis, Dialogs::Icon::Information);
}

void Wizard::ProfilSpeichern() {
  std::optional<std::string> path = dialogs_.ChooseSaveFile(
      texts::kProfileSaveTitle, texts::kProfileFilter, texts::kProfileDefaultName);
  if (!path) return;
  if (std::string error = SaveProfile(*path, CurrentProfile()); !error.empty()) ShowError(error);
}

}  // namespace velra
