#pragma once
// The text-ticket composer: as soon as it is shown it writes "slip.prn"
// from the layout table (one line per print line), asks for the number of
// copies, hands the file to the printer batch file once per copy and
// closes itself.
#include "layoutform.h"

class TicketComposer : public LayoutForm
{
public:
    // wideGapDivisor: the gap before a double-width label is its column
    // distance divided by this (1, or 10 on plain paper).
    TicketComposer(const QString &name, const QString &table, const QString &caption,
                   int wideGapDivisor);

    // Form-level texts of the print line being built.
    QString lineText; // normal width
    QString wideText; // double width

    // Controls.
    vb::CommandButton OKButton{this, "OKButton"};
    vb::CommandButton CancelButton{this, "CancelButton"};

    // Event handlers.
    void Form_Load();
    void Form_Activate();
    void OKButton_Click();
    void CancelButton_Click();

    // The composed ticket, in the current directory.
    static constexpr const char *FileName = "slip.prn";

private:
    // Writes the file; false (after saying so) when it cannot be written.
    bool compose();
    void printCopies();
    int m_wideGapDivisor;
};

// Composer for pre-printed stationery.
class previewprint : public TicketComposer
{
public:
    static constexpr const char *Name = "previewprint";
    previewprint() : TicketComposer(Name, QStringLiteral("prnvarprint"), QStringLiteral("Ticket Format"), 1) {}
};

// Composer for plain paper: double-width gaps are a tenth of the distance.
class previewplain : public TicketComposer
{
public:
    static constexpr const char *Name = "previewplain";
    previewplain() : TicketComposer(Name, QStringLiteral("prnvarplain"), QStringLiteral("Ticket Formet"), 10) {}
};
