#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <QUrl>
#include <array>
#include <optional>
#include <string>

#include "about_box.h"
#include "binding/qt_services.h"
#include "binding/utf8.h"
#include "caption_field.h"
#include "checksum.h"
#include "clipboard.h"
#include "input_file.h"
#include "messages.h"
#include "open_command.h"
#include "progress_bar.h"
#include "save_command.h"
#include "textfield/byte_text_field.h"
#include "twips.h"

namespace quorix {

namespace {

// The client area below the menu bar, in twips.
constexpr int kClientWidth = 4710;
constexpr int kClientHeight = 4035;

// After the title in the title bar: five blanks and a contact address.
constexpr const char* kTitleContact = "     quorix@example.org";

// The first local file a drag carries, as the system's bytes: taken from the
// raw URI list, since a name that is not UTF-8 does not survive QUrl.
std::optional<std::string> droppedFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return std::nullopt;
  for (const QByteArray& line : mime->data(QStringLiteral("text/uri-list")).split('\n')) {
    const QByteArray uri = line.trimmed();
    if (uri.isEmpty() || uri.startsWith('#')) continue;
    if (std::string path = pathFromArgument(uri.toStdString()); !path.empty() && uri.startsWith("file:")) return path;
  }
  return std::nullopt;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Quorix");
  setWindowTitle(toQString(kAppTitle) + QString::fromUtf8(kTitleContact));
  // A frame that can be resized and minimised, but not maximised.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

  const double dpi = twipsDpi(*this);

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  buildControls(client, dpi);
  buildMenu();
  resize(twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi) + menuBar()->sizeHint().height());

  services_->setFilter(kHexFileFilter);
  // The text the program starts with is no step the user could undo.
  text1_->clearHistory();
  text1_->setFocus();
  // A file dropped anywhere opens; the line edits would take its name as text.
  setAcceptDrops(true);
  for (auto* edit : findChildren<QLineEdit*>()) edit->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

AboutBox* MainWindow::aboutBox() const { return about_.data(); }

void MainWindow::buildControls(QWidget* client, double dpi) {
  const auto place = [client, dpi](QWidget* w, const char* name, Twips t) {
    w->setParent(client);
    w->setObjectName(name);
    w->setGeometry(twipsToPixels(t, dpi));
  };
  const auto lineEdit = [&](const char* name, const char* text, Twips t) {
    auto* edit = new QLineEdit(QString::fromUtf8(text));
    place(edit, name, t);
    edit->setCursorPosition(0);
    return edit;
  };
  const auto button = [&](const char* name, const char* caption, Twips t, void (MainWindow::*handler)()) {
    auto* b = new QPushButton(QString::fromUtf8(caption));
    place(b, name, t);
    // Enter presses the focused button, as Space does.
    b->setAutoDefault(true);
    connect(b, &QPushButton::clicked, this, handler);
    return b;
  };

  // Created bottom first: each control lies above the ones made before it, so
  // Text1 covers the record checksum controls and Bar1 the last line of Text1.
  auto* text2 = lineEdit("Text2", "02000004FFFF", {120, 840, 4335, 270});
  auto* text3 = lineEdit("Text3", "Text3", {120, 1320, 4335, 270});
  auto* command1 = button("Command1", "Command1", {480, 1800, 975, 375}, &MainWindow::checksum);

  // Wraps at its width, vertical scroll bar only, no length limit, Tab moves the focus on.
  text1_ = new ByteTextField;
  place(text1_, "Text1", {0, 360, 4695, 3135});
  text1_->setTabChangesFocus(true);
  text1_->setPlainText(toQString(kDefaultByteText));
  text1_->setAccessibleName(QString::fromUtf8("字节文本"));

  auto* command2 = button("Command2", "打开Hex文件...", {0, 0, 1695, 255}, &MainWindow::openFile);
  auto* command3 = button("Command3", "剪切到剪贴板", {1800, 0, 1335, 255}, &MainWindow::cut);
  auto* command4 = button("Command4", "粘贴", {3240, 0, 1455, 255}, &MainWindow::paste);
  auto* command5 = button("Command5", "保存为Hex文件...", {0, 3720, 1695, 255}, &MainWindow::saveFile);

  auto* bar1 = new FloatProgressBar;
  place(bar1, "Bar1", {0, 3480, 4695, 135});

  // The caption of Text5: an editable field in the menu colour that Tab passes by.
  auto* text4 = new CaptionField(QString::fromUtf8("起始单元地址："));
  place(text4, "Text4", {2760, 3720, 1335, 270});
  text4->setCursorPosition(0);
  text4->setFocusPolicy(Qt::ClickFocus);
  QPalette captionPalette = text4->palette();
  captionPalette.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
  text4->setPalette(captionPalette);

  auto* text5 = lineEdit("Text5", "0000", {4080, 3680, 620, 300});
  text5->setToolTip(
      QString::fromUtf8("在此输入Hex文件中数据的首地址，默认首地址为0000.\n"
                        "1到4位十六进制数写16位地址的Hex文件，5到8位（如08000000）写32位地址的Hex文件。"));
  text5->setAccessibleName(QString::fromUtf8("起始单元地址"));
  text2->setToolTip(toQString(kRecordToolTip));
  text2->setAccessibleName(QString::fromUtf8("记录"));
  text3->setAccessibleName(QString::fromUtf8("校验和"));

  // Bar1 takes no focus; Text4 is in the order but no tab stop.
  const std::array<QWidget*, 10> order{text1_,   text2,    text3,    command1, command2,
                                       command3, command4, command5, text4,    text5};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order.at(i), order.at(i + 1));

  services_ = std::make_unique<QtServices>(QtServices::Widgets{text1_, text2, text3, text5, bar1, this});
}

void MainWindow::buildMenu() {
  QMenu* wjj = menuBar()->addMenu(QString::fromUtf8("文件"));
  wjj->setObjectName("wjj");

  wjj->addAction(QString::fromUtf8("打开Hex文件..."), QKeySequence(Qt::CTRL | Qt::Key_O), this, &MainWindow::openFile)
      ->setObjectName("dkk");
  wjj->addAction(QString::fromUtf8("保存为Hex文件..."), QKeySequence(Qt::CTRL | Qt::Key_S), this, &MainWindow::saveFile)
      ->setObjectName("bcc");
  wjj->addAction(QString::fromUtf8("关闭"), this, &MainWindow::end)->setObjectName("gbb");

  // An item of the menu bar itself: a click on it runs the command, no submenu opens.
  menuBar()->addAction(QString::fromUtf8("帮助"), this, &MainWindow::about)->setObjectName("bzz");
}

void MainWindow::run(void (*command)(WindowServices&)) {
  const QtServices::CommandScope scope(*services_);
  command(*services_);
}

void MainWindow::openFile() {
  const QtServices::CommandScope scope(*services_, QtServices::NewText::ShowFromStart);
  openCommand(*services_);
}

void MainWindow::openPath(const std::string& path) {
  const QtServices::CommandScope scope(*services_, QtServices::NewText::ShowFromStart);
  quorix::openFile(*services_, path);
}

bool MainWindow::takeFileDrop(QDropEvent* e) {
  const std::optional<std::string> file = droppedFile(e->mimeData());
  if (!file) return false;
  e->setDropAction(Qt::CopyAction);
  e->accept();
  if (e->type() == QEvent::Drop) {
    // Read once the drop has finished: the reader may show message boxes,
    // which must not keep the program that the file came from waiting.
    QMetaObject::invokeMethod(
        this, [this, path = *file] { openPath(path); }, Qt::QueuedConnection);
  }
  return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
  if (!takeFileDrop(e)) QMainWindow::dragEnterEvent(e);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* e) {
  if (!takeFileDrop(e)) QMainWindow::dragMoveEvent(e);
}

void MainWindow::dropEvent(QDropEvent* e) {
  if (!takeFileDrop(e)) QMainWindow::dropEvent(e);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      if (takeFileDrop(static_cast<QDropEvent*>(e))) return true;
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, e);
}
void MainWindow::saveFile() { run(&saveCommand); }
void MainWindow::checksum() { run(&checksumCommand); }
void MainWindow::cut() { run(&cutCommand); }
void MainWindow::paste() { run(&pasteCommand); }

void MainWindow::about() {
  if (!about_) {
    // Without an owner: it stays open, and keeps the program running, when
    // the main window is closed.
    // The box deletes itself when closed, which clears the pointer.
    about_ = new AboutBox(nullptr);
  }
  about_->show();
  about_->raise();
  about_->activateWindow();
}

void MainWindow::end() {
  QApplication::closeAllWindows();
  QCoreApplication::exit(0);
}

}  // namespace quorix
