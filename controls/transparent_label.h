#pragma once

#include <QColor>
#include <QWidget>
#include <string>

#include "controls/cached_control.h"

// A text label that is transparent by default: the page picture shows around its text,
// and a changed caption makes the page repaint under it first, so a shorter text leaves
// nothing of a longer one behind. The wizard pages show the selected device's MAC and IP
// address with two of them.
class TransparentLabel : public CachedControl {
    Q_OBJECT

public:
    explicit TransparentLabel(QWidget* parent = nullptr);

    // Sets the caption when it differs from the one shown; otherwise does nothing.
    void SetCaption(const std::wstring& text);
    std::wstring Caption() const { return m_text.toStdWString(); }
    QString AccessibleText() const override { return m_text; }

    void SetTextColor(const QColor& color);
    void SetBkColor(const QColor& color);
    void SetTransparent(bool transparent);
    bool IsTransparent() const { return m_transparent; }

protected:
    void Render(QImage& target) override;

private:
    QString m_text;
    QColor m_textColor;
    QColor m_backgroundColor;
    bool m_transparent = true;
};
