#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel l("Quorix");
  l.show();
  return QApplication::exec();
}
