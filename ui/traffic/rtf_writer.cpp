#include "ui/traffic/rtf_writer.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QTextBlock>
#include <QTextDocument>

namespace {

constexpr char kPrologue[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082"
    "{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}}\n";
constexpr char kBodyStart[] = "\\viewkind4\\uc1\\pard\\f0\\fs20 ";

QColor RunColour(const QTextCharFormat& format) {
  const QColor colour = format.foreground().color();
  return colour.isValid() ? colour : QColor(Qt::black);
}

bool RunBold(const QTextCharFormat& format) { return format.fontWeight() >= QFont::Bold; }

// Black and blue first, as the window uses them; then any other colour met.
QList<QColor> ColourTable(const QTextDocument& document) {
  QList<QColor> colours{QColor(0, 0, 0), QColor(0, 0, 255)};
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      const QColor colour = RunColour(it.fragment().charFormat()).toRgb();
      if (!colours.contains(colour)) colours.append(colour);
    }
  }
  return colours;
}

void AppendEscaped(const QString& text, QByteArray* out) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == '\\' || u == '{' || u == '}') {
      out->append('\\');
      out->append(static_cast<char>(u));
    } else if (u == '\t') {
      out->append("\\tab ");
    } else if (u == QChar::LineSeparator) {
      out->append("\\line ");
    } else if (u < 0x20 || u == 0x7F) {
      // Control characters have no place in the text.
    } else if (u < 0x7F) {
      out->append(static_cast<char>(u));
    } else {
      // \uN takes a signed 16-bit number; "?" stands in for readers without Unicode.
      out->append("\\u");
      out->append(QByteArray::number(static_cast<int16_t>(u)));
      out->append('?');
    }
  }
}

}  // namespace

QByteArray TrafficRtf(const QTextDocument& document) {
  const QList<QColor> colours = ColourTable(document);
  QByteArray out(kPrologue);
  out.append("{\\colortbl ;");
  for (const QColor& c : colours) {
    out.append(QString("\\red%1\\green%2\\blue%3;").arg(c.red()).arg(c.green()).arg(c.blue()).toLatin1());
  }
  out.append("}\n");
  out.append(kBodyStart);
  qsizetype colourNow = -1;
  bool boldNow = false;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      const qsizetype colour = colours.indexOf(RunColour(format).toRgb()) + 1;
      const bool bold = RunBold(format);
      if (colour != colourNow) out.append("\\cf" + QByteArray::number(colour) + ' ');
      if (bold != boldNow) out.append(bold ? "\\b " : "\\b0 ");
      colourNow = colour;
      boldNow = bold;
      AppendEscaped(fragment.text(), &out);
    }
    if (block.next().isValid()) out.append("\\par\n");
  }
  out.append("}\n");
  return out;
}

QByteArray TrafficPlainText(const QTextDocument& document) {
  QByteArray text = document.toPlainText().toUtf8();
  if (!text.isEmpty()) text.append('\n');
  return text;
}
