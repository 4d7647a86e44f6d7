#pragma once
// A form shown as a real window. Each control becomes the matching widget
// at its twips geometry (15 twips to the pixel, scaled with the window when
// it is maximized, and on a screen larger than the program's main form by
// the main form's scale). The widgets only show what
// the controls hold: every key, click and focus change of the operator goes
// through the runtime's input entry points, and the form's observer brings
// each change back to the widget at once.
#include "runtime/form.h"

#include <QHash>
#include <QWidget>
#include <algorithm>
#include <map>

class QLineEdit;
class QScreen;
class QTreeView;

namespace vb {

class FocusFrame;
class ListViewModel;

class FormWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FormWindow(Form &form, QWidget *parent = nullptr);
    ~FormWindow() override;

    Form &form() const { return m_form; }
    // The widget showing a control; null for controls without one (timers,
    // menus, non-visual controls).
    QWidget *widget(const Control &control) const;
    // The control a widget (or one of its inner parts) shows.
    Control *control(const QObject *widget) const;

    // Brings every widget and the window itself in line with the form.
    void refreshAll();
    // Applies the form's window state, position and size, then shows it.
    void showForm();
    // Gives the keyboard focus to the widget of the form's active control.
    void syncFocus();
    // The frame drawn around the focused control's widget.
    FocusFrame *focusFrame() const { return m_focusFrame; }

    static constexpr int TwipsPerPixel = 15;
    // Twips of the form to pixels of the window and back, with the
    // window's scale; fonts grow and shrink by fontScale().
    QRect toPixels(int left, int top, int width, int height) const;
    QPointF toTwips(QPointF pixels) const;
    double fontScale() const { return std::min(m_scaleX, m_scaleY); }
    // The scale of the maximized main form on a screen (never below 1):
    // windows in their normal state, message and input boxes grow by it, so
    // they read as the main screen does. 1 while no maximized form is loaded.
    static double screenScale(const QScreen *screen);
    // What a window manager's frame adds to a window's size, as the windows
    // shown so far have it (none without a window manager): a window is
    // placed so that its frame is where its place rule puts it.
    static QSize frameExtra();
    // Colours as the forms store them (0x00BBGGRR, system colours with the
    // high bit set); invalid for a system colour that keeps the default.
    static QColor colour(uint32_t value, const QPalette &palette);
    // A font for a face name the forms use, with fallbacks found here.
    static QFont font(const QString &name, double points, bool bold);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void build();
    QWidget *makeWidget(Control &c);
    void watch(QObject *part, Control &c);
    void watchComboEdit(QLineEdit *edit, Control &c);
    void observe(Control *c, Change what);
    void refresh(Control &c);
    void refreshForm();
    void maximize();
    // Takes the scale from the window's size when it is maximized, from the
    // screen otherwise; true when it changed.
    bool updateScale();
    // The scale of the window in its normal state: the screen's, less where
    // the form would not fit the screen at it.
    double normalScale() const;
    // The form's size in pixels at its normal scale.
    QSize normalSize() const;
    // Where the window goes for the form's Left and Top.
    QPoint normalPosition() const;
    void refreshSelection(Control &c);
    void reloadList(Control &c);
    void applyPalette(Control &c, QWidget *w);
    // Key handling shared by the window and the control widgets; returns
    // true when the key was taken.
    bool handleKey(QKeyEvent *event, Control *target);
    void pageList(ListView &list, int code);
    bool handleMouse(QObject *watched, QMouseEvent *event, Control &c);
    void focusFromQt(Control &c, QWidget *w);

    Form &m_form;
    std::map<const Control *, QWidget *> m_widgets;
    QHash<const QObject *, Control *> m_parts;
    std::map<const Control *, ListViewModel *> m_models;
    FocusFrame *m_focusFrame = nullptr;
    Control *m_selectionShown = nullptr; // the control whose selection the window draws
    int m_syncing = 0; // > 0 while the window mirrors the form
    // Pixels per design pixel: 1 for a window at its form's size, more or
    // less for a maximized one, whose layout follows the window.
    double m_scaleX = 1, m_scaleY = 1;
};

} // namespace vb
