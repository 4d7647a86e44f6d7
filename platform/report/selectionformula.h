#pragma once
// Record selection formulas in the report engine's syntax, turned into a
// condition on the report's rows with every value bound:
//
//     {DAYREP.material} = 'Sand'            text, '' or "" doubles a quote
//     {emp.num} >= 10 and {emp.num} <= 20   numbers
//     {emp.dt} >= Date(2024, 3, 5)          dates, also #2024-03-05#
//     not ({DAYREP.rece} = 'A' or {DAYREP.rece} <> "B")
//
// Comparisons are =, <>, <, >, <=, >=; they join with and, or, not and
// parentheses. {table.column} names a column of the report's source, or a
// value of a parameter row (such as the settings row). Anything else is a
// formula error (20515) that names what was wrong.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <map>

namespace vb::report {

constexpr int FormulaErrorNumber = 20515;

// An SQL condition with '?' placeholders and their values.
struct Condition {
    QString sql;
    QVariantList values;
    bool isEmpty() const { return sql.isEmpty(); }
};

// What the names in a formula stand for.
struct FormulaScope {
    QString source;       // the table or view the report reads
    QStringList columns;  // its columns
    // Rows of parameters by table name (any case): column (any case) -> value.
    std::map<QString, QVariantMap> parameters;
};

// An empty or blank formula gives an empty condition (every row).
Condition parseSelectionFormula(const QString &formula, const FormulaScope &scope);

// Joins two conditions with "and" (either may be empty).
Condition bothOf(const Condition &a, const Condition &b);

// The value a parameter row holds for a column, matched in any case; an
// invalid QVariant when the row or column is not there.
QVariant parameterValue(const FormulaScope &scope, const QString &table, const QString &column);

} // namespace vb::report
