#pragma once
// The mouse layout designer: a click on a label selects it, a click on the
// empty form moves the selected label there and stores its position, and
// the line count is stored as it is typed. Every change is committed at
// once; the form closes through its close box.
#include "layoutform.h"

class LayoutDesigner : public LayoutForm
{
public:
    LayoutDesigner(const QString &name, const QString &table);

    // Event handlers.
    void Form_Load();
    void Label1_Click(int Index);
    void Label2_Click(int Index);
    void Form_MouseDown(int Button, int Shift, float X, float Y);
    void Text1_Change();

private:
    void select(const QString &groupName, int index, uint32_t colour);
    void moveSelected(vb::ControlArray<vb::Label> &labels, uint32_t colour, float X, float Y);
};

// Designer of the plain-paper layout.
class reportplain : public LayoutDesigner
{
public:
    static constexpr const char *Name = "reportplain";
    reportplain() : LayoutDesigner(Name, QStringLiteral("prnvarplain")) {}
};

// Designer of the pre-printed stationery layout.
class reportprint : public LayoutDesigner
{
public:
    static constexpr const char *Name = "reportprint";
    reportprint() : LayoutDesigner(Name, QStringLiteral("prnvarprint")) {}
};
