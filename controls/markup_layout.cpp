#include "controls/markup_layout.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "controls/markup_parser.h"
#include "controls/pixel_font.h"
#include "platform/wide_int.h"

namespace {

using Kind = MarkupToken::Kind;

// Font sizes that markup may ask for; device texts must not make absurd fonts.
constexpr int kMinPixelSize = 1;
constexpr int kMaxPixelSize = 200;
constexpr int kMaxRuleWidth = 100;
// The face-name field of a font description holds 31 characters; longer names are cut.
constexpr int kMaxFaceLength = 31;

int ClampPixelSize(long long size) {
    return static_cast<int>(std::clamp<long long>(size, kMinPixelSize, kMaxPixelSize));
}

struct FontDescription {
    QFont face;  // family (and style hint) only
    int pixelSize = 12;
};

// One word of a run: up to and including a blank, or ended by a line feed (which reads
// as a blank). A blank from "&nbsp;" is literal: it neither ends a word nor is dropped at
// the start of a line.
struct Word {
    QString text;
    bool lineBreak = false;
    bool blank = false;  // the word is one markup blank, dropped at the start of a line
};

std::vector<Word> SplitWords(const MarkupText& run) {
    std::vector<Word> words;
    Word word;
    bool literalSeen = false;
    const auto finish = [&](bool lineBreak) {
        word.lineBreak = lineBreak;
        word.blank = word.text == QLatin1String(" ") && !literalSeen;
        words.push_back(std::move(word));
        word = Word{};
        literalSeen = false;
    };
    for (size_t i = 0; i < run.size(); ++i) {
        const MarkupChar c = run[i];
        if (!c.literal && c.ch == L'\r' && i + 1 < run.size() && run[i + 1].ch == L'\n' &&
            !run[i + 1].literal) {
            continue;
        }
        if (!c.literal && c.ch == L'\n') {
            word.text += QLatin1Char(' ');
            finish(true);
            continue;
        }
        // Other control characters would draw as boxes or nothing; they read as blanks.
        const bool control = c.ch < 0x20 || (c.ch >= 0x7F && c.ch < 0xA0);
        const wchar_t ch = control ? L' ' : c.ch;
        word.text += QString::fromWCharArray(&ch, 1);
        literalSeen = literalSeen || c.literal;
        if (!c.literal && ch == L' ') {
            finish(false);
        }
    }
    if (!word.text.isEmpty()) {
        finish(false);
    }
    return words;
}

class MarkupLayouter {
public:
    explicit MarkupLayouter(const MarkupStyle& style)
        : m_style(style),
          m_rect(style.client.adjusted(style.leftMargin, 0, -style.rightMargin, 0)),
          m_textColor(style.textColor),
          m_backColor(style.backgroundColor) {
        const QFont base = PixelSizedFont(style.font);
        m_base.face = base;
        m_base.pixelSize = base.pixelSize();
        m_font = m_base;
        m_y = m_rect.top();
        m_layout.client = style.client;
        if (!style.transparent) {
            m_layout.fill = ResolveColorRef(style.backgroundColor, style.palette);
        }
    }

    MarkupLayout Run(const std::wstring& text) {
        if (m_rect.height() <= 1 || m_rect.width() <= 0) {
            return std::move(m_layout);
        }
        for (const MarkupToken& token : TokenizeMarkup(text)) {
            if (Stopped()) {
                break;
            }
            Apply(token);
        }
        return std::move(m_layout);
    }

private:
    bool Stopped() const { return m_y >= Bottom(); }
    int Bottom() const { return m_rect.top() + m_rect.height(); }
    int Right() const { return m_rect.left() + m_rect.width(); }

    static void Count(int& counter, int delta) { counter = std::max(0, counter + delta); }

    void Apply(const MarkupToken& token) {
        switch (token.kind) {
            case Kind::kText:
                Flow(token.text);
                break;
            case Kind::kLineBreak:
                Flow({{L'\n', false}});
                break;
            case Kind::kRule:
                if (const auto size = token.attributes.find(L"SIZE");
                    size != token.attributes.end()) {
                    m_ruleWidth = static_cast<int>(
                        std::clamp<long long>(WideToInt(size->second), 0, kMaxRuleWidth));
                }
                Flow({{L'\n', false}});
                DrawRule();
                break;
            case Kind::kBold:
                Count(m_bold, token.delta);
                break;
            case Kind::kItalic:
                Count(m_italic, token.delta);
                break;
            case Kind::kUnderline:
                Count(m_underline, token.delta);
                break;
            case Kind::kStrike:
                Count(m_strike, token.delta);
                break;
            case Kind::kCenter:
                Count(m_center, token.delta);
                break;
            case Kind::kSub:
                Count(m_sub, token.delta);
                break;
            case Kind::kSup:
                Count(m_sup, token.delta);
                break;
            case Kind::kBig:
                m_font.pixelSize = ClampPixelSize(m_font.pixelSize + token.delta);
                break;
            case Kind::kSmall:
                m_font.pixelSize = ClampPixelSize(m_font.pixelSize - token.delta);
                break;
            case Kind::kFontStart:
                StartFont(token);
                break;
            case Kind::kFontEnd:
                if (m_sizeGiven) {
                    m_y += QFontMetrics(CurrentFont()).descent();
                    m_sizeGiven = false;
                }
                m_textColor = m_style.textColor;
                m_backColor = m_style.backgroundColor;
                m_font = m_base;
                break;
            case Kind::kCodeStart:
                m_font.face.setFamilies({QStringLiteral("Courier New"),
                                         QStringLiteral("DejaVu Sans Mono"),
                                         QStringLiteral("monospace")});
                m_font.face.setStyleHint(QFont::TypeWriter);
                break;
            case Kind::kCodeEnd:
                m_font = m_base;
                break;
            case Kind::kLinkStart:
                m_inLink = true;
                m_linkTarget = token.target;
                break;
            case Kind::kLinkEnd:
                m_inLink = false;
                m_linkTarget.clear();
                break;
        }
    }

    void StartFont(const MarkupToken& token) {
        for (const auto& [name, value] : token.attributes) {
            if (name == L"COLOR") {
                m_textColor = CColorNames::FromText(value);
            } else if (name == L"BGCOLOR") {
                m_backColor = CColorNames::FromText(value);
            } else if (name == L"FACE") {
                m_font.face.setFamilies({QString::fromStdWString(value.substr(0, kMaxFaceLength)),
                                         m_base.face.family()});
            } else if (name == L"SIZE") {
                m_font.pixelSize = ClampPixelSize(m_font.pixelSize + WideToInt(value));
                m_sizeGiven = true;
            }
        }
    }

    QFont CurrentFont() const {
        QFont font = m_font.face;
        font.setPixelSize(m_font.pixelSize);
        font.setBold(m_bold > 0);
        font.setItalic(m_italic > 0);
        font.setUnderline(m_underline > 0);
        font.setStrikeOut(m_strike > 0);
        return font;
    }

    // Draws one run with the text flow: words join the line while they fit, a line that
    // is full or ended by a line feed is drawn (when it fits above the bottom) and the
    // next one starts a line height plus a quarter lower.
    void Flow(const MarkupText& run) {
        const QFont font = CurrentFont();
        const QFontMetrics metrics(font);
        const int height = metrics.height();
        const int spacing = height + height / 4;
        const int shift =
            (m_sub > 0 ? metrics.ascent() / 2 : 0) - (m_sup > 0 ? metrics.ascent() / 2 : 0);
        m_y += shift;

        // A centred run that starts a line starts half the free width in, and so do its
        // following lines; a run that continues a line carries on where it is.
        int origin = m_rect.left();
        int x = m_x;
        if (m_center > 0 && x == 0) {
            const int width = metrics.horizontalAdvance(QString::fromStdWString(PlainText(run)));
            origin += std::max(0, (m_rect.width() - width) / 2);
        }

        QString line;
        const std::vector<Word> words = SplitWords(run);
        size_t i = 0;
        while (i < words.size() && !Stopped()) {
            const Word& word = words[i];
            if (x == 0 && line.isEmpty() && word.blank) {
                ++i;  // blanks at the start of a line are dropped
                if (word.lineBreak) {
                    m_y += spacing;
                }
                continue;
            }
            const bool fits =
                metrics.horizontalAdvance(line + word.text) < Right() - (origin + x) - 2;
            if (!fits && !line.isEmpty()) {
                EmitLine(line, origin + x, metrics, font);
                m_y += spacing;
                x = 0;
                line.clear();
                continue;  // the word is taken again on the next line
            }
            if (!fits && x > 0) {
                m_y += height;  // a word that does not fit after earlier runs starts a new line
                x = 0;
                continue;
            }
            line += word.text;
            ++i;
            if (word.lineBreak) {
                EmitLine(line, origin + x, metrics, font);
                m_y += spacing;
                x = 0;
                line.clear();
            }
        }
        if (!line.isEmpty() && !Stopped()) {
            EmitLine(line, origin + x, metrics, font);
            x += metrics.horizontalAdvance(line);
        }
        m_x = origin - m_rect.left() + x;
        if (x == 0) {
            m_x = 0;
        }
        m_y -= shift;
    }

    void EmitLine(const QString& line, int left, const QFontMetrics& metrics, const QFont& font) {
        const int height = metrics.height();
        if (m_y + height > Bottom() || line.trimmed().isEmpty()) {
            return;  // below the bottom, or nothing to see
        }
        MarkupLayout::Text text;
        text.box = QRect(left, m_y, metrics.horizontalAdvance(line), height);
        text.baseline = m_y + metrics.ascent();
        text.text = line;
        text.font = font;
        text.color = ResolveColorRef(m_textColor, m_style.palette);
        if (!m_style.transparent) {
            text.background = ResolveColorRef(m_backColor, m_style.palette);
        }
        if (m_inLink && text.box.width() > 0) {
            m_layout.links.push_back({text.box, m_linkTarget});
        }
        m_layout.texts.push_back(std::move(text));
    }

    void DrawRule() {
        if (Stopped()) {
            return;
        }
        const QRect rule(m_style.client.left(), m_y, m_style.client.width(), m_ruleWidth);
        m_layout.rules.push_back({rule, ResolveColorRef(m_textColor, m_style.palette)});
        m_y += m_ruleWidth;
        m_x = 0;
    }

    const MarkupStyle& m_style;
    const QRect m_rect;
    MarkupLayout m_layout;
    FontDescription m_base;
    FontDescription m_font;
    ColorRef m_textColor;
    ColorRef m_backColor;
    int m_bold = 0, m_italic = 0, m_underline = 0, m_strike = 0, m_center = 0, m_sub = 0, m_sup = 0;
    int m_ruleWidth = 2;
    bool m_sizeGiven = false;
    bool m_inLink = false;
    std::wstring m_linkTarget;
    int m_x = 0;  // where the next run starts, from the rectangle's left edge
    int m_y = 0;  // top of the current line
};

}  // namespace

MarkupLayout LayoutMarkup(const std::wstring& text, const MarkupStyle& style) {
    return MarkupLayouter(style).Run(text);
}

void RenderMarkup(const MarkupLayout& layout, QPainter& painter) {
    if (layout.fill) {
        painter.fillRect(layout.client, *layout.fill);
    }
    for (const MarkupLayout::Rule& rule : layout.rules) {
        painter.fillRect(rule.rect, rule.color);
    }
    for (const MarkupLayout::Text& text : layout.texts) {
        if (text.background) {
            painter.fillRect(text.box, *text.background);
        }
        painter.setFont(text.font);
        painter.setPen(text.color);
        painter.drawText(QPoint(text.box.left(), text.baseline), text.text);
    }
}
