#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "about_box.h"
#include "binding/dialogs.h"
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

// The width of a line edit that shows `text` whole, as QLineEdit measures its own.
int lineEditWidthFor(const QLineEdit& edit, const QString& text) {
  constexpr int kTextMargin = 2;  // QLineEdit's own, on either side of the text
  constexpr int kCaret = 1;
  QStyleOptionFrame frame;
  frame.initFrom(&edit);
  frame.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, &edit);
  const QMargins margins = edit.textMargins();
  const int inner =
      edit.fontMetrics().horizontalAdvance(text) + 2 * kTextMargin + kCaret + margins.left() + margins.right();
  return edit.style()->sizeFromContents(QStyle::CT_LineEdit, &frame, QSize(inner, edit.height()), &edit).width();
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
  savedRevision_ = shownRevision_ = text1Revision();
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
  // Wide enough for the eight digits of a 32-bit address, its right edge kept:
  // Text4 moves left with it, into the gap after the save button.
  const int widen = std::max(0, lineEditWidthFor(*text5, QStringLiteral("DDDDDDDD")) - text5->width());
  text5->setGeometry(text5->geometry().adjusted(-widen, 0, 0, 0));
  text4->move(text4->x() - widen, text4->y());
  text5->setToolTip(toQString(kStartAddressTip));
  text5->setAccessibleName(toQString(kStartAddressName));
  text2->setAccessibleName(toQString(kRecordName));
  text3->setAccessibleName(toQString(kChecksumName));

  // Bar1 takes no focus; Text4 is in the order but no tab stop.
  const std::array<QWidget*, 10> order{text1_,   text2,    text3,    command1, command2,
                                       command3, command4, command5, text4,    text5};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order.at(i), order.at(i + 1));

  text2_ = text2;
  text3_ = text3;
  text5_ = text5;
  services_ = std::make_unique<QtServices>(QtServices::Widgets{text1_, text2, text3, text5, bar1, this});
  connect(text1_, &ByteTextField::textChanged, this, &MainWindow::followText1);
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

  // Acts on the covered record fields and the start address where they have
  // the focus, else on the byte text: a click on a button leaves the focus there.
  QMenu* edit = menuBar()->addMenu(toQString(kEditMenuCaption));
  edit->setObjectName("edit");
  const auto editAction = [&](const char* name, std::string_view caption, const QKeySequence& keys,
                              void (QLineEdit::*onLine)(), void (ByteTextField::*onText1)()) {
    QAction* a = edit->addAction(toQString(caption));
    a->setObjectName(name);
    a->setShortcut(keys);
    connect(a, &QAction::triggered, this, [this, onLine, onText1] {
      if (QLineEdit* line = focusedRecordOrAddress()) {
        (line->*onLine)();
      } else {
        text1_->setFocus();
        (text1_->*onText1)();
      }
    });
  };
  editAction("undo", kUndoCaption, QKeySequence(Qt::CTRL | Qt::Key_Z), &QLineEdit::undo, &ByteTextField::undo);
  editAction("redo", kRedoCaption, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &QLineEdit::redo,
             &ByteTextField::redo);
  editAction("selectAll", kSelectAllCaption, QKeySequence(Qt::CTRL | Qt::Key_A), &QLineEdit::selectAll,
             &ByteTextField::selectAll);

  // An item of the menu bar itself: a click on it runs the command, no submenu opens.
  menuBar()->addAction(aboutAction_);
}

QLineEdit* MainWindow::focusedRecordOrAddress() const {
  QWidget* focused = focusWidget();
  for (QLineEdit* line : {text2_, text3_, text5_}) {
    if (focused == line) return line;
  }
  return nullptr;
}

std::uint64_t MainWindow::text1Revision() const { return text1_->document().revision(); }

bool MainWindow::isText1Modified() const { return text1Revision() != savedRevision_; }

void MainWindow::followText1() {
  const std::uint64_t now = text1Revision();
  const QString address = text5_->text();
  for (const OpenStep& open : opens_) {
    const bool undone = shownRevision_ == open.after && now == open.before && address == open.addressAfter;
    const bool redone = shownRevision_ == open.before && now == open.after && address == open.addressBefore;
    if (undone || redone) {
      text5_->setText(undone ? open.addressBefore : open.addressAfter);
      text5_->setCursorPosition(0);
      break;
    }
  }
  shownRevision_ = now;
}

void MainWindow::runOpen(const std::function<void()>& open) {
  const std::uint64_t before = text1Revision();
  const QString addressBefore = text5_->text();
  {
    const QtServices::CommandScope scope(*services_, QtServices::NewText::ShowFromStart);
    open();
  }
  const std::uint64_t after = text1Revision();
  if (after == before) return;  // cancelled, or the file was not read
  savedRevision_ = after;
  if (text5_->text() == addressBefore) return;
  // Enough for any undoing a user does by hand; the oldest go first.
  constexpr std::size_t kOpensKept = 64;
  if (opens_.size() == kOpensKept) opens_.erase(opens_.begin());
  opens_.push_back({before, after, addressBefore, text5_->text()});
}

bool MainWindow::mayDiscardText1() {
  if (!isText1Modified()) return true;
  QMessageBox box(QMessageBox::NoIcon, toQString(kAppTitle), toQString(kUnsavedPrompt), QMessageBox::NoButton, this);
  QPushButton* save = box.addButton(toQString(kSaveAnswer), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(toQString(kDiscardAnswer), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(toQString(kCancelAnswer), QMessageBox::RejectRole);
  save->setObjectName("save");
  discard->setObjectName("discard");
  cancel->setObjectName("cancel");
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  fitTitle(box);
  box.exec();
  if (box.clickedButton() == discard) return true;
  if (box.clickedButton() == save) return saveWithDialog();
  return false;
}

void MainWindow::closeEvent(QCloseEvent* e) {
  // End asked already.
  if (!std::exchange(closeConfirmed_, false) && !mayDiscardText1()) {
    e->ignore();
    return;
  }
  e->accept();
}

void MainWindow::run(void (*command)(WindowServices&)) {
  const QtServices::CommandScope scope(*services_);
  command(*services_);
}

void MainWindow::openWithDialog() {
  runOpen([this] { openCommand(*services_); });
}

void MainWindow::openPath(const QString& path) {
  // At start the window may not be placed yet: its messages would stand where
  // it was before the window manager moved it.
  QWindow* handle = windowHandle();
  if (handle != nullptr && isVisible() && !handle->isExposed()) {
    pathWhenShown_ = path;
    handle->installEventFilter(this);
    return;
  }
  runOpen([this, &path] { quorix::openFile(*services_, path.toStdString()); });
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
  if (watched == windowHandle() && e->type() == QEvent::Expose && windowHandle()->isExposed() &&
      !pathWhenShown_.isEmpty()) {
    windowHandle()->removeEventFilter(this);
    QMetaObject::invokeMethod(
        this, [this, path = std::exchange(pathWhenShown_, QString())] { openPath(path); }, Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, e);
  }
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
bool MainWindow::saveWithDialog() {
  const QtServices::Tally before = services_->tally();
  run(&saveCommand);
  const QtServices::Tally after = services_->tally();
  // Saved as a whole: a file was put in place and no message said otherwise.
  const bool saved = after.committedFiles > before.committedFiles && after.notices == before.notices;
  if (saved) savedRevision_ = text1Revision();
  return saved;
}
void MainWindow::checksum() { run(&checksumCommand); }
void MainWindow::cut() {
  run(&cutCommand);
  savedRevision_ = text1Revision();
}

void MainWindow::paste() {
  run(&pasteCommand);
  savedRevision_ = text1Revision();
}

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
  if (!mayDiscardText1()) return;
  closeConfirmed_ = true;
  QApplication::closeAllWindows();
  QCoreApplication::exit(0);
}

}  // namespace quorix
