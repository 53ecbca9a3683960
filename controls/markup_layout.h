#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "controls/color_names.h"

class QPainter;

// What a MarkupLabel draws for its text: the outcome of the layout step, drawn as it
// is by RenderMarkup.
struct MarkupLayout {
    struct Text {
        QRect box;     // the text's cell: top-left where it is drawn, its width and height
        int baseline;  // y of the baseline
        QString text;
        QFont font;
        QColor color;
        std::optional<QColor> background;  // filled behind the text when opaque
    };
    struct Rule {
        QRect rect;
        QColor color;
    };
    struct Link {
        QRect rect;  // one per drawn piece of link text, in client coordinates
        std::wstring target;
    };

    std::vector<Text> texts;
    std::vector<Rule> rules;
    std::vector<Link> links;
    QRect client;                // the control's client rectangle
    std::optional<QColor> fill;  // its background, unless transparent
};

struct MarkupStyle {
    QFont font;  // the base font
    ColorRef textColor = 0;
    ColorRef backgroundColor = 0;
    QPalette palette;          // for system colours
    bool transparent = false;  // the parent shows through; runs draw no background
    QRect client;              // the control's client rectangle
    int leftMargin = 0;
    int rightMargin = 0;
};

// The most characters of one word that are laid out; the rest of a longer word is
// dropped. Even at the smallest font size this many characters are wider than the
// program's 700-pixel window, so nothing visible goes, while a megabyte "word" from a
// device would otherwise be shaped and drawn whole on the GUI thread.
inline constexpr int kMaxMarkupWordLength = 4096;

// Lays out a markup text (see markup_parser.h for the tags and entities): word-wrapped
// lines in the client rectangle less the margins, lines spaced by the line height plus a
// quarter, drawing ends at the bottom of the rectangle. Every layout starts from the
// style's font and colours with no tag open. Text below the bottom is not read, and a
// piece of text without width (only invisible characters) is not kept, so a text of any
// length costs at most time linear in it and a layout no bigger than the control.
MarkupLayout LayoutMarkup(const std::wstring& text, const MarkupStyle& style);

void RenderMarkup(const MarkupLayout& layout, QPainter& painter);
