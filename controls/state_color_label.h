#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "controls/cached_control.h"

// Where a StateColorLabel puts its text. The text is cut into lines at every literal backslash
// followed by the letter n (two characters, not a line feed); each line starts the
// measured height of the previous one plus 1 pixel lower.
struct StateColorLabelLayout {
    struct Line {
        QRect rect;     // where the line is drawn, in the label's coordinates
        QString text;   // already elided when it has to fit one line
        int flags = 0;  // Qt::AlignmentFlag | Qt::TextFlag for QPainter::drawText
    };
    std::vector<Line> lines;
    QSize size;  // the client area laid out
    QFont font;
    QColor color;
    bool focusRect = false;
};

// Lays a label's text out in a client area of `size`. When `singleLine` is set and the
// whole text is narrower than the area, lines are single lines (a lone line centred
// vertically); otherwise lines wrap at word boundaries.
StateColorLabelLayout LayoutStateColorLabel(const QString& text, const QFont& font, QSize size,
                                            Qt::Alignment horizontal, bool singleLine);

// A transparent text label with a text colour per state: 0 normal, 1 hover, 2 pressed,
// and 3 and 4, fixed states the mouse does not change (4 is also the disabled colour).
// The search page's result line is one.
class StateColorLabel : public CachedControl {
    Q_OBJECT

public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2, kFixed3 = 3, kFixed4 = 4 };

    explicit StateColorLabel(QWidget* parent = nullptr);

    void SetWindowText(const std::wstring& text);
    std::wstring WindowText() const { return m_text.toStdWString(); }
    // The text with its line separators as line breaks.
    QString AccessibleText() const override;

    // All five are black at construction.
    void SetColors(const QColor& normal, const QColor& hover, const QColor& pressed,
                   const QColor& state3, const QColor& state4);
    void SetState(int state);
    int State() const { return m_state; }
    void SetHandCursor(bool on);
    void SetSingleLine(bool on);
    void SetFocusRect(bool on);
    void SetAlignment(Qt::Alignment horizontal);

    // Mouse feedback is off when the hover, pressed, state-3 and state-4 colours sum to
    // four times the normal colour, as they do when all five are equal. The sum is
    // taken over the 0x00BBGGRR colour values.
    bool MouseFeedbackOff() const;

    // The text colour for the current state and enabled flag.
    QColor CurrentColor() const;

    const StateColorLabelLayout& Layout();

protected:
    void Render(QImage& target) override;
    void Invalidate() override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ChangeState(int state);

    QString m_text;
    QColor m_colors[5];
    int m_state = kNormal;
    bool m_singleLine = true;
    bool m_focusRect = false;
    Qt::Alignment m_horizontal = Qt::AlignLeft;
    std::optional<StateColorLabelLayout> m_layout;
};
