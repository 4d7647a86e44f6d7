// The main screen's save (F8), ticket print (F6) and column clean-up.
#include "form1.h"
#include "ticketscreen.h"

#include "aminv.h"
#include "amountinwords.h"
#include "ticketdata.h"
#include "ticketnumber.h"

#include "database/database.h"
#include "runtime/convert.h"
#include "runtime/errors.h"

#include <functional>
#include <optional>

using namespace vb;

namespace {

// Runs statements in one transaction; a failure rolls it back and its
// description is returned.
std::optional<QString> inTransaction(Connection &db, const std::function<void()> &statements)
{
    try {
        db.BeginTrans();
        statements();
        db.CommitTrans();
    } catch (const RuntimeError &e) {
        if (db.isOpen() && db.inTransaction())
            skipError([&] { db.RollbackTrans(); });
        for (Recordset *rs : {&aminv::mainRs(), &aminv::auxRs()})
            if (rs->isOpen())
                skipError([rs] { rs->Close(); });
        return e.description();
    }
    return std::nullopt;
}

} // namespace

TicketValues Form1::ticketOnScreen() const { return ticketShownOn(*this); }

void Form1::cmdUpdate_Click()
{
    // Not now: the ticket stays as it is, the focus where it was.
    if (aminv::ConfirmBox("Do You Want To Save").toInt() != 6)
        return;
    mAuto = false;
    dbAddnewFlag = false;

    if (!m_unread.isEmpty()) {
        dbAddnewFlag = true;
        MsgBox(QStringLiteral("The ticket was not saved: ticket %1 could not be read; leave the number box to "
                              "recall it again")
                   .arg(m_unread),
               Msg::OKOnly);
        backToNumber();
        return;
    }

    if (Combo4.Text().isEmpty()) {
        MsgBox("you must enter truck no", Msg::OKOnly);
        Combo4.SetFocus();
        return;
    }

    fillBlanks(*this);

    if (!typedWeightsPlain(*this, [this](int index) { return markedTyped(*this, index); }))
        return;

    if (txtFields(8).Text() == "0" && mpublic) {
        MsgBox("You must enter amount", Msg::OKOnly);
        txtFields(8).SetFocus();
        return;
    }

    heavierAsGross(*this);

    // The number is the ticket's key: nothing is stored under anything else.
    const auto number = ticketnumber::parse(num.Text());
    if (!number) {
        MsgBox(ticketnumber::problem(num.Text()), Msg::OKOnly);
        backToNumber();
        return;
    }
    const QVariant key = *number;
    const QDate today = host().now().date();

    Connection &db = aminv::dbConn();
    Command &cmd = aminv::sharedCmd();
    Recordset &rs = aminv::mainRs();
    const auto failure = inTransaction(db, [&] {
        cmd.setCommandText(Sql("delete from emp where num=?", {key}));
        cmd.Execute();
        rs.Open("select * from emp", db, CursorType::Static, LockType::Optimistic, -1);
        rs.AddNew();
        rs.setField("num", key);
        rs.setField("truckno", ucase(Combo4.Text()));
        rs.setField("rece", Combo2.Text());
        rs.setField("material", Combo1.Text());
        rs.setField("sup", Combo3.Text());
        rs.setField("grosswt", weightOf(2));
        rs.setField("grossdt", txtFields(3).Text());
        rs.setField("grosstime", txtFields(9).Text());
        rs.setField("tarewt", weightOf(4));
        rs.setField("taredt", txtFields(5).Text());
        rs.setField("taretime", txtFields(0).Text());
        rs.setField("rupee", txtFields(8).Text());
        rs.setField("dt", today);
        rs.setField("netwt", weightOf(6));
        rs.setField("amtword", aminv::AmountInWords(weightOf(8)));
        rs.setField("grossoral", lblLabels(14).Caption());
        rs.setField("tareoral", lblLabels(15).Caption());
        if (weightOf(2) != 0 && weightOf(4) != 0)
            rs.setField("stage", QVariant::fromValue<int16_t>(3));
        else
            rs.setField("stage", mstage);
        // The ticket list searches tickets by this date.
        rs.setField("bdate", today);
        rs.Update();
        rs.Close();
    });
    if (failure) {
        // Nothing of this save is stored: the ticket counts as unsaved.
        dbAddnewFlag = true;
        MsgBox(QStringLiteral("The ticket was not saved: %1").arg(*failure), Msg::OKOnly);
        return;
    }

    const auto refillFailure = inTransaction(db, [this] { refillAfterSave(); });
    if (refillFailure) {
        MsgBox(QStringLiteral("The ticket was saved but not printed: %1").arg(*refillFailure), Msg::OKOnly);
        return;
    }

    cmdPrint_Click();
}

void Form1::refillAfterSave()
{
    FillTicketData(ticketOnScreen(), companyShownOn(*this), {mprintstyle, mprintformat, moral});
}

void Form1::cmdPrint_Click()
{
    // Only a stored ticket, as stored, is printed.
    bool stored = false;
    if (!attempt(QStringLiteral("The ticket cannot be printed"),
                 [&] { stored = !dbAddnewFlag && showsStoredTicket(); }))
        return;
    if (!stored) {
        MsgBox("Data Must Save", Msg::OKOnly);
        return;
    }
    Connection &db = aminv::dbConn();
    if (!attempt(QStringLiteral("The ticket cannot be printed"), [&] {
            db.BeginTrans();
            FillTicketData(ticketOnScreen(), companyShownOn(*this), {mprintstyle, mprintformat, moral});
            db.CommitTrans();
        }))
        return;

    if (!mprintstyle)
        showModal("preview");
    else if (!mprintformat)
        showModal("previewprint");
    else
        showModal("previewplain");
}

void Form1::intg_Click()
{
    const QString caption = Caption();
    setMousePointer(11);
    // A failing statement leaves the screen as it was; the database layer
    // has rolled the transaction back.
    struct Restore {
        Form1 &f;
        const QString &caption;
        ~Restore()
        {
            f.setCaption(caption);
            f.setMousePointer(0);
        }
    } restore{*this, caption};

    Connection &db = aminv::dbConn();
    Recordset &rs = aminv::mainRs();
    Command &cmd = aminv::sharedCmd();
    db.BeginTrans();
    for (const char *table : {"emp", "matmast", "recemast", "suppmast", "truckmast"}) {
        rs.Open(QStringLiteral("select * from %1").arg(QLatin1String(table)), db, CursorType::Static,
                LockType::Optimistic, -1);
        for (int i = 0; i < rs.FieldCount(); ++i) {
            const QString name = rs.Fields(i).Name();
            cmd.setCommandText(QStringLiteral("update %1 set %2=0 where %2 IS NULL")
                                   .arg(QLatin1String(table), db::quoted(name)));
            cmd.Execute();
            // The caption shows the statement as the office knows it.
            setCaption(QStringLiteral("update %1 set %2=0 where isnull(%2)").arg(QLatin1String(table), name));
        }
        rs.Close();
    }
    db.CommitTrans();
}
