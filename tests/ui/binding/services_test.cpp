// The Qt binding of the window services, over the real window's widgets.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <limits>
#include <variant>

#include "binding/progress_bar.h"
#include "binding/qt_services.h"
#include "main_window.h"
#include "scripted_dialogs.h"
#include "stock_text1.h"
#include "textfield/byte_text_field.h"

using namespace quorix;

Q_DECLARE_METATYPE(std::vector<std::function<void(WindowServices&)>>)

namespace {

using Steps = std::vector<std::function<void(WindowServices&)>>;

std::function<void(WindowServices&)> setText1(std::string s) {
  return [s = std::move(s)](WindowServices& ui) { ui.setText(Field::Text1, s); };
}
std::function<void(WindowServices&)> sel(std::string s) {
  return [s = std::move(s)](WindowServices& ui) { ui.setSelText(s); };
}
std::function<void(WindowServices&)> observe() {
  return [](WindowServices& ui) { (void)ui.text(Field::Text1); };
}

// Runs `f` once the next modal dialog is up.
void whenModal(const std::function<void(QWidget*)>& f) {
  QTimer::singleShot(0, [f] {
    QWidget* modal = QApplication::activeModalWidget();
    QVERIFY(modal != nullptr);
    f(modal);
  });
}

}  // namespace

class ServicesTest : public QObject {
  Q_OBJECT

 private slots:
  // Every collected append must end as successive selection replacements
  // would have left it: same text, caret in the same place, nothing selected.
  void selTextMatchesDirectReplacement_data();
  void selTextMatchesDirectReplacement();
  void lineFieldsRoundTripUtf8AndPutCaretAtStart();
  void flushesBeforeMessageBoxAndDialog();
  void messageBoxTitleDefaultsToProgramName();
  void dialogFileNamePresetsAndCancelKeepsIt();
  void barKeepsFloatsAndNeverOverflows_data();
  void barKeepsFloatsAndNeverOverflows();
  void barThroughServicesAcceptsValueAboveFractionalMax();
  void realMessageBoxButtons();
  void realFileDialogs();
  void clipboardPlainText();
};

void ServicesTest::selTextMatchesDirectReplacement_data() {
  QTest::addColumn<int>("selStart");
  QTest::addColumn<int>("selEnd");
  QTest::addColumn<Steps>("steps");
  QTest::addColumn<QString>("expected");

  QTest::newRow("appends after empty set")
      << 0 << 0 << Steps{setText1(""), sel("01 "), sel("02 "), sel("FF FF ")} << "01 02 FF FF ";
  QTest::newRow("inserts ahead of a non-empty set") << 0 << 0 << Steps{setText1("AB"), sel("x"), sel("y")} << "xyAB";
  QTest::newRow("replaces the user's selection") << 2 << 5 << Steps{sel("ab"), sel("c")} << "01abc56789";
  QTest::newRow("inserts at the caret") << 3 << 3 << Steps{sel("Z")} << "012Z3456789";
  QTest::newRow("a later set supersedes") << 0 << 0 << Steps{sel("q"), setText1(""), sel("r")} << "r";
  QTest::newRow("read in between") << 0 << 0 << Steps{setText1(""), sel("a"), observe(), sel("b")} << "ab";
  QTest::newRow("non-ASCII text") << 10 << 10 << Steps{sel("文件"), sel("ÿ")} << "0123456789文件ÿ";
  QTest::newRow("set only") << 4 << 6 << Steps{setText1("")} << "";
  QTest::newRow("set non-empty only") << 0 << 0 << Steps{setText1("3A 0F ")} << "3A 0F ";
}

void ServicesTest::selTextMatchesDirectReplacement() {
  QFETCH(int, selStart);
  QFETCH(int, selEnd);
  QFETCH(Steps, steps);
  QFETCH(QString, expected);

  MainWindow window;
  auto* edit = window.findChild<ByteTextField*>("Text1");
  QVERIFY(edit != nullptr);
  edit->setPlainText("0123456789");
  edit->setSelection(selStart, selEnd);
  {
    const QtServices::CommandScope scope(window.services());
    for (const auto& step : steps) step(window.services());
  }

  // The same steps straight on an unbuffered field.
  QWidget host;
  QPlainTextEdit* refEdit = testing::makeStockText1(&host);
  refEdit->setPlainText("0123456789");
  QTextCursor c = refEdit->textCursor();
  c.setPosition(selStart);
  c.setPosition(selEnd, QTextCursor::KeepAnchor);
  refEdit->setTextCursor(c);
  struct Direct final : WindowServices {
    QPlainTextEdit& t;
    explicit Direct(QPlainTextEdit& e) : t(e) {}
    std::string text(Field) override { return t.toPlainText().toStdString(); }
    void setText(Field, std::string_view s) override {
      t.setPlainText(QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())));
      t.moveCursor(QTextCursor::Start);
    }
    void setSelText(std::string_view s) override {
      t.textCursor().insertText(QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())));
    }
    void setBarMax(float) override {}
    void setBarValue(float) override {}
    void setFilter(std::string_view) override {}
    DialogOutcome showOpen() override { return DialogOutcome::Cancelled; }
    DialogOutcome showSave() override { return DialogOutcome::Cancelled; }
    std::string fileName() override { return {}; }
    void setFileName(std::string_view) override {}
    Answer messageBox(std::string_view, Buttons, std::optional<std::string_view>) override { return Answer::Ok; }
    FileContents readFile(const std::string&) override { return {}; }
    std::optional<std::uintmax_t> fileLength(const std::string&) override { return {}; }
    std::unique_ptr<LineWriter> replaceFile(const std::string&) override { return nullptr; }
    void clearClipboard() override {}
    void setClipboardText(std::string_view) override {}
    std::string clipboardText() override { return {}; }
  } direct(*refEdit);
  for (const auto& step : steps) step(direct);

  QCOMPARE(edit->toPlainText(), expected);
  QCOMPARE(refEdit->toPlainText(), expected);
  // Read back through the services as UTF-8, non-ASCII text included.
  QCOMPARE(window.services().text(Field::Text1), expected.toStdString());
  QCOMPARE(edit->cursorPosition(), refEdit->textCursor().position());
  QVERIFY(!edit->hasSelection());
}

void ServicesTest::lineFieldsRoundTripUtf8AndPutCaretAtStart() {
  MainWindow window;
  QtServices& ui = window.services();
  for (const auto& [field, name] :
       {std::pair{Field::Text2, "Text2"}, {Field::Text3, "Text3"}, {Field::Text5, "Text5"}}) {
    auto* edit = window.findChild<QLineEdit*>(name);
    edit->selectAll();
    ui.setText(field, "地址 0x1F");
    QCOMPARE(edit->text(), QString::fromUtf8("地址 0x1F"));
    QCOMPARE(ui.text(field), std::string("地址 0x1F"));
    QCOMPARE(edit->cursorPosition(), 0);
    QVERIFY(!edit->hasSelectedText());
  }
  ui.setText(Field::Text1, "ÄB");
  QCOMPARE(ui.text(Field::Text1), std::string("ÄB"));
  QCOMPARE(window.findChild<ByteTextField*>("Text1")->cursorPosition(), 0);
}

void ServicesTest::flushesBeforeMessageBoxAndDialog() {
  MainWindow window;
  const testing::Scripted s = testing::script(window);
  QtServices& ui = window.services();
  const QtServices::CommandScope scope(ui);
  ui.setText(Field::Text1, "");
  ui.setSelText("AA ");
  ui.messageBox("m", Buttons::Ok, std::nullopt);
  ui.setSelText("BB ");
  (void)ui.showOpen();
  ui.setSelText("CC ");
  (void)ui.showSave();
  QCOMPARE(s.boxes->shown.at(0).text1, QString("AA "));
  QCOMPARE(s.dialogs->shown.at(0).text1, QString("AA BB "));
  QCOMPARE(s.dialogs->shown.at(1).text1, QString("AA BB CC "));
}

void ServicesTest::messageBoxTitleDefaultsToProgramName() {
  MainWindow window;
  const testing::Scripted s = testing::script(window);
  s.boxes->answers = {Answer::Cancel, Answer::Ok};
  QCOMPARE(window.services().messageBox("是否覆盖？", Buttons::OkCancel, std::nullopt), Answer::Cancel);
  QCOMPARE(window.services().messageBox("x", Buttons::Ok, "文件出错"), Answer::Ok);
  QCOMPARE(s.boxes->shown.at(0).title, QString("Quorix"));
  QCOMPARE(s.boxes->shown.at(0).prompt, QString::fromUtf8("是否覆盖？"));
  QCOMPARE(s.boxes->shown.at(0).buttons, Buttons::OkCancel);
  QCOMPARE(s.boxes->shown.at(1).title, QString::fromUtf8("文件出错"));
}

void ServicesTest::dialogFileNamePresetsAndCancelKeepsIt() {
  MainWindow window;
  const testing::Scripted s = testing::script(window);
  QtServices& ui = window.services();
  ui.setFileName("/tmp/预设.hex");
  s.dialogs->answers = {QString("/data/a.hex"), std::nullopt};
  QCOMPARE(ui.showSave(), DialogOutcome::Chosen);
  QCOMPARE(ui.fileName(), std::string("/data/a.hex"));
  QCOMPARE(ui.showOpen(), DialogOutcome::Cancelled);
  QCOMPARE(ui.fileName(), std::string("/data/a.hex"));
  QCOMPARE(s.dialogs->shown.at(0).preset, QString::fromUtf8("/tmp/预设.hex"));
  QVERIFY(s.dialogs->shown.at(0).save);
  QCOMPARE(s.dialogs->shown.at(1).preset, QString("/data/a.hex"));
  QVERIFY(!s.dialogs->shown.at(1).save);
  // The window's load step set the filter.
  QCOMPARE(s.dialogs->shown.at(1).nameFilter, QString::fromUtf8("Hex文件(*.hex)"));
}

void ServicesTest::barKeepsFloatsAndNeverOverflows_data() {
  QTest::addColumn<float>("value");
  QTest::addColumn<float>("max");
  QTest::addColumn<int>("steps");
  constexpr int full = FloatProgressBar::kSteps;
  QTest::newRow("start") << 0.0F << 100.0F << 0;
  QTest::newRow("half") << 50.0F << 100.0F << full / 2;
  QTest::newRow("last record") << 49.0F << 50.0F << 9800;
  QTest::newRow("at max") << 50.0F << 50.0F << full;
  QTest::newRow("above max") << 60.0F << 50.0F << full;
  QTest::newRow("far above max") << 1e30F << 1.0F << full;
  QTest::newRow("fractional max") << 10.0F << 20.333F << 4918;
  QTest::newRow("zero max") << 1.0F << 0.0F << full;
  QTest::newRow("zero over zero") << 0.0F << 0.0F << 0;
  QTest::newRow("negative") << -5.0F << 100.0F << 0;
  QTest::newRow("nan value") << std::numeric_limits<float>::quiet_NaN() << 100.0F << 0;
}

void ServicesTest::barKeepsFloatsAndNeverOverflows() {
  QFETCH(float, value);
  QFETCH(float, max);
  QFETCH(int, steps);
  QCOMPARE(FloatProgressBar::stepsFor(value, max), steps);
}

void ServicesTest::barThroughServicesAcceptsValueAboveFractionalMax() {
  MainWindow window;
  auto* bar = window.findChild<FloatProgressBar*>("Bar1");
  QCOMPARE(bar->property("barMax").toFloat(), 100.0F);
  QCOMPARE(bar->property("barValue").toFloat(), 0.0F);
  {
    const QtServices::CommandScope scope(window.services());
    window.services().setBarMax(20.333F);
    window.services().setBarValue(30.0F);
  }
  QCOMPARE(bar->property("barMax").toFloat(), 20.333F);
  QCOMPARE(bar->property("barValue").toFloat(), 30.0F);
  QCOMPARE(bar->value(), bar->maximum());
  QCOMPARE(bar->minimum(), 0);
}

void ServicesTest::realMessageBoxButtons() {
  QtMessageBoxes boxes;
  whenModal([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    QVERIFY(box != nullptr);
    QCOMPARE(box->windowTitle(), QString("Quorix"));
    QCOMPARE(box->text(), QString::fromUtf8("覆盖吗？"));
    QCOMPARE(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    box->button(QMessageBox::Cancel)->click();
  });
  QCOMPARE(boxes.show(nullptr, QString::fromUtf8("覆盖吗？"), Buttons::OkCancel, "Quorix"), Answer::Cancel);

  whenModal([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    QVERIFY(box != nullptr);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QTest::keyClick(box, Qt::Key_Escape);
  });
  QCOMPARE(boxes.show(nullptr, "p", Buttons::Ok, "t"), Answer::Ok);
}

void ServicesTest::realFileDialogs() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString existing = dir.filePath("in.hex");
  {
    QFile f(existing);
    QVERIFY(f.open(QIODevice::WriteOnly));
  }
  const QString filter = QString::fromUtf8("Hex文件(*.hex)");
  QtFileDialogs dialogs;

  whenModal([&](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    QVERIFY(d != nullptr);
    QCOMPARE(d->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(d->nameFilters(), QStringList{filter});
    QCOMPARE(d->selectedFiles().value(0), existing);
    d->reject();
  });
  QCOMPARE(dialogs.open(nullptr, existing, filter), std::nullopt);

  whenModal([&](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    QVERIFY(d != nullptr);
    QMetaObject::invokeMethod(d, "accept");
  });
  QCOMPARE(dialogs.open(nullptr, existing, filter), std::optional<QString>(existing));

  // The save dialog never asks about overwriting: the save command does.
  whenModal([&](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    QVERIFY(d != nullptr);
    QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(d->testOption(QFileDialog::DontConfirmOverwrite));
    QMetaObject::invokeMethod(d, "accept");
  });
  QCOMPARE(dialogs.save(nullptr, existing, filter), std::optional<QString>(existing));
}

void ServicesTest::clipboardPlainText() {
  MainWindow window;
  QtServices& ui = window.services();
  ui.setClipboardText("3A 文 ");
  QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("3A 文 "));
  QCOMPARE(ui.clipboardText(), std::string("3A 文 "));
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::red);
  QGuiApplication::clipboard()->setImage(image);
  QCOMPARE(ui.clipboardText(), std::string());
  ui.setClipboardText("x");
  ui.clearClipboard();
  QCOMPARE(ui.clipboardText(), std::string());
}

QTEST_MAIN(ServicesTest)
#include "services_test.moc"
