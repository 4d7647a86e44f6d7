#pragma once
// The print data of one ticket, written before every print: the one-row
// ticket copy for a report-file ticket, or the value captions of the chosen
// text-ticket layout. The save, the print entry, the manual ticket form and
// the reprint each fill it from their own source of values.
#include <QString>

// The ticket values, as texts, under their ticket field index.
struct TicketValues {
    QString number;    // 1
    QString truck;     // 2
    QString material;  // 3
    QString tareTime;  // 4
    QString grossTime; // 5
    QString amount;    // 6
    QString receiver;  // 7
    QString supplier;  // 8
    QString tareMark;  // 9 (the mark caption: "Oral" when typed)
    QString grossMark; // 10
    QString grossDate; // 11
    QString tareDate;  // 12
    QString gross;     // 13
    QString tare;      // 14
    QString net;       // 15
};

struct Company {
    QString name, address, city;
};

struct PrintChoice {
    bool dos = false;   // text ticket ("Dos"); false: report-file ticket ("Window")
    bool plain = false; // plain paper; false: pre-printed stationery
    bool marks = false; // mark typed weights on the text ticket
};

// Runs inside the caller's transaction, through the shared command.
void FillTicketData(const TicketValues &ticket, const Company &company, const PrintChoice &choice);
