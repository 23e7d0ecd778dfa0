// The modal dialogs the services show: file dialogs and message boxes, each
// behind a small interface so that tests can answer them without a human.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>

#include "services.h"

class QWidget;

namespace quorix {

class FileDialogs {
 public:
  FileDialogs() = default;
  FileDialogs(const FileDialogs&) = delete;
  FileDialogs& operator=(const FileDialogs&) = delete;
  FileDialogs(FileDialogs&&) = delete;
  FileDialogs& operator=(FileDialogs&&) = delete;
  virtual ~FileDialogs() = default;

  // The chosen full path, or nothing when the user cancelled. `preset` is the
  // file name the dialog starts with (may be empty).
  [[nodiscard]] virtual std::optional<QString> open(QWidget* parent, const QString& preset,
                                                    const QStringList& nameFilters) = 0;
  // As open; the dialog never asks about overwriting, its caller does.
  [[nodiscard]] virtual std::optional<QString> save(QWidget* parent, const QString& preset,
                                                    const QStringList& nameFilters) = 0;
};

class QtFileDialogs final : public FileDialogs {
 public:
  [[nodiscard]] std::optional<QString> open(QWidget* parent, const QString& preset,
                                            const QStringList& nameFilters) override;
  [[nodiscard]] std::optional<QString> save(QWidget* parent, const QString& preset,
                                            const QStringList& nameFilters) override;
};

class MessageBoxes {
 public:
  MessageBoxes() = default;
  MessageBoxes(const MessageBoxes&) = delete;
  MessageBoxes& operator=(const MessageBoxes&) = delete;
  MessageBoxes(MessageBoxes&&) = delete;
  MessageBoxes& operator=(MessageBoxes&&) = delete;
  virtual ~MessageBoxes() = default;

  virtual Answer show(QWidget* parent, const QString& prompt, Buttons buttons, const QString& title) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
 public:
  Answer show(QWidget* parent, const QString& prompt, Buttons buttons, const QString& title) override;
};

// Qt name filters for a filter of description|pattern pairs
// ("Hex文件(*.hex)|*.hex"). A description that already ends with its pattern
// in parentheses is kept as it is; patterns separated by ';' are joined by blanks.
[[nodiscard]] QStringList toQtNameFilters(std::string_view filter);

}  // namespace quorix
