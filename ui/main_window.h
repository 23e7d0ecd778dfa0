// The main window Quorix: the byte text field, the buttons and menu that run
// the commands, and the covered record checksum controls.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QLineEdit;
class QPushButton;

#include "services.h"

namespace quorix {

class AboutBox;
class ByteTextField;
class FloatProgressBar;
class QtServices;
class StatusRow;
struct TextPlaces;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;
  Q_DISABLE_COPY_MOVE(MainWindow)

  // The binding the commands run against; tests replace its dialogs.
  [[nodiscard]] QtServices& services() const { return *services_; }
  // The about box while one is open.
  [[nodiscard]] AboutBox* aboutBox() const;

  // The commands, as the menu items and buttons run them. The open and the
  // save command ask for their file in a dialog.
  void openWithDialog();
  // True when the text was saved whole (the close question goes by it).
  bool saveWithDialog();
  void checksum();
  void cut();
  void paste();
  void about();
  // Ends the program, after the question about unsaved byte text.
  void end();
  // Reads the file at `path` as the open command reads the file its dialog
  // chose, for a file named on the command line or dropped on the window.
  void openPath(const std::string& path);
  // Selects the next run of the bytes `what` stands for (see findPattern),
  // from the caret on and once round; the byte text takes the focus.
  void find(const QString& what);
  // The last find again, or the find dialog when there was none.
  void findNext();
  // Puts the caret before the cell the save would write at `address`.
  void goTo(const QString& address);

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void buildActions();
  void buildControls(QWidget* client, double dpi);
  void buildMenu();
  void run(void (*command)(WindowServices&));
  // Takes a drag or drop that carries a local file; false leaves the event alone.
  bool takeFileDrop(QDropEvent* e);
  // Runs an open; an open that replaced the byte text is remembered with the
  // start address before and after it, so that undo and redo take both.
  void runOpen(const std::function<void()>& open);
  // Puts back the start address of an open that undo or redo just crossed.
  void followText1();
  [[nodiscard]] std::uint64_t text1Revision() const;
  // The byte text differs from what the last open, save, cut or paste left.
  [[nodiscard]] bool isText1Modified() const;
  // Asks before unsaved byte text is lost; false keeps the window open.
  bool mayDiscardText1();
  [[nodiscard]] QLineEdit* focusedRecordOrAddress() const;
  enum class EditStep { Undo, Redo, SelectAll };
  // The edit menu's steps, on the focused record or address field, else on the byte text.
  void editFocused(EditStep step);
  void askFind();
  // Asks for a line of text under `label`; nothing when cancelled.
  std::optional<QString> askLine(std::string_view caption, std::string_view label, const QString& preset);
  // Shows the byte text's `cell`, selected through `endCell` when given.
  void showCell(std::size_t cell, std::optional<std::size_t> endCell = std::nullopt);
  // The places of the byte text for a find or go to; nothing, after the save's
  // refusal of the text is shown, when it would refuse it.
  const TextPlaces* placedText();
  // Places the controls for the client's size and font, and sets the least size.
  void layoutControls();
  [[nodiscard]] QRect drawn(const QWidget* control) const;

  // One action per menu command; the buttons of the same command trigger it.
  QAction* openAction_ = nullptr;
  QAction* saveAction_ = nullptr;
  QAction* endAction_ = nullptr;
  QAction* aboutAction_ = nullptr;
  ByteTextField* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* text3_ = nullptr;
  QLineEdit* text4_ = nullptr;
  QLineEdit* text5_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QPushButton* command3_ = nullptr;
  QPushButton* command4_ = nullptr;
  QPushButton* command5_ = nullptr;
  FloatProgressBar* bar1_ = nullptr;
  StatusRow* status_ = nullptr;
  QString lastFind_;
  // Every control's rectangle as drawn, in pixels, and the client's size.
  std::vector<std::pair<QWidget*, QRect>> drawn_;
  QSize drawnClient_;

  struct OpenStep {
    std::uint64_t before;
    std::uint64_t after;
    QString addressBefore;
    QString addressAfter;
  };
  std::vector<OpenStep> opens_;
  std::uint64_t shownRevision_ = 0;  // of the text followText1 last saw
  std::uint64_t savedRevision_ = 0;
  bool closeConfirmed_ = false;
  std::optional<std::string> pathWhenShown_;
  std::unique_ptr<QtServices> services_;
  QPointer<AboutBox> about_;
};

}  // namespace quorix
