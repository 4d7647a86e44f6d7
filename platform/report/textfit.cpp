#include "textfit.h"

#include "pdfwriter.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <array>
#include <memory>
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
    thread_local std::vector<Widths> tables;
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

    thread_local QHash<QString, qreal> known;
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

namespace {

// A text shaped once for a font and kept: a long report prints the same
// dates, names and totals on page after page, and shaping a text (finding
// its glyphs and their places) costs more than drawing it.
struct Shaped {
    QTextLayout layout;
    qreal width = 0, height = 0;
    mutable std::unique_ptr<PdfText> pdf; // its glyphs for a PDF, once one is written
};

// The texts shaped so far, by font; a report uses a dozen fonts or so.
struct ShapedInFont {
    QFont font;
    int dpi;
    QHash<QString, std::shared_ptr<Shaped>> texts;
};

// Each thread that paints keeps its own: a text is shaped in the fonts of
// the thread that draws it.
thread_local std::vector<ShapedInFont> shapedFonts;

const Shaped &shaped(const QFont &f, int dpi, const QString &text)
{
    thread_local size_t last = 0;
    if (last >= shapedFonts.size() || shapedFonts[last].dpi != dpi || shapedFonts[last].font != f) {
        last = 0;
        while (last < shapedFonts.size() && (shapedFonts[last].dpi != dpi || shapedFonts[last].font != f))
            ++last;
        if (last == shapedFonts.size())
            shapedFonts.push_back({f, dpi, {}});
    }
    QHash<QString, std::shared_ptr<Shaped>> &known = shapedFonts[last].texts;
    auto it = known.constFind(text);
    if (it != known.constEnd())
        return **it;
    if (known.size() > 2000)
        known.clear();
    // As QPainter::drawText lays out a single line: line breaks become
    // blanks and trailing blanks count.
    QString line = text;
    for (QChar &c : line)
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator)
            c = u' ';
    auto s = std::make_shared<Shaped>();
    s->layout.setText(line);
    s->layout.setFont(f);
    s->layout.setCacheEnabled(true);
    QTextOption option;
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    s->layout.setTextOption(option);
    s->layout.beginLayout();
    QTextLine l = s->layout.createLine();
    l.setLineWidth(0x01000000);
    l.setPosition(QPointF(0, 0));
    s->height = l.ascent() + l.descent();
    s->width = l.naturalTextWidth();
    s->layout.endLayout();
    return **known.insert(text, std::move(s));
}

} // namespace

// Draws a text on one line of a box as QPainter::drawText(r, flags |
// Qt::TextSingleLine, text) does, with the text shaped once for its font.
void drawLine(QPainter &p, const QRectF &r, int flags, const QString &text)
{
    if (text.isEmpty())
        return;
    // Numbers and dates, most of a long report's texts, go to a PDF unshaped.
    if (PdfWriter *pdf = PdfWriter::of(p); pdf && pdf->drawPlain(p, r, flags, text))
        return;
    const Shaped &s = shaped(p.font(), p.device() ? p.device()->logicalDpiY() : 0, text);
    qreal xoff = 0, yoff = 0;
    if (flags & Qt::AlignBottom)
        yoff = r.height() - s.height;
    else if (flags & Qt::AlignVCenter)
        yoff = (r.height() - s.height) / 2;
    if (flags & Qt::AlignRight)
        xoff = r.width() - s.width;
    else if (flags & Qt::AlignHCenter)
        xoff = (r.width() - s.width) / 2;
    const QRectF bounds(r.x() + xoff, r.y() + yoff, s.width, s.height);
    const bool clip = !r.contains(bounds);
    if (clip) {
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
    }
    const QTextLine line = s.layout.lineAt(0);
    const qreal advance = line.horizontalAdvance();
    if (flags & Qt::AlignRight)
        xoff = r.width() - advance;
    else if (flags & Qt::AlignHCenter)
        xoff = (r.width() - advance) / 2;
    else
        xoff = 0;
    if (PdfWriter *pdf = PdfWriter::of(p)) {
        if (!s.pdf)
            s.pdf = pdfText(line, s.layout.text());
        pdf->drawText(p, QPointF(r.x() + xoff, r.y() + yoff), *s.pdf);
    } else {
        line.draw(&p, QPointF(r.x() + xoff, r.y() + yoff));
    }
    if (clip)
        p.restore();
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
    drawLine(p, r, flags, text);
    if (p.font() != normal)
        p.setFont(normal);
}

int lineCount(const QFont &f, qreal width, const QString &text)
{
    return int(fitted(f, width, text).lines.size());
}

namespace {
thread_local std::vector<std::pair<QFont, int>> lineSteps;
} // namespace

// The distance from one line of a value to the next.
int lineStep(const QFont &f)
{
    // Asked for every value of a report, in a few fonts: measured once each.
    for (const auto &[font, step] : lineSteps)
        if (font == f)
            return step;
    if (lineSteps.size() > 64)
        lineSteps.clear();
    lineSteps.emplace_back(f, qCeil(QFontMetricsF(f).lineSpacing()));
    return lineSteps.back().second;
}

// Draws a value in a box one line high, going on below it in further lines
// when it does not fit; returns the number of lines.
int wrappedCell(QPainter &p, const QRectF &r, int flags, const QString &text)
{
    const QFont normal = p.font();
    const Fitted fit = fitted(normal, r.width(), text);
    const int step = lineStep(normal);
    if (fit.font != normal)
        p.setFont(fit.font);
    for (int i = 0; i < fit.lines.size(); ++i)
        drawLine(p, r.translated(0, i * step), flags, fit.lines[i]);
    if (fit.font != normal)
        p.setFont(normal);
    return int(fit.lines.size());
}

void forgetTexts()
{
    shapedFonts.clear();
    lineSteps.clear();
    PdfWriter::forgetFonts();
}

} // namespace vb::report
