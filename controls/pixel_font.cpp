#include "controls/pixel_font.h"

#include <QFontInfo>

QFont PixelSizedFont(const QFont& font) {
    if (font.pixelSize() > 0) {
        return font;
    }
    QFont sized = font;
    sized.setPixelSize(qMax(1, QFontInfo(font).pixelSize()));
    return sized;
}
