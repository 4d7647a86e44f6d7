#pragma once
// The earlier edition's settings forms. The company name, address and city
// are ordinary settings here, edited and stored like the others; the
// machine type is the yes/no column counter.machtyp ("Normal" or "T7"),
// shown by the full form; its Design and Manual tools open modeless.
#include "admin/newsetting.h"

class QuilletSetting : public setting
{
public:
    QuilletSetting();

protected:
    void storeSettings(vb::Recordset &row) override;
};

class QuilletNewSetting : public newsetting
{
public:
    QuilletNewSetting();

    vb::Frame Frame9{this, "Frame9", -1, &Frame7}; // machine type

    // The machine type as the column keeps it: "1" for "Normal" and "0"
    // for "T7", which both editions read ("1" is the current edition's
    // Normal as well).
    static constexpr const char *Normal = "1";
    static constexpr const char *T7 = "0";

protected:
    void showSettings(const SettingsRow &row) override;
    void storeSettings(vb::Recordset &row) override;

private:
    void layout();
};
