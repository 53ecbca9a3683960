#include "window/focus_mark.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProxyStyle>

#include <algorithm>

#include "controls/markup_label.h"
#include "controls/skin_images.h"
#include "window/dialog_window.h"

namespace {

class RingStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_FocusFrameHMargin || metric == PM_FocusFrameVMargin) {
            return kFocusRingWidth;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
    // Above the neighbours too: the menu entries touch one another.
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_FocusFrame_AboveWidget) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QPointer<FocusMark>& Mark() {
    static QPointer<FocusMark> mark;
    return mark;
}

// Shared by every mark and owned by the application, which outlives them.
QProxyStyle* Style() {
    static QPointer<QProxyStyle> style;
    if (style == nullptr) {
        style = new RingStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

// The control to mark for a focus on `focused`: the child of one of our dialogs that holds
// it; null when the focus is not in one of ours (a file dialog, a drop-down list).
QWidget* ControlOf(QWidget* focused) {
    for (QWidget* w = focused; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
        if (qobject_cast<DialogWindow*>(w->parentWidget()) != nullptr) {
            return w;
        }
    }
    return nullptr;
}

// The part of `frame` (which lies around `control`) that the ring goes round. A value
// label's rectangle may be taller than the rows of its page are apart; around the whole of
// it the ring would run through the next row's text, so it goes round the label's lines.
QRect RingRect(const QRect& frame, QWidget* control) {
    auto* label = qobject_cast<MarkupLabel*>(control);
    if (label == nullptr) {
        return frame;
    }
    int textBottom = label->fontMetrics().height();
    for (const MarkupLayout::Text& text : label->Layout().texts) {
        textBottom = std::max(textBottom, text.box.bottom() + 1);
    }
    QRect ring = frame;
    ring.setHeight(std::min(frame.height(), textBottom + 2 * kFocusRingWidth));
    return ring;
}

void Follow(QWidget* focused) {
    QWidget* control = focused != nullptr ? ControlOf(focused) : nullptr;
    if (control == nullptr) {
        if (Mark() != nullptr) {
            Mark()->setWidget(nullptr);
        }
        return;
    }
    if (Mark() == nullptr) {
        // Its parent is the marked control's; it goes when that goes.
        Mark() = new FocusMark(control->parentWidget());
    }
    Mark()->setWidget(control);
}

}  // namespace

void FocusMark::InstallOnce() {
    static QPointer<QApplication> installedOn;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr || installedOn == app) {
        return;
    }
    installedOn = app;
    QObject::connect(app, &QApplication::focusChanged, app,
                     [](QWidget* /*old*/, QWidget* now) { Follow(now); });
}

FocusMark* FocusMark::Current() {
    return Mark();
}

FocusMark::FocusMark(QWidget* parent) : QFocusFrame(parent) {
    setStyle(Style());
}

void FocusMark::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QPixmap ring = QPixmap::fromImage(LoadSkinImage(kFocusRingImageId));
    const QMargins edges(kFocusRingWidth, kFocusRingWidth, kFocusRingWidth, kFocusRingWidth);
    qDrawBorderPixmap(&painter, RingRect(rect(), widget()), edges, ring);
}
