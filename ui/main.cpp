#include <QApplication>

#include "application.h"
#include "main_window.h"
#include "program_icon.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("quorix");
  QGuiApplication::setDesktopFileName("quorix");
  QApplication::setWindowIcon(quorix::programIcon());
  quorix::installToolkitTranslation();

  quorix::MainWindow window;
  window.show();
  // `quorix FILE` reads the file once the window is up, as the open command would.
  if (const QString file = quorix::fileToOpen(QApplication::arguments()); !file.isEmpty()) {
    QMetaObject::invokeMethod(
        &window, [&window, file] { window.openPath(file); }, Qt::QueuedConnection);
  }
  return QApplication::exec();
}
