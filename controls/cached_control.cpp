#include "controls/cached_control.h"

#include <QEvent>
#include <QPainter>

void CCachedControl::Invalidate() {
    m_cache.Invalidate();
    update();
}

void CCachedControl::paintEvent(QPaintEvent*) {
    const QImage& picture =
        m_cache.Get(size(), devicePixelRatioF(), [this](QImage& target) { Render(target); });
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture);
}

void CCachedControl::changeEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
            Invalidate();
            break;
        default:
            break;
    }
    QWidget::changeEvent(event);
}
