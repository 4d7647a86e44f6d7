#include "masterform.h"

#include "masters.h"

#include "weighing/aminv.h"
#include "weighing/ticketscreen.h"

#include "database/database.h"
#include "runtime/convert.h"

#include <cmath>

using namespace vb;

namespace {

// A number for a '?' placeholder: whole numbers bind as whole numbers.
QVariant numberValue(double v)
{
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 9.0e15)
        return QVariant(qlonglong(v));
    return QVariant(v);
}

constexpr int Row = 460;
constexpr int ButtonWidth = 900, ButtonGap = 60;

} // namespace

MasterForm::MasterForm(const Design &design)
    : Form(design.name), m_design(design),
      lblLabels(this, "lblLabels", design.tare ? std::initializer_list<int>{0, 1, 3} : std::initializer_list<int>{0, 1}),
      txtFields(this, "txtFields", 2, design.tare ? 3 : 2)
{
    setCaption(m_design.caption);

    lblLabels(0).setCaption("Num");
    lblLabels(1).setCaption("Name");
    num.setEnabled(false);
    int top = 240;
    lblLabels(0).Move(240, top + 30, 1080, 285);
    num.Move(1440, top, 1500, 315);
    top += Row;
    lblLabels(1).Move(240, top + 30, 1080, 285);
    txtFields(2).Move(1440, top, 3600, 315);
    if (m_design.tare) {
        top += Row;
        lblLabels(3).setCaption("Tare Wt");
        lblLabels(3).Move(240, top + 30, 1080, 285);
        txtFields(3).Move(1440, top, 1500, 315);
    }

    cmdAdd.setCaption("&Add");
    cmdUpdate.setCaption("&Save");
    cmdDelete.setCaption("&Delete");
    cmdPrevious.setCaption("P&rev");
    cmdNext.setCaption("&Next");
    cmdFind.setCaption("&Find");
    cmdClose.setCaption("&Close");

    onLoad = [this] { Form_Load(); };
    onUnload = [this](int &cancel) { Form_Unload(cancel); };
    cmdAdd.onClick = [this] { cmdAdd_Click(); };
    cmdUpdate.onClick = [this] { cmdUpdate_Click(); };
    cmdDelete.onClick = [this] { cmdDelete_Click(); };
    // An entry that cannot be read, a name that cannot be checked: the
    // operator is told which.
    const QString showing = QStringLiteral("The entry cannot be shown");
    cmdFind.onClick = [this, showing] { namingDatabaseFailure(showing, [this] { cmdFind_Click(); }); };
    cmdNext.onClick = [this, showing] { namingDatabaseFailure(showing, [this] { cmdNext_Click(); }); };
    cmdPrevious.onClick = [this, showing] { namingDatabaseFailure(showing, [this] { cmdPrevious_Click(); }); };
    cmdClose.onClick = [this] { cmdClose_Click(); };
    txtFields.on(&Control::onLostFocus, [this](int index) {
        namingDatabaseFailure(QStringLiteral("The name cannot be checked"), [this, index] { txtFields_LostFocus(index); });
    });
}

void MasterForm::arrangeButtons(std::initializer_list<CommandButton *> own)
{
    std::vector<CommandButton *> row{&cmdAdd, &cmdUpdate, &cmdDelete, &cmdPrevious, &cmdNext, &cmdFind};
    row.insert(row.end(), own.begin(), own.end());
    row.push_back(&cmdClose);

    const int top = (m_design.tare ? 3 : 2) * Row + 480;
    int left = 120;
    for (CommandButton *b : row) {
        b->Move(left, top, ButtonWidth, 375);
        left += ButtonWidth + ButtonGap;
    }
    Move(0, 0, left + 60, top + 375 + 720);

    // Tab order: the boxes the operator types into, then the buttons.
    int tab = 0;
    txtFields.forEach([&](TextBox &t) { t.setTabIndex(tab++); });
    for (CommandButton *b : row)
        b->setTabIndex(tab++);
    num.setTabIndex(tab++);
    lblLabels.forEach([&](Label &l) {
        l.setTabStop(false);
        l.setTabIndex(tab++);
    });
}

Sql MasterForm::sql(const QString &text, QVariantList values) const
{
    return Sql(QString(text).replace(QLatin1String("truckmast"), QLatin1String(m_design.table)),
               std::move(values));
}

void MasterForm::disp(double RECNO)
{
    addMode = false;
    Sql query;
    if (RECNO == 0)
        query = sql("select * from truckmast order by num desc ");
    else if (RECNO == 1)
        query = sql("select * from truckmast order by num ");
    else if (RECNO == -1)
        query = sql("select * from truckmast where num = (select min(num) from  truckmast  where num > ?)",
                    {numberValue(val(num.Text()))});
    else if (RECNO == -2)
        query = sql("select * from truckmast where num = (select max(num)  from  truckmast  where num < ?)",
                    {numberValue(val(num.Text()))});
    else
        query = sql("select * from truckmast where num = ?", {numberValue(RECNO)});

    Recordset &rs = aminv::mainRs();
    rs.Open(query, aminv::dbConn(), CursorType::Static, LockType::Optimistic, -1);
    if (rs.RecordCount() != 0) {
        num.setText(shown(rs.Fields("num").Value()));
        txtFields(2).setText(shown(rs.Fields("Name").Value()));
        if (m_design.tare)
            txtFields(3).setText(shown(rs.Fields("tarewt").Value()));
    }
    rs.Close();
}

QString MasterForm::nextNumber()
{
    Recordset &rs = aminv::mainRs();
    rs.Open(sql("select max(num)as num1 from truckmast "), aminv::dbConn(), CursorType::Static,
            LockType::Optimistic, -1);
    const QVariant top = rs.Fields("num1").Value();
    const QString next = top.isNull() ? QStringLiteral("1") : numText(numberOf(top) + 1);
    rs.Close();
    return next;
}

void MasterForm::ins()
{
    // A step that fails leaves the transaction to the error trap, which
    // rolls it back: the deleted row comes back.
    Connection &db = aminv::dbConn();
    db.BeginTrans();
    if (addMode)
        num.setText(nextNumber());
    addMode = false;

    Command &cmd = aminv::sharedCmd();
    cmd.setCommandText(sql("delete from truckmast where num=?", {numberParam(num.Text())}));
    cmd.Execute();

    Recordset &rs = aminv::mainRs();
    rs.Open(sql("select * from truckmast"), db, CursorType::Static, LockType::Optimistic, -1);
    rs.AddNew();
    rs.Fields("num").setValue(num.Text());
    rs.Fields("Name").setValue(txtFields(2).Text());
    if (m_design.tare)
        rs.Fields("tarewt").setValue(txtFields(3).Text());
    rs.Update();
    rs.Close();
    db.CommitTrans();
}

void MasterForm::ShowFirst() { disp(1); }

void MasterForm::ShowLast() { disp(0); }

void MasterForm::Form_Load()
{
    setTop(0);
    setLeft(0);
    ShowFirst();
    addMode = false;
}

void MasterForm::Form_Unload(int &) { host().setScreenMousePointer(0); }

void MasterForm::cmdAdd_Click()
{
    attempt(QStringLiteral("A new entry cannot be started"), [this] {
        if (m_design.addModeFirst)
            addMode = true;
        num.setText(nextNumber());
        txtFields.forEach([](TextBox &t) { t.setText(QString()); });
        txtFields(2).SetFocus();
        addMode = true;
    });
}

void MasterForm::cmdUpdate_Click()
{
    attempt(QStringLiteral("The entry was not saved"), [this] {
        if (txtFields(2).Text().isEmpty()) {
            MsgBox("You must enter name", Msg::OKOnly);
            txtFields(2).SetFocus();
            return;
        }
        if (m_design.tare) {
            TextBox &tare = txtFields(3);
            if (tare.Text().isEmpty())
                tare.setText("0");
            // The main screen and the manual form take it as a typed tare:
            // say so before anything is written.
            if (refuseWeight(tare, lblLabels(3).Caption()))
                return;
        }
        ins();
        cmdAdd.SetFocus();
    });
}

void MasterForm::cmdDelete_Click()
{
    attempt(QStringLiteral("The entry was not deleted"), [this] {
        if (MsgBox("Are you Sure to Delete", Msg::YesNo) == Msg::Yes) {
            Command &cmd = aminv::sharedCmd();
            cmd.setCommandText(sql("delete from truckmast where num=?", {numberParam(num.Text())}));
            cmd.Execute();
        }
        ShowLast();
    });
}

void MasterForm::cmdFind_Click()
{
    const QString answer = InputBox("Enter Employee Number:-", QString(), "1");
    double wanted = 0;
    if (!answer.isEmpty()) {
        if (!isNumeric(answer)) {
            MsgBox("Enter a number", Msg::OKOnly);
            return;
        }
        wanted = toDouble(answer);
    }
    disp(wanted);
}

void MasterForm::cmdNext_Click() { disp(-1); }

void MasterForm::cmdPrevious_Click() { disp(-2); }

void MasterForm::cmdClose_Click() { Unload(); }

void MasterForm::txtFields_LostFocus(int Index)
{
    if (Index == 3 && m_design.tare) {
        refuseWeight(txtFields(3), lblLabels(3).Caption());
        return;
    }
    if (Index != 2 || !addMode)
        return;
    Recordset &rs = aminv::mainRs();
    rs.Open(sql("select * from truckmast where " + nameEquals("name"), {txtFields(2).Text()}), aminv::dbConn(),
            CursorType::Static, LockType::Optimistic, -1);
    if (rs.RecordCount() != 0) {
        MsgBox("Duplicate Name", Msg::OKOnly);
        txtFields(2).setText(QString());
    }
    rs.Close();
}

frmmaterial::frmmaterial() : MasterForm({Name, "Material Entry", "matmast", false, true}) { arrangeButtons(); }

frmreceiver::frmreceiver() : MasterForm({Name, "Receiver Entry", "recemast", false, true}) { arrangeButtons(); }

frmsupplier::frmsupplier() : MasterForm({Name, "Supplier Entry", "suppmast", false, true}) { arrangeButtons(); }
