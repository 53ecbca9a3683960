#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include "controls/render_cache.h"

// A control whose paint event only copies an off-screen picture made by Render(). What
// changes the look calls Invalidate(); a change of font, palette or style does so itself.
//
// The text controls among them tell assistive technology what they show as plain text
// (AccessibleText) and announce every change of it (AnnounceTextChange): a screen reader
// then reads a new value the moment it appears.
class CachedControl : public QWidget {
public:
    explicit CachedControl(QWidget* parent);

    // How many times the picture was rendered, for checks that repaints reuse it.
    int RenderCount() const { return m_cache.RenderCount(); }

    // The text the control shows, as assistive technology reads it.
    virtual QString AccessibleText() const = 0;

protected:
    // Paints the whole look into `target`, a transparent image of the control's size.
    virtual void Render(QImage& target) = 0;
    // Drops the picture and schedules a repaint; controls that keep a layout drop it too.
    virtual void Invalidate();
    // Tells assistive technology that the text changed from `before` to AccessibleText().
    void AnnounceTextChange(const QString& before);

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    RenderCache m_cache;
};
