#include <algorithm>
#include <memory>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRawFont>
#include <QTest>
#include <QWindow>

#include "about_box.h"

using quorix::AboutBox;

namespace {

const QString kDescription = QStringLiteral(
    "使用说明：\r\n"
    "1.本软件可将Hex文件转换为各种串口调试器接受的数据形式，也可反过来将它们保存为Hex文件格式。\r\n"
    "2.使用剪贴板进行复制、粘贴，可实现将串口调试器接收的程序代码保存为有用的Hex文件格式。");

enum class CloseBy { OkClick, Enter, Return, Escape, Frame };

template <typename T>
T* child(const QWidget* box, const char* name) {
  return box->findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

QString labelText(const QWidget* box, const char* name) {
  const auto* label = child<QLabel>(box, name);
  return label != nullptr ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

}  // namespace

class AboutBoxTest : public QObject {
  Q_OBJECT

 private:
  // Shows a box as the main window does and waits until it can take keys.
  static QPointer<AboutBox> showBox() {
    QPointer<AboutBox> box = new AboutBox();
    box->show();
    QApplication::setActiveWindow(box);
    if (!QTest::qWaitForWindowActive(box)) {
      qWarning("about box did not become active");
    }
    return box;
  }

  static void verifyLoadedTexts(const AboutBox* box) {
    QCOMPARE(box->windowTitle(), QStringLiteral("关于 Quorix"));
    QCOMPARE(labelText(box, "lblDescription"), kDescription);
    QCOMPARE(labelText(box, "lblTitle"), QStringLiteral("Quorix"));
    QCOMPARE(labelText(box, "lblVersion"), QStringLiteral("V1.00"));
    const auto* ok = child<QPushButton>(box, "cmdOK");
    QVERIFY(ok != nullptr);
    QCOMPARE(ok->text(), QStringLiteral("确定"));
    QVERIFY(ok->isDefault());
    QVERIFY(labelText(box, "lblDisclaimer").startsWith(QStringLiteral("请注意：")));
  }

 private slots:
  void initTestCase() {
    QPixmap icon(64, 64);
    icon.fill(QColor(10, 200, 30));
    QApplication::setWindowIcon(QIcon(icon));
  }

  void closesAndLoadsAgain_data() {
    QTest::addColumn<CloseBy>("how");
    QTest::newRow("click 确定") << CloseBy::OkClick;
    QTest::newRow("Enter") << CloseBy::Enter;
    QTest::newRow("Return") << CloseBy::Return;
    QTest::newRow("Esc") << CloseBy::Escape;
    QTest::newRow("frame close button") << CloseBy::Frame;
  }

  // Every way out must destroy the box, so the caller's QPointer clears and the next "帮助"
  // builds a fresh box that loads the same texts.
  void closesAndLoadsAgain() {
    QFETCH(CloseBy, how);
    for (int round = 0; round < 2; ++round) {
      QPointer<AboutBox> box = showBox();
      verifyLoadedTexts(box);
      auto* ok = child<QPushButton>(box, "cmdOK");
      QCOMPARE(QApplication::focusWidget(), ok);

      switch (how) {
        case CloseBy::OkClick:
          QTest::mouseClick(ok, Qt::LeftButton);
          break;
        case CloseBy::Enter:
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
          break;
        case CloseBy::Return:
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
          break;
        case CloseBy::Escape:
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
          break;
        case CloseBy::Frame:
          QVERIFY(box->windowHandle() != nullptr);
          box->windowHandle()->close();
          break;
      }
      QTRY_VERIFY(box.isNull());
    }
  }

  // Tab must not carry the focus off the only button, so Enter and Esc keep working.
  void tabKeepsFocusOnOk() {
    QPointer<AboutBox> box = showBox();
    auto* ok = child<QPushButton>(box, "cmdOK");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ok);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(box.isNull());
  }

  void modelessFixedFrameWithoutOwner() {
    const auto box = std::make_unique<AboutBox>();
    QVERIFY(box->parentWidget() == nullptr);
    QVERIFY(!box->isModal());
    QVERIFY(box->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(box->size(), QSize(284, 224));
    QCOMPARE(box->minimumSize(), box->maximumSize());
    const Qt::WindowFlags flags = box->windowFlags();
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
  }

  // cmdOK overlaps the right ends of the title and version labels; it must lie above them.
  void okButtonIsAboveTheLabelsItOverlaps() {
    const auto box = std::make_unique<AboutBox>();
    auto* ok = child<QPushButton>(box.get(), "cmdOK");
    QCOMPARE(box->childAt(220, 20), ok);  // inside lblTitle as well
    QCOMPARE(box->childAt(220, 35), ok);  // inside lblVersion as well
  }

  // With the installed default font, no label may lose its last lines below its bottom edge.
  void everyTextFitsItsLabel() {
    QPointer<AboutBox> box = showBox();
    for (const char* name : {"lblDescription", "lblDisclaimer", "lblTitle", "lblVersion"}) {
      const auto* label = child<QLabel>(box, name);
      QVERIFY(label != nullptr);
      QVERIFY2(label->heightForWidth(label->width()) <= label->height(), name);
      QVERIFY2(QFontInfo(label->font()).pointSizeF() >= 7.0, name);
    }
    box->close();
    QTRY_VERIFY(box.isNull());
  }

  void titleFontResolvesToAnInstalledChineseFace() {
    const auto box = std::make_unique<AboutBox>();
    const auto* title = child<QLabel>(box.get(), "lblTitle");
    QVERIFY(title != nullptr);
    const QFont font = title->font();
    QCOMPARE(font.family(), QStringLiteral("隶书"));
    QCOMPARE(font.pointSize(), 12);
    QVERIFY(font.bold());

    const QFontInfo info(font);
    const QStringList installed = QFontDatabase::families();
    QVERIFY2(installed.contains(info.family()), qPrintable(info.family()));
    QVERIFY(info.bold());
    QVERIFY(qAbs(info.pointSizeF() - 12.0) < 0.5);
    // The first installed substitute wins, so a better face, once installed, is picked up.
    const QStringList candidates = QStringList{QStringLiteral("隶书")} + AboutBox::titleFontFamilies();
    const auto firstInstalled =
        std::find_if(candidates.begin(), candidates.end(), [&](const QString& f) { return installed.contains(f); });
    if (firstInstalled != candidates.end()) {
      QCOMPARE(info.family(), *firstInstalled);
      // The face was chosen for GB2312: it must carry Chinese glyphs, not only "Quorix".
      QVERIFY(QRawFont::fromFont(font).supportsCharacter(QChar(0x96B6)));
    }
  }

  // The three sentences run together; only the label's wrapping may break the lines.
  void disclaimerIsOneRunOfThreeSentences() {
    const auto box = std::make_unique<AboutBox>();
    const QString text = labelText(box.get(), "lblDisclaimer");
    QVERIFY(text.startsWith(QStringLiteral("请注意：")));
    QCOMPARE(text.count(QChar(0x3002)), 3);  // 。
    QVERIFY(text.endsWith(QChar(0x3002)));
    QVERIFY(text.contains(QStringLiteral("quorix@example.org")));
    for (const QChar c : text) {
      QVERIFY2(!c.isSpace(), "blank or line break in the notice");
    }
  }

  void showsTheProgramIcon() {
    const auto box = std::make_unique<AboutBox>();
    QVERIFY(!box->windowIcon().isNull());
    const auto* pic = child<QLabel>(box.get(), "picIcon");
    QVERIFY(pic != nullptr);
    const QPixmap pixmap = pic->pixmap();
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.deviceIndependentSize().toSize(), QSize(32, 32));
    QCOMPARE(pixmap.toImage().pixelColor(16, 16), QColor(10, 200, 30));
  }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
