#include "controls/pt_picture.h"

#include <QPainter>

#include "controls/skin_images.h"

bool CPTPicture::Load(int resourceId) {
    image_ = LoadSkinImage(resourceId);
    return !image_.isNull();
}

bool CPTPicture::Draw(QPainter& painter) const {
    if (image_.isNull()) {
        return false;
    }
    painter.drawImage(QPoint(0, 0), image_);
    return true;
}
