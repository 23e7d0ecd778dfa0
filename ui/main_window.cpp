#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <array>
#include <cmath>

#include "about_box.h"
#include "checksum.h"
#include "clipboard.h"
#include "hex.h"
#include "messages.h"
#include "progress_bar.h"
#include "qt_services.h"
#include "reader.h"
#include "text1_access.h"
#include "writer.h"

namespace quorix {

namespace {

// The client area below the menu bar, in twips.
constexpr int kClientWidth = 4710;
constexpr int kClientHeight = 4035;

struct Twips {
  int left;
  int top;
  int width;
  int height;
};

QString utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

int twipsToPixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

Quorix::Quorix(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Quorix");
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  // A frame that can be resized and minimised, but not maximised.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

  // Twips are physical: 15 to the pixel at 96 dpi, fewer on a screen set to a
  // higher font resolution; device-pixel scaling on top is Qt's own.
  const double dpi = std::max(96.0, screen()->logicalDotsPerInchY());

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  buildControls(client, dpi);
  buildMenu();
  resize(twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi) + menuBar()->sizeHint().height());

  load();
}

Quorix::~Quorix() = default;

AboutBox* Quorix::aboutBox() const { return about_.data(); }

void Quorix::buildControls(QWidget* client, double dpi) {
  const auto place = [client, dpi](QWidget* w, const char* name, Twips t) {
    w->setParent(client);
    w->setObjectName(name);
    w->setGeometry(twipsToPixels(t.left, dpi), twipsToPixels(t.top, dpi), twipsToPixels(t.width, dpi),
                   twipsToPixels(t.height, dpi));
  };
  const auto lineEdit = [&](const char* name, const char* text, Twips t) {
    auto* edit = new QLineEdit(QString::fromUtf8(text));
    place(edit, name, t);
    edit->setCursorPosition(0);
    return edit;
  };
  const auto button = [&](const char* name, const char* caption, Twips t, void (Quorix::*handler)()) {
    auto* b = new QPushButton(QString::fromUtf8(caption));
    place(b, name, t);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, handler);
    return b;
  };

  // Created bottom first: each control lies above the ones made before it, so
  // Text1 covers the record checksum controls and Bar1 the last line of Text1.
  auto* text2 = lineEdit("Text2", "02000004FFFF", {120, 840, 4335, 270});
  auto* text3 = lineEdit("Text3", "Text3", {120, 1320, 4335, 270});
  auto* command1 = button("Command1", "Command1", {480, 1800, 975, 375}, &Quorix::checksum);

  text1_ = std::make_unique<ByteTextText1>(client);
  QWidget* text1 = text1_->widget();
  place(text1, "Text1", {0, 360, 4695, 3135});
  text1_->setText(utf8(kDefaultByteText), Text1Access::Caret::Start);

  auto* command2 = button("Command2", "打开Hex文件...", {0, 0, 1695, 255}, &Quorix::openFile);
  auto* command3 = button("Command3", "剪切到剪贴板", {1800, 0, 1335, 255}, &Quorix::cut);
  auto* command4 = button("Command4", "粘贴", {3240, 0, 1455, 255}, &Quorix::paste);
  auto* command5 = button("Command5", "保存为Hex文件...", {0, 3720, 1695, 255}, &Quorix::saveFile);

  auto* bar1 = new FloatProgressBar;
  place(bar1, "Bar1", {0, 3480, 4695, 135});

  // The caption of Text5: an editable field in the menu colour that Tab passes by.
  auto* text4 = lineEdit("Text4", "起始单元地址：", {2760, 3720, 1335, 270});
  text4->setFocusPolicy(Qt::ClickFocus);
  QPalette captionPalette = text4->palette();
  captionPalette.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
  text4->setPalette(captionPalette);

  auto* text5 = lineEdit("Text5", "0000", {4080, 3680, 620, 300});
  text5->setToolTip(QString::fromUtf8("在此输入Hex文件中数据的首地址，默认首地址为0000."));

  // Bar1 takes no focus; Text4 is in the order but no tab stop.
  const std::array<QWidget*, 10> order{text1,    text2,    text3,    command1, command2,
                                       command3, command4, command5, text4,    text5};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order.at(i), order.at(i + 1));

  services_ = std::make_unique<QtServices>(QtServices::Widgets{text1_.get(), text2, text3, text5, bar1, this});
}

void Quorix::buildMenu() {
  QMenu* wjj = menuBar()->addMenu(QString::fromUtf8("文件"));
  wjj->setObjectName("wjj");

  QAction* dkk = wjj->addAction(QString::fromUtf8("打开Hex文件..."));
  connect(dkk, &QAction::triggered, this, &Quorix::openFile);
  dkk->setObjectName("dkk");
  dkk->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));

  QAction* bcc = wjj->addAction(QString::fromUtf8("保存为Hex文件..."));
  connect(bcc, &QAction::triggered, this, &Quorix::saveFile);
  bcc->setObjectName("bcc");
  bcc->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));

  QAction* gbb = wjj->addAction(QString::fromUtf8("关闭"));
  connect(gbb, &QAction::triggered, this, &Quorix::end);
  gbb->setObjectName("gbb");

  // An item of the menu bar itself: a click on it runs the command, no submenu opens.
  QAction* bzz = menuBar()->addAction(QString::fromUtf8("帮助"));
  bzz->setObjectName("bzz");
  connect(bzz, &QAction::triggered, this, &Quorix::about);
}

void Quorix::load() {
  services_->setFilter(kHexFileFilter);
  text1_->widget()->setFocus();
}

void Quorix::run(void (*command)(WindowServices&)) {
  const QtServices::CommandScope scope(*services_);
  command(*services_);
}

void Quorix::openFile() { run(&openCommand); }
void Quorix::saveFile() { run(&saveCommand); }
void Quorix::checksum() { run(&checksumCommand); }
void Quorix::cut() { run(&cutCommand); }
void Quorix::paste() { run(&pasteCommand); }

void Quorix::about() {
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

void Quorix::end() {
  QApplication::closeAllWindows();
  QCoreApplication::exit(0);
}

}  // namespace quorix
