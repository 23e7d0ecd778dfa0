// The main window Quorix: the byte text field, the buttons and menu that run
// the commands, and the covered record checksum controls.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

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

  // The commands, as the menu items and buttons run them.
  void openFile();
  void saveFile();
  void checksum();
  void cut();
  void paste();
  void about();
  static void end();

 private:
  void buildControls(QWidget* client, double dpi);
  void buildMenu();
  void run(void (*command)(WindowServices&));

  ByteTextField* text1_ = nullptr;
  std::unique_ptr<QtServices> services_;
  QPointer<AboutBox> about_;
};

}  // namespace quorix
