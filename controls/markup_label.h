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
class MarkupLabel : public CachedControl {
    Q_OBJECT

public:
    // Opens a link target; returns whether it was opened.
    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit MarkupLabel(QWidget* parent = nullptr);

    void SetWindowText(const std::wstring& text);
    std::wstring WindowText() const { return m_text; }
    // The text without its markup.
    QString AccessibleText() const override;

    // Renders again at the next paint from the base font and colours. Pages call it
    // before they set a new text.
    void ResetLook();

    // Colours by value or by colour text (see ColorNames); each returns the previous
    // colour. At construction the text is the palette's text colour on its base colour.
    QColor SetBkColor(const QColor& color);
    QColor SetBkColor(const std::wstring& colorText);
    QColor SetTextColor(const QColor& color);
    QColor SetTextColor(const std::wstring& colorText);

    // Transparent: the parent shows through instead of the background colour.
    void SetTransparent(bool transparent);
    bool IsTransparent() const { return m_transparent; }
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
    void SetUrlOpener(UrlOpener opener) { m_opener = std::move(opener); }
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

    std::wstring m_text;
    ColorRef m_textColor;
    ColorRef m_backgroundColor;
    bool m_transparent = false;
    int m_leftMargin = 0;
    int m_rightMargin = 0;
    std::optional<QFont> m_customFont;
    std::optional<MarkupLayout> m_layout;
    bool m_overLink = false;
    int m_pressedLink = -1;
    UrlOpener m_opener;
};
