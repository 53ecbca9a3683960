#include "controls/markup_layout.h"

#include <QFontMetrics>
#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <unordered_map>

#include "controls/pixel_font.h"
#include "platform/wide_int.h"
#include "text/markup_parser.h"

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
    QFont face;      // family (and style hint) only
    int faceId = 0;  // 0 for the base font's face; a new number for each face set by a tag
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

// Reads the words of a run one at a time, so a run that reaches below the bottom of the
// control is not split further than what is drawn.
class WordReader {
public:
    explicit WordReader(const MarkupText& run) : m_run(run) {}

    bool Next(Word& word) {
        word = Word{};
        bool literalSeen = false;
        int length = 0;
        while (m_pos < m_run.size()) {
            const MarkupChar c = m_run[m_pos++];
            if (!c.literal && c.ch == L'\r' && m_pos < m_run.size() && m_run[m_pos].ch == L'\n' &&
                !m_run[m_pos].literal) {
                continue;
            }
            if (!c.literal && c.ch == L'\n') {
                word.text += QLatin1Char(' ');
                word.lineBreak = true;
                break;
            }
            // Other control characters would draw as boxes or nothing; they read as blanks.
            const bool control = c.ch < 0x20 || (c.ch >= 0x7F && c.ch < 0xA0);
            const wchar_t ch = control ? L' ' : c.ch;
            literalSeen = literalSeen || c.literal;
            const bool ends = !c.literal && ch == L' ';
            if (length < kMaxMarkupWordLength || ends) {
                Append(word.text, ch);
                ++length;
            }
            if (ends) {
                break;
            }
        }
        word.blank = word.text == QLatin1String(" ") && !literalSeen;
        return !word.text.isEmpty() || word.lineBreak;
    }

private:
    // One character of the text (UTF-32 in a wchar_t); what is no Unicode scalar value
    // becomes the replacement character.
    static void Append(QString& text, wchar_t ch) {
        const auto code = static_cast<char32_t>(ch);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            text += QChar(QChar::ReplacementCharacter);
        } else if (QChar::requiresSurrogates(code)) {
            text += QChar(QChar::highSurrogate(code));
            text += QChar(QChar::lowSurrogate(code));
        } else {
            text += QChar(static_cast<char16_t>(code));
        }
    }

    const MarkupText& m_run;
    size_t m_pos = 0;
};

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
        // Tokens are read only while there is room left: text below the bottom is never
        // even split into tags.
        MarkupTokenizer tokenizer(text);
        MarkupToken token;
        while (!Stopped() && tokenizer.Next(token)) {
            Apply(token);
        }
        return std::move(m_layout);
    }

private:
    bool Stopped() const { return m_y >= Bottom(); }
    int Bottom() const { return m_rect.top() + m_rect.height(); }
    int Right() const { return m_rect.left() + m_rect.width(); }

    static void Count(int& counter, int delta) {
        if (delta <= 0 || counter < INT_MAX) {
            counter = std::max(0, counter + delta);
        }
    }

    static bool ChangesFont(Kind kind) {
        switch (kind) {
            case Kind::kBold:
            case Kind::kItalic:
            case Kind::kUnderline:
            case Kind::kStrike:
            case Kind::kBig:
            case Kind::kSmall:
            case Kind::kFontStart:
            case Kind::kFontEnd:
            case Kind::kCodeStart:
            case Kind::kCodeEnd:
                return true;
            default:
                return false;
        }
    }

    void Apply(const MarkupToken& token) {
        ApplyState(token);
        if (ChangesFont(token.kind)) {
            m_fonts = nullptr;
        }
    }

    void ApplyState(const MarkupToken& token) {
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
                    m_y += CurrentFonts().metrics.descent();
                    m_sizeGiven = false;
                }
                m_textColor = m_style.textColor;
                m_backColor = m_style.backgroundColor;
                m_font = m_base;
                break;
            case Kind::kCodeStart:
                m_font.faceId = ++m_faceCount;
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
                m_textColor = ColorNames::FromText(value);
            } else if (name == L"BGCOLOR") {
                m_backColor = ColorNames::FromText(value);
            } else if (name == L"FACE") {
                m_font.faceId = ++m_faceCount;
                m_font.face.setFamilies({QString::fromStdWString(value.substr(0, kMaxFaceLength)),
                                         m_base.face.family()});
            } else if (name == L"SIZE") {
                // In long long: the device's number may be anything an int holds.
                m_font.pixelSize =
                    ClampPixelSize(static_cast<long long>(m_font.pixelSize) + WideToInt(value));
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

    // The font of the current state with its metrics. Texts switch between a few fonts
    // (bold on and off, a size and back), so the fonts made are kept by what makes them,
    // a face number, the size and the four style flags.
    struct Fonts {
        QFont font;
        QFontMetrics metrics;
        QFontMetricsF exact;  // word widths, summed along a line without rounding
        explicit Fonts(const QFont& f) : font(f), metrics(f), exact(f) {}
    };
    static constexpr size_t kMaxKeptFonts = 64;

    const Fonts& CurrentFonts() {
        if (m_fonts == nullptr) {
            const uint64_t key = static_cast<uint64_t>(static_cast<uint32_t>(m_font.faceId)) << 32 |
                                 static_cast<uint64_t>(m_font.pixelSize) << 4 |
                                 (m_bold > 0 ? 1u : 0u) | (m_italic > 0 ? 2u : 0u) |
                                 (m_underline > 0 ? 4u : 0u) | (m_strike > 0 ? 8u : 0u);
            auto found = m_keptFonts.find(key);
            if (found == m_keptFonts.end()) {
                if (m_keptFonts.size() >= kMaxKeptFonts) {
                    m_keptFonts.clear();
                }
                found = m_keptFonts.try_emplace(key, CurrentFont()).first;
            }
            m_fonts = &found->second;
        }
        return *m_fonts;
    }

    // The width of a run up to `limit`: a wider run starts at the left edge anyway, so the
    // words after that need no measuring.
    static qreal RunWidth(const MarkupText& run, const QFontMetricsF& exact, qreal limit) {
        WordReader reader(run);
        Word word;
        qreal width = 0;
        while (width <= limit && reader.Next(word)) {
            width += exact.horizontalAdvance(word.text);
        }
        return width;
    }

    // Draws one run with the text flow: words join the line while they fit, a line that
    // is full or ended by a line feed is drawn (when it fits above the bottom) and the
    // next one starts a line height plus a quarter lower. Each word is measured once and
    // the line's width is their sum, so a line costs what its words cost.
    void Flow(const MarkupText& run) {
        const Fonts& fonts = CurrentFonts();
        const QFontMetrics& metrics = fonts.metrics;
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
            const qreal width = RunWidth(run, fonts.exact, m_rect.width());
            origin += std::max(0, (m_rect.width() - qCeil(width)) / 2);
        }

        QString line;
        qreal lineWidth = 0;
        WordReader words(run);
        Word word;
        bool haveWord = words.Next(word);
        std::optional<qreal> wordWidth;
        while (haveWord && !Stopped()) {
            if (x == 0 && line.isEmpty() && word.blank) {
                if (word.lineBreak) {
                    m_y += spacing;  // blanks at the start of a line are dropped
                }
                haveWord = words.Next(word);
                wordWidth.reset();
                continue;
            }
            if (!wordWidth) {
                wordWidth = fonts.exact.horizontalAdvance(word.text);
            }
            const bool fits = lineWidth + *wordWidth < Right() - (origin + x) - 2;
            if (!fits && !line.isEmpty()) {
                EmitLine(line, lineWidth, origin + x, fonts);
                m_y += spacing;
                x = 0;
                line.clear();
                lineWidth = 0;
                continue;  // the word is taken again on the next line
            }
            if (!fits && x > 0) {
                m_y += height;  // a word that does not fit after earlier runs starts a new line
                x = 0;
                continue;
            }
            line += word.text;
            lineWidth += *wordWidth;
            if (word.lineBreak) {
                EmitLine(line, lineWidth, origin + x, fonts);
                m_y += spacing;
                x = 0;
                line.clear();
                lineWidth = 0;
            }
            haveWord = words.Next(word);
            wordWidth.reset();
        }
        if (!line.isEmpty() && !Stopped()) {
            x += EmitLine(line, lineWidth, origin + x, fonts);
        }
        m_x = origin - m_rect.left() + x;
        if (x == 0) {
            m_x = 0;
        }
        m_y -= shift;
    }

    // Adds a line of text, `exactWidth` wide, at the line position and returns its width
    // in pixels.
    int EmitLine(const QString& line, qreal exactWidth, int left, const Fonts& fonts) {
        const QFontMetrics& metrics = fonts.metrics;
        const int width = qRound(exactWidth);
        const int height = metrics.height();
        if (m_y + height > Bottom() || width <= 0 || line.trimmed().isEmpty()) {
            return width;  // below the bottom, or nothing to see
        }
        MarkupLayout::Text text;
        text.box = QRect(left, m_y, width, height);
        text.baseline = m_y + metrics.ascent();
        text.text = line;
        text.font = fonts.font;
        text.color = ResolveColorRef(m_textColor, m_style.palette);
        if (!m_style.transparent) {
            text.background = ResolveColorRef(m_backColor, m_style.palette);
        }
        if (m_inLink) {
            m_layout.links.push_back({text.box, m_linkTarget});
        }
        m_layout.texts.push_back(std::move(text));
        return width;
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
    std::unordered_map<uint64_t, Fonts> m_keptFonts;
    const Fonts* m_fonts = nullptr;  // the current state's entry of m_keptFonts
    int m_faceCount = 0;
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
