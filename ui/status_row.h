// The row below the window's controls that says where the caret is in the
// image: the address the save would give the cell at the caret and the
// cell's number, or the count, addresses and checks of the selected bytes,
// or the save's refusal, which a click on the row goes to. It follows the
// byte text after each change, on a timer restarted by the next change, so
// that typing never waits for it.
#pragma once

#include <QLabel>
#include <QString>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text_places.h"

class QLineEdit;

namespace quorix {

class ByteTextField;

class StatusRow : public QLabel {
  Q_OBJECT

 public:
  // Follows `field`, placed with the start address in `startAddress`.
  StatusRow(ByteTextField* field, QLineEdit* startAddress, QWidget* parent = nullptr);

  // Brings the row up to date at once.
  void refresh();
  // The places of the current text, read again first when it changed.
  [[nodiscard]] const TextPlaces& places();
  // Field positions and UTF-8 offsets of the current text, one into the other.
  [[nodiscard]] std::size_t toTextOffset(int position) const;
  [[nodiscard]] int toFieldPosition(std::size_t offset) const;
  // The address of the cell at field position `position`, when it stands on a cell.
  [[nodiscard]] std::optional<std::string> addressAt(int position);

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void schedule();
  void read();
  [[nodiscard]] QString describe();

  ByteTextField* field_;
  QLineEdit* startAddress_;
  QTimer timer_;
  bool read_ = false;
  std::uint64_t revision_ = 0;
  QString start_;
  TextPlaces places_;
  // After each character beyond ASCII: its end as a field position and as a
  // UTF-8 offset. Empty for ASCII text, byte text as a rule.
  std::vector<std::pair<int, std::size_t>> wide_;
};

}  // namespace quorix
