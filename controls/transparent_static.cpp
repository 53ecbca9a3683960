#include "controls/transparent_static.h"

#include <QEvent>
#include <QPainter>

#include "controls/pixel_font.h"

CTransparentStatic::CTransparentStatic(QWidget* parent)
    : CCachedControl(parent),
      m_textColor(palette().color(QPalette::WindowText)),
      m_backgroundColor(palette().color(QPalette::Base)) {}

void CTransparentStatic::SetCaption(const std::wstring& text) {
    const QString caption = QString::fromStdWString(text);
    if (caption != m_text) {
        const QString before = m_text;
        m_text = caption;
        Invalidate();
        AnnounceTextChange(before);
    }
}

void CTransparentStatic::SetTextColor(const QColor& color) {
    m_textColor = color;
    Invalidate();
}

void CTransparentStatic::SetBkColor(const QColor& color) {
    m_backgroundColor = color;
    Invalidate();
}

void CTransparentStatic::SetTransparent(bool transparent) {
    m_transparent = transparent;
    Invalidate();
}

// The widget paints nothing where it is transparent, so Qt repaints the parent under the
// whole widget before it paints the label again.
void CTransparentStatic::Render(QImage& target) {
    QPainter painter(&target);
    if (!m_transparent) {
        painter.fillRect(rect(), m_backgroundColor);
    }
    painter.setFont(PixelSizedFont(font()));
    painter.setPen(m_textColor);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_text);
}
