#include "writer.h"

namespace quorix {

void saveCommand(WindowServices& /*ui*/) {}

}  // namespace quorix
