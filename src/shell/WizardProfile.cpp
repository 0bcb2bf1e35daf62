// Import profiles in the wizard: the state of the wizard as a profile, a profile applied to the
// settings, the source settings and the columns of the grid.

#include "app/DataKinds.h"
#include "app/RequestProfile.h"
#include "app/RunChecks.h"
#include "base/Text.h"
#include "shell/ShellTexts.h"
#include "shell/Wizard.h"

namespace velra {

namespace {

void SetBox(CheckBox& box, bool on) {
  box.Value = on ? 1 : 0;
}

}  // namespace

ImportProfile Wizard::CurrentProfile() const {
  return ProfileOf(CurrentRequest());
}

std::vector<std::string> Wizard::ApplyProfile(const ImportProfile& profile) {
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
  ChkArtikeltypClick(s.defaultArticleType ? 1 : 0);
  if (s.defaultArticleType) c.cboArtikeltyp.SetText(s.articleType);
  ChkEinheitClick(s.defaultUnit ? 1 : 0);
  if (s.defaultUnit) c.cboEinheit.SetText(s.unit);
  ChkSteuersatzClick(s.defaultTaxKey ? 1 : 0);
  if (s.defaultTaxKey) c.icboSteuersatz.Selected = lists_.TaxIndexOf(s.taxKey);
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
  return ProfileSettingsNotes(s, lists_);
}

ProfileFit Wizard::ApplyProfileColumns(const ImportProfile& profile) {
  return velra::ApplyProfileColumns(Controls().columns, profile, session_.TargetFields);
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
  auto notes = std::make_shared<std::vector<std::string>>();
  if (loaded.migrated()) notes->push_back(texts::kProfileMigrated);
  for (std::string& note : ApplyProfile(*loaded.profile)) notes->push_back(std::move(note));
  auto tell = [this, notes] {
    if (!notes->empty())
      dialogs_.Message(Join(*notes, "\r\n"), texts::kHinweis, Dialogs::Icon::Information);
  };
  const ImportProfile& profile = *loaded.profile;
  // A table of the profile counts only where the file has it.
  if (!profile.table.empty()) session_.SourceTableName = profile.table;
  if (Controls().txtDateiname.Text.empty()) return tell();
  // Chosen again: the synchronisation column and the table follow the profile.
  FileChosen(session_.SourceFile);
  if (!profile.table.empty() && !Controls().cboTabellen.Items.empty() &&
      !EqualsIgnoreCase(Controls().cboTabellen.Text, profile.table))
    notes->push_back(Fill(texts::kProfileTableMissing, {profile.table}));
  session_.Synchronisationsfeld = Controls().chkSynchronisieren.Checked()
                                      ? Layout().Lookup(Controls().cboSynchronisierung.Text)
                                      : std::string();
  LoadSourceIntoGrid([this, profile, notes, tell] {
    const std::string fit = ApplyProfileColumns(profile).Text();
    if (!fit.empty()) notes->push_back(fit);
    tell();
  });
}

void Wizard::ProfilSpeichern() {
  std::optional<std::string> path = dialogs_.ChooseSaveFile(
      texts::kProfileSaveTitle, texts::kProfileFilter, texts::kProfileDefaultName);
  if (!path) return;
  if (std::string error = SaveProfile(*path, CurrentProfile()); !error.empty()) ShowError(error);
}

}  // namespace velra
