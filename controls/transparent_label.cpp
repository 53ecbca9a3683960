#include "controls/transparent_label.h"

#include <QEvent>
#include <QPainter>

#include "controls/pixel_font.h"

TransparentLabel::TransparentLabel(QWidget* parent)
    : CachedControl(parent),
      m_textColor(palette().color(QPalette::WindowText)),
      m_backgroundColor(palette().color(QPalette::Base)) {}

void TransparentLabel::SetCaption(const std::wstring& text) {
    const QString caption = QString::fromStdWString(text);
    if (caption != m_text) {
        const QString before = m_text;
        m_text = caption;
        Invalidate();
        AnnounceTextChange(before);
    }
}

void TransparentLabel::SetTextColor(const QColor& color) {
    m_textColor = color;
    Invalidate();
}

void TransparentLabel::SetBkColor(const QColor& color) {
    m_backgroundColor = color;
    Invalidate();
}

void TransparentLabel::SetTransparent(bool transparent) {
    m_transparent = transparent;
    Invalidate();
}

// The widget paints nothing where it is transparent, so Qt repaints the parent under the
// whole widget before it paints the label again.
void TransparentLabel::Render(QImage& target) {
    QPainter painter(&target);
    if (!m_transparent) {
        painter.fillRect(rect(), m_backgroundColor);
    }
    painter.setFont(PixelSizedFont(font()));
    painter.setPen(m_textColor);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_text);
}
