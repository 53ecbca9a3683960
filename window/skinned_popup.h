#pragma once

#include "controls/skin_picture.h"
#include "window/dialog_window.h"

// The base of the small pop-up dialogs: 260 by 144 pixels, no window frame, drawn from a
// picture. They run modally over their parent (DoModal) and have a window only then. Each
// appears centred over the main window, as a transient child of it (ShowOver).
class SkinnedPopup : public DialogWindow {
    Q_OBJECT

public:
    static constexpr int kWidth = 260;
    static constexpr int kHeight = 144;

    SkinnedPopup(int backgroundId, QWidget* parent);

protected:
    // Loads the picture and places the dialog. Dialogs that override it call it first.
    void OnInitDialog() override;
    // Paints the picture. Dialogs that paint more call it first.
    void paintEvent(QPaintEvent* event) override;

private:
    int m_backgroundId;
    SkinPicture m_background;
};
