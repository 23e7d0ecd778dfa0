#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QWindow>
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "about_box.h"
#include "binding/dialogs.h"
#include "binding/progress_bar.h"
#include "binding/qt_services.h"
#include "caption_field.h"
#include "checksum.h"
#include "clipboard.h"
#include "hex.h"
#include "input_file.h"
#include "messages.h"
#include "open_command.h"
#include "save_command.h"
#include "status_row.h"
#include "text_places.h"
#include "textfield/byte_text_field.h"
#include "twips.h"
#include "utf8.h"

namespace quorix {

namespace {

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

// The client area and the controls as drawn, in twips.
constexpr Twips kClient{0, 0, 4710, 4035};
constexpr Twips kText5{4080, 3680, 620, 300};
constexpr Twips kText4{2760, 3720, 1335, 270};
constexpr Twips kBar1{0, 3480, 4695, 135};
constexpr Twips kCommand5{0, 3720, 1695, 255};
constexpr Twips kCommand4{3240, 0, 1455, 255};
constexpr Twips kCommand3{1800, 0, 1335, 255};
constexpr Twips kCommand2{0, 0, 1695, 255};
constexpr Twips kText1{0, 360, 4695, 3135};
constexpr Twips kCommand1{480, 1800, 975, 375};
constexpr Twips kText3{120, 1320, 4335, 270};
constexpr Twips kText2{120, 840, 4335, 270};

// The least room between the save button and the caption of Text5.
constexpr int kBottomRowGap = 8;

// The size of a line edit that shows `text` whole (its ink, a caret behind it):
// QLineEdit's own margins inside the frame, without the style's padding.
QSize lineEditSizeFor(const QLineEdit& edit, const QString& text) {
  constexpr int kTextMargin = 2;  // QLineEdit's own, on either side of the text
  constexpr int kCaret = 1;
  QStyleOptionFrame option;
  option.initFrom(&edit);
  const int frame = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
  const QMargins margins = edit.textMargins();
  const QFontMetrics fm = edit.fontMetrics();
  const int ink = std::max(fm.boundingRect(text).right() + 1, 0);
  return {ink + 2 * (kTextMargin + frame) + kCaret + margins.left() + margins.right(),
          fm.height() + 2 * frame + margins.top() + margins.bottom()};
}

// The size of a push button that shows its caption whole.
QSize buttonSizeFor(const QPushButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  const QFontMetrics fm = button.fontMetrics();
  const int frame = button.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &button);
  const int width = button.style()
                        ->sizeFromContents(QStyle::CT_PushButton, &option,
                                           QSize(fm.horizontalAdvance(button.text()), fm.height()), &button)
                        .width();
  return {width, fm.height() + 2 * frame};
}

// `drawn` grown to at least `needed`, its top left corner kept.
QRect grown(const QRect& drawn, QSize needed) { return {drawn.topLeft(), drawn.size().expandedTo(needed)}; }

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Quorix");
  setWindowTitle(toQString(kAppTitle) + toQString(kTitleContact));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

  const double dpi = twipsDpi(*this);
  drawnClient_ = twipsToPixels(kClient, dpi).size();

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  buildActions();
  buildControls(client, dpi);
  buildMenu();
  client->installEventFilter(this);
  // The default size is the smallest, which the font may make larger than drawn.
  layoutControls();
  resize(client->minimumSize().width(), client->minimumSize().height() + menuBar()->sizeHint().height());

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
  const auto place = [this, client, dpi](QWidget* w, const char* name, Twips t) {
    w->setParent(client);
    w->setObjectName(name);
    w->setGeometry(twipsToPixels(t, dpi));
    drawn_.emplace_back(w, w->geometry());
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
  auto* text2 = lineEdit("Text2", kDefaultRecord, kText2);
  auto* text3 = lineEdit("Text3", kDefaultChecksumText, kText3);
  auto* command1 = commandButton("Command1", kChecksumCaption, kCommand1, &MainWindow::checksum);

  // Wraps at its width, vertical scroll bar only, no length limit, Tab moves the focus on.
  text1_ = new ByteTextField;
  place(text1_, "Text1", kText1);
  text1_->setTabChangesFocus(true);
  text1_->setPlainText(toQString(kDefaultByteText));
  text1_->setAccessibleName(toQString(kByteTextName));

  auto* command2 = actionButton("Command2", openAction_, kCommand2);
  auto* command3 = commandButton("Command3", kCutCaption, kCommand3, &MainWindow::cut);
  auto* command4 = commandButton("Command4", kPasteCaption, kCommand4, &MainWindow::paste);
  auto* command5 = actionButton("Command5", saveAction_, kCommand5);

  auto* bar1 = new FloatProgressBar;
  place(bar1, "Bar1", kBar1);

  // The caption of Text5: an editable field in the menu colour that Tab passes by.
  auto* text4 = new CaptionField(toQString(kStartAddressCaption));
  place(text4, "Text4", kText4);
  text4->setCursorPosition(0);
  text4->setFocusPolicy(Qt::ClickFocus);
  QPalette captionPalette = text4->palette();
  captionPalette.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
  text4->setPalette(captionPalette);

  auto* text5 = lineEdit("Text5", kDefaultStartAddress, kText5);
  text5->setToolTip(toQString(kStartAddressTip));
  text5->setAccessibleName(toQString(kStartAddressName));
  text2->setAccessibleName(toQString(kRecordName));
  text3->setAccessibleName(toQString(kChecksumName));
  text2->setToolTip(toQString(kRecordToolTip));

  // Bar1 takes no focus; Text4 is in the order but no tab stop.
  const std::array<QWidget*, 10> order{text1_,   text2,    text3,    command1, command2,
                                       command3, command4, command5, text4,    text5};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order.at(i), order.at(i + 1));

  text2_ = text2;
  text3_ = text3;
  text4_ = text4;
  text5_ = text5;
  command1_ = command1;
  command2_ = command2;
  command3_ = command3;
  command4_ = command4;
  command5_ = command5;
  bar1_ = bar1;
  // Below everything drawn: the window grows by its height.
  status_ = new StatusRow(text1_, text5, client);
  status_->setObjectName("Status");
  status_->setContentsMargins(4, 1, 4, 1);
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
  const auto editAction = [&](const char* name, std::string_view caption, const QKeySequence& keys, EditStep step) {
    QAction* a = edit->addAction(toQString(caption));
    a->setObjectName(name);
    a->setShortcut(keys);
    connect(a, &QAction::triggered, this, [this, step] { editFocused(step); });
  };
  editAction("undo", kUndoCaption, QKeySequence(Qt::CTRL | Qt::Key_Z), EditStep::Undo);
  editAction("redo", kRedoCaption, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), EditStep::Redo);
  editAction("selectAll", kSelectAllCaption, QKeySequence(Qt::CTRL | Qt::Key_A), EditStep::SelectAll);
  // These act on the byte text wherever the focus is.
  edit->addSeparator();
  const auto textAction = [&](const char* name, std::string_view caption, const QKeySequence& keys, auto handler) {
    QAction* a = edit->addAction(toQString(caption));
    a->setObjectName(name);
    a->setShortcut(keys);
    connect(a, &QAction::triggered, this, handler);
  };
  textAction("find", kFindCaption, QKeySequence(Qt::CTRL | Qt::Key_F), &MainWindow::askFind);
  textAction("findNext", kFindNextCaption, QKeySequence(Qt::Key_F3), &MainWindow::findNext);
  textAction("goTo", kGoToCaption, QKeySequence(Qt::CTRL | Qt::Key_G), [this] {
    if (const std::optional<QString> address = askLine(kGoToCaption, kGoToLabel, QString())) goTo(*address);
  });

  // An item of the menu bar itself: a click on it runs the command, no submenu opens.
  menuBar()->addAction(aboutAction_);
}

void MainWindow::editFocused(EditStep step) {
  QLineEdit* line = focusedRecordOrAddress();
  if (line == nullptr) text1_->setFocus();
  switch (step) {
    case EditStep::Undo:
      line != nullptr ? line->undo() : text1_->undo();
      break;
    case EditStep::Redo:
      line != nullptr ? line->redo() : text1_->redo();
      break;
    case EditStep::SelectAll:
      line != nullptr ? line->selectAll() : text1_->selectAll();
      break;
  }
}

std::optional<QString> MainWindow::askLine(std::string_view caption, std::string_view label, const QString& preset) {
  QInputDialog dialog(this);
  dialog.setObjectName("askLine");
  dialog.setWindowTitle(toQString(caption));
  dialog.setLabelText(toQString(label));
  dialog.setTextValue(preset);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

void MainWindow::showCell(std::size_t cell, std::optional<std::size_t> endCell) {
  const TextPlaces& places = status_->places();
  const int at = status_->toFieldPosition(places.placeOf(cell));
  if (endCell) {
    text1_->setSelection(at, status_->toFieldPosition(places.placeOf(*endCell) + 2));
  } else {
    text1_->setCursorPosition(at);
  }
  text1_->ensureCursorVisible();
  text1_->setFocus();
  status_->refresh();
}

const TextPlaces* MainWindow::placedText() {
  const TextPlaces& places = status_->places();
  if (!places.refusal) return &places;
  (void)services_->messageBox(*places.refusal, Buttons::Ok, std::nullopt);
  return nullptr;
}

void MainWindow::find(const QString& what) {
  lastFind_ = what;
  const std::optional<std::string> bytes = findPattern(what.toStdString());
  if (!bytes) {
    (void)services_->messageBox(kBadFindPrompt, Buttons::Ok, std::nullopt);
    return;
  }
  const TextPlaces* const placed = placedText();
  if (placed == nullptr) return;
  const TextPlaces& places = *placed;
  const std::size_t from = places.cellsIn(status_->toTextOffset(text1_->cursorPosition()), SIZE_MAX).first;
  const std::optional<std::size_t> cell = places.find(*bytes, from);
  if (!cell) {
    (void)services_->messageBox(notFoundPrompt(what.toStdString()), Buttons::Ok, std::nullopt);
    return;
  }
  showCell(*cell, *cell + bytes->size() - 1);
}

void MainWindow::askFind() {
  if (const std::optional<QString> what = askLine(kFindCaption, kFindLabel, lastFind_)) find(*what);
}

void MainWindow::findNext() {
  if (lastFind_.isEmpty()) {
    askFind();
  } else {
    find(lastFind_);
  }
}

void MainWindow::goTo(const QString& address) {
  const std::optional<std::uint64_t> value = goToAddress(address.toStdString());
  if (!value) {
    (void)services_->messageBox(kBadGoToPrompt, Buttons::Ok, std::nullopt);
    return;
  }
  const TextPlaces* const placed = placedText();
  if (placed == nullptr) return;
  const TextPlaces& places = *placed;
  const std::optional<std::size_t> cell = places.cellOfAddress(*value);
  if (!cell) {
    (void)services_->messageBox(addressNotInTextPrompt(addressText(*value, true)), Buttons::Ok, std::nullopt);
    return;
  }
  showCell(*cell);
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

void MainWindow::changeEvent(QEvent* e) {
  // Once the children have taken the new font too.
  if (e->type() == QEvent::FontChange)
    QMetaObject::invokeMethod(this, &MainWindow::layoutControls, Qt::QueuedConnection);
  QMainWindow::changeEvent(e);
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

void MainWindow::openPath(const std::string& path) {
  // At start the window may not be placed yet: its messages would stand where
  // it was before the window manager moved it.
  QWindow* handle = windowHandle();
  if (handle != nullptr && isVisible() && !handle->isExposed()) {
    pathWhenShown_ = path;
    handle->installEventFilter(this);
    return;
  }
  runOpen([this, &path] { quorix::openFile(*services_, path); });
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

QRect MainWindow::drawn(const QWidget* control) const {
  for (const auto& [widget, rect] : drawn_) {
    if (widget == control) return rect;
  }
  return {};
}

// The controls as drawn, with two rules for a window of another size or a
// larger font. The byte text field takes whatever the window gives: the top
// row stays at the top, the bar and the bottom row keep their distance to
// the bottom edge, Text5 and its caption to the right edge, and the covered
// record controls their offsets inside the field. A control whose caption
// would be clipped grows to its font's measure, and what lies beyond it in
// its row moves along.
void MainWindow::layoutControls() {
  // The status row takes the bottom of the client; the rest is laid out above it as drawn.
  const int statusHeight =
      status_->fontMetrics().height() + status_->contentsMargins().top() + status_->contentsMargins().bottom();
  const QSize client = centralWidget()->size() - QSize(0, statusHeight);
  status_->setGeometry(0, client.height(), client.width(), statusHeight);
  const QRect drawnText1 = drawn(text1_);
  const int rightGap = drawnClient_.width() - drawn(text5_).right();  // to the client's right edge
  const auto fromBottom = [&](const QRect& d, int height) {
    return drawnClient_.height() - (d.y() + d.height()) + height;  // distance of the top to the bottom
  };

  // The top row, left to right, each button after its predecessor's drawn gap.
  int topGrowth = 0;
  int topRight = 0;
  QRect previousDrawn;
  for (QPushButton* b : {command2_, command3_, command4_}) {
    const QRect d = drawn(b);
    QRect r = grown(d, buttonSizeFor(*b));
    if (b != command2_) r.moveLeft(topRight + 1 + (d.left() - previousDrawn.right() - 1));
    b->setGeometry(r);
    topGrowth = std::max(topGrowth, r.height() - d.height());
    topRight = r.right();
    previousDrawn = d;
  }

  // The bottom row: the save button on the left; Text5 and its caption on the right.
  const QRect save = grown(drawn(command5_), buttonSizeFor(*command5_));
  const QRect address = grown(drawn(text5_), lineEditSizeFor(*text5_, QStringLiteral("DDDDDDDD")));
  const QRect caption = grown(drawn(text4_), lineEditSizeFor(*text4_, text4_->text()));
  const int bottomGrowth =
      std::max({save.height() - drawn(command5_).height(), address.height() - drawn(text5_).height(),
                caption.height() - drawn(text4_).height()});
  const auto placeBottom = [&](QWidget* w, QRect r, const QRect& d) {
    r.moveTop(client.height() - fromBottom(d, r.height()));
    w->setGeometry(r);
  };
  placeBottom(command5_, save, drawn(command5_));
  QRect a = address;
  a.moveRight(client.width() - rightGap);
  placeBottom(text5_, a, drawn(text5_));
  // The caption's right edge stands to Text5's left edge as drawn.
  QRect c = caption;
  c.moveRight(a.left() + (drawn(text4_).right() - drawn(text5_).left()));
  placeBottom(text4_, c, drawn(text4_));

  // The bar above the bottom row, the field between the top row and the bar,
  // both as wide as the window.
  const QRect drawnBar = drawn(bar1_);
  const int stretch = client.width() - drawnClient_.width();
  QRect bar(drawnBar.left(), 0, drawnBar.width() + stretch, drawnBar.height());
  bar.moveTop(client.height() - fromBottom(drawnBar, drawnBar.height()) - bottomGrowth);
  bar1_->setGeometry(bar);
  const int overlap = drawnText1.bottom() - drawnBar.top();
  const QRect field(drawnText1.left(), drawnText1.top() + topGrowth, drawnText1.width() + stretch,
                    bar.top() + overlap + 1 - (drawnText1.top() + topGrowth));
  text1_->setGeometry(field);
  for (QWidget* covered : std::initializer_list<QWidget*>{text2_, text3_, command1_}) {
    covered->setGeometry(drawn(covered).translated(field.topLeft() - drawnText1.topLeft()));
  }

  // The smallest client that keeps all of it: the drawn size, or larger.
  const int bottomRowWidth = save.right() + 1 + kBottomRowGap + (a.left() - c.left()) + a.width() + rightGap;
  const int topRowWidth = topRight + 1 + (drawnClient_.width() - drawn(command4_).right() - 1);
  const QSize least(std::max({drawnClient_.width(), bottomRowWidth, topRowWidth}),
                    drawnClient_.height() + topGrowth + bottomGrowth + statusHeight);
  if (centralWidget()->minimumSize() != least) centralWidget()->setMinimumSize(least);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == centralWidget() && e->type() == QEvent::Resize) layoutControls();
  if (watched == windowHandle() && e->type() == QEvent::Expose && windowHandle()->isExposed() && pathWhenShown_) {
    windowHandle()->removeEventFilter(this);
    QMetaObject::invokeMethod(
        this, [this, path = *std::exchange(pathWhenShown_, std::nullopt)] { openPath(path); }, Qt::QueuedConnection);
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
