#include "controls/step_picture.h"

#include <QAccessible>
#include <QPainter>

#include "controls/accessible_controls.h"
#include "controls/skin_images.h"

CStepPicture::CStepPicture(QWidget* parent) : QWidget(parent) {
    InstallAccessibleControls();
}

void CStepPicture::ShowStep(int step) {
    m_image = LoadSkinImage(ProgressStepImageId(step));
    const int shown = step >= 0 && step < kFinished ? step : kFinished;
    if (shown != m_step) {
        m_step = shown;
        QAccessibleValueChangeEvent changed(this, m_step);
        Announce(changed);
    }
    repaint();
}

void CStepPicture::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_image);
}
