#pragma once
// The screen design of the suite: its colours and the gradient bars of the windows.

#include <QColor>
#include <QWidget>

class QVBoxLayout;

namespace velra::gui {

// The suite stores colours as BGR values (&HBBGGRR).
QColor FromBgr(unsigned bgr);

inline const QColor kFieldColour = FromBgr(0xD1FEDF);   // inputs that need a value
inline const QColor kAccentColour = FromBgr(0x437C10);  // the suite's green
inline const QColor kWhite = Qt::white;

// A colour of the step lights, which may be the system's button face.
QColor LightColour(unsigned bgr, const QPalette& palette);

// Marks an input that needs a value with the field colour.
void MarkRequired(QWidget* input);

// A bar with a horizontal gradient between two colours and an optional title, as the header and
// footer of the suite's windows.
class GradientBar : public QWidget {
 public:
  GradientBar(QColor left, QColor right, QWidget* parent = nullptr);
  void SetTitle(const QString& title, int pointSize);

 protected:
  void paintEvent(class QPaintEvent* event) override;

 private:
  QColor left_, right_;
  QString title_;
  int pointSize_ = 12;
};

// Lays out a dialog as the suite does: the header bar with the title on top, the returned layout
// below it with the given margins.
QVBoxLayout* HeaderedLayout(QWidget* window, const QString& title, const QMargins& bodyMargins);

// The icon of a kind of data, drawn by us from its icon key.
class QIcon DataKindIcon(const QString& key);

}  // namespace velra::gui
