#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace quorix {

namespace {

std::optional<QString> runFileDialog(QFileDialog& dialog, const QString& preset, const QStringList& nameFilters) {
  if (!nameFilters.isEmpty()) dialog.setNameFilters(nameFilters);
  if (!preset.isEmpty()) dialog.selectFile(preset);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

}  // namespace

std::optional<QString> QtFileDialogs::open(QWidget* parent, const QString& preset, const QStringList& nameFilters) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return runFileDialog(dialog, preset, nameFilters);
}

std::optional<QString> QtFileDialogs::save(QWidget* parent, const QString& preset, const QStringList& nameFilters) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The save command asks its own question before it overwrites a file.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return runFileDialog(dialog, preset, nameFilters);
}

Answer QtMessageBoxes::show(QWidget* parent, const QString& prompt, Buttons buttons, const QString& title) {
  const QMessageBox::StandardButtons shown = buttons == Buttons::OkCancel
                                                 ? QMessageBox::Ok | QMessageBox::Cancel
                                                 : QMessageBox::StandardButtons(QMessageBox::Ok);
  QMessageBox box(QMessageBox::NoIcon, title, prompt, shown, parent);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

QStringList toQtNameFilters(std::string_view filter) {
  const QStringList parts = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts.at(i);
    QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns) p = p.trimmed();
    const QString joined = patterns.join(u' ');
    const QString tail = u'(' + joined + u')';
    filters.append(description.endsWith(tail) ? description : description + QStringLiteral(" (") + joined + u')');
  }
  return filters;
}

}  // namespace quorix
