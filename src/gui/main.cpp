// The Importassistent's window.
//
//   importassistent [--program-dir ORDNER] [/client:Firma]
//
// The program folder holds velra.var; without --program-dir it is $VELRA_HOME or the folder of
// the program. "/client:Firma" preselects a company as the suite passes it.

#include <QApplication>
#include <QStringList>
#include <cstring>
#include <iostream>

#include "config/Environment.h"
#include "gui/GuiTexts.h"
#include "gui/MainWindow.h"
#include "gui/QtDialogs.h"
#include "gui/Translations.h"

namespace {

// --help and --version answer before Qt starts, so that they need no screen.
bool AnsweredAtOnce(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout << "Aufruf: importassistent [--program-dir ORDNER] [/client:Firma]\n"
                   "       importassistent --version\n";
      return true;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::cout << "importassistent " VELRA_VERSION "\n";
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnsweredAtOnce(argc, argv)) return 0;
  QApplication app(argc, argv);
  QApplication::setApplicationName("Importassistent");
  if (velra::gui::InstallQtTranslations(app).isEmpty())
    std::cerr << velra::gui::texts::kQtTranslationsMissing << '\n';

  velra::StartOptions options;
  std::string programDir;
  QStringList rest;
  const QStringList arguments = QApplication::arguments().mid(1);
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--program-dir" && i + 1 < arguments.size())
      programDir = arguments[++i].toStdString();
    else
      rest << arguments[i];
  }
  options.programPath = velra::ResolveProgramPath(programDir);
  options.commandLine = rest.join(' ').toStdString();

  velra::gui::QtDialogs dialogs;
  velra::gui::MainWindow window(dialogs);
  dialogs.SetParent(&window);
  if (!window.Start(options)) return 1;
  window.show();
  return QApplication::exec();
}
