#pragma once
// Fitting a report's texts into the boxes of a page: measuring them, setting
// them a little smaller or over more lines when they are too wide, and
// drawing them so. Nothing of a text is ever cut.
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace vb::report {

// The width of a text in a font, exact when it may not fit the room given.
qreal textWidth(const QFont &f, const QString &text, qreal room = 0);

// A value as it fits a width: on one line, in a slightly smaller size when
// that is enough, otherwise in lines broken between words (or inside a
// word longer than the width).
struct Fitted {
    QFont font;
    QStringList lines;
};

Fitted fitted(const QFont &f, qreal width, const QString &text);

// Draws a text on one line of a box as QPainter::drawText(r, flags |
// Qt::TextSingleLine, text) would, shaping it once for each font.
void drawLine(QPainter &p, const QRectF &r, int flags, const QString &text);

// Draws a text on one line of a box of fixed height, in a smaller size when
// it is wider than the box.
void cell(QPainter &p, const QRectF &r, int flags, const QString &text);

// The number of lines a value takes at a width.
int lineCount(const QFont &f, qreal width, const QString &text);

// The distance from one line of a value to the next.
int lineStep(const QFont &f);

// Draws a value in a box one line high, going on below it in further lines
// when it does not fit; returns the number of lines.
int wrappedCell(QPainter &p, const QRectF &r, int flags, const QString &text);

// What is measured and shaped is kept for the thread that asked, in its own
// fonts. A thread that painted drops it all before it ends, while its fonts
// are still there.
void forgetTexts();

} // namespace vb::report
