#include "binding/progress_bar.h"

#include <cmath>

namespace quorix {

namespace {
// Time between two updates of the widget during a command, in milliseconds.
constexpr qint64 kFollowInterval = 40;
}  // namespace

FloatProgressBar::FloatProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, kSteps);
  setValue(0);
  setTextVisible(false);
}

int FloatProgressBar::stepsFor(float value, float max) noexcept {
  if (!(value > 0) || std::isnan(max)) return 0;
  if (!(max > 0) || value >= max) return kSteps;
  return static_cast<int>(std::lround(static_cast<double>(value) / static_cast<double>(max) * kSteps));
}

void FloatProgressBar::setBarMax(float max) {
  max_ = max;
  follow();
}

void FloatProgressBar::setBarValue(float value) {
  value_ = value;
  follow();
}

void FloatProgressBar::follow() {
  if (sinceShown_.isValid() && sinceShown_.elapsed() < kFollowInterval) return;
  sync();
}

void FloatProgressBar::sync() {
  // QProgressBar repaints at once when its value moves by a pixel or more,
  // which is what makes the bar move while a command holds the event loop.
  setValue(stepsFor(value_, max_));
  sinceShown_.start();
}

}  // namespace quorix
