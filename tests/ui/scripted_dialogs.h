// Dialogs and message boxes that answer from a script and record what they
// were shown, so the window's commands run without a human.
#pragma once

#include <QString>
#include <QWidget>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "binding/dialogs.h"
#include "binding/qt_services.h"
#include "main_window.h"
#include "textfield/byte_text_field.h"

namespace quorix::testing {

// What Text1's widget showed when a dialog or box came up: the binding must
// have handed over everything collected before.
inline QString shownText1(QWidget* window) {
  const auto* edit = window != nullptr ? window->findChild<ByteTextField*>("Text1") : nullptr;
  return edit != nullptr ? edit->toPlainText() : QString();
}

class ScriptedFileDialogs final : public FileDialogs {
 public:
  struct Shown {
    bool save;
    QString preset;
    QString nameFilter;
    QString text1;
  };
  std::deque<std::optional<QString>> answers;  // an empty queue cancels
  std::vector<Shown> shown;

  std::optional<QString> open(QWidget* parent, const QString& preset, const QString& nameFilter) override {
    return answer(false, parent, preset, nameFilter);
  }
  std::optional<QString> save(QWidget* parent, const QString& preset, const QString& nameFilter) override {
    return answer(true, parent, preset, nameFilter);
  }

 private:
  std::optional<QString> answer(bool save, QWidget* parent, const QString& preset, const QString& nameFilter) {
    shown.push_back({save, preset, nameFilter, shownText1(parent)});
    if (answers.empty()) return std::nullopt;
    // A path answers; an empty optional cancels.
    const bool cancels = !answers.front().has_value();
    QString path = cancels ? QString() : *answers.front();
    answers.pop_front();
    if (cancels) return std::nullopt;
    return path;
  }
};

class RecordingMessageBoxes final : public MessageBoxes {
 public:
  struct Shown {
    QString prompt;
    Buttons buttons;
    QString title;
    QString text1;
  };
  std::deque<Answer> answers;  // an empty queue answers OK
  std::vector<Shown> shown;

  Answer show(QWidget* parent, const QString& prompt, Buttons buttons, const QString& title) override {
    shown.push_back({prompt, buttons, title, shownText1(parent)});
    if (answers.empty()) return Answer::Ok;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
};

// Installs scripted dialogs into a window; the window owns them, the returned
// pointers stay valid as long as it lives.
struct Scripted {
  ScriptedFileDialogs* dialogs;
  RecordingMessageBoxes* boxes;
};

inline Scripted script(MainWindow& window) {
  auto dialogs = std::make_unique<ScriptedFileDialogs>();
  auto boxes = std::make_unique<RecordingMessageBoxes>();
  const Scripted s{dialogs.get(), boxes.get()};
  window.services().setFileDialogs(std::move(dialogs));
  window.services().setMessageBoxes(std::move(boxes));
  return s;
}

}  // namespace quorix::testing
