#pragma once
// The earlier edition's ticket list: four columns and no search. Sorting,
// choosing a row, Goto and Cancel are the current list's.
#include "weighing/acclocate.h"

class QuilletTicketList : public acclocate
{
public:
    QuilletTicketList();

protected:
    std::span<const ListColumn> listColumns() const override;
};
