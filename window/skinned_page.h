#pragma once

#include <array>
#include <string>

#include "controls/pt_picture.h"
#include "window/dialog_window.h"
#include "window/page_navigation.h"

class CPTButton;
class CTransparentStatic;

// What sets one page's common skin apart from another's: its picture, the ids of its
// controls and which menu entry is its own.
struct PageSkin {
    int backgroundId;    // the page picture
    int firstMenuId;     // control id of "Locate"; the other six entries follow in menu order
    int closeId;         // control id of Close
    int minimizeId;      // control id of Minimize
    MenuEntry ownEntry;  // shown with its current-page picture
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
// the main window (CDialogWindow).
//
// A menu entry shows its page (ShowWizardPage) or, for "Locate", the search page
// (ReturnToSearchPage); Close ends the program, Minimize minimizes the main window.
class CSkinnedPage : public CDialogWindow {
    Q_OBJECT

public:
    CSkinnedPage(const PageSkin& skin, QWidget* parent);

    const PageSkin& Skin() const { return m_skin; }
    CPTButton* MenuItem(MenuEntry entry) const { return m_menu.at(static_cast<size_t>(entry)); }
    CPTButton* CloseControl() const { return m_close; }
    CPTButton* MinimizeControl() const { return m_minimize; }
    // Null on a page without device labels.
    CTransparentStatic* MacLabel() const { return m_macLabel; }
    CTransparentStatic* IpLabel() const { return m_ipLabel; }

protected:
    struct DeviceCaptions {
        std::wstring mac;
        std::wstring ip;
    };
    // The texts of the two device labels. The page layer knows no device: the wizard's
    // pages give the selected one.
    virtual DeviceCaptions SelectedDeviceCaptions() const { return {}; }

    // Loads the page picture and lays out the skin. Pages that override it call it first.
    void OnInitDialog() override;
    // Places the skin's controls at their rectangles, gives them their pictures (decoded
    // pictures are shared, so this is cheap) and fills the device labels. Pages whose
    // layout runs again on every show call it again.
    void LayOutSkin();
    // Paints the page picture; pages that paint more call it first.
    void paintEvent(QPaintEvent* event) override;

private:
    void OnMenuEntry(MenuEntry entry);

    PageSkin m_skin;
    CPTPicture m_background;
    std::array<CPTButton*, kMenuEntryCount> m_menu{};
    CPTButton* m_close;
    CPTButton* m_minimize;
    CTransparentStatic* m_macLabel = nullptr;
    CTransparentStatic* m_ipLabel = nullptr;
};
