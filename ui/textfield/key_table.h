// What each key does in the byte text field. One table serves both the key handler and the
// shortcut override, which claims for the field, before the window's shortcuts, every key it
// edits with; the context menu shows the same keys.
#pragma once

#include <QKeySequence>
#include <QString>

class QKeyEvent;

namespace quorix {

// Caret moves the keys ask for.
enum class Move {
  NextChar,
  PreviousChar,
  NextWord,
  PreviousWord,
  NextRow,
  PreviousRow,
  NextPage,
  PreviousPage,
  StartOfRow,
  EndOfRow,
  StartOfText,
  EndOfText
};

enum class KeyCommand {
  None,
  SelectAll,
  Copy,
  Cut,
  Paste,
  Undo,
  Redo,
  Move,
  DeleteWordBackward,
  DeleteWordForward,
  DeleteToLineEnd,
  DeleteBackward,
  DeleteForward,
  NewLine,
  Tab,
  Type,  // the key's text
};

struct KeyAction {
  KeyCommand command = KeyCommand::None;
  Move move = Move::NextChar;  // Move only
  bool select = false;         // Move only: extends the selection
};

[[nodiscard]] KeyAction keyAction(const QKeyEvent& e);

// Whether the field takes the key before the window's shortcuts. Tab is left to them (it may
// pass the focus on), and so is text typed with Alt (menu mnemonics).
[[nodiscard]] bool takesKeyBeforeShortcuts(const QKeyEvent& e);

// The text of a context-menu entry (translated in Qt's own context, so that a loaded Qt
// translation applies) with its key beside it where the platform shows keys in menus.
[[nodiscard]] QString menuEntryText(const char* source, QKeySequence::StandardKey key);

}  // namespace quorix
