#pragma once
// A busy office's database: the delivered one with ten years of tickets
// (250 to 420 a working day, about 1,000,000), the delivered masters and
// many more trucks, materials and parties. Built once into a cache file and
// reused while the generator and the delivered database are unchanged.
#include <QDate>
#include <QString>

namespace bench {

struct TicketDb {
    QString file;
    QDate lastDay; // the date of the newest tickets
    int tickets = 0;
    QString someTruck; // a truck with tickets all through the years
};

// Returns the cached database, building it from the delivered one first
// when it is missing or stale. Progress goes to stderr.
TicketDb ticketDatabase(const QString &cacheDir, const QString &deliveredDb, int tickets);

// Opens a plain Qt SQL connection with the program's own settings (rollback
// journal, full syncs), for the raw reference figures.
void openRaw(const QString &connectionName, const QString &file);

} // namespace bench
