// Mirroring the wizard's controls into the widgets. Runs after every action of the user, never
// while work runs in the background.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>

#include "gui/Look.h"
#include "gui/MainWindow.h"
#include "gui/SourceTableModel.h"
#include "shell/ShellTexts.h"

namespace velra::gui {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

void SyncItems(QComboBox* box, const std::vector<std::string>& items) {
  bool same = box->count() == static_cast<int>(items.size());
  for (int i = 0; same && i < box->count(); ++i)
    same = box->itemText(i) == Q(items[static_cast<size_t>(i)]);
  if (same) return;
  box->clear();
  for (const std::string& item : items) box->addItem(Q(item));
}

void SyncCombo(QComboBox* box, const Combo& combo) {
  SyncItems(box, combo.Items);
  box->setCurrentIndex(combo.ListIndex);
  // A text without a matching entry shows as the combo's placeholder.
  box->setPlaceholderText(combo.ListIndex < 0 ? Q(combo.Text) : QString());
  box->setEnabled(combo.Enabled);
  box->setVisible(combo.Visible);
}

void SyncCheck(QCheckBox* box, const CheckBox& check) {
  box->setChecked(check.Checked());
  box->setEnabled(check.Enabled);
  box->setVisible(check.Visible);
}

void SyncText(QLineEdit* edit, const TextBox& text) {
  if (edit->text() != Q(text.Text)) edit->setText(Q(text.Text));
  edit->setEnabled(text.Enabled);
  edit->setVisible(text.Visible);
}

void SyncButton(QPushButton* button, const Button& state) {
  button->setEnabled(state.Enabled);
  button->setVisible(state.Visible);
}

// A step light: a round lamp in the light's colour.
QIcon Lamp(const QColor& colour) {
  QPixmap pixmap(28, 28);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::darkGray, 2));
  painter.setBrush(colour);
  painter.drawEllipse(QRectF(2, 2, 24, 24));
  return QIcon(pixmap);
}

QString Panel(const std::map<std::string, std::string>& panels, const char* name) {
  auto found = panels.find(name);
  return found == panels.end() || found->second.empty() ? QString(name) + ": –" : Q(found->second);
}

}  // namespace

void MainWindow::Sync() {
  syncing_ = true;
  const WizardControls& c = wizard_.Controls();
  for (int step = 0; step < kStepCount; ++step) {
    const auto i = static_cast<size_t>(step);
    if (c.pageVisible[i]) pages_->setCurrentIndex(step);
    lights_[i]->setIcon(Lamp(LightColour(c.stepLight[i], palette())));
    QFont font = lights_[i]->font();
    font.setBold(c.pageVisible[i]);
    lights_[i]->setFont(font);
  }
  SyncButton(cmdZurueck_, c.cmdZurueck);
  SyncButton(cmdWeiter_, c.cmdWeiter);
  SyncButton(cmdOK_, c.cmdOK);
  SyncButton(cmdBeenden_, c.cmdBeenden);
  SyncButton(cmdHilfe_, c.cmdHilfe);
  statusData_->setText(Panel(c.statusPanels, velra::texts::kStatusData));
  statusFile_->setText(Panel(c.statusPanels, velra::texts::kStatusFile));
  statusTable_->setText(Panel(c.statusPanels, velra::texts::kStatusTable));

  SyncCombo(cboFirma_, c.cboFirma);
  if (lvwDatenarten_->topLevelItemCount() != static_cast<int>(c.lvwDatenarten.Items.size())) {
    lvwDatenarten_->clear();
    for (const ListViewItem& item : c.lvwDatenarten.Items) {
      auto* row = new QTreeWidgetItem({Q(item.Text), Q(item.Index), Q(item.Description)});
      row->setIcon(0, DataKindIcon(Q(item.Icon)));
      lvwDatenarten_->addTopLevelItem(row);
    }
  }
  if (QTreeWidgetItem* selected = lvwDatenarten_->topLevelItem(c.lvwDatenarten.Selected))
    lvwDatenarten_->setCurrentItem(selected);
  lbTippDatenart_->setText(Q(c.lbTipp_Datenart_Beschreibung.Caption));

  SyncSettings();
  SyncSource();
  SyncMapping();
  SyncImport();

  // What the wizard noticed on the way (environment, companies, lists) goes to the log.
  const std::vector<std::string>& problems = wizard_.Session().Problems;
  for (; problemsLogged_ < problems.size(); ++problemsLogged_)
    qWarning("%s", problems[problemsLogged_].c_str());

  if (c.focusRequests != focusRequestsShown_) {
    focusRequestsShown_ = c.focusRequests;
    if (auto* widget = findChild<QWidget*>(Q(c.focus))) widget->setFocus();
  }
  syncing_ = false;
}

void MainWindow::SyncSettings() {
  const WizardControls& c = wizard_.Controls();
  fmAllgemein_->setVisible(c.fmEinstellungen_Allgemein.Visible);
  fmArtikel_->setVisible(c.fmEinstellungen_Artikel.Visible);
  fmKunden_->setVisible(c.fmEinstellungen_Kunden.Visible);
  fmLieferanten_->setVisible(c.fmEinstellungen_Lieferanten.Visible);
  const std::pair<QCheckBox*, const CheckBox*> boxes[] = {
      {chkLoeschen_, &c.chkLoeschen},
      {chkSynchronisieren_, &c.chkSynchronisieren},
      {chkAutoNummer_, &c.chkAutoNummer},
      {chkAktiv_, &c.chkAktiv},
      {chkRabatt_, &c.chkRabatt},
      {chkPOS_, &c.chkPOS},
      {chkWebshop_, &c.chkWebshop},
      {chkLieferant_, &c.chkLieferant},
      {chkArtikeltyp_, &c.chkArtikeltyp},
      {chkEinheit_, &c.chkEinheit},
      {chkSteuersatz_, &c.chkSteuersatz},
      {chkLagerort_, &c.chkLagerort},
      {chkKundenAnschrift_, &c.chkKunden_Anschrift_generieren},
      {chkLieferantenAnschrift_, &c.chkLieferanten_Anschrift_generieren}};
  for (auto [box, state] : boxes) SyncCheck(box, *state);
  SyncCombo(cboArtikeltyp_, c.cboArtikeltyp);
  SyncCombo(cboEinheit_, c.cboEinheit);
  SyncCombo(cboBerechnungsart_, c.cboBerechnungsart);
  SyncCombo(cboKundenSuchname_, c.cboKunden_Suchname);
  SyncCombo(cboLieferantenSuchname_, c.cboLieferanten_Suchname);
  std::vector<std::string> taxRates;
  for (const ImageComboItem& item : c.icboSteuersatz.Items) taxRates.push_back(item.Text);
  SyncItems(icboSteuersatz_, taxRates);
  icboSteuersatz_->setCurrentIndex(c.icboSteuersatz.Selected);
  icboSteuersatz_->setEnabled(c.icboSteuersatz.Enabled);
  SyncText(txtLagerort_, c.txtLagerort);
  SyncButton(cmdLagerort_, c.cmdLagerort);
}

void MainWindow::SyncSource() {
  const WizardControls& c = wizard_.Controls();
  SyncCombo(cboImportformat_, c.cboImportformat);
  SyncCombo(cboTabellen_, c.cboTabellen);
  SyncCombo(cboSynchronisierung_, c.cboSynchronisierung);
  SyncCombo(cboZeichensatz_, c.cboZeichensatz);
  lbZeichensatz_->setVisible(c.cboZeichensatz.Visible);
  SyncText(txtDateiname_, c.txtDateiname);
  txtDateiname_->setToolTip(Q(c.txtDateiname.Text));
  SyncText(txtTrennzeichen_, c.txtTrennzeichen);
  SyncText(txtBegrenzung_, c.txtBegrenzung);
  SyncText(txtZeilenumbruch_, c.txtZeilenumbruch);
  SyncButton(cmdDialog_, c.cmdDialog);
  fmDatenbanken_->setVisible(c.fmDatenbanken.Visible);
  fmCSV_->setVisible(c.fmCSV.Visible);
  SyncCheck(chkSpaltentitel_, c.chkSpaltentitel);
  lbSynchronisierung_->setVisible(c.lbSynchronisierung.Visible);
  lbTippSynchronisierung_->setVisible(c.lbTipp_Synchronisierung.Visible);
}

void MainWindow::SyncMapping() {
  const WizardControls& c = wizard_.Controls();
  SyncCombo(cboDatenbankfelder_, c.cboDatenbankfelder);
  lbSpalte_->setText(Q(c.lbSpalte.Caption));
  chkGelernt_->setChecked(wizard_.Session().UseLearnedMappings);
  model_->MappingChanged();
}

void MainWindow::SyncImport() {
  const ImportSession& session = wizard_.Session();
  const WizardControls& c = session.Controls;
  lbStatustext_->setText(Q(c.lbStatustext.Caption));
  lbStatus_->setText(Q(c.lbStatus.Caption));
  const int maximum = static_cast<int>(std::min<double>(c.progressBar.Max, INT32_MAX));
  progressBar_->setRange(0, std::max(maximum, 1));
  progressBar_->setValue(static_cast<int>(std::min<double>(c.progressBar.Value, maximum)));
  SyncButton(cmdAbbrechen_, c.cmdAbbrechen);
  cmdTestlauf_->setEnabled(c.cmdOK.Enabled);

  const ImportResult& result = session.LastImport;
  const bool ran = session.Schritt == 6;
  lbErgebnis_->setText(ran ? Q(c.lbStatustext.Caption) : QString());
  lbZahlen_->setText(ran ? Q(result.report.Summary(session.SourceData.RowCount())) : QString());
  cmdProtokoll_->setVisible(ran && !result.report.Empty());
  cmdAbgewiesene_->setVisible(ran && !result.report.RowsRejected().empty());
}

}  // namespace velra::gui
