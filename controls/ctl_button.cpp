#include "controls/ctl_button.h"

#include <QPainter>
#include <QStyleOptionButton>

CCTLButton::CCTLButton(QWidget* parent)
    : QRadioButton(parent),
      textColor_(palette().color(QPalette::WindowText)),
      backgroundColor_(palette().color(QPalette::Base)) {
    setCursor(Qt::PointingHandCursor);
}

void CCTLButton::SetCaption(const std::wstring& text) {
    const QString caption = QString::fromStdWString(text);
    if (caption != this->text()) {
        setText(caption);  // a transparent button repaints the parent under it as well
    }
}

void CCTLButton::SetTextColor(const QColor& color) {
    textColor_ = color;
    update();
}

void CCTLButton::SetBkColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

void CCTLButton::SetTransparent(bool transparent) {
    transparent_ = transparent;
    update();
}

void CCTLButton::SetCheck(bool checked) {
    const bool exclusive = autoExclusive();
    setAutoExclusive(false);
    setChecked(checked);
    setAutoExclusive(exclusive);
}

CCTLButton::RenderKey CCTLButton::CurrentKey() const {
    RenderKey key;
    key.size = size();
    key.text = text();
    key.textColor = textColor_;
    key.backgroundColor = backgroundColor_;
    key.transparent = transparent_;
    key.checked = isChecked();
    key.down = isDown();
    key.hovered = underMouse();
    key.enabled = isEnabled();
    key.focused = hasFocus();
    key.paletteKey = palette().cacheKey();
    key.fontKey = font().key();
    return key;
}

void CCTLButton::Render(QImage& target) {
    QPainter painter(&target);
    if (!transparent_) {
        painter.fillRect(rect(), backgroundColor_);
    }
    QStyleOptionButton option;
    initStyleOption(&option);
    option.palette.setColor(QPalette::WindowText, textColor_);
    option.palette.setColor(QPalette::ButtonText, textColor_);
    style()->drawControl(QStyle::CE_RadioButton, &option, &painter, this);
}

void CCTLButton::paintEvent(QPaintEvent*) {
    const RenderKey key = CurrentKey();
    if (!(key == renderedKey_)) {
        cache_.Invalidate();
        renderedKey_ = key;
    }
    const QImage& picture =
        cache_.Get(size(), devicePixelRatioF(), [this](QImage& target) { Render(target); });
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture);
}
