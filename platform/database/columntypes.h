#pragma once
// How column values travel between the engine and the forms: the engine
// stores numbers, texts and ISO date texts; the forms see numbers, texts,
// yes/no values as bool, dates as QDate, Null as a null QVariant. The kind
// of a column comes from its declared type in the schema.
#include <QString>
#include <QVariant>

namespace vb::db {

enum class ColumnKind {
    Natural, // no declared type (expressions, untyped columns)
    Integer,
    Number,
    Text,
    YesNo,
    Date,
};

ColumnKind kindOfDeclaredType(const QString &declaredType);

// A stored value as the forms see it.
QVariant fromStorage(const QVariant &raw, ColumnKind kind);
// A value assigned to a field, converted for its column as the original
// database converted it; a text that cannot become a number or date raises
// error 13.
QVariant toStorage(const QVariant &value, ColumnKind kind);
// A value bound to a '?' placeholder: dates as ISO text, yes/no as 1/0.
QVariant bindable(const QVariant &value);

} // namespace vb::db
