#pragma once
#include <QPlainTextEdit>
#include <QTextCharFormat>

#include "runtime/traffic_drain.h"

// The read-only text of a traffic window: headers regular in black, decoded
// lines bold in blue, monospaced on white. Batches of pieces go in at the end
// in one edit; before each piece, while the text is longer than the text length,
// its first "text cut" characters go. The view follows the newest line while
// the user is at the end and the view is not paused; otherwise what the user
// looks at stays in place.
//
// Threads: the user-interface thread only.
class CTrafficView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CTrafficView(QWidget* parent = nullptr);

  static QTextCharFormat HeaderFormat();
  static QTextCharFormat HighlightFormat();
  static QFont TrafficFont();

  void SetTextLength(int length) { textLength_ = length; }
  void SetTextCut(int cut) { textCut_ = cut; }
  int TextLength() const { return textLength_; }
  int TextCut() const { return textCut_; }
  // Characters of text, a line break counting as one.
  int CharacterCount() const;

  void SetPaused(bool paused) { paused_ = paused; }
  bool IsPaused() const { return paused_; }

  void AppendBatch(const clTrafficBatch& batch);

 private:
  bool AtEnd() const;

  int textLength_ = 25000;
  int textCut_ = 10000;
  bool paused_ = false;
};
