#include "columntypes.h"

#include "runtime/convert.h"
#include "runtime/errors.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <cmath>

namespace vb::db {

namespace {

// Day 0 of the date numbers of the original database.
const QDate kDayZero(1899, 12, 30);

bool isNumberType(const QVariant &v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isText(const QVariant &v)
{
    return v.metaType().id() == QMetaType::QString;
}

QString isoText(const QDateTime &when)
{
    if (when.time() == QTime(0, 0))
        return when.date().toString(Qt::ISODate);
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QVariant dateFromText(const QString &text)
{
    static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    static const QRegularExpression isoTime(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}[ T]\\d{2}:\\d{2}(:\\d{2}(\\.\\d+)?)?$"));
    if (iso.match(text).hasMatch()) {
        const QDate d = QDate::fromString(text, Qt::ISODate);
        if (d.isValid())
            return d;
    } else if (isoTime.match(text).hasMatch()) {
        QString t = text;
        t[10] = QLatin1Char('T');
        const QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
        if (dt.isValid())
            return dt;
    }
    return {};
}

QVariant dateFromNumber(double n)
{
    const double day = std::floor(n);
    const QDate d = kDayZero.addDays(qint64(day));
    const double frac = n - day;
    if (frac == 0.0)
        return d;
    return QDateTime(d, QTime(0, 0)).addMSecs(qint64(std::llround(frac * 86400000.0)));
}

qlonglong wholeNumber(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > 9.2e18)
        throw RuntimeError::overflow();
    return qlonglong(roundHalfEven(v));
}

double numberFromText(const QString &text)
{
    if (!isNumeric(text))
        throw RuntimeError(13, QStringLiteral("Type mismatch: \"%1\" is not a number").arg(text));
    return toDouble(text);
}

} // namespace

ColumnKind kindOfDeclaredType(const QString &declaredType)
{
    const QString t = declaredType.toUpper();
    if (t.isEmpty())
        return ColumnKind::Natural;
    if (t.contains(QLatin1String("YESNO")) || t.contains(QLatin1String("BOOL")))
        return ColumnKind::YesNo;
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME")))
        return ColumnKind::Date;
    if (t.contains(QLatin1String("INT")))
        return ColumnKind::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB"))
        || t.contains(QLatin1String("TEXT")))
        return ColumnKind::Text;
    if (t.contains(QLatin1String("BLOB")))
        return ColumnKind::Natural;
    return ColumnKind::Number;
}

QVariant fromStorage(const QVariant &raw, ColumnKind kind)
{
    if (raw.isNull())
        return {};
    switch (kind) {
    case ColumnKind::YesNo:
        if (isNumberType(raw))
            return raw.toDouble() != 0.0;
        if (isText(raw)) {
            const QString t = raw.toString().trimmed();
            if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                return true;
            if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
                return false;
            if (isNumeric(t))
                return toDouble(t) != 0.0;
        }
        return raw;
    case ColumnKind::Date:
        if (isNumberType(raw))
            return dateFromNumber(raw.toDouble());
        if (isText(raw)) {
            const QVariant d = dateFromText(raw.toString());
            if (d.isValid())
                return d;
        }
        return raw;
    case ColumnKind::Natural:
        // An expression over a date column (min(dt)) comes back as its
        // stored ISO text; the forms get a date, as they did before.
        if (isText(raw)) {
            const QVariant d = dateFromText(raw.toString());
            if (d.isValid())
                return d;
        }
        return raw;
    case ColumnKind::Integer:
    case ColumnKind::Number:
    case ColumnKind::Text:
        return raw;
    }
    return raw;
}

QVariant toStorage(const QVariant &value, ColumnKind kind)
{
    if (value.isNull())
        return {};
    const int id = value.metaType().id();
    switch (kind) {
    case ColumnKind::YesNo:
        return qlonglong(boolOf(value) ? 1 : 0);
    case ColumnKind::Date:
        if (id == QMetaType::QDate)
            return value.toDate().toString(Qt::ISODate);
        if (id == QMetaType::QDateTime)
            return isoText(value.toDateTime());
        if (isText(value))
            return toDate(value.toString()).toString(Qt::ISODate);
        if (isNumberType(value))
            return value.toDouble();
        throw RuntimeError::typeMismatch();
    case ColumnKind::Integer:
        if (id == QMetaType::Bool)
            return qlonglong(value.toBool() ? -1 : 0);
        if (id == QMetaType::LongLong || id == QMetaType::Int || id == QMetaType::UInt
            || id == QMetaType::Short || id == QMetaType::UShort)
            return value.toLongLong();
        if (isNumberType(value))
            return wholeNumber(value.toDouble());
        if (isText(value))
            return wholeNumber(numberFromText(value.toString()));
        throw RuntimeError::typeMismatch();
    case ColumnKind::Number:
        if (id == QMetaType::Bool)
            return qlonglong(value.toBool() ? -1 : 0);
        if (isNumberType(value))
            return value;
        if (isText(value))
            return numberFromText(value.toString());
        throw RuntimeError::typeMismatch();
    case ColumnKind::Text:
        if (isText(value))
            return value;
        return textOf(value);
    case ColumnKind::Natural:
        return bindable(value);
    }
    return bindable(value);
}

QVariant bindable(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return qlonglong(value.toBool() ? 1 : 0);
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return isoText(value.toDateTime());
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::Float:
        return double(value.toFloat());
    default:
        return value;
    }
}

} // namespace vb::db
