// The main window Quorix: the byte text field, the buttons and menu that run
// the commands, and the covered record checksum controls.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;

#include "services.h"

namespace quorix {

class AboutBox;
class ByteTextField;
class QtServices;

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
  void saveWithDialog();
  void checksum();
  void cut();
  void paste();
  void about();
  static void end();
  // Reads the file at `path` as the open command reads the file its dialog
  // chose, for a file named on the command line or dropped on the window.
  void openPath(const QString& path);

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildActions();
  void buildControls(QWidget* client, double dpi);
  void buildMenu();
  void run(void (*command)(WindowServices&));
  // Takes a drag or drop that carries a local file; false leaves the event alone.
  bool takeFileDrop(QDropEvent* e);

  // One action per menu command; the buttons of the same command trigger it.
  QAction* openAction_ = nullptr;
  QAction* saveAction_ = nullptr;
  QAction* endAction_ = nullptr;
  QAction* aboutAction_ = nullptr;
  ByteTextField* text1_ = nullptr;
  std::unique_ptr<QtServices> services_;
  QPointer<AboutBox> about_;
};

}  // namespace quorix
