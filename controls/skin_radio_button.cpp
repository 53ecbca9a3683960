#include "controls/skin_radio_button.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>

#include <algorithm>

#include "controls/arrow_keys.h"

SkinRadioButton::SkinRadioButton(QWidget* parent)
    : QRadioButton(parent),
      m_textColor(palette().color(QPalette::WindowText)),
      m_backgroundColor(palette().color(QPalette::Base)) {
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::toggled, this, [this] { UpdateGroupTabStops(); });
}

std::vector<SkinRadioButton*> SkinRadioButton::Group() const {
    std::vector<SkinRadioButton*> group;
    if (parentWidget() == nullptr) {
        return group;
    }
    for (SkinRadioButton* button :
         parentWidget()->findChildren<SkinRadioButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        group.push_back(button);
    }
    std::sort(group.begin(), group.end(), [](const SkinRadioButton* a, const SkinRadioButton* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    return group;
}

void SkinRadioButton::UpdateGroupTabStops() {
    const std::vector<SkinRadioButton*> group = Group();
    const bool anyChecked = std::any_of(group.begin(), group.end(),
                                        [](const SkinRadioButton* b) { return b->isChecked(); });
    for (SkinRadioButton* button : group) {
        button->setFocusPolicy(!anyChecked || button->isChecked() ? Qt::StrongFocus
                                                                  : Qt::ClickFocus);
    }
}

void SkinRadioButton::keyPressEvent(QKeyEvent* event) {
    const int step = ArrowStep(event->key());
    if (step == 0) {
        QRadioButton::keyPressEvent(event);
        return;
    }
    const std::vector<SkinRadioButton*> buttons = Group();
    const std::vector<QWidget*> group(buttons.begin(), buttons.end());
    if (auto* next = static_cast<SkinRadioButton*>(NextEnabledInRing(group, this, step))) {
        next->setFocus(Qt::TabFocusReason);
        next->click();
    }
    event->accept();
}

void SkinRadioButton::SetCaption(const std::wstring& text) {
    const QString caption = QString::fromStdWString(text);
    if (caption != this->text()) {
        setText(caption);  // a transparent button repaints the parent under it as well
    }
}

void SkinRadioButton::SetTextColor(const QColor& color) {
    m_textColor = color;
    update();
}

void SkinRadioButton::SetBkColor(const QColor& color) {
    m_backgroundColor = color;
    update();
}

void SkinRadioButton::SetTransparent(bool transparent) {
    m_transparent = transparent;
    update();
}

void SkinRadioButton::SetCheck(bool checked) {
    const bool exclusive = autoExclusive();
    setAutoExclusive(false);
    setChecked(checked);
    setAutoExclusive(exclusive);
}

SkinRadioButton::RenderKey SkinRadioButton::CurrentKey() const {
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

void SkinRadioButton::Render(QImage& target) {
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

void SkinRadioButton::paintEvent(QPaintEvent*) {
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
