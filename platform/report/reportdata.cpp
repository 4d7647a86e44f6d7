#include "reportdata.h"

#include "database/database.h"
#include "database/sql.h"
#include "runtime/convert.h"
#include "runtime/errors.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vb::report {

[[noreturn]] void invalidReport(const QString &file, const QString &why)
{
    throw RuntimeError(InvalidReport, QStringLiteral("The report file '%1' is not valid: %2").arg(file, why));
}

QString reportText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate: return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QDateTime: return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm"));
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float: return numText(value.toDouble());
    default: return value.toString().trimmed();
    }
}

ReportData readReportData(const ReportDefinition &definition, const QString &selectionFormula)
{
    if (!QFileInfo::exists(definition.database))
        throw RuntimeError(CannotOpenReport,
                           QStringLiteral("The report file '%1' reads the database '%2', which is not there")
                               .arg(definition.fileName, definition.database));
    const QString file = QFileInfo(definition.database).absoluteFilePath();
    Connection db;
    db.Open(QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=") + file);
    struct Closing {
        Connection &db;
        ~Closing() { db.Close(); }
    } closing{db};

    ReportData data;
    data.columns = db.columnNames(definition.source);
    if (data.columns.isEmpty())
        invalidReport(definition.fileName,
                QStringLiteral("the source %1 is not in the database").arg(definition.source));
    auto known = [&](const QString &name, const char *what) {
        for (const QString &c : data.columns)
            if (c.compare(name, Qt::CaseInsensitive) == 0)
                return;
        invalidReport(definition.fileName, QStringLiteral("the %1 %2 is not a column of %3")
                                         .arg(QLatin1String(what), name, definition.source));
    };
    for (const ReportColumn &c : definition.columns)
        known(c.field, "column");
    for (const QString &o : definition.order)
        known(o, "sort column");
    for (const QString &t : definition.totals)
        known(t, "total column");
    if (!definition.group.isEmpty())
        known(definition.group, "group column");

    FormulaScope scope;
    scope.source = definition.source;
    scope.columns = data.columns;
    if (!definition.parameters.isEmpty()) {
        data.parameterTable = definition.parameters;
        Recordset rs;
        rs.Open(Sql(QStringLiteral("select * from %1").arg(db::quoted(definition.parameters))), db,
                CursorType::Static, LockType::ReadOnly);
        if (!rs.Eof())
            for (int i = 0; i < rs.FieldCount(); ++i)
                data.parameterRow.insert(rs.Fields(i).Name(), rs.Fields(i).Value());
        rs.Close();
        scope.parameters[definition.parameters] = data.parameterRow;
    }

    const Condition condition = bothOf(parseSelectionFormula(definition.filter, scope),
                                       parseSelectionFormula(selectionFormula, scope));
    std::vector<db::ColumnKind> kinds;
    const QHash<QString, db::ColumnKind> &declared = db.columnKinds(definition.source);
    for (const QString &c : data.columns)
        kinds.push_back(declared.value(c.toLower(), db::ColumnKind::Natural));
    QStringList sort;
    if (!definition.group.isEmpty())
        sort << definition.group;
    sort << definition.order;
    // A list reads only the columns it prints and adds up; a ticket's texts
    // may name any column.
    QStringList read;
    if (definition.kind == ReportDefinition::Kind::List) {
        for (const ReportColumn &c : definition.columns)
            read << c.field;
        read << definition.totals << sort;
    }
    data.rows = std::make_shared<RowStream>(file, definition.source, data.columns, std::move(kinds),
                                            condition, sort, read);
    // A view that reads the parameter row itself (the date range of the
    // report forms) would give later pages another report's rows once that
    // report rewrites the row: the row is pinned as it is now.
    if (!definition.parameters.isEmpty()) {
        QSqlQuery view = db.run(Sql("select sql from sqlite_master where type='view' and name=? collate nocase",
                                    {definition.source}));
        const QString sql = view.next() ? view.value(0).toString() : QString();
        view = QSqlQuery();
        const QRegularExpression names(QStringLiteral("\\b%1\\b").arg(QRegularExpression::escape(definition.parameters)),
                                       QRegularExpression::CaseInsensitiveOption);
        if (sql.contains(names)) {
            QSqlQuery row = db.run(Sql(QStringLiteral("select * from %1 limit 1").arg(db::quoted(definition.parameters))));
            QVariantList stored;
            if (row.next())
                for (int i = 0; i < row.record().count(); ++i)
                    stored << (row.value(i).isNull() ? QVariant() : row.value(i));
            row = QSqlQuery();
            data.rows->pinParameters(definition.parameters, stored);
        }
    }
    return data;
}

} // namespace vb::report
