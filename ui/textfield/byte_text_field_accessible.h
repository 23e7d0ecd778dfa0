// Screen-reader access to the byte text field through QAccessibleTextInterface and
// QAccessibleEditableTextInterface.
#pragma once

namespace quorix {

// Registers the accessibility factory for ByteTextField (once per process).
void installByteTextFieldAccessibility();

}  // namespace quorix
