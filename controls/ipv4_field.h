#pragma once

#include <QRect>
#include <QWidget>
#include <array>
#include <string>

#include "text/ipv4_field_model.h"

class QLineEdit;

// An IPv4 address field: four octet line edits on one white, thinly framed strip, with
// the dots drawn between them. The keyboard works on the address as a whole
// (Ipv4FieldModel has the rules):
//  - only digits go in; a third digit, or "." or " " in an octet with digits, moves on to
//    the next octet and selects its digits, so typing replaces them; "192.168.1.1" and
//    "192168001001" both fill the field;
//  - a value above 255 becomes 255 as soon as its third digit is typed; leading zeros
//    go when the octet is left;
//  - Left at an octet's start and Right at its end step over the dot; Backspace at an
//    octet's start deletes the previous octet's last digit;
//  - Home and End go to the start of the first octet and the end of the last one; with
//    Shift they select from the caret to there, across the dots; Ctrl+A selects all;
//  - Copy and Cut give the selected part as dotted text (the whole address when all is
//    selected); Paste of a dotted address fills all four octets, Paste of digits goes in
//    at the caret, and anything else is refused; the line edits' context menu does the
//    same;
//  - Tab and Shift+Tab leave the field; tabbing in focuses the first octet, selected.
// There is no undo. The field shows no messages: the page checks what it holds.
// The font is the parent's, as for any widget; setFont changes it.
class Ipv4Field : public QWidget {
    Q_OBJECT

public:
    static constexpr int kOctetCount = Ipv4FieldModel::kOctetCount;

    explicit Ipv4Field(QWidget* parent = nullptr);

    // Shows dotted text: four fields, each blank or 0-255, blanks around the whole ignored;
    // "" blanks the field. Other text blanks the field and gives false. The caret goes to
    // the start of the first octet.
    bool SetAddress(const std::wstring& dotted);
    // "a.b.c.d" with blank octets empty ("192..1."); an octet being typed reads as it will
    // once left ("01" reads "1").
    std::wstring Text() const { return m_model.Text(); }
    // The four values; a blank octet reads 0.
    std::array<int, kOctetCount> Octets() const { return m_model.Octets(); }
    bool IsBlank(int index) const { return m_model.IsBlank(index); }
    // Gives the keyboard focus to octet `index` (0-3) with its digits selected.
    void SetFocusOnOctet(int index);
    void Clear();

    // Names the field for assistive technology; each octet is named after it,
    // "<name>, octet 2 of 4" (or "Octet 2 of 4" for no name). The name is "IP address"
    // until set.
    void SetAccessibleName(const std::wstring& name);

    QLineEdit* OctetEdit(int index) const { return m_edits[index]; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void Cut();
    void Copy();
    void Paste();
    void SelectAll();

signals:
    // Any octet's displayed digits changed, whether by the user or by the program.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class FocusMove { IfInside, Always };

    bool HandleKey(QKeyEvent* event);
    // Runs a model command, shows the result and announces a change of digits. The line
    // edit `fromEdit` already shows the state that the command took from it.
    template <typename Command>
    void Run(Command&& command, FocusMove focus = FocusMove::IfInside, int fromEdit = -1);
    void Render(FocusMove focus, int fromEdit);
    void SyncFromEdit(int index);
    void ShowContextMenu(int index, const QPoint& position);
    bool FocusInside() const;
    int IndexOf(const QObject* object) const;
    void LayOut();

    Ipv4FieldModel m_model;
    std::array<QLineEdit*, kOctetCount> m_edits{};
    std::array<QRect, kOctetCount - 1> m_dots;
    bool m_rendering = false;
};
