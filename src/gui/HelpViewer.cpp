#include "gui/HelpViewer.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QWidget>

#include "base/Text.h"
#include "gui/GuiTexts.h"
#include "gui/Look.h"

// The pages live in this static library; without a reference the linker would leave them out.
static void InitHelpResources() {
  Q_INIT_RESOURCE(help);
}

namespace velra::gui {

namespace {

constexpr const char* kWindowTitle = "Hilfe";
constexpr const char* kTitleJoin = " - ";
constexpr const char* kBack = "Zurück";
constexpr const char* kForward = "Vorwärts";
constexpr const char* kContents = "Übersicht";
constexpr const char* kClose = "Schließen";
constexpr const char* kMissingTitle = "Keine Hilfe vorhanden";

QUrl PageUrl(int contextId) {
  return QUrl(QStringLiteral("qrc:/help/%1.html").arg(contextId));
}

bool PageExists(int contextId) {
  return QFile::exists(QStringLiteral(":/help/%1.html").arg(contextId));
}

QString MissingPage(int contextId) {
  const QString title = QString::fromUtf8(kMissingTitle);
  return QStringLiteral(
             "<html><head><title>%1</title></head><body><h1>%1</h1><p>%2</p></body></html>")
      .arg(title,
           QString::fromStdString(Fill(texts::kHelpMissingText,
                                       {std::to_string(contextId), std::to_string(kWizardHelp)})));
}

class HelpWindow : public QWidget {
 public:
  explicit HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("velraHelpWindow");
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    resize(720, 640);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName("helpBrowser");
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    browser_->document()->setDocumentMargin(10);

    auto* back = new QPushButton(QString::fromUtf8(kBack), this);
    auto* forward = new QPushButton(QString::fromUtf8(kForward), this);
    auto* contents = new QPushButton(QString::fromUtf8(kContents), this);
    auto* closeButton = new QPushButton(QString::fromUtf8(kClose), this);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, this, [this] { Show(kWizardHelp); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { UpdateTitle(); });
    new QShortcut(QKeySequence(Qt::Key_Escape), this, [this] { close(); });

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 6, 8, 6);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(contents);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    QVBoxLayout* layout = HeaderedLayout(this, QString::fromUtf8(kWindowTitle), {});
    layout->addLayout(buttons);
    layout->addWidget(browser_, 1);
  }

  void Show(int contextId) {
    if (PageExists(contextId)) {
      browser_->setSource(PageUrl(contextId));
    } else {
      browser_->setHtml(MissingPage(contextId));
      UpdateTitle();
    }
  }

 private:
  void UpdateTitle() {
    const QString page = browser_->documentTitle();
    setWindowTitle(page.isEmpty() ? QString::fromUtf8(kWindowTitle)
                                  : QString::fromUtf8(kWindowTitle) + kTitleJoin + page);
  }

  QTextBrowser* browser_ = nullptr;
};

QPointer<HelpWindow>& TheHelpWindow() {
  static QPointer<HelpWindow> window;
  return window;
}

}  // namespace

void ShowHelpTopic(int contextId, QWidget* parent) {
  static const bool resourcesReady = (InitHelpResources(), true);
  (void)resourcesReady;
  // While a modal dialog is open every window outside it is blocked; help asked for there must
  // belong to that dialog to be usable. Otherwise it belongs to the caller's window, so that it
  // closes with the program instead of keeping it alive.
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner && parent) owner = parent->window();

  QPointer<HelpWindow>& window = TheHelpWindow();
  if (!window) {
    window = new HelpWindow(owner);
  } else if (window->parentWidget() != owner) {
    const QRect geometry = window->geometry();
    const bool wasVisible = window->isVisible();
    window->setParent(owner, Qt::Window);
    if (wasVisible) window->setGeometry(geometry);
  }
  window->Show(contextId);
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace velra::gui
