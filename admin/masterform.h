#pragma once
// A master form: one entry of a master table at a time, stepped through by
// number, found by number, added, saved and deleted. Every master table
// has the same form; a member states its table, caption and whether it
// keeps the truck's tare weight.
#include "runtime/form.h"

#include "database/sql.h"

class MasterForm : public vb::Form
{
public:
    struct Design {
        const char *name;
        const char *caption;
        const char *table; // one of the four master tables, never from input
        bool tare;         // the tare box, its label and the tarewt column
        // Add raises the add mode before its query (an Add that fails is
        // then already adding); otherwise it raises it last.
        bool addModeFirst;
    };

    const Design &design() const { return m_design; }

    // True from Add until the next save or the next display of an entry on
    // this form: a save then takes a fresh number, and leaving the name box
    // checks for a duplicate name. Each form keeps its own, as the earlier
    // edition shows several side by side.
    bool addMode = false;

private:
    const Design m_design; // first: the control arrays below depend on it

public:
    vb::ControlArray<vb::Label> lblLabels;
    vb::TextBox num{this, "num"};
    vb::ControlArray<vb::TextBox> txtFields;
    vb::CommandButton cmdAdd{this, "cmdAdd"};
    vb::CommandButton cmdUpdate{this, "cmdUpdate"};
    vb::CommandButton cmdDelete{this, "cmdDelete"};
    vb::CommandButton cmdPrevious{this, "cmdPrevious"};
    vb::CommandButton cmdNext{this, "cmdNext"};
    vb::CommandButton cmdFind{this, "cmdFind"};
    vb::CommandButton cmdClose{this, "cmdClose"};

    // Shows one entry: 0 the last, 1 the first, -1 the next after the shown
    // number, -2 the previous one, any other value the entry with that
    // number. Finding none leaves the boxes as they are.
    void disp(double RECNO);
    // Saves the entry in the boxes: under a fresh number while adding,
    // otherwise replacing the row with the shown number.
    void ins();

    void Form_Load();
    void Form_Unload(int &Cancel);
    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdFind_Click();
    void cmdNext_Click();
    void cmdPrevious_Click();
    void cmdClose_Click();
    void txtFields_LostFocus(int Index);

protected:
    explicit MasterForm(const Design &design);
    // Places the buttons in a row, the member's own ones before Close, and
    // sets the tab order. Each member's constructor calls it once.
    void arrangeButtons(std::initializer_list<vb::CommandButton *> own = {});

private:
    void ShowFirst();
    void ShowLast();
    // A statement of this member: the text is written for truckmast, and
    // every occurrence is replaced by the member's table.
    vb::Sql sql(const QString &text, QVariantList values = {}) const;
    QString nextNumber();
};
