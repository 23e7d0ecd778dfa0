#include "binding/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace quorix {

namespace {

std::optional<QString> runFileDialog(QFileDialog& dialog, const QString& preset, const QString& nameFilter) {
  if (!nameFilter.isEmpty()) dialog.setNameFilter(nameFilter);
  if (!preset.isEmpty()) dialog.selectFile(preset);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

}  // namespace

std::optional<QString> QtFileDialogs::open(QWidget* parent, const QString& preset, const QString& nameFilter) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return runFileDialog(dialog, preset, nameFilter);
}

std::optional<QString> QtFileDialogs::save(QWidget* parent, const QString& preset, const QString& nameFilter) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The save command asks its own question before it overwrites a file.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return runFileDialog(dialog, preset, nameFilter);
}

Answer QtMessageBoxes::show(QWidget* parent, const QString& prompt, Buttons buttons, const QString& title) {
  const QMessageBox::StandardButtons shown = buttons == Buttons::OkCancel
                                                 ? QMessageBox::Ok | QMessageBox::Cancel
                                                 : QMessageBox::StandardButtons(QMessageBox::Ok);
  QMessageBox box(QMessageBox::NoIcon, title, prompt, shown, parent);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

}  // namespace quorix
