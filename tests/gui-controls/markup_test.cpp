// MarkupLabel: tags, entities and colours as laid out, word flow, the rendered picture
// reused until the look changes, link rectangles and which link targets are opened.

#include <QSignalSpy>
#include <QtTest>

#include "controls/color_names.h"
#include "controls/link_target.h"
#include "controls/markup_label.h"
#include "controls/markup_layout.h"
#include "text/markup_parser.h"

namespace {

QFont TestFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return font;
}

MarkupLayout Lay(const std::wstring& text, QSize size = QSize(300, 200)) {
    MarkupStyle style;
    style.font = TestFont();
    style.textColor = MakeColorRef(0, 0, 0);
    style.backgroundColor = MakeColorRef(255, 255, 255);
    style.client = QRect(QPoint(0, 0), size);
    return LayoutMarkup(text, style);
}

// The drawn texts in drawing order as a reader sees them: a gap between two pieces on a
// line reads as a blank (blanks themselves are not drawn at the end of a run).
QString Drawn(const MarkupLayout& layout) {
    QString all;
    const MarkupLayout::Text* previous = nullptr;
    for (const MarkupLayout::Text& text : layout.texts) {
        if (previous != nullptr && previous->box.top() == text.box.top() &&
            text.box.left() > previous->box.right() + 2 && !previous->text.endsWith(' ')) {
            all += QLatin1Char(' ');
        }
        all += text.text;
        previous = &text;
    }
    return all;
}

const MarkupLayout::Text* Find(const MarkupLayout& layout, const QString& piece) {
    for (const MarkupLayout::Text& text : layout.texts) {
        if (text.text.contains(piece)) {
            return &text;
        }
    }
    return nullptr;
}

QColor ColorOf(const std::wstring& text) {
    return ResolveColorRef(ColorNames::FromText(text), {});
}

}  // namespace

class MarkupTest : public QObject {
    Q_OBJECT

private slots:
    void plainTextWrapsInTheControlsColours() {
        const MarkupLayout layout = Lay(L"one two three four five six seven eight", {90, 200});
        QVERIFY(layout.texts.size() > 2);
        QCOMPARE(layout.fill, std::optional<QColor>(Qt::white));
        const int height = QFontMetrics(TestFont()).height();
        for (size_t i = 0; i < layout.texts.size(); ++i) {
            const MarkupLayout::Text& text = layout.texts[i];
            QCOMPARE(text.color, QColor(Qt::black));
            QVERIFY(text.box.right() < 90);
            QCOMPARE(text.box.left(), 0);
            QCOMPARE(text.box.top(), int(i) * (height + height / 4));
            QVERIFY(!text.font.bold());
        }
        QCOMPARE(Drawn(layout).simplified(),
                 QStringLiteral("one two three four five six seven eight"));
    }

    void linesBelowTheBottomAreNotDrawn() {
        const MarkupLayout layout = Lay(L"one two three four five six seven eight", {60, 20});
        QCOMPARE(layout.texts.size(), size_t(1));
        QVERIFY(Lay(L"text", {300, 1}).texts.empty());
    }

    void entitiesAreNeverReadAsTags() {
        const MarkupLayout layout = Lay(L"&lt;B&gt;not bold&lt;/B&gt; &amp;lt;");
        QCOMPARE(Drawn(layout), QStringLiteral("<B>not bold</B> &lt;"));
        for (const MarkupLayout::Text& text : layout.texts) {
            QVERIFY(!text.font.bold());
        }
        // An entity ">" does not end a tag either: the link target runs to the real one.
        const std::vector<MarkupToken> tokens =
            TokenizeMarkup(L"<A HREF=\"http://x.invalid/?a=1&gt;2\">x</A>");
        QCOMPARE(tokens.front().kind, MarkupToken::Kind::kLinkStart);
        QCOMPARE(tokens.front().target, std::wstring(L"http://x.invalid/?a=1>2"));
    }

    void entityCharacters() {
        QCOMPARE(
            PlainText(DecodeEntities(L"&copy;&deg;&euro;&bull;&trade;&nbsp;&quot;&unknown;&AMP;")),
            std::wstring(L"\u00A9\u00B0\u20AC\u2022\u2122 \"&unknown;&AMP;"));
    }

    void nonBreakingSpaceKeepsWordsTogether() {
        const int width = QFontMetrics(TestFont()).horizontalAdvance(QStringLiteral("aaaa")) + 12;
        QCOMPARE(Lay(L"aaaa bbbb", {width, 100}).texts.size(), size_t(2));
        QCOMPARE(Lay(L"aaaa&nbsp;bbbb", {width, 100}).texts.size(), size_t(1));
        // A leading "&nbsp;" indents; a leading blank is dropped.
        QVERIFY(Lay(L"&nbsp;x").texts[0].text.startsWith(' '));
        QVERIFY(!Lay(L" x").texts[0].text.startsWith(' '));
    }

    void aLoneLessThanIsDrawnAndTheRestFollows() {
        const MarkupLayout layout = Lay(L"a < b <B>bold</B> <<c");
        QCOMPARE(Drawn(layout), QStringLiteral("a < b bold <<c"));
        QVERIFY(Find(layout, QStringLiteral("bold"))->font.bold());
        QVERIFY(!Find(layout, QStringLiteral("c"))->font.bold());
        // The "<" is a run of its own; the text after it follows on the same line.
        const MarkupLayout::Text* lessThan = Find(layout, QStringLiteral("<"));
        QCOMPARE(lessThan->text, QStringLiteral("<"));
        QCOMPARE(Find(layout, QStringLiteral("b"))->box.top(), lessThan->box.top());
        QVERIFY(Find(layout, QStringLiteral("b"))->box.left() > lessThan->box.right());
        // A tag with attributes that is never closed is text too.
        QCOMPARE(Drawn(Lay(L"x <FONT COLOR=red y")), QStringLiteral("x <FONT COLOR=red y"));
    }

    void unbalancedClosingTagsDoNotGoBelowZero() {
        const MarkupLayout layout = Lay(L"</B></B></I>plain <B>bold</B> after</U><U>under</U>");
        QVERIFY(!Find(layout, QStringLiteral("plain"))->font.bold());
        QVERIFY(!Find(layout, QStringLiteral("plain"))->font.italic());
        QVERIFY(Find(layout, QStringLiteral("bold"))->font.bold());
        QVERIFY(!Find(layout, QStringLiteral("after"))->font.bold());
        QVERIFY(Find(layout, QStringLiteral("under"))->font.underline());
    }

    void tagsAreMatchedIgnoringCase() {
        const MarkupLayout layout = Lay(L"<b>x</B><i>y</i><strike>z</STRIKE>");
        QVERIFY(Find(layout, QStringLiteral("x"))->font.bold());
        QVERIFY(Find(layout, QStringLiteral("y"))->font.italic());
        QVERIFY(Find(layout, QStringLiteral("z"))->font.strikeOut());
    }

    void fontColours() {
        QCOMPARE(Find(Lay(L"<FONT COLOR=\"#FF0000\">r</FONT>k"), "r")->color, QColor(Qt::red));
        QCOMPARE(Find(Lay(L"<FONT COLOR=\"red\">r</FONT>"), "r")->color, QColor(Qt::red));
        QCOMPARE(Find(Lay(L"<font color=RED>r</font>"), "r")->color, QColor(Qt::red));
        QCOMPARE(Find(Lay(L"<FONT COLOR=\"nosuchcolour\">r</FONT>"), "r")->color,
                 QColor(Qt::black));
        // </FONT> goes back to the control's colour.
        QCOMPARE(Find(Lay(L"<FONT COLOR=\"red\">r</FONT>k"), "k")->color, QColor(Qt::black));
        // BGCOLOR fills behind the run.
        QCOMPARE(Find(Lay(L"<FONT BGCOLOR=\"Yellow\">y</FONT>"), "y")->background,
                 std::optional<QColor>(Qt::yellow));
    }

    void colourTexts() {
        QCOMPARE(ColorOf(L"0,0,255"), QColor(Qt::blue));
        QCOMPARE(ColorOf(L"255,0"), QColor(Qt::red));           // missing blue reads 0
        QCOMPARE(ColorOf(L"256,-1,511"), QColor(0, 255, 255));  // modulo 256
        QCOMPARE(ColorOf(L"#FF000"), QColor(Qt::black));        // six characters in all
        QCOMPARE(ColorOf(L"#GG0000"), QColor(Qt::black));
        QCOMPARE(ColorOf(L"#00ff00"), QColor(Qt::green));
        QCOMPARE(ColorOf(L"crimson"), QColor(0xDC, 0x14, 0x3C));
        QCOMPARE(ColorNames::FromText(L"AliceBlue"), ColorRef(0xFFF8F0));
        QVERIFY(ColorNames::FromText(L"windowtext") & kSystemColorFlag);
        QCOMPARE(ResolveColorRef(ColorNames::FromText(L"Window"), QPalette(Qt::red, Qt::green)),
                 QPalette(Qt::red, Qt::green).color(QPalette::Base));
    }

    void colourTableHasTheWebAndSystemNames() {
        const auto& table = ColorNames::Table();
        QCOMPARE(table.size(), size_t(179));
        for (size_t i = 0; i < 140; ++i) {
            const QColor web = QColor::fromString(QString::fromWCharArray(table[i].name).toLower());
            QVERIFY2(web.isValid(), qPrintable(QString::fromWCharArray(table[i].name)));
            QCOMPARE(table[i].value, ColorRefFromQColor(web));
        }
        for (size_t i = 140; i < table.size(); ++i) {
            QVERIFY(table[i].value & kSystemColorFlag);
        }
    }

    void fontSizesFromMarkupStayBounded() {
        const int base = 12;
        QCOMPARE(Find(Lay(L"<FONT SIZE=\"2\">s</FONT>"), "s")->font.pixelSize(), base + 2);
        QCOMPARE(Find(Lay(L"<BIG>b</BIG>"), "b")->font.pixelSize(), base + 1);
        QCOMPARE(Find(Lay(L"<SMALL>s</SMALL>"), "s")->font.pixelSize(), base - 1);
        QVERIFY(
            Find(Lay(L"<FONT SIZE=\"99999999999\">s</FONT>", {300, 400}), "s")->font.pixelSize() <=
            200);
        QCOMPARE(Find(Lay(L"<FONT SIZE=\"-50\">s</FONT>"), "s")->font.pixelSize(), 1);
    }

    void breaksRulesAndCentring() {
        const int height = QFontMetrics(TestFont()).height();
        const MarkupLayout breaks = Lay(L"a<BR>b");
        QCOMPARE(Find(breaks, "b")->box.top(), height + height / 4);
        QCOMPARE(Find(breaks, "b")->box.left(), 0);

        MarkupStyle style;
        style.font = TestFont();
        style.client = QRect(0, 0, 300, 200);
        style.leftMargin = 10;
        style.rightMargin = 10;
        const MarkupLayout rule = LayoutMarkup(L"x<HR SIZE=3>y", style);
        QCOMPARE(rule.rules.size(), size_t(1));
        QCOMPARE(rule.rules[0].rect, QRect(0, height + height / 4, 300, 3));  // margin to margin
        QCOMPARE(Find(rule, "y")->box.top(), height + height / 4 + 3);
        QCOMPARE(Find(rule, "y")->box.left(), 10);

        const MarkupLayout centred = Lay(L"<CENTER>Loading....</CENTER>");
        const QRect box = Find(centred, "Loading")->box;
        QVERIFY(qAbs(box.left() - (300 - box.right() - 1)) <= 1);
    }

    void subscriptAndSuperscriptMoveTheBaseline() {
        const int ascent = QFontMetrics(TestFont()).ascent();
        const MarkupLayout layout = Lay(L"H<SUB>2</SUB>O x<SUP>2</SUP>");
        QCOMPARE(layout.texts[1].baseline - layout.texts[0].baseline, ascent / 2);
        QCOMPARE(layout.texts[2].baseline, layout.texts[0].baseline);
        QCOMPARE(layout.texts[3].baseline - layout.texts[2].baseline, -(ascent / 2));
    }

    void transparentControlsDrawNoBackground() {
        MarkupStyle style;
        style.font = TestFont();
        style.client = QRect(0, 0, 100, 20);
        style.transparent = true;
        const MarkupLayout layout = LayoutMarkup(L"<FONT BGCOLOR=red>x</FONT>", style);
        QVERIFY(!layout.fill);
        QVERIFY(!layout.texts[0].background);
    }

    void arbitraryDeviceTextsAlwaysFinish() {
        // Texts shown come partly from the device: any mix of fragments must lay out.
        const wchar_t* fragments[] = {
            L"<",       L">",          L"<B>",   L"</B>",      L"<FONT SIZE=\"", L"\"",
            L"</FONT>", L"<A HREF=\"", L"</A>",  L"<HR SIZE=", L"&lt;",          L"&",
            L";",       L"<BR>",       L"\r\n",  L" ",         L"word",          L"<CENTER>",
            L"<SUB>",   L"<SUP>",      L"<BIG>", L"<SMALL>",   L"\x01",          L"&nbsp;",
            L"999999",  L"-7"};
        QRandomGenerator random(3150);
        for (int round = 0; round < 2000; ++round) {
            std::wstring text;
            const int pieces = random.bounded(1, 40);
            for (int i = 0; i < pieces; ++i) {
                text += fragments[random.bounded(int(std::size(fragments)))];
            }
            const MarkupLayout layout = Lay(text, {random.bounded(0, 300), random.bounded(0, 120)});
            for (const MarkupLayout::Text& piece : layout.texts) {
                QVERIFY(piece.font.pixelSize() >= 1 && piece.font.pixelSize() <= 200);
            }
        }
    }

    void unclosedTagsInHugeTextsAreCharacters() {
        // Two megabytes of each tag with attributes that never closes: every "<" is a run
        // of its own and the rest of the tag text another, and nothing is lost.
        for (const std::wstring unit : {L"<FONT", L"<HR", L"<A HREF="}) {
            std::wstring text;
            while (text.size() < (size_t(2) << 20)) {
                text += unit;
            }
            const std::vector<MarkupToken> tokens = TokenizeMarkup(text);
            QCOMPARE(tokens.size(), 2 * (text.size() / unit.size()));
            QCOMPARE(PlainText(tokens[0].text), std::wstring(L"<"));
            QCOMPARE(PlainText(tokens[1].text), unit.substr(1));
            for (const MarkupToken& token : tokens) {
                QCOMPARE(token.kind, MarkupToken::Kind::kText);
            }
            // The layout reads only what it draws: a few lines of the characters.
            const MarkupLayout layout = Lay(text, {300, 60});
            QVERIFY(!layout.texts.empty());
            QVERIFY(Drawn(layout).startsWith(QString::fromStdWString(unit + unit)));
        }
        // A closing ">" at the very end still closes the first tag, whatever lies between.
        const std::wstring font = L"<FONT COLOR=red" + std::wstring(100000, L' ') + L"<FONT>x";
        const std::vector<MarkupToken> tokens = TokenizeMarkup(font);
        QCOMPARE(tokens.size(), size_t(2));
        QCOMPARE(tokens[0].attributes.at(L"COLOR"), std::wstring(L"red"));
    }

    void extremeSizesAreClampedBeforeArithmetic() {
        MarkupStyle style;
        style.font = TestFont();
        style.client = QRect(0, 0, 300, 400);
        const auto sizeOf = [&](const std::wstring& text) {
            const MarkupLayout layout = LayoutMarkup(text, style);
            return layout.texts.empty() ? 0 : layout.texts.front().font.pixelSize();
        };
        QCOMPARE(sizeOf(L"<FONT SIZE=2147483647>x"), 200);
        QCOMPARE(sizeOf(L"<FONT SIZE=\"+2147483647\">x"), 200);
        QCOMPARE(sizeOf(L"<BIG><FONT SIZE=2147483647>x"), 200);
        QCOMPARE(sizeOf(L"<FONT SIZE=-2147483648>x"), 1);
        QCOMPARE(sizeOf(L"<SMALL><FONT SIZE=-99999999999>x"), 1);
        // Rules stay within their bounds too.
        const MarkupLayout rules = LayoutMarkup(L"a<HR SIZE=2147483647>b<HR SIZE=-5>c", style);
        QCOMPARE(rules.rules.size(), size_t(2));
        QCOMPARE(rules.rules[0].rect.height(), 100);
        QCOMPARE(rules.rules[1].rect.height(), 0);
    }

    void hugeWordsAndInvisibleTextStayWithinTheControl() {
        // A megabyte word is laid out as its first characters only: the rest lies
        // beyond any control's right edge.
        const MarkupLayout word = Lay(std::wstring(size_t(1) << 20, L'w') + L" next");
        QVERIFY(!word.texts.empty());
        QCOMPARE(word.texts.front().text.size(), kMaxMarkupWordLength + 1);  // and its blank
        QCOMPARE(Find(word, QStringLiteral("next"))->box.left(), 0);

        // Pieces without width draw nothing and are not kept, however many there are.
        std::wstring invisible;
        for (int i = 0; i < 100000; ++i) {
            invisible += L"<B>\u200B</B>";
        }
        QVERIFY(Lay(invisible + L"seen").texts.size() == 1);

        // At the smallest size the lines still end at the right edge and the bottom.
        std::wstring tiny = L"<FONT SIZE=-99>";
        while (tiny.size() < (size_t(1) << 20)) {
            tiny += L"ab ";
        }
        const MarkupLayout small = Lay(tiny, {300, 100});
        QVERIFY(!small.texts.empty());
        for (const MarkupLayout::Text& text : small.texts) {
            QVERIFY(text.box.right() < 300);
            QVERIFY(text.box.bottom() < 100);
        }
    }

    void renderedPictureIsReusedUntilTheLookChanges() {
        MarkupLabel label;
        label.resize(200, 20);
        label.SetWindowText(L"<B>00:11:22:33:44:55</B>");
        label.grab();
        label.grab();
        label.repaint();
        QCOMPARE(label.RenderCount(), 1);

        label.ResetLook();
        label.grab();
        QCOMPARE(label.RenderCount(), 2);

        label.SetWindowText(L"<B>00:11:22:33:44:55</B>");  // unchanged
        label.grab();
        QCOMPARE(label.RenderCount(), 2);

        // A new text shows at once, with or without ResetLook.
        label.SetWindowText(L"192.168.1.20");
        const QImage shown = label.grab().toImage();
        QCOMPARE(label.RenderCount(), 3);
        QCOMPARE(label.Layout().texts.front().text, QStringLiteral("192.168.1.20"));

        QCOMPARE(label.SetTextColor(std::wstring(L"Red")), label.palette().color(QPalette::Text));
        label.grab();
        QCOMPARE(label.RenderCount(), 4);
        QVERIFY(shown != label.grab().toImage());
    }

    void renderedTextUsesItsColour() {
        MarkupLabel label;
        label.resize(120, 20);
        label.SetWindowText(L"<FONT COLOR=\"#FF0000\"><B>RED</B></FONT>");
        const QImage image = label.grab().toImage();
        int red = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
            }
        }
        QVERIFY(red > 10);
    }

    void linkRectanglesCoverTheLinkText() {
        MarkupLabel label;
        label.resize(300, 60);
        label.SetWindowText(L"See <A HREF=\"http://tamsel.invalid/help\">the help pages</A> now");
        const MarkupLayout& layout = label.Layout();
        QCOMPARE(layout.links.size(), size_t(1));
        QCOMPARE(layout.links[0].target, std::wstring(L"http://tamsel.invalid/help"));
        const QRect linkText = Find(layout, QStringLiteral("the help pages"))->box;
        QCOMPARE(layout.links[0].rect, linkText);
        QVERIFY(!layout.links[0].rect.contains(Find(layout, "See")->box.center()));

        // A link that wraps gets a rectangle for each of its lines.
        MarkupLabel narrow;
        narrow.resize(70, 80);
        narrow.SetWindowText(L"<A HREF=\"https://tamsel.invalid/\">one two three four</A>");
        QVERIFY(narrow.LinkRects().size() >= 2);
        for (const QRect& rect : narrow.LinkRects()) {
            QVERIFY(QRect(0, 0, 70, 80).contains(rect));
        }
    }

    void clickingALinkOpensOnlySafeTargets() {
        std::vector<QUrl> opened;
        MarkupLabel label;
        label.SetUrlOpener([&](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        label.resize(300, 40);
        label.SetWindowText(
            L"<A HREF=\"http://tamsel.invalid/a\">web</A> "
            L"<A HREF=\"file:///etc/passwd\">file</A>");
        QSignalSpy activated(&label, &MarkupLabel::linkActivated);
        const auto& links = label.Layout().links;
        QCOMPARE(links.size(), size_t(2));
        QTest::mouseClick(&label, Qt::LeftButton, {}, links[0].rect.center());
        QTest::mouseClick(&label, Qt::LeftButton, {}, links[1].rect.center());
        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(290, 30));  // no link there
        QCOMPARE(opened.size(), size_t(1));
        QCOMPARE(opened[0], QUrl(QStringLiteral("http://tamsel.invalid/a")));
        QCOMPARE(activated.count(), 2);
        QCOMPARE(activated.at(1).at(1).toBool(), false);

        for (const wchar_t* target :
             {L"javascript:alert(1)", L"file:///bin/sh", L"APP:Reboot", L"\"app:Reboot\"",
              L"calc.exe", L"/bin/sh -c reboot", L"smb://host/share", L"http://", L"mailto:",
              L"http://tamsel.invalid/\nx", L""}) {
            QVERIFY2(!label.OpenLink(target), qPrintable(QString::fromWCharArray(target)));
        }
        QCOMPARE(opened.size(), size_t(1));
        for (const wchar_t* target : {L"HTTPS://tamsel.invalid/x", L" \"http://tamsel.invalid\" ",
                                      L"mailto:help@tamsel.invalid"}) {
            QVERIFY2(label.OpenLink(target), qPrintable(QString::fromWCharArray(target)));
        }
        QCOMPARE(opened.size(), size_t(4));
    }

    void handCursorOnlyOverLinks() {
        MarkupLabel label;
        label.resize(300, 40);
        label.SetWindowText(L"text <A HREF=\"http://tamsel.invalid/\">link</A>");
        const QRect link = label.Layout().links.at(0).rect;
        QMouseEvent over(QEvent::MouseMove, link.center(), label.mapToGlobal(link.center()),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&label, &over);
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        QMouseEvent away(QEvent::MouseMove, QPointF(2, 30), label.mapToGlobal(QPointF(2, 30)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&label, &away);
        QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(MarkupTest)
#include "markup_test.moc"
