#include "controls/picture_button.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/accessible_controls.h"

PictureButton::PictureButton(int controlId, QWidget* parent)
    : QWidget(parent), m_controlId(controlId) {
    InstallAccessibleControls();
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void PictureButton::Click() {
    if (isEnabled()) {
        emit clicked(m_controlId);
    }
}

void PictureButton::SetImages(int normalId, int hoverId, int disabledId) {
    m_normal.Load(normalId);
    m_hover.Load(hoverId);
    m_disabled.Load(disabledId);
    m_hovered = false;
    m_pressed = false;
    update();
}

PictureButton::Look PictureButton::CurrentLook() const {
    if (!isEnabled()) {
        return Look::kDisabled;
    }
    return m_hovered ? Look::kHover : Look::kNormal;
}

const SkinPicture& PictureButton::PictureFor(Look look) const {
    switch (look) {
        case Look::kHover:
            return m_hover;
        case Look::kDisabled:
            return m_disabled;
        case Look::kNormal:
            break;
    }
    return m_normal;
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PictureFor(CurrentLook()).Draw(painter);
}

// Qt delivers enter and leave to disabled widgets too, so the hover flag follows the
// mouse either way; the disabled picture still wins while disabled.
void PictureButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    m_pressed = false;
    update();
    QWidget::leaveEvent(event);
}

void PictureButton::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

// A click counts when the left button is released over the button it was pressed on,
// so a press that is dragged away can still be abandoned.
void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    QWidget::mouseReleaseEvent(event);
    if (click) {
        emit clicked(m_controlId);
    }
}

// Space works as on any button: down on the press, the click on the release.
void PictureButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        m_spacePressed = true;
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PictureButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && m_spacePressed) {
        m_spacePressed = false;
        event->accept();
        Click();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void PictureButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        m_pressed = false;
        m_spacePressed = false;
        update();
    }
    QWidget::changeEvent(event);
}
