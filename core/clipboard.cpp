#include "clipboard.h"

namespace quorix {

void cutCommand(WindowServices& ui) {
  ui.clearClipboard();
  ui.setClipboardText(ui.text(Field::Text1));
  ui.setText(Field::Text1, "");
}

void pasteCommand(WindowServices& ui) { ui.setText(Field::Text1, ui.clipboardText()); }

}  // namespace quorix
