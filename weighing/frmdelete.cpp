#include "frmdelete.h"

#include "aminv.h"

#include "database/database.h"

#include "runtime/convert.h"

#include <QRegularExpression>
#include <utility>

using namespace vb;

namespace {

// The lowest or highest ticket number as text, "1" for an empty table.
QString bound(const char *query)
{
    Recordset &rs = aminv::mainRs();
    struct Closing {
        Recordset &rs;
        ~Closing() { rs.Close(); }
    } closing{rs};
    rs.Open(query, aminv::dbConn(), 3, 3, -1);
    const QVariant v = rs.Fields("num1").Value();
    const QString text = v.isNull() ? QStringLiteral("1") : textOf(v);
    rs.Close();
    return text;
}

// The leading number of a typed text, as a plain number for the statement.
QVariant plainNumber(const QString &text) { return numberParam(numText(val(text))); }

// The text begins with a number (blanks aside): a box without one would
// count as 0 and widen the deletion down to the lowest ticket.
bool holdsNumber(const QString &text)
{
    QString t = text;
    t.remove(QRegularExpression(QStringLiteral("[ \\t\\r\\n]")));
    static const QRegularExpression leading(QStringLiteral("^([+-]?(\\d|\\.\\d)|&[HhOo][0-9A-Fa-f])"));
    return leading.match(t).hasMatch();
}

} // namespace

frmdelete::frmdelete() : Form(Name)
{
    setCaption("Delete Ticket");
    Move(3600, 2400, 4320, 2520);

    Label1.setCaption("Start No");
    Label1.Move(360, 390, 1200, 300);
    Text1.Move(1680, 360, 2160, 360);
    Label2.setCaption("End No");
    Label2.Move(360, 930, 1200, 300);
    Text2.Move(1680, 900, 2160, 360);
    OKButton.setCaption("Delete");
    OKButton.Move(840, 1560, 1320, 420);
    CancelButton.setCaption("Cancel");
    CancelButton.Move(2400, 1560, 1320, 420);
    for (Label *l : {&Label1, &Label2})
        l->setTabStop(false);

    // What a database failure stopped is named.
    onLoad = [this] { namingDatabaseFailure(QStringLiteral("The ticket numbers cannot be read"), [this] { Form_Load(); }); };
    OKButton.onClick = [this] { namingDatabaseFailure(QStringLiteral("The tickets were not deleted"), [this] { OKButton_Click(); }); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
    Text1.onKeyPress = [this](int &k) { Text1_KeyPress(k); };
    Text2.onKeyPress = [this](int &k) { Text2_KeyPress(k); };
}

void frmdelete::Form_Load()
{
    // The whole table is proposed as the range.
    Text1.setText(bound("select min(num)as num1 from emp "));
    Text2.setText(bound("select max(num)as num1 from emp "));
}

void frmdelete::OKButton_Click()
{
    for (auto [box, name] : {std::pair<TextBox *, const char *>{&Text1, "Start No"}, {&Text2, "End No"}})
        if (!holdsNumber(box->Text())) {
            MsgBox(QStringLiteral("%1 must be a number").arg(QLatin1String(name)), Msg::OKOnly);
            box->SetFocus();
            return;
        }
    if (MsgBox("Are you sure to delete this series", Msg::YesNo) != Msg::Yes)
        return;
    Command &cmd = aminv::sharedCmd();
    cmd.setCommandText(Sql("delete from emp where num >=? and num <=?",
                           {plainNumber(Text1.Text()), plainNumber(Text2.Text())}));
    cmd.Execute();
    Unload();
}

void frmdelete::CancelButton_Click() { Unload(); }

void frmdelete::Text1_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        Text2.SetFocus();
}

void frmdelete::Text2_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        OKButton.SetFocus();
}
