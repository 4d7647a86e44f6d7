#include "sql.h"

#include "runtime/convert.h"
#include "runtime/errors.h"

#include <cmath>

namespace vb {

QVariant numberParam(const QString &text)
{
    if (!isNumeric(text))
        throw RuntimeError(13, QStringLiteral("Type mismatch: \"%1\" is not a number").arg(text));
    const double v = toDouble(text);
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 9.0e15)
        return QVariant(qlonglong(v));
    return QVariant(v);
}

QString nameEquals(const QString &column) { return column + QStringLiteral("=?") + QLatin1String(IgnoringCase); }

QString db::quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace vb
