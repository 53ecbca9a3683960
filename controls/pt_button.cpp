#include "controls/pt_button.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

CPTButton::CPTButton(int controlId, QWidget* parent) : QWidget(parent), controlId_(controlId) {
    setCursor(Qt::PointingHandCursor);
}

void CPTButton::SetImages(int normalId, int hoverId, int disabledId) {
    normal_.Load(normalId);
    hover_.Load(hoverId);
    disabled_.Load(disabledId);
    hovered_ = false;
    pressed_ = false;
    update();
}

CPTButton::Look CPTButton::CurrentLook() const {
    if (!isEnabled()) {
        return Look::kDisabled;
    }
    return hovered_ ? Look::kHover : Look::kNormal;
}

const CPTPicture& CPTButton::PictureFor(Look look) const {
    switch (look) {
        case Look::kHover:
            return hover_;
        case Look::kDisabled:
            return disabled_;
        case Look::kNormal:
            break;
    }
    return normal_;
}

void CPTButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PictureFor(CurrentLook()).Draw(painter);
}

// Qt delivers enter and leave to disabled widgets too, so the hover flag follows the
// mouse either way; the disabled picture still wins while disabled.
void CPTButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void CPTButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    pressed_ = false;
    update();
    QWidget::leaveEvent(event);
}

void CPTButton::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

// A click counts when the left button is released over the button it was pressed on,
// so a press that is dragged away can still be abandoned.
void CPTButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    QWidget::mouseReleaseEvent(event);
    if (click) {
        emit clicked(controlId_);
    }
}

void CPTButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        pressed_ = false;
        update();
    }
    QWidget::changeEvent(event);
}
