#include "about_box.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QFontInfo>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRect>
#include <QString>

#include "messages.h"
#include "twips.h"
#include "utf8.h"

namespace quorix {

namespace {

const QString kTitleFontFamily = QStringLiteral("隶书");
constexpr int kTitleFontPoints = 12;
constexpr int kIconSide = 32;

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QColor& colour, const QRect& rect) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, colour);
  label->setPalette(pal);
  label->setGeometry(rect);
  return label;
}

// The layout was drawn for a compact platform font; where the default font sets lines further
// apart, the usage notes would lose their last line under the notice. Step the label's font down
// just far enough for its text to fit, never below a size that stays readable.
void shrinkToFit(QLabel* label) {
  constexpr double kStep = 0.5;
  constexpr double kSmallest = 7.0;
  QFont font = label->font();
  double points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
  while (label->heightForWidth(label->width()) > label->height() && points - kStep >= kSmallest) {
    points -= kStep;
    font.setPointSizeF(points);
    label->setFont(font);
  }
}

// "隶书" ships with other desktops only; map it once, process-wide, onto the closest brush-style
// face that may be installed, and at last onto a plain CJK face that covers GB2312.
void registerTitleFontSubstitutes() {
  if (QFont::substitutes(kTitleFontFamily).isEmpty()) {
    QFont::insertSubstitutions(kTitleFontFamily, AboutBox::titleFontFamilies());
  }
}

}  // namespace

QStringList AboutBox::titleFontFamilies() {
  return {QStringLiteral("LiSu"),
          QStringLiteral("STLiti"),
          QStringLiteral("AR PL UKai CN"),
          QStringLiteral("AR PL KaitiM GB"),
          QStringLiteral("Noto Serif CJK SC"),
          QStringLiteral("WenQuanYi Micro Hei"),
          QStringLiteral("Noto Sans CJK SC")};
}

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmAbout"));
  setAttribute(Qt::WA_DeleteOnClose);
  setSizeGripEnabled(false);
  const double dpi = twipsDpi(*this);
  setFixedSize(twipsToPixels(4260, dpi), twipsToPixels(3360, dpi));

  const QIcon programIcon = QApplication::windowIcon();
  setWindowIcon(programIcon);

  // Created bottom of the stack first: a later sibling lies above an earlier one, and cmdOK must
  // lie above the title and version labels it overlaps so that it keeps its clicks.
  lblDisclaimer_ = makeLabel(this, "lblDisclaimer", toQString(kAboutDisclaimerCaption), QColor(128, 128, 255),
                             twipsToPixels({120, 2280, 3975, 975}, dpi));
  lblVersion_ = makeLabel(this, "lblVersion", toQString(kAboutVersion), QColor(0, 128, 128),
                          twipsToPixels({1080, 480, 2445, 225}, dpi));
  lblTitle_ = makeLabel(this, "lblTitle", toQString(kAppTitle), QColor(255, 128, 255),
                        twipsToPixels({1080, 120, 2445, 345}, dpi));
  registerTitleFontSubstitutes();
  QFont titleFont(kTitleFontFamily, kTitleFontPoints, QFont::Bold);
  lblTitle_->setFont(titleFont);
  lblDescription_ = makeLabel(this, "lblDescription", toQString(kAboutDescriptionCaption), QColor(128, 128, 128),
                              twipsToPixels({120, 960, 4005, 1290}, dpi));

  cmdOK_ = new QPushButton(toQString(kAboutOk), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdOK_->setGeometry(twipsToPixels({3000, 240, 900, 345}, dpi));
  cmdOK_->setDefault(true);
  // Enter presses the default button; Esc and the frame's close button reject the dialog. All of
  // them end in done(), which closes the box and, with WA_DeleteOnClose, frees it.
  connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);

  picIcon_ = new QLabel(this);
  picIcon_->setObjectName(QStringLiteral("picIcon"));
  picIcon_->setAlignment(Qt::AlignCenter);
  picIcon_->setGeometry(twipsToPixels({120, 120, 540, 540}, dpi));
  if (!programIcon.isNull()) {
    picIcon_->setPixmap(programIcon.pixmap(QSize(kIconSide, kIconSide), devicePixelRatioF()));
  }

  // Only cmdOK takes the focus, but the chain keeps the box's order for anything that walks it.
  QWidget::setTabOrder(cmdOK_, picIcon_);
  QWidget::setTabOrder(picIcon_, lblDescription_);
  QWidget::setTabOrder(lblDescription_, lblDisclaimer_);
  QWidget::setTabOrder(lblDisclaimer_, lblTitle_);
  QWidget::setTabOrder(lblTitle_, lblVersion_);
  cmdOK_->setFocus();

  load();
}

void AboutBox::load() {
  setWindowTitle(toQString(kAboutTitlePrefix) + toQString(kAppTitle));
  lblDescription_->setText(toQString(kAboutDescription));
  lblDisclaimer_->setText(toQString(kAboutDisclaimer));
  shrinkToFit(lblDescription_);
  shrinkToFit(lblDisclaimer_);
}

}  // namespace quorix
