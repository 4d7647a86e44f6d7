#include "querytext.h"

#include <QRegularExpression>
#include <QStringList>
#include <vector>

namespace vb::db {

namespace {

struct Token {
    enum Kind { Word, Name, Text, Number, Mark } kind;
    QString text;  // words lower-cased, names unquoted
    int depth = 0; // parentheses around it
    int start = 0; // offset in the statement
};

// Splits a statement into words, quoted names, texts, numbers and marks.
std::vector<Token> tokens(const QString &s)
{
    std::vector<Token> out;
    int depth = 0;
    const int n = int(s.size());
    for (int i = 0; i < n;) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
            while (i < n && s[i] != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
            const int end = s.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        }
        const int start = i;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            QString text;
            for (++i; i < n; ++i) {
                if (s[i] == close) {
                    if (close != QLatin1Char(']') && i + 1 < n && s[i + 1] == close) {
                        text += close;
                        ++i;
                        continue;
                    }
                    break;
                }
                text += s[i];
            }
            ++i;
            out.push_back({c == QLatin1Char('\'') ? Token::Text : Token::Name, text, depth, start});
            continue;
        }
        if (c.isLetter() || c == QLatin1Char('_')) {
            while (i < n && (s[i].isLetterOrNumber() || s[i] == QLatin1Char('_') || s[i] == QLatin1Char('$')))
                ++i;
            out.push_back({Token::Word, s.mid(start, i - start).toLower(), depth, start});
            continue;
        }
        if (c.isDigit()) {
            while (i < n && (s[i].isLetterOrNumber() || s[i] == QLatin1Char('.')))
                ++i;
            out.push_back({Token::Number, s.mid(start, i - start), depth, start});
            continue;
        }
        if (c == QLatin1Char(')') && depth > 0)
            --depth;
        out.push_back({Token::Mark, QString(c), depth, start});
        if (c == QLatin1Char('('))
            ++depth;
        ++i;
    }
    return out;
}

bool isName(const Token &t)
{
    static const QStringList reserved = {
        QStringLiteral("select"), QStringLiteral("from"),  QStringLiteral("where"), QStringLiteral("order"),
        QStringLiteral("by"),     QStringLiteral("distinct"), QStringLiteral("all"), QStringLiteral("as"),
    };
    return t.kind == Token::Name || (t.kind == Token::Word && !reserved.contains(t.text));
}

bool isMark(const Token &t, char mark)
{
    return t.kind == Token::Mark && t.text == QLatin1Char(mark);
}

// One item of a select list: "*", "name", "table.name" or "table.*".
bool plainColumn(const std::vector<Token> &t, size_t from, size_t to)
{
    const size_t n = to - from;
    if (n == 1)
        return isMark(t[from], '*') || isName(t[from]);
    if (n == 3)
        return isName(t[from]) && isMark(t[from + 1], '.') && (isMark(t[from + 2], '*') || isName(t[from + 2]));
    return false;
}

// The first of a match's captures that is not empty (one per way of
// writing a name: quoted, bracketed, back-quoted or plain).
QString firstCaptured(const QRegularExpressionMatch &m)
{
    if (!m.hasMatch())
        return {};
    for (int i = 1; i <= m.lastCapturedIndex(); ++i)
        if (!m.captured(i).isEmpty())
            return m.captured(i);
    return {};
}

} // namespace

PlainSelect plainSelect(const QString &statement)
{
    PlainSelect none;
    const std::vector<Token> t = tokens(statement);
    if (t.size() < 4 || t[0].kind != Token::Word || t[0].text != QLatin1String("select"))
        return none;

    size_t from = 0;
    for (size_t i = 1; i < t.size(); ++i)
        if (t[i].depth == 0 && t[i].kind == Token::Word && t[i].text == QLatin1String("from")) {
            from = i;
            break;
        }
    if (from < 2)
        return none;
    for (size_t item = 1, i = 1; i <= from; ++i) {
        if (i == from || (t[i].depth == 0 && isMark(t[i], ','))) {
            if (!plainColumn(t, item, i))
                return none;
            item = i + 1;
        }
    }

    // One table, then nothing but a filter and an order.
    const size_t table = from + 1;
    if (table >= t.size() || !isName(t[table]))
        return none;
    const size_t next = table + 1;
    if (next < t.size()) {
        const Token &k = t[next];
        if (k.kind != Token::Word || (k.text != QLatin1String("where") && k.text != QLatin1String("order")))
            return none;
    }
    static const QStringList refused = {
        QStringLiteral("group"), QStringLiteral("having"),    QStringLiteral("limit"),  QStringLiteral("offset"),
        QStringLiteral("union"), QStringLiteral("intersect"), QStringLiteral("except"), QStringLiteral("window"),
        QStringLiteral("join"),
    };
    bool ordering = false;
    for (size_t i = next; i < t.size(); ++i) {
        const Token &k = t[i];
        if (k.depth != 0)
            continue;
        if (k.kind == Token::Word && refused.contains(k.text))
            return none;
        if (isMark(k, ';'))
            return none;
        if (k.kind == Token::Word && k.text == QLatin1String("order"))
            ordering = true;
        // "order by 2" names a position in the column list.
        if (ordering && k.kind == Token::Number
            && (isMark(t[i - 1], ',') || (t[i - 1].kind == Token::Word && t[i - 1].text == QLatin1String("by"))))
            return none;
    }

    PlainSelect p;
    p.plain = true;
    p.columns = statement.mid(t[1].start, t[from].start - t[1].start).trimmed();
    p.table = t[table].text;
    if (t[table].kind == Token::Word)
        p.table = statement.mid(t[table].start, t[table].text.size());
    const int tableEnd = next < t.size() ? t[next].start : int(statement.size());
    p.tableAsWritten = statement.mid(t[table].start, tableEnd - t[table].start).trimmed();
    p.fromOn = statement.mid(t[from].start);
    p.ordered = ordering;
    return p;
}

bool isWriting(const QString &statement)
{
    static const QRegularExpression reading(QStringLiteral("^\\s*(select|pragma|explain|values)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return !reading.match(statement).hasMatch();
}

QString writtenTable(const QString &statement)
{
    static const QRegularExpression writing(
        QStringLiteral("^\\s*(?:insert(?:\\s+or\\s+\\w+)?\\s+into|replace\\s+into|update(?:\\s+or\\s+\\w+)?|"
                       "delete\\s+from)\\s+(?:\"([^\"]+)\"|\\[([^\\]]+)\\]|`([^`]+)`|([A-Za-z_][A-Za-z0-9_]*))"
                       "\\s*(?:$|[\\s(;])"),
        QRegularExpression::CaseInsensitiveOption);
    return firstCaptured(writing.match(statement));
}

QString readTable(const QString &statement)
{
    static const QRegularExpression from(
        QStringLiteral("\\bfrom\\s+(?:\"([^\"]+)\"|\\[([^\\]]+)\\]|([A-Za-z_][A-Za-z0-9_]*))"),
        QRegularExpression::CaseInsensitiveOption);
    return firstCaptured(from.match(statement));
}

} // namespace vb::db
