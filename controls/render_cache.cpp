#include "controls/render_cache.h"

#include <QtGlobal>
#include <cmath>

const QImage& RenderCache::Get(QSize size, qreal devicePixelRatio, const RenderFunction& render) {
    const QSize pixels(static_cast<int>(std::ceil(size.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(size.height() * devicePixelRatio)));
    if (valid_ && image_.size() == pixels &&
        qFuzzyCompare(image_.devicePixelRatio(), devicePixelRatio)) {
        return image_;
    }
    image_ = QImage(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image_.setDevicePixelRatio(devicePixelRatio);
    image_.fill(Qt::transparent);
    render(image_);
    valid_ = true;
    ++renders_;
    return image_;
}
