#include "selectionformula.h"

#include "database/sql.h"
#include "runtime/convert.h"
#include "runtime/errors.h"

#include <QDate>

namespace vb::report {

namespace {

struct Token {
    enum Kind { End, Field, Text, Number, DateLit, Word, Op, LParen, RParen, Comma, Minus } kind = End;
    QString text; // field name, text value, word, operator
    QVariant value;
    int pos = 0;
};

[[noreturn]] void fail(const QString &formula, int pos, const QString &why)
{
    throw RuntimeError(FormulaErrorNumber,
                       QStringLiteral("Error in formula: %1 at position %2 of \"%3\"")
                           .arg(why)
                           .arg(pos + 1)
                           .arg(formula));
}

class Parser
{
public:
    Parser(const QString &formula, const FormulaScope &scope) : m_f(formula), m_scope(scope)
    {
        tokenize();
    }

    Condition parse()
    {
        Condition c = orExpr();
        if (peek().kind != Token::End)
            fail(m_f, peek().pos, QStringLiteral("unexpected '%1'").arg(describe(peek())));
        return c;
    }

private:
    // ---- tokens ----
    void tokenize()
    {
        int i = 0;
        const int n = int(m_f.size());
        while (i < n) {
            const QChar ch = m_f[i];
            if (ch.isSpace()) {
                ++i;
                continue;
            }
            Token t;
            t.pos = i;
            if (ch == QLatin1Char('{')) {
                int close = int(m_f.indexOf(QLatin1Char('}'), i));
                if (close < 0)
                    fail(m_f, i, QStringLiteral("a field name is not closed with }"));
                t.kind = Token::Field;
                t.text = m_f.mid(i + 1, close - i - 1).trimmed();
                i = close + 1;
            } else if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
                QString text;
                int j = i + 1;
                for (;;) {
                    if (j >= n)
                        fail(m_f, i, QStringLiteral("a text is not closed with %1").arg(ch));
                    if (m_f[j] == ch) {
                        if (j + 1 < n && m_f[j + 1] == ch) {
                            text += ch;
                            j += 2;
                            continue;
                        }
                        break;
                    }
                    text += m_f[j++];
                }
                t.kind = Token::Text;
                t.value = text;
                i = j + 1;
            } else if (ch.isDigit() || (ch == QLatin1Char('.') && i + 1 < n && m_f[i + 1].isDigit())) {
                int j = i;
                while (j < n && (m_f[j].isDigit() || m_f[j] == QLatin1Char('.')))
                    ++j;
                const QString digits = m_f.mid(i, j - i);
                bool ok = false;
                const double v = digits.toDouble(&ok);
                if (!ok)
                    fail(m_f, i, QStringLiteral("'%1' is not a number").arg(digits));
                t.kind = Token::Number;
                t.value = (v == double(qint64(v)) && !digits.contains(QLatin1Char('.')))
                              ? QVariant(qlonglong(v))
                              : QVariant(v);
                i = j;
            } else if (ch == QLatin1Char('#')) {
                int close = int(m_f.indexOf(QLatin1Char('#'), i + 1));
                if (close < 0)
                    fail(m_f, i, QStringLiteral("a date is not closed with #"));
                const QString text = m_f.mid(i + 1, close - i - 1).trimmed();
                QDate d;
                try {
                    d = toDate(text);
                } catch (const RuntimeError &) {
                }
                if (!d.isValid())
                    fail(m_f, i, QStringLiteral("'%1' is not a date").arg(text));
                t.kind = Token::DateLit;
                t.value = d;
                i = close + 1;
            } else if (ch.isLetter() || ch == QLatin1Char('_')) {
                int j = i;
                while (j < n && (m_f[j].isLetterOrNumber() || m_f[j] == QLatin1Char('_')))
                    ++j;
                t.kind = Token::Word;
                t.text = m_f.mid(i, j - i).toLower();
                i = j;
            } else if (ch == QLatin1Char('<') || ch == QLatin1Char('>') || ch == QLatin1Char('=')) {
                QString op(ch);
                if (i + 1 < n && ch != QLatin1Char('=') &&
                    (m_f[i + 1] == QLatin1Char('=') || (ch == QLatin1Char('<') && m_f[i + 1] == QLatin1Char('>'))))
                    op += m_f[i + 1];
                t.kind = Token::Op;
                t.text = op;
                i += int(op.size());
            } else if (ch == QLatin1Char('(')) {
                t.kind = Token::LParen;
                ++i;
            } else if (ch == QLatin1Char(')')) {
                t.kind = Token::RParen;
                ++i;
            } else if (ch == QLatin1Char(',')) {
                t.kind = Token::Comma;
                ++i;
            } else if (ch == QLatin1Char('-')) {
                t.kind = Token::Minus;
                ++i;
            } else {
                fail(m_f, i, QStringLiteral("'%1' is not allowed here").arg(ch));
            }
            m_tokens.push_back(t);
        }
        Token end;
        end.pos = n;
        m_tokens.push_back(end);
    }

    const Token &peek() const { return m_tokens[m_at]; }
    Token next() { return m_tokens[m_at < m_tokens.size() - 1 ? m_at++ : m_at]; }
    bool word(const char *w) const
    {
        return peek().kind == Token::Word && peek().text == QLatin1String(w);
    }
    static QString describe(const Token &t)
    {
        switch (t.kind) {
        case Token::End: return QStringLiteral("end of formula");
        case Token::Field: return QLatin1Char('{') + t.text + QLatin1Char('}');
        case Token::Text: return t.value.toString();
        case Token::Number: return t.value.toString();
        case Token::DateLit: return t.value.toDate().toString(Qt::ISODate);
        case Token::Word:
        case Token::Op: return t.text;
        case Token::LParen: return QStringLiteral("(");
        case Token::RParen: return QStringLiteral(")");
        case Token::Comma: return QStringLiteral(",");
        case Token::Minus: return QStringLiteral("-");
        }
        return QString();
    }
    void expect(Token::Kind kind, const char *what)
    {
        if (peek().kind != kind)
            fail(m_f, peek().pos,
                 QStringLiteral("%1 expected, found '%2'").arg(QLatin1String(what), describe(peek())));
        next();
    }

    // ---- grammar ----
    Condition orExpr()
    {
        Condition c = andExpr();
        while (word("or")) {
            next();
            Condition r = andExpr();
            c.sql = QStringLiteral("(%1 or %2)").arg(c.sql, r.sql);
            c.values += r.values;
        }
        return c;
    }
    Condition andExpr()
    {
        Condition c = notExpr();
        while (word("and")) {
            next();
            Condition r = notExpr();
            c.sql = QStringLiteral("(%1 and %2)").arg(c.sql, r.sql);
            c.values += r.values;
        }
        return c;
    }
    Condition notExpr()
    {
        if (word("not")) {
            next();
            Condition c = notExpr();
            c.sql = QStringLiteral("(not %1)").arg(c.sql);
            return c;
        }
        if (peek().kind == Token::LParen) {
            next();
            Condition c = orExpr();
            expect(Token::RParen, "')'");
            return c;
        }
        return comparison();
    }
    Condition comparison()
    {
        const bool texts = peek().kind == Token::Text;
        Condition left = operand();
        if (peek().kind != Token::Op)
            fail(m_f, peek().pos,
                 QStringLiteral("a comparison (=, <>, <, >, <=, >=) expected, found '%1'").arg(describe(peek())));
        const QString op = next().text;
        const bool textRight = peek().kind == Token::Text;
        Condition right = operand();
        Condition c;
        c.sql = QStringLiteral("%1 %2 %3").arg(left.sql, op, right.sql);
        // Texts compare without regard to case, as the database the report
        // files were made for compared them.
        if (texts || textRight)
            c.sql += QLatin1String(IgnoringCase);
        c.values = left.values + right.values;
        return c;
    }
    Condition value(const QVariant &v)
    {
        Condition c;
        c.sql = QStringLiteral("?");
        c.values << v;
        return c;
    }
    Condition operand()
    {
        const Token t = next();
        switch (t.kind) {
        case Token::Field: return field(t);
        case Token::Text:
        case Token::Number:
        case Token::DateLit: return value(t.value);
        case Token::Minus: {
            const Token num = next();
            if (num.kind != Token::Number)
                fail(m_f, num.pos, QStringLiteral("a number expected after '-'"));
            return value(num.value.typeId() == QMetaType::LongLong ? QVariant(-num.value.toLongLong())
                                                                    : QVariant(-num.value.toDouble()));
        }
        case Token::Word:
            if (t.text == QLatin1String("date"))
                return dateCall(t);
            fail(m_f, t.pos, QStringLiteral("'%1' is not known").arg(t.text));
        default:
            fail(m_f, t.pos, QStringLiteral("a field or a value expected, found '%1'").arg(describe(t)));
        }
    }
    Condition dateCall(const Token &t)
    {
        expect(Token::LParen, "'('");
        int parts[3] = {0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            if (i > 0)
                expect(Token::Comma, "','");
            const Token n = next();
            if (n.kind != Token::Number || n.value.typeId() != QMetaType::LongLong)
                fail(m_f, n.pos, QStringLiteral("Date takes three whole numbers"));
            parts[i] = int(n.value.toLongLong());
        }
        expect(Token::RParen, "')'");
        const QDate d(parts[0], parts[1], parts[2]);
        if (!d.isValid())
            fail(m_f, t.pos, QStringLiteral("Date(%1, %2, %3) is not a date").arg(parts[0]).arg(parts[1]).arg(parts[2]));
        return value(d);
    }
    Condition field(const Token &t)
    {
        const int dot = int(t.text.indexOf(QLatin1Char('.')));
        if (dot <= 0)
            fail(m_f, t.pos, QStringLiteral("the field {%1} names no table").arg(t.text));
        const QString table = t.text.left(dot).trimmed();
        const QString column = t.text.mid(dot + 1).trimmed();
        if (table.compare(m_scope.source, Qt::CaseInsensitive) == 0) {
            for (const QString &c : m_scope.columns)
                if (c.compare(column, Qt::CaseInsensitive) == 0) {
                    Condition r;
                    r.sql = db::quoted(c);
                    return r;
                }
            fail(m_f, t.pos, QStringLiteral("%1 has no column %2").arg(m_scope.source, column));
        }
        const QVariant v = parameterValue(m_scope, table, column);
        if (!v.isValid())
            fail(m_f, t.pos, QStringLiteral("the field {%1} is not known").arg(t.text));
        return value(v);
    }

    const QString &m_f;
    const FormulaScope &m_scope;
    std::vector<Token> m_tokens;
    size_t m_at = 0;
};

} // namespace

QVariant parameterValue(const FormulaScope &scope, const QString &table, const QString &column)
{
    for (const auto &[name, row] : scope.parameters) {
        if (name.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        for (auto it = row.begin(); it != row.end(); ++it)
            if (it.key().compare(column, Qt::CaseInsensitive) == 0)
                return it.value().isValid() ? it.value() : QVariant(QMetaType(QMetaType::QString));
    }
    return QVariant();
}

Condition parseSelectionFormula(const QString &formula, const FormulaScope &scope)
{
    if (formula.trimmed().isEmpty())
        return {};
    return Parser(formula, scope).parse();
}

Condition bothOf(const Condition &a, const Condition &b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return {QStringLiteral("(%1) and (%2)").arg(a.sql, b.sql), a.values + b.values};
}

} // namespace vb::report
