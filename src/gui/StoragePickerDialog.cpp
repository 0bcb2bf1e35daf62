#include "gui/StoragePickerDialog.h"

#include <array>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/GuiTexts.h"
#include "gui/HelpViewer.h"
#include "gui/Look.h"
#include "storage/StoragePicker.h"

namespace velra::gui {

namespace {

constexpr const char* kCaption = "Lagerort wählen";
constexpr const char* kOk = "OK";
constexpr const char* kCancel = "Abbrechen";
constexpr const char* kHelp = "Hilfe";
constexpr const char* kNotice = "Hinweis";

constexpr int kNodeRole = Qt::UserRole + 1;

// Enter on a node means "take this one", like a double click. The item view would emit
// activated() and then pass the key on to the dialog, whose default button would confirm the
// root as well; so the tree keeps the key.
class StorageTreeWidget : public QTreeWidget {
 public:
  explicit StorageTreeWidget(std::function<void()> activate, QWidget* parent)
      : QTreeWidget(parent), activate_(std::move(activate)) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && currentItem()) {
      event->accept();
      activate_();
      return;
    }
    QTreeWidget::keyPressEvent(event);
  }

 private:
  std::function<void()> activate_;
};

// The node images: 0 a hall, 1 a shelf, 2 a compartment, 3 the whole warehouse.
QIcon DrawNodeIcon(int index) {
  const QColor roof = kAccentColour;
  const QColor wood(0x9C, 0x6B, 0x30);
  const QColor carton(0xD9, 0xA4, 0x41);
  QIcon icon;
  for (int size : {16, 24, 32}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 0.8));
    auto box = [&](QRectF r) {
      p.setBrush(carton);
      p.drawRect(r);
      p.drawLine(QPointF(r.center().x(), r.top()),
                 QPointF(r.center().x(), r.top() + r.height() / 3));
    };
    switch (index) {
      case 0: {
        QPainterPath house;
        house.moveTo(1.5, 7);
        house.lineTo(8, 2);
        house.lineTo(14.5, 7);
        house.closeSubpath();
        p.setBrush(roof);
        p.drawPath(house);
        p.setBrush(QColor(0xEE, 0xEE, 0xEE));
        p.drawRect(QRectF(3, 7, 10, 7.5));
        p.setBrush(wood);
        p.drawRect(QRectF(6, 9.5, 4, 5));
        break;
      }
      case 1:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(wood, 1.4));
        p.drawLine(QPointF(2.5, 1.5), QPointF(2.5, 14.5));
        p.drawLine(QPointF(13.5, 1.5), QPointF(13.5, 14.5));
        for (double y : {4.5, 9.0, 13.5}) p.drawLine(QPointF(2.5, y), QPointF(13.5, y));
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 0.6));
        box(QRectF(4, 5.5, 4, 3));
        box(QRectF(8.5, 10, 4, 3));
        break;
      case 2:
        box(QRectF(2.5, 4, 11, 9.5));
        break;
      case 3:
        box(QRectF(1.5, 8.5, 6, 6));
        box(QRectF(8.5, 8.5, 6, 6));
        box(QRectF(5, 2, 6, 6));
        break;
    }
    icon.addPixmap(pixmap);
  }
  return icon;
}

// Other image numbers show as a compartment.
const QIcon& NodeIcon(const std::array<QIcon, 4>& icons, int image) {
  return icons[image >= 0 && image <= 3 ? static_cast<size_t>(image) : 2];
}

QTreeWidgetItem* NewItem(const StorageNode& node, int index, const QIcon& icon) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, QString::fromStdString(node.text));
  item->setIcon(0, icon);
  item->setData(0, kNodeRole, index);
  return item;
}

}  // namespace

StoragePickerDialog::StoragePickerDialog(StoragePicker& picker, std::function<void(int)> showHelp,
                                         QWidget* parent)
    : QDialog(parent), picker_(picker), showHelp_(std::move(showHelp)) {
  setWindowTitle(QString::fromUtf8(kCaption));
  setModal(true);
  resize(380, 440);

  auto* hint = new QLabel(QString::fromUtf8(texts::kStorageHint), this);
  hint->setWordWrap(true);

  auto activate = [this] {
    if (picker_.ActivateSelected()) {
      accept();
      return;
    }
    QMessageBox::information(this, QString::fromUtf8(kNotice),
                             QString::fromUtf8(kChooseSubordinateLocation));
  };
  tree_ = new StorageTreeWidget(activate, this);
  tree_->setObjectName("tvwLagerstruktur");
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setExpandsOnDoubleClick(false);

  // A node's parent comes before it and its children are in node order, so one pass builds the
  // tree.
  const std::vector<StorageNode>& nodes = picker_.Tree().Nodes();
  const std::array<QIcon, 4> icons = {DrawNodeIcon(0), DrawNodeIcon(1), DrawNodeIcon(2),
                                      DrawNodeIcon(3)};
  std::vector<QTreeWidgetItem*> items(nodes.size(), nullptr);
  for (size_t i = 0; i < nodes.size(); ++i) {
    items[i] = NewItem(nodes[i], static_cast<int>(i), NodeIcon(icons, nodes[i].image));
    if (nodes[i].parent < 0)
      tree_->addTopLevelItem(items[i]);
    else
      items[static_cast<size_t>(nodes[i].parent)]->addChild(items[i]);
  }
  QTreeWidgetItem* root = items[StorageTree::kRoot];
  root->setExpanded(true);

  // The location passed in is shown selected, found by the path the picker itself would give.
  QTreeWidgetItem* current = root;
  if (!picker_.Lagernummer.empty()) {
    StoragePicker probe = picker_;
    for (size_t i = 1; i < nodes.size(); ++i) {
      probe.Lagernummer.clear();
      probe.Select(static_cast<int>(i));
      probe.OkClick();
      if (probe.Lagernummer == picker_.Lagernummer) {
        current = items[i];
        break;
      }
    }
  }
  for (QTreeWidgetItem* up = current->parent(); up; up = up->parent()) up->setExpanded(true);
  tree_->setCurrentItem(current);
  picker_.Select(current->data(0, kNodeRole).toInt());

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) picker_.Select(item->data(0, kNodeRole).toInt());
  });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this, activate](QTreeWidgetItem* item) {
    picker_.Select(item->data(0, kNodeRole).toInt());
    activate();
  });

  QLabel* loadError = nullptr;
  if (!picker_.LoadError().empty()) {
    loadError = new QLabel(QString::fromStdString(picker_.LoadError()), this);
    loadError->setObjectName("lbLadefehler");
    loadError->setWordWrap(true);
    loadError->setStyleSheet("color: #B00020;");
  }

  auto* ok = new QPushButton(QString::fromUtf8(kOk), this);
  ok->setObjectName("cmdOK");
  ok->setDefault(true);
  auto* cancel = new QPushButton(QString::fromUtf8(kCancel), this);
  cancel->setObjectName("cmdAbbrechen");
  auto* help = new QPushButton(QString::fromUtf8(kHelp), this);
  help->setObjectName("cmdHilfe");
  help->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, [this] {
    picker_.OkClick();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    picker_.CancelClick();
    reject();
  });
  connect(help, &QPushButton::clicked, this, [this] {
    if (showHelp_) showHelp_(kStoragePickerHelp);
  });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(help);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  QVBoxLayout* body = HeaderedLayout(this, QString::fromUtf8(kCaption), {12, 8, 12, 12});
  body->addWidget(hint);
  if (loadError) body->addWidget(loadError);
  body->addWidget(tree_, 1);
  body->addLayout(buttons);

  tree_->setFocus();
}

void StoragePickerDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    if (showHelp_) showHelp_(kStoragePickerHelp);
    return;
  }
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    picker_.Escape();
    // Escape keeps the picker's result, so the dialog's own result follows it.
    done(picker_.Action == 0 ? Accepted : Rejected);
    return;
  }
  QDialog::keyPressEvent(event);
}

void StoragePickerDialog::closeEvent(QCloseEvent* event) {
  // OK, Abbrechen and Escape end the dialog through done(), which sends no close event; what
  // arrives here while it is shown is the close box.
  if (isVisible()) picker_.CloseBox();
  QDialog::closeEvent(event);
}

}  // namespace velra::gui
