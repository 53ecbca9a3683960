#pragma once

#include <QString>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "controls/skin_picture.h"
#include "resources/layout_rect.h"
#include "resources/string_table.h"
#include "window/dialog_window.h"
#include "window/page_navigation.h"

class PictureButton;
class QPushButton;
class TransparentLabel;

// What sets one page's common skin apart from another's: its picture, the ids of its
// controls and which menu entry is its own.
struct PageSkin {
    int backgroundId;    // the page picture
    int firstMenuId;     // control id of "Locate"; the other six entries follow in menu order
    int closeId;         // control id of Close
    int minimizeId;      // control id of Minimize
    MenuEntry ownEntry;  // shown with its current-page picture
    int titleId;         // string: the page's title, its accessible name
    // Control ids of the labels with the selected device's MAC and IP address (0: the page
    // has none).
    int macLabelId = 0;
    int ipLabelId = 0;
    // False on the search page: there the menu is only a picture, its entries lead nowhere
    // and all but the page's own are disabled.
    bool menuNavigates = true;
};

// The base of every page: a child dialog over the whole main window that paints its page
// picture and carries the skin all pages share: the seven menu entries (each page's own
// with its current-page picture), Close and Minimize at the top right, and on the wizard's
// pages the selected device's MAC and IP address at the bottom left. The controls sit at
// the shared layout rectangles, so every page lines up with the others; the top band drags
// the main window (DialogWindow).
//
// A menu entry shows its page through the page navigation the page stands in
// (NavigationOf); Close ends the program, Minimize minimizes the main window.
//
// What every page does, the base does: it names controls from the string table, lays the
// page out when it is created and again at every show (the skin, then the page's LayOut),
// stops the page's timers when it is hidden, and turns caption areas of the page picture
// into click areas with the hand cursor. A page adds its controls in its constructor
// (NameControl), places them in LayOut and does what a show starts in OnShown.
//
// The keyboard reaches every control. Tab and Shift+Tab go in reading order: Minimize and
// Close, the menu, the device labels, then the page's own controls row by row, left to
// right, as the layout placed them. The arrow keys move within the menu, whose entries are
// page tabs to assistive technology (the page's own one selected); Space activates. A page
// that is shown puts the keyboard focus on its first control of its own, or, when it was
// opened from the menu, on its own menu entry.
class SkinnedPage : public DialogWindow {
    Q_OBJECT

public:
    SkinnedPage(const PageSkin& skin, QWidget* parent);

    const PageSkin& Skin() const { return m_skin; }
    PictureButton* MenuItem(MenuEntry entry) const { return m_menu.at(static_cast<size_t>(entry)); }
    PictureButton* CloseControl() const { return m_close; }
    PictureButton* MinimizeControl() const { return m_minimize; }
    // Null on a page without device labels.
    TransparentLabel* MacLabel() const { return m_macLabel; }
    TransparentLabel* IpLabel() const { return m_ipLabel; }

    // Text `stringId` of the string table.
    static QString Text(int stringId);
    // Names a control: its control id (the object name that tests and tools find it by),
    // and its accessible name and description (0: none) from the string table.
    static void NameControl(QWidget* control, int controlId, int nameId, int descriptionId = 0);
    // A push button of the page showing text `textId`, named by the same text (NameControl).
    QPushButton* AddButton(int controlId, int textId, int descriptionId = 0);

protected:
    struct DeviceCaptions {
        std::wstring mac;
        std::wstring ip;
    };
    // The texts of the two device labels. The page layer knows no device: the wizard's
    // pages give the selected one.
    virtual DeviceCaptions SelectedDeviceCaptions() const { return {}; }

    // The page's own layout: places its controls and resets what every show starts from.
    // The base runs it after the skin's when the page is created and at every show.
    virtual void LayOut() {}
    // What a show starts, after the layout.
    virtual void OnShown() {}

    // A part of the page picture (a caption) that acts like a control: a press of any
    // mouse button in it runs `onPress` (nothing when empty), and the mouse over it shows
    // the hand. Pages set their areas in LayOut.
    struct CaptionArea {
        PageArea area;
        std::function<void()> onPress;
    };
    void SetCaptionAreas(std::vector<CaptionArea> areas) { m_captionAreas = std::move(areas); }
    const std::vector<CaptionArea>& CaptionAreas() const { return m_captionAreas; }

    // Paints the page picture; pages that paint more call it first.
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnInitDialog() final;
    void OnShowWindow(bool show) final;
    // Places the skin's controls at their rectangles, gives them their pictures (decoded
    // pictures are shared, so this is cheap) and fills the device labels.
    void LayOutSkin();
    void OnMenuEntry(MenuEntry entry);
    const CaptionArea* CaptionAreaAt(QPoint point) const;
    // The page's own controls that take the keyboard focus, in reading order.
    std::vector<QWidget*> OwnControlsInReadingOrder() const;
    // The skin's controls, then the page's own, in reading order.
    std::vector<QWidget*> ReadingOrder() const;
    // Chains the skin's and the page's controls for Tab in reading order.
    void ApplyTabOrder();
    // Gives the focus to the page's first control that takes it from Tab.
    void FocusFirstControl();

    PageSkin m_skin;
    SkinPicture m_background;
    std::array<PictureButton*, kMenuEntryCount> m_menu{};
    PictureButton* m_close;
    PictureButton* m_minimize;
    TransparentLabel* m_macLabel = nullptr;
    TransparentLabel* m_ipLabel = nullptr;
    std::vector<CaptionArea> m_captionAreas;
};
