// PictureButton and StateColorLabel: pictures and colours per state, mouse feedback, the
// backslash-n line rule, and repaints that reuse the rendered label.

#include <QEnterEvent>
#include <QSignalSpy>
#include <QtTest>

#include "controls/picture_button.h"
#include "controls/skin_images.h"
#include "controls/state_color_label.h"

namespace {

void Enter(QWidget& widget) {
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

QImage Shown(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage Skin(int id) {
    return LoadSkinImage(id).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class PictureControlsTest : public QObject {
    Q_OBJECT

private slots:
    void buttonShowsThePictureOfItsState() {
        PictureButton button(1018);
        button.resize(18, 18);
        button.SetImages(146, 147, 150);  // three different pictures to tell them apart
        QCOMPARE(Shown(button), Skin(146));

        Enter(button);
        QVERIFY(button.IsHovered());
        QCOMPARE(Shown(button), Skin(147));

        Leave(button);
        QCOMPARE(Shown(button), Skin(146));
    }

    void disabledButtonUnderTheMouseShowsTheDisabledPicture() {
        PictureButton button(1018);
        button.resize(18, 18);
        button.SetImages(146, 147, 150);
        button.setEnabled(false);
        Enter(button);
        QCOMPARE(button.CurrentLook(), PictureButton::Look::kDisabled);
        QCOMPARE(Shown(button), Skin(150));

        // Enabled again while the mouse is still on it: the hover picture.
        button.setEnabled(true);
        QCOMPARE(Shown(button), Skin(147));
    }

    void sameImageForAllStatesStillShowsTheHandCursor() {
        PictureButton button(1110);
        button.resize(175, 33);
        button.SetImages(220, 220, 220);
        QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
        const QImage normal = Shown(button);
        Enter(button);
        QCOMPARE(Shown(button), normal);
        button.setEnabled(false);
        QCOMPARE(Shown(button), normal);
        QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
    }

    void setImagesForgetsTheHoverState() {
        PictureButton button;
        button.resize(18, 18);
        button.SetImages(146, 147, 146);
        Enter(button);
        button.SetImages(150, 151, 150);
        QVERIFY(!button.IsHovered());
        QCOMPARE(Shown(button), Skin(150));
    }

    void clickReportsTheControlIdOnlyWhenReleasedOnTheButton() {
        QWidget page;
        PictureButton button(1121, &page);
        button.setGeometry(15, 171, 175, 33);
        button.SetImages(218, 218, 218);
        QSignalSpy clicks(&button, &PictureButton::clicked);

        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.at(0).at(0).toInt(), 1121);

        QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(10, 10));
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(300, 10));  // dragged off
        button.setEnabled(false);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicks.count(), 1);
    }

    void allBlackLabelNeverChangesState() {
        StateColorLabel label;
        label.resize(200, 23);
        label.SetWindowText(L"Searching.");
        QVERIFY(label.MouseFeedbackOff());
        Enter(label);
        QTest::mousePress(&label, Qt::LeftButton);
        QCOMPARE(label.State(), int(StateColorLabel::kNormal));
        QTest::mouseRelease(&label, Qt::LeftButton);
        QTest::mouseClick(&label, Qt::RightButton);
        Leave(label);
        QCOMPARE(label.State(), int(StateColorLabel::kNormal));
    }

    void labelStatesFollowTheMouseWhenColoursDiffer() {
        StateColorLabel label;
        label.resize(200, 23);
        label.SetColors(Qt::black, Qt::blue, Qt::red, Qt::green, Qt::gray);
        QVERIFY(!label.MouseFeedbackOff());

        Enter(label);
        QCOMPARE(label.State(), int(StateColorLabel::kHover));
        QCOMPARE(label.CurrentColor(), QColor(Qt::blue));
        QTest::mousePress(&label, Qt::LeftButton);
        QCOMPARE(label.State(), int(StateColorLabel::kPressed));
        QTest::mouseRelease(&label, Qt::LeftButton);
        QCOMPARE(label.State(), int(StateColorLabel::kNormal));
        Leave(label);
        QCOMPARE(label.State(), int(StateColorLabel::kNormal));

        // Fixed states: hover and release leave 3 alone, a press does not move 4.
        label.SetState(StateColorLabel::kFixed3);
        Enter(label);
        Leave(label);
        QCOMPARE(label.State(), int(StateColorLabel::kFixed3));
        label.SetState(StateColorLabel::kFixed4);
        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(label.State(), int(StateColorLabel::kFixed4));

        // Disabled: the state-4 colour, and the mouse changes nothing.
        label.SetState(StateColorLabel::kNormal);
        label.setEnabled(false);
        QCOMPARE(label.CurrentColor(), QColor(Qt::gray));
        Enter(label);
        QCOMPARE(label.State(), int(StateColorLabel::kNormal));
    }

    void feedbackIsOffWhenTheColoursAverageToTheNormalOne() {
        StateColorLabel label;
        // 0x000010 * 4 == 0x000008 + 0x000018 + 0x000010 + 0x000010
        label.SetColors(QColor(0x10, 0, 0), QColor(0x08, 0, 0), QColor(0x18, 0, 0),
                        QColor(0x10, 0, 0), QColor(0x10, 0, 0));
        QVERIFY(label.MouseFeedbackOff());
    }

    void backslashNSplitsTheLabelIntoLines() {
        const QFont font("DejaVu Sans", 9);

        // Word-wrapping mode (single-line flag off): each line height + 1 lower.
        StateColorLabelLayout wrapped = LayoutStateColorLabel(QStringLiteral("Two\\nWords"), font,
                                                              QSize(200, 60), Qt::AlignLeft, false);
        QCOMPARE(wrapped.lines.size(), size_t(2));
        QCOMPARE(wrapped.lines[0].text, QStringLiteral("Two"));
        QCOMPARE(wrapped.lines[1].text, QStringLiteral("Words"));
        const int lineHeight = QFontMetrics(wrapped.font).height();
        QCOMPARE(wrapped.lines[1].rect.top(), wrapped.lines[0].rect.top() + lineHeight + 1);

        // Single-line mode: same stacking, and the lines do not overlap.
        StateColorLabelLayout single = LayoutStateColorLabel(QStringLiteral("Two\\nWords"), font,
                                                             QSize(200, 60), Qt::AlignCenter, true);
        QCOMPARE(single.lines.size(), size_t(2));
        QCOMPARE(single.lines[1].rect.top(), single.lines[0].rect.top() + lineHeight + 1);
        QVERIFY(single.lines[1].flags & Qt::AlignTop);

        // A real line feed is not a separator, nor is a lone backslash.
        QCOMPARE(LayoutStateColorLabel(QStringLiteral("a\nb\\c"), font, QSize(200, 60),
                                       Qt::AlignLeft, false)
                     .lines.size(),
                 size_t(1));
        // A lone line in single-line mode is centred vertically.
        QVERIFY(LayoutStateColorLabel(QStringLiteral("Searching."), font, QSize(200, 23),
                                      Qt::AlignLeft, true)
                    .lines[0]
                    .flags &
                Qt::AlignVCenter);
    }

    void labelRendersOnceUntilItsLookChanges() {
        StateColorLabel label;
        label.resize(200, 23);
        label.SetWindowText(L"1 found");
        label.grab();
        label.grab();
        QCOMPARE(label.RenderCount(), 1);

        label.SetWindowText(L"1 found");  // the same text
        label.grab();
        QCOMPARE(label.RenderCount(), 1);

        label.SetWindowText(L"2 found");
        label.grab();
        QCOMPARE(label.RenderCount(), 2);

        label.resize(150, 23);
        label.grab();
        QCOMPARE(label.RenderCount(), 3);
    }
};

QTEST_MAIN(PictureControlsTest)
#include "picture_controls_test.moc"
