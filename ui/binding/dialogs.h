// The modal dialogs the services show: file dialogs and message boxes, each
// behind a small interface so that tests can answer them without a human.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

#include "services.h"

class QMessageBox;
class QWidget;

namespace quorix {

class FileDialogs {
 public:
  FileDialogs() = default;
  Q_DISABLE_COPY_MOVE(FileDialogs)
  virtual ~FileDialogs() = default;

  // The chosen full path, or nothing when the user cancelled. `preset` is the
  // file name the dialog starts with (may be empty); `nameFilter` a Qt name
  // filter ("Hex文件(*.hex)").
  [[nodiscard]] virtual std::optional<QString> open(QWidget* parent, const QString& preset,
                                                    const QString& nameFilter) = 0;
  // As open; the dialog never asks about overwriting, its caller does.
  [[nodiscard]] virtual std::optional<QString> save(QWidget* parent, const QString& preset,
                                                    const QString& nameFilter) = 0;
};

class QtFileDialogs final : public FileDialogs {
 public:
  [[nodiscard]] std::optional<QString> open(QWidget* parent, const QString& preset, const QString& nameFilter) override;
  [[nodiscard]] std::optional<QString> save(QWidget* parent, const QString& preset, const QString& nameFilter) override;
};

// Widens a message box so that the window manager shows its whole title.
void fitTitle(QMessageBox& box);

class MessageBoxes {
 public:
  MessageBoxes() = default;
  Q_DISABLE_COPY_MOVE(MessageBoxes)
  virtual ~MessageBoxes() = default;

  virtual Answer show(QWidget* parent, const QString& prompt, Buttons buttons, const QString& title) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
 public:
  Answer show(QWidget* parent, const QString& prompt, Buttons buttons, const QString& title) override;
};

}  // namespace quorix
