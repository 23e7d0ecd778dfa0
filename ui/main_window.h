// The main window Quorix: the byte text field, the buttons and menu that run
// the commands, and the covered record checksum controls.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "services.h"

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;

namespace quorix {

class AboutBox;
class FloatProgressBar;
class QtServices;
class Text1Access;

// Pixels for a length in twips (1/1440 inch) at `dpi` logical dots per inch.
[[nodiscard]] int twipsToPixels(int twips, double dpi);

// The text of the title bar: the program's name, five blanks, a contact address.
inline constexpr const char* kWindowTitle = "Quorix     quorix@example.org";

class Quorix : public QMainWindow {
  Q_OBJECT

 public:
  explicit Quorix(QWidget* parent = nullptr);
  ~Quorix() override;
  Quorix(const Quorix&) = delete;
  Quorix& operator=(const Quorix&) = delete;
  Quorix(Quorix&&) = delete;
  Quorix& operator=(Quorix&&) = delete;

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
  void load();
  void run(void (*command)(WindowServices&));

  std::unique_ptr<Text1Access> text1_;
  std::unique_ptr<QtServices> services_;
  QPointer<AboutBox> about_;
};

}  // namespace quorix
