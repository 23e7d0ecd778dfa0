// Writing byte text as an Intel HEX file.
#pragma once

#include "services.h"

namespace quorix {

// The save command: asks for a file name and writes Text1 as an Intel HEX
// file whose data begin at the start address in Text5.
void saveCommand(WindowServices& ui);

}  // namespace quorix
