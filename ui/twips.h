// The windows' layouts are drawn in twips; this turns them into pixels.
#pragma once

#include <QRect>

class QWidget;

namespace quorix {

// A twip is 1/1440 inch at the screen's logical resolution, never taken below
// 96 dpi: 15 twips to the pixel at 96 dpi, fewer when the desktop is set to a
// larger font resolution. Device-pixel scaling on top is Qt's own. Lengths
// round to the nearest pixel.
[[nodiscard]] int twipsToPixels(int twips, double dpi);

struct Twips {
  int left;
  int top;
  int width;
  int height;
};
[[nodiscard]] QRect twipsToPixels(Twips rect, double dpi);

// The resolution twips are taken at on the screen `widget` shows on.
[[nodiscard]] double twipsDpi(const QWidget& widget);

}  // namespace quorix
