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

#include "about_box.h"
#include "binding/progress_bar.h"
#include "binding/qt_services.h"
#include "caption_field.h"
#include "checksum.h"
#include "clipboard.h"
#include "messages.h"
#include "reader.h"
#include "textfield/byte_text_field.h"
#include "twips.h"
#include "utf8.h"
#include "writer.h"

namespace quorix {

namespace {

// The client area below the menu bar, in twips.
constexpr int kClientWidth = 4710;
constexpr int kClientHeight = 4035;

// The first local file a drag carries.
std::optional<QString> droppedFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return std::nullopt;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) return url.toLocalFile();
  }
  return std::nullopt;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Quorix");
  setWindowTitle(toQString(kAppTitle) + toQString(kTitleContact));
  // A frame that can be resized and minimised, but not maximised.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

  const double dpi = twipsDpi(*this);

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  buildActions();
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
  const auto lineEdit = [&](const char* name, std::string_view text, Twips t) {
    auto* edit = new QLineEdit(toQString(text));
    place(edit, name, t);
    edit->setCursorPosition(0);
    return edit;
  };
  const auto button = [&](const char* name, const QString& caption, Twips t) {
    auto* b = new QPushButton(caption);
    place(b, name, t);
    // Enter presses the focused button, as Space does.
    b->setAutoDefault(true);
    return b;
  };
  // A button that runs a menu command: its caption and its click are the action's.
  const auto actionButton = [&](const char* name, QAction* action, Twips t) {
    auto* b = button(name, action->text(), t);
    connect(b, &QPushButton::clicked, action, &QAction::trigger);
    return b;
  };
  const auto commandButton = [&](const char* name, std::string_view caption, Twips t, void (MainWindow::*handler)()) {
    auto* b = button(name, toQString(caption), t);
    connect(b, &QPushButton::clicked, this, handler);
    return b;
  };

  // Created bottom first: each control lies above the ones made before it, so
  // Text1 covers the record checksum controls and Bar1 the last line of Text1.
  auto* text2 = lineEdit("Text2", kDefaultRecord, {120, 840, 4335, 270});
  auto* text3 = lineEdit("Text3", kDefaultChecksumText, {120, 1320, 4335, 270});
  auto* command1 = commandButton("Command1", kChecksumCaption, {480, 1800, 975, 375}, &MainWindow::checksum);

  // Wraps at its width, vertical scroll bar only, no length limit, Tab moves the focus on.
  text1_ = new ByteTextField;
  place(text1_, "Text1", {0, 360, 4695, 3135});
  text1_->setTabChangesFocus(true);
  text1_->setPlainText(toQString(kDefaultByteText));
  text1_->setAccessibleName(toQString(kByteTextName));

  auto* command2 = actionButton("Command2", openAction_, {0, 0, 1695, 255});
  auto* command3 = commandButton("Command3", kCutCaption, {1800, 0, 1335, 255}, &MainWindow::cut);
  auto* command4 = commandButton("Command4", kPasteCaption, {3240, 0, 1455, 255}, &MainWindow::paste);
  auto* command5 = actionButton("Command5", saveAction_, {0, 3720, 1695, 255});

  auto* bar1 = new FloatProgressBar;
  place(bar1, "Bar1", {0, 3480, 4695, 135});

  // The caption of Text5: an editable field in the menu colour that Tab passes by.
  auto* text4 = new CaptionField(toQString(kStartAddressCaption));
  place(text4, "Text4", {2760, 3720, 1335, 270});
  text4->setCursorPosition(0);
  text4->setFocusPolicy(Qt::ClickFocus);
  QPalette captionPalette = text4->palette();
  captionPalette.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
  text4->setPalette(captionPalette);

  auto* text5 = lineEdit("Text5", kDefaultStartAddress, {4080, 3680, 620, 300});
  text5->setToolTip(toQString(kStartAddressTip));
  text5->setAccessibleName(toQString(kStartAddressName));
  text2->setAccessibleName(toQString(kRecordName));
  text3->setAccessibleName(toQString(kChecksumName));

  // Bar1 takes no focus; Text4 is in the order but no tab stop.
  const std::array<QWidget*, 10> order{text1_,   text2,    text3,    command1, command2,
                                       command3, command4, command5, text4,    text5};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order.at(i), order.at(i + 1));

  services_ = std::make_unique<QtServices>(QtServices::Widgets{text1_, text2, text3, text5, bar1, this});
}

void MainWindow::buildActions() {
  const auto action = [this](const char* name, std::string_view caption, const QKeySequence& keys, auto handler) {
    auto* a = new QAction(toQString(caption), this);
    a->setObjectName(name);
    a->setShortcut(keys);
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  openAction_ = action("dkk", kOpenCaption, QKeySequence(Qt::CTRL | Qt::Key_O), &MainWindow::openWithDialog);
  saveAction_ = action("bcc", kSaveCaption, QKeySequence(Qt::CTRL | Qt::Key_S), &MainWindow::saveWithDialog);
  endAction_ = action("gbb", kEndCaption, QKeySequence(), &MainWindow::end);
  aboutAction_ = action("bzz", kAboutCaption, QKeySequence(), &MainWindow::about);
}

void MainWindow::buildMenu() {
  QMenu* wjj = menuBar()->addMenu(toQString(kFileMenuCaption));
  wjj->setObjectName("wjj");
  wjj->addAction(openAction_);
  wjj->addAction(saveAction_);
  wjj->addAction(endAction_);
  // An item of the menu bar itself: a click on it runs the command, no submenu opens.
  menuBar()->addAction(aboutAction_);
}

void MainWindow::run(void (*command)(WindowServices&)) {
  const QtServices::CommandScope scope(*services_);
  command(*services_);
}

void MainWindow::openWithDialog() {
  const QtServices::CommandScope scope(*services_, QtServices::NewText::ShowFromStart);
  openCommand(*services_);
}

void MainWindow::openPath(const QString& path) {
  const QtServices::CommandScope scope(*services_, QtServices::NewText::ShowFromStart);
  quorix::openFile(*services_, path.toStdString());
}

bool MainWindow::takeFileDrop(QDropEvent* e) {
  const std::optional<QString> file = droppedFile(e->mimeData());
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
void MainWindow::saveWithDialog() { run(&saveCommand); }
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
