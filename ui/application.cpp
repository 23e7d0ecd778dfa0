#include "application.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>
#include <QUrl>

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

QString fileToOpen(const QStringList& arguments) {
  if (arguments.size() < 2) return {};
  const QString& argument = arguments.at(1);
  const QUrl url(argument);
  const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
  return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

}  // namespace quorix
