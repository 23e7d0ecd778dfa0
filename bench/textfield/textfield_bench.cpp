// Byte text field against QPlainTextEdit in a 314 x 209 px field (the size of Text1):
// set + show, one keystroke in the middle repainted, scrolling to a random row repainted,
// appending cell by cell as the HEX reader does, and the memory held beyond the text.
#include "byte_text_field.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTextCursor>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>

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
