// The user's actions on the settings, source and mapping pages, forwarded to the wizard.

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <set>

#include "gui/GuiTexts.h"
#include "gui/MainWindow.h"
#include "gui/SourceTableModel.h"

namespace velra::gui {

void MainWindow::ConnectSettings() {
  // Boxes with their own behaviour in the wizard.
  const std::pair<QCheckBox*, void (Wizard::*)(int)> handled[] = {
      {chkLoeschen_, &Wizard::ChkLoeschenClick},
      {chkSynchronisieren_, &Wizard::ChkSynchronisierenClick},
      {chkArtikeltyp_, &Wizard::ChkArtikeltypClick},
      {chkEinheit_, &Wizard::ChkEinheitClick},
      {chkSteuersatz_, &Wizard::ChkSteuersatzClick},
      {chkLagerort_, &Wizard::ChkLagerortClick}};
  for (auto [box, handler] : handled)
    connect(box, &QCheckBox::clicked, this, [this, handler = handler](bool checked) {
      Act([&] { (wizard_.*handler)(checked ? 1 : 0); });
    });
  // Boxes that only hold their value for the import.
  const std::pair<QCheckBox*, CheckBox WizardControls::*> plain[] = {
      {chkAutoNummer_, &WizardControls::chkAutoNummer},
      {chkAktiv_, &WizardControls::chkAktiv},
      {chkRabatt_, &WizardControls::chkRabatt},
      {chkPOS_, &WizardControls::chkPOS},
      {chkWebshop_, &WizardControls::chkWebshop},
      {chkLieferant_, &WizardControls::chkLieferant},
      {chkKundenAnschrift_, &WizardControls::chkKunden_Anschrift_generieren},
      {chkLieferantenAnschrift_, &WizardControls::chkLieferanten_Anschrift_generieren}};
  for (auto [box, member] : plain)
    connect(box, &QCheckBox::clicked, this, [this, member = member](bool checked) {
      Act([&] { (wizard_.Controls().*member).Value = checked ? 1 : 0; });
    });

  connect(cboArtikeltyp_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.Controls().cboArtikeltyp.Select(index); }); });
  connect(cboEinheit_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.Controls().cboEinheit.Select(index); }); });
  connect(icboSteuersatz_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.Controls().icboSteuersatz.Selected = index; }); });
  connect(cboBerechnungsart_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.CboBerechnungsartClick(index); }); });
  connect(cboKundenSuchname_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.CboKundenSuchnameClick(index); }); });
  connect(cboLieferantenSuchname_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.CboLieferantenSuchnameClick(index); }); });

  auto* storage = new QMenu("Lager", this);
  storage->setObjectName("mnuLager");
  connect(storage->addAction(texts::kChooseStorage), &QAction::triggered, this,
          [this] { Act([&] { wizard_.LagerortWaehlen(); }); });
  connect(storage->addAction(texts::kNoStorage), &QAction::triggered, this,
          [this] { Act([&] { wizard_.KeinLagerort(); }); });
  cmdLagerort_->setMenu(storage);
}

void MainWindow::ConnectSource() {
  connect(cboImportformat_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.CboImportformatClick(index); }); });
  connect(cmdDialog_, &QPushButton::clicked, this,
          [this] { Act([&] { wizard_.CmdDialogClick(); }); });
  connect(cboTabellen_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.CboTabellenClick(index); }); });
  connect(cboZeichensatz_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.CboZeichensatzClick(index); }); });
  connect(chkSpaltentitel_, &QCheckBox::clicked, this, [this](bool checked) {
    // With a file chosen, the box reloads the source (in the background, see Wizard::runSlow).
    Act([&] { wizard_.ChkSpaltentitelClick(checked ? 1 : 0); });
  });
  const std::pair<QLineEdit*, void (Wizard::*)(const std::string&)> edits[] = {
      {txtTrennzeichen_, &Wizard::TrennzeichenChange},
      {txtBegrenzung_, &Wizard::BegrenzungChange},
      {txtZeilenumbruch_, &Wizard::ZeilenumbruchChange}};
  for (auto [edit, handler] : edits)
    connect(edit, &QLineEdit::textEdited, this, [this, handler = handler](const QString& text) {
      Act([&] { (wizard_.*handler)(text.toStdString()); });
    });
  connect(cboSynchronisierung_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
    Act([&] { wizard_.Controls().cboSynchronisierung.Select(index); });
  });
}

void MainWindow::ConnectMapping() {
  connect(jgTab_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int section) { Act([&] { wizard_.HeaderClick(section + 1); }); });
  connect(cboDatenbankfelder_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.FieldPicked(index); }); });
  connect(cmdProfilLaden_, &QPushButton::clicked, this, [this] {
    // Applying the profile loads the source again in the background (see Wizard::runSlow).
    if (busy_) return;
    if (std::optional<std::string> path = wizard_.ChooseProfile())
      Act([&] { wizard_.ProfilLaden(*path); });
  });
  connect(cmdProfilSpeichern_, &QPushButton::clicked, this,
          [this] { Act([&] { wizard_.ProfilSpeichern(); }); });
  connect(chkGelernt_, &QCheckBox::clicked, this,
          [this](bool checked) { Act([&] { wizard_.Session().UseLearnedMappings = checked; }); });

  // The grid's operations, in its menu and on its keys; they work on the current column and on
  // the selected rows.
  auto action = [this](const char* text, const char* name, QKeySequence keys) {
    auto* act = new QAction(text, jgTab_);
    act->setObjectName(name);
    act->setShortcut(keys);
    act->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    jgTab_->addAction(act);
    return act;
  };
  QAction* remove = action(texts::kRemoveMapping, "mnuFeldzuordnungAufheben", {});
  QAction* automatic = action(texts::kAutoMapping, "mnuAutomatischeZuordnung", {});
  QAction* addRow =
      action(texts::kAddRow, "mnuZeileHinzufuegen", QKeySequence(Qt::CTRL | Qt::Key_Insert));
  QAction* deleteRows =
      action(texts::kDeleteRow, "mnuZeileLoeschen", QKeySequence(Qt::CTRL | Qt::Key_Delete));
  connect(remove, &QAction::triggered, this, [this] { Act([&] { wizard_.RemoveMapping(); }); });
  connect(automatic, &QAction::triggered, this, [this] { Act([&] { wizard_.AutoMapColumns(); }); });
  connect(addRow, &QAction::triggered, this, [this] {
    if (busy_ || !model_->insertRows(model_->rowCount(), 1)) return;
    jgTab_->scrollToBottom();
    jgTab_->setCurrentIndex(model_->index(model_->rowCount() - 1, 0));
  });
  connect(deleteRows, &QAction::triggered, this, [this] {
    if (busy_) return;
    std::set<int, std::greater<>> rows;
    for (const QModelIndex& index : jgTab_->selectionModel()->selectedIndexes())
      rows.insert(index.row());
    if (rows.empty() && jgTab_->currentIndex().isValid()) rows.insert(jgTab_->currentIndex().row());
    for (int row : rows) model_->removeRows(row, 1);
  });

  auto showMenu = [this, remove, addRow, deleteRows](int column, QPoint globalPos) {
    if (column >= 0 && column + 1 != wizard_.Session().CurrentColumn)
      Act([&] { wizard_.HeaderClick(column + 1); });
    remove->setEnabled(wizard_.Session().CurrentColumn > 0);
    addRow->setEnabled(model_->columnCount() > 0);
    deleteRows->setEnabled(jgTab_->currentIndex().isValid());
    QMenu menu(this);
    menu.addActions(jgTab_->actions().mid(0, 2));
    menu.addSeparator();
    menu.addActions(jgTab_->actions().mid(2));
    menu.exec(globalPos);
    // The keys stay usable; each operation checks for itself whether it applies.
    for (QAction* act : {remove, addRow, deleteRows}) act->setEnabled(true);
  };
  connect(jgTab_, &QTableView::customContextMenuRequested, this, [this, showMenu](QPoint pos) {
    showMenu(jgTab_->columnAt(pos.x()), jgTab_->viewport()->mapToGlobal(pos));
  });
  jgTab_->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(jgTab_->horizontalHeader(), &QHeaderView::customContextMenuRequested, this,
          [this, showMenu](QPoint pos) {
            showMenu(jgTab_->horizontalHeader()->logicalIndexAt(pos),
                     jgTab_->horizontalHeader()->mapToGlobal(pos));
          });
}

}  // namespace velra::gui
