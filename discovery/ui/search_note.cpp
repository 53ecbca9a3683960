#include "discovery/ui/search_note.h"

#include <QWidget>

#include "controls/state_color_label.h"
#include "discovery/ui/search_control_ids.h"
#include "resources/string_ids.h"
#include "window/skinned_page.h"

namespace {

constexpr int kNotePixelSize = 11;
// The page picture's caption colour: dark enough for small text on white.
constexpr QRgb kNoteColor = 0x46566a;

}  // namespace

SearchNote::SearchNote(QWidget* page) : m_label(new StateColorLabel(page)) {
    SkinnedPage::NameControl(m_label, kSearchNote, kTextSearchNoteName);
    m_label->setFocusPolicy(Qt::TabFocus);
    m_label->SetSingleLine(false);
    QFont font = m_label->font();
    font.setPixelSize(kNotePixelSize);
    m_label->setFont(font);
    const QColor color(kNoteColor);
    m_label->SetColors(color, color, color, color, color);
    m_label->hide();
}

void SearchNote::Show(const std::wstring& text) {
    // Without a text the note is not there at all: neither Tab nor a screen reader finds an
    // empty line. It shows before its text changes, so that the change is announced.
    if (!text.empty()) {
        m_label->show();
    }
    m_label->SetWindowText(text);
    if (text.empty()) {
        m_label->hide();
    }
    // The label is transparent: the page picture under it is drawn again first.
    if (QWidget* page = m_label->parentWidget()) {
        page->update(m_label->geometry());
    }
}
