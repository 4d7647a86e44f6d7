#pragma once
// A PDF file written page by page, fast enough for a report of tens of
// thousands of pages. A QPainter paints on it as on any device (lines,
// rectangles, paths); texts come already shaped (PdfText) and are written as
// glyphs of the fonts they were shaped in, embedded as subsets, with a map
// back to their letters so that the text can be searched and copied. Each
// page's content is compressed on worker threads while the next one is
// painted; the file is written in page order. A page may keep a part open
// that is painted after the last page (a footer that gives the page count).
//
// A writer is painted and finished on one thread: the fonts it embeds are
// that thread's.
//
// Units: the device is the page in tenths of a millimetre, 254 dots an inch.
#include <QByteArray>
#include <QFile>
#include <QPaintDevice>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QPainter;
class QTextLine;

namespace vb::report {

// A line of text prepared once for PDF output: its glyph runs, each as the
// operators that show it from its origin.
struct PdfText {
    struct Run {
        int font = -1;         // in the fonts known to the process
        double size = 0;       // pixel size, in page units
        QPointF origin;        // of the first glyph, from the line's place
        QByteArray show;       // "[<0024...>-12<...>]TJ"
        std::vector<quint32> glyphs;
        QStringList letters;   // what each glyph stands for, when known
        QByteArray outline;    // a font that can't be embedded: its glyphs' outlines as a path
    };
    std::vector<Run> runs;
    QString text;
    mutable quint64 registeredIn = 0; // the last writer that took its glyphs
};

// The runs of a laid-out line (one line of a QTextLayout).
std::unique_ptr<PdfText> pdfText(const QTextLine &line, const QString &text);

class PdfEngine;

class PdfWriter : public QPaintDevice
{
public:
    // Opens the file for writing; see error().
    PdfWriter(const QString &fileName, QSize pageSize, const QString &title, const QString &creator);
    ~PdfWriter() override;

    // Empty while all is well; otherwise why the file can't be written.
    QString error() const;

    // Pages: a painter on the writer paints on the current page. The first
    // page is begun by the painter's begin().
    void newPage();
    // Keeps a part of the current page for later, returns its handle.
    int keepPart();
    // Paints the kept part (after the last page), until endPart().
    void beginPart(int handle);
    void endPart();
    // Ends the painting (the painter must be ended) and writes the rest of
    // the file; false with error() set when it could not be written.
    bool finish();

    // Draws a prepared text with its first line's top left at the given place.
    void drawText(const QPainter &painter, const QPointF &at, const PdfText &text);
    // Draws a text of digits and signs (a number, a date, a time), which a
    // font sets letter by letter, in the painter's font on one line of a box
    // as drawText would, without shaping it; false, drawing nothing, for
    // any other text or one the box does not hold.
    bool drawPlain(const QPainter &painter, const QRectF &box, int flags, const QString &text);
    // The writer a painter paints on, or null when it paints on anything else.
    static PdfWriter *of(const QPainter &painter);
    // Drops the fonts that this thread has taken for writers (see forgetTexts).
    static void forgetFonts();

    QPaintEngine *paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    friend class PdfEngine;
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace vb::report
