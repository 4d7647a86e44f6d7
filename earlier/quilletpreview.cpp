#include "quilletpreview.h"

#include "weighing/form1.h"

#include "runtime/errors.h"

using namespace vb;

void QuilletPreview::Form_Load()
{
    setTop(0);
    setLeft(0);
    const Form1 &main = app().form<Form1>(Form1::Name);
    // Either helper is started and left to itself, and one that cannot be
    // started is passed over. No program of this edition names one in
    // `mprintfnm`, so an empty name starts nothing.
    const QString helper = main.mprintstyle ? main.mprintfnm : QStringLiteral("print.exe");
    if (!helper.trimmed().isEmpty())
        skipError([&] { host().shell(helper, WinStyle::MinimizedFocus); });
    // Before any text ticket has been composed there is no file: the box
    // stays empty and the report-file ticket can still be printed.
    skipError([this] { RichTextBox1.LoadFile("slip.prn"); });
}
