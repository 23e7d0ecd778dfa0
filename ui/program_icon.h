// The program's icon, in every size it ships in.
#pragma once

#include <QIcon>

namespace quorix {

[[nodiscard]] QIcon programIcon();

}  // namespace quorix
