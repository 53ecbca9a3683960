#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/cached_control.h"
#include "controls/color_names.h"
#include "controls/markup_layout.h"

// A static text that renders a small HTML subset: <B> <I> <U> <STRIKE> <CENTER> <SUB>
// <SUP> <BIG> <SMALL> <FONT COLOR= BGCOLOR= FACE= SIZE=> <CODE> <A HREF=> <HR SIZE=> <BR>
// and a fixed set of character entities, word-wrapped. Value labels of the wizard pages,
// the message box and the progress dialog use it; their texts come partly from the
// device's pages, so links open only when they are http, https or mailto addresses.
//
// The text is laid out and rendered off-screen once; repaints copy that picture until
// the text, size, font, colours or look change.
class CMarkupStatic : public CCachedControl {
    Q_OBJECT

public:
    // Opens a link target; returns whether it was opened.
    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit CMarkupStatic(QWidget* parent = nullptr);

    void SetWindowText(const std::wstring& text);
    std::wstring WindowText() const { return text_; }

    // Renders again at the next paint from the base font and colours. Pages call it
    // before they set a new text.
    void ResetLook();

    // Colours by value or by colour text (see CColorNames); each returns the previous
    // colour. At construction the text is the palette's text colour on its base colour.
    QColor SetBkColor(const QColor& color);
    QColor SetBkColor(const std::wstring& colorText);
    QColor SetTextColor(const QColor& color);
    QColor SetTextColor(const std::wstring& colorText);

    // Transparent: the parent shows through instead of the background colour.
    void SetTransparent(bool transparent);
    bool IsTransparent() const { return transparent_; }
    void SetMargins(int left, int right);
    // A font of its own instead of the widget's font.
    void SetCustomFont(const QFont& font);

    const MarkupLayout& Layout();
    std::vector<QRect> LinkRects();

    // Opens a link target when it is a safe web or mail address (see link_target.h);
    // "APP:" commands and everything else are refused. Returns whether it was opened.
    bool OpenLink(const std::wstring& target);

    // Replaces QDesktopServices::openUrl for this control, or for every control that has
    // none of its own.
    void SetUrlOpener(UrlOpener opener) { opener_ = std::move(opener); }
    static void SetDefaultUrlOpener(UrlOpener opener);

signals:
    // A link was clicked; `opened` tells whether it was opened.
    void linkActivated(const QString& target, bool opened);

protected:
    void Render(QImage& target) override;
    void Invalidate() override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int LinkAt(QPoint point);
    void SetOverLink(bool over);

    std::wstring text_;
    ColorRef textColor_;
    ColorRef backgroundColor_;
    bool transparent_ = false;
    int leftMargin_ = 0;
    int rightMargin_ = 0;
    std::optional<QFont> customFont_;
    std::optional<MarkupLayout> layout_;
    bool overLink_ = false;
    int pressedLink_ = -1;
    UrlOpener opener_;
};
