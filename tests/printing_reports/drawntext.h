#pragma once
// A paint device that keeps the texts painted on it, in order: what a
// report page puts on paper, without reading pixels.
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QStringList>
#include <QTextItem>
#include <memory>

class DrawnText : public QPaintDevice
{
public:
    DrawnText(QSize size) : m_size(size), m_engine(std::make_unique<Engine>(this)) {}
    ~DrawnText() override = default;

    // Paints with the painter's window set to the page, as a printer would.
    template <class Paint> static QStringList of(QSize page, Paint paint)
    {
        DrawnText device(page);
        QPainter p(&device);
        p.setWindow(QRect(QPoint(0, 0), page));
        p.setViewport(QRect(QPoint(0, 0), page));
        paint(p);
        p.end();
        return device.m_texts;
    }

    QPaintEngine *paintEngine() const override { return m_engine.get(); }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmWidthMM: return m_size.width() / 10;
        case PdmHeightMM: return m_size.height() / 10;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 254; // a unit is a tenth of a millimetre
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(DrawnText *device) : QPaintEngine(AllFeatures), m_device(device) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawPolygon(const QPoint *, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath &) override {}
        void drawTextItem(const QPointF &, const QTextItem &item) override { m_device->m_texts << item.text(); }
        Type type() const override { return User; }

    private:
        DrawnText *m_device;
    };

    QSize m_size;
    std::unique_ptr<Engine> m_engine;
    QStringList m_texts;
};
