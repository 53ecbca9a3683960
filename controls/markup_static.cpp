#include "controls/markup_static.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>

#include "controls/link_target.h"

namespace {

// System colour indices of the window background and the window text.
constexpr ColorRef kWindowColor = kSystemColorFlag | 5;
constexpr ColorRef kWindowTextColor = kSystemColorFlag | 8;

CMarkupStatic::UrlOpener& DefaultOpener() {
    static CMarkupStatic::UrlOpener opener;
    return opener;
}

}  // namespace

CMarkupStatic::CMarkupStatic(QWidget* parent)
    : CCachedControl(parent), textColor_(kWindowTextColor), backgroundColor_(kWindowColor) {
    setMouseTracking(true);
}

void CMarkupStatic::SetDefaultUrlOpener(UrlOpener opener) {
    DefaultOpener() = std::move(opener);
}

void CMarkupStatic::SetWindowText(const std::wstring& text) {
    if (text != text_) {
        text_ = text;
        Invalidate();
    }
}

void CMarkupStatic::ResetLook() {
    SetOverLink(false);
    pressedLink_ = -1;
    Invalidate();
}

QColor CMarkupStatic::SetBkColor(const QColor& color) {
    const QColor previous = ResolveColorRef(backgroundColor_, palette());
    backgroundColor_ = ColorRefFromQColor(color);
    Invalidate();
    return previous;
}

QColor CMarkupStatic::SetBkColor(const std::wstring& colorText) {
    const QColor previous = ResolveColorRef(backgroundColor_, palette());
    backgroundColor_ = CColorNames::FromText(colorText);
    Invalidate();
    return previous;
}

QColor CMarkupStatic::SetTextColor(const QColor& color) {
    const QColor previous = ResolveColorRef(textColor_, palette());
    textColor_ = ColorRefFromQColor(color);
    Invalidate();
    return previous;
}

QColor CMarkupStatic::SetTextColor(const std::wstring& colorText) {
    const QColor previous = ResolveColorRef(textColor_, palette());
    textColor_ = CColorNames::FromText(colorText);
    Invalidate();
    return previous;
}

void CMarkupStatic::SetTransparent(bool transparent) {
    if (transparent != transparent_) {
        transparent_ = transparent;
        Invalidate();
    }
}

void CMarkupStatic::SetMargins(int left, int right) {
    leftMargin_ = left;
    rightMargin_ = right;
    Invalidate();
}

void CMarkupStatic::SetCustomFont(const QFont& font) {
    customFont_ = font;
    Invalidate();
}

const MarkupLayout& CMarkupStatic::Layout() {
    if (!layout_ || layout_->client != rect()) {
        MarkupStyle style;
        style.font = customFont_.value_or(font());
        style.textColor = textColor_;
        style.backgroundColor = backgroundColor_;
        style.palette = palette();
        style.transparent = transparent_;
        style.client = rect();
        style.leftMargin = leftMargin_;
        style.rightMargin = rightMargin_;
        layout_ = LayoutMarkup(text_, style);
    }
    return *layout_;
}

std::vector<QRect> CMarkupStatic::LinkRects() {
    std::vector<QRect> rects;
    for (const MarkupLayout::Link& link : Layout().links) {
        rects.push_back(link.rect);
    }
    return rects;
}

bool CMarkupStatic::OpenLink(const std::wstring& target) {
    const std::optional<QUrl> url = SafeLinkUrl(target);
    if (!url) {
        return false;
    }
    if (opener_) {
        return opener_(*url);
    }
    if (DefaultOpener()) {
        return DefaultOpener()(*url);
    }
    return QDesktopServices::openUrl(*url);
}

void CMarkupStatic::Invalidate() {
    layout_.reset();
    CCachedControl::Invalidate();
}

int CMarkupStatic::LinkAt(QPoint point) {
    const std::vector<MarkupLayout::Link>& links = Layout().links;
    for (size_t i = 0; i < links.size(); ++i) {
        if (links[i].rect.contains(point)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CMarkupStatic::SetOverLink(bool over) {
    if (over == overLink_) {
        return;
    }
    overLink_ = over;
    if (over) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
}

void CMarkupStatic::Render(QImage& target) {
    QPainter painter(&target);
    RenderMarkup(Layout(), painter);
}

void CMarkupStatic::mouseMoveEvent(QMouseEvent* event) {
    SetOverLink(LinkAt(event->position().toPoint()) >= 0);
    QWidget::mouseMoveEvent(event);
}

void CMarkupStatic::mousePressEvent(QMouseEvent* event) {
    pressedLink_ = event->button() == Qt::LeftButton ? LinkAt(event->position().toPoint()) : -1;
    QWidget::mousePressEvent(event);
}

// A link opens when the left button is pressed and released on the same link.
void CMarkupStatic::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = pressedLink_;
    pressedLink_ = -1;
    if (event->button() == Qt::LeftButton && pressed >= 0 &&
        pressed == LinkAt(event->position().toPoint())) {
        const std::wstring target = Layout().links[static_cast<size_t>(pressed)].target;
        const bool opened = OpenLink(target);
        emit linkActivated(QString::fromStdWString(target), opened);
    }
    QWidget::mouseReleaseEvent(event);
}

void CMarkupStatic::leaveEvent(QEvent* event) {
    SetOverLink(false);
    QWidget::leaveEvent(event);
}
