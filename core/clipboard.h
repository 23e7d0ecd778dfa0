// Moving the byte text through the system clipboard.
#pragma once

#include "services.h"

namespace quorix {

// Cut: the whole of Text1 goes to the clipboard, whatever is selected, and
// Text1 is emptied.
void cutCommand(WindowServices& ui);

// Paste: the clipboard's plain text replaces the whole of Text1, unchanged;
// a clipboard without text empties it.
void pasteCommand(WindowServices& ui);

}  // namespace quorix
