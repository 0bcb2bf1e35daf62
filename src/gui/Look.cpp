#include "gui/Look.h"

#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

namespace velra::gui {

QColor FromBgr(unsigned bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QColor LightColour(unsigned bgr, const QPalette& palette) {
  // 0x8000000F is the system colour for button faces.
  if (bgr == 0x8000000F) return palette.color(QPalette::Button);
  return FromBgr(bgr);
}

void MarkRequired(QWidget* input) {
  QPalette palette = input->palette();
  palette.setColor(QPalette::Base, kFieldColour);
  input->setPalette(palette);
}

GradientBar::GradientBar(QColor left, QColor right, QWidget* parent)
    : QWidget(parent), left_(left), right_(right) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void GradientBar::SetTitle(const QString& title, int pointSize) {
  title_ = title;
  pointSize_ = pointSize;
  update();
}

void GradientBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient gradient(rect().topLeft(), rect().topRight());
  gradient.setColorAt(0, left_);
  gradient.setColorAt(1, right_);
  painter.fillRect(rect(), gradient);
  if (title_.isEmpty()) return;
  QFont font = painter.font();
  font.setFamilies({"Arial", "Liberation Sans", "DejaVu Sans"});
  font.setPointSize(pointSize_);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(kWhite);
  painter.drawText(rect().adjusted(16, 0, -16, 0), Qt::AlignVCenter | Qt::AlignLeft, title_);
}

QVBoxLayout* HeaderedLayout(QWidget* window, const QString& title, const QMargins& bodyMargins) {
  auto* header = new GradientBar(kAccentColour, kWhite, window);
  header->SetTitle(title, 11);
  header->setFixedHeight(34);
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(header);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(bodyMargins);
  layout->addLayout(body, 1);
  return body;
}

QIcon DataKindIcon(const QString& key) {
  // One colour and glyph per icon key; simple shapes that read at 16 and 32 pixels.
  struct Glyph {
    const char* key;
    unsigned colour;
    const char* text;
  };
  static const Glyph glyphs[] = {
      {"Kunden", 0x2E6FD8, "K"},        {"Artikel", 0x437C10, "A"},
      {"Lieferanten", 0x8A4FBF, "L"},   {"Wareneingang", 0xD98E04, "W"},
      {"Lager", 0x7A5230, "H"},         {"Zahlungseingang", 0x1F9E89, "€"},
      {"Bestellung_02", 0xC2185B, "S"}, {"Lieferschein", 0x455A64, "D"}};
  QColor colour(0x60, 0x60, 0x60);
  QString text = "?";
  for (const Glyph& glyph : glyphs)
    if (key == glyph.key) {
      colour = QColor(static_cast<QRgb>(glyph.colour));
      text = QString::fromUtf8(glyph.text);
    }
  QIcon icon;
  for (int size : {16, 24, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 5.0, size / 5.0);
    painter.fillPath(path, colour);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(size * 2 / 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace velra::gui
