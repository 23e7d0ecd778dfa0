#include "binding/dialogs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QSpacerItem>

namespace quorix {

namespace {

// The file dialog's size, type and date columns in Chinese, whatever the
// system's locale: Qt's file system model formats sizes and dates with the
// system locale, and its type names come untranslated.
class ChineseColumns final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override {
    enum Column { kSize = 1, kType = 2, kDate = 3 };
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr || index.column() < kSize || index.column() > kDate) {
      return QIdentityProxyModel::data(index, role);
    }
    const QFileInfo info = files->fileInfo(mapToSource(index));
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    switch (index.column()) {
      case kSize:
        return info.isDir() ? QString() : chinese.formattedDataSize(info.size());
      case kDate:
        return chinese.toString(info.lastModified(), QLocale::ShortFormat);
      default:
        return typeName(info, QIdentityProxyModel::data(index, role).toString());
    }
  }

 private:
  // The words Qt's translation holds for the dialog; "hex File" becomes "hex 文件".
  static QString typeName(const QFileInfo& info, const QString& shown) {
    const auto word = [](const char* english) { return QCoreApplication::translate("QFileDialog", english); };
    if (info.isDir()) return word(info.isRoot() ? "Drive" : "Folder");
    if (info.suffix().isEmpty()) return word("File");
    if (shown.endsWith(QLatin1StringView(" File"))) return info.suffix() + QLatin1Char(' ') + word("File");
    return shown;
  }
};

std::optional<QString> runFileDialog(QFileDialog& dialog, const QString& preset, const QString& nameFilter) {
  // Qt's own dialog, in Chinese as the rest of the program; a desktop's would
  // speak the desktop's language.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setProxyModel(new ChineseColumns(&dialog));
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
