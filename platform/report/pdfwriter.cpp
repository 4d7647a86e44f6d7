#include "pdfwriter.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace vb::report {

namespace {

// ---- numbers and strings as PDF writes them ---------------------------------------

// A page's operators, added a few bytes at a time, tens of thousands of
// times a page: a plain buffer that only grows, with none of the checks of
// QByteArray's general append.
class Ops
{
public:
    Ops &append(const char *s, qsizetype n)
    {
        if (m_buf.size() - m_size < size_t(n))
            m_buf.resize(std::max(2 * m_buf.size(), m_size + size_t(n) + 4096));
        std::memcpy(m_buf.data() + m_size, s, size_t(n));
        m_size += size_t(n);
        return *this;
    }
    Ops &operator+=(const char *s) { return append(s, qsizetype(std::strlen(s))); }
    Ops &operator+=(const QByteArray &b) { return append(b.constData(), b.size()); }
    Ops &operator+=(char c) { return append(&c, 1); }
    // What was added since the last take, as one array; the buffer is kept.
    QByteArray take()
    {
        QByteArray out(m_buf.data(), qsizetype(m_size));
        m_size = 0;
        return out;
    }
    void clear() { m_size = 0; }

private:
    std::vector<char> m_buf;
    size_t m_size = 0;
};

// A number with at most the given decimals, without trailing zeros.
template <class Out>
void put(Out &out, double v, int decimals = 2)
{
    static constexpr long long Scale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    long long n = std::llround(v * Scale[decimals]);
    char buf[32];
    buf[sizeof buf - 1] = ' '; // the number is followed by a blank
    char *end = buf + sizeof buf - 1, *p = end;
    const bool negative = n < 0;
    if (negative)
        n = -n;
    long long whole = n / Scale[decimals], frac = n % Scale[decimals];
    int digits = decimals;
    while (digits > 0 && frac % 10 == 0) {
        frac /= 10;
        --digits;
    }
    if (digits > 0) {
        for (int i = 0; i < digits; ++i) {
            *--p = char('0' + frac % 10);
            frac /= 10;
        }
        *--p = '.';
    }
    do {
        *--p = char('0' + whole % 10);
        whole /= 10;
    } while (whole);
    if (negative && (p[0] != '0' || p + 1 != end))
        *--p = '-';
    out.append(p, end + 1 - p);
}

template <class Out>
void putHex4(Out &out, quint32 v)
{
    static const char Hex[] = "0123456789ABCDEF";
    const char s[4] = {Hex[(v >> 12) & 15], Hex[(v >> 8) & 15], Hex[(v >> 4) & 15], Hex[v & 15]};
    out.append(s, 4);
}

// A text string as UTF-16 with its byte order mark, in hex.
QByteArray textString(const QString &s)
{
    QByteArray out = "<FEFF";
    for (QChar c : s)
        putHex4(out, c.unicode());
    return out + '>';
}

quint16 u16(const QByteArray &t, int at)
{
    return at + 2 <= t.size() ? qFromBigEndian<quint16>(t.constData() + at) : 0;
}

quint32 u32(const QByteArray &t, int at)
{
    return at + 4 <= t.size() ? qFromBigEndian<quint32>(t.constData() + at) : 0;
}

// ---- the fonts texts were shaped in -------------------------------------------

// A font face, whatever the size; a report uses two or three.
struct KnownFont {
    QRawFont raw;
    QString family, style;
    bool embeddable = false; // TrueType outlines; others are drawn as paths
    int unitsPerEm = 1000;
    std::vector<quint16> advances;
    QByteArray name; // PostScript-like: "DejaVuSans-Bold"
};

// The fonts of the thread that paints: a font is that thread's, and the
// prepared texts kept by the report's text cache name them by number.
thread_local std::vector<KnownFont> threadFonts;

std::vector<KnownFont> &knownFonts()
{
    return threadFonts;
}

int fontIndex(const QRawFont &raw)
{
    auto &fonts = knownFonts();
    const QString family = raw.familyName(), style = raw.styleName();
    for (size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i].family == family && fonts[i].style == style)
            return int(i);
    KnownFont f;
    f.raw = raw;
    f.family = family;
    f.style = style;
    const QByteArray head = raw.fontTable("head"), hhea = raw.fontTable("hhea"), hmtx = raw.fontTable("hmtx");
    f.embeddable = head.size() >= 54 && hhea.size() >= 36 && !raw.fontTable("glyf").isEmpty() &&
                   !raw.fontTable("loca").isEmpty() && !raw.fontTable("maxp").isEmpty();
    if (f.embeddable) {
        f.unitsPerEm = std::max<int>(16, u16(head, 18));
        const int metrics = u16(hhea, 34);
        for (int i = 0; i < metrics; ++i)
            f.advances.push_back(u16(hmtx, 4 * i));
        f.embeddable = !f.advances.empty();
    }
    QString name = family + (style.isEmpty() || style == u"Book" || style == u"Regular" ? QString() : u'-' + style);
    name.remove(u' ');
    for (QChar c : name)
        f.name += c.unicode() > 32 && c.unicode() < 127 && !std::strchr("()<>[]{}/%#", char(c.unicode()))
                      ? char(c.unicode())
                      : '_';
    fonts.push_back(std::move(f));
    return int(fonts.size() - 1);
}

quint16 advanceOf(const KnownFont &f, quint32 glyph)
{
    return glyph < f.advances.size() ? f.advances[glyph] : f.advances.back();
}

// The path operators of a path, in its own units.
QByteArray pathOps(const QPainterPath &path)
{
    QByteArray out;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            put(out, e.x), put(out, e.y), out += "m\n";
            break;
        case QPainterPath::LineToElement:
            put(out, e.x), put(out, e.y), out += "l\n";
            break;
        case QPainterPath::CurveToElement:
            for (int k = 0; k < 3 && i + k < path.elementCount(); ++k)
                put(out, path.elementAt(i + k).x), put(out, path.elementAt(i + k).y);
            out += "c\n";
            i += 2;
            break;
        case QPainterPath::CurveToDataElement: break;
        }
    }
    return out;
}

// A subset of a TrueType font: the glyphs used (and the ones they are made
// of) keep their numbers, every other glyph is left empty.
QByteArray subsetFont(const QRawFont &raw, std::vector<bool> used)
{
    QByteArray head = raw.fontTable("head");
    const QByteArray loca = raw.fontTable("loca"), glyf = raw.fontTable("glyf"), maxp = raw.fontTable("maxp");
    const int glyphs = u16(maxp, 4);
    const bool longLoca = u16(head, 50) == 1;
    auto where = [&](int g) -> std::pair<quint32, quint32> {
        if (g < 0 || g >= glyphs)
            return {0, 0};
        const quint32 a = longLoca ? u32(loca, 4 * g) : 2u * u16(loca, 2 * g);
        const quint32 b = longLoca ? u32(loca, 4 * g + 4) : 2u * u16(loca, 2 * g + 2);
        return b > a && b <= quint32(glyf.size()) ? std::pair{a, b} : std::pair{a, a};
    };
    used.resize(size_t(std::max(glyphs, 1)));
    used[0] = true; // the glyph of a missing letter
    // A composite glyph names its parts.
    std::vector<int> todo;
    for (int g = 0; g < glyphs; ++g)
        if (used[size_t(g)])
            todo.push_back(g);
    while (!todo.empty()) {
        const auto [a, b] = where(todo.back());
        todo.pop_back();
        if (b - a < 10 || qint16(u16(glyf, int(a))) >= 0)
            continue;
        int at = int(a) + 10;
        for (;;) {
            const quint16 flags = u16(glyf, at), part = u16(glyf, at + 2);
            if (part < glyphs && !used[part]) {
                used[part] = true;
                todo.push_back(part);
            }
            at += 4 + ((flags & 0x1) ? 4 : 2);
            if (flags & 0x8)
                at += 2;
            else if (flags & 0x40)
                at += 4;
            else if (flags & 0x80)
                at += 8;
            if (!(flags & 0x20) || at >= int(b))
                break;
        }
    }
    QByteArray newGlyf, newLoca;
    for (int g = 0; g <= glyphs; ++g) {
        char offset[4];
        qToBigEndian<quint32>(quint32(newGlyf.size()), offset);
        newLoca.append(offset, 4);
        if (g < glyphs && used[size_t(g)]) {
            const auto [a, b] = where(g);
            newGlyf.append(glyf.constData() + a, b - a);
            while (newGlyf.size() % 4)
                newGlyf.append('\0');
        }
    }
    qToBigEndian<quint16>(1, head.data() + 50); // long offsets
    qToBigEndian<quint32>(0, head.data() + 8);  // checksum adjustment
    QByteArray post = raw.fontTable("post").left(32);
    if (post.size() == 32)
        qToBigEndian<quint32>(0x00030000, post.data()); // no glyph names

    std::map<QByteArray, QByteArray> tables;
    tables["head"] = head;
    tables["hhea"] = raw.fontTable("hhea");
    tables["hmtx"] = raw.fontTable("hmtx");
    tables["maxp"] = maxp;
    tables["loca"] = newLoca;
    tables["glyf"] = newGlyf;
    for (const char *tag : {"cvt ", "fpgm", "prep", "cmap", "OS/2", "name"})
        if (QByteArray t = raw.fontTable(tag); !t.isEmpty())
            tables[tag] = t;
    if (post.size() == 32)
        tables["post"] = post;

    const int count = int(tables.size());
    int power = 1, log2 = 0;
    while (power * 2 <= count)
        power *= 2, ++log2;
    QByteArray out(12 + 16 * count, '\0');
    qToBigEndian<quint32>(0x00010000, out.data());
    qToBigEndian<quint16>(quint16(count), out.data() + 4);
    qToBigEndian<quint16>(quint16(power * 16), out.data() + 6);
    qToBigEndian<quint16>(quint16(log2), out.data() + 8);
    qToBigEndian<quint16>(quint16(count * 16 - power * 16), out.data() + 10);
    int entry = 12;
    for (auto &[tag, data] : tables) {
        const int length = int(data.size());
        while (data.size() % 4)
            data.append('\0');
        quint32 sum = 0;
        for (int i = 0; i < data.size(); i += 4)
            sum += u32(data, i);
        char *e = out.data() + entry;
        std::memcpy(e, tag.constData(), 4);
        qToBigEndian<quint32>(sum, e + 4);
        qToBigEndian<quint32>(quint32(out.size()), e + 8);
        qToBigEndian<quint32>(quint32(length), e + 12);
        out += data;
        entry += 16;
    }
    return out;
}

// ---- compressing pages beside the painting --------------------------------------

// Streams are compressed on worker threads and handed back in the order
// they were given, so the file is written in order while the next pages
// are painted. Only a few are under way at a time.
class Packer
{
public:
    struct Stream {
        int object = 0;
        QByteArray data;
        QByteArray packed;
        int afterObject = 0;
        QByteArray after; // an object written after the stream: the page that shows it
        bool done = false;
    };
    using Write = std::function<void(Stream &)>;

    explicit Packer(Write write) : m_write(std::move(write))
    {
        const int workers = std::max(0, QThread::idealThreadCount() - 1);
        m_limit = size_t(4 * std::max(workers, 1));
        for (int i = 0; i < workers; ++i)
            m_workers.emplace_back([this] { work(); });
    }
    ~Packer()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        for (auto &t : m_workers)
            t.join();
    }

    void add(std::shared_ptr<Stream> s)
    {
        if (m_workers.empty()) {
            pack(*s);
            m_write(*s);
            return;
        }
        bool wake;
        {
            std::lock_guard lock(m_mutex);
            m_todo.push_back(s);
            m_order.push_back(std::move(s));
            // Waking a worker costs the painting thread as much as a small
            // page; a worker woken takes every stream waiting.
            wake = m_todo.size() >= WakeAt;
        }
        if (wake)
            m_wake.notify_one();
        writeReady(false);
    }
    // Writes every stream given so far.
    void flush() { writeReady(true); }

private:
    // Only the thread that took a stream touches it until it is done.
    static void pack(Stream &s)
    {
        s.packed = qCompress(s.data, 3); // zlib's stream after Qt's 4-byte length
        s.data.clear();
    }
    void work()
    {
        for (;;) {
            std::shared_ptr<Stream> s;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return m_stop || !m_todo.empty(); });
                if (m_todo.empty())
                    return;
                s = std::move(m_todo.front());
                m_todo.pop_front();
            }
            pack(*s);
            {
                std::lock_guard lock(m_mutex);
                s->done = true;
            }
            m_doneOne.notify_all();
        }
    }
    // Writes the streams at the head that are done; waits for the head
    // when all must be written or too many are under way.
    void writeReady(bool all)
    {
        for (;;) {
            std::shared_ptr<Stream> s;
            {
                std::unique_lock lock(m_mutex);
                if (m_order.empty())
                    return;
                if (!m_order.front()->done) {
                    if (!all && m_order.size() <= m_limit)
                        return;
                    m_wake.notify_all();
                    m_doneOne.wait(lock, [&] { return m_order.front()->done; });
                }
                s = std::move(m_order.front());
                m_order.pop_front();
            }
            m_write(*s);
        }
    }

    Write m_write;
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_doneOne;
    std::deque<std::shared_ptr<Stream>> m_todo, m_order;
    size_t m_limit = 4;
    static constexpr size_t WakeAt = 4;
    bool m_stop = false;
};

constexpr auto EngineType = QPaintEngine::Type(QPaintEngine::User + 0x50);
constexpr double PointsPerUnit = 72.0 / 254.0;

std::atomic<quint64> writers{0};

} // namespace

// ---- texts ------------------------------------------------------------------------

// What each glyph of a run stands for, left to right from the letter at
// *at: a glyph that is a letter's own stands for it; one that is not (a
// ligature such as "fi") stands for the letters up to the next letter whose
// own glyph comes next.
static QStringList lettersOf(const QRawFont &raw, const QList<quint32> &glyphs, const QString &text, qsizetype *at)
{
    QStringList out;
    const QList<quint32> own = raw.glyphIndexesForString(text); // one per UTF-16 unit
    qsizetype i = *at;
    auto letterEnd = [&](qsizetype k) { return k + (k + 1 < text.size() && text[k].isHighSurrogate() ? 2 : 1); };
    for (qsizetype g = 0; g < glyphs.size(); ++g) {
        if (i >= text.size()) {
            out << QString();
            continue;
        }
        if (own.value(i) == glyphs[g]) {
            const qsizetype end = letterEnd(i);
            out << text.mid(i, end - i);
            i = end;
            continue;
        }
        qsizetype end = letterEnd(i);
        const quint32 next = g + 1 < glyphs.size() ? glyphs[g + 1] : 0;
        while (end < text.size() && (g + 1 >= glyphs.size() || own.value(end) != next))
            end = letterEnd(end);
        out << text.mid(i, end - i);
        i = end;
    }
    *at = i;
    return out;
}

std::unique_ptr<PdfText> pdfText(const QTextLine &line, const QString &text)
{
    auto out = std::make_unique<PdfText>();
    out->text = text;
    qsizetype letter = 0;
    bool inOrder = true;
    for (const QGlyphRun &run : line.glyphRuns()) {
        const QList<quint32> ids = run.glyphIndexes();
        const QList<QPointF> pos = run.positions();
        if (ids.isEmpty() || pos.size() != ids.size())
            continue;
        const QRawFont raw = run.rawFont();
        PdfText::Run r;
        r.font = fontIndex(raw);
        r.size = raw.pixelSize();
        r.origin = pos.front();
        const KnownFont &f = knownFonts()[size_t(r.font)];
        if (!f.embeddable || r.size <= 0) {
            QPainterPath path;
            for (qsizetype i = 0; i < ids.size(); ++i)
                path.addPath(raw.pathForGlyph(ids[i]).translated(pos[i] - r.origin));
            r.outline = pathOps(path);
            out->runs.push_back(std::move(r));
            inOrder = false;
            continue;
        }
        const double scale = r.size / f.unitsPerEm;
        r.show = "[<";
        for (qsizetype i = 0; i < ids.size(); ++i) {
            putHex4(r.show, ids[i]);
            if (i + 1 < ids.size()) {
                // Where the font puts the next glyph, and where shaping did.
                const double expected = pos[i].x() + advanceOf(f, ids[i]) * scale;
                const double adjust = (expected - pos[i + 1].x()) * 1000 / r.size;
                if (std::abs(adjust) >= 0.5) {
                    r.show += '>';
                    put(r.show, std::round(adjust), 0);
                    r.show.chop(1);
                    r.show += '<';
                }
            }
        }
        r.show += ">]TJ\n";
        r.glyphs.assign(ids.begin(), ids.end());
        // Glyphs of text set right to left are not matched to their letters
        // here; each is found by its letter when the text is registered.
        inOrder = inOrder && !run.isRightToLeft();
        if (inOrder)
            r.letters = lettersOf(raw, ids, text, &letter);
        out->runs.push_back(std::move(r));
    }
    return out;
}

// ---- the writer -------------------------------------------------------------------

class PdfEngine : public QPaintEngine
{
public:
    explicit PdfEngine(PdfWriter &writer) : QPaintEngine(AllFeatures), m_writer(writer) {}
    bool begin(QPaintDevice *) override;
    bool end() override;
    void updateState(const QPaintEngineState &) override {}
    void drawLines(const QLineF *lines, int count) override;
    void drawRects(const QRectF *rects, int count) override;
    void drawPath(const QPainterPath &path) override;
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override;
    void drawTextItem(const QPointF &p, const QTextItem &item) override;
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override;
    Type type() const override { return EngineType; }

    PdfWriter &m_writer;
};

struct PdfWriter::Private {
    QFile file;
    QString error;
    QSize pageSize;
    QString title, creator;
    quint64 id = ++writers;
    PdfEngine engine;

    qint64 written = 0;
    std::vector<qint64> offsets; // of each object, by number
    int nextObject = 5;          // 1 the catalogue, 2 the page tree, 3 the resources, 4 the information
    std::vector<int> pageObjects;
    std::vector<int> partObjects; // by handle

    // The page or part being painted, and the state its stream has set.
    bool open = false;
    int partPainted = -1;
    int contentObject = 0, pageObject = 0, pagePart = -1;
    Ops content;
    bool inText = false;
    QRgb fill = 0, stroke = 0;
    bool fillSet = false, strokeSet = false;
    double lineWidth = -1;
    int cap = -1, join = -1;
    int font = -1;
    double fontSize = 0;

    // The glyphs used of each font, and the letters they stand for.
    struct FontUse {
        std::vector<bool> glyphs, lettered;
        QHash<quint32, QString> letters;
    };
    std::map<int, FontUse> fonts;

    std::unique_ptr<Packer> packer;

    explicit Private(PdfWriter &w) : engine(w) {}

    int reserve()
    {
        return nextObject++;
    }
    void write(const QByteArray &bytes)
    {
        if (error.isEmpty() && file.write(bytes) != bytes.size())
            error = file.errorString();
        written += bytes.size();
    }
    void beginObject(int n)
    {
        if (offsets.size() <= size_t(n))
            offsets.resize(size_t(n) + 1, -1);
        offsets[size_t(n)] = written;
        write(QByteArray::number(n) + " 0 obj\n");
    }
    void object(int n, const QByteArray &body)
    {
        beginObject(n);
        write(body);
        write("\nendobj\n");
    }
    void stream(int n, const QByteArray &data, const QByteArray &dict = {})
    {
        auto s = std::make_shared<Packer::Stream>();
        s->object = n;
        s->data = data;
        s->after = dict;
        packer->add(std::move(s));
    }
    void writeStream(Packer::Stream &s)
    {
        const qsizetype length = std::max<qsizetype>(0, s.packed.size() - 4);
        beginObject(s.object);
        write("<< /Length " + QByteArray::number(length) + " /Filter /FlateDecode >>\nstream\n");
        write(QByteArray::fromRawData(s.packed.constData() + 4, length));
        write("\nendstream\nendobj\n");
        s.packed.clear();
        if (s.afterObject)
            object(s.afterObject, s.after);
    }

    void forgetState()
    {
        fillSet = strokeSet = false;
        lineWidth = -1;
        cap = join = -1;
        font = -1;
    }
    void startStream(bool page)
    {
        content.clear();
        inText = false;
        forgetState();
        if (page) {
            put(content, PointsPerUnit, 6), content += "0 0 ";
            put(content, -PointsPerUnit, 6), content += "0 ";
            put(content, pageSize.height() * PointsPerUnit, 3), content += "cm\n";
        }
    }
    void graphics()
    {
        if (inText) {
            content += "ET\n";
            inText = false;
        }
    }
    void text()
    {
        if (!inText) {
            content += "BT\n";
            inText = true;
        }
    }
    static void putColour(Ops &out, QRgb c)
    {
        put(out, qRed(c) / 255.0, 3), put(out, qGreen(c) / 255.0, 3), put(out, qBlue(c) / 255.0, 3);
    }
    void setFill(QRgb c)
    {
        if (!fillSet || fill != c) {
            putColour(content, c);
            content += "rg\n";
            fill = c;
            fillSet = true;
        }
    }
    void setPen(const QPen &pen)
    {
        const QRgb c = pen.color().rgb();
        if (!strokeSet || stroke != c) {
            putColour(content, c);
            content += "RG\n";
            stroke = c;
            strokeSet = true;
        }
        if (pen.widthF() != lineWidth) {
            lineWidth = pen.widthF();
            put(content, lineWidth), content += "w\n";
        }
        const int c2 = pen.capStyle() == Qt::FlatCap ? 0 : pen.capStyle() == Qt::RoundCap ? 1 : 2;
        const int j = pen.joinStyle() == Qt::RoundJoin ? 1 : pen.joinStyle() == Qt::BevelJoin ? 2 : 0;
        if (c2 != cap)
            content += QByteArray::number(cap = c2) + " J\n";
        if (j != join)
            content += QByteArray::number(join = j) + " j\n";
    }
    // Wraps drawing in the painter's transform and clip when it has them;
    // returns whether a state was saved, to be restored by leave().
    bool enter(const QPainter &p)
    {
        const QTransform t = p.combinedTransform();
        const bool clip = p.hasClipping();
        if (t.isIdentity() && !clip)
            return false;
        graphics();
        content += "q\n";
        if (clip) {
            content += pathOps(t.map(p.clipPath()));
            content += "W n\n";
        }
        if (!t.isIdentity()) {
            put(content, t.m11(), 4), put(content, t.m12(), 4), put(content, t.m21(), 4), put(content, t.m22(), 4);
            put(content, t.dx()), put(content, t.dy()), content += "cm\n";
        }
        return true;
    }
    void leave(bool saved)
    {
        if (saved) {
            graphics();
            content += "Q\n";
            forgetState();
        }
    }

    // Paints a shape whose outline ops() gives: filled with the painter's
    // brush, drawn with its pen.
    template <typename Ops>
    void paintShape(const QPainter &p, Ops ops, bool evenOdd = false)
    {
        const bool fill = p.brush().style() != Qt::NoBrush, stroke = p.pen().style() != Qt::NoPen;
        if (!fill && !stroke)
            return;
        const bool saved = enter(p);
        graphics();
        if (fill)
            setFill(p.brush().color().rgb());
        if (stroke)
            setPen(p.pen());
        ops();
        content += fill && stroke ? (evenOdd ? "B*\n" : "B\n") : fill ? (evenOdd ? "f*\n" : "f\n") : "S\n";
        leave(saved);
    }

    void beginPage()
    {
        open = true;
        contentObject = reserve();
        pageObject = reserve();
        pagePart = -1;
        startStream(true);
    }
    void endPage()
    {
        if (!open)
            return;
        graphics();
        open = false;
        pageObjects.push_back(pageObject);
        QByteArray page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
        put(page, pageSize.width() * PointsPerUnit, 3);
        put(page, pageSize.height() * PointsPerUnit, 3);
        page += "] /Resources 3 0 R /Contents ";
        const QByteArray own = QByteArray::number(contentObject) + " 0 R";
        page += pagePart < 0 ? own : "[" + own + " " + QByteArray::number(partObjects[size_t(pagePart)]) + " 0 R]";
        page += " >>";
        auto s = std::make_shared<Packer::Stream>();
        s->object = contentObject;
        s->data = content.take();
        s->afterObject = pageObject;
        s->after = page;
        packer->add(std::move(s));
    }

    void registerText(const PdfText &t)
    {
        for (const auto &r : t.runs) {
            if (!r.outline.isEmpty())
                continue;
            FontUse &use = fonts[r.font];
            for (size_t i = 0; i < r.glyphs.size(); ++i) {
                const quint32 g = r.glyphs[i];
                if (use.glyphs.size() <= g)
                    use.glyphs.resize(g + 1);
                use.glyphs[g] = true;
                if (qsizetype(i) < r.letters.size() && !r.letters[qsizetype(i)].isEmpty() && !use.letters.contains(g))
                    use.letters.insert(g, r.letters[qsizetype(i)]);
            }
            if (r.letters.isEmpty()) {
                // Glyphs not one for each letter: each letter's own glyph.
                const QRawFont &raw = knownFonts()[size_t(r.font)].raw;
                for (char32_t c : t.text.toUcs4()) {
                    const QString letter = QString::fromUcs4(&c, 1);
                    const QList<quint32> g = raw.glyphIndexesForString(letter);
                    if (g.size() == 1 && g[0] != 0 &&
                        std::find(r.glyphs.begin(), r.glyphs.end(), g[0]) != r.glyphs.end() &&
                        !use.letters.contains(g[0]))
                        use.letters.insert(g[0], letter);
                }
            }
        }
        t.registeredIn = id;
    }

    void writeFonts(QByteArray &resources);
};

PdfWriter::PdfWriter(const QString &fileName, QSize pageSize, const QString &title, const QString &creator)
    : d(std::make_unique<Private>(*this))
{
    d->pageSize = pageSize;
    d->title = title;
    d->creator = creator;
    d->file.setFileName(fileName);
    if (!d->file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        d->error = d->file.errorString();
        return;
    }
    d->packer = std::make_unique<Packer>([this](Packer::Stream &s) {
        d->writeStream(s);
    });
    d->write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

PdfWriter::~PdfWriter()
{
    d->packer.reset();
}

QString PdfWriter::error() const
{
    return d->error;
}

QPaintEngine *PdfWriter::paintEngine() const
{
    return &d->engine;
}

int PdfWriter::metric(PaintDeviceMetric m) const
{
    switch (m) {
    case PdmWidth: return d->pageSize.width();
    case PdmHeight: return d->pageSize.height();
    case PdmWidthMM: return d->pageSize.width() / 10;
    case PdmHeightMM: return d->pageSize.height() / 10;
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return 254;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
    }
    return 0;
}

void PdfWriter::newPage()
{
    if (!d->packer)
        return;
    d->endPage();
    d->beginPage();
}

int PdfWriter::keepPart()
{
    d->partObjects.push_back(d->reserve());
    d->pagePart = int(d->partObjects.size() - 1);
    return d->pagePart;
}

void PdfWriter::beginPart(int handle)
{
    if (!d->packer || handle < 0 || size_t(handle) >= d->partObjects.size())
        return;
    d->endPage();
    d->partPainted = handle;
    d->startStream(false);
}

void PdfWriter::endPart()
{
    if (d->partPainted < 0)
        return;
    d->graphics();
    d->stream(d->partObjects[size_t(d->partPainted)], d->content.take());
    d->partPainted = -1;
}

PdfWriter *PdfWriter::of(const QPainter &painter)
{
    QPaintEngine *e = painter.paintEngine();
    return e && e->type() == EngineType ? &static_cast<PdfEngine *>(e)->m_writer : nullptr;
}

void PdfWriter::drawText(const QPainter &p, const QPointF &at, const PdfText &t)
{
    if (t.registeredIn != d->id)
        d->registerText(t);
    const QTransform m = p.combinedTransform();
    const bool plain = m.isIdentity();
    const bool clipped = p.hasClipping();
    if (clipped) {
        d->graphics();
        d->content += "q\n" + pathOps(m.map(p.clipPath())) + "W n\n";
    }
    for (const auto &r : t.runs) {
        const QPointF o = plain ? at + r.origin : m.map(at + r.origin);
        if (!r.outline.isEmpty()) {
            d->graphics();
            d->setFill(p.pen().color().rgb());
            d->content += "q\n";
            put(d->content, m.m11(), 4), put(d->content, m.m12(), 4);
            put(d->content, m.m21(), 4), put(d->content, m.m22(), 4);
            put(d->content, o.x()), put(d->content, o.y()), d->content += "cm\n";
            d->content += r.outline + "f\nQ\n";
            d->forgetState();
            continue;
        }
        d->text();
        d->setFill(p.pen().color().rgb());
        if (d->font != r.font || d->fontSize != r.size) {
            d->font = r.font;
            d->fontSize = r.size;
            d->content += "/F" + QByteArray::number(r.font) + ' ';
            put(d->content, r.size);
            d->content += "Tf\n";
        }
        if (plain) {
            d->content += "1 0 0 -1 ";
        } else {
            put(d->content, m.m11(), 4), put(d->content, m.m12(), 4);
            put(d->content, -m.m21(), 4), put(d->content, -m.m22(), 4);
        }
        put(d->content, o.x()), put(d->content, o.y());
        d->content += "Tm ";
        d->content += r.show;
    }
    if (clipped) {
        d->graphics();
        d->content += "Q\n";
        d->forgetState();
    }
}

namespace {

// A font as plain texts use it: the glyphs and advances of the signs.
struct PlainFont {
    QFont font;
    int index = -1;
    double size = 0, ascent = 0, descent = 0;
    std::array<quint16, 128> glyph{};
    std::array<double, 128> advance{};
};

bool plainSign(char16_t c)
{
    return (c >= u'0' && c <= u'9') || c == u' ' || c == u'/' || c == u':' || c == u'.' || c == u',' || c == u'-';
}

thread_local std::vector<PlainFont> plainFonts;

const PlainFont *plainFont(const QFont &f)
{
    thread_local size_t last = 0;
    if (last < plainFonts.size() && plainFonts[last].font == f)
        return plainFonts[last].index < 0 ? nullptr : &plainFonts[last];
    for (last = 0; last < plainFonts.size(); ++last)
        if (plainFonts[last].font == f)
            return plainFonts[last].index < 0 ? nullptr : &plainFonts[last];
    PlainFont pf;
    pf.font = f;
    const QRawFont raw = QRawFont::fromFont(f);
    if (raw.isValid()) {
        pf.index = fontIndex(raw);
        const KnownFont &k = knownFonts()[size_t(pf.index)];
        pf.size = raw.pixelSize();
        const QFontMetricsF metrics(f);
        pf.ascent = metrics.ascent();
        pf.descent = metrics.descent();
        for (char16_t c = 0; c < 128; ++c) {
            if (!plainSign(c))
                continue;
            const QList<quint32> g = raw.glyphIndexesForString(QString(QChar(c)));
            if (g.size() != 1 || g[0] == 0 || !k.embeddable) {
                pf.index = -1;
                break;
            }
            pf.glyph[c] = quint16(g[0]);
            pf.advance[c] = advanceOf(k, g[0]) * pf.size / k.unitsPerEm;
        }
    }
    plainFonts.push_back(pf);
    return plainFonts.back().index < 0 ? nullptr : &plainFonts.back();
}

} // namespace

void PdfWriter::forgetFonts()
{
    plainFonts.clear();
    threadFonts.clear();
}

bool PdfWriter::drawPlain(const QPainter &p, const QRectF &r, int flags, const QString &text)
{
    double width = 0;
    for (QChar c : text) {
        if (!plainSign(c.unicode()))
            return false;
    }
    const PlainFont *f = plainFont(p.font());
    if (!f || text.isEmpty())
        return false;
    for (QChar c : text)
        width += f->advance[c.unicode()];
    const double height = f->ascent + f->descent;
    if (width > r.width() || height > r.height())
        return false;
    QTransform m = p.combinedTransform();
    if (!m.isIdentity() || p.hasClipping())
        return false;
    double x = r.x(), y = r.y();
    if (flags & Qt::AlignRight)
        x += r.width() - width;
    else if (flags & Qt::AlignHCenter)
        x += (r.width() - width) / 2;
    if (flags & Qt::AlignBottom)
        y += r.height() - height;
    else if (flags & Qt::AlignVCenter)
        y += (r.height() - height) / 2;

    Private::FontUse &use = d->fonts[f->index];
    if (use.glyphs.size() < 0x10000) {
        use.glyphs.resize(0x10000);
        use.lettered.resize(0x10000);
    }
    d->text();
    d->setFill(p.pen().color().rgb());
    if (d->font != f->index || d->fontSize != f->size) {
        d->font = f->index;
        d->fontSize = f->size;
        d->content += "/F" + QByteArray::number(f->index) + ' ';
        put(d->content, f->size);
        d->content += "Tf\n";
    }
    d->content += "1 0 0 -1 ";
    put(d->content, x), put(d->content, y + f->ascent);
    d->content += "Tm [<";
    for (QChar c : text) {
        const quint16 g = f->glyph[c.unicode()];
        putHex4(d->content, g);
        if (!use.lettered[g]) {
            use.glyphs[g] = true;
            use.lettered[g] = true;
            use.letters.insert(g, QString(c));
        }
    }
    d->content += ">]TJ\n";
    return true;
}

bool PdfEngine::begin(QPaintDevice *)
{
    if (!m_writer.d->packer)
        return false;
    if (!m_writer.d->open && m_writer.d->pageObjects.empty())
        m_writer.d->beginPage();
    return true;
}

bool PdfEngine::end()
{
    m_writer.endPart();
    m_writer.d->endPage();
    return true;
}

void PdfEngine::drawLines(const QLineF *lines, int count)
{
    auto &d = *m_writer.d;
    const QPainter &p = *painter();
    if (p.pen().style() == Qt::NoPen)
        return;
    const bool saved = d.enter(p);
    d.graphics();
    d.setPen(p.pen());
    for (int i = 0; i < count; ++i) {
        put(d.content, lines[i].x1()), put(d.content, lines[i].y1()), d.content += "m ";
        put(d.content, lines[i].x2()), put(d.content, lines[i].y2()), d.content += "l\n";
    }
    d.content += "S\n";
    d.leave(saved);
}

void PdfEngine::drawRects(const QRectF *rects, int count)
{
    auto &d = *m_writer.d;
    d.paintShape(*painter(), [&] {
        for (int i = 0; i < count; ++i) {
            put(d.content, rects[i].x()), put(d.content, rects[i].y());
            put(d.content, rects[i].width()), put(d.content, rects[i].height()), d.content += "re\n";
        }
    });
}

void PdfEngine::drawPath(const QPainterPath &path)
{
    auto &d = *m_writer.d;
    if (!path.isEmpty())
        d.paintShape(*painter(), [&] { d.content += pathOps(path); }, path.fillRule() == Qt::OddEvenFill);
}

void PdfEngine::drawPolygon(const QPointF *points, int count, PolygonDrawMode mode)
{
    if (count < 2)
        return;
    QPainterPath path;
    path.moveTo(points[0]);
    for (int i = 1; i < count; ++i)
        path.lineTo(points[i]);
    if (mode == PolylineMode) {
        const QBrush brush = painter()->brush();
        painter()->setBrush(Qt::NoBrush);
        drawPath(path);
        painter()->setBrush(brush);
        return;
    }
    path.closeSubpath();
    path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    drawPath(path);
}

// Text that comes as an item rather than prepared (QPainter::drawText on
// the writer) is drawn as its outline.
void PdfEngine::drawTextItem(const QPointF &at, const QTextItem &item)
{
    QPainterPath path;
    path.addText(at, item.font(), item.text());
    QPainter &p = *painter();
    const QPen pen = p.pen();
    const QBrush brush = p.brush();
    p.setPen(Qt::NoPen);
    p.setBrush(pen.color());
    drawPath(path);
    p.setPen(pen);
    p.setBrush(brush);
}

// Reports draw no pictures.
void PdfEngine::drawPixmap(const QRectF &, const QPixmap &, const QRectF &)
{
    qWarning("PdfWriter: pictures are not written");
}

void PdfWriter::Private::writeFonts(QByteArray &resources)
{
    resources = "<< /ProcSet [/PDF /Text] /Font <<";
    for (auto &[index, use] : fonts) {
        const KnownFont &f = knownFonts()[size_t(index)];
        const int type0 = reserve(), cid = reserve(), descriptor = reserve(), file = reserve(), unicode = reserve();
        resources += " /F" + QByteArray::number(index) + ' ' + QByteArray::number(type0) + " 0 R";

        // A subset is named with six letters of its own before the font's name.
        QByteArray tag;
        size_t h = std::hash<std::vector<bool>>()(use.glyphs) ^ size_t(index);
        for (int i = 0; i < 6; ++i, h /= 26)
            tag += char('A' + h % 26);
        const QByteArray name = tag + '+' + f.name;
        const double em = 1000.0 / f.unitsPerEm;

        object(type0, "<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
                          " /Encoding /Identity-H /DescendantFonts [" + QByteArray::number(cid) + " 0 R] /ToUnicode " +
                          QByteArray::number(unicode) + " 0 R >>");
        QByteArray widths = "[";
        for (size_t g = 0; g < use.glyphs.size(); ++g)
            if (use.glyphs[g]) {
                widths += QByteArray::number(qulonglong(g)) + " [";
                put(widths, advanceOf(f, quint32(g)) * em, 0);
                widths += "] ";
            }
        widths += ']';
        object(cid, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor " +
                        QByteArray::number(descriptor) + " 0 R /CIDToGIDMap /Identity /DW 0 /W " + widths + " >>");
        const QByteArray head = f.raw.fontTable("head"), hhea = f.raw.fontTable("hhea");
        QByteArray box;
        for (int at : {36, 38, 40, 42})
            put(box, qint16(u16(head, at)) * em, 0);
        QByteArray descriptorText = "<< /Type /FontDescriptor /FontName /" + name + " /Flags 32 /FontBBox [" + box +
                                    "] /ItalicAngle 0 /Ascent ";
        put(descriptorText, qint16(u16(hhea, 4)) * em, 0);
        descriptorText += "/Descent ";
        put(descriptorText, qint16(u16(hhea, 6)) * em, 0);
        descriptorText += "/CapHeight ";
        put(descriptorText, qint16(u16(hhea, 4)) * em, 0);
        descriptorText += "/StemV 80 /FontFile2 " + QByteArray::number(file) + " 0 R >>";
        object(descriptor, descriptorText);
        stream(file, subsetFont(f.raw, use.glyphs));

        QByteArray cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                          "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                          "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                          "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
        std::vector<std::pair<quint32, QString>> letters;
        for (auto it = use.letters.cbegin(); it != use.letters.cend(); ++it)
            letters.emplace_back(it.key(), it.value());
        std::sort(letters.begin(), letters.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        for (size_t i = 0; i < letters.size(); i += 100) {
            const size_t n = std::min<size_t>(100, letters.size() - i);
            cmap += QByteArray::number(qulonglong(n)) + " beginbfchar\n";
            for (size_t k = i; k < i + n; ++k) {
                cmap += '<';
                putHex4(cmap, letters[k].first);
                cmap += "> <";
                for (QChar c : letters[k].second)
                    putHex4(cmap, c.unicode());
                cmap += ">\n";
            }
            cmap += "endbfchar\n";
        }
        cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
        stream(unicode, cmap);
    }
    resources += " >> >>";
}

bool PdfWriter::finish()
{
    if (!d->packer)
        return false;
    endPart();
    d->endPage();
    QByteArray resources;
    d->writeFonts(resources);
    d->packer->flush();
    // The pages were written just after their streams.
    d->object(3, resources);
    QByteArray kids = "<< /Type /Pages /Kids [";
    for (int n : d->pageObjects)
        kids += QByteArray::number(n) + " 0 R ";
    kids += "] /Count " + QByteArray::number(qulonglong(d->pageObjects.size())) + " >>";
    d->object(2, kids);
    d->object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    d->object(4, "<< /Title " + textString(d->title) + " /Creator " + textString(d->creator) +
                     " /Producer (Varnock) >>");
    const qint64 xref = d->written;
    d->offsets.resize(size_t(d->nextObject), -1);
    QByteArray table = "xref\n0 " + QByteArray::number(d->nextObject) + "\n0000000000 65535 f \n";
    for (int n = 1; n < d->nextObject; ++n) {
        const qint64 at = d->offsets[size_t(n)];
        table += at < 0 ? QByteArray("0000000000 65535 f \n")
                        : QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    }
    table += "trailer\n<< /Size " + QByteArray::number(d->nextObject) + " /Root 1 0 R /Info 4 0 R >>\nstartxref\n" +
             QByteArray::number(xref) + "\n%%EOF\n";
    d->write(table);
    if (!d->file.flush() && d->error.isEmpty())
        d->error = d->file.errorString();
    d->file.close();
    d->packer.reset();
    return d->error.isEmpty();
}

} // namespace vb::report
