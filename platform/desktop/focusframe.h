#pragma once
// A frame drawn around the widget that holds the keyboard focus, in every
// style and on every background, so the operator sees from a distance
// where the next key goes. A window the keys do not go to (a box or form
// is open over it) keeps only a thin grey line where its focus will
// return, so one bright frame shows at a time.
#include <QPointer>
#include <QWidget>

namespace vb {

class FocusFrame : public QWidget
{
    Q_OBJECT
public:
    // Lives on the window; follows no widget until told to.
    explicit FocusFrame(QWidget *window);

    // Frames this widget (null: no frame) and keeps up with its moves.
    void follow(QWidget *target);
    QWidget *followed() const { return m_target; }

    static constexpr int Thickness = 4; // the bright band and its inner line
    static QColor colour() { return QColor(255, 170, 0); }
    static QColor dimColour() { return QColor(150, 150, 150); }

    // Whether the keys go to this frame's window.
    bool inForeground() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void place();

    QPointer<QWidget> m_target;
};

} // namespace vb
