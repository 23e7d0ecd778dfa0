#include "program_icon.h"

#include <QString>

namespace quorix {

QIcon programIcon() {
  QIcon icon;
  // The sizes ui/CMakeLists.txt builds into the resources and installs.
  for (const int size : {QUORIX_ICON_SIZES}) {
    icon.addFile(QStringLiteral(":/quorix/icons/quorix-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace quorix
