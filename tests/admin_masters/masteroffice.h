#pragma once
// The scale office with the master forms registered: master tables filled
// before the start, a master opened through the main screen's F3 menu, and
// the stored rows read back through a connection of the test's own.
#include "support/office.h"
#include "support/otherprogram.h"
#include "support/rows.h"

#include "admin/frmtruck.h"
#include "admin/itemlocate.h"
#include "admin/masters.h"
#include "admin/registry.h"

#include "runtime/convert.h"

#include <vector>

class MasterOffice : public Office
{
protected:
    struct Entry {
        int num;
        QString name;
        double tare = 0; // truckmast only
    };

    void SetUp() override
    {
        Office::SetUp();
        registerAdminForms();
    }

    // Replaces the rows of a master table (before the program starts).
    void fill(const QString &table, const std::vector<Entry> &entries)
    {
        prepare({vb::Sql("delete from " + table)});
        for (const Entry &e : entries) {
            if (table == "truckmast")
                prepare({vb::Sql("insert into truckmast (num, Name, tarewt) values (?, ?, ?)", {e.num, e.name, e.tare})});
            else
                prepare({vb::Sql("insert into " + table + " (num, Name) values (?, ?)", {e.num, e.name})});
        }
    }

    // The stored rows in number order: "num Name" (and " tarewt" for trucks).
    QStringList stored(const QString &table)
    {
        const QString columns = table == "truckmast" ? "num, Name, tarewt" : "num, Name";
        return shownRows(aminv::DefaultConnection, vb::Sql("select " + columns + " from " + table + " order by num"),
                         QLatin1Char(' '));
    }

    // Opens a master from the main screen's F3 menu and acts inside it.
    void openMaster(const QString &formName, const QString &menuItem, const std::function<void(MasterForm &)> &act)
    {
        host.onModal(formName, [act](vb::Form &f) { act(static_cast<MasterForm &>(f)); });
        host.pickMenu(menuItem);
        vb::ui::press(*form1, vb::Key::F3);
    }
    void openTruck(const std::function<void(frmtruck &)> &act)
    {
        openMaster(frmtruck::Name, "mtruck", [act](MasterForm &f) { act(static_cast<frmtruck &>(f)); });
    }

    // The shown entry: "num Name" (and " tare" on the truck form).
    static QString shownEntry(const MasterForm &f)
    {
        QString s = f.num.Text() + " " + f.txtFields(2).Text();
        if (f.txtFields.has(3))
            s += " " + f.txtFields(3).Text();
        return s;
    }
};
