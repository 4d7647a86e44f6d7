#pragma once
// A scale office with the printing forms and the delivered report files in
// its directory, and a few helpers to store tickets and read rows back.
#include "support/office.h"

#include "printing/registry.h"

#include <QDirIterator>
#include <QSqlQuery>
#include <QSqlRecord>

class ReportOffice : public Office
{
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (HasFatalFailure())
            return;
        registerPrintingForms();
        for (QDirIterator it(QStringLiteral(REPORT_FILES_DIR), {"*.rpt"}); it.hasNext();) {
            const QString file = it.next();
            ASSERT_TRUE(QFile::copy(file, m_dir.filePath(QFileInfo(file).fileName())));
        }
        for (const char *program : {"print.exe", "uprint.bat", "dprint.bat"})
            host.addProgram(program);
        host.setPrintDirectory(m_dir.path());
        host.setNow(QDateTime(QDate(2024, 3, 5), QTime(10, 30)));
    }

    // A stored ticket with the columns the reports show.
    void ticket(int num, const QString &truck, const QString &material, const QString &rece,
                const QString &sup, double gross, double tare, const QString &dt = "2024-03-05")
    {
        prepare({vb::Sql("insert into emp (num, truckno, material, rece, sup, grosswt, tarewt, netwt, "
                         "grossdt, grosstime, taredt, taretime, grossoral, tareoral, rupee, stage, amtword, dt) "
                         "values (?, ?, ?, ?, ?, ?, ?, ?, '05/03/2024', '09:15', '05/03/2024', '10:05', ' ', "
                         "'Oral', '150', 3, 'Rupees One Hundred Fifty Only', ?)",
                         {num, truck, material, rece, sup, gross, tare, std::abs(gross - tare), dt})});
    }

    // Rows of a query on the office's database, column by column.
    std::vector<QVariantMap> rows(const QString &query, const QVariantList &values = {})
    {
        vb::Connection c;
        c.Open(QString::fromLatin1(aminv::DefaultConnection));
        QSqlQuery q = c.run(vb::Sql(query, values));
        std::vector<QVariantMap> out;
        while (q.next()) {
            QVariantMap row;
            for (int i = 0; i < q.record().count(); ++i)
                row.insert(q.record().fieldName(i), q.value(i));
            out.push_back(row);
        }
        q = QSqlQuery();
        c.Close();
        return out;
    }
    QVariantMap counterRow() { return rows("select * from counter").at(0); }

    // The day's tickets the report tests share: three materials, three
    // receivers and suppliers, four trucks, and one ticket of the next day.
    void storeDay()
    {
        ticket(1, "GJ17TT4521", "Sand", "Gujarat Infra Projects", "Mahi River Sand Suppliers", 24350, 6250);
        ticket(2, "GJ06AX9087", "Coal", "Panchmahal Steels", "Western Coalfields Agency", 31240, 8940);
        ticket(3, "GJ17TT4521", "Sand", "Halol Ready Mix", "Mahi River Sand Suppliers", 22980, 6250);
        ticket(4, "MP09HG3310", "Cement", "Halol Ready Mix", "Ambuja Cement Depot", 28400, 11480);
        ticket(5, "RJ27GA1764", "Coal", "Panchmahal Steels", "Western Coalfields Agency", 30110, 9320);
        ticket(6, "GJ06AX9087", "Sand", "Gujarat Infra Projects", "Mahi River Sand Suppliers", 25760, 8940);
        ticket(7, "MP09HG3310", "Cement", "Gujarat Infra Projects", "Ambuja Cement Depot", 27650, 11480);
        ticket(8, "RJ27GA1764", "Coal", "Halol Ready Mix", "Western Coalfields Agency", 29870, 9320);
        ticket(9, "GJ17TT4521", "Sand", "Halol Ready Mix", "Mahi River Sand Suppliers", 23500, 6250, "2024-03-06");
    }
};
