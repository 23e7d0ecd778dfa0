#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>

#include "binding/qt_files.h"
#include "fake_services.h"
#include "file_faults.h"
#include "open_command.h"
#include "save_command.h"

namespace quorix {
namespace {

// The save command with the real file layer and a scripted window.
class DiskServices : public testing::FakeServices {
 public:
  FileContents readFile(const std::string& path) override { return files::readFile(path); }
  std::optional<std::uintmax_t> fileLength(const std::string& path) override { return files::fileLength(path); }
  std::unique_ptr<LineWriter> replaceFile(const std::string& path) override {
    std::string reason;
    return files::replaceFile(path, reason);
  }
  std::string replaceRefusal(const std::string& path) override { return files::replaceRefusal(path); }
};

std::unique_ptr<LineWriter> startFile(const std::string& path) {
  std::string reason;
  return files::replaceFile(path, reason);
}

}  // namespace

class FilesTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> tmp_;

  [[nodiscard]] const QTemporaryDir& dir() const { return *tmp_; }

  [[nodiscard]] std::string path(const QString& name) const { return dir().filePath(name).toStdString(); }

  void put(const QString& name, const QByteArray& bytes) const {
    QFile file(dir().filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
  }

  [[nodiscard]] QByteArray contents(const QString& name) const {
    QFile file(dir().filePath(name));
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll();
  }

  // Names in `sub` of the temporary directory, to find left-over temporary files.
  [[nodiscard]] QStringList entries(const QString& sub = ".") const {
    return QDir(dir().filePath(sub)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
  }

 private slots:
  // A fresh directory for every test.
  void init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
  }
  void cleanup() {
    testing::removeFault(tmp_->path().toStdString());
    tmp_.reset();
  }

  // Names are the system's bytes: UTF-8 folders, and a name that is no UTF-8.
  void namesAreBytes() {
    QVERIFY(QDir(dir().path()).mkpath(QStringLiteral("程序/输出")));
    const std::string target = path(QStringLiteral("程序/输出")) + "/caf\xE9.hex";
    {
      auto writer = startFile(target);
      QVERIFY(writer);
      QVERIFY(writer->writeLine(":00000001FF"));
      QVERIFY(writer->commit());
    }
    QCOMPARE(files::readFile(target).bytes, std::string(":00000001FF\r\n"));
    QCOMPARE(files::fileLength(target), std::optional<std::uintmax_t>(13));
  }

  void newFileAppearsOnlyOnCommit() {
    const std::string target = path("new.hex");
    auto writer = startFile(target);
    QVERIFY(writer);
    QVERIFY(writer->writeLine(":0100000001FE"));
    QVERIFY(writer->writeLine(""));
    QVERIFY(writer->writeLine(":00000001FF"));
    QVERIFY(!QFileInfo::exists(dir().filePath("new.hex")));
    QVERIFY(writer->commit());
    QCOMPARE(contents("new.hex"), QByteArray(":0100000001FE\r\n\r\n:00000001FF\r\n"));
    writer.reset();
    QCOMPARE(entries(), QStringList{"new.hex"});
  }

  void oldFileStaysUntilCommit() {
    put("a.hex", "old contents");
    auto writer = startFile(path("a.hex"));
    QVERIFY(writer);
    QVERIFY(writer->writeLine(":00000001FF"));
    QCOMPARE(contents("a.hex"), QByteArray("old contents"));
    QVERIFY(writer->commit());
    QCOMPARE(contents("a.hex"), QByteArray(":00000001FF\r\n"));
  }

  void droppedWriterLeavesEverythingAsItWas() {
    put("a.hex", "old contents");
    {
      auto writer = startFile(path("a.hex"));
      QVERIFY(writer);
      QVERIFY(writer->writeLine(":00000001FF"));
      auto fresh = startFile(path("b.hex"));
      QVERIFY(fresh);
      QVERIFY(fresh->writeLine(":00000001FF"));
    }
    QCOMPARE(contents("a.hex"), QByteArray("old contents"));
    QCOMPARE(entries(), QStringList{"a.hex"});
  }

  void failedCommitLeavesTheTarget() {
    // The target turns into a directory while the file is written; the
    // rename over it fails, and the directory keeps what it holds.
    put("a.hex", "old");
    auto writer = startFile(path("a.hex"));
    QVERIFY(writer);
    QVERIFY(writer->writeLine(":00000001FF"));
    QVERIFY(QFile::remove(dir().filePath("a.hex")));
    QVERIFY(QDir(dir().path()).mkdir("a.hex"));
    put("a.hex/keep", "kept");
    QVERIFY(!writer->commit());
    QCOMPARE(writer->failure(), std::string(kTargetIsFolderReason));
    writer.reset();
    QCOMPARE(contents("a.hex/keep"), QByteArray("kept"));
    QCOMPARE(entries(), QStringList{"a.hex"});
  }

  void saveCommandWritesRealFiles() {
    QVERIFY(QDir(dir().path()).mkdir(QStringLiteral("输出")));
    const std::string chosen = path(QStringLiteral("输出/程序"));
    DiskServices ui;
    ui.saveAnswers.push_back({DialogOutcome::Chosen, chosen});
    saveCommand(ui);
    QVERIFY(ui.messages.empty());
    const QByteArray expected(":100000000102030405060708090A0B0C0D0E0F1068\r\n:0400100011121314A2\r\n:00000001FF\r\n");
    QCOMPARE(contents(QStringLiteral("输出/程序.hex")), expected);

    // Saving again asks first; Cancel keeps the file, and so does a failure.
    ui.fields[Field::Text1] = "01 02 03 ";
    ui.saveAnswers = {{DialogOutcome::Chosen, chosen + ".hex"}, {DialogOutcome::Cancelled, ""}};
    ui.messageAnswers = {Answer::Cancel};
    saveCommand(ui);
    QCOMPARE(ui.messages.size(), std::size_t{1});
    QCOMPARE(contents(QStringLiteral("输出/程序.hex")), expected);

    ui.saveAnswers = {{DialogOutcome::Chosen, chosen + ".hex"}};
    saveCommand(ui);
    QCOMPARE(contents(QStringLiteral("输出/程序.hex")), QByteArray(":03000000010203F7\r\n:00000001FF\r\n"));
    QCOMPARE(entries(QStringLiteral("输出")), QStringList{QStringLiteral("程序.hex")});
  }

  // Each fault through the open and save commands on the real file layer; as
  // root, then again as an ordinary user.
  void readFaults() {
    const std::filesystem::path dir = path("f");
    for (const testing::FileFault& fault : testing::kReadFaults) {
      DiskServices ui;
      openFile(ui, testing::makeFault(fault, dir).string());
      const std::string_view reason = fault.expected();
      QCOMPARE(ui.messages.size(), std::size_t{reason.empty() ? 0U : 1U});
      QCOMPARE(reason.empty() ? ui.fields[Field::Text1] : ui.messages[0].prompt,
               reason.empty() ? std::string(testing::kFaultText) : withReason(kReadFailedPrompt, reason));
      testing::removeFault(dir);
    }
    if (geteuid() == 0) QVERIFY(testing::passesAsNobody("readFaults saveFaults"));
  }

  void saveFaults() {
    const std::filesystem::path dir = path("f");
    for (const testing::FileFault& fault : testing::kSaveFaults) {
      const std::filesystem::path target = testing::makeFault(fault, dir);
      const std::string_view reason = fault.expected();
      testing::expectAfterSave(dir, path("expected"), target, reason.empty() ? testing::kFaultHex : "");
      DiskServices ui;
      ui.fields[Field::Text1] = testing::kFaultText;
      ui.saveAnswers = {{DialogOutcome::Chosen, target.string()}};
      saveCommand(ui);
      // A refusal comes before the question whether to overwrite; a save asks it at most.
      const std::string wanted = reason.empty() ? std::string(kOverwritePrompt) : withReason(kSaveFailedPrompt, reason);
      QVERIFY(ui.messages.size() == (reason.empty() ? ui.messages.size() : 1U) && ui.messages.size() <= 1U);
      for (const auto& message : ui.messages) QCOMPARE(message.prompt, wanted);
      QVERIFY2(testing::listing(dir) == testing::listing(path("expected")), fault.name);
      testing::removeFault(dir);
      testing::removeFault(path("expected"));
    }
  }
};

}  // namespace quorix

QTEST_GUILESS_MAIN(quorix::FilesTest)
#include "files_test.moc"
