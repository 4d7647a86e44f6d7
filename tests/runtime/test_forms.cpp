// The event semantics the forms rely on, driven through the operator's
// entry points with the scripted host.
#include "runtime/form.h"
#include "runtime/input.h"
#include "testing/scriptedhost.h"

#include "testing/qtprint.h"

#include <gtest/gtest.h>

using namespace vb;

namespace {

class Fixture : public Form
{
public:
    explicit Fixture(const QString &name = "Fixture") : Form(name)
    {
        setCaption("Fixture");
        lbl.setCaption("8888");
        t1.setText("design");
        combo.AddItem("Sand");
        combo.AddItem("Coal");
        toggle.setCaption("Auto");
        ok.setCaption("OK");
        cancel.setCaption("Cancel");
        for (Control *c : controls()) {
            Control *cc = c;
            cc->onGotFocus = [this, cc] { log.push_back("Got " + cc->fullName()); };
            cc->onLostFocus = [this, cc] { log.push_back("Lost " + cc->fullName()); };
        }
        lbl.onChange = [this] { log.push_back("lbl=" + lbl.Caption()); };
        t1.onChange = [this] { log.push_back("t1=" + t1.Text()); };
        opt.on(&OptionButton::onClick, [this](int i) { log.push_back(QString("Option1_Click %1").arg(i)); });
        other.onClick = [this] { log.push_back("other_Click"); };
        toggle.onChange = [this] { log.push_back(QString("toggle_Change %1").arg(toggle.Value())); };
        toggle.onClick = [this] { log.push_back("toggle_Click"); };
        ok.onClick = [this] { log.push_back("ok_Click"); };
        cancel.onClick = [this] { log.push_back("cancel_Click"); };
        combo.onClick = [this] { log.push_back("combo_Click " + combo.Text()); };
        timer.onTimer = [this] { ++ticks; };
        onLoad = [this] { ++loads; };
    }
    TextBox t1{this, "t1"};
    TextBox t2{this, "t2"};
    Frame frame{this, "Frame1"};
    ControlArray<OptionButton> opt{this, "Option1", {0, 1}, &frame};
    OptionButton other{this, "other"};
    ToggleButton toggle{this, "ToggleButton1"};
    ComboBox combo{this, "Combo1"};
    CommandButton ok{this, "cmdOK"};
    CommandButton cancel{this, "cmdCancel"};
    Label lbl{this, "Label1"};
    Timer timer{this, "Timer1", 500};
    ListView list{this, "ListView1"};
    std::vector<QString> log;
    int ticks = 0;
    int loads = 0;
    int keptVariable = 0; // a form variable: survives unload
};

class Runtime : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App::instance().reset();
        App::instance().setHost(&host);
        App::instance().registerForm("Fixture", [] { return std::make_unique<Fixture>(); });
        App::instance().registerForm("Other", [] { return std::make_unique<Fixture>("Other"); });
        f = &App::instance().form<Fixture>("Fixture");
        f->Show();
        f->log.clear();
    }
    void TearDown() override { App::instance().reset(); }
    ScriptedHost host;
    Fixture *f = nullptr;
};

using Log = std::vector<QString>;

TEST_F(Runtime, WritesRaiseChangeAtOnceAndOnlyWhenTheTextDiffers)
{
    f->lbl.onChange = [this] { f->log.push_back("seen " + f->lbl.Caption()); };
    f->lbl.setCaption("01250");
    f->log.push_back("writer goes on");
    f->lbl.setCaption("01250");
    f->t1.setText("design2");
    f->t1.setText("design2");
    EXPECT_EQ(f->log, (Log{"seen 01250", "writer goes on", "t1=design2"}));
}

TEST_F(Runtime, OptionValueClearsItsContainerAndRunsClick)
{
    f->other.setValue(true);
    f->opt(0).setValue(true);
    f->opt(1).setValue(true);
    EXPECT_FALSE(f->opt(0).Value());
    EXPECT_TRUE(f->opt(1).Value());
    EXPECT_TRUE(f->other.Value()) << "an option of another container stays selected";
    f->opt(1).setValue(true);
    EXPECT_EQ(f->log, (Log{"other_Click", "Option1_Click 0", "Option1_Click 1", "Option1_Click 1"}));
}

TEST_F(Runtime, ToggleRunsChangeOnlyWhenItsValueChanges)
{
    f->toggle.setValue(true);
    f->toggle.setValue(true);
    f->toggle.setValue(false);
    EXPECT_EQ(f->log, (Log{"toggle_Change 1", "toggle_Change 0"}));
    f->log.clear();
    ui::click(f->toggle);
    EXPECT_EQ(f->log, (Log{"Lost t1", "Got ToggleButton1", "toggle_Change 1", "toggle_Click"}));
}

TEST_F(Runtime, FocusMovesFireLostThenGot)
{
    EXPECT_EQ(f->ActiveControl(), &f->t1) << "showing focuses the first control in tab order";
    ui::focus(f->t2);
    ui::press(*f, Key::Tab);
    EXPECT_EQ(f->log, (Log{"Lost t1", "Got t2", "Lost t2", "Option1_Click 0", "Got Option1(0)"}))
        << "an option that gets the focus is selected";
}

TEST_F(Runtime, OptionGroupIsOneTabStopWalkedByArrows)
{
    f->opt(1).setValue(true);
    ui::focus(f->t2);
    f->log.clear();
    ui::press(*f, Key::Tab);
    EXPECT_EQ(f->ActiveControl(), &f->opt(1)) << "Tab reaches the selected option";
    EXPECT_TRUE(f->log.empty() || f->log.back() == "Got Option1(1)") << "no option changes";
    ui::press(*f, Key::Up);
    EXPECT_EQ(f->ActiveControl(), &f->opt(0));
    EXPECT_TRUE(f->opt(0).Value()) << "an arrow selects the option it moves to";
    ui::press(*f, Key::Tab);
    EXPECT_EQ(f->ActiveControl(), &f->other) << "Tab leaves the group";
    ui::press(*f, Key::Tab, 1);
    EXPECT_EQ(f->ActiveControl(), &f->opt(0)) << "Shift+Tab comes back to the selected option";
}

TEST_F(Runtime, ControlsThatCannotTakeTheFocusAreLeftAlone)
{
    f->t2.setEnabled(false);
    f->ok.setVisible(false);
    f->frame.setEnabled(false);
    ui::focus(f->t2);
    f->ok.SetFocus();
    f->opt(1).SetFocus();
    EXPECT_EQ(f->ActiveControl(), &f->t1);
    EXPECT_TRUE(f->log.empty());
    EXPECT_FALSE(f->opt(1).Value()) << "a disabled option is not selected by a focus move";
    ui::press(*f, Key::Tab);
    EXPECT_EQ(f->ActiveControl(), &f->other) << "Tab skips disabled, hidden and framed-off controls";
}

TEST_F(Runtime, AFocusMoveDuringAMoveEndsWhereTheLastMoveSentIt)
{
    // A LostFocus that sends the focus on, twice: only the last target gets
    // the focus, but the option asked for on the way is selected.
    f->t1.onLostFocus = [this] {
        f->log.push_back("Lost t1");
        f->opt(1).SetFocus();
        f->ok.SetFocus();
    };
    f->ok.onGotFocus = [this] {
        f->log.push_back("Got cmdOK");
        f->t2.SetFocus();
    };
    ui::focus(f->combo);
    EXPECT_EQ(f->ActiveControl(), &f->t2);
    EXPECT_TRUE(f->opt(1).Value());
    EXPECT_EQ(f->log, (Log{"Lost t1", "Option1_Click 1", "Got cmdOK", "Lost cmdOK", "Got t2"}));
}

TEST_F(Runtime, ALostFocusThatTakesTheFocusBackHoldsItAgain)
{
    f->t1.onLostFocus = [this] {
        f->log.push_back("Lost t1");
        f->t1.SetFocus();
    };
    ui::focus(f->t2);
    EXPECT_EQ(f->ActiveControl(), &f->t1);
    EXPECT_EQ(f->log, (Log{"Lost t1", "Got t1"}));
}

TEST_F(Runtime, AButtonPressedFromABoxThatKeepsTheFocusDoesNotAct)
{
    bool hold = true;
    f->t1.onLostFocus = [this, &hold] {
        f->log.push_back("Lost t1");
        if (hold)
            f->t1.SetFocus();
    };
    ui::focus(f->t1);
    f->log.clear();
    ui::click(f->ok);
    EXPECT_EQ(f->ActiveControl(), &f->t1);
    EXPECT_EQ(f->log, (Log{"Lost t1", "Got t1"})) << "the press is lost";

    hold = false;
    f->log.clear();
    ui::click(f->ok);
    EXPECT_EQ(f->log, (Log{"Lost t1", "Got cmdOK", "ok_Click"}));
}

TEST_F(Runtime, KeyPreviewSeesKeysFirstAndKeyPressCanSwallow)
{
    f->setKeyPreview(true);
    f->onKeyDown = [this](int &code, int) {
        f->log.push_back(QString("Form_KeyDown %1").arg(code));
        if (code == Key::F5)
            code = 0;
    };
    f->t1.onKeyDown = [this](int &code, int) { f->log.push_back(QString("t1_KeyDown %1").arg(code)); };
    f->t1.onKeyPress = [this](int &ascii) {
        f->log.push_back(QString("t1_KeyPress %1 text %2").arg(ascii).arg(f->t1.Text()));
        if (ascii == 'x')
            ascii = 0;
        else if (ascii >= 'a' && ascii <= 'z')
            ascii -= 32;
    };
    f->t1.setText("");
    f->log.clear();
    ui::type(*f, "ax");
    ui::press(*f, Key::F5);
    EXPECT_EQ(f->t1.Text(), "A");
    EXPECT_EQ(f->log, (Log{"Form_KeyDown 65", "t1_KeyDown 65", "t1_KeyPress 97 text ", "t1=A",
                           "Form_KeyDown 88", "t1_KeyDown 88", "t1_KeyPress 120 text A",
                           "Form_KeyDown 116"}));
}

TEST_F(Runtime, EnterPressesTheDefaultButtonAndEscTheCancelButton)
{
    int enter = 0;
    f->t1.onKeyPress = [&](int &a) { enter += a == Key::Enter; };
    ui::press(*f, Key::Enter);
    EXPECT_EQ(enter, 1) << "without a default button Enter reaches the control";
    f->ok.setDefault(true);
    f->cancel.setCancel(true);
    f->log.clear();
    ui::press(*f, Key::Enter);
    ui::press(*f, Key::Esc);
    EXPECT_EQ(enter, 1);
    EXPECT_EQ(f->log, (Log{"ok_Click", "cancel_Click"}));
    EXPECT_EQ(f->ActiveControl(), &f->t1);
}

TEST_F(Runtime, EnterOrSpaceOnAFocusedButtonClicksThatButton)
{
    // A save, Delete, OK or Goto reached by Enter or Tab answers one key,
    // also where another button is the form's default.
    f->ok.setDefault(true);
    for (int key : {int(Key::Enter), int(Key::Space)}) {
        f->cancel.SetFocus();
        f->log.clear();
        ui::press(*f, key);
        EXPECT_EQ(f->log, (Log{"cancel_Click"})) << key;
    }
}

TEST_F(Runtime, TypingEditsAtTheCaretAndBackspaceDeletes)
{
    f->t1.setSelStart(3);
    ui::type(*f, "X");
    EXPECT_EQ(f->t1.Text(), "desXign");
    ui::press(*f, Key::Back);
    ui::press(*f, Key::Home);
    ui::press(*f, Key::Delete);
    EXPECT_EQ(f->t1.Text(), "esign");
    f->t1.setSelStart(0);
    f->t1.setSelLength(10);
    ui::type(*f, "7");
    EXPECT_EQ(f->t1.Text(), "7") << "typing replaces the selection";
}

TEST_F(Runtime, ModalShowWaitsWhileTimersKeepFiring)
{
    Fixture &other = App::instance().form<Fixture>("Other");
    std::vector<QString> order;
    host.onModal("Other", [&](Form &m) {
        order.push_back("inside");
        host.fireTimers("Timer1");
        host.fireTimers("Timer1");
        ui::click(static_cast<Fixture &>(m).ok);
        m.Unload();
    });
    f->ok.onClick = [&] {
        other.Show(true);
        order.push_back("after show");
    };
    ui::click(f->ok);
    EXPECT_EQ(order, (std::vector<QString>{"inside", "after show"}));
    EXPECT_EQ(f->ticks, 2) << "the owner's timer fired under the modal form";
    EXPECT_FALSE(other.loaded());
    EXPECT_EQ(host.modalsShown(), QStringList{"Other"});
}

TEST_F(Runtime, NestedModalFormsReturnInOrder)
{
    App::instance().registerForm("Third", [] { return std::make_unique<Fixture>("Third"); });
    std::vector<QString> order;
    host.onModal("Other", [&](Form &m) {
        App::instance().form("Third").Show(true);
        order.push_back("other resumes");
        m.Unload();
    });
    host.onModal("Third", [&](Form &m) {
        order.push_back("third");
        m.Hide();
    });
    ui::click(f->ok);
    f->ok.onClick = [&] { App::instance().form("Other").Show(true); order.push_back("owner resumes"); };
    ui::click(f->ok);
    EXPECT_EQ(order, (std::vector<QString>{"third", "other resumes", "owner resumes"}));
    EXPECT_TRUE(App::instance().form("Third").loaded()) << "a hidden modal form stays loaded";
}

TEST_F(Runtime, UnloadResetsControlsButKeepsFormVariables)
{
    f->lbl.setCaption("01250");
    f->t1.setText("typed");
    f->combo.Clear();
    f->toggle.setCaption("Oral");
    f->t2.setVisible(false);
    f->setCaption("changed");
    f->keptVariable = 42;
    int unloads = 0;
    f->onUnload = [&](int &) { ++unloads; };
    f->Unload();
    EXPECT_EQ(unloads, 1);
    EXPECT_FALSE(f->loaded());
    EXPECT_EQ(f->lbl.Caption(), "8888");
    EXPECT_EQ(f->t1.Text(), "design");
    EXPECT_EQ(f->combo.ListCount(), 2);
    EXPECT_EQ(f->toggle.Caption(), "Auto");
    EXPECT_TRUE(f->t2.Visible());
    EXPECT_EQ(f->Caption(), "Fixture");
    EXPECT_EQ(f->keptVariable, 42);
    EXPECT_FALSE(f->timer.running());
    EXPECT_TRUE(host.allUnloaded());
    f->Show();
    EXPECT_EQ(f->loads, 2) << "a later use loads the form again";
    EXPECT_EQ(&App::instance().form("Fixture"), f) << "one instance for the whole run";
}

TEST_F(Runtime, UnloadCanBeCancelled)
{
    f->onUnload = [](int &cancel) { cancel = 1; };
    ui::close(*f);
    EXPECT_TRUE(f->loaded());
}

TEST_F(Runtime, UntrappedErrorsAreShownAndTheProgramGoesOn)
{
    int hooks = 0;
    const int hook = App::instance().addErrorHook([&] { ++hooks; });
    App::instance().setTitle("Varnock");
    f->ok.onClick = [] { throw RuntimeError::typeMismatch(); };
    ui::click(f->ok);
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes()[0].prompt, "Type mismatch");
    EXPECT_EQ(host.boxes()[0].title, "Varnock");
    EXPECT_EQ(hooks, 1);
    EXPECT_EQ(App::instance().lastErrorNumber(), 13);
    ui::click(f->ok);
    EXPECT_EQ(host.boxes().size(), 2u) << "the program keeps running";
    ui::click(f->cancel);
    f->cancel.onClick = [] { App::instance().form("NoSuchForm").Show(true); };
    ui::click(f->cancel);
    EXPECT_EQ(host.boxes().back().prompt, "The form NoSuchForm is not part of this program yet");
    App::instance().removeErrorHook(hook);
}

TEST_F(Runtime, EndStopsAllFurtherFormCode)
{
    int after = 0;
    f->ok.onClick = [&] {
        App::instance().end();
        ++after;
    };
    ui::click(f->ok);
    ui::click(f->cancel);
    host.fireTimers();
    EXPECT_TRUE(host.programEnded());
    EXPECT_EQ(after, 0);
    EXPECT_EQ(f->ticks, 0);
    EXPECT_TRUE(host.boxes().empty());
}

TEST_F(Runtime, EndInsideAModalFormUnwindsTheOwner)
{
    int resumed = 0;
    host.onModal("Other", [](Form &) { App::instance().dispatch([] { App::instance().end(); }); });
    f->ok.onClick = [&] {
        App::instance().form("Other").Show(true);
        ++resumed;
    };
    ui::click(f->ok);
    EXPECT_EQ(resumed, 0);
    EXPECT_TRUE(App::instance().ended());
}

TEST_F(Runtime, ErrorStylesSkipOrShow)
{
    int ran = 0;
    f->ok.onClick = [&] {
        skipError([] { throw RuntimeError::fileNotFound(); });
        ++ran;
        trapAndShow([&] {
            throw RuntimeError::invalidCall();
            ++ran;
        });
        ++ran;
    };
    ui::click(f->ok);
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(host.boxTexts(), QStringList{"Invalid procedure call or argument"});
}

TEST_F(Runtime, ComboPickShowsTheItemAndRunsClick)
{
    ui::pick(f->combo, 1);
    EXPECT_EQ(f->combo.Text(), "Coal");
    EXPECT_EQ(f->combo.ListIndex(), 1);
    ui::typeInto(f->combo, "x");
    EXPECT_EQ(f->combo.ListIndex(), -1);
    EXPECT_EQ(f->combo.Text(), "xCoal") << "a pick leaves the caret at the start";
    ui::press(*f, Key::Up);
    EXPECT_EQ(f->combo.Text(), "xCoal") << "Up from off the list stays off it";
    f->combo.setText("Sand");
    ui::press(*f, Key::Down);
    EXPECT_EQ(f->combo.Text(), "Coal");
    EXPECT_EQ(f->log.back(), "combo_Click Coal");
}

TEST_F(Runtime, ListViewSortsByTheShownTextOfTheSortColumn)
{
    ListView &l = f->list;
    l.addColumn("num", "num", 1000);
    l.addColumn("truckno", "truckno", 1500);
    const char *rows[][2] = {{"9", "MH12"}, {"10", "GJ01"}, {"2", "KA05"}};
    for (auto &r : rows) {
        int row = l.addItem(QString("a %1").arg(l.count() + 1), r[0]);
        l.setSubItem(row, 1, r[1]);
    }
    EXPECT_EQ(l.SelectedItem()->text, "9") << "the first row is selected";
    l.setSortKey(0);
    l.setSorted(true);
    EXPECT_EQ(l.item(0).text, "10") << "text order: 10 sorts before 9";
    EXPECT_EQ(l.item(2).text, "9");
    l.setSortOrder(1);
    l.setSortKey(1);
    EXPECT_EQ(l.item(0).column(1), "MH12");
    EXPECT_EQ(l.SelectedItem()->text, "9") << "the selection follows its row";
    int clicked = -1;
    l.onItemClick = [&](int row) { clicked = row; };
    ui::pickRow(l, 2);
    EXPECT_EQ(clicked, 2);
    EXPECT_EQ(l.SelectedItem()->text, "10");
}

TEST_F(Runtime, PopupMenuRunsThePickedItem)
{
    Menu menu(f, "pl", "printlist");
    int clicks = 0;
    menu.addItem("snw", "Serial No Wise").onClick = [&] { ++clicks; };
    menu.addItem("dw", "Date Wise");
    host.pickMenu("snw");
    f->PopupMenu(menu);
    f->PopupMenu(menu); // nothing picked
    EXPECT_EQ(clicks, 1);
}

TEST_F(Runtime, ScriptedHostServices)
{
    EXPECT_THROW(host.shell("calc.exe", WinStyle::NormalFocus), RuntimeError);
    host.addProgram("calc.exe");
    host.shell("calc.exe", WinStyle::NormalFocus);
    ASSERT_EQ(host.started().size(), 1u);
    host.answerMsg(Msg::No);
    EXPECT_EQ(MsgBox("Save?", Msg::YesNo), Msg::No);
    EXPECT_EQ(MsgBox("Save?", Msg::YesNo), Msg::Yes);
    host.answerInput("");
    EXPECT_EQ(InputBox("Copies", "", "1"), "") << "Cancel gives an empty text";
    EXPECT_EQ(InputBox("Copies", "", "1"), "1");
    host.setNow(QDateTime(QDate(2024, 3, 5), QTime(23, 59)));
    host.advance(60000);
    EXPECT_EQ(host.now().date(), QDate(2024, 3, 6));
    double r = host.rnd();
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 1.0);
}

} // namespace
