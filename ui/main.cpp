#include <QApplication>

#include "main_window.h"
#include "program_icon.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("quorix");
  QGuiApplication::setDesktopFileName("quorix");
  QApplication::setWindowIcon(quorix::programIcon());

  quorix::MainWindow window;
  window.show();
  return QApplication::exec();
}
