// The byte text document without a widget: random edit, whole-text, undo and redo sequences
// against the same edits on a QString, the carets undo gives back, the changed(),
// undoAvailable() and redoAvailable() signals, and the budget of whole-text steps. (Merging and normalisation are
// tested through the field.)
#include "byte_text_document.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <vector>

using quorix::ByteTextDocument;
using quorix::Caret;
using quorix::EditKind;

namespace {

QString randomPiece(QRandomGenerator& rng) {
  static const QString kAlphabet = QStringLiteral("0123456789ABCDEF \n\t中");
  QString t;
  const int len = rng.bounded(1, 12);
  for (int i = 0; i < len; ++i) t += kAlphabet.at(rng.bounded(kAlphabet.size()));
  return t;
}

// The text after the document's last change, rebuilt from changed() alone.
struct Mirror {
  QString text;
  const ByteTextDocument* doc = nullptr;
  void follow(int pos, int removed, int inserted) {
    QCOMPARE(doc->removedText(), text.mid(pos, removed));
    text.replace(pos, removed, doc->mid(pos, inserted));
  }
};

}  // namespace

class TextDocTest : public QObject {
  Q_OBJECT
 private slots:
  void randomEditsMatchQString();
  void wholeTextBudgetDropsOldest();
};

void TextDocTest::randomEditsMatchQString() {
  // Every edit is its own undo step here (the merge is closed before it, as a caret move
  // does), so the model is a list of snapshots with the caret each step was made from.
  QRandomGenerator rng(7);
  ByteTextDocument doc;
  Mirror mirror{QString(), &doc};
  connect(&doc, &ByteTextDocument::changed, this, [&](int p, int r, int i) { mirror.follow(p, r, i); });
  // What the availability signals said last: always the truth, and said only when it changes.
  bool undoSaid = false;
  bool redoSaid = false;
  connect(&doc, &ByteTextDocument::undoAvailable, this, [&](bool on) {
    QVERIFY(on != undoSaid);
    undoSaid = on;
  });
  connect(&doc, &ByteTextDocument::redoAvailable, this, [&](bool on) {
    QVERIFY(on != redoSaid);
    redoSaid = on;
  });
  QString model = QStringLiteral("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 ");
  doc.setText(model, {});
  doc.clearHistory();
  struct Snapshot {
    QString text;
    Caret before;  // the caret handed in with the edit that led here
  };
  std::vector<Snapshot> snapshots{{model, {}}};
  std::size_t done = 0;
  for (int step = 0; step < 3000; ++step) {
    const int op = rng.bounded(10);
    const int n = static_cast<int>(model.size());
    const int a = rng.bounded(n + 1);
    const int b = std::min(n, a + rng.bounded(op < 3 ? 1 : 40));
    if (op < 6) {
      const QString s = op < 4 ? randomPiece(rng) : QString();
      const bool whole = rng.bounded(20) == 0;  // paste, cut or open: the text set at once
      if (!whole && a == b && s.isEmpty()) continue;
      if (whole && s.isEmpty() && model.isEmpty()) continue;
      const Caret before{rng.bounded(n + 1), rng.bounded(n + 1)};
      doc.closeMerge();
      if (whole) {
        doc.setText(s, before);
        model = s;
      } else {
        doc.replace(a, b, s, op < 2 ? EditKind::Typing : EditKind::Other, before);
        model.replace(a, b - a, s);
      }
      snapshots.resize(done + 1);
      snapshots.push_back({model, before});
      ++done;
    } else if (op < 8) {
      const std::optional<Caret> caret = doc.undo();
      QCOMPARE(caret.has_value(), done > 0);
      if (caret) {
        QCOMPARE(caret->anchor, std::min(snapshots[done].before.anchor, doc.length()));
        QCOMPARE(caret->cursor, std::min(snapshots[done].before.cursor, doc.length()));
        model = snapshots[--done].text;
      }
    } else {
      QCOMPARE(doc.redo().has_value(), done + 1 < snapshots.size());
      if (done + 1 < snapshots.size()) model = snapshots[++done].text;
    }
    QCOMPARE(doc.text(), model);
    QCOMPARE(mirror.text, model);
    QCOMPARE(undoSaid, doc.canUndo());
    QCOMPARE(redoSaid, doc.canRedo());
  }
}

void TextDocTest::wholeTextBudgetDropsOldest() {
  ByteTextDocument doc;
  doc.setWholeTextBudget(100);
  const auto text = [](char c, int n) { return QString(n, QLatin1Char(c)); };
  doc.setText(text('a', 40), {});
  doc.replace(0, 0, QStringLiteral("x"), EditKind::Typing, {});  // older than the dropped text: goes too
  doc.setText(text('b', 40), {1, 1});                            // each with the caret in the text it replaces
  doc.setText(text('c', 40), {5, 1});
  doc.setText(text('d', 40), {2, 3});  // keeps "c" and "b" (80), not "xa..." (121)
  QCOMPARE(doc.undo()->cursor, 3);
  QCOMPARE(doc.text(), text('c', 40));
  QCOMPARE(doc.undo()->anchor, 5);
  QCOMPARE(doc.text(), text('b', 40));
  QVERIFY(!doc.canUndo());
  QCOMPARE(doc.redo()->cursor, 0);
  QCOMPARE(doc.text(), text('c', 40));

  doc.setText(text('e', 300), {});  // a former text beyond the budget is still the newest
  doc.setText(text('f', 10), {});
  doc.undo();
  QCOMPARE(doc.text(), text('e', 300));
  QVERIFY(!doc.canUndo());
  QVERIFY(doc.canRedo());
}

QTEST_GUILESS_MAIN(TextDocTest)
#include "textdoc_test.moc"
