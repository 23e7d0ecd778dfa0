// What the program sets up once, before its first window.
#pragma once

namespace quorix {

// Loads Qt's own Chinese translation (buttons of the message boxes, the file
// dialogs, the byte text field's context menu), whatever the user's locale:
// every text of the window is Chinese. False when the translation is not
// installed; Qt's texts then stay English.
bool installToolkitTranslation();

}  // namespace quorix
