#pragma once
// The earlier edition's ticket preview: in the "Dos" print style its load
// starts the program the main screen names in `mprintfnm`, where the
// current edition starts nothing.
#include "printing/preview.h"

class QuilletPreview : public preview
{
public:
    void Form_Load() override;
};
