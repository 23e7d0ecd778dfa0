// The open and save commands through the real window and its Qt binding, and
// what Text1's field and the stock text widget alone take to show the same
// byte text.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "binding/dialogs.h"
#include "binding/qt_services.h"
#include "dump_texts.h"
#include "hex_images.h"
#include "main_window.h"
#include "messages.h"
#include "status_row.h"
#include "stock_text1.h"
#include "textfield/byte_text_field.h"

namespace {

// Byte text of the benchmark image, as the field receives it.
QString byteText(unsigned records) { return QString::fromStdString(quorix::bench::imageByteText(records)); }

class FixedAnswer final : public quorix::FileDialogs {
 public:
  explicit FixedAnswer(QString path) : path_(std::move(path)) {}
  std::optional<QString> open(QWidget*, const QString&, const QString&) override { return path_; }
  std::optional<QString> save(QWidget*, const QString&, const QString&) override { return path_; }

 private:
  QString path_;
};

class AnswerOk final : public quorix::MessageBoxes {
 public:
  quorix::Answer show(QWidget*, const QString&, quorix::Buttons, const QString&) override { return quorix::Answer::Ok; }
};

// Resident memory of this process in MB: now, and at the most since the last
// resetPeakMemory(), as the kernel counts it.
double residentMB(const char* field) {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(field))
      return line.mid(static_cast<qsizetype>(std::strlen(field))).trimmed().split(' ').value(0).toDouble() / 1024;
  }
  return 0;
}
void resetPeakMemory() {
  QFile clear("/proc/self/clear_refs");
  if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

// Processor time of this thread so far.
double threadMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Lets the window paint what the command changed, as the event loop would
// right after the handler returns.
void paint() { QCoreApplication::processEvents(); }

// Shows the window with every dialog answering `path` and every message box OK.
void showAnswering(quorix::MainWindow& window, const QString& path) {
  window.services().setFileDialogs(std::make_unique<FixedAnswer>(path));
  window.services().setMessageBoxes(std::make_unique<AnswerOk>());
  window.show();
  paint();
}

// Times showing `text` in `field`, starting each time from the default text.
template <class TextField>
void timeSetPlainText(benchmark::State& state, TextField* field, const QString& text) {
  for (auto _ : state) {
    state.PauseTiming();
    field->setPlainText(QString::fromUtf8(quorix::kDefaultByteText.data()));
    paint();
    state.ResumeTiming();
    field->setPlainText(text);
    paint();
  }
}

void OpenThroughWindow(benchmark::State& state) {
  const auto records = static_cast<unsigned>(state.range(0));
  QTemporaryDir dir;
  const QString path = dir.filePath("image.hex");
  {
    QFile f(path);
    const std::string bytes = quorix::bench::hexImage(records);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0) {
      state.SkipWithError("cannot write the image");
      return;
    }
  }
  quorix::MainWindow window;
  showAnswering(window, path);
  auto* text1 = window.findChild<quorix::ByteTextField*>("Text1");
  double before = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // With a second argument, the field holds the same image's text before each open.
    text1->setPlainText(state.range(1) != 0 ? QString::fromStdString(quorix::bench::imageByteText(records))
                                            : QString::fromUtf8(quorix::kDefaultByteText.data()));
    // As at start: the undo history does not hold the image of the last round.
    text1->clearHistory();
    paint();
    before = residentMB("VmRSS:");
    resetPeakMemory();
    state.ResumeTiming();
    window.openWithDialog();
    paint();
  }
  if (text1->length() != static_cast<int>(records * 48)) state.SkipWithError("wrong text");
  // Memory of the last open: before it, at the most during it, and after it.
  state.counters["rss_before_MB"] = before;
  state.counters["rss_peak_MB"] = residentMB("VmHWM:");
  state.counters["rss_after_MB"] = residentMB("VmRSS:");
  // And once the status row has caught up with the text.
  resetPeakMemory();
  auto* row = window.findChild<quorix::StatusRow*>("Status");
  while (row->busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  state.counters["rss_row_peak_MB"] = residentMB("VmHWM:");
  state.counters["rss_row_MB"] = residentMB("VmRSS:");
}
// 4,096 records make a 64 KiB image, 1 << 20 records the largest a file may span (16 MiB, 47 MB of HEX).
BENCHMARK(OpenThroughWindow)->Args({4096, 0})->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(OpenThroughWindow)->Args({1 << 20, 0})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(OpenThroughWindow)->Args({1 << 20, 1})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Text1's own field alone: what the open command costs on top is the reader
// and the binding.
void FieldSetPlainText(benchmark::State& state) {
  const QString text = byteText(static_cast<unsigned>(state.range(0)));
  quorix::MainWindow window;
  window.show();
  paint();
  auto* text1 = window.findChild<quorix::ByteTextField*>("Text1");
  timeSetPlainText(state, text1, text);
}
BENCHMARK(FieldSetPlainText)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void StockWidgetSetPlainText(benchmark::State& state) {
  const QString text = byteText(static_cast<unsigned>(state.range(0)));
  // The stock widget, configured as Text1 once was, in Text1's place on top of it.
  quorix::MainWindow window;
  auto* field = window.findChild<QWidget*>("Text1");
  QPlainTextEdit* text1 = quorix::testing::makeStockText1(field->parentWidget());
  text1->setGeometry(field->geometry());
  text1->raise();
  window.show();
  paint();
  timeSetPlainText(state, text1, text);
}
BENCHMARK(StockWidgetSetPlainText)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void SaveThroughWindow(benchmark::State& state) {
  const auto cells = static_cast<unsigned>(state.range(0));
  QTemporaryDir dir;
  const QString path = dir.filePath("out.hex");
  quorix::MainWindow window;
  showAnswering(window, path);
  auto* text1 = window.findChild<quorix::ByteTextField*>("Text1");
  text1->setPlainText(byteText(cells / 16));
  // Beyond 64 KiB only a 32-bit file holds the image.
  if (cells > 0x10000) window.findChild<QLineEdit*>("Text5")->setText("00000000");
  paint();
  for (auto _ : state) {
    state.PauseTiming();
    QFile::remove(path);
    state.ResumeTiming();
    window.saveWithDialog();
    paint();
  }
  state.counters["file_bytes"] = static_cast<double>(QFileInfo(path).size());
}
BENCHMARK(SaveThroughWindow)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(SaveThroughWindow)->Arg(1 << 24)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// What the status row takes to catch up after an edit (a cell typed at the
// caret), and with the whole text selected, its checks too: from the edit to
// the row shown, its quiet time included, with the event loop running as in
// the window. `longest_ms` is the longest turn of the event loop in the
// meantime, in processor time: what the window's events could wait.
void StatusRowAfterEdit(benchmark::State& state) {
  const auto cells = static_cast<unsigned>(state.range(0));
  quorix::MainWindow window;
  window.show();
  auto* text1 = window.findChild<quorix::ByteTextField*>("Text1");
  auto* row = window.findChild<quorix::StatusRow*>("Status");
  const std::int64_t form = state.range(1);  // 0: the caret in cells, 1: all cells selected, 2: an xxd dump
  text1->setPlainText(form == 2 ? QString::fromStdString(quorix::bench::xxd(quorix::bench::image(cells)))
                                : byteText(cells / 16));
  window.findChild<QLineEdit*>("Text5")->setText(form == 2 ? "" : "00000000");
  if (form == 1) text1->selectAll();
  row->refresh();
  paint();
  int at = form == 2 ? text1->length() / 2 / 68 * 68 + 10 : text1->length() / 2;
  double longest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (form == 2) {
      text1->replaceRange(at, at + 2, QStringLiteral("AB"));  // a digit pair of a line's first group
    } else {
      text1->replaceRange(at, at, QStringLiteral("AB "));
      at += 3;
    }
    if (form == 1) text1->selectAll();
    state.ResumeTiming();
    while (row->busy()) {
      const double before = threadMs();
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      longest = std::max(longest, threadMs() - before);
    }
  }
  state.counters["longest_ms"] = longest;
}
BENCHMARK(StatusRowAfterEdit)->Args({1400000, 0})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(StatusRowAfterEdit)->Args({1 << 24, 0})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(StatusRowAfterEdit)->Args({1 << 24, 1})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(StatusRowAfterEdit)->Args({1 << 24, 2})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A key typed in the middle of 1.4 M cells through the window, with the
// status row following the field: as fast as the field alone (the textfield
// benchmarks), for the row only restarts its wait.
void KeystrokeThroughWindow(benchmark::State& state) {
  quorix::MainWindow window;
  window.show();
  auto* text1 = window.findChild<quorix::ByteTextField*>("Text1");
  text1->setPlainText(byteText(1400000 / 16));
  window.findChild<quorix::StatusRow*>("Status")->refresh();
  text1->setFocus();
  text1->setCursorPosition(text1->length() / 2);
  paint();
  for (auto _ : state) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("A"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("A"));
    QApplication::sendEvent(text1, &press);
    QApplication::sendEvent(text1, &release);
    paint();
  }
}
BENCHMARK(KeystrokeThroughWindow)->Unit(benchmark::kMillisecond);

// Go to an address near the end, and a find that wraps round to the start,
// in a 16 MiB text: with the status row current, and right after an edit,
// before the row has caught up (the go to reads the text first).
void GoToAndFind(benchmark::State& state) {
  QTemporaryDir dir;
  quorix::MainWindow window;
  showAnswering(window, dir.filePath("unused.hex"));
  auto* text1 = window.findChild<quorix::ByteTextField*>("Text1");
  text1->setPlainText(byteText((1U << 24) / 16));
  window.findChild<QLineEdit*>("Text5")->setText("00000000");
  window.findChild<quorix::StatusRow*>("Status")->refresh();
  const QString first = text1->textRange(0, 11);  // the first four cells
  for (auto _ : state) {
    if (state.range(0) == 0) {
      window.goTo(QStringLiteral("FFFFF0"));
    } else if (state.range(0) == 1) {
      text1->setCursorPosition(text1->length() - 3);
      window.find(first);
    } else {
      state.PauseTiming();
      text1->replaceRange(3, 5, QStringLiteral("AB"));
      state.ResumeTiming();
      window.goTo(QStringLiteral("FFFFF0"));
    }
  }
}
BENCHMARK(GoToAndFind)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
