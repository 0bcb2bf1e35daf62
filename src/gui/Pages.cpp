// Building the window's pages. Every widget the wizard's state speaks of carries the control's name
// as its object name, so that tests and the state find the same thing.

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/GuiTexts.h"
#include "gui/Look.h"
#include "gui/MainWindow.h"
#include "gui/SourceTableModel.h"

namespace velra::gui {

namespace {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QLabel* Heading(const QString& text) {
  auto* label = new QLabel(text);
  QFont font = label->font();
  font.setPointSizeF(font.pointSizeF() * 1.5);
  font.setBold(true);
  label->setFont(font);
  return label;
}

QLabel* Text(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  return label;
}

// A tip: a framed note in the suite's field colour.
QLabel* Tip(const QString& text, const char* name = nullptr) {
  auto* label = Text(text);
  if (name) label->setObjectName(name);
  label->setFrameShape(QFrame::StyledPanel);
  label->setMargin(6);
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, kFieldColour);
  label->setPalette(palette);
  return label;
}

QCheckBox* Check(const char* text, const char* name) {
  auto* box = Named(new QCheckBox(QString::fromUtf8(text)), name);
  return box;
}

// The text of a check box whose text is too long for one line: it wraps, a click on it clicks
// the box, and it follows the box's state.
class CheckText : public QLabel {
 public:
  CheckText(const char* text, QCheckBox* box) : QLabel(QString::fromUtf8(text)), box_(box) {
    setWordWrap(true);
    box->setAccessibleName(QString::fromUtf8(text));
    box->installEventFilter(this);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && box_->isEnabled() && rect().contains(event->pos()))
      box_->click();
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) setEnabled(box_->isEnabled());
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
      setVisible(box_->isVisibleTo(parentWidget()));
    return false;
  }

 private:
  QCheckBox* box_;
};

// A check box with a long text that wraps.
QWidget* LongCheck(const char* text, const char* name, QCheckBox*& box) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  box = Named(new QCheckBox, name);
  layout->addWidget(box, 0, Qt::AlignTop);
  layout->addWidget(new CheckText(text, box), 1);
  return row;
}

QVBoxLayout* PageLayout(QWidget* page, const QString& heading) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(16, 12, 16, 12);
  layout->addWidget(Heading(heading));
  return layout;
}

}  // namespace

QWidget* MainWindow::BuildStartPage() {
  auto* page = Named(new QWidget, "picFortschritt0");
  auto* layout = PageLayout(page, texts::kWelcome);
  auto* heading = new QLabel(texts::kWelcomeHeading);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  layout->addWidget(heading);
  layout->addWidget(Text(texts::kWelcomeBody));
  layout->addSpacing(24);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(texts::kCompany));
  cboFirma_ = Named(new QComboBox, "cboFirma");
  cboFirma_->setMinimumWidth(320);
  MarkRequired(cboFirma_);
  row->addWidget(cboFirma_, 1);
  layout->addLayout(row);
  layout->addWidget(Tip(texts::kCompanyTip));
  layout->addStretch();
  connect(cboFirma_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Act([&] { wizard_.CompanyClick(index); }); });
  return page;
}

QWidget* MainWindow::BuildDataKindPage() {
  auto* page = Named(new QWidget, "picFortschritt1");
  auto* layout = PageLayout(page, texts::kStepCaptions[1]);
  layout->addWidget(Text(texts::kDataKindQuestion));
  lvwDatenarten_ = Named(new QTreeWidget, "lvwDatenarten");
  lvwDatenarten_->setColumnCount(3);
  lvwDatenarten_->setHeaderLabels(
      {texts::kDataKindColumns[0], texts::kDataKindColumns[1], texts::kDataKindColumns[2]});
  lvwDatenarten_->setRootIsDecorated(false);
  lvwDatenarten_->setIconSize(QSize(24, 24));
  lvwDatenarten_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  lvwDatenarten_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  layout->addWidget(lvwDatenarten_, 1);
  lbTippDatenart_ = Tip("", "lbTipp_Datenart_Beschreibung");
  layout->addWidget(lbTippDatenart_);
  // The current entry is the kind, whether the mouse or the keyboard made it current.
  connect(lvwDatenarten_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!item) return;
    const int index = lvwDatenarten_->indexOfTopLevelItem(item);
    Act([&] { wizard_.DataKindClick(index); });
  });
  return page;
}

QWidget* MainWindow::BuildSettingsPage() {
  auto* page = Named(new QWidget, "picFortschritt2");
  auto* outer = PageLayout(page, texts::kStepCaptions[2]);
  outer->addWidget(Text(texts::kSettingsHeading));
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);

  fmAllgemein_ = Named(new QGroupBox(texts::kGeneral), "fmEinstellungen_Allgemein");
  auto* general = new QVBoxLayout(fmAllgemein_);
  general->addWidget(LongCheck(texts::kDelete, "chkLoeschen", chkLoeschen_));
  general->addWidget(LongCheck(texts::kSynchronise, "chkSynchronisieren", chkSynchronisieren_));
  general->addWidget(LongCheck(texts::kAutoNumber, "chkAutoNummer", chkAutoNummer_));
  layout->addWidget(fmAllgemein_);
  layout->addWidget(BuildArticleFrame());
  fmKunden_ = BuildAddressFrame(texts::kCustomers, "fmEinstellungen_Kunden", chkKundenAnschrift_,
                                "chkKunden_Anschrift_generieren", cboKundenSuchname_,
                                "cboKunden_Suchname", texts::kCustomerTip);
  fmLieferanten_ =
      BuildAddressFrame(texts::kSuppliers, "fmEinstellungen_Lieferanten", chkLieferantenAnschrift_,
                        "chkLieferanten_Anschrift_generieren", cboLieferantenSuchname_,
                        "cboLieferanten_Suchname", texts::kSupplierTip);
  layout->addWidget(fmKunden_);
  layout->addWidget(fmLieferanten_);
  layout->addStretch();
  // Long entries must not widen the page beyond the window.
  for (QComboBox* combo : content->findChildren<QComboBox*>()) {
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(16);
  }
  scroll->setWidget(content);
  outer->addWidget(scroll, 1);
  ConnectSettings();
  return page;
}

QGroupBox* MainWindow::BuildArticleFrame() {
  fmArtikel_ = Named(new QGroupBox(texts::kArticles), "fmEinstellungen_Artikel");
  auto* article = new QGridLayout(fmArtikel_);
  chkAktiv_ = Check(texts::kActive, "chkAktiv");
  chkRabatt_ = Check(texts::kRebate, "chkRabatt");
  chkPOS_ = Check(texts::kPos, "chkPOS");
  chkWebshop_ = Check(texts::kWebshop, "chkWebshop");
  chkLieferant_ = Check(texts::kSupplier, "chkLieferant");
  article->addWidget(chkAktiv_, 0, 0);
  article->addWidget(chkRabatt_, 0, 1);
  article->addWidget(chkPOS_, 0, 2);
  article->addWidget(chkWebshop_, 1, 0, 1, 2);
  article->addWidget(chkLieferant_, 1, 2);
  auto* defaults = new QLabel(texts::kDefaults);
  QFont bold = defaults->font();
  bold.setBold(true);
  defaults->setFont(bold);
  article->addWidget(defaults, 2, 0, 1, 3);
  chkArtikeltyp_ = Check(texts::kArticleType, "chkArtikeltyp");
  cboArtikeltyp_ = Named(new QComboBox, "cboArtikeltyp");
  chkEinheit_ = Check(texts::kUnit, "chkEinheit");
  cboEinheit_ = Named(new QComboBox, "cboEinheit");
  chkSteuersatz_ = Check(texts::kTaxRate, "chkSteuersatz");
  icboSteuersatz_ = Named(new QComboBox, "icboSteuersatz");
  chkLagerort_ = Check(texts::kStorage, "chkLagerort");
  txtLagerort_ = Named(new QLineEdit, "txtLagerort");
  txtLagerort_->setReadOnly(true);
  cmdLagerort_ = Named(new QPushButton("..."), "cmdLagerort");
  cmdLagerort_->setToolTip(texts::kChooseStorage);
  auto* storage = new QHBoxLayout;
  storage->addWidget(txtLagerort_, 1);
  storage->addWidget(cmdLagerort_);
  int row = 3;
  for (auto [box, input] :
       std::initializer_list<std::pair<QCheckBox*, QWidget*>>{{chkArtikeltyp_, cboArtikeltyp_},
                                                              {chkEinheit_, cboEinheit_},
                                                              {chkSteuersatz_, icboSteuersatz_}}) {
    article->addWidget(box, row, 0);
    article->addWidget(input, row++, 1, 1, 2);
  }
  article->addWidget(chkLagerort_, row, 0);
  article->addLayout(storage, row++, 1, 1, 2);
  article->addWidget(new QLabel(texts::kPriceMode), row, 0);
  cboBerechnungsart_ = Named(new QComboBox, "cboBerechnungsart");
  article->addWidget(cboBerechnungsart_, row++, 1, 1, 2);
  article->addWidget(Tip(texts::kPriceTip), row, 0, 1, 3);
  return fmArtikel_;
}

QGroupBox* MainWindow::BuildAddressFrame(const char* title, const char* frameName, QCheckBox*& box,
                                         const char* boxName, QComboBox*& combo,
                                         const char* comboName, const char* tip) {
  auto* frame = Named(new QGroupBox(title), frameName);
  auto* grid = new QGridLayout(frame);
  grid->addWidget(LongCheck(texts::kAddress, boxName, box), 0, 0, 1, 2);
  grid->addWidget(new QLabel(texts::kSearchName), 1, 0);
  combo = Named(new QComboBox, comboName);
  grid->addWidget(combo, 1, 1);
  grid->addWidget(Tip(tip), 2, 0, 1, 2);
  return frame;
}

QWidget* MainWindow::BuildSourcePage() {
  auto* page = Named(new QWidget, "picFortschritt3");
  auto* layout = PageLayout(page, texts::kStepCaptions[3]);
  layout->addWidget(Text(texts::kSourceHeading));
  auto* form = new QFormLayout;
  cboImportformat_ = Named(new QComboBox, "cboImportformat");
  form->addRow(texts::kFormat, cboImportformat_);
  auto* fileRow = new QHBoxLayout;
  txtDateiname_ = Named(new QLineEdit, "txtDateiname");
  txtDateiname_->setReadOnly(true);
  MarkRequired(txtDateiname_);
  cmdDialog_ = Named(new QPushButton("..."), "cmdDialog");
  fileRow->addWidget(txtDateiname_, 1);
  fileRow->addWidget(cmdDialog_);
  form->addRow(texts::kFile, fileRow);
  lbZeichensatz_ = new QLabel(texts::kEncoding);
  cboZeichensatz_ = Named(new QComboBox, "cboZeichensatz");
  lbZeichensatz_->setBuddy(cboZeichensatz_);
  form->addRow(lbZeichensatz_, cboZeichensatz_);
  layout->addLayout(form);

  fmDatenbanken_ = Named(new QGroupBox(texts::kDatabaseSettings), "fmDatenbanken");
  auto* database = new QFormLayout(fmDatenbanken_);
  cboTabellen_ = Named(new QComboBox, "cboTabellen");
  database->addRow(texts::kTable, cboTabellen_);
  layout->addWidget(fmDatenbanken_);

  fmCSV_ = Named(new QGroupBox(texts::kTextSettings), "fmCSV");
  auto* text = new QFormLayout(fmCSV_);
  txtTrennzeichen_ = Named(new QLineEdit, "txtTrennzeichen");
  txtTrennzeichen_->setMaxLength(1);
  txtBegrenzung_ = Named(new QLineEdit, "txtBegrenzung");
  txtBegrenzung_->setMaxLength(1);
  txtZeilenumbruch_ = Named(new QLineEdit, "txtZeilenumbruch");
  txtZeilenumbruch_->setMaxLength(5);
  for (QLineEdit* box : {txtTrennzeichen_, txtBegrenzung_, txtZeilenumbruch_})
    box->setMaximumWidth(80);
  text->addRow(texts::kSeparator, txtTrennzeichen_);
  text->addRow(texts::kQualifier, txtBegrenzung_);
  text->addRow(texts::kLineBreak, txtZeilenumbruch_);
  layout->addWidget(fmCSV_);

  chkSpaltentitel_ = Check(texts::kHeaderLine, "chkSpaltentitel");
  layout->addWidget(chkSpaltentitel_);
  auto* sync = new QHBoxLayout;
  lbSynchronisierung_ = Named(new QLabel(texts::kSynchronisation), "lbSynchronisierung");
  cboSynchronisierung_ = Named(new QComboBox, "cboSynchronisierung");
  sync->addWidget(lbSynchronisierung_);
  sync->addWidget(cboSynchronisierung_, 1);
  layout->addLayout(sync);
  lbTippSynchronisierung_ = Tip(texts::kSynchronisationTip, "lbTipp_Synchronisierung");
  layout->addWidget(lbTippSynchronisierung_);
  layout->addStretch();
  ConnectSource();
  return page;
}

QWidget* MainWindow::BuildMappingPage() {
  auto* page = Named(new QWidget, "picFortschritt4");
  auto* layout = PageLayout(page, texts::kStepCaptions[4]);
  layout->addWidget(Text(QString(texts::kMappingLine1) + " " + texts::kMappingLine2));
  auto* top = new QGridLayout;
  top->addWidget(new QLabel(texts::kCurrentColumn), 0, 0);
  lbSpalte_ = Named(new QLabel, "lbSpalte");
  QFont bold = lbSpalte_->font();
  bold.setBold(true);
  lbSpalte_->setFont(bold);
  top->addWidget(lbSpalte_, 0, 1);
  top->addWidget(new QLabel(texts::kLinkTo), 1, 0);
  cboDatenbankfelder_ = Named(new QComboBox, "cboDatenbankfelder");
  cboDatenbankfelder_->setMaxVisibleItems(20);
  // A scrolling list of 20 rows, not a menu of every field as tall as the screen; typing still
  // finds an entry.
  cboDatenbankfelder_->setStyleSheet("QComboBox { combobox-popup: 0; }");
  top->addWidget(cboDatenbankfelder_, 1, 1);
  top->setColumnStretch(1, 1);
  layout->addLayout(top);
  auto* profiles = new QHBoxLayout;
  cmdProfilLaden_ = Named(new QPushButton(texts::kLoadProfile), "cmdProfilLaden");
  cmdProfilSpeichern_ = Named(new QPushButton(texts::kSaveProfile), "cmdProfilSpeichern");
  chkGelernt_ = Check(texts::kUseLearned, "chkGelernt");
  profiles->addWidget(cmdProfilLaden_);
  profiles->addWidget(cmdProfilSpeichern_);
  profiles->addStretch();
  profiles->addWidget(chkGelernt_);
  layout->addLayout(profiles);
  jgTab_ = Named(new QTableView, "jgTab");
  model_ = new SourceTableModel(wizard_.Session(), this);
  jgTab_->setModel(model_);
  jgTab_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  jgTab_->verticalHeader()->setDefaultSectionSize(jgTab_->fontMetrics().height() + 6);
  jgTab_->horizontalHeader()->setSectionsClickable(true);
  jgTab_->horizontalHeader()->setDefaultSectionSize(140);
  jgTab_->setContextMenuPolicy(Qt::CustomContextMenu);
  jgTab_->installEventFilter(this);
  layout->addWidget(jgTab_, 1);
  layout->addWidget(Tip(texts::kMappingTip, "lbTipp_Feldzuordnung"));
  ConnectMapping();
  return page;
}

QWidget* MainWindow::BuildImportPage() {
  auto* page = Named(new QWidget, "picFortschritt5");
  auto* layout = PageLayout(page, texts::kStepCaptions[5]);
  layout->addWidget(Text(texts::kImportNote));
  layout->addSpacing(16);
  layout->addWidget(new QLabel(texts::kStatus));
  lbStatustext_ = Named(Text(""), "lbStatustext");
  layout->addWidget(lbStatustext_);
  progressBar_ = Named(new QProgressBar, "ProgressBar1");
  progressBar_->setTextVisible(false);
  layout->addWidget(progressBar_);
  lbStatus_ = Named(new QLabel, "lbStatus");
  layout->addWidget(lbStatus_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  cmdAbbrechen_ = Named(new QPushButton(texts::kCancel), "cmdAbbrechen");
  buttons->addWidget(cmdAbbrechen_);
  layout->addLayout(buttons);
  layout->addSpacing(24);
  layout->addWidget(Tip(texts::kTestRunTip));
  auto* test = new QHBoxLayout;
  cmdTestlauf_ = Named(new QPushButton(texts::kTestRun), "cmdTestlauf");
  test->addWidget(cmdTestlauf_);
  test->addStretch();
  layout->addLayout(test);
  layout->addStretch();
  connect(cmdAbbrechen_, &QPushButton::clicked, this, [this] { wizard_.AbbrechenClick(); });
  connect(cmdTestlauf_, &QPushButton::clicked, this, [this] { StartRun(true); });
  return page;
}

QWidget* MainWindow::BuildFinishPage() {
  auto* page = Named(new QWidget, "picFortschritt6");
  auto* layout = PageLayout(page, texts::kStepCaptions[6]);
  layout->addWidget(Text(texts::kFinished));
  lbErgebnis_ = Named(Text(""), "lbErgebnis");
  lbZahlen_ = Named(Text(""), "lbZahlen");
  layout->addWidget(lbErgebnis_);
  layout->addWidget(lbZahlen_);
  auto* buttons = new QHBoxLayout;
  cmdProtokoll_ = Named(new QPushButton(texts::kShowReport), "cmdProtokoll");
  cmdAbgewiesene_ = Named(new QPushButton(texts::kSaveRejects), "cmdAbgewiesene");
  buttons->addWidget(cmdProtokoll_);
  buttons->addWidget(cmdAbgewiesene_);
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->addStretch();
  connect(cmdProtokoll_, &QPushButton::clicked, this, [this] { ShowReport(); });
  connect(cmdAbgewiesene_, &QPushButton::clicked, this,
          [this] { Act([&] { wizard_.AbgewieseneZeilenSpeichern(false); }); });
  return page;
}

QWidget* MainWindow::BuildStepPanel() {
  auto* panel = new QWidget;
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(8, 12, 8, 12);
  for (int step = 0; step < kStepCount; ++step) {
    auto* light = new QPushButton(texts::kStepCaptions[step]);
    light->setObjectName(QString("shpStepLight%1").arg(step));
    light->setFlat(true);
    light->setFocusPolicy(Qt::NoFocus);
    light->setStyleSheet("text-align: left; padding: 6px;");
    light->setIconSize(QSize(14, 14));
    lights_[static_cast<size_t>(step)] = light;
    layout->addWidget(light);
    connect(light, &QPushButton::clicked, this,
            [this, step] { Act([&] { wizard_.LightClick(step); }); });
  }
  layout->addStretch();
  return panel;
}

QWidget* MainWindow::BuildFooter() {
  auto* footer = new GradientBar(kAccentColour, kWhite);
  auto* layout = new QHBoxLayout(footer);
  layout->setContentsMargins(12, 8, 12, 8);
  cmdHilfe_ = Named(new QPushButton("Hilfe"), "cmdHilfe");
  cmdZurueck_ = Named(new QPushButton("Zurück"), "cmdZurueck");
  cmdWeiter_ = Named(new QPushButton("&Weiter"), "cmdWeiter");
  cmdOK_ = Named(new QPushButton("&OK"), "cmdOK");
  cmdBeenden_ = Named(new QPushButton("&Beenden"), "cmdBeenden");
  layout->addWidget(cmdHilfe_);
  layout->addStretch();
  for (QPushButton* button : {cmdZurueck_, cmdWeiter_, cmdOK_, cmdBeenden_}) {
    button->setMinimumWidth(96);
    layout->addWidget(button);
  }
  cmdWeiter_->setDefault(true);
  connect(cmdHilfe_, &QPushButton::clicked, this, [this] { wizard_.HilfeClick(); });
  connect(cmdZurueck_, &QPushButton::clicked, this,
          [this] { Act([&] { wizard_.ZurueckClick(); }); });
  connect(cmdWeiter_, &QPushButton::clicked, this, [this] {
    // Entering the mapping page loads the source in the background (see Wizard::runSlow).
    Act([&] { wizard_.WeiterClick(); });
  });
  connect(cmdOK_, &QPushButton::clicked, this, [this] { StartRun(false); });
  connect(cmdBeenden_, &QPushButton::clicked, this, [this] { close(); });
  return footer;
}

}  // namespace velra::gui
