// Wrapping of the byte text field against a plain reference wrapper, incremental re-wrapping
// after edits and undo.
#include "byte_text_field.h"

#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>

#include <cmath>
#include <vector>

using quorix::ByteTextField;

namespace {

// Greedy wrapping word by word: blanks hang at the row end, a word that does not fit starts a
// new row, a word wider than the row is cut at the width.
std::vector<int> referenceRows(const QString& t, double width, const QFont& font) {
  const QFontMetricsF fm(font);
  const auto adv = [&](int i) { return fm.horizontalAdvance(t.at(i)); };
  const auto blank = [&](int i) { return t.at(i) == u' ' || t.at(i) == u'\t'; };
  const int n = static_cast<int>(t.size());
  std::vector<int> rows{0};
  int s = 0;
  while (s < n) {
    double x = 0;
    int i = s;
    int end = n;
    while (i < n) {
      if (t.at(i) == u'\n') {
        end = i + 1;
        break;
      }
      if (blank(i)) {
        x = t.at(i) == u'\t' ? (std::floor(x / 80.0) + 1) * 80.0 : x + adv(i);
        ++i;
        continue;
      }
      int j = i;
      double w = 0;
      while (j < n && !blank(j) && t.at(j) != u'\n') w += adv(j++);
      if (x + w <= width) {
        x += w;
        i = j;
        continue;
      }
      if (i > s) {
        end = i;
      } else {
        int k = i;
        double cum = 0;
        while (k < j && cum + adv(k) <= width) cum += adv(k++);
        end = std::max(k, i + 1);
      }
      break;
    }
    if (end >= n) {
      if (n > 0 && t.at(n - 1) == u'\n') rows.push_back(n);
      break;
    }
    rows.push_back(end);
    s = end;
  }
  return rows;
}

std::vector<int> fieldRows(const ByteTextField& f) {
  std::vector<int> rows;
  for (int r = 0; r < f.rowCount(); ++r) rows.push_back(f.rowStart(r));
  return rows;
}

// Byte text with the irregularities users paste: long runs, blank runs, line breaks, tabs,
// wide characters.
QString randomText(QRandomGenerator& rng, int pieces) {
  static const QString kAlphabet = QStringLiteral("0123456789ABCDEFWil.中");
  QString t;
  for (int p = 0; p < pieces; ++p) {
    const int kind = rng.bounded(20);
    if (kind < 12) {
      t += QString::asprintf("%02X ", rng.bounded(256));
    } else if (kind < 15) {
      const int len = rng.bounded(1, 90);
      for (int i = 0; i < len; ++i) t += kAlphabet.at(rng.bounded(kAlphabet.size()));
    } else if (kind < 17) {
      t += QString(rng.bounded(1, 6), u' ');
    } else if (kind < 19) {
      t += u'\n';
    } else {
      t += u'\t';
    }
  }
  return t;
}

}  // namespace

class TextFieldLayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void advancesAddUp();
  void wrapMatchesReference_data();
  void wrapMatchesReference();
  void edgeTexts_data();
  void edgeTexts();
  void incrementalWrapMatchesFullWrap();
  void editMovesRowEndTwoRowsUp();
  void appendingKeepsRowsAndOrder();
  void largeTextStaysCompact();
  void resizeRewrapsKeepingTopRow();
};

void TextFieldLayoutTest::advancesAddUp() {
  // The field measures per character; the painter must place glyphs at those sums.
  ByteTextField f;
  const QFontMetricsF fm(f.textFont());
  const QString row = QStringLiteral("3A 0F FF 12 AB CD EF 7W il 99 ");
  double sum = 0;
  for (QChar c : row) sum += fm.horizontalAdvance(c);
  QVERIFY(std::abs(sum - fm.horizontalAdvance(row)) < 0.01);
}

void TextFieldLayoutTest::wrapMatchesReference_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<quint32>("seed");
  for (int width : {314, 120, 600, 40})
    for (quint32 seed : {1u, 2u, 3u}) QTest::addRow("w%d-s%u", width, seed) << width << seed;
}

void TextFieldLayoutTest::wrapMatchesReference() {
  QFETCH(int, width);
  QFETCH(quint32, seed);
  QRandomGenerator rng(seed);
  ByteTextField f;
  f.resize(width, 209);
  f.show();
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  const QString text = randomText(rng, 3000);
  f.setPlainText(text);
  QCOMPARE(fieldRows(f), referenceRows(text, f.wrapWidth(), f.textFont()));
}

void TextFieldLayoutTest::edgeTexts_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("empty") << QString();
  QTest::newRow("one cell") << QStringLiteral("3A ");
  QTest::newRow("only newline") << QStringLiteral("\n");
  QTest::newRow("trailing newline") << QStringLiteral("01 02\n");
  QTest::newRow("blank lines") << QStringLiteral("\n\n\n01\n\n");
  QTest::newRow("long run") << QString(500, u'F');
  QTest::newRow("long blanks") << (QStringLiteral("AB") + QString(300, u' ') + QStringLiteral("CD"));
  QTest::newRow("leading blanks") << (QString(10, u' ') + QString(200, u'E'));
  QTest::newRow("surrogates") << QString::fromUtf8("\U0001F600\U0001F600 AB \U0001F600").repeated(30);
}

void TextFieldLayoutTest::edgeTexts() {
  QFETCH(QString, text);
  ByteTextField f;
  f.resize(314, 209);
  f.show();
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  f.setPlainText(text);
  QCOMPARE(f.toPlainText(), text);
  const std::vector<int> rows = fieldRows(f);
  if (!text.contains(QChar(0xD83D))) QCOMPARE(rows, referenceRows(text, f.wrapWidth(), f.textFont()));
  for (int r : rows)
    QVERIFY2(r == 0 || r == text.size() || !QChar::isLowSurrogate(text.at(r).unicode()),
             "a row must not start inside a surrogate pair");
}

void TextFieldLayoutTest::incrementalWrapMatchesFullWrap() {
  QRandomGenerator rng(42);
  ByteTextField f;
  f.resize(314, 209);
  f.show();
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  f.setPlainText(randomText(rng, 400));
  for (int step = 0; step < 600; ++step) {
    const int n = f.length();
    const int a = rng.bounded(n + 1);
    const int b = std::min(n, a + (rng.bounded(3) == 0 ? rng.bounded(60) : rng.bounded(3)));
    const QString ins = rng.bounded(3) == 0 ? QString() : randomText(rng, rng.bounded(1, 4)).left(rng.bounded(1, 80));
    f.replaceRange(a, b, ins);
    if (rng.bounded(10) == 0) f.undo();
    const std::vector<int> want = referenceRows(f.toPlainText(), f.wrapWidth(), f.textFont());
    if (fieldRows(f) != want)
      QFAIL(qPrintable(QStringLiteral("rows differ after edit %1 at %2..%3").arg(step).arg(a).arg(b)));
  }
}

void TextFieldLayoutTest::editMovesRowEndTwoRowsUp() {
  // A row's end can depend on the first character of the row after next: a run that is cut
  // at the width because of one wide character fits on the row above once that character
  // becomes a blank.
  ByteTextField f;
  f.resize(314, 209);
  f.show();
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  for (const QString& lead : {QStringLiteral(" "), QStringLiteral("i "), QStringLiteral("\n  ")}) {
    for (const QString& wide : {QStringLiteral("中"), QStringLiteral("W"), QStringLiteral("@")}) {
      for (int m = 20; m < 50; ++m) {
        f.setPlainText(lead + QString(m, u'F') + wide + QStringLiteral("FFF 01 02"));
        if (f.rowCount() < 3) continue;
        const int pos = f.rowStart(2);
        f.replaceRange(pos, pos + 1, QStringLiteral(" "));
        QCOMPARE(fieldRows(f), referenceRows(f.toPlainText(), f.wrapWidth(), f.textFont()));
      }
    }
  }
}

void TextFieldLayoutTest::appendingKeepsRowsAndOrder() {
  // The reader empties the field and then appends one cell at a time.
  ByteTextField f;
  f.resize(314, 209);
  f.show();
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  f.setPlainText(QStringLiteral("junk"));
  f.setPlainText(QString());
  QString expected;
  for (int i = 0; i < 5000; ++i) {
    const QString cell = QString::asprintf("%02X ", i % 256);
    f.insertPlainText(cell);
    expected += cell;
  }
  QCOMPARE(f.toPlainText(), expected);
  QCOMPARE(f.cursorPosition(), expected.size());
  QCOMPARE(fieldRows(f), referenceRows(expected, f.wrapWidth(), f.textFont()));
  f.undo();  // all appends are one step
  QCOMPARE(f.toPlainText(), QString());
  f.redo();
  QCOMPARE(f.toPlainText(), expected);
}

void TextFieldLayoutTest::largeTextStaysCompact() {
  const int cells = 1'400'000;
  QString text;
  text.reserve(cells * 3);
  for (int i = 0; i < cells; ++i) text += QString::asprintf("%02X ", i % 256);
  ByteTextField f;
  f.resize(314, 209);
  f.show();
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  f.setPlainText(text);
  QVERIFY(f.rowCount() > 50'000);
  f.setCursorPosition(static_cast<int>(text.size() / 2));
  QTest::keyClick(&f, Qt::Key_A);
  const double n = static_cast<double>(text.size());
  const double beyondText = static_cast<double>(f.memoryUsage()) - 2.0 * n;
  QVERIFY2(beyondText / n < 4.0, qPrintable(QString::number(beyondText / n)));
  // The caret row is on screen after the keystroke.
  const int row = f.rowOfPosition(f.cursorPosition());
  QVERIFY(row >= f.firstVisibleRow() && row < f.firstVisibleRow() + f.visibleRowCount());
  f.verticalScrollBar()->setValue(f.verticalScrollBar()->maximum());
  QCOMPARE(f.firstVisibleRow() + f.visibleRowCount(), f.rowCount());
}

void TextFieldLayoutTest::resizeRewrapsKeepingTopRow() {
  QRandomGenerator rng(5);
  ByteTextField f;
  f.resize(314, 209);
  f.show();
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  const QString text = randomText(rng, 4000);
  f.setPlainText(text);
  f.verticalScrollBar()->setValue(100);
  const int top = f.rowStart(f.firstVisibleRow());
  f.resize(500, 300);
  QTRY_COMPARE(fieldRows(f), referenceRows(text, f.wrapWidth(), f.textFont()));
  const int row = f.firstVisibleRow();
  QVERIFY(f.rowStart(row) <= top && (row + 1 >= f.rowCount() || f.rowStart(row + 1) > top));
}

QTEST_MAIN(TextFieldLayoutTest)
#include "textfield_layout_test.moc"
