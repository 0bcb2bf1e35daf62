#include "gui/Translations.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace velra::gui {

QString InstallQtTranslations(QCoreApplication& app, const QLocale& system) {
  const QLocale locale =
      system.language() == QLocale::German ? system : QLocale(QLocale::German, QLocale::Germany);
  QLocale::setDefault(locale);
  auto* translator = new QTranslator(&app);
  if (!translator->load(locale, "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return {};
  }
  app.installTranslator(translator);
  return translator->filePath();
}

}  // namespace velra::gui
