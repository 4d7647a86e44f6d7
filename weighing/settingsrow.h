#pragma once
// The settings row (the one row of table counter) as stored, read in one
// place by every form that only reads it. Each value is the column's value
// as the recordset gives it, Null kept as Null: each form converts what it
// takes, in its own order, so a value that cannot be converted stops that
// form's load at the same point as before. The report parameters (st_dt,
// en_dt, reptit, mstno, menno) are only written by the forms and read by the
// report files, so they are not here.
#include "database/sql.h"

#include <QVariant>
#include <optional>

namespace vb {
class Connection;
class Recordset;
}

struct SettingsRow {
    QVariant compnm;      // company name
    QVariant address;     // company address
    QVariant city;        // company city
    QVariant marque;      // Marque: the banner text
    QVariant oral;        // mark typed weights on the text ticket
    QVariant printstyle;  // true "Dos", false "Window"
    QVariant printformat; // true plain paper, false pre-printed
    QVariant printcopy;
    QVariant publicMode; // public: the charge must be entered
    QVariant mweight;    // weights that may be typed: 0 none, 1 tare, 2 gross, 3 both
    QVariant musb;       // indicator on USB
    QVariant machtyp;    // machine type (the earlier edition's yes/no)
    QVariant prnusb;
    QVariant prnlpt;
    QVariant comport; // serial port number of the indicator
    QVariant totline; // lines per text ticket
};

// The query that every reader of the row opens (the settings forms open it
// with two blanks after "select").
inline constexpr const char *SettingsQuery = "select * from counter";

// Opens `query` on `rs` over `db` (a static cursor with the given lock),
// reads the first row and closes `rs` again, also when the read fails; none
// when the table has no row.
std::optional<SettingsRow> readSettingsRow(vb::Recordset &rs, vb::Connection &db, const vb::Sql &query = SettingsQuery,
                                           int lockType = 3 /* optimistic */);

// The same for a reader that takes the row as it stands: without one, the
// recordset's own error for reading a field at the end of the rows is
// raised, with `rs` closed.
SettingsRow readExistingSettingsRow(vb::Recordset &rs, vb::Connection &db, const vb::Sql &query = SettingsQuery,
                                    int lockType = 3 /* optimistic */);
