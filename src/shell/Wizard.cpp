#include "shell/Wizard.h"

#include <algorithm>

#include "app/DataKinds.h"
#include "base/Text.h"
#include "config/CommandLine.h"
#include "config/CompanyRegistry.h"
#include "config/Messages.h"
#include "shell/ShellTexts.h"
#include "source/Formats.h"
#include "source/SourceEncoding.h"

namespace velra {

bool Wizard::Load(const StartOptions& options) {
  WizardControls& c = Controls();
  if (options.singleInstance) {
    lock_ = InstanceLock::TryAcquire(options.lockFolder);
    if (!lock_) {
      dialogs_.Message(std::string(messages::kAlreadyRunning), texts::kHinweis,
                       Dialogs::Icon::Information);
      session_.Closed = true;
      return false;
    }
  }
  session_.Context = StartSession(options.programPath, options.regional, session_.Problems);
  const Environment& env = session_.Context.Env;
  CompanyListResult companies = FillCompanyList(env, true, true);
  session_.Problems.insert(session_.Problems.end(), companies.Problems.begin(),
                           companies.Problems.end());
  // A registry whose companies all had to be left out leaves nothing to import into either.
  if (!companies.AnyCompany || companies.Names.empty()) {
    // The reasons belong in the message: the window closes right after it.
    std::string text(messages::kNoCompanies);
    if (!session_.Problems.empty()) text += "\r\n\r\n" + Join(session_.Problems, "\r\n");
    session_.Problems.clear();
    dialogs_.Message(text, texts::kHinweis, Dialogs::Icon::Information);
    session_.Closed = true;
    return false;
  }
  c.cboFirma.Items = companies.Names;
  c.cboFirma.Text = env.DefaultCompany;

  const std::string wanted = ParseCommandLine(options.commandLine).value_or(env.DefaultCompany);
  if (std::optional<std::string> company = FindCompany(companies.Names, wanted)) {
    c.cboFirma.SetText(*company);
    CompanyClick(c.cboFirma.ListIndex);
  } else if (!Trim(wanted).empty()) {
    c.cboFirma.SetText(wanted);
    session_.Problems.push_back(messages::CompanyNotFound(wanted, Join(companies.Names, ", ")));
  }

  FillOptionCombos();
  FillDataKindList();
  ApplyDefaults();
  return true;
}

void Wizard::Unload() {
  session_.SourceConnection.reset();
  lock_.reset();
  session_.Closed = true;
}

void Wizard::CompanyClick(int index) {
  Combo& combo = Controls().cboFirma;
  combo.Select(index);
  if (combo.ListIndex < 0) return;
  const size_t known = session_.Problems.size();
  const bool selected = SelectCompany(session_.Context, combo.Text, session_.Problems);
  // A company that cannot be used says so now, not first when the run starts, and nothing can be
  // imported until a usable one is chosen.
  if (!selected) {
    combo.ListIndex = -1;
    combo.Text.clear();
    if (session_.Problems.size() > known) {
      ShowError(session_.Problems.back());
      session_.Problems.pop_back();  // said once is enough
    }
  }
  // The lists belong to the company: a company chosen later must not show the first one's.
  FillLookupLists(selected);
}

void Wizard::FillLookupLists(bool fromDatabase) {
  WizardControls& c = Controls();
  lists_ = fromDatabase ? LoadCompanyLists(session_.Context) : CompanyLists();
  session_.Problems.insert(session_.Problems.end(), lists_.problems.begin(), lists_.problems.end());
  c.cboArtikeltyp.Clear();
  c.cboArtikeltyp.Items = lists_.articleTypes;
  c.cboEinheit.Clear();
  c.cboEinheit.Items = lists_.units;
  c.icboSteuersatz.Items.clear();
  for (const TaxItem& item : lists_.taxes) c.icboSteuersatz.Items.push_back({item.key, item.text});
  c.icboSteuersatz.Selected = lists_.preselectedTax;
}

void Wizard::FillOptionCombos() {
  WizardControls& c = Controls();
  c.cboImportformat.Clear();
  for (const FormatInfo& format : SourceFormats())
    c.cboImportformat.Items.push_back(format.listText);
  CboImportformatClick(static_cast<int>(SourceFormat::Csv));
  c.cboBerechnungsart.Items.assign(std::begin(texts::kPriceModes), std::end(texts::kPriceModes));
  CboBerechnungsartClick(0);
  c.cboKunden_Suchname.Items.assign(std::begin(texts::kSearchNameModes),
                                    std::end(texts::kSearchNameModes));
  CboKundenSuchnameClick(3);
  c.cboLieferanten_Suchname.Items = c.cboKunden_Suchname.Items;
  CboLieferantenSuchnameClick(0);
}

void Wizard::FillDataKindList() {
  ListView& list = Controls().lvwDatenarten;
  list.Items.clear();
  for (DataKind listed : ListedDataKinds()) {
    const DataKindInfo& kind = Describe(listed);
    list.Items.push_back(
        {kind.listText, kind.icon, std::to_string(NumberOf(listed)), kind.description});
  }
}

void Wizard::ApplyDefaults() {
  WizardControls& c = Controls();
  session_.SourceFormatIndex = static_cast<int>(SourceFormat::Csv);
  session_.DialogFilterIndex = static_cast<int16_t>(InfoOf(SourceFormat::Csv).dialogFilterIndex);
  session_.SourceFormat = "CSV";
  c.txtTrennzeichen.Text = ";";
  c.txtZeilenumbruch.Text = "<br/>";
  c.txtBegrenzung.Text = "\"";
  session_.Separator = c.txtTrennzeichen.Text;
  session_.LineBreakToken = c.txtZeilenumbruch.Text;
  session_.TextQualifier = c.txtBegrenzung.Text;
  SelectEncoding(std::string(text_encoding::kAuto));

  c.chkAutoNummer.Value = 1;
  c.chkAktiv.Value = 1;
  c.chkKunden_Anschrift_generieren.Value = 1;
  c.chkLieferanten_Anschrift_generieren.Value = 1;
  c.chkSpaltentitel.Value = 1;
  // The synchronisation field shows only while "Synchronisieren" is on.
  c.lbSynchronisierung.Visible = c.cboSynchronisierung.Visible = c.lbTipp_Synchronisierung.Visible =
      false;
  // The companion controls wait for their box.
  c.cboArtikeltyp.Enabled = c.cboEinheit.Enabled = c.icboSteuersatz.Enabled =
      c.cmdLagerort.Enabled = false;
  c.lbTipp_Datenart_Beschreibung.Caption = texts::kDataKindTip;
  c.lbSpalte.Caption = texts::kNoColumn;
  c.lbStatustext.Caption = texts::kReady;
  c.cmdAbbrechen.Enabled = false;

  // The preselected kind shows its settings from the start.
  ConfigureDataKind(DataKind::Articles);
  const std::vector<DataKind>& listed = ListedDataKinds();
  c.lvwDatenarten.Selected = static_cast<int>(
      std::find(listed.begin(), listed.end(), DataKind::Articles) - listed.begin());
  session_.Schritt = 0;
  ShowStep(0);
}

void Wizard::ShowStep(int step) {
  if (step < 0 || step >= kStepCount) return;
  WizardControls& c = Controls();
  for (int i = 0; i < kStepCount; ++i) {
    c.pageVisible[static_cast<size_t>(i)] = false;
    c.stepLight[static_cast<size_t>(i)] = kLightNormal;
  }
  c.pageVisible[static_cast<size_t>(step)] = true;
  c.stepLight[static_cast<size_t>(step)] = kLightCurrent;
  c.cmdZurueck.Enabled = step != 0;
  if (step != 0) c.stepLight[0] = kLightStartDone;
  if (step == 5) {
    c.cmdWeiter.Enabled = false;
    c.cmdOK.Enabled = true;
  } else if (step == 6) {
    c.cmdZurueck.Enabled = c.cmdWeiter.Enabled = c.cmdOK.Enabled = false;
  } else {
    c.cmdWeiter.Enabled = true;
    c.cmdOK.Enabled = false;
    c.cmdBeenden.Enabled = true;
  }
  static const char* kFocus[kStepCount] = {"cboFirma",  "lvwDatenarten",      "chkLoeschen",
                                           "cmdDialog", "cboDatenbankfelder", "cmdOK",
                                           "cmdBeenden"};
  if (step == 6) c.cmdBeenden.Enabled = true;
  c.Focus(kFocus[step]);
}

bool Wizard::CompanyChosen() {
  if (session_.Context.HasCompany()) return true;
  dialogs_.Message(texts::kChooseCompanyFirst, texts::kHinweis, Dialogs::Icon::Information);
  return false;
}

void Wizard::WeiterClick() {
  if (session_.Schritt >= 5) return;
  if (session_.Schritt == 0 && !CompanyChosen()) return;
  ++session_.Schritt;
  ShowStep(session_.Schritt);
  if (session_.Schritt != 4) return;
  WizardControls& c = Controls();
  if (c.txtDateiname.Text.empty()) {
    session_.Schritt = 3;
    ShowStep(3);
    return;
  }
  session_.Synchronisationsfeld =
      c.chkSynchronisieren.Checked() ? Layout().Lookup(c.cboSynchronisierung.Text) : std::string();
  LoadSourceIntoGrid();
}

void Wizard::ZurueckClick() {
  if (session_.Schritt == 0) return;
  --session_.Schritt;
  ShowStep(session_.Schritt);
}

void Wizard::LightClick(int step) {
  if (step < 0 || step >= kStepCount) return;
  if (step > 0 && !CompanyChosen()) return;
  ShowStep(step);
  session_.Schritt = static_cast<int16_t>(step);
}

void Wizard::AbbrechenClick() {
  // A running import stands still before its next row while the user decides.
  session_.RunPaused = true;
  if (dialogs_.Ask(texts::kCancelQuestion, texts::kCancelTitle, false))
    session_.AbbruchAngefordert = true;
  session_.RunPaused = false;
}

void Wizard::BeendenClick() {
  session_.AbbruchAngefordert = true;
  Unload();
}

void Wizard::HilfeClick() {
  dialogs_.ShowHelp(texts::kHelpContext);
}

void Wizard::KeyDown(int keyCode) {
  if (keyCode == texts::kKeyF1) HilfeClick();
}

const LayoutFile& Wizard::Layout() {
  // Read once per company; the layout file does not change while the wizard runs.
  if (layoutPath_ != session_.Context.LayoutFile) {
    layout_ = LayoutFile::Load(session_.Context.LayoutFile);
    layoutPath_ = session_.Context.LayoutFile;
  }
  return layout_;
}

void Wizard::ShowError(const std::string& text) {
  dialogs_.Message(text, texts::kFehler, Dialogs::Icon::Error);
}

}  // namespace velra
