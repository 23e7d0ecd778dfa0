// The main window as a user meets it: layout, focus order, menu, commands.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHelpEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <functional>

#include "about_box.h"
#include "binding/progress_bar.h"
#include "binding/qt_services.h"
#include "hex_records.h"
#include "main_window.h"
#include "program_icon.h"
#include "scripted_dialogs.h"
#include "srec_tools.h"
#include "textfield/byte_text_field.h"
#include "twips.h"

using namespace quorix;

Q_DECLARE_METATYPE(std::function<void(quorix::MainWindow&)>)

namespace {

using Trigger = std::function<void(MainWindow&)>;

const QString kDefaultText = "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 ";

ByteTextField* text1(const MainWindow& w) { return w.findChild<ByteTextField*>("Text1"); }
QLineEdit* line(const MainWindow& w, const char* name) { return w.findChild<QLineEdit*>(name); }
QPushButton* button(const MainWindow& w, const char* name) { return w.findChild<QPushButton*>(name); }
QAction* action(const MainWindow& w, const char* name) { return w.findChild<QAction*>(name); }
FloatProgressBar* bar(const MainWindow& w) { return w.findChild<FloatProgressBar*>("Bar1"); }

void showActive(MainWindow& w) {
  w.show();
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
}

void selectRange(ByteTextField* e, int from, int to) { e->setSelection(from, to); }

// Answers the line dialog that is about to come up with `text`.
void answerLine(const QString& text) {
  QTimer::singleShot(0, [text] {
    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    dialog->setTextValue(text);
    dialog->accept();
  });
}

// Deletes the about boxes that a test left open.
void closeAboutBoxes() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<AboutBox*>(w) != nullptr) w->close();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int visibleAboutBoxes() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    n += (qobject_cast<AboutBox*>(w) != nullptr && w->isVisible()) ? 1 : 0;
  return n;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QGuiApplication::clipboard()->clear(); }
  void cleanup() { closeAboutBoxes(); }

  void controlsSitWhereTheTwipsSay_data();
  void controlsSitWhereTheTwipsSay();
  void twipsScaleWithResolution();
  void coveredControlsAndStacking();
  void resizingFollowsTheField();
  void largerFontClipsNoCaption();
  void frameTitleAndIcon();
  void startsAsLoaded();
  void menuLayout();
  void tabOrderReachesCoveredChecksum();
  void openByMenuShortcutAndButton_data();
  void openByMenuShortcutAndButton();
  void openCancelledForgetsFileName();
  void openUnreadableFileLeavesFieldAlone();
  void openRefusedFileLeavesFieldText5AndUndo();
  void openAt32BitAddressSavesBackThere();
  void saveByMenuShortcutAndButton_data();
  void saveByMenuShortcutAndButton();
  void cutTakesWholeTextWhateverIsSelected_data();
  void cutTakesWholeTextWhateverIsSelected();
  void pasteReplacesWholeField_data();
  void pasteReplacesWholeField();
  void helpInMenuBarShowsOneModelessAboutBox();
  void closingMainWindowLeavesAboutBoxRunning();
  void endClosesEverythingAndQuits();
  void undoOfOpenTakesStartAddressAlong();
  void startAddressShowsEightDigits();
  void editKeysActOnFocusedFieldElseByteText();
  void statusRowFollowsCaretSelectionAndRefusal();
  void statusRowReadsALargeTextInStretches();
  void goToPutsTheCaretAtTheAddress();
  void findSelectsTheNextRunAndWraps();
  void closingWithChangesAsks_data();
  void closingWithChangesAsks();
};

void WindowTest::controlsSitWhereTheTwipsSay_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("pixels");
  // Twips / 15 at 96 dpi.
  // Text5 and Text4: startAddressShowsEightDigits.
  QTest::newRow("Bar1") << "Bar1" << QRect(0, 232, 313, 9);
  QTest::newRow("Command5") << "Command5" << QRect(0, 248, 113, 17);
  QTest::newRow("Command4") << "Command4" << QRect(216, 0, 97, 17);
  QTest::newRow("Command3") << "Command3" << QRect(120, 0, 89, 17);
  QTest::newRow("Command2") << "Command2" << QRect(0, 0, 113, 17);
  QTest::newRow("Text1") << "Text1" << QRect(0, 24, 313, 209);
  QTest::newRow("Command1") << "Command1" << QRect(32, 120, 65, 25);
  QTest::newRow("Text3") << "Text3" << QRect(8, 88, 289, 18);
  QTest::newRow("Text2") << "Text2" << QRect(8, 56, 289, 18);
}

void WindowTest::controlsSitWhereTheTwipsSay() {
  QFETCH(QString, name);
  QFETCH(QRect, pixels);
  MainWindow w;
  if (w.screen()->logicalDotsPerInchY() != 96) QSKIP("the expected pixels are for a 96 dpi screen");
  showActive(w);
  auto* control = w.findChild<QWidget*>(name);
  QVERIFY(control != nullptr);
  QCOMPARE(control->parentWidget(), w.centralWidget());
  QCOMPARE(control->geometry(), pixels);
  // The drawn client and the status row below it.
  QCOMPARE(w.centralWidget()->size(), QSize(314, 269 + w.findChild<QWidget*>("Status")->height()));
}

void WindowTest::twipsScaleWithResolution() {
  struct Case {
    int twips;
    double dpi;
    int pixels;
  };
  for (const Case c : {Case{4710, 96, 314},
                       {620, 96, 41},
                       {3680, 96, 245},
                       {135, 96, 9},
                       {15, 96, 1},
                       {4710, 192, 628},
                       {620, 192, 83},
                       {135, 192, 18},
                       {4035, 144, 404},
                       {0, 192, 0}}) {
    QCOMPARE(twipsToPixels(c.twips, c.dpi), c.pixels);
  }
}

void WindowTest::coveredControlsAndStacking() {
  MainWindow w;
  showActive(w);
  QWidget* client = w.centralWidget();
  QWidget* t1 = text1(w);
  // Text1 covers the record checksum controls completely.
  for (const char* name : {"Text2", "Text3", "Command1"}) {
    QWidget* covered = w.findChild<QWidget*>(name);
    QVERIFY(t1->geometry().contains(covered->geometry()));
    for (const QPoint p :
         {covered->geometry().center(), covered->geometry().topLeft(), covered->geometry().bottomRight()}) {
      QWidget* hit = client->childAt(p);
      QVERIFY2(hit == t1 || t1->isAncestorOf(hit), name);
    }
    QVERIFY(covered->isEnabled());
    QVERIFY(covered->isVisible());
  }
  // Bar1 lies above Text1's last pixel row, Text5 above the end of Text4.
  QCOMPARE(client->childAt(100, 232), static_cast<QWidget*>(bar(w)));
  QWidget* above = client->childAt(100, 231);
  QVERIFY(above == t1 || t1->isAncestorOf(above));
  QCOMPARE(client->childAt(272, 255), static_cast<QWidget*>(line(w, "Text5")));
}

// The field takes the window's size; the bar, the bottom row and the status
// row keep their distance to the bottom, Text4 and Text5 theirs to the right; the top row and
// the covered controls stay. Larger, maximised, and back to the default.
void WindowTest::resizingFollowsTheField() {
  MainWindow w;
  showActive(w);
  QWidget* client = w.centralWidget();
  QCOMPARE(client->minimumSize(), client->size());  // the default size is the least
  const QSize start = client->size();
  QHash<QString, QRect> at;
  const QList<QWidget*> controls = client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  QCOMPARE(controls.size(), 12);
  for (QWidget* c : controls) at.insert(c->objectName(), c->geometry());
  const auto check = [&] {
    const QSize d = client->size() - start;
    for (QWidget* c : controls) {
      const QString name = c->objectName();
      QRect expected = at.value(name);
      if (name == "Text1") expected.adjust(0, 0, d.width(), d.height());
      if (name == "Bar1") expected = expected.adjusted(0, 0, d.width(), 0).translated(0, d.height());
      if (name == "Command5") expected.translate(0, d.height());
      if (name == "Status") expected = expected.adjusted(0, 0, d.width(), 0).translated(0, d.height());
      if (name == "Text4" || name == "Text5") expected.translate(d.width(), d.height());
      QCOMPARE(c->geometry(), expected);
    }
  };
  w.resize(w.size() + QSize(400, 250));
  QTRY_COMPARE(client->size(), start + QSize(400, 250));
  check();
  w.showMaximized();
  QTRY_VERIFY(client->width() > start.width() + 400);
  check();
  w.showNormal();
  w.resize(start.width(), 1);  // no smaller than the default
  QTRY_COMPARE(client->size(), start);
  check();
}

// At a larger desktop font the captions grow to their text and what follows
// them in their row moves along; nothing overlaps, nothing leaves the window.
void WindowTest::largerFontClipsNoCaption() {
  const QFont before = QApplication::font();
  QFont large = before;
  large.setPointSizeF(11);
  QApplication::setFont(large);
  const auto restore = qScopeGuard([&before] { QApplication::setFont(before); });
  MainWindow w;
  showActive(w);
  QCOMPARE(button(w, "Command5")->font().pointSizeF(), 11.0);
  const auto r = [&w](const char* name) { return w.findChild<QWidget*>(name)->geometry(); };
  for (const char* name : {"Command2", "Command3", "Command4", "Command5"}) {
    QPushButton* b = button(w, name);
    const QSize text = b->fontMetrics().boundingRect(b->text()).size();
    QVERIFY2(b->width() > text.width() && b->height() >= b->fontMetrics().height(), name);
  }
  QLineEdit* caption = line(w, "Text4");
  QVERIFY(caption->height() >= caption->fontMetrics().height() + 2);
  QVERIFY(caption->width() - 6 > caption->fontMetrics().boundingRect(caption->text()).right());
  QVERIFY(r("Command2").right() < r("Command3").left() && r("Command3").right() < r("Command4").left());
  QVERIFY(r("Command5").right() < r("Text4").left() && r("Text4").left() < r("Text5").left());
  QVERIFY(QRect(QPoint(), w.centralWidget()->size()).contains(r("Command4") | r("Text5")));
  QVERIFY(r("Text1").top() > r("Command2").bottom() && r("Bar1").bottom() < r("Text4").top());
  for (const char* covered : {"Text2", "Text3", "Command1"}) QVERIFY(r("Text1").contains(r(covered)));
}

void WindowTest::frameTitleAndIcon() {
  MainWindow w;
  QCOMPARE(w.objectName(), QString("Quorix"));
  QCOMPARE(w.windowTitle(), QString("Quorix     quorix@example.org"));
  const Qt::WindowFlags flags = w.windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(flags.testFlag(Qt::WindowMaximizeButtonHint));
  QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));

  // Every size the build lists must be in the resources: a missing file gives no pixmap.
  const QIcon icon = programIcon();
  for (const QSize size : icon.availableSizes()) {
    QCOMPARE(icon.pixmap(size).deviceIndependentSize().toSize(), size);
  }
  QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
}

void WindowTest::startsAsLoaded() {
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  showActive(w);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(text1(w)));

  QCOMPARE(text1(w)->toPlainText(), kDefaultText);
  QCOMPARE(line(w, "Text2")->text(), QString("02000004FFFF"));
  QCOMPARE(line(w, "Text3")->text(), QString("Text3"));
  QCOMPARE(line(w, "Text4")->text(), QString::fromUtf8("起始单元地址："));
  QCOMPARE(line(w, "Text5")->text(), QString("0000"));
  QCOMPARE(line(w, "Text5")->toolTip(),
           QString::fromUtf8("在此输入Hex文件中数据的首地址，默认首地址为0000.\n"
                             "1到4位十六进制数写16位地址的Hex文件，5到8位（如08000000）写32位地址的Hex文件。"));
  for (const auto& [name, caption] : {std::pair{"Command1", "Command1"},
                                      {"Command2", "打开Hex文件..."},
                                      {"Command3", "剪切到剪贴板"},
                                      {"Command4", "粘贴"},
                                      {"Command5", "保存为Hex文件..."}}) {
    QCOMPARE(button(w, name)->text(), QString::fromUtf8(caption));
  }

  QCOMPARE(line(w, "Text4")->focusPolicy(), Qt::ClickFocus);
  QVERIFY(!line(w, "Text4")->isReadOnly());
  QCOMPARE(line(w, "Text4")->palette().color(QPalette::Base), QApplication::palette("QMenu").color(QPalette::Window));

  ByteTextField* t1 = text1(w);
  QVERIFY(t1->tabChangesFocus());
  QCOMPARE(t1->cursorPosition(), 0);
  // Wraps within its width: the default text takes more than one row.
  QVERIFY(t1->wrapWidth() > 0 && t1->wrapWidth() <= t1->viewport()->width());
  QVERIFY(t1->rowCount() > 1);
  QCOMPARE(t1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  QCOMPARE(t1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  // Editable, and without a limit on lines.
  QTest::keyClicks(t1, "Z");
  QCOMPARE(t1->toPlainText(), "Z" + kDefaultText);
  t1->undo();
  QCOMPARE(t1->toPlainText(), kDefaultText);
  const QString manyLines = QString("3A 0F\n").repeated(5000);
  t1->setPlainText(manyLines);
  QCOMPARE(t1->toPlainText(), manyLines);
  QCOMPARE(t1->rowCount(), 5001);
  t1->setPlainText(kDefaultText);

  QCOMPARE(bar(w)->barMax(), 100.0F);
  QCOMPARE(bar(w)->barValue(), 0.0F);
  QCOMPARE(bar(w)->value(), 0);

  // The load step set the filter the open dialog shows.
  w.openWithDialog();
  QCOMPARE(s.dialogs->shown.size(), std::size_t{1});
  QCOMPARE(s.dialogs->shown.at(0).nameFilter, QString::fromUtf8("Hex文件(*.hex)"));
  QCOMPARE(s.dialogs->shown.at(0).preset, QString());
}

void WindowTest::menuLayout() {
  MainWindow w;
  auto* wjj = w.findChild<QMenu*>("wjj");
  QVERIFY(wjj != nullptr);
  QAction* bzz = action(w, "bzz");
  auto* edit = w.findChild<QMenu*>("edit");
  QVERIFY(edit != nullptr);
  QCOMPARE(w.menuBar()->actions(), (QList<QAction*>{wjj->menuAction(), edit->menuAction(), bzz}));
  QCOMPARE(edit->title(), QString::fromUtf8("编辑"));
  const QList<QAction*> items = edit->actions();
  QCOMPARE(items.size(), 7);
  QCOMPARE(items.mid(0, 3), (QList<QAction*>{action(w, "undo"), action(w, "redo"), action(w, "selectAll")}));
  QVERIFY(items.at(3)->isSeparator());
  QCOMPARE(items.mid(4), (QList<QAction*>{action(w, "find"), action(w, "findNext"), action(w, "goTo")}));
  QCOMPARE(action(w, "find")->text() + action(w, "findNext")->text() + action(w, "goTo")->text(),
           QString::fromUtf8("查找...查找下一个转到地址..."));
  QCOMPARE(action(w, "undo")->text(), QString::fromUtf8("撤消"));
  QCOMPARE(action(w, "redo")->text(), QString::fromUtf8("重做"));
  QCOMPARE(action(w, "selectAll")->text(), QString::fromUtf8("全选"));
  QCOMPARE(action(w, "undo")->shortcut(), QKeySequence("Ctrl+Z"));
  QCOMPARE(action(w, "redo")->shortcut(), QKeySequence("Ctrl+Shift+Z"));
  QCOMPARE(action(w, "selectAll")->shortcut(), QKeySequence("Ctrl+A"));
  // The buttons of a menu command show the menu item's caption.
  QCOMPARE(button(w, "Command2")->text(), action(w, "dkk")->text());
  QCOMPARE(button(w, "Command5")->text(), action(w, "bcc")->text());
  QCOMPARE(wjj->title(), QString::fromUtf8("文件"));
  QCOMPARE(bzz->text(), QString::fromUtf8("帮助"));
  QVERIFY(bzz->menu() == nullptr);
  QCOMPARE(wjj->actions(), (QList<QAction*>{action(w, "dkk"), action(w, "bcc"), action(w, "gbb")}));
  QCOMPARE(action(w, "dkk")->text(), QString::fromUtf8("打开Hex文件..."));
  QCOMPARE(action(w, "bcc")->text(), QString::fromUtf8("保存为Hex文件..."));
  QCOMPARE(action(w, "gbb")->text(), QString::fromUtf8("关闭"));
  QCOMPARE(action(w, "dkk")->shortcut(), QKeySequence("Ctrl+O"));
  QCOMPARE(action(w, "bcc")->shortcut(), QKeySequence("Ctrl+S"));
  QVERIFY(action(w, "gbb")->shortcut().isEmpty());
}

void WindowTest::tabOrderReachesCoveredChecksum() {
  MainWindow w;
  showActive(w);
  ByteTextField* t1 = text1(w);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t1));

  // Tab leaves Text1 without typing a tab, then walks the order; Bar1 and the
  // caption Text4 are passed by, and the order wraps round to Text1.
  const QStringList order{"Text2",    "Text3",    "Command1", "Command2", "Command3",
                          "Command4", "Command5", "Text5",    "Text1"};
  for (const QString& name : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), name);
  }
  QCOMPARE(t1->toPlainText(), kDefaultText);

  // Type a record into the covered Text2 and press the covered Command1 by keyboard.
  QTest::keyClick(t1, Qt::Key_Tab);
  QLineEdit* t2 = line(w, "Text2");
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t2));
  t2->selectAll();
  QTest::keyClicks(t2, "00000001");
  QTest::keyClick(t2, Qt::Key_Tab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(button(w, "Command1")));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  QCOMPARE(line(w, "Text3")->text(), QString("FF"));
}

namespace {

const QByteArray kExample = ":03001000010203E7\r\n:02001800AABB81\r\n:00000001FF\r\n";

QString expectedExampleText() {
  return QString("FF ").repeated(16) + "01 02 03 " + QString("FF ").repeated(5) + "AA BB ";
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
  return path;
}

}  // namespace

void WindowTest::openByMenuShortcutAndButton_data() {
  QTest::addColumn<Trigger>("trigger");
  QTest::newRow("menu dkk") << Trigger([](MainWindow& w) { action(w, "dkk")->trigger(); });
  QTest::newRow("Ctrl+O") << Trigger(
      [](MainWindow& /*w*/) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier); });
  QTest::newRow("Command2") << Trigger([](MainWindow& w) { QTest::mouseClick(button(w, "Command2"), Qt::LeftButton); });
}

void WindowTest::openByMenuShortcutAndButton() {
  QFETCH(Trigger, trigger);
  QTemporaryDir dir;
  const QString path = writeFile(dir, "例子.hex", kExample);
  QVERIFY(!path.isEmpty());

  MainWindow w;
  const testing::Scripted s = testing::script(w);
  showActive(w);
  s.dialogs->answers = {path};
  trigger(w);

  QCOMPARE(s.dialogs->shown.size(), std::size_t{1});
  QVERIFY(!s.dialogs->shown.at(0).save);
  ByteTextField* t1 = text1(w);
  QCOMPARE(t1->toPlainText(), expectedExampleText());
  QCOMPARE(t1->toPlainText().size(), 26 * 3);
  QCOMPARE(t1->cursorPosition(), 0);  // a read shows the text from its start
  QCOMPARE(bar(w)->barMax(), 50.0F);
  QCOMPARE(bar(w)->barValue(), 49.0F);
  QCOMPARE(bar(w)->value(), FloatProgressBar::stepsFor(49, 50));
  QVERIFY(s.boxes->shown.empty());
  QCOMPARE(w.services().fileName(), path.toStdString());
}

void WindowTest::openCancelledForgetsFileName() {
  QTemporaryDir dir;
  const QString path = writeFile(dir, "a.hex", kExample);
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  s.dialogs->answers = {path, std::nullopt};
  w.openWithDialog();
  text1(w)->setPlainText("edited");
  w.openWithDialog();
  w.openWithDialog();
  QCOMPARE(s.dialogs->shown.size(), std::size_t{3});
  QCOMPARE(s.dialogs->shown.at(1).preset, path);
  QCOMPARE(s.dialogs->shown.at(2).preset, QString());
  QCOMPARE(text1(w)->toPlainText(), QString("edited"));
  QCOMPARE(bar(w)->barMax(), 50.0F);
  QVERIFY(s.boxes->shown.empty());
}

void WindowTest::openUnreadableFileLeavesFieldAlone() {
  QTemporaryDir dir;
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  s.dialogs->answers = {dir.filePath("missing.hex")};
  w.openWithDialog();
  QCOMPARE(s.boxes->shown.size(), std::size_t{1});
  const auto& box = s.boxes->shown.front();
  QCOMPARE(box.prompt, QString::fromUtf8("文件读取失败！\n文件不存在"));
  QCOMPARE(box.title, QString::fromUtf8("文件出错"));
  QCOMPARE(box.buttons, Buttons::Ok);
  QCOMPARE(text1(w)->toPlainText(), kDefaultText);
  QCOMPARE(bar(w)->barMax(), 100.0F);
  QCOMPARE(bar(w)->barValue(), 0.0F);
}

// A refused file changes nothing a save or an undo could use: the typed
// text, Text5 and the undo step stay as they were.
void WindowTest::openRefusedFileLeavesFieldText5AndUndo() {
  QTemporaryDir dir;
  // The second record gives 0002 another value than the first.
  const QString path = writeFile(dir, "bad.hex", ":0400000001020304F2\r\n:02000200AABB97\r\n:00000001FF\r\n");
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  s.dialogs->answers = {path};
  line(w, "Text5")->setText("1234");
  QTest::keyClicks(text1(w), "Z");
  w.openWithDialog();
  QCOMPARE(s.boxes->shown.size(), std::size_t{1});
  QCOMPARE(s.boxes->shown.at(0).prompt, QString::fromUtf8("Hex文件第2行的数据与第1行重叠，请重新编译！"));
  QCOMPARE(s.boxes->shown.at(0).text1, "Z" + kDefaultText);
  QCOMPARE(text1(w)->toPlainText(), "Z" + kDefaultText);
  QCOMPARE(line(w, "Text5")->text(), QString("1234"));
  text1(w)->undo();
  QCOMPARE(text1(w)->toPlainText(), kDefaultText);
}

// Text5 takes cell 0's eight-digit address from the read, and the save
// right after puts the data back at it.
void WindowTest::openAt32BitAddressSavesBackThere() {
  if (!testing::SrecTools::installed()) QSKIP("srecord is not installed");
  QTemporaryDir dir;
  const std::string records = testing::recordLine(0, 4, "0800") + "\r\n" +
                              testing::recordLine(0, 0, "00112233445566778899AABBCCDDEE01") + "\r\n" +
                              testing::recordLine(0x10, 0, "0102") + "\r\n:00000001FF\r\n";
  const QString in = writeFile(dir, "in.hex", QByteArray::fromStdString(records));
  const QString out = dir.filePath("out.hex");
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  s.dialogs->answers = {in, out};
  w.openWithDialog();
  QCOMPARE(line(w, "Text5")->text(), QString("08000000"));
  w.saveWithDialog();
  QVERIFY(s.boxes->shown.empty());
  const testing::SrecTools tools;
  std::string errors;
  QVERIFY2(tools.quietly("srec_cmp '" + in.toStdString() + "' -intel '" + out.toStdString() + "' -intel", errors),
           errors.c_str());
}

void WindowTest::saveByMenuShortcutAndButton_data() {
  QTest::addColumn<Trigger>("trigger");
  QTest::newRow("menu bcc") << Trigger([](MainWindow& w) { action(w, "bcc")->trigger(); });
  QTest::newRow("Ctrl+S") << Trigger(
      [](MainWindow& /*w*/) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier); });
  QTest::newRow("Command5") << Trigger([](MainWindow& w) { QTest::mouseClick(button(w, "Command5"), Qt::LeftButton); });
}

void WindowTest::saveByMenuShortcutAndButton() {
  QFETCH(Trigger, trigger);
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  showActive(w);
  trigger(w);  // the save dialog is cancelled
  QCOMPARE(s.dialogs->shown.size(), std::size_t{1});
  QVERIFY(s.dialogs->shown.at(0).save);
  QCOMPARE(s.dialogs->shown.at(0).nameFilter, QString::fromUtf8("Hex文件(*.hex)"));
  QCOMPARE(text1(w)->toPlainText(), kDefaultText);
}

void WindowTest::cutTakesWholeTextWhateverIsSelected_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("selFrom");
  QTest::addColumn<int>("selTo");
  QTest::newRow("nothing selected") << kDefaultText << 0 << 0;
  QTest::newRow("part selected") << kDefaultText << 3 << 9;
  QTest::newRow("empty field") << QString() << 0 << 0;
  QTest::newRow("non-ASCII") << QString::fromUtf8("文件 3A\n0F ") << 1 << 4;
}

void WindowTest::cutTakesWholeTextWhateverIsSelected() {
  QFETCH(QString, text);
  QFETCH(int, selFrom);
  QFETCH(int, selTo);
  MainWindow w;
  QGuiApplication::clipboard()->setText("old");
  text1(w)->setPlainText(text);
  selectRange(text1(w), selFrom, selTo);
  QTest::mouseClick(button(w, "Command3"), Qt::LeftButton);
  QCOMPARE(QGuiApplication::clipboard()->text(), text);
  QCOMPARE(text1(w)->toPlainText(), QString());
}

void WindowTest::pasteReplacesWholeField_data() {
  QTest::addColumn<std::function<void()>>("fill");
  QTest::addColumn<int>("selFrom");
  QTest::addColumn<int>("selTo");
  QTest::addColumn<QString>("expected");
  const auto text = [](const QString& t) {
    return std::function<void()>([t] { QGuiApplication::clipboard()->setText(t); });
  };
  QTest::newRow("text, nothing selected") << text("AA BB ") << 5 << 5 << "AA BB ";
  QTest::newRow("text, part selected") << text("AA BB ") << 3 << 9 << "AA BB ";
  QTest::newRow("text unchecked") << text(QString::fromUtf8("不是字节\r\nxyz")) << 0 << 0
                                  << QString::fromUtf8("不是字节\r\nxyz");
  QTest::newRow("image only") << std::function<void()>([] {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QGuiApplication::clipboard()->setImage(image);
  }) << 0 << 0 << "";
  QTest::newRow("empty clipboard") << std::function<void()>([] { QGuiApplication::clipboard()->clear(); }) << 0 << 0
                                   << "";
}

void WindowTest::pasteReplacesWholeField() {
  QFETCH(std::function<void()>, fill);
  QFETCH(int, selFrom);
  QFETCH(int, selTo);
  QFETCH(QString, expected);
  MainWindow w;
  fill();
  selectRange(text1(w), selFrom, selTo);
  QTest::mouseClick(button(w, "Command4"), Qt::LeftButton);
  // The field shows any line break as one "\n".
  QCOMPARE(text1(w)->toPlainText(), QString(expected).replace("\r\n", "\n"));
}

void WindowTest::helpInMenuBarShowsOneModelessAboutBox() {
  MainWindow w;
  showActive(w);
  QAction* bzz = action(w, "bzz");
  const auto clickHelp = [&] {
    QTest::mouseClick(w.menuBar(), Qt::LeftButton, {}, w.menuBar()->actionGeometry(bzz).center());
  };
  clickHelp();
  QPointer<AboutBox> first = w.aboutBox();
  QVERIFY(first != nullptr);
  QCOMPARE(first->objectName(), QString("frmAbout"));
  QVERIFY(first->isVisible());
  QVERIFY(first->parentWidget() == nullptr);
  QVERIFY(!first->isModal());
  QVERIFY(first->testAttribute(Qt::WA_DeleteOnClose));

  clickHelp();
  bzz->trigger();
  QCOMPARE(visibleAboutBoxes(), 1);
  QCOMPARE(w.aboutBox(), first.data());

  // The main window keeps working meanwhile.
  QTest::mouseClick(button(w, "Command3"), Qt::LeftButton);
  QCOMPARE(text1(w)->toPlainText(), QString());

  // Once closed, the next click makes a new box.
  first->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(first.isNull());
  QVERIFY(w.aboutBox() == nullptr);
  clickHelp();
  QVERIFY(w.aboutBox() != nullptr);
  QCOMPARE(visibleAboutBoxes(), 1);
}

namespace {

// Runs the event loop as the program does; 99 when nothing ended it in time.
int runEventLoop() {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  watchdog.start(10000);
  return QApplication::exec();
}

}  // namespace

void WindowTest::closingMainWindowLeavesAboutBoxRunning() {
  MainWindow w;
  showActive(w);
  w.about();
  QPointer<AboutBox> box = w.aboutBox();
  QVERIFY(QTest::qWaitForWindowExposed(box));
  // Without a transient parent the box counts as a window of its own.
  QVERIFY(box->windowHandle()->transientParent() == nullptr);

  bool boxOpenAfterMainClosed = false;
  QTimer::singleShot(0, &w, [&w] { w.close(); });
  QTimer::singleShot(200, [&] {
    boxOpenAfterMainClosed = !w.isVisible() && box != nullptr && box->isVisible();
    if (box != nullptr) box->close();
  });
  // The program ends when the about box, its last window, closes.
  QCOMPARE(runEventLoop(), 0);
  QVERIFY(boxOpenAfterMainClosed);
}

void WindowTest::endClosesEverythingAndQuits() {
  MainWindow w;
  showActive(w);
  w.about();
  QVERIFY(w.aboutBox()->isVisible());
  QCoreApplication::sendPostedEvents();

  QTimer::singleShot(0, &w, [&w] { action(w, "gbb")->trigger(); });
  QCOMPARE(runEventLoop(), 0);
  QVERIFY(!w.isVisible());
  for (QWidget* top : QApplication::topLevelWidgets()) QVERIFY2(!top->isVisible(), qPrintable(top->objectName()));
}

// Type, open a file at 08000000, undo: the typed bytes come back at their own
// start address, so that a save cannot put them at the file's.
void WindowTest::undoOfOpenTakesStartAddressAlong() {
  QTemporaryDir dir;
  const std::string records =
      testing::recordLine(0, 4, "0800") + "\r\n" + testing::recordLine(0, 0, "0102") + "\r\n:00000001FF\r\n";
  const QString in = writeFile(dir, "in.hex", QByteArray::fromStdString(records));
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  showActive(w);
  QTest::keyClicks(text1(w), "AA BB ");
  const QString typed = text1(w)->toPlainText();
  s.dialogs->answers = {in, in};
  w.openWithDialog();
  const QString opened = text1(w)->toPlainText();
  QCOMPARE(line(w, "Text5")->text(), QString("08000000"));

  QTest::keyClick(text1(w), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(text1(w)->toPlainText(), typed);
  QCOMPARE(line(w, "Text5")->text(), QString("0000"));
  QTest::keyClick(text1(w), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(text1(w)->toPlainText(), opened);
  QCOMPARE(line(w, "Text5")->text(), QString("08000000"));

  // An address the user typed after the open is the user's.
  QTest::keyClick(text1(w), Qt::Key_Z, Qt::ControlModifier);
  line(w, "Text5")->setText("1234");
  QTest::keyClick(text1(w), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(text1(w)->toPlainText(), opened);
  QCOMPARE(line(w, "Text5")->text(), QString("1234"));
}

void WindowTest::startAddressShowsEightDigits() {
  MainWindow w;
  showActive(w);
  QLineEdit* text5 = line(w, "Text5");
  QLineEdit* text4 = line(w, "Text4");
  text5->setText("08000000");
  // The caret's travel over the digits equals their width only if the field did not scroll.
  text5->setCursorPosition(0);
  text5->repaint();  // the line edit scrolls to its caret as it paints
  const int start = text5->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
  text5->setCursorPosition(8);
  text5->repaint();
  QCOMPARE(text5->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() - start,
           text5->fontMetrics().horizontalAdvance("08000000"));
  if (w.screen()->logicalDotsPerInchY() != 96) return;
  // Right edge, top and height as the twips say; Text4 moved left with it, clear of Command5.
  QCOMPARE(text5->geometry().right(), 312);
  QCOMPARE(text5->y(), 245);
  QCOMPARE(text5->height(), 20);
  QCOMPARE(text4->geometry(), QRect(text5->x() - 88, 248, 89, 18));
  QVERIFY(text4->x() > button(w, "Command5")->geometry().right());
}

// 撤消, 重做, 全选 act on the focused record or address field, and on the byte
// text from anywhere else, a button that was just clicked included.
void WindowTest::editKeysActOnFocusedFieldElseByteText() {
  MainWindow w;
  showActive(w);
  QLineEdit* text2 = line(w, "Text2");
  text2->setFocus();
  text2->end(false);
  QTest::keyClicks(text2, "00");
  QTest::keyClick(text2, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(text2->text(), QString("02000004FFFF"));
  QTest::keyClick(text2, Qt::Key_A, Qt::ControlModifier);
  QCOMPARE(text2->selectedText(), QString("02000004FFFF"));
  QCOMPARE(text1(w)->toPlainText(), kDefaultText);
  QVERIFY(!text1(w)->hasSelection());

  QGuiApplication::clipboard()->setText("AA ");
  QTest::mouseClick(button(w, "Command4"), Qt::LeftButton);
  QCOMPARE(QApplication::focusWidget(), button(w, "Command4"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(text1(w)->toPlainText(), kDefaultText);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(text1(w)->toPlainText(), QString("AA "));
  button(w, "Command2")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
  QCOMPARE(text1(w)->selectedText(), QString("AA "));
}

// The status row below the bottom row: the caret's cell, a selection's checks,
// the save's refusal, which a click goes to; a cell's address on hover.
void WindowTest::statusRowFollowsCaretSelectionAndRefusal() {
  MainWindow w;
  showActive(w);
  auto* row = w.findChild<QLabel*>("Status");
  ByteTextField* field = text1(w);
  QVERIFY(row->geometry().top() > button(w, "Command5")->geometry().bottom());
  QCOMPARE(row->geometry().bottom(), w.centralWidget()->height() - 1);
  field->setCursorPosition(7);
  QTRY_COMPARE(row->text(), QString("地址：0002　第3个字节"));
  const QPoint over = field->characterRect(7).center();
  QHelpEvent hover(QEvent::ToolTip, over, field->viewport()->mapToGlobal(over));
  QApplication::sendEvent(field->viewport(), &hover);
  QCOMPARE(QToolTip::text(), QString("地址：0002"));
  line(w, "Text5")->setText("08000000");
  field->setSelection(1, 30);  // from the second digit of 01: cells 02 to 0A
  QTRY_COMPARE(row->text(), QString("选中9个字节：08000001–08000009　SUM 36  XOR 0A  MODBUS F198  XMODEM "
                                    "A20E  CRC-32 CF61409D"));
  QCOMPARE(row->toolTip(), row->text());  // the row is cut short at the default width
  field->setPlainText("01 02 @0G 03 ");
  QTRY_COMPARE(row->text(), QString("地址行@0G不是1到8位十六进制数，文件未保存！"));
  QTest::mouseClick(row, Qt::LeftButton);
  QCOMPARE(field->cursorPosition(), 6);
  // Characters beyond ASCII in every line: the caret is still placed by its cell.
  QString log;
  for (int k = 0; k < 20; ++k) log += "[10:20:30.123]收←◆00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n";
  field->setPlainText(log);
  field->setCursorPosition(19 * 66 + 17 + 5 * 3);
  QTRY_COMPARE(row->text(), QString("地址：08000135　第310个字节"));
}

// A text longer than the row reads in one turn, edited in the middle (the
// field's storage has its gap there): the caret's cell and a refusal's spot
// are still where they are, behind characters beyond ASCII and of two halves.
void WindowTest::statusRowReadsALargeTextInStretches() {
  MainWindow w;
  showActive(w);
  auto* row = w.findChild<QLabel*>("Status");
  ByteTextField* field = text1(w);
  constexpr int kCells = 1'500'000;
  QString text = "[1]收←◆";  // six characters
  text.reserve(6 + 3 * kCells);
  unsigned sum = 0;
  unsigned xorValue = 0;
  for (int cell = 0; cell < kCells; ++cell) {
    const unsigned value = cell == kCells / 2 ? 0xCD : static_cast<unsigned>(cell % 251);
    text += QString::asprintf("%02X ", cell % 251);
    sum += value;
    xorValue ^= value;
  }
  field->setPlainText(text);
  line(w, "Text5")->setText("00000000");
  const int middle = 6 + 3 * (kCells / 2);
  field->replaceRange(middle, middle + 2, "CD");
  field->setCursorPosition(field->length() - 3);
  QTRY_COMPARE(row->text(), QString("地址：0016E35F　第1500000个字节"));
  field->selectAll();
  QTRY_VERIFY(row->text().contains(QString::asprintf("SUM %02X  XOR %02X  ", sum & 0xFFU, xorValue)));
  field->replaceRange(middle, middle, "😀");
  QTRY_COMPARE(row->text(), QString("第1行不是可以识别的字节数据，文件未保存！"));
  QTest::mouseClick(row, Qt::LeftButton);
  QCOMPARE(field->cursorPosition(), middle);
}

// Ctrl+G from any focus: the caret before the cell the save writes there,
// address lines and the start address counted; else the message.
void WindowTest::goToPutsTheCaretAtTheAddress() {
  MainWindow w;
  const auto scripted = testing::script(w);
  showActive(w);
  ByteTextField* field = text1(w);
  field->setPlainText("01 02\n@08000000\nAA BB CC\n");
  line(w, "Text5")->setText("1000");
  line(w, "Text2")->setFocus();
  answerLine(" 8000002");
  QTest::keyClick(line(w, "Text2"), Qt::Key_G, Qt::ControlModifier);
  QCOMPARE(field->cursorPosition(), 22);
  QCOMPARE(w.focusWidget(), field);
  w.goTo("1001");
  QCOMPARE(field->cursorPosition(), 3);
  w.goTo("1002");
  QCOMPARE(scripted.boxes->shown.back().prompt, QString("地址00001002不在字节文本中！"));
  QCOMPARE(field->cursorPosition(), 3);
}

// Ctrl+F takes bytes in any form, or quoted text; F3 goes on, once round.
void WindowTest::findSelectsTheNextRunAndWraps() {
  MainWindow w;
  const auto scripted = testing::script(w);
  showActive(w);
  ByteTextField* field = text1(w);
  field->setPlainText("01 02 03 02\n03 41 42 ");
  button(w, "Command5")->setFocus();
  answerLine("0x02, 0x03");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
  QCOMPARE(std::make_pair(field->selectionStart(), field->selectionEnd()), std::make_pair(3, 8));
  QCOMPARE(w.focusWidget(), field);
  showActive(w);  // back from the dialog
  QTest::keyClick(field, Qt::Key_F3);
  QCOMPARE(std::make_pair(field->selectionStart(), field->selectionEnd()), std::make_pair(9, 14));
  QTest::keyClick(field, Qt::Key_F3);
  QCOMPARE(std::make_pair(field->selectionStart(), field->selectionEnd()), std::make_pair(3, 8));
  w.find("\"AB\"");
  QCOMPARE(field->selectedText(), QString("41 42"));
  w.find("FF");
  QCOMPARE(scripted.boxes->shown.back().prompt, QString("未找到FF"));
  QCOMPARE(field->selectedText(), QString("41 42"));
}

void WindowTest::closingWithChangesAsks_data() {
  QTest::addColumn<QString>("answer");
  QTest::addColumn<bool>("saveChosen");  // the save dialog gets a name, else it is cancelled
  QTest::addColumn<bool>("closes");
  QTest::newRow("保存") << "save" << true << true;
  QTest::newRow("保存, dialog cancelled") << "save" << false << false;
  QTest::newRow("不保存") << "discard" << false << true;
  QTest::newRow("取消") << "cancel" << false << false;
}

void WindowTest::closingWithChangesAsks() {
  QFETCH(QString, answer);
  QFETCH(bool, saveChosen);
  QFETCH(bool, closes);
  QTemporaryDir dir;
  const QString out = dir.filePath("out.hex");
  MainWindow w;
  const testing::Scripted s = testing::script(w);
  if (saveChosen) s.dialogs->answers = {out};
  showActive(w);
  QVERIFY(w.close());  // nothing typed: nothing asked
  showActive(w);
  QTest::keyClicks(text1(w), "AA ");
  QString asked;
  QTimer::singleShot(0, &w, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box != nullptr);
    asked = box->text();
    QTest::mouseClick(box->findChild<QPushButton*>(answer), Qt::LeftButton);
  });
  QCOMPARE(w.close(), closes);
  QCOMPARE(asked, QString::fromUtf8("字节文本已修改，是否保存？"));
  QCOMPARE(QFile::exists(out), saveChosen);
  QCOMPARE(text1(w)->toPlainText(), "AA " + kDefaultText);
  if (saveChosen) QVERIFY(w.close());  // saved: nothing left to ask
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
