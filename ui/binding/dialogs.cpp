#include "binding/dialogs.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

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

void fitTitle(QMessageBox& box) {
  // Room for the frame's icon and buttons beside the title, which the box's
  // own size, taken from its text alone, does not leave.
  constexpr int kFrameAllowance = 160;
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kFrameAllowance * box.logicalDpiX() / 96;
  // A QMessageBox sets its own size; a spacer in its grid is what it keeps.
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                grid->columnCount());
}

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
  fitTitle(box);
  return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

}  // namespace quorix
