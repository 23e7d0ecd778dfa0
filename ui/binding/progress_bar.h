// The progress bar Bar1: a maximum and a value as floating-point numbers over
// a fixed integer scale, so that fractional maxima work and a value above the
// maximum simply shows a full bar.
#pragma once

#include <QElapsedTimer>
#include <QProgressBar>

namespace quorix {

class FloatProgressBar : public QProgressBar {
  Q_OBJECT
  Q_PROPERTY(float barMax READ barMax)
  Q_PROPERTY(float barValue READ barValue)

 public:
  // Steps of the widget's own integer range; finer than any bar is wide.
  static constexpr int kSteps = 10000;

  explicit FloatProgressBar(QWidget* parent = nullptr);

  [[nodiscard]] float barMax() const noexcept { return max_; }
  [[nodiscard]] float barValue() const noexcept { return value_; }

  // Both are remembered exactly. The widget follows at most a few dozen times a
  // second, so that a read of many thousand records is not spent repainting.
  void setBarMax(float max);
  void setBarValue(float value);

  // Brings the widget up to date now (at the end of every command).
  void sync();

  // Where on the widget's scale a value stands; 0 and kSteps at the ends.
  [[nodiscard]] static int stepsFor(float value, float max) noexcept;

 private:
  void follow();

  float max_ = 100;
  float value_ = 0;
  QElapsedTimer sinceShown_;
};

}  // namespace quorix
