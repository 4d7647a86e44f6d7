#pragma once
// A frame drawn around the widget that holds the keyboard focus, in every
// style and on every background, so the operator sees from a distance
// where the next key goes.
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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void place();

    QPointer<QWidget> m_target;
};

} // namespace vb
