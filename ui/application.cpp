#include "application.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quorix {

bool installToolkitTranslation() {
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  // Dates and sizes in the file dialogs follow the language of their captions.
  QLocale::setDefault(chinese);
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(chinese, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

}  // namespace quorix
