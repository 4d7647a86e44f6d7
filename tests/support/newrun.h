#pragma once
// The program started again in the same process and directory, as the
// office does after OK on a settings form ends it: what the last run left
// (the shared database objects, every form) is dropped, the host set again
// and the forms registered anew. The tests' office fixtures and the bench
// share it; it needs no test framework.
#include "weighing/aminv.h"

#include "runtime/form.h"

#include <functional>

inline void newRun(vb::Host &host, const std::function<void()> &registerForms)
{
    aminv::release();
    vb::App::instance().reset();
    vb::App::instance().setHost(&host);
    registerForms();
}
