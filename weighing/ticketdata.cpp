#include "ticketdata.h"

#include "aminv.h"

#include "database/database.h"
#include "runtime/convert.h"

namespace {

void run(const vb::Sql &statement)
{
    vb::Command &cmd = aminv::sharedCmd();
    cmd.setCommandText(statement);
    cmd.Execute();
}

// A weight in six print columns, right-aligned; a longer weight is written
// as it stands, without leading blanks.
QString rightAligned(const QString &weight)
{
    const QString t = vb::trim(weight);
    return t.size() >= 6 ? t : vb::space(int(6 - t.size())) + t;
}

// The ticket number as the key it names; a text that is not a number names
// no ticket.
QVariant ticketKey(const QString &number)
{
    return vb::isNumeric(number) ? vb::numberParam(number) : QVariant(number);
}

void fillSlip(const TicketValues &ticket, const Company &company)
{
    run("delete from slip");
    run(vb::Sql("insert into slip(num,truckno,material,grosstime,taretime,rupee,dt,rece,sup,grossoral,"
                "tareoral,grossdt,taredt,stage,grosswt,tarewt,netwt,bag,amtword,compnm,address,city) "
                "select num,truckno,material,grosstime,taretime,rupee,dt,rece,sup,grossoral,tareoral,"
                "grossdt,taredt,stage,grosswt,tarewt,netwt,bag,amtword,? as compnm, ? as address, ? as city "
                "from emp where num=?",
                {vb::trim(company.name), vb::trim(company.address), vb::trim(company.city),
                 ticketKey(ticket.number)}));
}

void fillLayout(const TicketValues &ticket, const Company &company, const PrintChoice &choice)
{
    const QString table = choice.plain ? QStringLiteral("prnvarplain") : QStringLiteral("prnvarprint");
    auto caption = [&](const char *name, int index, const QString &text) {
        run(vb::Sql(QStringLiteral("update %1 set caption=? where name='%2' and \"index\"=?")
                        .arg(table, QLatin1String(name)),
                    {text, index}));
    };

    // The company heading of the plain-paper layout, as the settings hold it.
    if (choice.plain) {
        caption("Label1", 14, company.name);
        caption("Label1", 15, company.address);
        caption("Label1", 16, company.city);
    }

    auto mark = [&](const QString &markCaption, const QString &unmarked) {
        if (!choice.marks)
            return unmarked;
        return markCaption == QLatin1String("Oral") ? QStringLiteral("*") : QStringLiteral(" ");
    };
    const QString values[] = {
        ticket.number,
        ticket.truck,
        ticket.material,
        ticket.tareTime,
        ticket.grossTime,
        ticket.amount,
        ticket.receiver,
        ticket.supplier,
        mark(ticket.tareMark, QStringLiteral("  ")),
        mark(ticket.grossMark, choice.plain ? QStringLiteral("    ") : QStringLiteral("  ")),
        ticket.grossDate,
        ticket.tareDate,
        rightAligned(ticket.gross),
        rightAligned(ticket.tare),
        rightAligned(ticket.net),
    };
    for (int index = 1; index <= 15; ++index)
        caption("Label2", index, values[index - 1]);
}

} // namespace

void FillTicketData(const TicketValues &ticket, const Company &company, const PrintChoice &choice)
{
    if (choice.dos)
        fillLayout(ticket, company, choice);
    else
        fillSlip(ticket, company);
}
