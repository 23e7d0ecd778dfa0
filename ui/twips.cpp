#include "twips.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace quorix {

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr double kLowestDpi = 96.0;
}  // namespace

int twipsToPixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch)); }

QRect twipsToPixels(Twips rect, double dpi) {
  return {twipsToPixels(rect.left, dpi), twipsToPixels(rect.top, dpi), twipsToPixels(rect.width, dpi),
          twipsToPixels(rect.height, dpi)};
}

double twipsDpi(const QWidget& widget) { return std::max(kLowestDpi, widget.screen()->logicalDotsPerInchY()); }

}  // namespace quorix
