#include "key_table.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QStyleHints>

#include <array>

namespace quorix {

namespace {

struct Binding {
  QKeySequence::StandardKey key;
  KeyCommand command;
};

struct MoveBinding {
  QKeySequence::StandardKey move;
  QKeySequence::StandardKey select;
  Move op;
};

// In the order they are looked up: a key bound twice by the platform does what comes first.
constexpr auto kCommands = std::to_array<Binding>({
    {QKeySequence::SelectAll, KeyCommand::SelectAll},
    {QKeySequence::Copy, KeyCommand::Copy},
    {QKeySequence::Cut, KeyCommand::Cut},
    {QKeySequence::Paste, KeyCommand::Paste},
    {QKeySequence::Undo, KeyCommand::Undo},
    {QKeySequence::Redo, KeyCommand::Redo},
});

constexpr auto kMoves = std::to_array<MoveBinding>({
    {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::NextChar},
    {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::PreviousChar},
    {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Move::NextWord},
    {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Move::PreviousWord},
    {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::NextRow},
    {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::PreviousRow},
    {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Move::NextPage},
    {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Move::PreviousPage},
    {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::StartOfRow},
    {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::EndOfRow},
    {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, Move::StartOfRow},
    {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, Move::EndOfRow},
    {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::StartOfText},
    {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::EndOfText},
});

constexpr auto kDeletes = std::to_array<Binding>({
    {QKeySequence::DeleteStartOfWord, KeyCommand::DeleteWordBackward},
    {QKeySequence::DeleteEndOfWord, KeyCommand::DeleteWordForward},
    {QKeySequence::DeleteEndOfLine, KeyCommand::DeleteToLineEnd},
});

Qt::KeyboardModifiers modifiersOf(const QKeyEvent& e) { return e.modifiers() & ~Qt::KeypadModifier; }

}  // namespace

KeyAction keyAction(const QKeyEvent& e) {
  for (const Binding& b : kCommands) {
    if (e.matches(b.key)) return {b.command};
  }
  for (const MoveBinding& b : kMoves) {
    if (e.matches(b.move)) return {KeyCommand::Move, b.op, false};
    if (e.matches(b.select)) return {KeyCommand::Move, b.op, true};
  }
  for (const Binding& b : kDeletes) {
    if (e.matches(b.key)) return {b.command};
  }
  // Ctrl+K whatever the platform's key scheme binds it to.
  if (e.key() == Qt::Key_K && modifiersOf(e) == Qt::ControlModifier) return {KeyCommand::DeleteToLineEnd};
  if (e.key() == Qt::Key_Backspace && !(e.modifiers() & ~Qt::ShiftModifier)) return {KeyCommand::DeleteBackward};
  if (e.matches(QKeySequence::Delete)) return {KeyCommand::DeleteForward};
  if (e.matches(QKeySequence::InsertParagraphSeparator) || e.matches(QKeySequence::InsertLineSeparator))
    return {KeyCommand::NewLine};
  if (e.key() == Qt::Key_Tab && !(e.modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return {KeyCommand::Tab};
  const QString text = e.text();
  if (!text.isEmpty() && text.at(0).isPrint() && !(e.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
    return {KeyCommand::Type};
  return {};
}

bool takesKeyBeforeShortcuts(const QKeyEvent& e) {
  switch (keyAction(e).command) {
    case KeyCommand::None:
    case KeyCommand::Tab:
      return false;
    case KeyCommand::Type:
      return (modifiersOf(e) & ~Qt::ShiftModifier) == Qt::NoModifier;
    default:
      return true;
  }
}

QString menuEntryText(const char* source, QKeySequence::StandardKey key) {
  QString text = QCoreApplication::translate("QWidgetTextControl", source);
  if (!QCoreApplication::testAttribute(Qt::AA_DontShowShortcutsInContextMenus) &&
      QGuiApplication::styleHints()->showShortcutsInContextMenus()) {
    const QString keys = QKeySequence(key).toString(QKeySequence::NativeText);
    if (!keys.isEmpty()) text += u'\t' + keys;
  }
  return text;
}

}  // namespace quorix
