#pragma once
// Qt's own texts (file dialog, input box, the standard buttons) in German.

#include <QCoreApplication>
#include <QLocale>
#include <QString>

namespace velra::gui {

// Loads Qt's German translations (qtbase_de.qm of Debian's Qt 6 translations, in Qt's folder of
// translations) for `system` when it is a German locale, else for de_DE, since the program speaks
// only German; that locale becomes Qt's default. Returns the file loaded, empty when there is
// none.
QString InstallQtTranslations(QCoreApplication& app, const QLocale& system = QLocale::system());

}  // namespace velra::gui
