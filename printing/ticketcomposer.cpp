#include "ticketcomposer.h"

#include "notprinted.h"

#include "weighing/aminv.h"
#include "weighing/form1.h"

#include "database/database.h"
#include "runtime/convert.h"
#include "runtime/programs.h"

#include <QFile>
#include <QPoint>
#include <cmath>
#include <memory>

using namespace vb;

namespace {

constexpr char CR = 13, LF = 10, SO = 14;

// The copies asked for: a number, or 0 for an empty, cancelled or
// non-numeric answer.
double copiesOf(const QString &answer) { return isNumeric(answer) ? toDouble(answer) : 0; }

// The copies of one ticket handed to the batch file. The runs go on while
// the screen is used; once the last has ended, one box tells of those that
// failed, with what the batch file gave as the reason.
struct HandOff {
    QString batch;
    int copies = 0;  // started
    int running = 0;
    bool allStarted = false;
    int failed = 0;
    QStringList reasons;

    void ended(const ProgramEnd &end)
    {
        --running;
        if (end.failed) {
            ++failed;
            const QString reason = reasonOf(end);
            if (!reasons.contains(reason))
                reasons << reason;
        }
        reportWhenDone();
    }
    void reportWhenDone()
    {
        if (!allStarted || running > 0 || failed == 0)
            return;
        const QString what = failed == copies
                                 ? QStringLiteral("%1 failed, the ticket was not printed:").arg(batch)
                                 : QStringLiteral("%1 failed for %2 of %3 copies:").arg(batch).arg(failed).arg(copies);
        failed = 0; // told once
        MsgBox(what + QLatin1Char('\n') + reasons.join(QLatin1Char('\n')), Msg::OKOnly | Msg::Exclamation);
    }
};

} // namespace

TicketComposer::TicketComposer(const QString &name, const QString &table, const QString &caption,
                               int wideGapDivisor)
    : LayoutForm(name, table), m_wideGapDivisor(wideGapDivisor)
{
    setCaption(caption);
    OKButton.setCaption("Print");
    OKButton.Move(10800, 7920, 1095, 375);
    CancelButton.setCaption("Cancel");
    CancelButton.Move(10800, 8400, 1095, 375);
    CancelButton.setCancel(true);

    onLoad = [this] { Form_Load(); };
    onActivate = [this] { Form_Activate(); };
    OKButton.onClick = [this] { OKButton_Click(); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
}

void TicketComposer::Form_Load() { showLayout(); }

void TicketComposer::Form_Activate() { OKButton_Click(); }

void TicketComposer::CancelButton_Click() { Unload(); }

void TicketComposer::OKButton_Click()
{
    // Whatever fails (the file, the layout, a batch file), the form does not
    // stay behind: it closes and the error goes on to be reported.
    try {
        if (compose())
            printCopies();
    } catch (...) {
        Unload();
        throw;
    }
    Unload();
}

bool TicketComposer::compose()
{
    QFile file(QString::fromLatin1(FileName));
    auto cannotWrite = [&] {
        MsgBox(notPrinted(QStringLiteral("%1 cannot be written (%2)").arg(QString::fromLatin1(FileName), file.errorString())),
               Msg::OKOnly | Msg::Exclamation);
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return cannotWrite();

    Recordset &rs = aminv::mainRs();
    const double lines = val(Text1.Text());
    for (qint64 r = 1; r <= lines; ++r) {
        lineText.clear();
        wideText.clear();
        rs.Open(Sql(QStringLiteral("select * from %1 where r=? order by c ").arg(table()), {r}),
                aminv::dbConn(), CursorType::Static, LockType::ReadOnly, -1);
        for (; !rs.Eof(); rs.MoveNext()) {
            const QVariant c = rs.Fields("c").Value();
            if (c.isNull())
                continue; // no column: nowhere to print it
            const QVariant caption = rs.Fields("caption").Value();
            const QString text = caption.isNull() ? QString() : textOf(caption);
            const QVariant dw = rs.Fields("dw").Value();
            // The gap is the distance from the text so far, so a label that
            // overlaps it is pushed further right rather than drawn back.
            if (!dw.isNull() && boolOf(dw)) {
                const double gap = std::abs(numberOf(c) - wideText.size()) / m_wideGapDivisor;
                wideText += space(int(roundHalfEven(gap))) + text;
            } else {
                const double gap = std::abs(numberOf(c) - lineText.size());
                lineText += space(int(roundHalfEven(gap))) + text;
            }
        }
        rs.Close();
        if (!wideText.isEmpty())
            lineText += QChar(CR) + QString(QChar(SO)) + wideText;
        QByteArray bytes = toAnsi(lineText);
        bytes += CR;
        bytes += LF;
        if (file.write(bytes) != bytes.size())
            return cannotWrite();
    }
    if (!file.flush())
        return cannotWrite();
    file.close();
    return true;
}

void TicketComposer::printCopies()
{
    const double copies = copiesOf(InputBox("Enter No of Copy:-", QString(), "1", QPoint(0, 0)));
    const Form1 &main = app().form<Form1>(Form1::Name);
    auto handOff = std::make_shared<HandOff>();
    handOff->batch = main.prnusb ? QStringLiteral("uprint.bat") : QStringLiteral("dprint.bat");
    for (qint64 i = 1; i <= copies; ++i) {
        ++handOff->running;
        ++handOff->copies;
        try {
            host().shellWatched(handOff->batch, WinStyle::Hide,
                                [handOff](const ProgramEnd &end) { handOff->ended(end); });
        } catch (const RuntimeError &e) {
            --handOff->running;
            --handOff->copies;
            if (e.number() != RuntimeError::fileNotFound().number())
                throw;
            MsgBox(notPrinted(QStringLiteral("%1 was not found").arg(handOff->batch)), Msg::OKOnly | Msg::Exclamation);
            break;
        }
    }
    handOff->allStarted = true;
    handOff->reportWhenDone();
}
