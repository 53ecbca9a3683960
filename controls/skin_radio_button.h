#pragma once

#include <QColor>
#include <QRadioButton>
#include <string>
#include <vector>

#include "controls/render_cache.h"

// The radio button of the wizard pages: drawn in colours of its own (by default the
// palette's text on its base colour, opaque, so it stands on a plain patch rather than on
// the page picture) and showing the hand cursor. Its caption is usually emptied, the
// visible caption being part of the page picture.
//
// The radio buttons of one parent form a group for the keyboard: Tab stops at the
// checked one only (at every one while none is checked), and the arrow keys move to the
// next or previous button of the group, in reading order, and select it.
class SkinRadioButton : public QRadioButton {
    Q_OBJECT

public:
    explicit SkinRadioButton(QWidget* parent = nullptr);

    // Sets the caption when it differs from the one shown; otherwise does nothing.
    void SetCaption(const std::wstring& text);

    void SetTextColor(const QColor& color);
    void SetBkColor(const QColor& color);
    void SetTransparent(bool transparent);
    bool IsTransparent() const { return m_transparent; }

    // Sets the check mark of this button alone, without touching the other buttons of
    // its group, the way a page sets both buttons of a pair one after the other. A click
    // by the user still checks one button of the group and clears the others.
    void SetCheck(bool checked);
    bool GetCheck() const { return isChecked(); }

    int RenderCount() const { return m_cache.RenderCount(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Everything the picture depends on; a different key renders again.
    struct RenderKey {
        QSize size;
        QString text;
        QColor textColor, backgroundColor;
        bool transparent = false, checked = false, down = false, hovered = false, enabled = false,
             focused = false;
        qint64 paletteKey = 0;
        QString fontKey;
        bool operator==(const RenderKey&) const = default;
    };
    RenderKey CurrentKey() const;
    void Render(QImage& target);
    // The radio buttons of this one's group (its parent's), in reading order.
    std::vector<SkinRadioButton*> Group() const;
    // Tab reaches the checked button of the group alone.
    void UpdateGroupTabStops();

    QColor m_textColor;
    QColor m_backgroundColor;
    bool m_transparent = false;
    RenderKey m_renderedKey;
    RenderCache m_cache;
};
