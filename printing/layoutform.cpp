#include "layoutform.h"

#include <algorithm>

#include "weighing/aminv.h"
#include "weighing/settingsrow.h"

#include "database/database.h"
#include "runtime/convert.h"

using namespace vb;

LayoutForm::LayoutForm(const QString &name, const QString &table) : Form(name), m_table(table)
{
    Move(0, 0, 12000, 9000);
    setBackColor(WindowBackground);
    // Elements stay hidden until a layout row places them.
    auto hide = [](Label &l) {
        l.setVisible(false);
        l.setTabStop(false);
        l.setFont(QStringLiteral("Courier New"), 9);
        l.Move(0, 0, 1215, 255);
    };
    Label1.forEach(hide);
    Label2.forEach(hide);
    Label3.setCaption("Total Line");
    Label3.Move(8400, 8040, 1095, 255);
    Label3.setTabStop(false);
    Text1.Move(9600, 8000, 975, 330);
    selectedArray = QStringLiteral("Label1");
}

ControlArray<Label> &LayoutForm::group(const QString &name)
{
    return name == QLatin1String("Label2") ? Label2 : Label1;
}

void LayoutForm::showLayout()
{
    const SettingsRow settings =
        readExistingSettingsRow(aminv::mainRs(), aminv::dbConn(), SettingsQuery, LockType::ReadOnly);
    Text1.setText(textOf(settings.totline));

    showGroup(QStringLiteral("Label1"), Label1);
    showGroup(QStringLiteral("Label2"), Label2);
    selectedArray = QStringLiteral("Label1");
}

void LayoutForm::showGroup(const QString &name, ControlArray<Label> &labels)
{
    Recordset &rs = aminv::mainRs();
    rs.Open(Sql(QStringLiteral("select * from %1 where name=?").arg(m_table), {name}),
            aminv::dbConn(), CursorType::Static, LockType::ReadOnly, -1);
    for (; !rs.Eof(); rs.MoveNext()) {
        const QVariant index = rs.Fields("index").Value();
        const QVariant caption = rs.Fields("caption").Value();
        const QVariant x = rs.Fields("x").Value();
        const QVariant y = rs.Fields("y").Value();
        // A row without an element of its number or without a text or
        // position has nowhere to show: it is passed over.
        if (index.isNull() || caption.isNull() || x.isNull() || y.isNull())
            continue;
        const double i = numberOf(index);
        if (i != int(i) || !labels.has(int(i)))
            continue;
        Label &l = labels(int(i));
        l.setCaption(textOf(caption));
        // One character cell of the ticket per character, so the label
        // shows its whole text where it will print.
        l.setWidth(std::max(1, int(l.Caption().size())) * 135);
        l.setTop(toInt32(numberOf(y)));
        l.setLeft(toInt32(numberOf(x)));
        l.setVisible(true);
    }
    rs.Close();
}
