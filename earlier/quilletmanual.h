#pragma once
// The earlier edition's manual ticket form: a report-file ticket takes the
// company lines of this form's own heading, not the main screen's.
#include "weighing/manual.h"

class QuilletManual : public manual
{
protected:
    void fillWindowData() override;
};
