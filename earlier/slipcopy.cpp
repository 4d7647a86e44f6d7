#include "slipcopy.h"

#include "weighing/aminv.h"

#include "database/database.h"
#include "runtime/convert.h"

namespace earlier {

namespace {

void run(const vb::Sql &statement)
{
    vb::Command &cmd = aminv::sharedCmd();
    cmd.setCommandText(statement);
    cmd.Execute();
}

} // namespace

void copyTicketToSlip(const QString &number, const Company &company)
{
    const QVariant key = vb::isNumeric(number) ? vb::numberParam(number) : QVariant(number);
    run("delete from slip");
    run(vb::Sql("insert into slip(num,truckno,material,grosstime,taretime,rupee,dt,rece,sup,grossoral,"
                "tareoral,grossdt,taredt,stage,grosswt,tarewt,netwt,bag,amtword,compnm,address,city) "
                "select num,truckno,material,grosstime,taretime,rupee,dt,rece,sup,grossoral,tareoral,"
                "grossdt,taredt,stage,grosswt,tarewt,netwt,bag,amtword,? as compnm ,? as address ,? as city "
                "from emp where num=?",
                {vb::trim(company.name), vb::trim(company.address), vb::trim(company.city), key}));
}

} // namespace earlier
