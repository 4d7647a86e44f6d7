#include "form.h"

#include <chrono>
#include <thread>

#include <algorithm>

namespace vb {

Form::Form(const QString &name) : m_name(name) { m_p.caption = name; }

Form::~Form() = default;

void Form::notify(Control *c, Change what)
{
    if (m_observer)
        m_observer(c, what);
}

#define VB_FORM_SETTER(field, value)                                                               \
    do {                                                                                           \
        if (m_p.field == (value))                                                                  \
            return;                                                                                \
        m_p.field = (value);                                                                       \
        notify(nullptr, Change::Property);                                                         \
    } while (0)

void Form::setCaption(const QString &v) { VB_FORM_SETTER(caption, v); }
void Form::setLeft(int v) { VB_FORM_SETTER(left, v); }
void Form::setTop(int v) { VB_FORM_SETTER(top, v); }
void Form::setWidth(int v) { VB_FORM_SETTER(width, v); }
void Form::setHeight(int v) { VB_FORM_SETTER(height, v); }
void Form::setBackColor(uint32_t v) { VB_FORM_SETTER(backColor, v); }

void Form::setMousePointer(int v) { VB_FORM_SETTER(mousePointer, v); }

void Form::Move(int left, int top, int width, int height)
{
    m_p.left = left;
    m_p.top = top;
    if (width >= 0)
        m_p.width = width;
    if (height >= 0)
        m_p.height = height;
    notify(nullptr, Change::Property);
}

void Form::setWindowState(int v)
{
    if (m_p.windowState == v)
        return;
    m_p.windowState = v;
    notify(nullptr, Change::Property);
    Control::raise(onResize);
}

void Form::addControl(Control *c)
{
    // Tab order follows creation order unless a form sets it.
    c->setTabIndex(int(m_controls.size()));
    m_controls.push_back(c);
}

void Form::removeControl(Control *c)
{
    m_controls.erase(std::remove(m_controls.begin(), m_controls.end(), c), m_controls.end());
    if (m_active == c)
        m_active = nullptr;
    if (m_pendingFocus == c)
        m_pendingFocus = nullptr;
}

Control *Form::control(const QString &name, int index) const
{
    for (Control *c : m_controls)
        if (c->name() == name && c->index() == index)
            return c;
    return nullptr;
}

std::vector<Control *> Form::tabOrder() const
{
    std::vector<Control *> order = m_controls;
    std::stable_sort(order.begin(), order.end(),
                     [](Control *a, Control *b) { return a->TabIndex() < b->TabIndex(); });
    return order;
}

void Form::captureDesign()
{
    for (Control *c : m_controls)
        c->saveDesign();
    m_design = m_p;
}

// A focus move runs LostFocus on the control that had the focus, then
// GotFocus on the new one. Handlers may move the focus again while a move is
// under way; the latest request wins, and only controls that really held the
// focus see GotFocus and LostFocus, once each per holding. A request for an
// option selects it at once (its Click runs) even when a later request takes
// the focus on before it arrives; an option that the focus reaches is
// selected on arrival, after the old control's LostFocus.
void Form::moveFocus(Control *target)
{
    if (!target || !target->canTakeFocus())
        return;
    m_pendingFocus = target;
    if (m_movingFocus) {
        selectOption(target);
        return;
    }
    m_movingFocus = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_movingFocus};

    while (m_pendingFocus && m_pendingFocus != m_active) {
        if (m_active) {
            Control *old = m_active;
            m_active = nullptr;
            notify(old, Change::Selection);
            Control::raise(old->onLostFocus);
            continue;
        }
        Control *next = m_pendingFocus;
        if (!next->canTakeFocus()) {
            // The target was disabled or hidden on the way: the focus goes
            // to the next control in tab order that can take it.
            auto order = tabOrder();
            auto it = std::find(order.begin(), order.end(), next);
            Control *found = nullptr;
            for (size_t k = 1; it != order.end() && k <= order.size(); ++k) {
                Control *c = order[(size_t(it - order.begin()) + k) % order.size()];
                if (c->canTakeFocus() && c->TabStop()) {
                    found = c;
                    break;
                }
            }
            m_pendingFocus = found;
            if (!found)
                break;
            continue;
        }
        m_active = next;
        notify(next, Change::Selection);
        selectOption(next);
        if (m_active == next)
            Control::raise(next->onGotFocus);
    }
}

void Form::selectOption(Control *target)
{
    if (target->kind() != ControlKind::OptionButton)
        return;
    auto *o = static_cast<OptionButton *>(target);
    if (!o->Value())
        o->setValue(true);
}

void Form::focusFirst()
{
    for (Control *c : tabOrder())
        if (c->TabStop() && c->canTakeFocus()) {
            moveFocus(c);
            return;
        }
}

void Form::Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    // A centred form is placed on every load, before its Load runs: a Load
    // that moves the form has the last word.
    if (m_p.startUp == StartUp::CenterScreen && m_p.windowState == WindowState::Normal &&
        App::instance().hasHost())
        if (std::optional<QSize> area = App::instance().host().screenArea())
            Move(std::max(0, (area->width() - m_p.width) / 2), std::max(0, (area->height() - m_p.height) / 2));
    // Timers of a loaded form run, shown or not.
    if (App::instance().hasHost())
        for (Control *c : m_controls)
            if (c->kind() == ControlKind::Timer)
                App::instance().host().timerChanged(*static_cast<Timer *>(c));
    try {
        Control::raise(onLoad);
    } catch (...) {
        // A load that failed leaves the form unloaded, so that the next use
        // loads it afresh instead of showing what the failed load left.
        if (m_loaded) {
            dropLoad();
            if (App::instance().hasHost())
                for (Control *c : m_controls)
                    if (c->kind() == ControlKind::Timer)
                        App::instance().host().timerChanged(*static_cast<Timer *>(c));
        }
        throw;
    }
}

void Form::Show(bool modal)
{
    Load();
    if (!m_loaded)
        return; // unloaded itself while loading
    bool wasVisible = m_visible;
    m_visible = true;
    m_modal = modal;
    App &a = App::instance();
    if (a.hasHost())
        a.host().formShown(*this, modal);
    Control::raise(onActivate);
    if (!wasVisible && !m_active && m_loaded && m_visible)
        focusFirst();
    if (modal && m_loaded && m_visible && a.hasHost()) {
        a.host().runModal(*this);
        m_modal = false;
        if (a.ended())
            throw ProgramEnded{};
    }
}

void Form::Hide()
{
    if (!m_visible)
        return;
    m_visible = false;
    if (App::instance().hasHost())
        App::instance().host().formHidden(*this);
}

void Form::Unload()
{
    if (!m_loaded)
        return;
    int cancel = 0;
    Control::raise(onUnload, cancel);
    if (cancel || !m_loaded)
        return;
    dropLoad();
    App::instance().formUnloaded(*this);
}

void Form::dropLoad()
{
    Hide();
    m_loaded = false;
    m_modal = false;
    m_active = nullptr;
    m_pendingFocus = nullptr;
    for (Control *c : m_controls)
        c->restoreDesign();
    m_p = m_design;
    notify(nullptr, Change::Items);
}

void Form::PopupMenu(Menu &menu)
{
    App &a = App::instance();
    if (!a.hasHost())
        return;
    int picked = a.host().popupMenu(*this, menu);
    if (picked < 0 || picked >= int(menu.items().size()))
        return;
    MenuItem &item = *menu.items()[size_t(picked)];
    if (item.Enabled() && item.Visible())
        Control::raise(item.onClick);
}

// ---- application ----------------------------------------------------------

App &App::instance()
{
    static App app;
    return app;
}

Host &App::host() const
{
    if (!m_host)
        throw RuntimeError(91, QStringLiteral("No host is installed"));
    return *m_host;
}

void App::registerForm(const QString &name, Factory factory) { m_factories[name] = std::move(factory); }

bool App::hasForm(const QString &name) const { return m_factories.count(name) != 0; }

Form &App::form(const QString &name)
{
    auto it = m_instances.find(name);
    if (it != m_instances.end())
        return *it->second;
    auto f = m_factories.find(name);
    if (f == m_factories.end())
        throw RuntimeError(424, QStringLiteral("The form %1 is not part of this program yet").arg(name));
    std::unique_ptr<Form> made = f->second();
    made->captureDesign();
    Form &ref = *made;
    m_instances.emplace(name, std::move(made));
    return ref;
}

std::vector<Form *> App::instances() const
{
    std::vector<Form *> out;
    for (auto &[n, f] : m_instances)
        out.push_back(f.get());
    return out;
}

bool App::anyLoaded() const
{
    return std::any_of(m_instances.begin(), m_instances.end(),
                       [](auto &p) { return p.second->loaded(); });
}

void App::reset()
{
    m_instances.clear();
    m_factories.clear();
    m_ended = false;
    m_lastError = 0;
    m_title = QStringLiteral("Varnock");
}

void App::dispatch(const std::function<void()> &event)
{
    if (m_ended)
        return;
    ++m_depth;
    struct Depth {
        int &d;
        ~Depth() { --d; }
    } depth{m_depth};
    QString description;
    int number = 0;
    try {
        event();
        return;
    } catch (const ProgramEnded &) {
        return;
    } catch (const RuntimeError &e) {
        number = e.number();
        description = e.description();
    } catch (const std::exception &e) {
        number = -1;
        description = QString::fromUtf8(e.what());
    }
    m_lastError = number;
    if (m_errorObserver)
        m_errorObserver(number, description);
    runErrorHooks();
    if (m_host && !m_ended) {
        try {
            m_host->msgBox(description, Msg::OKOnly | Msg::Critical, m_title);
        } catch (...) {
        }
    }
}

void App::runErrorHooks()
{
    for (auto &[id, hook] : m_errorHooks) {
        try {
            hook();
        } catch (...) {
        }
    }
}

void App::end()
{
    m_ended = true;
    if (m_host)
        m_host->endProgram();
    throw ProgramEnded{};
}

void App::formUnloaded(Form &)
{
    if (!anyLoaded() && m_host)
        m_host->allFormsUnloaded();
}

namespace {
int s_noWaiting = 0;
}

NoWaiting::NoWaiting() { ++s_noWaiting; }
NoWaiting::~NoWaiting() { --s_noWaiting; }
bool NoWaiting::active() { return s_noWaiting > 0; }

void Host::waiting(const QString &, int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int MsgBox(const QString &prompt, int buttons, const QString &title)
{
    App &a = App::instance();
    return a.host().msgBox(prompt, buttons, title.isEmpty() ? a.title() : title);
}

void Notice(const QString &prompt, int buttons, const QString &title)
{
    App &a = App::instance();
    a.host().notice(prompt, buttons, title.isEmpty() ? a.title() : title);
}

QString InputBox(const QString &prompt, const QString &title, const QString &defaultText,
                 std::optional<QPoint> pos)
{
    App &a = App::instance();
    return a.host().inputBox(prompt, title.isEmpty() ? a.title() : title, defaultText, pos);
}

} // namespace vb
