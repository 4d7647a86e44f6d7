#pragma once
// Forms: single default instances created on first use through the
// registry, loaded, shown modal or modeless, unloaded. Unload runs the
// Unload event and puts the controls back in their design state; the form
// object (and so its own variables) lives on, and a later use loads it
// again.
#include "control.h"
#include "listview.h"
#include "errors.h"
#include "host.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace vb {

namespace WindowState {
constexpr int Normal = 0, Minimized = 1, Maximized = 2;
}

// Where a form's window appears: at its Left and Top, or centred on the
// screen each time it loads (before its Load, which may move it).
namespace StartUp {
constexpr int Manual = 0, CenterScreen = 2;
}

class Form
{
public:
    explicit Form(const QString &name);
    virtual ~Form();
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;

    const QString &name() const { return m_name; }

    const QString &Caption() const { return m_p.caption; }
    void setCaption(const QString &v);
    int Left() const { return m_p.left; }
    int Top() const { return m_p.top; }
    int Width() const { return m_p.width; }
    int Height() const { return m_p.height; }
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    void Move(int left, int top, int width = -1, int height = -1);
    int WindowState() const { return m_p.windowState; }
    void setWindowState(int v); // runs Resize when it changes
    uint32_t BackColor() const { return m_p.backColor; }
    void setBackColor(uint32_t v);
    int MousePointer() const { return m_p.mousePointer; }
    void setMousePointer(int v);
    void setStartUpPosition(int v) { m_p.startUp = v; }
    bool KeyPreview() const { return m_p.keyPreview; }
    void setKeyPreview(bool v) { m_p.keyPreview = v; }

    Control *ActiveControl() const { return m_active; }

    bool loaded() const { return m_loaded; }
    bool visible() const { return m_visible; }
    bool modal() const { return m_modal; }

    // Loads the form (runs Load) if it is not loaded.
    void Load();
    // Loads if needed, shows it; a modal show returns only when the form is
    // hidden or unloaded, while timers and port events keep firing.
    void Show(bool modal = false);
    void Hide();
    // Runs Unload (which may cancel), hides the form and resets its
    // controls to their design state.
    void Unload();
    // Shows a popup menu; the picked item's Click runs before it returns.
    void PopupMenu(Menu &menu);

    // Events of the form itself.
    std::function<void()> onLoad;
    std::function<void()> onActivate;
    std::function<void(int &cancel)> onUnload;
    std::function<void()> onResize;
    std::function<void(int &keyCode, int shift)> onKeyDown;
    std::function<void(int &keyCode, int shift)> onKeyUp;
    std::function<void(int &keyAscii)> onKeyPress;
    std::function<void(int button, int shift, double x, double y)> onMouseDown;
    std::function<void()> onClick;

    const std::vector<Control *> &controls() const { return m_controls; }
    Control *control(const QString &name, int index = -1) const;
    // Controls in tab order.
    std::vector<Control *> tabOrder() const;

    // Host mirroring: called on every visible change of the form or one of
    // its controls (null for the form itself).
    using Observer = std::function<void(Control *, Change)>;
    void setObserver(Observer o) { m_observer = std::move(o); }
    void notify(Control *c, Change what);

    // Focus, used by Control::SetFocus and the input entry points.
    void moveFocus(Control *target);
    // Takes the design state of every control; the registry calls it once
    // after construction.
    void captureDesign();

    // Registration of controls (their constructors do it).
    void addControl(Control *c);
    void removeControl(Control *c);

private:
    // Hides the form and puts it back as designed, unloaded.
    void dropLoad();
    void focusFirst();
    void selectOption(Control *target);
    struct P {
        QString caption;
        int left = 0, top = 0, width = 9600, height = 7200;
        int windowState = WindowState::Normal;
        uint32_t backColor = 0x8000000Fu;
        int mousePointer = 0;
        int startUp = StartUp::CenterScreen;
        bool keyPreview = false;
    } m_p, m_design;
    QString m_name;
    std::vector<Control *> m_controls;
    Control *m_active = nullptr;
    Control *m_pendingFocus = nullptr;
    bool m_movingFocus = false;
    bool m_loaded = false;
    bool m_visible = false;
    bool m_modal = false;
    Observer m_observer;
};

// The application: host, title, form registry and the event dispatcher.
class App
{
public:
    static App &instance();

    Host &host() const;
    void setHost(Host *host) { m_host = host; }
    bool hasHost() const { return m_host != nullptr; }

    const QString &title() const { return m_title; }
    void setTitle(const QString &t) { m_title = t; }

    // Registry of form factories by name.
    using Factory = std::function<std::unique_ptr<Form>()>;
    void registerForm(const QString &name, Factory factory);
    // A program that lacks a shared form takes it out again.
    void unregisterForm(const QString &name) { m_factories.erase(name); }
    bool hasForm(const QString &name) const;
    // The single instance, created on first use (not loaded). A name that
    // has no form raises a run-time error naming it.
    Form &form(const QString &name);
    template <class T> T &form(const QString &name)
    {
        Form &f = form(name);
        if (auto *t = dynamic_cast<T *>(&f))
            return *t;
        throw RuntimeError::typeMismatch();
    }
    // Instances that exist (loaded or not).
    std::vector<Form *> instances() const;
    bool anyLoaded() const;
    // Drops every instance and factory (tests start afresh).
    void reset();

    // Runs one event from outside the program (a key, a click, a timer, port
    // data). A run-time error that no handler trapped is reported here: any
    // open transaction is rolled back through the error hooks, the
    // description is shown with the application's title, and the program
    // goes on.
    void dispatch(const std::function<void()> &event);
    // Called on an untrapped error before it is shown (the database layer
    // rolls back an open transaction here).
    // Returns an id for removeErrorHook.
    int addErrorHook(std::function<void()> hook)
    {
        m_errorHooks.emplace(++m_lastHook, std::move(hook));
        return m_lastHook;
    }
    void removeErrorHook(int id) { m_errorHooks.erase(id); }
    // Runs the hooks; also used by a trap that leaves its handler.
    void runErrorHooks();
    // The error the dispatcher last reported (tests look at it).
    int lastErrorNumber() const { return m_lastError; }
    // Told of every error the dispatcher reports, before it is shown (the
    // tests' office fixture records them). Kept over reset(), as the hooks are.
    using ErrorObserver = std::function<void(int number, const QString &description)>;
    void setErrorObserver(ErrorObserver observer) { m_errorObserver = std::move(observer); }

    // End: stops the program at once.
    [[noreturn]] void end();
    bool ended() const { return m_ended; }

    // Called by Form::Unload.
    void formUnloaded(Form &form);

private:
    App() = default;
    Host *m_host = nullptr;
    QString m_title = QStringLiteral("Varnock");
    std::map<QString, Factory> m_factories;
    std::map<QString, std::unique_ptr<Form>> m_instances;
    std::map<int, std::function<void()>> m_errorHooks;
    ErrorObserver m_errorObserver;
    int m_lastHook = 0;
    int m_lastError = 0;
    bool m_ended = false;
    int m_depth = 0;
};

inline App &app() { return App::instance(); }
inline Host &host() { return App::instance().host(); }

// Message and input boxes, as the forms call them.
int MsgBox(const QString &prompt, int buttons = Msg::OKOnly, const QString &title = QString());
// An OK-only box the caller does not wait for (Host::notice).
void Notice(const QString &prompt, int buttons = Msg::OKOnly, const QString &title = QString());
QString InputBox(const QString &prompt, const QString &title = QString(),
                 const QString &defaultText = QString(), std::optional<QPoint> pos = {});

} // namespace vb
