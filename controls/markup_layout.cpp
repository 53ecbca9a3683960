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
        : style_(style),
          rect_(style.client.adjusted(style.leftMargin, 0, -style.rightMargin, 0)),
          textColor_(style.textColor),
          backColor_(style.backgroundColor) {
        const QFont base = PixelSizedFont(style.font);
        base_.face = base;
        base_.pixelSize = base.pixelSize();
        font_ = base_;
        y_ = rect_.top();
        layout_.client = style.client;
        if (!style.transparent) {
            layout_.fill = ResolveColorRef(style.backgroundColor, style.palette);
        }
    }

    MarkupLayout Run(const std::wstring& text) {
        if (rect_.height() <= 1 || rect_.width() <= 0) {
            return std::move(layout_);
        }
        for (const MarkupToken& token : TokenizeMarkup(text)) {
            if (Stopped()) {
                break;
            }
            Apply(token);
        }
        return std::move(layout_);
    }

private:
    bool Stopped() const { return y_ >= Bottom(); }
    int Bottom() const { return rect_.top() + rect_.height(); }
    int Right() const { return rect_.left() + rect_.width(); }

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
                    ruleWidth_ = static_cast<int>(
                        std::clamp<long long>(WideToInt(size->second), 0, kMaxRuleWidth));
                }
                Flow({{L'\n', false}});
                DrawRule();
                break;
            case Kind::kBold:
                Count(bold_, token.delta);
                break;
            case Kind::kItalic:
                Count(italic_, token.delta);
                break;
            case Kind::kUnderline:
                Count(underline_, token.delta);
                break;
            case Kind::kStrike:
                Count(strike_, token.delta);
                break;
            case Kind::kCenter:
                Count(center_, token.delta);
                break;
            case Kind::kSub:
                Count(sub_, token.delta);
                break;
            case Kind::kSup:
                Count(sup_, token.delta);
                break;
            case Kind::kBig:
                font_.pixelSize = ClampPixelSize(font_.pixelSize + token.delta);
                break;
            case Kind::kSmall:
                font_.pixelSize = ClampPixelSize(font_.pixelSize - token.delta);
                break;
            case Kind::kFontStart:
                StartFont(token);
                break;
            case Kind::kFontEnd:
                if (sizeGiven_) {
                    y_ += QFontMetrics(CurrentFont()).descent();
                    sizeGiven_ = false;
                }
                textColor_ = style_.textColor;
                backColor_ = style_.backgroundColor;
                font_ = base_;
                break;
            case Kind::kCodeStart:
                font_.face.setFamilies({QStringLiteral("Courier New"),
                                        QStringLiteral("DejaVu Sans Mono"),
                                        QStringLiteral("monospace")});
                font_.face.setStyleHint(QFont::TypeWriter);
                break;
            case Kind::kCodeEnd:
                font_ = base_;
                break;
            case Kind::kLinkStart:
                inLink_ = true;
                linkTarget_ = token.target;
                break;
            case Kind::kLinkEnd:
                inLink_ = false;
                linkTarget_.clear();
                break;
        }
    }

    void StartFont(const MarkupToken& token) {
        for (const auto& [name, value] : token.attributes) {
            if (name == L"COLOR") {
                textColor_ = CColorNames::FromText(value);
            } else if (name == L"BGCOLOR") {
                backColor_ = CColorNames::FromText(value);
            } else if (name == L"FACE") {
                font_.face.setFamilies({QString::fromStdWString(value.substr(0, kMaxFaceLength)),
                                        base_.face.family()});
            } else if (name == L"SIZE") {
                font_.pixelSize = ClampPixelSize(font_.pixelSize + WideToInt(value));
                sizeGiven_ = true;
            }
        }
    }

    QFont CurrentFont() const {
        QFont font = font_.face;
        font.setPixelSize(font_.pixelSize);
        font.setBold(bold_ > 0);
        font.setItalic(italic_ > 0);
        font.setUnderline(underline_ > 0);
        font.setStrikeOut(strike_ > 0);
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
            (sub_ > 0 ? metrics.ascent() / 2 : 0) - (sup_ > 0 ? metrics.ascent() / 2 : 0);
        y_ += shift;

        // A centred run that starts a line starts half the free width in, and so do its
        // following lines; a run that continues a line carries on where it is.
        int origin = rect_.left();
        int x = x_;
        if (center_ > 0 && x == 0) {
            const int width = metrics.horizontalAdvance(QString::fromStdWString(PlainText(run)));
            origin += std::max(0, (rect_.width() - width) / 2);
        }

        QString line;
        const std::vector<Word> words = SplitWords(run);
        size_t i = 0;
        while (i < words.size() && !Stopped()) {
            const Word& word = words[i];
            if (x == 0 && line.isEmpty() && word.blank) {
                ++i;  // blanks at the start of a line are dropped
                if (word.lineBreak) {
                    y_ += spacing;
                }
                continue;
            }
            const bool fits =
                metrics.horizontalAdvance(line + word.text) < Right() - (origin + x) - 2;
            if (!fits && !line.isEmpty()) {
                EmitLine(line, origin + x, metrics, font);
                y_ += spacing;
                x = 0;
                line.clear();
                continue;  // the word is taken again on the next line
            }
            if (!fits && x > 0) {
                y_ += height;  // a word that does not fit after earlier runs starts a new line
                x = 0;
                continue;
            }
            line += word.text;
            ++i;
            if (word.lineBreak) {
                EmitLine(line, origin + x, metrics, font);
                y_ += spacing;
                x = 0;
                line.clear();
            }
        }
        if (!line.isEmpty() && !Stopped()) {
            EmitLine(line, origin + x, metrics, font);
            x += metrics.horizontalAdvance(line);
        }
        x_ = origin - rect_.left() + x;
        if (x == 0) {
            x_ = 0;
        }
        y_ -= shift;
    }

    void EmitLine(const QString& line, int left, const QFontMetrics& metrics, const QFont& font) {
        const int height = metrics.height();
        if (y_ + height > Bottom() || line.trimmed().isEmpty()) {
            return;  // below the bottom, or nothing to see
        }
        MarkupLayout::Text text;
        text.box = QRect(left, y_, metrics.horizontalAdvance(line), height);
        text.baseline = y_ + metrics.ascent();
        text.text = line;
        text.font = font;
        text.color = ResolveColorRef(textColor_, style_.palette);
        if (!style_.transparent) {
            text.background = ResolveColorRef(backColor_, style_.palette);
        }
        if (inLink_ && text.box.width() > 0) {
            layout_.links.push_back({text.box, linkTarget_});
        }
        layout_.texts.push_back(std::move(text));
    }

    void DrawRule() {
        if (Stopped()) {
            return;
        }
        const QRect rule(style_.client.left(), y_, style_.client.width(), ruleWidth_);
        layout_.rules.push_back({rule, ResolveColorRef(textColor_, style_.palette)});
        y_ += ruleWidth_;
        x_ = 0;
    }

    const MarkupStyle& style_;
    const QRect rect_;
    MarkupLayout layout_;
    FontDescription base_;
    FontDescription font_;
    ColorRef textColor_;
    ColorRef backColor_;
    int bold_ = 0, italic_ = 0, underline_ = 0, strike_ = 0, center_ = 0, sub_ = 0, sup_ = 0;
    int ruleWidth_ = 2;
    bool sizeGiven_ = false;
    bool inLink_ = false;
    std::wstring linkTarget_;
    int x_ = 0;  // where the next run starts, from the rectangle's left edge
    int y_ = 0;  // top of the current line
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
