// The main window among the desktop's conventions: undo of whole-text
// commands, Qt's texts in Chinese, files from the command line and from drops,
// Enter on buttons, names for screen readers.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>

#include "application.h"
#include "binding/qt_services.h"
#include "hex_records.h"
#include "main_window.h"
#include "scripted_dialogs.h"
#include "textfield/byte_text_field.h"

using namespace quorix;

Q_DECLARE_METATYPE(std::function<void(quorix::MainWindow&)>)

namespace {

using Command = std::function<void(MainWindow&)>;

ByteTextField* text1(const MainWindow& w) { return w.findChild<ByteTextField*>("Text1"); }
QLineEdit* line(const MainWindow& w, const char* name) { return w.findChild<QLineEdit*>(name); }
QPushButton* button(const MainWindow& w, const char* name) { return w.findChild<QPushButton*>(name); }

// 64 records of 16 bytes from 0000: 1,024 cells, many rows of the field.
QByteArray longHexFile() {
  std::string file;
  for (unsigned r = 0; r < 64; ++r) file += testing::recordLine(r * 16, 0, std::string(32, 'A')) + "\r\n";
  return QByteArray::fromStdString(file + ":00000001FF\r\n");
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  QFile f(dir.filePath(name));
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
  return f.fileName();
}

void showActive(MainWindow& w) {
  w.show();
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
}

// Drags `mime` onto `target` and drops it there, through the application's
// delivery, which hands a drag that a widget refuses on to its parents.
bool dragAndDrop(QWidget* target, const QMimeData& mime) {
  const QPointF at(5, 5);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(installToolkitTranslation()); }
  void init() { QGuiApplication::clipboard()->clear(); }

  void wholeTextCommandsAreOneUndoStep_data();
  void wholeTextCommandsAreOneUndoStep();
  void toolkitTextsAreChinese();
  void droppedFileOpensAnywhere_data();
  void droppedFileOpensAnywhere();
  void droppedTextGoesIntoTheField();
  void enterPressesFocusedButton_data();
  void enterPressesFocusedButton();
  void screenReadersHearNamesAndCaption();
};

void DesktopTest::wholeTextCommandsAreOneUndoStep_data() {
  QTest::addColumn<Command>("command");
  QTest::addColumn<QString>("expected");
  QTest::newRow("paste text") << Command([](MainWindow& w) {
    QGuiApplication::clipboard()->setText("11 22 ");
    QTest::mouseClick(button(w, "Command4"), Qt::LeftButton);
  }) << "11 22 ";
  QTest::newRow("paste without text") << Command([](MainWindow& w) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    QTest::mouseClick(button(w, "Command4"), Qt::LeftButton);
  }) << "";
  QTest::newRow("cut") << Command([](MainWindow& w) { QTest::mouseClick(button(w, "Command3"), Qt::LeftButton); })
                       << "";
  QTest::newRow("open") << Command([](MainWindow& w) { w.openWithDialog(); }) << QString("AA ").repeated(1024);
}

// Each replaces the text at once; the view then shows its start, and one
// Ctrl+Z brings back the former text with its caret, scrolled to it.
void DesktopTest::wholeTextCommandsAreOneUndoStep() {
  QFETCH(Command, command);
  QFETCH(QString, expected);
  QTemporaryDir dir;
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  s.dialogs->answers = {writeFile(dir, "long.hex", longHexFile())};
  showActive(w);
  ByteTextField* t1 = text1(w);
  const QString before = QString("3A 0F ").repeated(2000);
  t1->setPlainText(before);
  t1->setCursorPosition(before.size() - 6);
  t1->ensureCursorVisible();
  QVERIFY(t1->firstVisibleRow() > 0);

  command(w);
  QCOMPARE(t1->toPlainText(), expected);
  QCOMPARE(t1->cursorPosition(), 0);
  QCOMPARE(t1->firstVisibleRow(), 0);

  QTest::keyClick(t1, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(t1->toPlainText(), before);
  QCOMPARE(t1->cursorPosition(), before.size() - 6);
  QTest::keySequence(t1, QKeySequence::Redo);
  QCOMPARE(t1->toPlainText(), expected);
  QTest::keyClick(t1, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(t1, Qt::Key_Z, Qt::ControlModifier);  // the text set above
  QTest::keyClick(t1, Qt::Key_Z, Qt::ControlModifier);  // nothing left: the start-up text is no step
  QCOMPARE(t1->toPlainText(), QString("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 "));
}

void DesktopTest::toolkitTextsAreChinese() {
  QMessageBox box(QMessageBox::NoIcon, "Quorix", "?", QMessageBox::Ok | QMessageBox::Cancel);
  QCOMPARE(box.button(QMessageBox::Ok)->text(), QString::fromUtf8("确定"));
  QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("取消"));

  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  QStringList buttons;
  for (const QPushButton* b : dialog.findChildren<QPushButton*>()) buttons << b->text();
  QVERIFY2(buttons.contains(QString::fromUtf8("打开(&O)")) && buttons.contains(QString::fromUtf8("取消")),
           qPrintable(buttons.join('|')));

  MainWindow w;
  text1(w)->selectAll();
  const std::unique_ptr<QMenu> menu(text1(w)->createStandardContextMenu());
  QStringList entries;
  for (const QAction* a : menu->actions()) {
    if (!a->isSeparator()) entries << a->text().section('\t', 0, 0);
  }
  QCOMPARE(entries, QString::fromUtf8("撤消(&U)|重做(&R)|剪切(&T)|复制(&C)|粘贴(&P)|删除|全选").split('|'));
}

void DesktopTest::droppedFileOpensAnywhere_data() {
  QTest::addColumn<QString>("target");
  QTest::newRow("Text1") << "Text1";
  QTest::newRow("Text5") << "Text5";
  QTest::newRow("Command2") << "Command2";
  QTest::newRow("Bar1") << "Bar1";
}

void DesktopTest::droppedFileOpensAnywhere() {
  QFETCH(QString, target);
  QTemporaryDir dir;
  const QString path = writeFile(dir, "拖放.hex", ":020010000102EB\r\n");  // no end record
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  auto* widget = w.findChild<QWidget*>(target);
  if (auto* field = qobject_cast<ByteTextField*>(widget)) widget = field->viewport();
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(path)});
  mime.setText(path);  // as file managers offer it besides
  QVERIFY(dragAndDrop(widget, mime));
  QTRY_COMPARE(text1(w)->toPlainText(), QString("FF ").repeated(16) + "01 02 ");
  QCOMPARE(w.services().fileName(), path.toStdString());
  QCOMPARE(line(w, "Text5")->text(), QString("0000"));
  QCOMPARE(s.boxes->shown.size(), std::size_t{1});  // the reader's message on the missing end record
  QVERIFY(s.dialogs->shown.empty());
}

void DesktopTest::droppedTextGoesIntoTheField() {
  MainWindow w;
  QMimeData mime;
  mime.setText("AA ");
  QVERIFY(dragAndDrop(text1(w)->viewport(), mime));
  QCOMPARE(text1(w)->toPlainText().count("AA "), 1);
}

void DesktopTest::enterPressesFocusedButton_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
  QTest::newRow("Return") << int{Qt::Key_Return} << Qt::KeyboardModifiers();
  QTest::newRow("keypad Enter") << int{Qt::Key_Enter} << Qt::KeyboardModifiers(Qt::KeypadModifier);
}

void DesktopTest::enterPressesFocusedButton() {
  QFETCH(int, key);
  QFETCH(Qt::KeyboardModifiers, modifiers);
  MainWindow w;
  showActive(w);
  // The covered checksum route: Tab from Text1 to Text2, Text3, Command1.
  for (int i = 0; i < 3; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(button(w, "Command1")));
  QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
  QCOMPARE(line(w, "Text3")->text(), QString("FC"));
}

void DesktopTest::screenReadersHearNamesAndCaption() {
  MainWindow w;
  for (const auto& [name, spoken] :
       {std::pair{"Text1", "字节文本"}, {"Text5", "起始单元地址"}, {"Text2", "记录"}, {"Text3", "校验和"}}) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w.findChild<QWidget*>(name));
    QVERIFY(a != nullptr);
    QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(spoken));
    QCOMPARE(a->role(), QAccessible::EditableText);
  }
  QAccessibleInterface* caption = QAccessible::queryAccessibleInterface(line(w, "Text4"));
  QCOMPARE(caption->role(), QAccessible::StaticText);
  QCOMPARE(caption->text(QAccessible::Name), QString::fromUtf8("起始单元地址："));
}

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
