#include "controls/skin_picture.h"

#include <QPainter>

#include "controls/skin_images.h"

bool SkinPicture::Load(int resourceId) {
    m_image = LoadSkinImage(resourceId);
    return !m_image.isNull();
}

bool SkinPicture::Draw(QPainter& painter) const {
    if (m_image.isNull()) {
        return false;
    }
    painter.drawImage(QPoint(0, 0), m_image);
    return true;
}
