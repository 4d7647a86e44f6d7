#include "reportdefinition.h"

#include "runtime/convert.h"
#include "runtime/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

namespace vb::report {

namespace {

[[noreturn]] void invalid(const QString &file, int line, const QString &why)
{
    throw RuntimeError(InvalidReport, QStringLiteral("The report file '%1' is not valid: line %2: %3")
                                          .arg(file)
                                          .arg(line)
                                          .arg(why));
}

QStringList cells(const QString &value)
{
    QStringList out;
    for (const QString &c : value.split(QLatin1Char('|')))
        out << c.trimmed();
    return out;
}

QStringList names(const QString &value)
{
    QStringList out;
    for (const QString &n : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!n.trimmed().isEmpty())
            out << n.trimmed();
    return out;
}

bool isName(const QString &s)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(s).hasMatch();
}

} // namespace

QString reportFileText(const QByteArray &bytes)
{
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return fromAnsi(body);
}

ReportDefinition ReportDefinition::load(const QString &fileName)
{
    QFile f(fileName);
    if (!f.exists())
        throw RuntimeError(CannotOpenReport,
                           QStringLiteral("Cannot open the report file '%1': there is no such file in %2")
                               .arg(fileName, QFileInfo(fileName).absolutePath()));
    if (!f.open(QIODevice::ReadOnly))
        throw RuntimeError(CannotOpenReport,
                           QStringLiteral("Cannot open the report file '%1': %2").arg(fileName, f.errorString()));
    return parse(reportFileText(f.readAll()), fileName);
}

ReportDefinition ReportDefinition::parse(const QString &text, const QString &fileName)
{
    ReportDefinition d;
    d.fileName = fileName;
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const int lineNo = n + 1;
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            if (section != QLatin1String("report") && section != QLatin1String("columns") &&
                section != QLatin1String("ticket"))
                invalid(fileName, lineNo, QStringLiteral("unknown section [%1]").arg(section));
            continue;
        }
        const int eq = int(line.indexOf(QLatin1Char('=')));
        if (eq <= 0)
            invalid(fileName, lineNo, QStringLiteral("\"key = value\" expected"));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        auto unknown = [&] {
            invalid(fileName, lineNo, QStringLiteral("unknown key '%1' in [%2]").arg(key, section));
        };

        if (section == QLatin1String("report")) {
            if (key == QLatin1String("kind")) {
                if (value == QLatin1String("list"))
                    d.kind = Kind::List;
                else if (value == QLatin1String("ticket"))
                    d.kind = Kind::Ticket;
                else
                    invalid(fileName, lineNo, QStringLiteral("kind is list or ticket"));
            } else if (key == QLatin1String("database")) {
                d.database = value;
            } else if (key == QLatin1String("source") || key == QLatin1String("parameters")) {
                if (!isName(value))
                    invalid(fileName, lineNo, QStringLiteral("'%1' is not a name").arg(value));
                (key == QLatin1String("source") ? d.source : d.parameters) = value;
            } else if (key == QLatin1String("group")) {
                const QStringList c = cells(value);
                if (c.size() > 2 || !isName(c[0]))
                    invalid(fileName, lineNo, QStringLiteral("group = column [| heading]"));
                d.group = c[0];
                d.groupHeading = c.value(1);
            } else if (key == QLatin1String("filter")) {
                d.filter = value;
            } else if (key == QLatin1String("order") || key == QLatin1String("totals")) {
                const QStringList list = names(value);
                for (const QString &name : list)
                    if (!isName(name))
                        invalid(fileName, lineNo, QStringLiteral("'%1' is not a name").arg(name));
                (key == QLatin1String("order") ? d.order : d.totals) = list;
            } else if (key == QLatin1String("orientation")) {
                if (value != QLatin1String("portrait") && value != QLatin1String("landscape"))
                    invalid(fileName, lineNo, QStringLiteral("orientation is portrait or landscape"));
                d.landscape = value == QLatin1String("landscape");
            } else if (key == QLatin1String("frame")) {
                if (value != QLatin1String("yes") && value != QLatin1String("no"))
                    invalid(fileName, lineNo, QStringLiteral("frame is yes or no"));
                d.frame = value == QLatin1String("yes");
            } else if (key == QLatin1String("top")) {
                bool ok = false;
                d.top = value.toDouble(&ok);
                if (!ok || d.top < 0 || d.top > 150)
                    invalid(fileName, lineNo, QStringLiteral("top is a margin in mm"));
            } else if (key == QLatin1String("heading")) {
                d.heading << value;
            } else if (key == QLatin1String("title")) {
                d.title = value;
            } else if (key == QLatin1String("subtitle")) {
                d.subtitle = value;
            } else {
                unknown();
            }
        } else if (section == QLatin1String("columns")) {
            if (key != QLatin1String("column"))
                unknown();
            const QStringList c = cells(value);
            if (c.size() < 3 || c.size() > 4 || !isName(c[0]))
                invalid(fileName, lineNo, QStringLiteral("column = field | heading | width [| align]"));
            ReportColumn col;
            col.field = c[0];
            col.heading = c[1];
            bool ok = false;
            col.width = c[2].toDouble(&ok);
            if (!ok || col.width <= 0)
                invalid(fileName, lineNo, QStringLiteral("'%1' is not a width in mm").arg(c[2]));
            const QString align = c.value(3, QStringLiteral("left")).toLower();
            if (align == QLatin1String("left"))
                col.align = Align::Left;
            else if (align == QLatin1String("right"))
                col.align = Align::Right;
            else if (align == QLatin1String("centre") || align == QLatin1String("center"))
                col.align = Align::Centre;
            else
                invalid(fileName, lineNo, QStringLiteral("align is left, right or centre"));
            d.columns.push_back(col);
        } else if (section == QLatin1String("ticket")) {
            if (key == QLatin1String("line")) {
                const QStringList c = cells(value);
                if (c.size() != 2 && c.size() != 4)
                    invalid(fileName, lineNo, QStringLiteral("line = label | value [| label | value]"));
                d.lines.push_back(c);
            } else if (key == QLatin1String("weight")) {
                const QStringList c = cells(value);
                if (c.size() < 2 || c.size() > 3)
                    invalid(fileName, lineNo, QStringLiteral("weight = label | value [| note]"));
                d.weights.push_back(c);
            } else if (key == QLatin1String("note")) {
                d.notes << value;
            } else if (key == QLatin1String("footer")) {
                d.footer = value;
            } else {
                unknown();
            }
        } else {
            invalid(fileName, lineNo, QStringLiteral("a [section] expected first"));
        }
    }
    if (d.source.isEmpty())
        invalid(fileName, int(lines.size()), QStringLiteral("the report names no source"));
    if (d.kind == Kind::List && d.columns.empty())
        invalid(fileName, int(lines.size()), QStringLiteral("a list report needs [columns]"));
    return d;
}

} // namespace vb::report
