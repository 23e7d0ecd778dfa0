// The field's geometry and keys without a widget: every caret position and every character is
// found again at its own pixels, and the keys the field edits with are the ones it takes before
// the window's shortcuts.
#include "key_table.h"
#include "text_layout.h"

#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTest>

#include <array>

using quorix::GapBuffer;
using quorix::KeyCommand;
using quorix::TextLayout;

class TextLayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void positionsFoundAtTheirPixels();
  void keys_data();
  void keys();
};

void TextLayoutTest::positionsFoundAtTheirPixels() {
  const std::array kPieces{QStringLiteral("3A "),
                           QStringLiteral("0F "),
                           QStringLiteral("  "),
                           QStringLiteral("\n"),
                           QStringLiteral("\t"),
                           QStringLiteral("中 "),
                           QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ")};
  QRandomGenerator rng(11);
  QString t;
  for (int i = 0; i < 300; ++i) t += kPieces.at(rng.bounded(static_cast<quint32>(kPieces.size())));
  GapBuffer text;
  text.assign(t);
  TextLayout layout(text);
  layout.setFont(QFont());
  layout.ensure(TextLayout::wrapWidthFor(200));
  QVERIFY(layout.rowCount() > 20);
  const int top = 5;  // scrolled: rows above the viewport have negative y
  for (int pos = 0; pos <= text.size(); ++pos) {
    const QRect caret = layout.caretRect(pos, top, 100000);
    QCOMPARE(layout.rowAtY(caret.center().y(), top), layout.rowOf(pos));
    QCOMPARE(layout.positionAt(caret.topLeft(), top), pos);
    if (pos == text.size()) break;
    const QRect cell = layout.characterRect(pos, top, 100000);
    const double advance = layout.xOf(layout.rowOf(pos), pos + 1) - layout.xOf(layout.rowOf(pos), pos);
    if (advance >= 2.0) QCOMPARE(layout.indexAt(QPoint(cell.x() + 1, cell.y()), top), pos);
  }
}

void TextLayoutTest::keys_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<QString>("text");
  QTest::addColumn<KeyCommand>("command");
  QTest::addColumn<bool>("beforeShortcuts");
  const int none = Qt::NoModifier;
  QTest::newRow("letter") << int(Qt::Key_A) << none << "a" << KeyCommand::Type << true;
  QTest::newRow("Shift+letter") << int(Qt::Key_A) << int(Qt::ShiftModifier) << "A" << KeyCommand::Type << true;
  QTest::newRow("Alt+letter: menus") << int(Qt::Key_F) << int(Qt::AltModifier) << "f" << KeyCommand::Type << false;
  QTest::newRow("keypad digit") << int(Qt::Key_5) << int(Qt::KeypadModifier) << "5" << KeyCommand::Type << true;
  QTest::newRow("Ctrl+C") << int(Qt::Key_C) << int(Qt::ControlModifier) << "" << KeyCommand::Copy << true;
  QTest::newRow("Ctrl+K") << int(Qt::Key_K) << int(Qt::ControlModifier) << "" << KeyCommand::DeleteToLineEnd << true;
  QTest::newRow("Ctrl+Backspace") << int(Qt::Key_Backspace) << int(Qt::ControlModifier) << ""
                                  << KeyCommand::DeleteWordBackward << true;
  QTest::newRow("Shift+Backspace") << int(Qt::Key_Backspace) << int(Qt::ShiftModifier) << ""
                                   << KeyCommand::DeleteBackward << true;
  QTest::newRow("Ctrl+Home") << int(Qt::Key_Home) << int(Qt::ControlModifier) << "" << KeyCommand::Move << true;
  QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r" << KeyCommand::NewLine << true;
  QTest::newRow("Tab: may pass the focus") << int(Qt::Key_Tab) << none << "\t" << KeyCommand::Tab << false;
  QTest::newRow("Ctrl+O: the window's") << int(Qt::Key_O) << int(Qt::ControlModifier) << "" << KeyCommand::None
                                        << false;
  QTest::newRow("F1") << int(Qt::Key_F1) << none << "" << KeyCommand::None << false;
  QTest::newRow("Escape") << int(Qt::Key_Escape) << none << "\x1b" << KeyCommand::None << false;
}

void TextLayoutTest::keys() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(QString, text);
  QFETCH(KeyCommand, command);
  QFETCH(bool, beforeShortcuts);
  const QKeyEvent e(QEvent::ShortcutOverride, key, Qt::KeyboardModifiers(modifiers), text);
  QCOMPARE(quorix::keyAction(e).command, command);
  QCOMPARE(quorix::takesKeyBeforeShortcuts(e), beforeShortcuts);
}

QTEST_MAIN(TextLayoutTest)
#include "textlayout_test.moc"
