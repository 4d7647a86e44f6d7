#pragma once
// The scale office with the printing forms registered, and helpers to lay
// out a layout table and read it back.
#include "support/office.h"

#include "printing/registry.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <vector>

// One layout row; a null QVariant stores Null.
struct LayoutRow {
    QString name;
    QVariant index;
    QVariant caption;
    QVariant x, y;
    int c = 0, r = 0;
    bool dw = false;
};

class LayoutOffice : public Office
{
protected:
    void SetUp() override
    {
        Office::SetUp();
        registerPrintingForms();
    }

    // Replaces the rows of a layout table (before the program starts).
    void layout(const QString &table, const std::vector<LayoutRow> &rows)
    {
        prepare({vb::Sql("delete from " + table)});
        for (const LayoutRow &row : rows)
            prepare({vb::Sql("insert into " + table + " (name, \"index\", caption, x, y, c, r, dw) "
                             "values (?, ?, ?, ?, ?, ?, ?, ?)",
                             {row.name, row.index, row.caption, row.x, row.y, row.c, row.r, row.dw ? 1 : 0})});
    }
    void setTotline(int lines) { prepare({vb::Sql("update counter set totline=?", {lines})}); }

    // The values of one row of a query on the program's connection.
    QVariantList row(const vb::Sql &query)
    {
        QSqlQuery q = aminv::dbConn().run(query);
        QVariantList values;
        if (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                values << q.value(i);
        return values;
    }
    QVariant value(const vb::Sql &query)
    {
        const QVariantList v = row(query);
        return v.isEmpty() ? QVariant() : v.front();
    }
};
