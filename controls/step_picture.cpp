#include "controls/step_picture.h"

#include <QAccessible>
#include <QPainter>

#include "controls/accessible_controls.h"
#include "controls/skin_images.h"

StepPicture::StepPicture(QWidget* parent) : QWidget(parent) {
    InstallAccessibleControls();
}

void StepPicture::ShowStep(int step) {
    m_image = LoadSkinImage(ProgressStepImageId(step));
    const int shown = step >= 0 && step < kFinished ? step : kFinished;
    if (shown != m_step) {
        m_step = shown;
        QAccessibleValueChangeEvent changed(this, m_step);
        Announce(changed);
    }
    repaint();
}

void StepPicture::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_image);
}
