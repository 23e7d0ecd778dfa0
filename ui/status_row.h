// The row below the window's controls that says where the caret is in the
// image: the address the save would give the cell at the caret and the
// cell's number, or the count, addresses and checks of the selected bytes,
// or the save's refusal, which a click on the row goes to. It follows the
// byte text after each change, on a timer restarted by the next change, so
// that typing never waits for it; a large text is taken in slices, with the
// window's events in between.
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
  [[nodiscard]] bool isCurrent() const;
  // Takes up to `limit` more characters of the text; true when it has all.
  bool convertSlice(int limit);
  // Reads the text taken.
  void place();
  // Reads the current text whole.
  void read();
  // One turn of the timer: a slice, or the reading and the row.
  void step();
  void display();
  [[nodiscard]] QString describe();

  ByteTextField* field_;
  QLineEdit* startAddress_;
  QObject* viewport_ = nullptr;  // whose tooltips show cell addresses
  QTimer timer_;
  bool read_ = false;
  std::uint64_t revision_ = 0;
  QString start_;
  TextPlaces places_;
  // The text being taken, up to field position `converted_`.
  bool converting_ = false;
  std::uint64_t convertingRevision_ = 0;
  int converted_ = 0;
  std::string utf8_;
  std::vector<char16_t> chunk_;
  // After each character beyond ASCII: its end as a field position and as a
  // UTF-8 offset. Empty for ASCII text, byte text as a rule.
  std::vector<std::pair<int, std::size_t>> wide_;
};

}  // namespace quorix
