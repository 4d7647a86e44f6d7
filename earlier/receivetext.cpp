#include "receivetext.h"

#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/form.h"

namespace earlier {

namespace {

void step(const std::function<void()> &f)
{
    try {
        f();
    } catch (const vb::RuntimeError &e) {
        vb::MsgBox(e.description(), vb::Msg::OKOnly);
    }
}

} // namespace

void receiveInto(vb::TextBox &box, QString &data, int &length, const std::function<void()> &use)
{
    step([&] {
        if (box.Text().size() > BoxTrimAbove) {
            box.setText(vb::mid(box.Text(), BoxTrimDrop + 1));
            length = int(box.Text().size());
        }
    });
    step([&] { box.setSelStart(int(box.Text().size())); });
    step([&] {
        for (qsizetype i = data.indexOf(QChar(8)); i >= 0; i = data.indexOf(QChar(8))) {
            if (i == 0) {
                // Nothing before it in the data: it takes the box's last
                // character instead.
                box.setSelStart(int(box.Text().size()) - 1);
                box.setSelLength(1);
                data.remove(0, 1);
            } else {
                data.remove(i - 1, 2);
            }
        }
    });
    step([&] { data.remove(QChar(10)); });
    step([&] { data.replace(QStringLiteral("\r"), QStringLiteral("\r\n")); });
    step(use);
    step([&] { box.setSelStart(int(box.Text().size())); });
}

} // namespace earlier
