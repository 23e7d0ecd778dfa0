#include <QApplication>
#include <string>
#include <utility>

#include "application.h"
#include "input_file.h"
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
  // `quorix FILE` reads the file once the window is up, as the open command
  // would. The name is taken as the system gave it (QApplication has removed
  // its own options), so that a name which is not UTF-8 still opens.
  if (std::string file = argc > 1 ? quorix::pathFromArgument(argv[1]) : std::string(); !file.empty()) {
    QMetaObject::invokeMethod(
        &window, [&window, file = std::move(file)] { window.openPath(file); }, Qt::QueuedConnection);
  }
  return QApplication::exec();
}
