#include "controls/cached_control.h"

#include <QAccessible>
#include <QEvent>
#include <QPainter>

#include "controls/accessible_controls.h"

CachedControl::CachedControl(QWidget* parent) : QWidget(parent) {
    InstallAccessibleControls();
}

void CachedControl::Invalidate() {
    m_cache.Invalidate();
    update();
}

void CachedControl::AnnounceTextChange(const QString& before) {
    const QString after = AccessibleText();
    if (after == before) {
        return;
    }
    QAccessibleTextUpdateEvent update(this, 0, before, after);
    Announce(update);
    // A control without a name of its own is named by its text.
    if (accessibleName().isEmpty()) {
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        Announce(renamed);
    }
}

void CachedControl::paintEvent(QPaintEvent*) {
    const QImage& picture =
        m_cache.Get(size(), devicePixelRatioF(), [this](QImage& target) { Render(target); });
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture);
}

void CachedControl::changeEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
            Invalidate();
            break;
        default:
            break;
    }
    QWidget::changeEvent(event);
}
