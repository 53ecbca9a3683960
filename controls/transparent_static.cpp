#include "controls/transparent_static.h"

#include <QEvent>
#include <QPainter>

#include "controls/pixel_font.h"

CTransparentStatic::CTransparentStatic(QWidget* parent)
    : CCachedControl(parent),
      textColor_(palette().color(QPalette::WindowText)),
      backgroundColor_(palette().color(QPalette::Base)) {}

void CTransparentStatic::SetCaption(const std::wstring& text) {
    const QString caption = QString::fromStdWString(text);
    if (caption != text_) {
        text_ = caption;
        Invalidate();
    }
}

void CTransparentStatic::SetTextColor(const QColor& color) {
    textColor_ = color;
    Invalidate();
}

void CTransparentStatic::SetBkColor(const QColor& color) {
    backgroundColor_ = color;
    Invalidate();
}

void CTransparentStatic::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Invalidate();
}

// The widget paints nothing where it is transparent, so Qt repaints the parent under the
// whole widget before it paints the label again.
void CTransparentStatic::Render(QImage& target) {
    QPainter painter(&target);
    if (!transparent_) {
        painter.fillRect(rect(), backgroundColor_);
    }
    painter.setFont(PixelSizedFont(font()));
    painter.setPen(textColor_);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text_);
}
