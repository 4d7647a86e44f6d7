#pragma once
// The settings form of the current edition: `newsetting` plus the machine
// type, kept in the listvalue row of Type 'machtyp'.
#include "newsetting.h"

class newsetting2 : public newsetting
{
public:
    static constexpr const char *Name = "newsetting2";
    newsetting2();

    vb::Frame Frame9{this, "Frame9", -1, &Frame7}; // machine type

    // The machine-type text: read at load, rewritten by OK ("1" Normal,
    // "2" D2+, "3" New, "4" Digital).
    QString machType;

protected:
    void loadMore() override;
    void saveMore() override;

private:
    void layout();
};
