#pragma once

#include <QAccessible>
#include <QWidget>

#include "controls/skin_picture.h"

// A button drawn from three skin pictures: normal, hover (while the mouse rests on it)
// and disabled. It always shows the hand cursor and reports a left click, a press of
// Space while it has the keyboard focus, or the press action of assistive technology to
// its owner as clicked(controlId). The menu entries and the Minimize, Close and OK
// buttons are PictureButtons.
//
// It is a push button to assistive technology unless given another role: the menu
// entries are page tabs, the entry of the page shown being the selected one.
class PictureButton : public QWidget {
    Q_OBJECT

public:
    enum class Look { kNormal, kHover, kDisabled };

    explicit PictureButton(int controlId = 0, QWidget* parent = nullptr);

    // Loads the three pictures (the same id may serve several states) and forgets any
    // hover state. Pages call it after placing the button.
    void SetImages(int normalId, int hoverId, int disabledId);

    int ControlId() const { return m_controlId; }
    bool IsHovered() const { return m_hovered; }

    // Reports a click, as a press and release on an enabled button would.
    void Click();

    void SetAccessibleRole(QAccessible::Role role) { m_accessibleRole = role; }
    QAccessible::Role AccessibleRole() const { return m_accessibleRole; }
    // Whether the button stands for what is selected now (the page shown).
    void SetSelected(bool selected) { m_selected = selected; }
    bool IsSelected() const { return m_selected; }

    // The picture the button shows now: disabled wins over hover.
    Look CurrentLook() const;
    const SkinPicture& PictureFor(Look look) const;

signals:
    void clicked(int controlId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int m_controlId;
    bool m_hovered = false;
    bool m_pressed = false;
    bool m_spacePressed = false;
    QAccessible::Role m_accessibleRole = QAccessible::Button;
    bool m_selected = false;
    SkinPicture m_normal;
    SkinPicture m_hover;
    SkinPicture m_disabled;
};
