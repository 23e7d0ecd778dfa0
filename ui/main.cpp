#include <QApplication>
#include <string>
#include <utility>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "application.h"
#include "input_file.h"
#include "main_window.h"
#include "messages.h"
#include "program_icon.h"

namespace {

// Qt aborts when its X11 platform cannot open the display, so the program
// tries the same connection first and says so in one line. A platform chosen
// otherwise (offscreen for the tests, Wayland) is left to Qt.
bool displayUsable(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (const std::string_view arg = argv[i]; arg == "-platform" || arg == "--platform") return true;
  }
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const std::string_view chosen = platform != nullptr ? platform : "";
  if (!chosen.empty() && chosen != "xcb" && !chosen.starts_with("xcb:")) return true;
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool usable = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return usable || (chosen.empty() && std::getenv("WAYLAND_DISPLAY") != nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (!displayUsable(argc, argv)) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(quorix::kNoDisplayMessage.size()),
                 quorix::kNoDisplayMessage.data());
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("quorix");
  QGuiApplication::setDesktopFileName("quorix");
  QApplication::setWindowIcon(quorix::programIcon());
  quorix::installToolkitTranslation();

  quorix::MainWindow window;
  window.show();
  // `quorix FILE` reads the file once the window is up, as the open command
  // would. The name is taken as the system gave it (QApplication has removed
  // its own options), so that a name which is not UTF-8 still opens.
  if (std::string file = argc > 1 ? quorix::pathFromArgument(argv[1]) : std::string(); !file.empty()) {
    QMetaObject::invokeMethod(
        &window, [&window, file = std::move(file)] { window.openPath(file); }, Qt::QueuedConnection);
  }
  return QApplication::exec();
}
