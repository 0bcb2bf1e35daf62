// The window's tests: a QApplication before the first widget, on the offscreen platform unless
// another one is asked for, with Qt's texts in German as the program has them.
#include <gtest/gtest.h>
#include <QApplication>

#include "gui/Translations.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  velra::gui::InstallQtTranslations(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
