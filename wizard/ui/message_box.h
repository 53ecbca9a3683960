#pragma once

#include <string>

#include "window/skinned_popup.h"

class MarkupLabel;
class PictureButton;

// The wizard's skinned message box (260 by 144 pixels): one text, usually from the
// string table, and an OK button. It appears centred over the main window, its top band
// drags the main window, and only OK ends it (Enter and Escape do nothing).
class MessageBox : public SkinnedPopup {
    Q_OBJECT

public:
    static constexpr int kOkId = 1104;
    // DoModal's result when OK ended the box.
    static constexpr int kOk = 1;

    explicit MessageBox(QWidget* frame);

    // The text to show (it may use the markup of MarkupLabel). Set it before DoModal.
    void SetMessage(const std::wstring& text) { m_message = text; }
    const std::wstring& Message() const { return m_message; }
    // Shows string `stringId` of the string table and returns when the box has ended.
    int ShowMessage(int stringId);

    PictureButton* OkButton() const { return m_ok; }
    MarkupLabel* TextControl() const { return m_text; }

protected:
    void OnInitDialog() override;
    void OnShowWindow(bool show) override;

private:
    PictureButton* m_ok;
    MarkupLabel* m_text;
    std::wstring m_message;
};
