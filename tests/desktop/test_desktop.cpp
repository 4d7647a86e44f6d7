// The desktop host: a fixture form rendered as a real window and driven
// with Qt's own key and mouse events.
#include "desktop/focusframe.h"
#include "desktop/formwindow.h"
#include "desktop/qthost.h"
#include "database/database.h"
#include "report/printdocument.h"
#include "runtime/convert.h"
#include "runtime/input.h"
#include "testing/xserver.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

using namespace vb;
using Log = std::vector<QString>;

namespace {

class Fixture : public Form
{
public:
    Fixture() : Form("frmFixture")
    {
        setCaption("Weighing fixture");
        Move(0, 0, 8400, 6600);
        lblName.setCaption("&Name:");
        lblName.Move(240, 285, 1100, 255);
        txtName.Move(1440, 240, 2400, 315);
        lblCode.setCaption("Code:");
        lblCode.Move(240, 690, 1100, 255);
        txtCode.Move(1440, 645, 2400, 315);
        lblMaterial.setCaption("Material:");
        lblMaterial.Move(240, 1095, 1100, 255);
        cboMaterial.Move(1440, 1050, 2400, 315);
        for (const char *m : {"Sand", "Coal", "Gravel"})
            cboMaterial.AddItem(m);
        fraDirection.setCaption("Direction");
        fraDirection.Move(4200, 150, 2400, 1215);
        optDirection(0).setCaption("Inward");
        optDirection(0).Move(240, 360, 1800, 285);
        optDirection(1).setCaption("Outward");
        optDirection(1).Move(240, 720, 1800, 285);
        tglAuto.setCaption("Auto");
        tglAuto.Move(6840, 240, 1200, 375);
        cmdOpen.setCaption("&Open");
        cmdOpen.Move(6840, 690, 1200, 375);
        cmdOK.setCaption("OK");
        cmdOK.setDefault(true);
        cmdOK.Move(6840, 1140, 1200, 375);
        for (CommandButton *b : {&cmdOpen, &cmdOK})
            b->setFont("Arial", 12, true);
        lvwTickets.Move(240, 1680, 7800, 3600);
        lvwTickets.addColumn("no", "Ticket", 1200);
        lvwTickets.addColumn("truck", "Truck", 2400);
        lvwTickets.addColumn("net", "Net weight", 1800);
        for (int i = 1; i <= 8; ++i) {
            int row = lvwTickets.addItem(QString("k%1").arg(i), QString("%1").arg(1000 + i));
            lvwTickets.setSubItem(row, 1, QString("TRK %1").arg(i * 111));
            lvwTickets.setSubItem(row, 2, QString("%1").arg(i * 1250));
        }
        lblStatus.setCaption("Ready");
        lblStatus.Move(240, 5460, 7800, 255);
        dtpFrom.Move(240, 5880, 2400, 315);

        for (Control *c : controls()) {
            Control *cc = c;
            cc->onGotFocus = [this, cc] { log.push_back("Got " + cc->fullName()); };
            cc->onLostFocus = [this, cc] { log.push_back("Lost " + cc->fullName()); };
        }
        txtName.onKeyPress = [this](int &ascii) {
            log.push_back(QString("KeyPress %1").arg(ascii));
            if (ascii == '#')
                ascii = 0;
        };
        txtName.onKeyDown = [this](int &code, int) { log.push_back(QString("txtName KeyDown %1").arg(code)); };
        txtName.onChange = [this] { log.push_back("Change " + txtName.Text()); };
        optDirection.on(&OptionButton::onClick, [this](int i) { log.push_back(QString("optDirection_Click %1").arg(i)); });
        lvwTickets.onItemClick = [this](int row) { log.push_back(QString("ItemClick %1").arg(row)); };
        lvwTickets.onColumnClick = [this](int col) { log.push_back(QString("ColumnClick %1").arg(col)); };
        tmrClock.onTimer = [this] { ++ticks; };
        cmdOpen.onClick = [this] {
            log.push_back("before Show");
            App::instance().form("frmModal").Show(true);
            log.push_back("after Show");
        };
        onKeyDown = [this](int &code, int) {
            log.push_back(QString("Form KeyDown %1").arg(code));
            if (code == Key::F6)
                code = 0;
        };
    }
    Label lblName{this, "lblName"};
    TextBox txtName{this, "txtName"};
    Label lblCode{this, "lblCode"};
    TextBox txtCode{this, "txtCode"};
    Label lblMaterial{this, "lblMaterial"};
    ComboBox cboMaterial{this, "cboMaterial"};
    Frame fraDirection{this, "fraDirection"};
    ControlArray<OptionButton> optDirection{this, "optDirection", {0, 1}, &fraDirection};
    ToggleButton tglAuto{this, "tglAuto"};
    CommandButton cmdOpen{this, "cmdOpen"};
    CommandButton cmdOK{this, "cmdOK"};
    ListView lvwTickets{this, "lvwTickets"};
    Label lblStatus{this, "lblStatus"};
    DatePicker dtpFrom{this, "dtpFrom"};
    Timer tmrClock{this, "tmrClock", 10};
    Log log;
    int ticks = 0;
};

class ModalForm : public Form
{
public:
    ModalForm() : Form("frmModal")
    {
        setCaption("Modal");
        Move(1200, 1200, 3600, 1800);
        txtNote.Move(240, 240, 3000, 315);
        onUnload = [this](int &cancel) {
            ++unloads;
            cancel = refuse;
        };
    }
    TextBox txtNote{this, "txtNote"};
    int unloads = 0;
    bool refuse = false;
};

// A dialog whose Load puts it in the top-left corner.
class CornerForm : public Form
{
public:
    CornerForm() : Form("frmCorner")
    {
        Move(0, 0, 4800, 3000);
        onLoad = [this] {
            setTop(0);
            setLeft(0);
        };
    }
};

// Runs the event loop until the condition holds or the deadline passes.
bool waitFor(const std::function<bool()> &condition, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!condition() && !deadline.hasExpired())
        QTest::qWait(5);
    return condition();
}

// The message box the program shows, once it is open (null if none opens).
QMessageBox *openMessageBox()
{
    waitFor([] { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()) != nullptr; });
    return qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
}

class Desktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App::instance().reset();
        host = std::make_unique<QtHost>();
        App::instance().registerForm("frmFixture", [] { return std::make_unique<Fixture>(); });
        App::instance().registerForm("frmModal", [] { return std::make_unique<ModalForm>(); });
        App::instance().registerForm("frmCorner", [] { return std::make_unique<CornerForm>(); });
        f = &App::instance().form<Fixture>("frmFixture");
        f->Show();
        win = host->findWindow(*f);
        ASSERT_NE(win, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
        f->log.clear();
    }
    void TearDown() override
    {
        host.reset();
        App::instance().reset();
    }
    template <class W> W *widget(Control &c) const
    {
        W *w = qobject_cast<W *>(win->widget(c));
        EXPECT_NE(w, nullptr) << c.fullName().toStdString();
        return w;
    }
    void clickOn(Control &c) { QTest::mouseClick(win->widget(c), Qt::LeftButton); }

    std::unique_ptr<QtHost> host;
    Fixture *f = nullptr;
    FormWindow *win = nullptr;
};

TEST_F(Desktop, TypingRunsKeyPressThenChangeAndASwallowedKeyNeverReachesTheText)
{
    QLineEdit *edit = widget<QLineEdit>(f->txtName);
    clickOn(f->txtCode);
    clickOn(f->txtName);
    EXPECT_EQ(f->ActiveControl(), &f->txtName);
    EXPECT_EQ(win->focusWidget(), edit) << "Qt's focus follows the runtime's";
    f->log.clear();
    QTest::keyClicks(edit, "a#b");
    EXPECT_EQ(edit->text(), "ab");
    EXPECT_EQ(f->txtName.Text(), "ab");
    EXPECT_EQ(edit->cursorPosition(), 2);
    Log keys;
    for (const QString &line : f->log)
        if (!line.startsWith("txtName KeyDown") && !line.startsWith("Form KeyDown"))
            keys.push_back(line);
    EXPECT_EQ(keys, (Log{"KeyPress 97", "Change a", "KeyPress 35", "KeyPress 98", "Change ab"}));

    // Editing keys go through the runtime too: the caret is the control's.
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(f->txtName.Text(), "b");
    EXPECT_EQ(edit->text(), "b");
    EXPECT_EQ(edit->cursorPosition(), 0);
    EXPECT_EQ(f->txtName.SelStart(), 0);
}

TEST_F(Desktop, SelectionKeysSelectAndTypingReplacesTheSelection)
{
    struct Key {
        int key;
        Qt::KeyboardModifiers mods = Qt::NoModifier;
    };
    const Key end{Qt::Key_End}, home{Qt::Key_Home}, shiftHome{Qt::Key_Home, Qt::ShiftModifier},
        shiftEnd{Qt::Key_End, Qt::ShiftModifier}, shiftLeft{Qt::Key_Left, Qt::ShiftModifier},
        shiftRight{Qt::Key_Right, Qt::ShiftModifier}, ctrlA{Qt::Key_A, Qt::ControlModifier},
        ctrlShiftLeft{Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier}, left{Qt::Key_Left},
        del{Qt::Key_Delete}, back{Qt::Key_Backspace};
    struct Case {
        const char *before;
        std::vector<Key> keys;
        const char *typed, *after, *selected;
    } cases[] = {
        {"11480", {end, shiftHome}, "4321", "4321", "11480"},
        {"Sand", {ctrlA}, "Coal", "Coal", "Sand"},
        {"12345", {end, shiftLeft, shiftLeft}, "9", "1239", "45"},
        {"12345", {home, shiftRight, shiftRight, shiftRight, shiftLeft}, "", "12345", "12"},
        {"abc def", {home, shiftEnd, del}, "", "", ""},
        {"abc def", {end, ctrlShiftLeft, back}, "", "abc ", ""},
        {"12345", {home, shiftEnd, left}, "0", "012345", ""},
        {"05/03/2025", {end, shiftHome}, "", "05/03/2025", "05/03/2025"},
    };
    QLineEdit *edit = widget<QLineEdit>(f->txtCode);
    for (const Case &c : cases) {
        f->txtCode.setText(c.before);
        ui::focus(f->txtCode);
        for (const Key &k : c.keys)
            QTest::keyClick(edit, Qt::Key(k.key), k.mods);
        EXPECT_EQ(edit->selectedText(), c.selected) << c.before << " the window shows the runtime's selection";
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(f->txtCode.Text(), c.after) << c.before;
        EXPECT_EQ(edit->text(), c.after) << c.before;
    }
    // Shift+Home leaves the caret at the start, where Shift+Right goes on.
    f->txtCode.setText("abcd");
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(edit->cursorPosition(), 0);
    QTest::keyClick(edit, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(f->txtCode.SelText(), "bcd");
    EXPECT_EQ(f->txtCode.SelStart(), 1);
}

TEST_F(Desktop, ClipboardKeysGoThroughTheRuntimeAndKeepPasswordsIn)
{
    QLineEdit *edit = widget<QLineEdit>(f->txtName);
    f->txtName.setText("TRK 042");
    ui::focus(f->txtName);
    QTest::keyClick(edit, Qt::Key_Home);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(edit, Qt::Key_Right, Qt::ShiftModifier);
    f->log.clear();
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(f->txtName.Text(), " 042");
    EXPECT_EQ(QApplication::clipboard()->text(), "TRK");
    QTest::keyClick(edit, Qt::Key_End);
    QApplication::clipboard()->setText("A#B");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f->txtName.Text(), " 042AB") << "pasted text passes KeyPress like typing";
    EXPECT_TRUE(std::find(f->log.begin(), f->log.end(), "Change  042") != f->log.end());
    // The older keys: Shift+Del cuts, Ctrl+Ins copies, Shift+Ins pastes.
    QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), " 042AB");
    QTest::keyClick(edit, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(f->txtName.Text(), "");
    QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(f->txtName.Text(), " 042AB 042AB");

    // A password shows one "*" per character and never leaves the box.
    f->txtCode.setPasswordChar('*');
    f->txtCode.setText("secret");
    QLineEdit *code = widget<QLineEdit>(f->txtCode);
    EXPECT_EQ(code->text(), "******");
    ui::focus(f->txtCode);
    QApplication::clipboard()->setText("kept");
    for (Qt::Key k : {Qt::Key_A, Qt::Key_C, Qt::Key_X})
        QTest::keyClick(code, k, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");
    EXPECT_EQ(f->txtCode.Text(), "secret");
    QTest::keyClicks(code, "ab");
    EXPECT_EQ(f->txtCode.Text(), "ab") << "Ctrl+A selected it all";
    EXPECT_EQ(code->text(), "**");
}

TEST_F(Desktop, AFocusKeepsTheSelectionTheTextHadOrAHandlerSet)
{
    QLineEdit *code = widget<QLineEdit>(f->txtCode);
    f->txtCode.setText("C-17");
    ui::focus(f->txtCode);
    QTest::keyClick(code, Qt::Key_End);
    QTest::keyClick(code, Qt::Key_Left);
    ui::focus(f->txtName);
    QTest::keyClick(widget<QLineEdit>(f->txtName), Qt::Key_Tab);
    EXPECT_EQ(f->txtCode.SelStart(), 3) << "Tab brings the caret back where it was";
    EXPECT_EQ(code->cursorPosition(), 3);
    EXPECT_FALSE(code->hasSelectedText());

    f->txtCode.onGotFocus = [this] {
        f->txtCode.setSelStart(0);
        f->txtCode.setSelLength(int(f->txtCode.Text().size()));
    };
    ui::focus(f->txtName);
    QTest::keyClick(widget<QLineEdit>(f->txtName), Qt::Key_Tab);
    EXPECT_EQ(code->selectedText(), "C-17") << "the handler's selection shows";
    QTest::keyClicks(code, "D");
    EXPECT_EQ(f->txtCode.Text(), "D");
}

TEST_F(Desktop, ABoxShowsItsSelectionOnlyWhileItHasTheFocus)
{
    // As the platform's boxes hid their selection: the box keeps it, draws it
    // only while focused, and shows it again when the focus comes back.
    QLineEdit *code = widget<QLineEdit>(f->txtCode);
    f->txtCode.setText("C-17");
    ui::focus(f->txtCode);
    QTest::keyClick(code, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(code->selectedText(), "C-17");
    ui::focus(f->txtName);
    EXPECT_FALSE(code->hasSelectedText()) << "the box that lost the focus draws no selection";
    EXPECT_EQ(f->txtCode.SelLength(), 4) << "but keeps it";
    QTest::keyClick(widget<QLineEdit>(f->txtName), Qt::Key_Tab);
    EXPECT_EQ(code->selectedText(), "C-17") << "and shows it again with the focus";
    QTest::keyClicks(code, "D");
    EXPECT_EQ(f->txtCode.Text(), "D");
}

TEST_F(Desktop, AValueLongerThanItsBoxShowsItsStartWhenTheProgramWritesIt)
{
    const QString value = "Shree Mahalaxmi Sand and Stone Crushing Suppliers Private Limited";
    ui::focus(f->txtName);
    for (TextEditable *box : std::initializer_list<TextEditable *>{&f->txtCode, &f->cboMaterial}) {
        QLineEdit *edit = qobject_cast<QLineEdit *>(widget<QWidget>(*box));
        if (auto *combo = qobject_cast<QComboBox *>(widget<QWidget>(*box)))
            edit = combo->lineEdit();
        ASSERT_NE(edit, nullptr);
        box->setText(value);
        QApplication::processEvents();
        EXPECT_EQ(edit->text(), value);
        EXPECT_EQ(edit->cursorPosition(), 0) << "the box shows the end of the value";
    }
}

TEST_F(Desktop, AComboShowsWhatWasTypedUntilAnItemIsPicked)
{
    QComboBox *combo = widget<QComboBox>(f->cboMaterial);
    for (const char *typed : {"SAND", "coal", "Gr"}) {
        f->cboMaterial.setText(QString());
        ui::focus(f->cboMaterial);
        QTest::keyClicks(combo->lineEdit(), typed);
        EXPECT_EQ(combo->lineEdit()->text(), typed);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Tab);
        EXPECT_NE(f->ActiveControl(), &f->cboMaterial);
        QApplication::processEvents();
        EXPECT_EQ(combo->lineEdit()->text(), typed) << "leaving the box keeps the typed text";
        EXPECT_EQ(f->cboMaterial.Text(), typed);
    }
    emit combo->activated(0);
    EXPECT_EQ(combo->lineEdit()->text(), "Sand");
    EXPECT_EQ(f->cboMaterial.Text(), "Sand");
}

TEST_F(Desktop, FunctionKeysReachAPreviewingFormBeforeTheControl)
{
    QLineEdit *edit = widget<QLineEdit>(f->txtName);
    ui::focus(f->txtName);
    f->setKeyPreview(true);
    f->log.clear();
    QTest::keyClick(edit, Qt::Key_F5);
    QTest::keyClick(edit, Qt::Key_F6); // the form cancels this one
    EXPECT_EQ(f->log, (Log{"Form KeyDown 116", "txtName KeyDown 116", "Form KeyDown 117"}));

    f->setKeyPreview(false);
    f->log.clear();
    QTest::keyClick(edit, Qt::Key_F5);
    EXPECT_EQ(f->log, (Log{"txtName KeyDown 116"}));
}

TEST_F(Desktop, TabAndClicksMoveTheFocusThroughTheRuntime)
{
    QLineEdit *name = widget<QLineEdit>(f->txtName);
    ui::focus(f->txtName);
    f->log.clear();
    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_EQ(f->log, (Log{"Lost txtName", "Got txtCode"}));
    EXPECT_EQ(win->focusWidget(), widget<QLineEdit>(f->txtCode));

    f->log.clear();
    QTest::keyClick(widget<QLineEdit>(f->txtCode), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(f->log, (Log{"Lost txtCode", "Got txtName"}));

    // A click on an option focuses and selects it once; a disabled control
    // does not take the focus.
    f->log.clear();
    clickOn(f->optDirection(1));
    EXPECT_EQ(f->log, (Log{"Lost txtName", "optDirection_Click 1", "Got optDirection(1)"}));
    EXPECT_TRUE(widget<QRadioButton>(f->optDirection(1))->isChecked());
    EXPECT_FALSE(widget<QRadioButton>(f->optDirection(0))->isChecked());
    clickOn(f->optDirection(0));
    EXPECT_TRUE(widget<QRadioButton>(f->optDirection(0))->isChecked());
    EXPECT_FALSE(widget<QRadioButton>(f->optDirection(1))->isChecked()) << "the runtime keeps options exclusive";

    f->txtCode.setEnabled(false);
    f->log.clear();
    ui::focus(f->txtCode);
    EXPECT_TRUE(f->log.empty());
    EXPECT_EQ(win->focusWidget(), widget<QRadioButton>(f->optDirection(0)));
}

TEST_F(Desktop, AModalFormBlocksItsOpenerWhileTimersKeepFiring)
{
    int ticksAtShow = -1;
    int ticksAtClose = -1;
    ModalForm &modal = App::instance().form<ModalForm>("frmModal");
    // Closes the modal form through its close box once the opener's timer
    // has fired a few times while it was up.
    QTimer closer;
    QDeadlineTimer deadline(10000);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!modal.visible())
            return;
        FormWindow *mw = host->findWindow(modal);
        if (ticksAtShow < 0) {
            ticksAtShow = f->ticks;
            f->log.push_back("modal up");
        }
        if (f->ticks - ticksAtShow >= 3 || deadline.hasExpired()) {
            ticksAtClose = f->ticks;
            f->log.push_back("closing");
            mw->close();
        }
    });
    closer.start(5);
    clickOn(f->cmdOpen);
    closer.stop();
    EXPECT_EQ(f->log, (Log{"Lost txtName", "Got cmdOpen", "before Show", "modal up", "closing", "after Show"}));
    EXPECT_GE(ticksAtClose - ticksAtShow, 3) << "the first form's timer fired during the modal wait";
    EXPECT_EQ(modal.unloads, 1);
    EXPECT_FALSE(modal.loaded());
    EXPECT_FALSE(host->findWindow(modal)->isVisible());
    EXPECT_EQ(host->modalDepth(), 0);
}

TEST_F(Desktop, TheCloseBoxAsksTheFormWhichMayRefuse)
{
    ModalForm &other = App::instance().form<ModalForm>("frmModal");
    other.refuse = true;
    other.Show();
    FormWindow *ow = host->findWindow(other);
    ow->close();
    EXPECT_TRUE(other.loaded());
    EXPECT_TRUE(ow->isVisible());
    other.refuse = false;
    ow->close();
    EXPECT_FALSE(other.loaded());
    EXPECT_FALSE(ow->isVisible());
    EXPECT_EQ(other.unloads, 2);
}

TEST_F(Desktop, TimersRunWhileTheirFormIsLoadedAndEnabled)
{
    QTimer *qt = host->qtimer(f->tmrClock);
    ASSERT_NE(qt, nullptr);
    EXPECT_TRUE(qt->isActive());
    EXPECT_EQ(qt->interval(), 10);
    EXPECT_TRUE(waitFor([&] { return f->ticks >= 2; }));
    f->tmrClock.setTimerEnabled(false);
    EXPECT_FALSE(qt->isActive());
    f->tmrClock.setInterval(250);
    EXPECT_FALSE(qt->isActive()) << "a new interval does not start a disabled timer";
    f->tmrClock.setTimerEnabled(true);
    EXPECT_TRUE(qt->isActive());
    EXPECT_EQ(qt->interval(), 250);
    ui::close(*f);
    EXPECT_FALSE(qt->isActive()) << "an unloaded form's timers stop";
}

TEST_F(Desktop, OperatorResizeMinimizeAndFormClicksReachTheForm)
{
    int resizes = 0;
    f->onResize = [&] { ++resizes; };
    Log mouse;
    f->onMouseDown = [&](int button, int shift, double x, double y) {
        mouse.push_back(QString("MouseDown %1 %2 %3 %4").arg(button).arg(shift).arg(x).arg(y));
    };
    f->onClick = [&] { mouse.push_back("Form_Click"); };
    win->resize(600, 480);
    EXPECT_TRUE(waitFor([&] { return f->Width() == 9000; }));
    EXPECT_EQ(f->Height(), 7200);
    win->showMinimized();
    EXPECT_TRUE(waitFor([&] { return f->WindowState() == WindowState::Minimized; }));
    EXPECT_EQ(resizes, 1);
    f->setWindowState(WindowState::Normal);
    EXPECT_FALSE(win->isMinimized());

    QTest::mouseClick(win, Qt::RightButton, Qt::ShiftModifier, QPoint(300, 400));
    EXPECT_EQ(mouse, (Log{"MouseDown 2 1 4500 6000", "Form_Click"}));
}

TEST_F(Desktop, PopupMenusAndInputBoxesAnswerWithThePick)
{
    Menu menu(f, "mnuPrint", "Print");
    menu.addItem("mnuTicket", "&Ticket");
    menu.addItem("mnuSep", "-");
    menu.addItem("mnuReport", "Daily &report").onClick = [this] { f->log.push_back("mnuReport_Click"); };
    QTimer::singleShot(0, [&] {
        waitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()) != nullptr; });
        auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!popup)
            return;
        EXPECT_EQ(popup->font().pointSizeF(), win->widget(f->cmdOK)->font().pointSizeF()) << "the screen's font";
        EXPECT_EQ(popup->font().family(), win->widget(f->cmdOK)->font().family());
        popup->setActiveAction(popup->actions().at(2));
        QTest::keyClick(popup, Qt::Key_Return);
    });
    f->PopupMenu(menu);
    EXPECT_EQ(f->log, (Log{"mnuReport_Click"}));

    for (bool accept : {true, false}) {
        QTimer::singleShot(0, [&] {
            waitFor([] { return qobject_cast<QInputDialog *>(QApplication::activeModalWidget()) != nullptr; });
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            EXPECT_EQ(dialog->textValue(), "1");
            EXPECT_EQ(dialog->pos(), QPoint(200, 100));
            dialog->setTextValue("3");
            accept ? dialog->accept() : dialog->reject();
        });
        EXPECT_EQ(InputBox("Copies", "Print", "1", QPoint(3000, 1500)), accept ? "3" : "");
    }
}

TEST_F(Desktop, TheProgramRunsUntilItsLastFormUnloadsOrItEnds)
{
    for (bool end : {false, true}) {
        host.reset();
        App::instance().reset();
        host = std::make_unique<QtHost>();
        App::instance().registerForm("frmFixture", [] { return std::make_unique<Fixture>(); });
        Fixture *first = nullptr;
        QTimer safety; // a safety net, not a timing
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        safety.start(10000);
        int code = host->run([&] {
            first = &App::instance().form<Fixture>("frmFixture");
            first->cmdOK.onClick = [&] {
                if (end)
                    App::instance().end();
                first->Unload();
            };
            first->Show();
            QTimer::singleShot(0, [&] { QTest::mouseClick(host->findWindow(*first)->widget(first->cmdOK), Qt::LeftButton); });
        });
        EXPECT_EQ(code, 0) << "end " << end;
        EXPECT_EQ(App::instance().ended(), end);
        EXPECT_EQ(first->loaded(), end) << "End stops at once: the handler's Unload never runs";
        EXPECT_FALSE(host->findWindow(*first)->isVisible());
    }
    f = nullptr;
}

TEST_F(Desktop, RuntimeChangesShowAtOnce)
{
    f->setCaption("Second weighing");
    EXPECT_EQ(win->windowTitle(), "Second weighing");

    f->txtName.setText("TRK 042");
    EXPECT_EQ(widget<QLineEdit>(f->txtName)->text(), "TRK 042");

    f->lblStatus.setCaption("Saved");
    EXPECT_EQ(widget<QLabel>(f->lblStatus)->text(), "Saved");
    EXPECT_TRUE(widget<QLabel>(f->lblName)->text().contains("<u>N</u>ame:")) << "the access key is underlined";

    f->lblStatus.setVisible(false);
    EXPECT_FALSE(widget<QLabel>(f->lblStatus)->isVisible());
    f->fraDirection.setVisible(false);
    EXPECT_FALSE(widget<QRadioButton>(f->optDirection(0))->isVisible()) << "a hidden frame hides what it holds";
    f->fraDirection.setVisible(true);
    EXPECT_TRUE(widget<QRadioButton>(f->optDirection(0))->isVisible());

    f->cmdOK.setEnabled(false);
    EXPECT_FALSE(widget<QPushButton>(f->cmdOK)->isEnabled());

    f->txtCode.setBackColor(rgb(255, 255, 0));
    f->txtCode.setForeColor(rgb(0, 0, 128));
    EXPECT_EQ(widget<QLineEdit>(f->txtCode)->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_EQ(widget<QLineEdit>(f->txtCode)->palette().color(QPalette::Text), QColor(0, 0, 128));
    f->setBackColor(rgb(0, 128, 0));
    EXPECT_EQ(win->palette().color(QPalette::Window), QColor(0, 128, 0));

    f->txtCode.Move(1440, 900, 3000, 315);
    EXPECT_EQ(widget<QLineEdit>(f->txtCode)->geometry(), QRect(96, 60, 200, 21));

    f->cboMaterial.AddItem("Cement");
    f->cboMaterial.setListIndex(3);
    EXPECT_EQ(widget<QComboBox>(f->cboMaterial)->count(), 4);
    EXPECT_EQ(widget<QComboBox>(f->cboMaterial)->currentText(), "Cement");

    f->tglAuto.setValue(true);
    EXPECT_TRUE(widget<QPushButton>(f->tglAuto)->isChecked());

    f->txtCode.setEnabled(true);
    f->txtCode.SetFocus();
    EXPECT_EQ(win->focusWidget(), widget<QLineEdit>(f->txtCode));
}

TEST_F(Desktop, AltDownOpensAComboListWithoutPickingAnItem)
{
    // Opening the list and leaving it with Esc leaves the box as it was:
    // no item in it, no Click (on the main screen a Click fills the tare).
    QComboBox *combo = widget<QComboBox>(f->cboMaterial);
    f->cboMaterial.onClick = [this] { f->log.push_back("cboMaterial_Click " + f->cboMaterial.Text()); };
    f->cboMaterial.setText(QString());
    ui::focus(f->cboMaterial);
    f->log.clear();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(waitFor([&] { return combo->view()->isVisible(); })) << "the list opens";
    EXPECT_EQ(f->cboMaterial.Text(), "");
    EXPECT_EQ(f->cboMaterial.ListIndex(), -1);
    combo->hidePopup();
    EXPECT_EQ(f->cboMaterial.Text(), "");
    EXPECT_TRUE(f->log.empty()) << f->log.front().toStdString();

    // A plain arrow still steps through the list.
    QTest::keyClick(combo->lineEdit(), Qt::Key_Down);
    EXPECT_EQ(f->cboMaterial.Text(), "Sand");
    EXPECT_EQ(f->log, (Log{"cboMaterial_Click Sand"}));
}

TEST_F(Desktop, AComboPickAndAToggleClickGoThroughTheRuntime)
{
    QComboBox *combo = widget<QComboBox>(f->cboMaterial);
    f->cboMaterial.onClick = [this] { f->log.push_back("cboMaterial_Click " + f->cboMaterial.Text()); };
    f->tglAuto.onChange = [this] { f->log.push_back(QString("tglAuto_Change %1").arg(f->tglAuto.Value())); };
    emit combo->activated(1); // what the popup list sends when the operator picks
    EXPECT_EQ(f->cboMaterial.ListIndex(), 1);
    EXPECT_EQ(combo->currentText(), "Coal");
    clickOn(f->tglAuto);
    EXPECT_TRUE(f->tglAuto.Value());
    EXPECT_TRUE(widget<QPushButton>(f->tglAuto)->isChecked());
    EXPECT_EQ(f->log, (Log{"Lost txtName", "Got cboMaterial", "cboMaterial_Click Coal", "Lost cboMaterial",
                           "Got tglAuto", "tglAuto_Change 1"}));
}

TEST_F(Desktop, AHundredThousandRowsRenderThroughTheModel)
{
    ListView &list = f->lvwTickets;
    list.clearItems();
    for (int i = 0; i < 100000; ++i) {
        int row = list.addItem(QString(), QString::number(500000 + i));
        list.setSubItem(row, 1, QStringLiteral("TRK"));
    }
    QApplication::processEvents();
    auto *tree = widget<QTreeView>(list);
    EXPECT_EQ(tree->model()->rowCount(), 100000);
    EXPECT_EQ(tree->model()->index(99999, 0).data().toString(), "599999");
    EXPECT_LT(tree->findChildren<QWidget *>().size(), 30) << "no widget per row";

    list.setSelectedRow(70000);
    EXPECT_EQ(tree->currentIndex().row(), 70000);

    f->log.clear();
    list.setSelectedRow(2);
    QRect rect = tree->visualRect(tree->model()->index(4, 1));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(list.selectedRow(), 4);
    EXPECT_EQ(tree->currentIndex().row(), 4);
    emit tree->header()->sectionClicked(2);
    EXPECT_EQ(f->log, (Log{"Lost txtName", "Got lvwTickets", "ItemClick 4", "ColumnClick 3"}));

    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(list.selectedRow(), 5);
    QTest::keyClick(tree, Qt::Key_PageDown);
    EXPECT_GT(list.selectedRow(), 6);
    QTest::keyClick(tree, Qt::Key_End);
    EXPECT_EQ(list.selectedRow(), 99999);
    EXPECT_EQ(tree->currentIndex().row(), 99999);

    list.clearItems();
    QApplication::processEvents();
    EXPECT_EQ(tree->model()->rowCount(), 0);
}

// A million rows made up on demand; it records which rows were asked for.
class MadeUpRows : public ListRows
{
public:
    int count() override { return 1000000; }
    ListItem row(int position) override
    {
        asked.insert(position);
        const int n = at(position);
        return {QString(), QString::number(n), {QStringLiteral("TRK %1").arg(n % 97)}};
    }
    qint64 identity(int position) override { return at(position); }
    int positionOf(qint64 identity) override { return m_descending ? 999999 - int(identity) : int(identity); }
    void sort(int, bool descending) override { m_descending = descending; }
    std::set<int> asked;

private:
    int at(int position) const { return m_descending ? 999999 - position : position; }
    bool m_descending = false;
};

TEST_F(Desktop, AMillionRowsFromASourceAreReadWhereTheyAreShown)
{
    ListView &list = f->lvwTickets;
    auto rows = std::make_shared<MadeUpRows>();
    list.setRows(rows);
    QApplication::processEvents();
    auto *tree = widget<QTreeView>(list);
    EXPECT_EQ(tree->model()->rowCount(), 1000000);
    EXPECT_EQ(list.selectedRow(), 0);
    ui::focus(list);
    QApplication::processEvents();

    struct Step {
        Qt::Key key;
        int row; // -1: somewhere past the first page
    } steps[] = {{Qt::Key_Down, 1}, {Qt::Key_PageDown, -1}, {Qt::Key_End, 999999}, {Qt::Key_Up, 999998},
                 {Qt::Key_PageUp, -1}, {Qt::Key_Home, 0}};
    for (const Step &s : steps) {
        QTest::keyClick(tree, s.key);
        QApplication::processEvents();
        if (s.row >= 0)
            EXPECT_EQ(list.selectedRow(), s.row) << s.key;
        else
            EXPECT_TRUE(list.selectedRow() > 1 && list.selectedRow() < 999998) << s.key;
        EXPECT_EQ(tree->currentIndex().row(), list.selectedRow()) << s.key;
    }
    EXPECT_LT(rows->asked.size(), 400u) << "only rows in view are read";

    list.setSelectedRow(5);
    list.setSortOrder(1);
    list.setSorted(true);
    QApplication::processEvents();
    EXPECT_EQ(list.selectedRow(), 999994) << "the selection follows its row";
    EXPECT_EQ(tree->model()->index(0, 0).data().toString(), "999999");
    EXPECT_EQ(tree->currentIndex().row(), 999994);
    EXPECT_LT(rows->asked.size(), 600u);
}

TEST_F(Desktop, BoxesFrameTheFocusedButtonOrBox)
{
    // Enter presses the focused button: the operator sees which one.
    // Framed: the bright band shows on both sides of the widget (close
    // neighbours share one side).
    const auto framed = [](QWidget *w) {
        QApplication::processEvents();
        QWidget *window = w->window();
        const QImage shot = window->grab().toImage();
        const int off = FocusFrame::Thickness / 2 + 1;
        const QPoint left = w->mapTo(window, QPoint(0, w->height() / 2)) - QPoint(off, 0);
        const QPoint right = w->mapTo(window, QPoint(w->width() - 1, w->height() / 2)) + QPoint(off, 0);
        return QColor(shot.pixel(left)) == FocusFrame::colour() && QColor(shot.pixel(right)) == FocusFrame::colour();
    };
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *box = openMessageBox();
        if (!box)
            return;
        waitFor([&] { return box->focusWidget() == box->button(QMessageBox::No); });
        EXPECT_TRUE(framed(box->button(QMessageBox::No))) << "the default button holds the focus";
        EXPECT_FALSE(framed(box->button(QMessageBox::Yes)));
        QTest::keyClick(box, Qt::Key_Tab);
        waitFor([&] { return box->focusWidget() != box->button(QMessageBox::No); });
        EXPECT_TRUE(framed(box->focusWidget())) << "the frame follows Tab";
        EXPECT_FALSE(framed(box->button(QMessageBox::No)));
        seen = true;
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MsgBox("Are you sure to delete this series", Msg::YesNo | 256, "Varnock"), Msg::No);
    EXPECT_TRUE(seen);

    seen = false;
    QTimer::singleShot(0, [&] {
        waitFor([] { return qobject_cast<QInputDialog *>(QApplication::activeModalWidget()) != nullptr; });
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        waitFor([&] { return qobject_cast<QLineEdit *>(dialog->focusWidget()) != nullptr; });
        if (QWidget *edit = dialog->focusWidget()) {
            EXPECT_TRUE(framed(edit)) << "the answer box holds the focus";
        }
        seen = true;
        dialog->accept();
    });
    EXPECT_EQ(InputBox("Enter No of Copy:-", "Varnock", "1"), "1");
    EXPECT_TRUE(seen);
}

TEST_F(Desktop, MessageBoxesAnswerWithTheButtonPicked)
{
    struct Case {
        int buttons;
        QMessageBox::StandardButton press;
        int answer;
    } cases[] = {
        {Msg::OKOnly | Msg::Information, QMessageBox::Ok, Msg::OK},
        {Msg::OKCancel, QMessageBox::Cancel, Msg::Cancel},
        {Msg::YesNo | Msg::Question, QMessageBox::No, Msg::No},
        {Msg::YesNoCancel | Msg::Exclamation, QMessageBox::Yes, Msg::Yes},
    };
    for (const Case &c : cases) {
        QString title;
        QTimer::singleShot(0, [&] {
            auto *box = openMessageBox();
            if (!box)
                return;
            title = box->windowTitle();
            box->button(c.press)->click();
        });
        EXPECT_EQ(MsgBox("Save the ticket?", c.buttons, "Varnock"), c.answer) << c.buttons;
        EXPECT_EQ(title, "Varnock");
    }
}

// A notice raised by an event (the indicator's port) is not waited for: the
// event goes on at once, a modal form open beneath it still closes and its
// wait ends, and the notice's OK hands the keys back to the form.
TEST_F(Desktop, ANoticeIsNotWaitedForAndAModalFormBeneathItStillCloses)
{
    ModalForm &modal = App::instance().form<ModalForm>("frmModal");
    bool eventEnded = false;
    QPointer<QMessageBox> notice;
    QTimer::singleShot(0, [&] {
        if (!waitFor([&] { return modal.visible(); }))
            return;
        App::instance().dispatch([] { Notice("The weight indicator is not connected", Msg::OKOnly | Msg::Exclamation); });
        eventEnded = true;
        notice = openMessageBox();
        if (notice) {
            EXPECT_EQ(notice->text(), "The weight indicator is not connected");
        }
        modal.Hide();
    });
    clickOn(f->cmdOpen);
    EXPECT_TRUE(eventEnded);
    EXPECT_EQ(f->log, (Log{"Lost txtName", "Got cmdOpen", "before Show", "after Show"}))
        << "the modal wait ended with the notice still up";
    EXPECT_EQ(host->modalDepth(), 0);
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->windowTitle(), "Varnock");
    QTest::keyClick(notice, Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return notice.isNull(); }));
    EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == win; })) << "the keys are back on the form";
}

TEST_F(Desktop, ShellStartsScriptsNamedForWindowsAndMissingOnesRaiseError53)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    struct Case {
        const char *name, *asked;
        bool executable;
    } cases[] = {{"uprint.bat", "uprint.bat", true}, {"plain.bat", "plain.bat", false},
                 {"calc.exe", "Calc.exe", true}};
    for (const Case &c : cases) {
        QFile script(dir.filePath(c.name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        // It reads its input first: an empty one, so it goes on.
        script.write(QString("#!/bin/sh\ncat > %1.input\necho ran > %1.done\n").arg(c.name).toUtf8());
        script.close();
        if (c.executable)
            script.setPermissions(script.permissions() | QFile::ExeOwner);
        host->shell(c.asked, WinStyle::NormalFocus);
        EXPECT_TRUE(waitFor([&] { return QFile::exists(dir.filePath(QString(c.name) + ".done")); })) << c.asked;
    }
    try {
        host->shell("missing.bat", WinStyle::Hide);
        ADD_FAILURE() << "no error for a missing program";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), 53);
    }
    QDir::setCurrent(old);
}

TEST_F(Desktop, DialogsAreCentredEachTimeTheyLoadUnlessTheirLoadPlacesThem)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char *form;
        bool centred;
    } cases[] = {{"frmModal", true}, {"frmCorner", false}};
    for (const Case &c : cases) {
        Form &dialog = App::instance().form(c.form);
        for (int showing = 1; showing <= 2; ++showing) {
            dialog.Show();
            FormWindow *w = host->findWindow(dialog);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
            // The window with its frame is centred.
            const QSize outside = w->frameGeometry().size();
            const QPoint expected = c.centred ? area.center() - QPoint(outside.width() / 2, outside.height() / 2) + QPoint(1, 1)
                                              : area.topLeft();
            EXPECT_LE((w->pos() - expected).manhattanLength(), 2)
                << c.form << " showing " << showing << " at " << w->pos().x() << "," << w->pos().y();
            ui::close(dialog);
            EXPECT_FALSE(w->isVisible());
        }
    }
}

// One bright frame at a time: the form under an open box keeps a thin grey
// line where its focus returns, and its bright frame again when the box
// closes.
TEST_F(Desktop, OnlyTheWindowTheKeysGoToShowsTheBrightFrame)
{
    ui::focus(f->cmdOK);
    QWidget *button = win->widget(f->cmdOK);
    const QPoint band = button->mapTo(win, QPoint(0, button->height() / 2)) - QPoint(FocusFrame::Thickness / 2 + 1, 0);
    const auto formBand = [&] {
        QApplication::processEvents();
        return QColor(win->grab().toImage().pixel(band));
    };
    EXPECT_EQ(formBand(), FocusFrame::colour());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *box = openMessageBox();
        if (!box)
            return;
        waitFor([&] { return box->focusWidget() == box->button(QMessageBox::Ok); });
        QAbstractButton *ok = box->button(QMessageBox::Ok);
        const QPoint boxBand = ok->mapTo(box, QPoint(0, ok->height() / 2)) - QPoint(FocusFrame::Thickness / 2 + 1, 0);
        QApplication::processEvents();
        EXPECT_EQ(QColor(box->grab().toImage().pixel(boxBand)), FocusFrame::colour()) << "the box's frame is bright";
        EXPECT_EQ(formBand(), FocusFrame::dimColour()) << "the form's frame is dimmed under the box";
        seen = true;
        ok->click();
    });
    MsgBox("Data Must Save", Msg::OKOnly, "Varnock");
    EXPECT_TRUE(seen);
    EXPECT_EQ(formBand(), FocusFrame::colour()) << "bright again once the box closed";
}

TEST_F(Desktop, TheFocusedControlDrawsAFrameThatFollowsTheFocus)
{
    Control *controls[] = {&f->txtName, &f->optDirection(1), &f->cmdOK, &f->tglAuto, &f->cboMaterial, &f->lvwTickets,
                           &f->dtpFrom};
    // A pixel inside the frame's bright band, left of the widget's middle.
    const auto bandAt = [&](Control &c) {
        QWidget *w = win->widget(c);
        return w->mapTo(win, QPoint(0, w->height() / 2)) - QPoint(FocusFrame::Thickness / 2 + 1, 0);
    };
    Control *before = nullptr;
    for (Control *c : controls) {
        ui::focus(*c);
        QApplication::processEvents();
        const QImage shot = win->grab().toImage();
        EXPECT_EQ(QColor(shot.pixel(bandAt(*c))), FocusFrame::colour()) << c->fullName().toStdString();
        if (before) {
            EXPECT_NE(QColor(shot.pixel(bandAt(*before))), FocusFrame::colour())
                << "the frame left " << before->fullName().toStdString();
        }
        before = c;
    }
    f->dtpFrom.setVisible(false);
    EXPECT_TRUE(!win->focusFrame()->isVisible() || win->focusFrame()->followed() != win->widget(f->dtpFrom))
        << "no frame around a hidden control";
}

TEST_F(Desktop, ADateTypedWithSlashesOrDigitsOnlyIsThatDate)
{
    struct Case {
        const char *typed;
        QDate date;
    } cases[] = {{"05/03/2025", QDate(2025, 3, 5)}, {"12/03/2025", QDate(2025, 3, 12)},
                 {"05032025", QDate(2025, 3, 5)}, {"31-12-2024", QDate(2024, 12, 31)}};
    auto *edit = widget<QDateEdit>(f->dtpFrom);
    for (const Case &c : cases) {
        ui::focus(f->txtName);
        QTest::keyClick(widget<QLineEdit>(f->txtName), Qt::Key_Tab);
        ui::focus(f->dtpFrom);
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(f->dtpFrom.Value(), c.date) << c.typed;
    }
}

TEST_F(Desktop, ValuesShowAsStoredHiddenBoxesStayHiddenAndReadingsFit)
{
    // "&" in a value is a character; a design caption keeps its access key.
    f->lblStatus.setCaption("O'Brien & Sons");
    EXPECT_EQ(widget<QLabel>(f->lblStatus)->text(), "O'Brien & Sons");
    EXPECT_EQ(widget<QLabel>(f->lblStatus)->textFormat(), Qt::PlainText);
    EXPECT_TRUE(widget<QLabel>(f->lblName)->text().contains("<u>N</u>ame:"));

    // A system-coloured text on a colour of the form's own stays readable.
    f->lblStatus.setBackColor(rgb(20, 30, 60));
    EXPECT_EQ(widget<QLabel>(f->lblStatus)->palette().color(QPalette::WindowText), QColor(Qt::white));
    f->lblStatus.setBackColor(rgb(250, 240, 200));
    EXPECT_EQ(widget<QLabel>(f->lblStatus)->palette().color(QPalette::WindowText), QColor(Qt::black));
    f->lblStatus.setForeColor(rgb(0, 0, 128));
    EXPECT_EQ(widget<QLabel>(f->lblStatus)->palette().color(QPalette::WindowText), QColor(0, 0, 128))
        << "a colour the form chose is kept";

    // A receiving box placed off the form's edge is not seen but works.
    f->txtCode.Move(-1800, 5000, 1920, 300);
    EXPECT_FALSE(widget<QLineEdit>(f->txtCode)->isVisible());
    f->txtCode.setText("ST,GS,  18740kg");
    EXPECT_EQ(f->txtCode.Text(), "ST,GS,  18740kg");

    // A reading wider than its label shrinks to fit instead of being cut.
    f->lblStatus.setFont("DejaVu Sans Mono", 84, true);
    f->lblStatus.Move(240, 1680, 7440, 2400);
    for (const char *reading : {"8888", "-00187400", "123456789012"}) {
        f->lblStatus.setCaption(reading);
        QLabel *label = widget<QLabel>(f->lblStatus);
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(reading), label->width()) << reading;
        EXPECT_GT(label->font().pointSizeF(), 10) << reading;
    }
}

// The contrast ratio between the commonest colour inside a widget's frame
// (its background) and the colour that stands out most from it (its text).
double textContrast(QWidget *w)
{
    const QImage image = w->grab().toImage();
    std::map<QRgb, int> counts;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            ++counts[image.pixel(x, y)];
    const QRgb back = std::max_element(counts.begin(), counts.end(),
                                       [](auto &a, auto &b) { return a.second < b.second; })->first;
    auto luminance = [](QRgb c) {
        auto lin = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
    };
    double best = 1;
    for (auto &[c, n] : counts) {
        const double a = luminance(c) + 0.05, b = luminance(back) + 0.05;
        best = std::max(best, a > b ? a / b : b / a);
    }
    return best;
}

TEST_F(Desktop, ADisabledControlStaysReadable)
{
    // A locked box often holds what the operator reads: a recalled weight,
    // the computed net. Dimmed, but readable from a distance.
    f->txtName.setText("30901");
    f->cboMaterial.setText("Stone Aggregate");
    f->optDirection(0).setValue(true);
    for (Control *c : std::initializer_list<Control *>{&f->txtName, &f->cboMaterial, &f->optDirection(0),
                                                       &f->cmdOK, &f->lblName}) {
        c->setEnabled(false);
        QWidget *w = win->widget(*c);
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->isEnabled()) << c->fullName().toStdString();
        EXPECT_GE(textContrast(w), 4.5) << c->fullName().toStdString();
    }
}

TEST_F(Desktop, AMaximizedFormFillsTheScreenWithItsLayoutScaled)
{
    const QSize normal = win->size();
    const QRect name = win->widget(f->txtName)->geometry();
    const double points = win->widget(f->txtName)->font().pointSizeF();
    f->setWindowState(WindowState::Maximized);
    const QRect area = win->screen()->availableGeometry();
    // The window's inside fills the screen's work area, less its frame.
    ASSERT_TRUE(waitFor([&] { return win->frameGeometry().size() == area.size(); }, 2000))
        << win->width() << "x" << win->height() << " in " << area.width() << "x" << area.height() << " state "
        << int(win->windowState());
    const double sx = double(win->width()) / normal.width(), sy = double(win->height()) / normal.height();
    const QRect scaled = win->widget(f->txtName)->geometry();
    EXPECT_NEAR(scaled.left(), name.left() * sx, 1.5);
    EXPECT_NEAR(scaled.top(), name.top() * sy, 1.5);
    EXPECT_NEAR(scaled.width(), name.width() * sx, 1.5);
    EXPECT_NEAR(scaled.height(), name.height() * sy, 1.5);
    EXPECT_NEAR(win->widget(f->txtName)->font().pointSizeF(), points * std::min(sx, sy), 0.01);
    EXPECT_EQ(f->Width(), 8400) << "the form keeps its own size";

    // Clicks come back in the form's twips.
    Log mouse;
    f->onMouseDown = [&](int, int, double x, double y) { mouse.push_back(QString("%1 %2").arg(x).arg(y)); };
    QTest::mouseClick(win, Qt::LeftButton, {}, QPoint(int(300 * sx), int(400 * sy)));
    ASSERT_EQ(mouse.size(), 1u);
    const QStringList xy = mouse[0].split(' ');
    EXPECT_NEAR(xy[0].toDouble(), 4500, 15);
    EXPECT_NEAR(xy[1].toDouble(), 6000, 15);

    f->setWindowState(WindowState::Normal);
    ASSERT_TRUE(waitFor([&] { return win->size() == normal; }, 2000))
        << win->width() << "x" << win->height() << " state " << int(win->windowState()) << " form " << f->Width();
    EXPECT_EQ(win->widget(f->txtName)->geometry(), name) << "a normal window keeps its size";
}

TEST_F(Desktop, ScreenshotOfTheFixtureForm)
{
    f->txtName.setText("TRK 042");
    f->txtCode.setText("C-17");
    f->cboMaterial.setListIndex(0);
    f->optDirection(0).setValue(true);
    f->lvwTickets.setSelectedRow(1);
    QApplication::processEvents();
    QDir().mkpath(SCREENSHOT_DIR);
    QString path = QStringLiteral(SCREENSHOT_DIR "/desktop-fixture.png");
    QImage shot = win->grab().toImage();
    ASSERT_TRUE(shot.save(path));
    EXPECT_EQ(shot.size(), QSize(560, 440));
}

// A one-page document. It also answers what a document laid out page by
// page is asked, so it serves either way the host previews.
class OnePage : public PrintDocument
{
public:
    QString title() const { return QStringLiteral("Date wise Report"); }
    int pageCount() const { return 1; }
    bool writePdf(const QString &, const Progress &, QString *) const { return false; }
    int pagesLaidOut() const { return 1; }
    bool complete() const { return true; }
    bool layOutMore(int) const { return true; }
    QSize pageSize() const { return QSize(2100, 2970); }
    void paintPage(QPainter &p, int) const { p.drawText(QPoint(100, 100), QStringLiteral("Ticket 1")); }
};

TEST_F(Desktop, AReportPreviewFitsTheScreen)
{
    host->printReport(std::make_shared<OnePage>(), Destination::Window, 1);
    QWidget *preview = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("Date wise Report"))
            preview = w;
    ASSERT_NE(preview, nullptr);
    const QRect area = preview->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(preview->geometry()))
        << "preview at " << preview->x() << "," << preview->y() << " " << preview->width() << "x"
        << preview->height() << " on " << area.width() << "x" << area.height();
    EXPECT_GT(preview->height(), area.height() / 2) << "still a good size";
    preview->close();
}

// In a child on a bare X server: a form, then a report previewed from it.
// Exits 0 when the preview became the window the keys go to, and the form
// again once the preview closed.
int previewChild()
{
    QtHost host;
    App::instance().registerForm("frmFixture", [] { return std::make_unique<Fixture>(); });
    Fixture &form = App::instance().form<Fixture>("frmFixture");
    form.Show();
    if (!waitFor([] { return QApplication::activeWindow() != nullptr; }))
        return 2;
    QWidget *formWindow = QApplication::activeWindow();
    host.printReport(std::make_shared<OnePage>(), Destination::Window, 1);
    const auto previewActive = [] {
        QWidget *w = QApplication::activeWindow();
        return w && w->windowTitle() == QStringLiteral("Date wise Report");
    };
    if (!waitFor(previewActive, 5000))
        return 3;
    QApplication::activeWindow()->close();
    return waitFor([formWindow] { return QApplication::activeWindow() == formWindow; }, 5000) ? 0 : 4;
}

// Without a window manager nobody hands a window the focus: the preview
// takes it itself, or the operator's keys (Esc, the page keys) stay with
// the form behind it; closed, it gives it back, or the form's access keys
// (Alt+C for Close) answer to nothing.
TEST(BareXServer, AReportPreviewTakesTheKeysAndGivesThemBack)
{
    XServer x;
    if (!x.start(QSize(1366, 768), false)) {
        if (!x.skipped().isEmpty())
            GTEST_SKIP() << x.skipped().toStdString();
        FAIL() << x.error().toStdString();
    }
    QProcess child;
    child.setProcessEnvironment(x.environment());
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--preview-child")});
    if (!child.waitForFinished(20000)) {
        child.kill();
        child.waitForFinished();
        FAIL() << "the preview child did not finish: " << child.readAllStandardError().toStdString();
    }
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << child.readAllStandardError().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << "2: the form never became active, 3: the preview never did, "
                                      "4: the form did not become active again";
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A long task before the screen comes (the start-up preparing a database):
// a centred window with the text and the steps done, painted on each step
// without the program's own event loop running, that the operator cannot
// close, and that goes when the task is done.
TEST_F(Desktop, AProgressWindowPaintsEachStepAndGoesWhenTheTaskIsDone)
{
    const QString text = QStringLiteral("Preparing the database for this program (done once). Please wait...");
    const auto progressWindow = [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("progress") && w->isVisible())
                return w;
        return static_cast<QWidget *>(nullptr);
    };
    host->progress("Varnock", text, 0, 600);
    QPointer<QWidget> window = progressWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Varnock");
    auto *label = window->findChild<QLabel *>();
    auto *bar = window->findChild<QProgressBar *>();
    ASSERT_TRUE(label && bar);
    EXPECT_EQ(label->text(), text);
    EXPECT_EQ(bar->maximum(), 600);
    const QRect area = window->screen()->availableGeometry();
    EXPECT_LE((window->frameGeometry().center() - area.center()).manhattanLength(), 2);

    PaintCounter counter;
    bar->installEventFilter(&counter);
    for (int done : {100, 250, 599}) {
        const int before = counter.paints;
        host->progress("Varnock", text, done, 600);
        EXPECT_EQ(bar->value(), done);
        EXPECT_GT(counter.paints, before) << "painted at " << done << " with no event loop running";
        EXPECT_EQ(progressWindow(), window) << "one window throughout";
    }
    window->close();
    EXPECT_TRUE(window->isVisible()) << "the close box does nothing while the task runs";

    host->progress("Varnock", text, 600, 600);
    QApplication::processEvents();
    EXPECT_TRUE(window.isNull() || !window->isVisible());
    EXPECT_EQ(progressWindow(), nullptr);
}

// ---- on real screens, with and without a window manager ----------------------

// The program's main screen as drawn (1280 x 720 pixels), kept maximized.
class MainScreen : public Form
{
public:
    MainScreen() : Form("frmMain")
    {
        setCaption("Main");
        setWindowState(WindowState::Maximized);
        Move(0, 0, 19200, 10800);
        txtNum.Move(2400, 2400, 1800, 480);
    }
    TextBox txtNum{this, "txtNum"};
};

// A centred dialog of 640 x 400 pixels with a list, as the ticket list is.
class ListDialog : public Form
{
public:
    ListDialog() : Form("frmList")
    {
        setCaption("Select");
        Move(0, 0, 9600, 6000);
        lvwRows.Move(120, 120, 9360, 4800);
        lvwRows.setFont("MS Sans Serif", 8.25);
        lvwRows.addColumn("num", "num", 1200);
        lvwRows.addColumn("rece", "Rece", 2400);
        lvwRows.setSubItem(lvwRows.addItem("k1", "1"), 1, "Halol Ready Mix Concrete");
        onMouseDown = [this](int, int, double x, double y) { mouse = QPointF(x, y); };
    }
    ListView lvwRows{this, "lvwRows"};
    QPointF mouse{-1, -1};
};

// A dialog nearly as tall as a small screen.
class TallDialog : public Form
{
public:
    TallDialog() : Form("frmTall")
    {
        setCaption("Tall");
        Move(0, 0, 14400, 10500);
        txtNote.Move(240, 240, 3000, 315);
    }
    TextBox txtNote{this, "txtNote"};
};

// Waits until a window is shown and a window manager is done placing it.
void settle(QWidget *w)
{
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w, 5000)) << "never shown";
    QRect last = w->frameGeometry();
    for (int still = 0, i = 0; still < 4 && i < 60; ++i) {
        QTest::qWait(50);
        const QRect now = w->frameGeometry();
        still = now == last ? still + 1 : 0;
        last = now;
    }
}

void report(const char *name, QWidget *w)
{
    const QRect g = w->geometry(), f = w->frameGeometry();
    std::printf("%s %d %d %d %d %d %d %d %d\n", name, g.x(), g.y(), g.width(), g.height(), f.x(), f.y(), f.width(),
                f.height());
}

// In a child on an X server: the main screen maximized, then each dialog,
// a message box and a report preview; prints where each came and how big.
int screenChild()
{
    QtHost host;
    App::instance().registerForm("frmMain", [] { return std::make_unique<MainScreen>(); });
    App::instance().registerForm("frmList", [] { return std::make_unique<ListDialog>(); });
    App::instance().registerForm("frmCorner", [] { return std::make_unique<CornerForm>(); });
    App::instance().registerForm("frmTall", [] { return std::make_unique<TallDialog>(); });
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    std::printf("area %d %d %d %d\n", area.x(), area.y(), area.width(), area.height());
    std::printf("basefont %f\n", QApplication::font().pointSizeF());

    Form &main = App::instance().form("frmMain");
    main.Show();
    settle(host.findWindow(main));
    report("main", host.findWindow(main));

    auto &list = App::instance().form<ListDialog>("frmList");
    list.Show();
    FormWindow *lw = host.findWindow(list);
    settle(lw);
    report("list", lw);
    auto *tree = qobject_cast<QTreeView *>(lw->widget(list.lvwRows));
    std::printf("listfont %f\n", tree->font().pointSizeF());
    std::printf("listcolumn %d\n", tree->columnWidth(1));
    // A click on the form below the list, at (20, 390) of its drawn pixels.
    const double ratio = lw->width() / 640.0;
    QTest::mouseClick(lw, Qt::LeftButton, {}, QPoint(int(20 * ratio), int(390 * ratio)));
    std::printf("listmouse %f %f\n", list.mouse.x(), list.mouse.y());
    ui::close(list);

    for (const char *name : {"frmCorner", "frmTall"}) {
        Form &dialog = App::instance().form(name);
        dialog.Show();
        settle(host.findWindow(dialog));
        report(name, host.findWindow(dialog));
        ui::close(dialog);
    }

    QTimer::singleShot(0, [] {
        QWidget *box = nullptr;
        waitFor([&] { return (box = QApplication::activeModalWidget()) != nullptr; }, 5000);
        if (!box)
            return;
        settle(box);
        report("box", box);
        std::printf("boxfont %f\n", box->font().pointSizeF());
        static_cast<QDialog *>(box)->reject();
    });
    host.msgBox("Do You Want To Save", Msg::YesNo | Msg::Question, "Varnock");

    host.printReport(std::make_shared<OnePage>(), Destination::Window, 1);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("Date wise Report")) {
            settle(w);
            report("preview", w);
            w->close();
        }
    std::fflush(stdout);
    return 0;
}

// An X server of its own (and a window manager when asked), running the
// child; its lines by their first word.
struct XRun {
    QString skipped; // why it could not run
    std::map<QString, std::vector<double>> lines;
    QString errors;
};

XRun runOnXServer(QSize screen, bool windowManager, const QString &childMode)
{
    XRun run;
    XServer x;
    if (!x.start(screen, windowManager)) {
        run.skipped = x.skipped();
        run.errors = x.error();
        return run;
    }
    QProcess child;
    child.setProcessEnvironment(x.environment());
    child.start(QCoreApplication::applicationFilePath(), {childMode});
    if (!child.waitForFinished(60000))
        child.kill();
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QStringList words = QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        std::vector<double> &values = run.lines[words[0]];
        for (qsizetype i = 1; i < words.size(); ++i)
            values.push_back(words[i].toDouble());
    }
    run.errors += QString::fromUtf8(child.readAllStandardError()) + x.managerErrors();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        run.errors += QStringLiteral("\nthe child ended with %1").arg(child.exitCode());
    return run;
}

// At each office screen size: the dialogs grow by the maximized main
// screen's scale (1280 x 720 drawn) when the screen is larger, fonts, list
// columns and clicks with them; a centred one stays centred, one its Load
// puts in the corner stays there, every one stays on the screen, and the
// report preview opens centred.
void checkDialogsOnScreens(bool windowManager)
{
    // A window manager's frame (title bar) sits around the placed window.
    const int slack = windowManager ? 16 : 2;
    for (QSize size : {QSize(1024, 768), QSize(1366, 768), QSize(1920, 1080)}) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
        XRun run = runOnXServer(size, windowManager, QStringLiteral("--screen-child"));
        if (!run.skipped.isEmpty())
            GTEST_SKIP() << run.skipped.toStdString();
        for (const char *line : {"area", "basefont", "main", "list", "listfont", "listcolumn", "listmouse", "frmCorner",
                                 "frmTall", "box", "boxfont", "preview"})
            ASSERT_TRUE(run.lines.count(line)) << "no line " << line << ": " << run.errors.toStdString();
        const auto &a = run.lines["area"];
        const QRect area{int(a[0]), int(a[1]), int(a[2]), int(a[3])};
        const auto rect = [&](const char *name, int from) {
            const auto &v = run.lines[name];
            return QRect(int(v[from]), int(v[from + 1]), int(v[from + 2]), int(v[from + 3]));
        };
        const double scale = std::max(1.0, std::min(area.width() / 1280.0, area.height() / 720.0));
        if (windowManager) {
            EXPECT_NE(rect("main", 0), rect("main", 4)) << "openbox frames the windows: " << run.errors.toStdString();
        }

        const QRect list = rect("list", 0), listFrame = rect("list", 4);
        EXPECT_NEAR(list.width(), 640 * scale, 1);
        EXPECT_NEAR(list.height(), 400 * scale, 1);
        EXPECT_NEAR(run.lines["listfont"][0], 8.25 * scale, 0.01);
        EXPECT_NEAR(run.lines["listcolumn"][0], 160 * scale, 1);
        EXPECT_LE((listFrame.center() - area.center()).manhattanLength(), slack)
            << "centred: " << listFrame.x() << "," << listFrame.y() << " " << listFrame.width() << "x"
            << listFrame.height();
        EXPECT_NEAR(run.lines["listmouse"][0], 300, 20) << "clicks in the form's own twips";
        EXPECT_NEAR(run.lines["listmouse"][1], 5850, 20);

        EXPECT_EQ(rect("frmCorner", 4).topLeft(), area.topLeft()) << "its Load puts it in the corner";
        EXPECT_NEAR(rect("frmCorner", 0).width(), 320 * scale, 1);
        EXPECT_GE(rect("frmTall", 0).height(), 700) << "never smaller than drawn";
        EXPECT_NEAR(run.lines["boxfont"][0], run.lines["basefont"][0] * scale, 0.01);

        const QRect preview = rect("preview", 4);
        EXPECT_LE((preview.center() - area.center()).manhattanLength(), slack)
            << "the preview centred: " << preview.x() << "," << preview.y() << " " << preview.width() << "x"
            << preview.height();
        for (const char *name : {"list", "frmCorner", "frmTall", "box", "preview"})
            EXPECT_TRUE(area.contains(rect(name, 4)))
                << name << " on the screen: " << rect(name, 4).x() << "," << rect(name, 4).y() << " "
                << rect(name, 4).width() << "x" << rect(name, 4).height() << " inside " << rect(name, 0).width()
                << "x" << rect(name, 0).height();
    }
}

TEST(OnScreens, DialogsGrowWithTheMainScreenAndKeepTheirPlaceWithoutAWindowManager)
{
    checkDialogsOnScreens(false);
}

TEST(OnScreens, DialogsGrowWithTheMainScreenAndKeepTheirPlaceUnderOpenbox)
{
    checkDialogsOnScreens(true);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--preview-child") {
        QApplication app(argc, argv);
        return previewChild();
    }
    if (argc > 1 && QByteArray(argv[1]) == "--screen-child") {
        QApplication app(argc, argv);
        return screenChild();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// A statement that meets another connection's lock waits with the screen
// alive: a notice says what the program waits for, the form's timers keep
// running (here one of them ends the lock), and the notice goes with the
// wait.
TEST_F(Desktop, AStatementWaitingOnALockKeepsTheScreenAliveAndSaysSo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("wt.mdb");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make");
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("create table matmast (num integer primary key, Name text)");
        db.close();
    }
    QSqlDatabase::removeDatabase("make");
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        Connection conn;
        conn.Open("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=wt.mdb");
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(file);
        ASSERT_TRUE(other.open());
        ASSERT_TRUE(QSqlQuery(other).exec("begin exclusive"));

        QString notice;
        int ticksWhileWaiting = -1;
        const int ticksBefore = f->ticks;
        QTimer release;
        release.setSingleShot(true);
        QObject::connect(&release, &QTimer::timeout, [&] {
            if (auto *label = qobject_cast<QLabel *>(host->waitingNotice()))
                notice = label->isVisible() ? label->text() : QString();
            ticksWhileWaiting = f->ticks - ticksBefore;
            QSqlQuery(QSqlDatabase::database("other")).exec("commit");
        });
        release.start(400);
        conn.run(Sql("insert into matmast (num, Name) values (1, 'Sand')"));
        EXPECT_EQ(notice, "Waiting for wt.mdb: another program is using it");
        EXPECT_GE(ticksWhileWaiting, 3) << "the timers ran while the statement waited";
        EXPECT_EQ(host->waitingNotice(), nullptr) << "the notice goes with the wait";
        QSqlQuery stored = conn.run(Sql("select count(*) from matmast"));
        EXPECT_TRUE(stored.next() && stored.value(0).toInt() == 1) << "the insert went through once the lock was gone";
        stored.finish();
        conn.Close();
        other.close();
    }
    QSqlDatabase::removeDatabase("other");
    QDir::setCurrent(old);
}
