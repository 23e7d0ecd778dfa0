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

#include "byte_checks.h"
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
  // The row is waiting for quiet, or catching up with the text in stretches.
  [[nodiscard]] bool busy() const { return timer_.isActive(); }
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
  // One stretch of the reading of the current text: true when places_ is current.
  bool readSlice(std::size_t chars);
  // Starts reading the current text, reusing the storage of the last one.
  void startReading();
  // Takes up to `limit` more characters of the text into UTF-8; true when it has all.
  bool convertSlice(int limit);
  // The selected cells, [first, end), of the current places.
  [[nodiscard]] std::pair<std::size_t, std::size_t> selectedCells() const;
  // One stretch of the checks of the selected cells: true when checked_ is theirs.
  bool checkSlice(std::size_t cells);
  // Reads the current text whole.
  void read();
  // One turn of the timer: a stretch of the reading or the checks, or the row.
  void step();
  void display();
  [[nodiscard]] QString describe() const;

  ByteTextField* field_;
  QLineEdit* startAddress_;
  QObject* viewport_ = nullptr;  // whose tooltips show cell addresses
  QTimer timer_;
  // The places of the text at `revision_` with the start address `start_`.
  bool read_ = false;
  std::uint64_t revision_ = 0;
  QString start_;
  TextPlaces places_;
  // The reading under way, of the text at `jobRevision_` with `jobStart_`:
  // first into UTF-8 up to field position `converted_`, then placed.
  bool reading_ = false;
  std::uint64_t jobRevision_ = 0;
  QString jobStart_;
  int converted_ = 0;
  std::string utf8_;
  CellPlaces placesStorage_;
  std::optional<TextPlacing> placing_;
  // After each character beyond ASCII: its end as a field position and as a
  // UTF-8 offset. Empty for ASCII text, byte text as a rule.
  std::vector<std::pair<int, std::size_t>> wide_;
  // The checks of the selected cells [checkFirst_, checkEnd_) of the text at
  // `checkRevision_`, summed up to cell `checked_`.
  std::uint64_t checkRevision_ = 0;
  std::size_t checkFirst_ = 0;
  std::size_t checkEnd_ = 0;
  std::size_t checked_ = 0;
  ByteChecks checks_;
};

}  // namespace quorix
