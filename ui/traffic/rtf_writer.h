#pragma once
#include <QByteArray>

class QTextDocument;

// A traffic window's text as an RTF file: the font "Courier New" at 10 points,
// a colour table that begins with the window's black and blue (any other
// colour follows), and per run of text its colour and whether it is bold.
// Tabs become \tab, lines \par; characters outside ASCII are written as
// Unicode escapes (\uN with "?" for readers without Unicode).
QByteArray TrafficRtf(const QTextDocument& document);

// The same text as plain UTF-8, one line per line of the window.
QByteArray TrafficPlainText(const QTextDocument& document);
