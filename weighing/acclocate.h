#pragma once
// The ticket list: every ticket in a sortable list, a search by one field,
// and "Goto", which puts the chosen ticket on the main screen.
#include "database/sql.h"
#include "runtime/form.h"

#include <memory>
#include <span>

namespace vb {
class QueryRows;
}

class acclocate : public vb::Form
{
public:
    acclocate();
    static constexpr const char *Name = "acclocate";

    // Controls.
    vb::ListView ListView1{this, "ListView1"};
    vb::Label Label1{this, "Label1"}; // "Fields"
    vb::ComboBox Combo1{this, "Combo1"};
    vb::Label Label2{this, "Label2"}; // "Value Of Expression"
    vb::TextBox Text2{this, "Text2"};
    vb::CommandButton cmdFind{this, "cmdFind"};
    vb::CommandButton Command3{this, "Command3"};
    vb::TextBox Text1{this, "Text1"};
    vb::CommandButton Command1{this, "Command1"};
    vb::CommandButton Command2{this, "Command2"};

    // The statement the last Find or Reset ran, with its values. Empty until
    // the first Find or Reset; it outlives the form's unload, so the next
    // opening of the list repeats it.
    vb::Sql mlistQuery;

    // Event handlers.
    void Form_Load();
    void cmdFind_Click();
    void Command3_Click();
    void Command1_Click();
    void Command2_Click();
    void ListView1_ColumnClick(int column);
    void ListView1_ItemClick(int row);
    void ListView1_KeyPress(int &KeyAscii);

    struct ListColumn {
        const char *key, *text;
        int width;
        const char *field; // the emp column shown
    };

protected:
    // The list's columns; the earlier edition shows fewer.
    virtual std::span<const ListColumn> listColumns() const;

private:
    void layout();
    void wire();
    // The tickets a list query selects, read as the list shows them.
    std::shared_ptr<vb::QueryRows> ticketRows(const vb::Sql &listQuery) const;
    // Shows the rows in a fresh list.
    void fillList(std::shared_ptr<vb::QueryRows> rows);
    // Runs the list query: the count in the caption and a fresh list, or
    // " No RecordFound" with the list as it was.
    void runListQuery();
};
