#include "textfit.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <array>
#include <vector>

namespace vb::report {

// The width of a text in a font, exact when it may not fit the room given.
// Most values of a long report are short numbers and dates that plainly
// fit: their letters' widths are added up from a table, and only a text
// that may be too wide is measured, its width remembered for the same name
// on a later row.
qreal textWidth(const QFont &f, const QString &text, qreal room)
{
    constexpr char16_t TableSize = 0x250;
    struct Widths {
        int pixelSize;
        bool bold;
        std::array<qreal, TableSize> advance;
    };
    static std::vector<Widths> tables;
    auto table = std::find_if(tables.begin(), tables.end(), [&](const Widths &w) {
        return w.pixelSize == f.pixelSize() && w.bold == f.bold();
    });
    if (table == tables.end()) {
        Widths w{f.pixelSize(), f.bold(), {}};
        const QFontMetricsF metrics(f);
        for (char16_t c = 0; c < TableSize; ++c)
            w.advance[c] = metrics.horizontalAdvance(QChar(c));
        tables.push_back(w);
        table = tables.end() - 1;
    }
    qreal sum = 0;
    bool inTable = true;
    for (QChar c : text) {
        if (c.unicode() >= TableSize) {
            inTable = false;
            break;
        }
        sum += table->advance[c.unicode()];
    }
    // Letters set in pairs closer together make a text a little narrower
    // than the sum, so a sum inside the room (with a margin) fits.
    if (inTable && sum + 1 < room)
        return sum;

    static QHash<QString, qreal> known;
    const QString key = QString::number(f.pixelSize()) + (f.bold() ? u'b' : u'n') + text;
    auto it = known.constFind(key);
    if (it != known.constEnd())
        return *it;
    if (known.size() > 20000)
        known.clear();
    const qreal w = QFontMetricsF(f).horizontalAdvance(text);
    known.insert(key, w);
    return w;
}

// A value as it fits a width: on one line, in a slightly smaller size when
// that is enough, otherwise in lines broken between words (or inside a
// word longer than the width). Nothing of the value is left out.
Fitted fitted(const QFont &f, qreal width, const QString &text)
{
    const qreal full = text.isEmpty() ? 0 : textWidth(f, text, width);
    if (full <= width)
        return {f, {text}};
    const int smaller = int(f.pixelSize() * width / full);
    if (smaller * 5 >= f.pixelSize() * 4) { // down to four fifths of the size
        QFont s = f;
        s.setPixelSize(smaller);
        if (textWidth(s, text) <= width)
            return {s, {text}};
    }
    QTextLayout layout(text, f);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return {f, lines};
}

// Draws a text on one line of a box of fixed height (a heading, a total),
// in a smaller size when it is wider than the box: nothing of it is cut.
void cell(QPainter &p, const QRectF &r, int flags, const QString &text)
{
    const QFont normal = p.font();
    const qreal full = text.isEmpty() ? 0 : textWidth(normal, text, r.width());
    if (full > r.width()) {
        QFont s = normal;
        int size = std::max(1, int(normal.pixelSize() * r.width() / full));
        s.setPixelSize(size);
        while (size > 1 && textWidth(s, text, r.width()) > r.width())
            s.setPixelSize(--size);
        p.setFont(s);
    }
    p.drawText(r, flags | Qt::TextSingleLine, text);
    p.setFont(normal);
}

int lineCount(const QFont &f, qreal width, const QString &text)
{
    return int(fitted(f, width, text).lines.size());
}

// The distance from one line of a value to the next.
int lineStep(const QFont &f)
{
    return qCeil(QFontMetricsF(f).lineSpacing());
}

// Draws a value in a box one line high, going on below it in further lines
// when it does not fit; returns the number of lines.
int wrappedCell(QPainter &p, const QRectF &r, int flags, const QString &text)
{
    const QFont normal = p.font();
    const Fitted fit = fitted(normal, r.width(), text);
    const int step = lineStep(normal);
    p.setFont(fit.font);
    for (int i = 0; i < fit.lines.size(); ++i)
        p.drawText(r.translated(0, i * step), flags | Qt::TextSingleLine, fit.lines[i]);
    p.setFont(normal);
    return int(fit.lines.size());
}

} // namespace vb::report
