// The earlier edition's ticket preview load: "print.exe" in the "Window"
// print style, the main screen's `mprintfnm` in the "Dos" style.
#include "quilletoffice.h"

#include "printing/preview.h"

using namespace vb;

namespace {

struct LoadCase {
    const char *label;
    bool dosStyle;         // Form1's mprintstyle
    const char *helper;    // Form1's mprintfnm
    const char *installed; // a program the shell finds, or nullptr
    const char *started;   // nullptr: nothing started
};

std::ostream &operator<<(std::ostream &os, const LoadCase &c) { return os << c.label; }

class EarlierPreview : public QuilletOffice, public ::testing::WithParamInterface<LoadCase>
{
};

TEST_P(EarlierPreview, LoadStartsTheHelperOfTheStyleAndShowsTheTextTicket)
{
    const LoadCase &c = GetParam();
    QFile slip(m_dir.filePath("slip.prn"));
    ASSERT_TRUE(slip.open(QIODevice::WriteOnly));
    slip.write("TICKET 57\r\n");
    slip.close();
    QuilletForm1 &f = start();
    if (c.installed)
        host.addProgram(c.installed);
    f.mprintstyle = c.dosStyle;
    f.mprintfnm = c.helper;
    host.clearRecords();

    QString shown;
    host.onModal(preview::Name, [&](Form &p) {
        EXPECT_EQ(p.Top(), 0);
        EXPECT_EQ(p.Left(), 0);
        shown = static_cast<preview &>(p).RichTextBox1.Text();
        ui::click(static_cast<preview &>(p).CancelButton);
    });
    app().dispatch([] { app().form(preview::Name).Show(true); });

    EXPECT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(host.modalsShown(), QStringList({"preview"}));
    if (c.started) {
        ASSERT_EQ(host.started().size(), 1u);
        EXPECT_EQ(host.started()[0].program, c.started);
        EXPECT_EQ(host.started()[0].windowStyle, WinStyle::MinimizedFocus);
    } else {
        EXPECT_TRUE(host.started().empty()) << host.started()[0].program.toStdString();
    }
    EXPECT_EQ(shown, "TICKET 57\r\n") << "the text ticket is loaded whatever was started";
}

INSTANTIATE_TEST_SUITE_P(
    Table, EarlierPreview,
    ::testing::Values(LoadCase{"window style starts print.exe", false, "tprint.exe", "print.exe", "print.exe"},
                      LoadCase{"window style without print.exe", false, "", nullptr, nullptr},
                      LoadCase{"dos style starts the named program", true, "tprint.exe", "tprint.exe", "tprint.exe"},
                      LoadCase{"dos style with a missing program", true, "tprint.exe", nullptr, nullptr},
                      LoadCase{"dos style with no name starts nothing", true, "", "print.exe", nullptr}));

} // namespace
