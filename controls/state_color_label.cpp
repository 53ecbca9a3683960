#include "controls/state_color_label.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "controls/pixel_font.h"

namespace {

// The two-character line separator of label texts: a backslash and the letter n.
const QString kLineSeparator = QStringLiteral("\\n");

uint32_t ColorRefOf(const QColor& color) {
    const QRgb rgb = color.rgb();
    return static_cast<uint32_t>(qRed(rgb)) | static_cast<uint32_t>(qGreen(rgb)) << 8 |
           static_cast<uint32_t>(qBlue(rgb)) << 16;
}

}  // namespace

StateColorLabelLayout LayoutStateColorLabel(const QString& text, const QFont& font, QSize size,
                                            Qt::Alignment horizontal, bool singleLine) {
    StateColorLabelLayout layout;
    layout.size = size;
    layout.font = PixelSizedFont(font);
    const QFontMetrics metrics(layout.font);
    const bool oneLineEach = singleLine && metrics.horizontalAdvance(text) < size.width();
    const QStringList pieces = text.split(kLineSeparator);

    int flags = static_cast<int>(horizontal & Qt::AlignHorizontal_Mask);
    if (oneLineEach) {
        // A lone line sits in the middle of the label. Several lines stack from the top:
        // centring each in what is left of the label would make them overlap.
        flags |= Qt::TextSingleLine | (pieces.size() == 1 ? Qt::AlignVCenter : Qt::AlignTop);
    } else {
        flags |= Qt::TextWordWrap | Qt::AlignTop;
    }

    QRect rect(QPoint(0, 0), size);
    for (const QString& piece : pieces) {
        StateColorLabelLayout::Line line;
        line.rect = rect;
        line.flags = flags;
        int height = metrics.height();
        if (oneLineEach) {
            line.text = metrics.elidedText(piece, Qt::ElideRight, rect.width());
        } else {
            line.text = piece;
            height = qMax(height, metrics.boundingRect(rect, flags, piece).height());
        }
        layout.lines.push_back(line);
        rect.setTop(rect.top() + height + 1);
    }
    return layout;
}

StateColorLabel::StateColorLabel(QWidget* parent) : CachedControl(parent) {
    for (QColor& color : m_colors) {
        color = Qt::black;
    }
}

void StateColorLabel::SetWindowText(const std::wstring& text) {
    const QString value = QString::fromStdWString(text);
    if (value != m_text) {
        const QString before = AccessibleText();
        m_text = value;
        Invalidate();
        AnnounceTextChange(before);
    }
}

QString StateColorLabel::AccessibleText() const {
    QString text = m_text;
    return text.replace(kLineSeparator, QStringLiteral("\n"));
}

void StateColorLabel::SetColors(const QColor& normal, const QColor& hover, const QColor& pressed,
                                const QColor& state3, const QColor& state4) {
    m_colors[kNormal] = normal;
    m_colors[kHover] = hover;
    m_colors[kPressed] = pressed;
    m_colors[kFixed3] = state3;
    m_colors[kFixed4] = state4;
    Invalidate();
}

void StateColorLabel::SetState(int state) {
    if (state >= kNormal && state <= kFixed4) {
        ChangeState(state);
    }
}

void StateColorLabel::SetHandCursor(bool on) {
    if (on) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
}

void StateColorLabel::SetSingleLine(bool on) {
    m_singleLine = on;
    Invalidate();
}

void StateColorLabel::SetFocusRect(bool on) {
    m_focusRect = on;
    Invalidate();
}

void StateColorLabel::SetAlignment(Qt::Alignment horizontal) {
    m_horizontal = horizontal & Qt::AlignHorizontal_Mask;
    Invalidate();
}

bool StateColorLabel::MouseFeedbackOff() const {
    const uint64_t others = uint64_t{ColorRefOf(m_colors[kHover])} +
                            ColorRefOf(m_colors[kPressed]) + ColorRefOf(m_colors[kFixed3]) +
                            ColorRefOf(m_colors[kFixed4]);
    return others == 4 * uint64_t{ColorRefOf(m_colors[kNormal])};
}

QColor StateColorLabel::CurrentColor() const {
    return isEnabled() ? m_colors[m_state] : m_colors[kFixed4];
}

const StateColorLabelLayout& StateColorLabel::Layout() {
    if (!m_layout || m_layout->size != size()) {
        m_layout = LayoutStateColorLabel(m_text, font(), size(), m_horizontal, m_singleLine);
        m_layout->color = CurrentColor();
        m_layout->focusRect = m_focusRect && isEnabled() && m_state == kHover;
    }
    return *m_layout;
}

void StateColorLabel::Invalidate() {
    m_layout.reset();
    CachedControl::Invalidate();
}

void StateColorLabel::ChangeState(int state) {
    if (state != m_state) {
        m_state = state;
        Invalidate();
    }
}

void StateColorLabel::Render(QImage& target) {
    const StateColorLabelLayout& layout = Layout();
    QPainter painter(&target);
    painter.setFont(layout.font);
    painter.setPen(layout.color);
    for (const StateColorLabelLayout::Line& line : layout.lines) {
        painter.drawText(line.rect, line.flags, line.text);
    }
    if (layout.focusRect) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

// The disabled colour is part of the look; font, palette and style the base handles.
void StateColorLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        Invalidate();
    }
    CachedControl::changeEvent(event);
}

void StateColorLabel::enterEvent(QEnterEvent* event) {
    if (!MouseFeedbackOff() && isEnabled() && m_state != kFixed3 && m_state != kFixed4) {
        ChangeState(kHover);
    }
    QWidget::enterEvent(event);
}

void StateColorLabel::leaveEvent(QEvent* event) {
    if (!MouseFeedbackOff() && isEnabled() && m_state != kFixed3 && m_state != kFixed4) {
        ChangeState(kNormal);
    }
    QWidget::leaveEvent(event);
}

void StateColorLabel::mousePressEvent(QMouseEvent* event) {
    const bool button = event->button() == Qt::LeftButton || event->button() == Qt::RightButton;
    if (button && !MouseFeedbackOff() && isEnabled() && m_state != kFixed4) {
        ChangeState(kPressed);
    }
    QWidget::mousePressEvent(event);
}

void StateColorLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool button = event->button() == Qt::LeftButton || event->button() == Qt::RightButton;
    if (button && !MouseFeedbackOff() && isEnabled() && m_state != kFixed3 && m_state != kFixed4) {
        ChangeState(kNormal);
    }
    QWidget::mouseReleaseEvent(event);
}
