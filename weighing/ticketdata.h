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

// The ticket values of a form that shows a ticket in the main screen's
// controls (the main screen and the manual ticket form).
template <class TicketForm> TicketValues ticketShownOn(const TicketForm &f)
{
    TicketValues t;
    t.number = f.num.Text();
    t.truck = f.Combo4.Text();
    t.material = f.Combo1.Text();
    t.tareTime = f.txtFields(0).Text();
    t.grossTime = f.txtFields(9).Text();
    t.amount = f.txtFields(8).Text();
    t.receiver = f.Combo2.Text();
    t.supplier = f.Combo3.Text();
    t.tareMark = f.lblLabels(15).Caption();
    t.grossMark = f.lblLabels(14).Caption();
    t.grossDate = f.txtFields(3).Text();
    t.tareDate = f.txtFields(5).Text();
    t.gross = f.txtFields(2).Text();
    t.tare = f.txtFields(4).Text();
    t.net = f.txtFields(6).Text();
    return t;
}

// The company lines of such a form's heading labels.
template <class TicketForm> Company companyShownOn(const TicketForm &f)
{
    return {f.lblLabels(17).Caption(), f.lblLabels(16).Caption(), f.lblLabels(18).Caption()};
}

// Runs inside the caller's transaction, through the shared command.
void FillTicketData(const TicketValues &ticket, const Company &company, const PrintChoice &choice);
