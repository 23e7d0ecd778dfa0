// Byte text field against QPlainTextEdit in a 314 x 209 px field (the size of Text1):
// set + show, one keystroke in the middle repainted, scrolling to a random row repainted,
// appending cell by cell as the HEX reader does, and the memory held beyond the text; then the
// field alone at 4 M cells (triple-click, drag, drop, select to the end) and setting 50 M
// characters over 50 M.
#include "byte_text_field.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTextCursor>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <fstream>
#include <memory>
#include <string>

using quorix::ByteTextField;

namespace {

QString cells(int count) {
  QString t;
  t.reserve(static_cast<qsizetype>(count) * 3);
  for (int i = 0; i < count; ++i) t += QString::asprintf("%02X ", i % 256);
  return t;
}

const QString& textOf(int count) {
  static QString small = cells(65'536);
  static QString large = cells(1'400'000);
  return count == 65'536 ? small : large;
}

void setText(QPlainTextEdit& e, const QString& t) { e.setPlainText(t); }
void setText(ByteTextField& f, const QString& t) { f.setPlainText(t); }
void caretTo(QPlainTextEdit& e, int pos) {
  QTextCursor c = e.textCursor();
  c.setPosition(pos);
  e.setTextCursor(c);
}
void caretTo(ByteTextField& f, int pos) {
  f.setCursorPosition(pos);
  f.ensureCursorVisible();
}
void append(QPlainTextEdit& e, const QString& t) { e.insertPlainText(t); }
void append(ByteTextField& f, const QString& t) { f.insertPlainText(t); }
int length(QPlainTextEdit& e) { return e.document()->characterCount() - 1; }
int length(ByteTextField& f) { return f.length(); }

void paint(QAbstractScrollArea& w) {
  QCoreApplication::processEvents();
  w.viewport()->repaint();
}

template <class Field>
std::unique_ptr<Field> makeField() {
  auto f = std::make_unique<Field>();
  f->resize(314, 209);
  return f;
}

std::size_t heapInUse() { return mallinfo2().uordblks; }

// Resident set size and its peak, in bytes (Linux).
std::size_t statusField(const char* name) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(name) + ":";
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stoull(line.substr(key.size())) * 1024;
  return 0;
}
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Setting a whole new text of 50 M characters (the byte text of a 16 MiB image) over another as
// the binding does (a QString built for the call and moved in): what the field holds afterwards
// and the peak on the way, beyond the two texts themselves (the new one, the old one for undo).
void BM_SetWholeText50M(benchmark::State& state) {
  constexpr qsizetype kChars = 50'331'648;
  const auto build = [](char16_t c) {
    QString t(kChars, QChar(c));
    for (qsizetype i = 2; i < kChars; i += 3) t[i] = u' ';
    return t;
  };
  auto f = makeField<ByteTextField>();
  f->show();
  f->setPlainText(build(u'A'));
  paint(*f);
  double held = 0;
  double peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    QString next = build(u'B');
    malloc_trim(0);
    const std::size_t rss = statusField("VmRSS");
    resetPeak();
    state.ResumeTiming();
    f->setPlainText(std::move(next));
    paint(*f);
    state.PauseTiming();
    // Before the call the process already holds both texts: the field's and the new one.
    peak = (static_cast<double>(statusField("VmHWM")) - static_cast<double>(rss)) / 1e6;
    held = (static_cast<double>(f->memoryUsage()) - 2.0 * kChars * sizeof(char16_t)) / 1e6;
    f->undo();
    f->clearHistory();
    state.ResumeTiming();
  }
  state.counters["held_MB_beyond_two_texts"] = held;
  state.counters["peak_MB_beyond_two_texts"] = peak;
}

template <class Field>
void BM_SetShow(benchmark::State& state) {
  const QString& text = textOf(static_cast<int>(state.range(0)));
  double extra = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto f = makeField<Field>();
    QCoreApplication::processEvents();
    const std::size_t before = heapInUse();
    state.ResumeTiming();
    setText(*f, text);
    f->show();
    paint(*f);
    state.PauseTiming();
    extra = (static_cast<double>(heapInUse()) - static_cast<double>(before)) / text.size() - 2.0;
    f.reset();
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
  state.counters["heap_B_per_char_beyond_text"] = extra;
}

template <class Field>
void BM_KeystrokeInMiddle(benchmark::State& state) {
  auto f = makeField<Field>();
  setText(*f, textOf(static_cast<int>(state.range(0))));
  f->show();
  paint(*f);
  caretTo(*f, length(*f) / 2);
  paint(*f);
  for (auto _ : state) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("A"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("A"));
    QApplication::sendEvent(f.get(), &press);
    QApplication::sendEvent(f.get(), &release);
    paint(*f);
  }
}

template <class Field>
void BM_ScrollToRandomRow(benchmark::State& state) {
  auto f = makeField<Field>();
  setText(*f, textOf(static_cast<int>(state.range(0))));
  f->show();
  paint(*f);
  QRandomGenerator rng(1);
  QScrollBar* bar = f->verticalScrollBar();
  for (auto _ : state) {
    bar->setValue(rng.bounded(bar->maximum() + 1));
    paint(*f);
  }
}

template <class Field>
void BM_AppendCells(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  QStringList parts;
  for (int i = 0; i < count; ++i) parts << QString::asprintf("%02X ", i % 256);
  for (auto _ : state) {
    state.PauseTiming();
    auto f = makeField<Field>();
    f->show();
    paint(*f);
    state.ResumeTiming();
    setText(*f, QString());
    for (const QString& p : parts) append(*f, p);
    paint(*f);
    state.PauseTiming();
    f.reset();
    state.ResumeTiming();
  }
}

// The interactions of a text field at 4 M cells (a 4 MiB image, 12 M characters on one line), each
// measured with the repaint that follows.
constexpr int kHuge = 4'000'000;

std::unique_ptr<ByteTextField> hugeField() {
  static const QString text = cells(kHuge);
  auto f = makeField<ByteTextField>();
  f->setPlainText(text);
  f->show();
  paint(*f);
  return f;
}

void send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void dropAt(ByteTextField& f, const QMimeData& mime, QPoint at) {
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.viewport(), &enter);
  QDropEvent drop(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.viewport(), &drop);
}

void BM_TripleClick(benchmark::State& state) {
  auto f = hugeField();
  f->setCursorPosition(f->length() / 2);
  paint(*f);
  QWidget* vp = f->viewport();
  const QPoint at = f->cursorRect().center() + QPoint(3, 0);
  for (auto _ : state) {
    state.PauseTiming();
    f->setCursorPosition(f->length() / 2);
    send(vp, QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(vp, QEvent::MouseButtonRelease, at, Qt::NoButton);
    send(vp, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    send(vp, QEvent::MouseButtonRelease, at, Qt::NoButton);
    paint(*f);
    state.ResumeTiming();
    send(vp, QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(vp, QEvent::MouseButtonRelease, at, Qt::NoButton);
    paint(*f);
  }
  if (f->selectedText().size() != f->length()) state.SkipWithError("the triple-click did not select the line");
}

void BM_DragMove1000Cells(benchmark::State& state) {
  auto f = hugeField();
  const int from = f->length() / 4 - f->length() / 4 % 3;
  for (auto _ : state) {
    state.PauseTiming();
    f->setSelection(from, from + 3000);
    const std::unique_ptr<QMimeData> mime(f->createMimeDataFromSelection());
    f->scrollToPosition(f->length() * 3 / 4);  // dropped half the text further on
    paint(*f);
    state.ResumeTiming();
    dropAt(*f, *mime, QPoint(6, 10));
    paint(*f);
    state.PauseTiming();
    if (f->selectionStart() < f->length() / 2) state.SkipWithError("the drop did not move the selection");
    f->undo();
    state.ResumeTiming();
  }
}

// Dropped into the text as it is after earlier edits (`fresh` false: the gap is already there)
// or into a text just set, which the buffer must first grow for. The time is taken by hand
// around the drop and its repaint only.
void BM_Drop1MB(benchmark::State& state) {
  const bool fresh = state.range(0) != 0;
  auto f = hugeField();
  QMimeData mime;
  mime.setText(cells(1'000'000 / 3));
  for (auto _ : state) {
    f->scrollToPosition(f->length() / 2);
    paint(*f);
    QElapsedTimer clock;
    clock.start();
    dropAt(*f, mime, QPoint(6, 10));
    paint(*f);
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    if (f->length() < 12'900'000) state.SkipWithError("nothing dropped");
    if (fresh) {
      f->setPlainText(cells(kHuge));
    } else {
      f->undo();
    }
  }
}

void BM_SelectToEnd(benchmark::State& state) {
  auto f = hugeField();
  for (auto _ : state) {
    state.PauseTiming();
    f->setCursorPosition(f->length() / 2);
    paint(*f);
    state.ResumeTiming();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(f.get(), &press);
    paint(*f);
  }
}

constexpr int kSmall = 65'536;
constexpr int kLarge = 1'400'000;

BENCHMARK_TEMPLATE(BM_SetShow, ByteTextField)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_SetShow, QPlainTextEdit)->Arg(kSmall)->Arg(kLarge)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_KeystrokeInMiddle, ByteTextField)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_KeystrokeInMiddle, QPlainTextEdit)
    ->Arg(kSmall)
    ->Arg(kLarge)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ScrollToRandomRow, ByteTextField)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ScrollToRandomRow, QPlainTextEdit)
    ->Arg(kSmall)
    ->Arg(kLarge)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
// The stock widget re-lays out its one paragraph on every append, so it gets a short text only.
BENCHMARK_TEMPLATE(BM_AppendCells, ByteTextField)
    ->Arg(2048)
    ->Arg(kSmall)
    ->Arg(kLarge)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TripleClick)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragMove1000Cells)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Drop1MB)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectToEnd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetWholeText50M)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_AppendCells, QPlainTextEdit)->Arg(2048)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
