#pragma once
// A statement text with '?' placeholders and the values bound to them.
// Values are always bound, never pasted into the text.
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace vb {

class Sql
{
public:
    Sql() = default;
    Sql(const QString &text) : m_text(text) {}
    Sql(const char *text) : m_text(QString::fromUtf8(text)) {}
    Sql(const QString &text, QVariantList values) : m_text(text), m_values(std::move(values)) {}
    Sql(const char *text, QVariantList values)
        : m_text(QString::fromUtf8(text)), m_values(std::move(values)) {}

    // Appends a value for the next placeholder.
    Sql &bind(const QVariant &value) &
    {
        m_values.append(value);
        return *this;
    }
    Sql &&bind(const QVariant &value) &&
    {
        m_values.append(value);
        return std::move(*this);
    }

    const QString &text() const { return m_text; }
    const QVariantList &values() const { return m_values; }
    bool isEmpty() const { return m_text.trimmed().isEmpty(); }

private:
    QString m_text;
    QVariantList m_values;
};

// The number in a text typed into a control, for a numeric comparison in a
// statement ("where num=?"). Surrounding blanks are allowed; anything else
// that is not a number raises error 13 naming the text. Whole numbers come
// back as qlonglong, others as double.
QVariant numberParam(const QString &text);

// Follows a comparison of texts so that it ignores case, as the original
// database compared text ("where name=? collate nocase").
inline constexpr const char IgnoringCase[] = " collate nocase";

// "column=?" for a name: equal without regard to case. Used for every
// lookup of a truck, material, receiver or supplier by its name.
QString nameEquals(const QString &column);

namespace db {
// A table or column name as a statement writes it: in double quotes, any
// double quote in it doubled, so that every name the file holds works.
QString quoted(const QString &name);
} // namespace db

} // namespace vb
