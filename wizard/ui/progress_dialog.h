#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <string>
#include <vector>

#include "window/skinned_popup.h"

class MarkupLabel;
class StepPicture;

// The wizard's small modal progress dialog (260 by 144 pixels, centred over the wizard
// frame): a step picture of eleven steps over a line of text such as "Loading....". It has
// no button, no timer and no drag band; its callers advance it with ShowProgressStep and
// end it with EndDialog(0). Every time it appears it starts at step 0.
class ProgressDialog : public SkinnedPopup {
    Q_OBJECT

public:
    // Where the step picture sits; its size comes from the layout rectangle.
    static constexpr QPoint kImageOrigin{70, 50};

    explicit ProgressDialog(QWidget* frame);

    // The text under the picture, shown centred. Set it before DoModal.
    void SetProgressText(const std::wstring& text) { m_progressText = text; }
    const std::wstring& ProgressText() const { return m_progressText; }
    // Sets the text and runs the dialog until a caller ends it.
    int Run(const std::wstring& text);

    // Shows the picture of `step` (0 to 9; 10 and every other value show the finished
    // picture) and repaints the dialog at once.
    void ShowProgressStep(int step);
    // The steps shown since the dialog last appeared, starting with its 0 (diagnostics).
    const std::vector<int>& StepsShown() const { return m_steps; }

    MarkupLabel* TextControl() const { return m_text; }
    StepPicture* Steps() const { return m_picture; }
    QRect ImageRect() const;
    const QImage& StepImage() const;

protected:
    void OnInitDialog() override;
    void OnShowWindow(bool show) override;

private:
    StepPicture* m_picture;
    MarkupLabel* m_text;
    std::wstring m_progressText;
    std::vector<int> m_steps;
};
