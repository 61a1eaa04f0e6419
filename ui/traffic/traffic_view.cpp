#include "ui/traffic/traffic_view.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <vector>

namespace {

// The window's colours: headers black, decoded lines blue.
const QColor kHeaderColour(0, 0, 0);
const QColor kHighlightColour(0, 0, 255);
constexpr int kFontPoints = 10;

}  // namespace

CTrafficView::CTrafficView(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setUndoRedoEnabled(false);
  setFont(TrafficFont());
  document()->setDefaultFont(TrafficFont());
  QPalette colours = palette();
  colours.setColor(QPalette::Base, Qt::white);
  colours.setColor(QPalette::Text, kHeaderColour);
  setPalette(colours);
}

QFont CTrafficView::TrafficFont() {
  // "Courier New" where it exists; fontconfig offers its metric twin or the
  // system's monospaced font elsewhere.
  QFont font("Courier New", kFontPoints);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  return font;
}

QTextCharFormat CTrafficView::HeaderFormat() {
  QTextCharFormat format;
  format.setForeground(kHeaderColour);
  format.setFontWeight(QFont::Normal);
  return format;
}

QTextCharFormat CTrafficView::HighlightFormat() {
  QTextCharFormat format;
  format.setForeground(kHighlightColour);
  format.setFontWeight(QFont::Bold);
  return format;
}

int CTrafficView::CharacterCount() const { return document()->characterCount() - 1; }

bool CTrafficView::AtEnd() const {
  const QScrollBar* bar = verticalScrollBar();
  return bar->value() >= bar->maximum();
}

void CTrafficView::AppendBatch(const clTrafficBatch& batch) {
  if (batch.empty()) return;
  QTextDocument* doc = document();
  const int length = CharacterCount();

  // Every piece begins a line of its own, the first of an empty text excepted.
  std::vector<QString> texts;
  std::vector<int64_t> lengths;
  texts.reserve(batch.size());
  lengths.reserve(batch.size());
  for (const clTrafficFragment& piece : batch) {
    QString text = QString::fromUtf8(piece.text.data(), static_cast<qsizetype>(piece.text.size()));
    if (length > 0 || !texts.empty()) text.prepend(QLatin1Char('\n'));
    lengths.push_back(text.size());
    texts.push_back(std::move(text));
  }
  const clTrafficTrim trim = PlanTrafficTrim(length, textLength_, textCut_, lengths);

  QScrollBar* bar = verticalScrollBar();
  const bool follow = !paused_ && AtEnd();
  const int topBefore = bar->value();
  const int blocksBefore = doc->blockCount();

  QTextCursor cursor(doc);
  cursor.beginEditBlock();
  if (trim.fromText > 0) {
    cursor.setPosition(static_cast<int>(trim.fromText), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }
  const int blocksCut = blocksBefore - doc->blockCount();
  cursor.movePosition(QTextCursor::End);
  // Neighbouring pieces of one style go in as one run.
  const QTextCharFormat header = HeaderFormat();
  const QTextCharFormat highlight = HighlightFormat();
  QString run;
  bool runHighlighted = false;
  int64_t skip = trim.fromBatch;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (skip >= lengths[i]) {
      skip -= lengths[i];
      continue;
    }
    const bool highlighted = batch[i].highlighted;
    if (!run.isEmpty() && highlighted != runHighlighted) {
      cursor.insertText(run, runHighlighted ? highlight : header);
      run.clear();
    }
    run += skip > 0 ? texts[i].mid(static_cast<qsizetype>(skip)) : texts[i];
    runHighlighted = highlighted;
    skip = 0;
  }
  if (!run.isEmpty()) cursor.insertText(run, runHighlighted ? highlight : header);
  cursor.endEditBlock();

  if (follow) {
    bar->setValue(bar->maximum());
  } else {
    // Lines cut from the front would otherwise move what the user reads.
    bar->setValue(std::max(0, topBefore - blocksCut));
  }
}
