#pragma once
// A report file: a small text file (UTF-8; a file that is not valid UTF-8
// is an older one in Windows-1252) that says what a report reads and how
// it is laid out. "reports.txt" in the run directory describes it for the
// office. Lines are "key = value"; blank lines and
// lines starting with ';' or '#' are ignored; [report], [columns] and
// [ticket] start sections. Cells of a line are separated by '|'.
//
//   [report]
//   kind        = list | ticket            (list)
//   database    = wt.mdb                   database file, current directory
//   source      = DAYREP                   table or view of the rows
//   parameters  = counter                  table whose first row the texts
//                                          and the filter may name as
//                                          {counter.column}
//   filter      = {emp.num} >= {counter.mstno}   selection formula joined
//                                          to the one the program sets
//   order       = dt, num                  sort columns
//   group       = material | Material      list: a group per value, with
//                                          subtotals; the heading names it
//   totals      = grosswt, tarewt, netwt   list: columns summed
//   orientation = portrait | landscape
//   heading     = {counter.compnm}         page heading lines (repeatable);
//                                          the first is printed large
//   title       = {counter.reptit}
//   subtitle    = From {counter.st_dt} To {counter.en_dt}
//   top         = 12                       top margin in mm
//   frame       = yes | no                 ticket: a border round the slip
//
//   [columns]                              list columns, left to right
//   column = field | heading | width in mm | left, right or centre
//
//   [ticket]                               ticket body, one source row a page
//   line   = label | value | label | value    two pairs a line (or one)
//   weight = label | value | note             a weight line in large print
//   note   = text                              a line across the slip
//   footer = text                              under the slip, at the right
//
// Texts may hold {column} (a column of the row being printed) and
// {table.column} (a column of the parameter row). Dates print as
// DD/MM/YYYY, numbers in their general form.
#include <QString>
#include <QStringList>
#include <vector>

namespace vb::report {

// The text of a report file's bytes: UTF-8 (a leading byte-order mark is
// dropped), or Windows-1252 when the bytes are not valid UTF-8.
QString reportFileText(const QByteArray &bytes);

// Run-time errors of the report engine.
constexpr int CannotOpenReport = 20504;
constexpr int InvalidReport = 20525;

enum class Align { Left, Right, Centre };

struct ReportColumn {
    QString field;
    QString heading;
    double width = 20; // mm, before the columns are spread over the page
    Align align = Align::Left;
};

struct ReportDefinition {
    enum class Kind { List, Ticket };

    QString fileName;
    Kind kind = Kind::List;
    QString database = QStringLiteral("wt.mdb");
    QString source;
    QString parameters;
    QString filter;
    QStringList order;
    QString group;
    QString groupHeading;
    QStringList totals;
    bool landscape = false;
    bool frame = true;
    double top = 12;
    QStringList heading;
    QString title, subtitle;
    std::vector<ReportColumn> columns;
    std::vector<QStringList> lines;   // ticket: label, value[, label, value]
    std::vector<QStringList> weights; // ticket: label, value[, note]
    QStringList notes;
    QString footer;

    // Reads a report file; a missing file raises CannotOpenReport naming
    // it, a faulty one InvalidReport with the line and what is wrong.
    static ReportDefinition load(const QString &fileName);
    static ReportDefinition parse(const QString &text, const QString &fileName);
};

} // namespace vb::report
