#include "gui/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "gui/HelpViewer.h"
#include "gui/StoragePickerDialog.h"

namespace velra::gui {

namespace {

// Runs `work` on the window's thread and waits for it.
template <typename F>
auto OnWindowThread(F work) -> decltype(work()) {
  if (QThread::currentThread() == qApp->thread()) return work();
  decltype(work()) result{};
  QMetaObject::invokeMethod(
      qApp, [&] { result = work(); }, Qt::BlockingQueuedConnection);
  return result;
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
  QStringList parts = Q(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    if (int paren = static_cast<int>(description.indexOf('(')); paren > 0)
      description = description.left(paren).trimmed();
    filters << description + " (" + parts[i + 1].trimmed().replace(';', ' ') + ")";
  }
  return filters;
}

void QtDialogs::Message(const std::string& text, const std::string& title, Icon icon) {
  OnWindowThread([&] {
    QMessageBox box(icon == Icon::Error     ? QMessageBox::Critical
                    : icon == Icon::Warning ? QMessageBox::Warning
                                            : QMessageBox::Information,
                    Q(title), Q(text), QMessageBox::Ok, parent_);
    box.exec();
    return 0;
  });
}

bool QtDialogs::Ask(const std::string& text, const std::string& title, bool yesIsDefault) {
  return OnWindowThread([&] {
    QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::NoButton, parent_);
    QPushButton* yes = box.addButton("&Ja", QMessageBox::YesRole);
    QPushButton* no = box.addButton("&Nein", QMessageBox::NoRole);
    box.setDefaultButton(yesIsDefault ? yes : no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
  });
}

std::optional<std::string> QtDialogs::InputBox(const std::string& prompt,
                                               const std::string& title) {
  return OnWindowThread([&]() -> std::optional<std::string> {
    bool ok = false;
    // The only input the wizard asks for is a database password.
    QString answer =
        QInputDialog::getText(parent_, Q(title), Q(prompt), QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return answer.toStdString();
  });
}

QString StartFolder(const std::string& lastFile) {
  const QDir folder = QFileInfo(QFile::decodeName(lastFile.c_str())).absoluteDir();
  return !lastFile.empty() && folder.exists() ? folder.absolutePath() : QDir::homePath();
}

std::optional<std::string> QtDialogs::ChooseFile(const std::string& title,
                                                 const std::string& filter, int filterIndex,
                                                 const std::string& lastFile) {
  return OnWindowThread([&]() -> std::optional<std::string> {
    QStringList filters = QtNameFilters(filter);
    QString selected =
        filterIndex >= 1 && filterIndex <= filters.size() ? filters[filterIndex - 1] : QString();
    QString path = QFileDialog::getOpenFileName(parent_, Q(title), StartFolder(lastFile),
                                                filters.join(";;"), &selected);
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
  });
}

std::optional<std::string> QtDialogs::ChooseSaveFile(const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& defaultName) {
  return OnWindowThread([&]() -> std::optional<std::string> {
    QFileDialog dialog(parent_, Q(title), QDir::home().filePath(Q(defaultName)));
    dialog.setNameFilters(QtNameFilters(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The suffix is added before the dialog asks about replacing a file.
    dialog.setDefaultSuffix(QFileInfo(Q(defaultName)).suffix());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
  });
}

void QtDialogs::ShowHelp(int contextId) {
  OnWindowThread([&] {
    ShowHelpTopic(contextId, parent_);
    return 0;
  });
}

void QtDialogs::RunStoragePicker(StoragePicker& picker) {
  OnWindowThread([&] {
    StoragePickerDialog dialog(
        picker, [this](int id) { ShowHelp(id); }, parent_);
    dialog.exec();
    return 0;
  });
}

}  // namespace velra::gui
