// Reading an Intel HEX file into byte text.
#pragma once

#include "services.h"

namespace quorix {

// The open command: asks for a file with the open dialog and, unless the user
// cancels, reads it with dakai_hex. A cancelled dialog only forgets the file name.
void openCommand(WindowServices& ui);

// Replaces Text1 with the byte text of the file that the dialog's file name
// names: one cell per data byte, "FF " for every address between data records
// and ahead of the first one back to the start of its 256-byte page. Bar1
// follows the records. A record that begins before the end of the previous one
// stops the read with a message; so does a file that cannot be read, which
// leaves Text1 and Bar1 untouched.
void dakai_hex(WindowServices& ui);

}  // namespace quorix
