#pragma once

#include <QImage>
#include <QWidget>

#include "controls/render_cache.h"

// A control whose paint event only copies an off-screen picture made by Render(). What
// changes the look calls Invalidate(); a change of font, palette or style does so itself.
class CCachedControl : public QWidget {
public:
    explicit CCachedControl(QWidget* parent) : QWidget(parent) {}

    // How many times the picture was rendered, for checks that repaints reuse it.
    int RenderCount() const { return m_cache.RenderCount(); }

protected:
    // Paints the whole look into `target`, a transparent image of the control's size.
    virtual void Render(QImage& target) = 0;
    // Drops the picture and schedules a repaint; controls that keep a layout drop it too.
    virtual void Invalidate();

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    RenderCache m_cache;
};
