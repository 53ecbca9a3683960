#include "controls/ctl_button.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>

#include <algorithm>

CCTLButton::CCTLButton(QWidget* parent)
    : QRadioButton(parent),
      m_textColor(palette().color(QPalette::WindowText)),
      m_backgroundColor(palette().color(QPalette::Base)) {
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::toggled, this, [this] { UpdateGroupTabStops(); });
}

std::vector<CCTLButton*> CCTLButton::Group() const {
    std::vector<CCTLButton*> group;
    if (parentWidget() == nullptr) {
        return group;
    }
    for (CCTLButton* button :
         parentWidget()->findChildren<CCTLButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        group.push_back(button);
    }
    std::sort(group.begin(), group.end(), [](const CCTLButton* a, const CCTLButton* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    return group;
}

void CCTLButton::UpdateGroupTabStops() {
    const std::vector<CCTLButton*> group = Group();
    const bool anyChecked =
        std::any_of(group.begin(), group.end(), [](const CCTLButton* b) { return b->isChecked(); });
    for (CCTLButton* button : group) {
        button->setFocusPolicy(!anyChecked || button->isChecked() ? Qt::StrongFocus
                                                                  : Qt::ClickFocus);
    }
}

void CCTLButton::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            step = -1;
            break;
        case Qt::Key_Down:
        case Qt::Key_Right:
            step = 1;
            break;
        default:
            QRadioButton::keyPressEvent(event);
            return;
    }
    std::vector<CCTLButton*> group = Group();
    std::erase_if(group, [this](const CCTLButton* b) { return b != this && !b->isEnabled(); });
    const auto self = std::find(group.begin(), group.end(), this);
    if (group.size() > 1 && self != group.end()) {
        const auto size = static_cast<std::ptrdiff_t>(group.size());
        const std::ptrdiff_t next = ((self - group.begin()) + step + size) % size;
        CCTLButton* target = group[static_cast<size_t>(next)];
        target->setFocus(Qt::TabFocusReason);
        target->click();
    }
    event->accept();
}

void CCTLButton::SetCaption(const std::wstring& text) {
    const QString caption = QString::fromStdWString(text);
    if (caption != this->text()) {
        setText(caption);  // a transparent button repaints the parent under it as well
    }
}

void CCTLButton::SetTextColor(const QColor& color) {
    m_textColor = color;
    update();
}

void CCTLButton::SetBkColor(const QColor& color) {
    m_backgroundColor = color;
    update();
}

void CCTLButton::SetTransparent(bool transparent) {
    m_transparent = transparent;
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
    key.textColor = m_textColor;
    key.backgroundColor = m_backgroundColor;
    key.transparent = m_transparent;
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
    if (!m_transparent) {
        painter.fillRect(rect(), m_backgroundColor);
    }
    QStyleOptionButton option;
    initStyleOption(&option);
    option.palette.setColor(QPalette::WindowText, m_textColor);
    option.palette.setColor(QPalette::ButtonText, m_textColor);
    style()->drawControl(QStyle::CE_RadioButton, &option, &painter, this);
}

void CCTLButton::paintEvent(QPaintEvent*) {
    const RenderKey key = CurrentKey();
    if (!(key == m_renderedKey)) {
        m_cache.Invalidate();
        m_renderedKey = key;
    }
    const QImage& picture =
        m_cache.Get(size(), devicePixelRatioF(), [this](QImage& target) { Render(target); });
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture);
}
