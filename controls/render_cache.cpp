#include "controls/render_cache.h"

#include <QtGlobal>
#include <cmath>

const QImage& RenderCache::Get(QSize size, qreal devicePixelRatio, const RenderFunction& render) {
    const QSize pixels(static_cast<int>(std::ceil(size.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(size.height() * devicePixelRatio)));
    if (m_valid && m_image.size() == pixels &&
        qFuzzyCompare(m_image.devicePixelRatio(), devicePixelRatio)) {
        return m_image;
    }
    m_image = QImage(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    m_image.setDevicePixelRatio(devicePixelRatio);
    m_image.fill(Qt::transparent);
    render(m_image);
    m_valid = true;
    ++m_renders;
    return m_image;
}
