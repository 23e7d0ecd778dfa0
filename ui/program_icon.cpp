#include "program_icon.h"

#include <QString>

namespace quorix {

QIcon programIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/quorix/icons/quorix-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace quorix
