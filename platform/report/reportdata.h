#pragma once
// The data a report prints, read from the database its file names.
#include "reportdefinition.h"
#include "reportrows.h"
#include "selectionformula.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <memory>

namespace vb::report {

// What a report reads: its columns, the parameter row its texts may name,
// and its rows, read as the pages need them.
struct ReportData {
    QStringList columns;
    QString parameterTable;
    QVariantMap parameterRow;
    std::shared_ptr<RowStream> rows;
};

// Opens the report's database (a connection of its own, like the report
// engine of old), reads the parameter row, checks the definition's columns
// against the source and joins the report's filter to the selection
// formula. The rows themselves are read later, a slice at a time.
ReportData readReportData(const ReportDefinition &definition, const QString &selectionFormula);

// A value as a report prints it: dates DD/MM/YYYY, numbers in general
// form, yes/no as Yes/No, texts without surrounding blanks, Null empty.
QString reportText(const QVariant &value);

// Raises InvalidReport: the report file is not valid, and why.
[[noreturn]] void invalidReport(const QString &file, const QString &why);

} // namespace vb::report
