#include "controls/markup_label.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>

#include "controls/link_target.h"
#include "text/markup_parser.h"

namespace {

// System colour indices of the window background and the window text.
constexpr ColorRef kWindowColor = kSystemColorFlag | 5;
constexpr ColorRef kWindowTextColor = kSystemColorFlag | 8;

MarkupLabel::UrlOpener& DefaultOpener() {
    static MarkupLabel::UrlOpener opener;
    return opener;
}

}  // namespace

MarkupLabel::MarkupLabel(QWidget* parent)
    : CachedControl(parent), m_textColor(kWindowTextColor), m_backgroundColor(kWindowColor) {
    setMouseTracking(true);
}

void MarkupLabel::SetDefaultUrlOpener(UrlOpener opener) {
    DefaultOpener() = std::move(opener);
}

void MarkupLabel::SetWindowText(const std::wstring& text) {
    if (text != m_text) {
        const QString before = AccessibleText();
        m_text = text;
        Invalidate();
        AnnounceTextChange(before);
    }
}

QString MarkupLabel::AccessibleText() const {
    return QString::fromStdWString(MarkupPlainText(m_text));
}

void MarkupLabel::ResetLook() {
    SetOverLink(false);
    m_pressedLink = -1;
    Invalidate();
}

QColor MarkupLabel::SetBkColor(const QColor& color) {
    const QColor previous = ResolveColorRef(m_backgroundColor, palette());
    m_backgroundColor = ColorRefFromQColor(color);
    Invalidate();
    return previous;
}

QColor MarkupLabel::SetBkColor(const std::wstring& colorText) {
    const QColor previous = ResolveColorRef(m_backgroundColor, palette());
    m_backgroundColor = ColorNames::FromText(colorText);
    Invalidate();
    return previous;
}

QColor MarkupLabel::SetTextColor(const QColor& color) {
    const QColor previous = ResolveColorRef(m_textColor, palette());
    m_textColor = ColorRefFromQColor(color);
    Invalidate();
    return previous;
}

QColor MarkupLabel::SetTextColor(const std::wstring& colorText) {
    const QColor previous = ResolveColorRef(m_textColor, palette());
    m_textColor = ColorNames::FromText(colorText);
    Invalidate();
    return previous;
}

void MarkupLabel::SetTransparent(bool transparent) {
    if (transparent != m_transparent) {
        m_transparent = transparent;
        Invalidate();
    }
}

void MarkupLabel::SetMargins(int left, int right) {
    m_leftMargin = left;
    m_rightMargin = right;
    Invalidate();
}

void MarkupLabel::SetCustomFont(const QFont& font) {
    m_customFont = font;
    Invalidate();
}

const MarkupLayout& MarkupLabel::Layout() {
    if (!m_layout || m_layout->client != rect()) {
        MarkupStyle style;
        style.font = m_customFont.value_or(font());
        style.textColor = m_textColor;
        style.backgroundColor = m_backgroundColor;
        style.palette = palette();
        style.transparent = m_transparent;
        style.client = rect();
        style.leftMargin = m_leftMargin;
        style.rightMargin = m_rightMargin;
        m_layout = LayoutMarkup(m_text, style);
    }
    return *m_layout;
}

std::vector<QRect> MarkupLabel::LinkRects() {
    std::vector<QRect> rects;
    for (const MarkupLayout::Link& link : Layout().links) {
        rects.push_back(link.rect);
    }
    return rects;
}

bool MarkupLabel::OpenLink(const std::wstring& target) {
    const std::optional<QUrl> url = SafeLinkUrl(target);
    if (!url) {
        return false;
    }
    if (m_opener) {
        return m_opener(*url);
    }
    if (DefaultOpener()) {
        return DefaultOpener()(*url);
    }
    return QDesktopServices::openUrl(*url);
}

void MarkupLabel::Invalidate() {
    m_layout.reset();
    CachedControl::Invalidate();
}

int MarkupLabel::LinkAt(QPoint point) {
    const std::vector<MarkupLayout::Link>& links = Layout().links;
    for (size_t i = 0; i < links.size(); ++i) {
        if (links[i].rect.contains(point)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void MarkupLabel::SetOverLink(bool over) {
    if (over == m_overLink) {
        return;
    }
    m_overLink = over;
    if (over) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
}

void MarkupLabel::Render(QImage& target) {
    QPainter painter(&target);
    RenderMarkup(Layout(), painter);
}

void MarkupLabel::mouseMoveEvent(QMouseEvent* event) {
    SetOverLink(LinkAt(event->position().toPoint()) >= 0);
    QWidget::mouseMoveEvent(event);
}

void MarkupLabel::mousePressEvent(QMouseEvent* event) {
    m_pressedLink = event->button() == Qt::LeftButton ? LinkAt(event->position().toPoint()) : -1;
    QWidget::mousePressEvent(event);
}

// A link opens when the left button is pressed and released on the same link.
void MarkupLabel::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = m_pressedLink;
    m_pressedLink = -1;
    if (event->button() == Qt::LeftButton && pressed >= 0 &&
        pressed == LinkAt(event->position().toPoint())) {
        const std::wstring target = Layout().links[static_cast<size_t>(pressed)].target;
        const bool opened = OpenLink(target);
        emit linkActivated(QString::fromStdWString(target), opened);
    }
    QWidget::mouseReleaseEvent(event);
}

void MarkupLabel::leaveEvent(QEvent* event) {
    SetOverLink(false);
    QWidget::leaveEvent(event);
}
